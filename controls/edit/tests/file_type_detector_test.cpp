// The detector on byte fixtures made here (one table of probes and damage)
// and on files written by Debian's own tools.
#include "file_type_detector.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dib_fixtures.h"
#include "edit_constants.h"
#include "plat/ctl/file.h"
#include "tests/support/patch_byte.h"
#include "tests/support/test_support.h"

namespace ondavel {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
// A literal with its embedded zero bytes.
template <size_t N>
Bytes Lit(const char (&s)[N]) {
  return Bytes(s, s + N - 1);
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void Put16(Bytes& b, size_t at, uint32_t v, bool big) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at + (big ? 1 : 0)] = uint8_t(v), b[at + (big ? 0 : 1)] = uint8_t(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v, bool big) {
  if (b.size() < at + 4) b.resize(at + 4);
  for (int i = 0; i < 4; ++i) b[at + size_t(big ? 3 - i : i)] = uint8_t(v >> (8 * i));
}

struct TiffEntry {
  uint16_t tag, type;
  uint32_t value;
};

// A TIFF of one or more directories, each at the offset given, chained in order.
Bytes Tiff(bool big, const std::vector<std::pair<uint32_t, std::vector<TiffEntry>>>& directories,
           size_t total = 0) {
  Bytes b = Text(big ? "MM" : "II");
  Put16(b, 2, 42, big);
  Put32(b, 4, directories.empty() ? 0 : directories[0].first, big);
  for (size_t d = 0; d < directories.size(); ++d) {
    const uint32_t at = directories[d].first;
    const auto& entries = directories[d].second;
    Put16(b, at, uint32_t(entries.size()), big);
    for (size_t i = 0; i < entries.size(); ++i) {
      const size_t e = at + 2 + 12 * i;
      Put16(b, e, entries[i].tag, big);
      Put16(b, e + 2, entries[i].type, big);
      Put32(b, e + 4, 1, big);
      if (entries[i].type == 3) Put16(b, e + 8, entries[i].value, big);
      else Put32(b, e + 8, entries[i].value, big);
    }
    Put32(b, at + 2 + 12 * entries.size(), d + 1 < directories.size() ? directories[d + 1].first : 0, big);
  }
  if (b.size() < total) b.resize(total);
  return b;
}

const std::vector<TiffEntry> kPlainPage = {{256, 3, 4}, {257, 3, 2}, {259, 3, 1}, {262, 3, 1}};
const std::vector<TiffEntry> kLzwPage = {{256, 3, 4}, {257, 3, 2}, {259, 3, 5}, {262, 3, 1}};
const std::vector<TiffEntry> kRationalPage = {{256, 3, 4}, {282, 5, 8}, {296, 3, 2}, {339, 6, 1}};

Bytes Zoltra(bool long_form) {
  Bytes b(long_form ? 1100 : 900, 0x20);
  b[0] = 0xF0, b[1] = long_form ? 0xF4 : 0xF3, b[2] = '#';
  const size_t at = long_form ? 1060 : 804;
  Put32(b, at, 0xF5000024u, true);
  Put32(b, at + 4, 0xF4000020u, true);
  return b;
}

Bytes Pcx() {
  Bytes b(128 + 16, 0);
  b[0] = 10, b[1] = 5, b[2] = 1, b[3] = 8, b[68] = 1;
  return b;
}

Bytes Bmp(uint32_t recorded_size, size_t actual) {
  Bytes b = Text("BM");
  Put32(b, 2, recorded_size, false);
  b.resize(actual);
  return b;
}

struct Expected {
  int16_t error;
  int32_t type;
  int32_t kind;
};

Expected Detect(const Bytes& bytes) {
  FileTypeDetector detector;
  const plat::BOOL found = detector.DetectMemoryFormat(static_cast<const void*>(bytes.data()), bytes.size());
  EXPECT_EQ(found != 0, detector.error() == 0);
  return {detector.error(), detector.type_code(), detector.media_kind()};
}

TEST(FileTypeDetector, ProbesOnByteFixtures) {
  const int32_t kImage = kMediaKindImage;
  Bytes looping = Tiff(false, {{8, kPlainPage}, {64, kPlainPage}}, 128);
  // The second directory points back at the first.
  testing_support::PatchByte(looping, 64 + 2 + 12 * 4, 0, 8);
  Bytes self_loop = Tiff(false, {{8, kPlainPage}}, 64);
  testing_support::PatchByte(self_loop, 8 + 2 + 12 * 4, 0, 8);
  Bytes cut_ifd = Tiff(false, {{8, kPlainPage}});
  cut_ifd.resize(8 + 2 + 12 * 2);
  Bytes next_past_end = Tiff(false, {{8, kPlainPage}}, 80);
  Put32(next_past_end, 8 + 2 + 12 * 4, 5000, false);
  const Bytes marker_scan =
      Concat(Text("junk\x01"), Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x04, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0xC0, 0x00});
  struct Case {
    const char* name;
    Bytes bytes;
    Expected expected;
  } cases[] = {
      {"wave", Concat(Lit("RIFF\x24\0\0\0WAVEfmt "), Bytes(20)), {0, kFileTypeWave, kMediaKindSound}},
      {"RIFF MIDI", Concat(Lit("RIFF\x24\0\0\0RMIDdata"), Bytes(20)), {0, kFileTypeMidi, kMediaKindSound}},
      {"AVI", Concat(Lit("RIFF\x24\0\0\0AVI LIST"), Bytes(20)), {0, kFileTypeAvi, kMediaKindVideo}},
      {"RIFF of another kind", Concat(Lit("RIFF\x24\0\0\0CDXA"), Bytes(20)), {2001, -1, -1}},
      {"MIDI", Concat(Bytes{0x4D, 0x54, 0x68, 0x64, 0x00, 0x00, 0x00, 0x06}, Bytes(8)),
       {0, kFileTypeMidi, kMediaKindSound}},
      {"MPEG sequence", Bytes{0x00, 0x00, 0x01, 0xB3, 0x10, 0x20}, {0, kFileTypeMpeg, kMediaKindVideo}},
      {"MPEG pack", Bytes{0x00, 0x00, 0x01, 0xBA, 0x44, 0x00}, {0, kFileTypeMpeg, kMediaKindVideo}},
      {"BMP", Bmp(60, 60), {0, plat::qrvFileBMP, kImage}},
      {"BMP shorter than its size field", Bmp(61, 60), {2001, -1, -1}},
      {"TIFF, little-endian", Tiff(false, {{8, kPlainPage}}), {0, plat::qrvFileTIFF, kImage}},
      {"TIFF, big-endian", Tiff(true, {{8, kPlainPage}}), {0, plat::qrvFileTIFF, kImage}},
      {"TIFF, two pages", Tiff(false, {{8, kPlainPage}, {700, kPlainPage}}), {0, plat::qrvFileTIFF, kImage}},
      {"TIFF, LZW", Tiff(false, {{8, kLzwPage}}), {2000, plat::qrvFileTIFF, kImage}},
      {"TIFF, LZW on page two", Tiff(true, {{8, kPlainPage}, {900, kLzwPage}}), {2000, plat::qrvFileTIFF, kImage}},
      {"TIFF, type 6 little-endian", Tiff(false, {{8, kRationalPage}}), {0, plat::qrvFileTIFF, kImage}},
      {"TIFF, type 6 big-endian", Tiff(true, {{8, kRationalPage}}), {2001, -1, -1}},
      {"TIFF, type 13", Tiff(false, {{8, {{256, 13, 4}}}}), {2001, -1, -1}},
      {"TIFF, looping directories", looping, {2001, plat::qrvFileTIFF, kImage}},
      {"TIFF, directory pointing at itself", self_loop, {2001, plat::qrvFileTIFF, kImage}},
      {"TIFF, directory cut off", cut_ifd, {2001, plat::qrvFileTIFF, kImage}},
      {"TIFF, next directory past the end", next_past_end, {2001, plat::qrvFileTIFF, kImage}},
      {"TIFF, first directory past the end", Tiff(false, {}, 16), {0, plat::qrvFileTIFF, kImage}},
      {"GIF87a", Concat(Text("GIF87a"), Bytes(20)), {2000, -1, -1}},
      {"GIF89a", Concat(Text("GIF89a"), Bytes(20)), {2000, -1, -1}},
      {"GIF of another version", Concat(Text("GIF88a"), Bytes(20)), {2001, -1, -1}},
      {"PNG", Concat(Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, Bytes(12)), {0, plat::qrvFilePNG, kImage}},
      {"JFIF", Concat(Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10}, Lit("JFIF\0")), {0, plat::qrvFileJPEG, kImage}},
      {"JPEG without JFIF", Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x10, 'E', 'x', 'i', 'f'},
       {0, plat::qrvFileJPEG, kImage}},
      {"tagged raster, short form", Zoltra(false), {0, qrvFileZoltra, kImage}},
      {"tagged raster, long form", Zoltra(true), {0, qrvFileZoltra, kImage}},
      {"tagged raster cut before its marks", [] { Bytes b = Zoltra(true); b.resize(1062); return b; }(),
       {2001, -1, -1}},
      {"PCX", Pcx(), {0, plat::qrvFilePCX, kImage}},
      {"PCX of version 4", [] { Bytes b = Pcx(); b[1] = 4; return b; }(), {2001, -1, -1}},
      {"PCX with palette kind 3", [] { Bytes b = Pcx(); b[68] = 3; return b; }(), {2001, -1, -1}},
      {"JPEG markers after leading bytes", marker_scan, {0, plat::qrvFileJPEG, kImage}},
      {"frame marker before the start", Bytes{0x00, 0xFF, 0xC0, 0xFF, 0xD8, 0xFF, 0xC0}, {2001, -1, -1}},
      {"end of image first", Bytes{0x01, 0xFF, 0xD8, 0xFF, 0xD9, 0xFF, 0xC0}, {2001, -1, -1}},
      {"two starts of image", Bytes{0x01, 0xFF, 0xD8, 0xFF, 0xD8, 0xFF, 0xC0}, {2001, -1, -1}},
      {"text", Text("hello, world"), {2001, -1, -1}},
      {"one byte", Bytes{0x42}, {2001, -1, -1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Expected got = Detect(c.bytes);
    EXPECT_EQ(got.error, c.expected.error);
    EXPECT_EQ(got.type, c.expected.type);
    EXPECT_EQ(got.kind, c.expected.kind);
  }
}

TEST(FileTypeDetector, EveryCutOfAGoodFileIsRefusedOrStillRecognised) {
  // Truncation inside a TIFF's directories: never a crash, never success
  // on a directory that is not all there.
  const Bytes tiff = Tiff(true, {{8, kPlainPage}, {80, kPlainPage}});
  for (size_t size = 1; size < tiff.size(); ++size) {
    SCOPED_TRACE(size);
    const Expected got = Detect(Bytes(tiff.begin(), tiff.begin() + long(size)));
    EXPECT_NE(got.error, 0);
  }
}

TEST(FileTypeDetector, MemoryBlocksAndStreams) {
  const Bytes png = Concat(Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, Bytes(40));
  test::ScopedGlobal block(test::MakeBlock(png));
  FileTypeDetector detector;
  EXPECT_TRUE(detector.DetectMemoryFormat(block.get(), png.size()));
  EXPECT_EQ(detector.type_code(), plat::qrvFilePNG);
  // A length beyond the block, none at all, no block, an empty image.
  EXPECT_FALSE(detector.DetectMemoryFormat(block.get(), png.size() + 1));
  EXPECT_EQ(detector.error(), plat::qrvErrInvalidParam);
  EXPECT_FALSE(detector.DetectMemoryFormat(block.get(), 0));
  EXPECT_EQ(detector.error(), plat::qrvErrInvalidParam);
  EXPECT_FALSE(detector.DetectMemoryFormat(HGLOBAL{0}, 10));
  EXPECT_EQ(detector.error(), plat::qrvErrInvalidParam);
  EXPECT_FALSE(detector.DetectMemoryFormat(static_cast<const void*>(nullptr), 10));
  EXPECT_EQ(detector.error(), plat::qrvErrInvalidParam);
  EXPECT_FALSE(detector.DetectMemoryFormat(static_cast<const void*>(png.data()), 0));
  EXPECT_EQ(detector.error(), plat::qrvErrInvalidFileFormat);
  EXPECT_FALSE(detector.DetectStreamFormat(nullptr));
  EXPECT_EQ(detector.error(), plat::qrvErrInvalidParam);

  // A stream comes back to where it was, also after a walk and a scan far
  // into it.
  Bytes far_tiff = Tiff(false, {{8, kPlainPage}, {3000, kPlainPage}});
  Bytes scan(5000, 0x11);
  scan[4000] = 0xFF, scan[4001] = 0xD8, scan[4100] = 0xFF, scan[4101] = 0xC2;
  for (Bytes* bytes : {&far_tiff, &scan}) {
    plat::CMemFile stream(bytes->data(), plat::UINT(bytes->size()), 0);
    stream.Seek(7, plat::CFile::begin);
    EXPECT_TRUE(detector.DetectStreamFormat(&stream)) << detector.error() << " " << bytes->size();
    EXPECT_EQ(stream.GetPosition(), 7u);
  }
  EXPECT_EQ(detector.type_code(), plat::qrvFileJPEG);
}

// Runs a shell command that writes `file` in `folder`; fails the test otherwise.
std::string Write(const testing_support::ScopedTempDir& folder, const std::string& file, const std::string& command) {
  const std::string path = folder.File(file);
  std::string command_line = command;
  for (size_t at; (at = command_line.find("$OUT")) != std::string::npos;) command_line.replace(at, 4, path);
  for (size_t at; (at = command_line.find("$DIR")) != std::string::npos;) command_line.replace(at, 4, folder.path());
  EXPECT_EQ(testing_support::RunCommand(command_line), 0) << command_line;
  return path;
}

TEST(FileTypeDetector, FilesWrittenByOtherPrograms) {
  testing_support::ScopedTempDir folder;
  std::string ppm_text = "P6\n7 5\n255\n";
  for (int i = 0; i < 7 * 5 * 3; ++i) ppm_text.push_back(char(i * 7));
  testing_support::WriteFileBytes(folder.File("in.ppm"), Text(ppm_text));
  const std::string in = folder.File("in.ppm");
  struct Case {
    const char* file;
    std::string command;
    int16_t error;
    int32_t type;
  } cases[] = {
      {"a.bmp", "ppmtobmp " + in + " > $OUT 2>/dev/null", 0, plat::qrvFileBMP},
      {"a.pcx", "ppmtopcx " + in + " > $OUT 2>/dev/null", 0, plat::qrvFilePCX},
      {"a.png", "pnmtopng " + in + " > $OUT 2>/dev/null", 0, plat::qrvFilePNG},
      {"a.jpg", "cjpeg " + in + " > $OUT", 0, plat::qrvFileJPEG},
      {"p.jpg", "cjpeg -progressive " + in + " > $OUT", 0, plat::qrvFileJPEG},
      {"plain.tif", "convert-im6.q16 " + in + " -compress none $DIR/one.tif && tiffcp $DIR/one.tif $OUT", 0,
       plat::qrvFileTIFF},
      {"packbits.tif", "tiffcp -c packbits $DIR/one.tif $OUT", 0, plat::qrvFileTIFF},
      {"big.tif", "tiffcp -B $DIR/one.tif $OUT", 0, plat::qrvFileTIFF},
      {"pages.tif", "convert-im6.q16 " + in + " " + in + " " + in + " -compress none $OUT", 0, plat::qrvFileTIFF},
      {"lzw.tif", "tiffcp -c lzw $DIR/one.tif $OUT", 2000, plat::qrvFileTIFF},
      {"a.gif", "convert-im6.q16 " + in + " $OUT", 2000, -1},
      {"a.wav", "printf 'RIFF\\044\\0\\0\\0WAVEfmt ' > $OUT", 0, kFileTypeWave},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = Write(folder, c.file, c.command);
    FileTypeDetector detector;
    EXPECT_EQ(detector.DetectFileFormat(path.c_str()) != 0, c.error == 0);
    EXPECT_EQ(detector.error(), c.error);
    EXPECT_EQ(detector.type_code(), c.type);
  }
  // A file cut inside its first directory.
  Bytes cut = testing_support::ReadFileBytes(folder.File("big.tif"));
  const uint32_t first = uint32_t(cut[4]) << 24 | uint32_t(cut[5]) << 16 | uint32_t(cut[6]) << 8 | cut[7];
  cut.resize(first + 20);
  testing_support::WriteFileBytes(folder.File("cut.tif"), cut);
  FileTypeDetector detector;
  EXPECT_FALSE(detector.DetectFileFormat(folder.File("cut.tif").c_str()));
  EXPECT_EQ(detector.error(), plat::qrvErrInvalidFileFormat);
  // Open failures by their reason.
  EXPECT_FALSE(detector.DetectFileFormat(folder.File("missing.png").c_str()));
  EXPECT_EQ(detector.error(), plat::qrvErrFileNotFound);
  EXPECT_FALSE(detector.DetectFileFormat((folder.File("a.bmp") + "/x.png").c_str()));
  EXPECT_EQ(detector.error(), plat::qrvErrPathNotFound);
  testing_support::WriteFileBytes(folder.File("empty"), {});
  EXPECT_FALSE(detector.DetectFileFormat(folder.File("empty").c_str()));
  EXPECT_EQ(detector.error(), plat::qrvErrInvalidFileFormat);
}

}  // namespace
}  // namespace ondavel

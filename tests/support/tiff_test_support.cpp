// TIFF test fixtures; see tiff_test_support.h.
#include "tests/support/tiff_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/streams/accessor.h"
#include "core/streams/stream.h"
#include "interchange/tiff/tiff_tags.h"

namespace tiff_test {

namespace {

void Put16(Bytes& out, size_t at, ByteOrder order, uint32_t v) {
  if (order == ByteOrder::kLittleEndian) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
  } else {
    out[at] = static_cast<uint8_t>(v >> 8);
    out[at + 1] = static_cast<uint8_t>(v);
  }
}
void Put32(Bytes& out, size_t at, ByteOrder order, uint32_t v) {
  if (order == ByteOrder::kLittleEndian) {
    Put16(out, at, order, v & 0xFFFF);
    Put16(out, at + 2, order, v >> 16);
  } else {
    Put16(out, at, order, v >> 16);
    Put16(out, at + 2, order, v & 0xFFFF);
  }
}
uint32_t Get16(const Bytes& in, size_t at, ByteOrder order) {
  return order == ByteOrder::kLittleEndian ? in[at] | (in[at + 1] << 8) : (in[at] << 8) | in[at + 1];
}
uint32_t Get32(const Bytes& in, size_t at, ByteOrder order) {
  return order == ByteOrder::kLittleEndian ? Get16(in, at, order) | (Get16(in, at + 2, order) << 16)
                                           : (Get16(in, at, order) << 16) | Get16(in, at + 2, order);
}

size_t UnitBytes(uint16_t type) {
  switch (type) {
    case kTiffTypeShort: return 2;
    case kTiffTypeRational: return 4;  // per stored value (two per rational)
    default: return 4;
  }
}

}  // namespace

void Page::Set(uint16_t tag, uint16_t type, std::vector<uint32_t> values) {
  Remove(tag);
  entries.push_back({tag, type, std::move(values)});
}

void Page::Remove(uint16_t tag) {
  entries.erase(std::remove_if(entries.begin(), entries.end(), [tag](const Entry& e) { return e.tag == tag; }),
                entries.end());
}

size_t BuiltTiff::LinkField(int page) const {
  const size_t at = directories.at(static_cast<size_t>(page));
  const ByteOrder order = bytes[0] == 'I' ? ByteOrder::kLittleEndian : ByteOrder::kBigEndian;
  return at + 2 + 12 * Get16(bytes, at, order);
}

BuiltTiff BuildTiff(const std::vector<Page>& pages, ByteOrder order) {
  BuiltTiff built;
  Bytes& out = built.bytes;
  out.assign(8, 0);
  out[0] = out[1] = order == ByteOrder::kLittleEndian ? 'I' : 'M';
  Put16(out, 2, order, 42);
  size_t link_at = 4;
  for (size_t p = 0; p < pages.size(); ++p) {
    std::vector<Entry> entries = pages[p].entries;
    if (!pages[p].strips.empty()) {
      Entry offsets{kTiffTagStripOffsets, kTiffTypeLong, {}};
      Entry counts{kTiffTagStripByteCounts, kTiffTypeLong, {}};
      for (const Bytes& strip : pages[p].strips) {
        offsets.values.push_back(static_cast<uint32_t>(out.size()));
        counts.values.push_back(static_cast<uint32_t>(strip.size()));
        out.insert(out.end(), strip.begin(), strip.end());
      }
      std::erase_if(entries, [](const Entry& e) {
        return e.tag == kTiffTagStripOffsets || e.tag == kTiffTagStripByteCounts;
      });
      entries.push_back(offsets);
      entries.push_back(counts);
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    // Out-of-line values first, each at an even position.
    std::vector<uint32_t> value_fields(entries.size(), 0);
    for (size_t i = 0; i < entries.size(); ++i) {
      const Entry& e = entries[i];
      const size_t bytes = UnitBytes(e.type) * e.values.size();
      if (bytes <= 4) continue;
      if (out.size() % 2 != 0) out.push_back(0);
      value_fields[i] = static_cast<uint32_t>(out.size());
      const size_t at = out.size();
      out.resize(out.size() + bytes);
      for (size_t k = 0; k < e.values.size(); ++k) {
        if (e.type == kTiffTypeShort) {
          Put16(out, at + 2 * k, order, e.values[k]);
        } else {
          Put32(out, at + 4 * k, order, e.values[k]);
        }
      }
    }
    if (out.size() % 2 != 0) out.push_back(0);
    const size_t directory = out.size();
    built.directories.push_back(directory);
    Put32(out, link_at, order, static_cast<uint32_t>(directory));
    out.resize(out.size() + 2 + 12 * entries.size() + 4, 0);
    Put16(out, directory, order, static_cast<uint32_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
      const Entry& e = entries[i];
      const size_t at = directory + 2 + 12 * i;
      built.entries[{static_cast<int>(p), e.tag}] = at;
      Put16(out, at, order, e.tag);
      Put16(out, at + 2, order, e.type);
      const uint32_t count = e.type == kTiffTypeRational ? static_cast<uint32_t>(e.values.size() / 2)
                                                         : static_cast<uint32_t>(e.values.size());
      Put32(out, at + 4, order, count);
      if (UnitBytes(e.type) * e.values.size() > 4) {
        Put32(out, at + 8, order, value_fields[i]);
      } else if (e.type == kTiffTypeShort) {
        for (size_t k = 0; k < e.values.size(); ++k) Put16(out, at + 8 + 2 * k, order, e.values[k]);
      } else if (!e.values.empty()) {
        Put32(out, at + 8, order, e.values[0]);
      }
    }
    link_at = directory + 2 + 12 * entries.size();
  }
  return built;
}

Page GreyPage(int width, int height, int rows_per_strip, const Bytes& pixels) {
  Page page;
  page.Set(kTiffTagImageWidth, kTiffTypeLong, {static_cast<uint32_t>(width)});
  page.Set(kTiffTagImageLength, kTiffTypeLong, {static_cast<uint32_t>(height)});
  page.Set(kTiffTagBitsPerSample, kTiffTypeShort, {8});
  page.Set(kTiffTagCompression, kTiffTypeShort, {kTiffCompressionNone});
  page.Set(kTiffTagPhotometricInterpretation, kTiffTypeShort, {kTiffPhotometricBlackIsZero});
  page.Set(kTiffTagSamplesPerPixel, kTiffTypeShort, {1});
  page.Set(kTiffTagRowsPerStrip, kTiffTypeLong, {static_cast<uint32_t>(rows_per_strip)});
  page.Set(kTiffTagXResolution, kTiffTypeRational, {300, 1});
  page.Set(kTiffTagYResolution, kTiffTypeRational, {150, 1});
  page.Set(kTiffTagResolutionUnit, kTiffTypeShort, {kTiffResolutionUnitInch});
  for (int row = 0; row < height; row += rows_per_strip) {
    const int rows = std::min(rows_per_strip, height - row);
    page.strips.emplace_back(pixels.begin() + row * width, pixels.begin() + (row + rows) * width);
  }
  return page;
}

Page RgbPage(int width, int height, int rows_per_strip, const Bytes& rgb) {
  Page page = GreyPage(width, height, rows_per_strip, Bytes(static_cast<size_t>(width * height), 0));
  page.Set(kTiffTagBitsPerSample, kTiffTypeShort, {8, 8, 8});
  page.Set(kTiffTagPhotometricInterpretation, kTiffTypeShort, {kTiffPhotometricRgb});
  page.Set(kTiffTagSamplesPerPixel, kTiffTypeShort, {3});
  page.strips.clear();
  for (int row = 0; row < height; row += rows_per_strip) {
    const int rows = std::min(rows_per_strip, height - row);
    page.strips.emplace_back(rgb.begin() + 3 * row * width, rgb.begin() + 3 * (row + rows) * width);
  }
  return page;
}

void PatchU16(Bytes& bytes, size_t offset, ByteOrder order, uint16_t expected, uint16_t value) {
  ASSERT_LE(offset + 2, bytes.size());
  ASSERT_EQ(Get16(bytes, offset, order), expected) << "at " << offset;
  Put16(bytes, offset, order, value);
}

void PatchU32(Bytes& bytes, size_t offset, ByteOrder order, uint32_t expected, uint32_t value) {
  ASSERT_LE(offset + 4, bytes.size());
  ASSERT_EQ(Get32(bytes, offset, order), expected) << "at " << offset;
  Put32(bytes, offset, order, value);
}

bool ParsePnm(const Bytes& bytes, Picture* out) {
  size_t at = 0;
  auto skip_space = [&] {
    while (at < bytes.size()) {
      if (bytes[at] == '#') {
        while (at < bytes.size() && bytes[at] != '\n') ++at;
      } else if (bytes[at] == ' ' || bytes[at] == '\n' || bytes[at] == '\r' || bytes[at] == '\t') {
        ++at;
      } else {
        break;
      }
    }
  };
  auto number = [&](int& v) {
    skip_space();
    if (at >= bytes.size() || bytes[at] < '0' || bytes[at] > '9') return false;
    v = 0;
    while (at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9') v = v * 10 + (bytes[at++] - '0');
    return true;
  };
  if (bytes.size() < 3 || bytes[0] != 'P') return false;
  Picture p;
  p.kind = static_cast<char>(bytes[1]);
  at = 2;
  int max_value = 1;
  if (!number(p.width) || !number(p.height)) return false;
  if (p.kind != '4' && !number(max_value)) return false;
  ++at;  // the single white space before the samples
  p.channels = p.kind == '6' ? 3 : 1;
  const size_t count = static_cast<size_t>(p.width) * p.height * p.channels;
  if (p.kind == '4') {
    const size_t row_bytes = (static_cast<size_t>(p.width) + 7) / 8;
    if (bytes.size() < at + row_bytes * p.height) return false;
    for (int y = 0; y < p.height; ++y) {
      for (int x = 0; x < p.width; ++x) {
        p.samples.push_back((bytes[at + y * row_bytes + x / 8] >> (7 - x % 8)) & 1);
      }
    }
  } else {
    if (max_value > 255 || bytes.size() < at + count) return false;
    for (size_t i = 0; i < count; ++i) p.samples.push_back(static_cast<uint8_t>(bytes[at + i] * 255 / max_value));
  }
  *out = p;
  return true;
}

Bytes EncodePnm(const Picture& p) {
  std::string head = std::string("P") + p.kind + "\n" + std::to_string(p.width) + " " + std::to_string(p.height) + "\n";
  if (p.kind != '4') head += "255\n";
  Bytes out(head.begin(), head.end());
  if (p.kind == '4') {
    const size_t row_bytes = (static_cast<size_t>(p.width) + 7) / 8;
    for (int y = 0; y < p.height; ++y) {
      Bytes row(row_bytes, 0);
      for (int x = 0; x < p.width; ++x) {
        if (p.samples[static_cast<size_t>(y) * p.width + x]) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
      out.insert(out.end(), row.begin(), row.end());
    }
  } else {
    out.insert(out.end(), p.samples.begin(), p.samples.end());
  }
  return out;
}

Bytes RandomBytes(size_t count, uint32_t seed, int modulo) {
  std::mt19937 random(seed);
  Bytes out(count);
  for (uint8_t& b : out) b = static_cast<uint8_t>(modulo > 0 ? random() % modulo : random());
  return out;
}

Picture MakePicture(char kind, int width, int height, uint32_t seed) {
  Picture p;
  p.kind = kind;
  p.width = width;
  p.height = height;
  p.channels = kind == '6' ? 3 : 1;
  const Bytes noise = RandomBytes(static_cast<size_t>(width) * height * p.channels, seed);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < p.channels; ++c) {
        const size_t i = (static_cast<size_t>(y) * width + x) * p.channels + c;
        // Left half smooth bands, right half noise.
        const int smooth = (x / 5 + y / 3 + c * 40) * 23;
        const int value = x < width / 2 ? smooth : noise[i];
        p.samples.push_back(kind == '4' ? static_cast<uint8_t>(value & 1) : static_cast<uint8_t>(value));
      }
    }
  }
  return p;
}

Bytes ImageElements(IpiSystem* sys, IpiObject* image) {
  IpiAccessor* a = IpiOpenAccessor(sys, image, "r", 1, nullptr, 0);
  EXPECT_NE(a, nullptr);
  if (a == nullptr) return {};
  const int64_t width = a->dimension[kDimX];
  const int64_t rows = int64_t{a->dimension[kDimY]} * a->dimension[kDimB];
  Bytes out;
  for (int64_t r = 0; r < rows; ++r) {
    const uint8_t* row = IpiGetInputRow(sys, a->stream, r * width);
    EXPECT_NE(row, nullptr);
    if (row == nullptr) break;
    for (int64_t x = 0; x < width; ++x) {
      out.push_back(a->data_type == kDataTypeBoolean ? IpiTestBit(*a, row, (r * width) % 8 + x) : row[x]);
    }
  }
  EXPECT_EQ(IpiCloseAccessor(sys, a), 0);
  return out;
}

Bytes LookupTableEntries(IpiSystem* sys, IpiObject* image) {
  IpiObject* table = IpiObjectFromId(sys, image->fields.lut);
  if (table == nullptr) return {};
  const int64_t count = 3 * int64_t{table->fields.dimension[kDimX]};
  Bytes out(static_cast<size_t>(count));
  IpiStream* s = IpiOpenStream(sys, table, "r", 0);
  EXPECT_EQ(IpiReadBytes(sys, s, 0, out.data(), count), count);
  EXPECT_EQ(IpiCloseStream(sys, s), 0);
  return out;
}

Picture ImageAsPicture(IpiSystem* sys, IpiObject* image, char kind) {
  const Bytes elements = ImageElements(sys, image);
  const Bytes lut = LookupTableEntries(sys, image);
  const int64_t lut_entries = static_cast<int64_t>(lut.size() / 3);
  const intptr_t photometric = IpiInquireAttribute(sys, image, "photometricInterpretation");
  const int32_t precision = image->fields.data_precision;
  Picture p;
  p.kind = kind;
  p.width = image->fields.dimension[kDimX];
  p.height = image->fields.dimension[kDimY];
  p.channels = kind == '6' ? 3 : 1;
  const size_t plane = static_cast<size_t>(p.width) * p.height;
  const int bands = image->fields.dimension[kDimB];
  for (size_t i = 0; i < plane; ++i) {
    uint8_t rgb[3] = {};
    const uint8_t v = elements[i];
    if (bands >= 3) {
      for (int c = 0; c < 3; ++c) rgb[c] = elements[c * plane + i];
    } else if (photometric == 157) {  // palette
      for (int c = 0; c < 3; ++c) rgb[c] = v < lut_entries ? lut[static_cast<size_t>(c * lut_entries + v)] : 0;
    } else {
      const int max = (1 << std::min(precision, 8)) - 1;
      int grey = v * 255 / max;
      if (photometric == 222) grey = 255 - grey;  // white is zero
      rgb[0] = rgb[1] = rgb[2] = static_cast<uint8_t>(grey);
    }
    if (kind == '6') {
      p.samples.insert(p.samples.end(), rgb, rgb + 3);
    } else if (kind == '5') {
      p.samples.push_back(rgb[0]);
    } else {
      p.samples.push_back(rgb[0] < 128 ? 1 : 0);
    }
  }
  return p;
}

}  // namespace tiff_test

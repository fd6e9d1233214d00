// The photo-disc library against packs written by ImageMagick, with
// ImageMagick's own decode of the same pack as the oracle.
#include "plat/acquire/pcd_ctrl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquire/pcd/pcd_reader.h"
#include "acquire_test_support.h"
#include "plat/testing.h"

namespace plat::acquire::test {
namespace {

constexpr size_t kOrientationOffset = 0xE02;

class PcdCtrlTest : public plat::test::GuiTest {
 protected:
  // One pack made from a picture with distinct corners, written once per program.
  static void SetUpTestSuite() {
    fixtures_ = std::string(ACQUIRE_TEST_BINARY_DIR) + "/pcd-fixtures";
    RunCommand("rm -rf '" + fixtures_ + "' && mkdir -p '" + fixtures_ + "'");
    const std::string picture = fixtures_ + "/corners.png";
    ASSERT_EQ(RunCommand("convert-im6.q16 -size 768x512 gradient:navy-orange -fill red -draw 'rectangle 0,0 191,127' "
                         "-fill lime -draw 'rectangle 576,0 767,127' -fill white -draw 'circle 384,384 384,460' '" +
                         picture + "'"),
              0);
    ASSERT_EQ(RunCommand("convert-im6.q16 '" + picture + "' 'PCD:" + fixtures_ + "/IMG0001.PCD'"), 0);
    pack_ = plat::test::ReadFileBytes(fixtures_ + "/IMG0001.PCD");
    ASSERT_EQ(pack_.size(), 788480u);
  }

  // ImageMagick's decode of `pack_file` (`select` "" or "[1]", "[2]").
  Picture Oracle(const std::string& pack_file, const std::string& select, const std::string& extra = "") {
    const std::string out = WorkPath("oracle.ppm");
    EXPECT_EQ(RunCommand("convert-im6.q16 'PCD:" + pack_file + select + "' " + extra + " -colorspace sRGB -depth 8 'ppm:" +
                         out + "'"),
              0);
    return ReadPnm(out);
  }

  // A disc folder holding `packs` as IMGnnnn.PCD (names as given).
  std::string MakeDisc(const std::string& folder, const std::vector<std::string>& names,
                       const std::string& bytes = pack_) {
    RunCommand("mkdir -p '" + folder + "'");
    for (const std::string& name : names) plat::test::WriteFileBytes(folder + "/" + name, bytes);
    return folder;
  }

  static Picture Acquire(CQRVNPcdCtrl& ctrl, const std::string& disc, int first, int last, short size,
                         short depth, Collector& collector, int expected_result = 1) {
    EXPECT_NE(ctrl.SetCallback(3, kAcquireNotifyByCallback, reinterpret_cast<intptr_t>(&Collector::Callback)), 0);
    EXPECT_EQ(ctrl.AcquireImage(first, last, disc.c_str(), size, depth, nullptr), expected_result);
    return collector.deliveries.empty() ? Picture{} : collector.deliveries.front().picture;
  }

  static std::string fixtures_;
  static std::string pack_;
};

std::string PcdCtrlTest::fixtures_;
std::string PcdCtrlTest::pack_;

TEST_F(PcdCtrlTest, StoredSizesMatchImageMagicksDecode) {
  const std::string disc = MakeDisc(WorkPath("disc"), {"IMG0001.PCD"});
  struct Case {
    short data_size;
    const char* select;
    int width;
    int height;
  };
  const Case cases[] = {{qrvPcdResBaseOver16, "[1]", 192, 128}, {qrvPcdResBaseOver4, "[2]", 384, 256},
                        {qrvPcdResBase, "", 768, 512}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    const Picture expected = Oracle(fixtures_ + "/IMG0001.PCD", c.select);
    ASSERT_EQ(expected.width, c.width);
    Collector collector;
    CQRVNPcdCtrl ctrl;
    const Picture ours = Acquire(ctrl, disc, 1, 1, c.data_size, qrvColorRGB, collector);
    ASSERT_EQ(collector.deliveries.size(), 1u);
    EXPECT_EQ(collector.deliveries[0].record.value1, qrvColorRGB);
    EXPECT_EQ(collector.deliveries[0].record.value2, 0);
    EXPECT_EQ(collector.deliveries[0].record.value3, 0);
    EXPECT_EQ(ours.bit_count, 24);
    EXPECT_EQ(ours.width, c.width);
    EXPECT_EQ(ours.height, c.height);
    EXPECT_GT(Psnr(ours, expected), 30.0);
  }
}

TEST_F(PcdCtrlTest, BaseOver64IsBaseOver16AveragedTwoByTwo) {
  const std::string disc = MakeDisc(WorkPath("disc"), {"IMG0001.PCD"});
  CQRVNPcdCtrl ctrl;
  const auto acquire = [&](short data_size) {
    Collector collector;
    return Acquire(ctrl, disc, 1, 1, data_size, qrvColorRGB, collector);
  };
  const Picture large = acquire(qrvPcdResBaseOver16);
  const Picture small = acquire(qrvPcdResBaseOver64);
  ASSERT_EQ(small.width, 96);
  ASSERT_EQ(small.height, 64);
  for (int y = 0; y < small.height; ++y) {
    for (int x = 0; x < small.width; ++x) {
      for (int shift = 0; shift <= 16; shift += 8) {
        int sum = 2;
        for (int dy = 0; dy < 2; ++dy) {
          for (int dx = 0; dx < 2; ++dx) sum += large.pixels[(2 * y + dy) * large.width + 2 * x + dx] >> shift & 0xFF;
        }
        ASSERT_EQ(small.pixels[y * small.width + x] >> shift & 0xFF, static_cast<uint32_t>(sum / 4)) << x << "," << y;
      }
    }
  }
}

TEST_F(PcdCtrlTest, OrientationByteTurnsTheImage) {
  struct Case {
    uint8_t orientation;
    const char* oracle_extra;  // ImageMagick leaves a half turn (2) unturned: the test turns it
    int width;
  };
  const Case cases[] = {{1, "", 128}, {2, "-rotate 180", 192}, {3, "", 128}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.orientation));
    std::string turned = pack_;
    ASSERT_EQ(turned[kOrientationOffset], 0);
    turned[kOrientationOffset] = static_cast<char>(c.orientation);
    const std::string disc = MakeDisc(WorkPath("turned" + std::to_string(c.orientation)), {"IMG0001.PCD"}, turned);
    const Picture expected = Oracle(disc + "/IMG0001.PCD", "[1]", c.oracle_extra);
    Collector collector;
    CQRVNPcdCtrl ctrl;
    const Picture ours = Acquire(ctrl, disc, 1, 1, qrvPcdResBaseOver16, qrvColorRGB, collector);
    EXPECT_EQ(ours.width, c.width);
    EXPECT_EQ(expected.width, c.width);
    EXPECT_GT(Psnr(ours, expected), 30.0);
  }
}

TEST_F(PcdCtrlTest, CountsConsecutivePacksInEachDiscLayout) {
  struct Case {
    const char* name;
    std::string sub_folder;
    std::vector<std::string> packs;
    int count;
  };
  const Case cases[] = {
      {"packs after a gap are not reached", "", {"IMG0001.PCD", "IMG0002.PCD", "IMG0003.PCD", "IMG0005.PCD"}, 3},
      {"disc layout", "/PHOTO_CD/IMAGES", {"IMG0001.PCD", "IMG0002.PCD"}, 2},
      {"lower-case names", "/photo_cd/images", {"img0001.pcd"}, 1},
      {"images folder", "/Images", {"IMG0001.PCD", "Img0002.Pcd"}, 2},
      {"no pack 0001", "", {"IMG0002.PCD"}, 0},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string disc = WorkPath("disc" + std::to_string(index++));
    MakeDisc(disc + c.sub_folder, c.packs, "not read when counting");
    CQRVNPcdCtrl ctrl;
    EXPECT_EQ(ctrl.GetImageCount(disc.c_str()), c.count);
    EXPECT_EQ(ctrl.GetLastErr(), 0);
  }
  CQRVNPcdCtrl ctrl;
  EXPECT_EQ(ctrl.GetImageCount(WorkPath("missing").c_str()), -1);
  EXPECT_EQ(ctrl.GetLastErr(), qrvErrCDDriveNotFound);
  EXPECT_EQ(ctrl.GetImageCount(nullptr), -1);
}

TEST_F(PcdCtrlTest, OffersFourDepthsAndSizesAndRefusesOthers) {
  CQRVNPcdCtrl ctrl;
  const std::string disc = MakeDisc(WorkPath("disc"), {"IMG0001.PCD", "IMG0002.PCD", "IMG0003.PCD"});
  ASSERT_EQ(ctrl.GetFormatNum(disc.c_str(), 1), 4);
  ASSERT_EQ(ctrl.GetResolutionNum(disc.c_str(), 1), 4);
  std::vector<short> formats, sizes;
  for (short i = 0; i < 4; ++i) {
    formats.push_back(ctrl.GetFormat(disc.c_str(), 1, i));
    sizes.push_back(ctrl.GetResolution(disc.c_str(), 1, i));
  }
  EXPECT_EQ(formats, (std::vector<short>{4, 8, 9, 12}));
  EXPECT_EQ(sizes, (std::vector<short>{1, 2, 3, 4}));

  struct Case {
    const char* name;
    int first, last;
    short size, depth;
    int16_t error;
  };
  const Case cases[] = {
      {"data size 6", 1, 1, qrvPcdRes16Base, qrvColorRGB, qrvErrInvalidParam},
      {"data size 5", 1, 1, qrvPcdRes4Base, qrvColorRGB, qrvErrInvalidParam},
      {"image 4 of 3", 4, 4, qrvPcdResBase, qrvColorRGB, qrvErrInvalidIndex},
      {"a range past the last", 2, 4, qrvPcdResBase, qrvColorRGB, qrvErrInvalidIndex},
      {"image 0", 0, 1, qrvPcdResBase, qrvColorRGB, qrvErrInvalidIndex},
      {"first after last", 3, 2, qrvPcdResBase, qrvColorRGB, qrvErrInvalidIndex},
      {"depth 2", 1, 1, qrvPcdResBase, 2, qrvErrInvalidParam},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Collector collector;
    CQRVNPcdCtrl refusing;
    Acquire(refusing, disc, c.first, c.last, c.size, c.depth, collector, 0);
    EXPECT_EQ(refusing.GetLastErr(), c.error);
    EXPECT_TRUE(collector.deliveries.empty());
  }
  Collector collector;
  CQRVNPcdCtrl missing;
  Acquire(missing, WorkPath("missing"), 1, 1, qrvPcdResBase, qrvColorRGB, collector, 0);
  EXPECT_EQ(missing.GetLastErr(), qrvErrCDDriveNotFound);
}

TEST_F(PcdCtrlTest, DepthsAreDeliveredAsForTheScannerAndCancelStopsTheRange) {
  const std::string disc = MakeDisc(WorkPath("disc"), {"IMG0001.PCD", "IMG0002.PCD", "IMG0003.PCD"});
  struct Case {
    short depth;
    int16_t delivered;
    int bit_count;
  };
  const Case cases[] = {{qrvColorDefault, 12, 24}, {qrvColorBitmap, 1, 1}, {qrvColor16, 12, 24},
                        {qrvColor256, 12, 24},     {qrvColorGrayscale, 9, 8}, {qrvColorRGB, 12, 24}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.depth);
    Collector collector;
    CQRVNPcdCtrl ctrl;
    const Picture ours = Acquire(ctrl, disc, 1, 3, qrvPcdResBaseOver64, c.depth, collector);
    ASSERT_EQ(collector.deliveries.size(), 3u);
    EXPECT_EQ(collector.deliveries[2].record.value1, c.delivered);
    EXPECT_EQ(ours.bit_count, c.bit_count);
  }
  Collector collector;
  CQRVNPcdCtrl ctrl;
  collector.during = [&](const Delivery&) { ctrl.CancelAcquire(); };
  Acquire(ctrl, disc, 2, 3, qrvPcdResBaseOver64, qrvColorRGB, collector);
  EXPECT_EQ(collector.deliveries.size(), 1u);
}

TEST_F(PcdCtrlTest, DamagedPacksGiveAnErrorAndNoPicture) {
  std::string bad_signature = pack_;
  ASSERT_EQ(bad_signature.substr(0x800, 7), "PCD_IPI");
  bad_signature[0x803] = 'X';
  struct Case {
    const char* name;
    std::string bytes;
    short data_size;
  };
  const Case cases[] = {
      {"cut in Base/16", pack_.substr(0, 0x2100), qrvPcdResBaseOver16},
      {"cut in Base/16, Base/64 asked", pack_.substr(0, 0x2100), qrvPcdResBaseOver64},
      {"cut in Base/4", pack_.substr(0, 0xB900), qrvPcdResBaseOver4},
      {"cut in Base", pack_.substr(0, 0x30100), qrvPcdResBase},
      {"cut before the signature", pack_.substr(0, 0x700), qrvPcdResBaseOver16},
      {"empty", "", qrvPcdResBaseOver16},
      {"bad signature", bad_signature, qrvPcdResBaseOver16},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string disc = MakeDisc(WorkPath("bad" + std::to_string(index++)), {"IMG0001.PCD"}, c.bytes);
    Collector collector;
    CQRVNPcdCtrl ctrl;
    Acquire(ctrl, disc, 1, 1, c.data_size, qrvColorRGB, collector, 0);
    EXPECT_EQ(ctrl.GetLastErr(), qrvErrInvalidFileFormat);
    ASSERT_EQ(collector.deliveries.size(), 1u);
    EXPECT_EQ(collector.deliveries[0].record.status, kAcquireStatusError);
  }
  // Every prefix that cuts into Base/16 is refused by the reader itself.
  const auto* bytes = reinterpret_cast<const uint8_t*>(pack_.data());
  for (size_t length = 0; length < PcdBytesNeeded(qrvPcdResBaseOver16); length += 0x3FF) {
    PcdPicture picture;
    ASSERT_EQ(DecodePcdPack(std::span<const uint8_t>(bytes, length), qrvPcdResBaseOver16, picture),
              qrvErrInvalidFileFormat)
        << length;
  }
}

}  // namespace
}  // namespace plat::acquire::test

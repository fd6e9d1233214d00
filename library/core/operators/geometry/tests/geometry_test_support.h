// Helpers of the geometry tests: pictures held as one value per element (0 or
// 1 for 1-bit images), packed into images of any repository and bit order and
// read back, a fixture over the three repositories, and a tiny PNM reader and
// writer for the netpbm and ImageMagick oracles.
#ifndef PELRITH_CORE_OPERATORS_GEOMETRY_TESTS_GEOMETRY_TEST_SUPPORT_H_
#define PELRITH_CORE_OPERATORS_GEOMETRY_TESTS_GEOMETRY_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/operators/tests/operator_test_support.h"
#include "core/system/system.h"
#include "tests/support/test_support.h"

namespace geometry_test {

using operator_test::Geometry;

// Element values of an image in element-index order (x fastest).
struct Picture {
  Geometry geometry{{1}};
  int32_t data_type = kDataTypeNonnegative;
  int32_t bit_order = kOrderMsbFirst;
  std::vector<uint8_t> values;

  Picture() = default;
  Picture(const Geometry& g, int32_t type, int32_t order = kOrderMsbFirst)
      : geometry(g), data_type(type), bit_order(order), values(static_cast<size_t>(g.Elements()), 0) {}

  bool is_bits() const { return data_type == kDataTypeBoolean; }
  int bits() const { return is_bits() ? 1 : 8; }
  int64_t width() const { return geometry.extent[0]; }
  int64_t height() const { return geometry.extent[1]; }
  size_t Index(int64_t x, int64_t y, int64_t z = 0, int64_t t = 0, int64_t b = 0) const {
    const int64_t c[5] = {x, y, z, t, b};
    return static_cast<size_t>(geometry.Index(c));
  }
  uint8_t& at(int64_t x, int64_t y, int64_t z = 0, int64_t t = 0, int64_t b = 0) { return values[Index(x, y, z, t, b)]; }
  uint8_t at(int64_t x, int64_t y, int64_t z = 0, int64_t t = 0, int64_t b = 0) const {
    return values[Index(x, y, z, t, b)];
  }

  std::vector<uint8_t> Packed() const {
    std::vector<uint8_t> bytes(static_cast<size_t>((geometry.Elements() * bits() + 7) / 8), 0);
    for (size_t e = 0; e < values.size(); ++e) {
      operator_test::SetElement(bytes, static_cast<int64_t>(e), bits(), bit_order, values[e]);
    }
    return bytes;
  }
  void Unpack(const std::vector<uint8_t>& bytes) {
    for (size_t e = 0; e < values.size(); ++e) {
      values[e] = static_cast<uint8_t>(operator_test::GetElement(bytes, static_cast<int64_t>(e), bits(), bit_order));
    }
  }
  std::vector<IpiAttribute> Attributes() const {
    std::vector<IpiAttribute> list = geometry.Attributes();
    list.push_back({"dataType", data_type});
    list.push_back({"dataPrecision", bits()});
    list.push_back({"bitOrder", bit_order});
    return list;
  }
};

// Equal values, or the first element that differs with its coordinates.
inline ::testing::AssertionResult SameValues(const Picture& got, const Picture& expected) {
  if (got.values.size() != expected.values.size()) return ::testing::AssertionFailure() << "sizes differ";
  const int64_t* n = expected.geometry.extent;
  for (size_t e = 0; e < got.values.size(); ++e) {
    if (got.values[e] == expected.values[e]) continue;
    const int64_t i = static_cast<int64_t>(e);
    return ::testing::AssertionFailure() << "element (" << i % n[0] << ", " << i / n[0] % n[1] << ", "
                                         << i / (n[0] * n[1]) % n[2] << ", " << i / (n[0] * n[1] * n[2]) % n[3]
                                         << ", " << i / (n[0] * n[1] * n[2] * n[3]) << ") is "
                                         << int{got.values[e]} << ", expected " << int{expected.values[e]};
  }
  return ::testing::AssertionSuccess();
}

inline Picture RandomPicture(const Geometry& g, int32_t type, int32_t order, uint32_t seed) {
  Picture p(g, type, order);
  std::mt19937 random(seed);
  for (uint8_t& v : p.values) v = static_cast<uint8_t>(type == kDataTypeBoolean ? random() & 1u : random() & 0xFFu);
  return p;
}

// A fixture over one repository, with "roiState" and "matchPointState" on.
class GeometryTest : public ::testing::TestWithParam<int32_t> {
 protected:
  void SetUp() override {
    sys_ = IpiOpenSystem(nullptr);
    ASSERT_NE(sys_, nullptr);
    SetSystem("roiState", 1);
    SetSystem("matchPointState", 1);
    store_ = std::make_unique<operator_test::ImageStore>(sys_, GetParam());
  }
  void TearDown() override {
    store_.reset();
    EXPECT_EQ(IpiCloseSystem(sys_), 0);
    EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
  }
  void SetSystem(const char* name, intptr_t value) {
    const IpiAttribute entry{name, value};
    ASSERT_EQ(IpiSetSystemAttributes(sys_, &entry, 1), 0);
  }
  // An image holding the picture's values (or no data yet).
  IpiObject* Make(const Picture& p, bool with_data = true) {
    const std::vector<uint8_t> bytes = p.Packed();
    return store_->Image(p.Attributes(), with_data ? &bytes : nullptr);
  }
  // The image's values, read in the picture's shape.
  Picture Read(IpiObject* image, const Picture& shape) {
    Picture p = shape;
    p.Unpack(store_->Read(image));
    return p;
  }
  // A region of interest of one byte per element (non-zero inside).
  void Region(IpiObject* image, const std::vector<uint8_t>& flags) { store_->Region(image, flags); }

  IpiSystem* sys_ = nullptr;
  std::unique_ptr<operator_test::ImageStore> store_;
};

inline std::string RepositoryParamName(const ::testing::TestParamInfo<int32_t>& info) {
  return operator_test::RepositoryName(info.param);
}

#define GEOMETRY_INSTANTIATE_ALL_REPOSITORIES(Fixture)                                                       \
  INSTANTIATE_TEST_SUITE_P(AllRepositories, Fixture,                                                         \
                           ::testing::Values(kRepositoryCallerMemory, kRepositoryGlobalBlock, kRepositoryFile), \
                           geometry_test::RepositoryParamName)

// --- PNM files for the oracles --------------------------------------------------------
// PBM (P4) for 1-bit pictures, 1 = black = a set bit; PGM (P5, maxval 255) for
// bytes. Only the first plane is written.

inline void WritePnm(const std::string& path, const Picture& p) {
  std::string text = (p.is_bits() ? "P4\n" : "P5\n") + std::to_string(p.width()) + " " +
                     std::to_string(p.height()) + "\n" + (p.is_bits() ? "" : "255\n");
  std::vector<uint8_t> bytes(text.begin(), text.end());
  for (int64_t y = 0; y < p.height(); ++y) {
    if (p.is_bits()) {
      std::vector<uint8_t> row(static_cast<size_t>((p.width() + 7) / 8), 0);
      for (int64_t x = 0; x < p.width(); ++x) {
        if (p.at(x, y) != 0) row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
      bytes.insert(bytes.end(), row.begin(), row.end());
    } else {
      for (int64_t x = 0; x < p.width(); ++x) bytes.push_back(p.at(x, y));
    }
  }
  testing_support::WriteFileBytes(path, bytes);
}

// Reads a P4 or P5 file (maxval 255) into a picture of the given data type;
// false when it is neither.
inline bool ReadPnm(const std::string& path, int32_t data_type, Picture& out) {
  const std::vector<uint8_t> bytes = testing_support::ReadFileBytes(path);
  size_t at = 0;
  auto token = [&]() {
    std::string t;
    while (at < bytes.size()) {
      const char c = static_cast<char>(bytes[at]);
      if (c == '#') {
        while (at < bytes.size() && bytes[at] != '\n') ++at;
      } else if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
        if (!t.empty()) break;
        ++at;
      } else {
        t += c;
        ++at;
      }
    }
    return t;
  };
  const std::string magic = token();
  const bool is_bits = magic == "P4";
  if (!is_bits && magic != "P5") return false;
  const int64_t width = std::stoll(token());
  const int64_t height = std::stoll(token());
  if (!is_bits && token() != "255") return false;
  ++at;  // the single whitespace before the raster
  out = Picture(Geometry({width, height}), data_type);
  const int64_t row_bytes = is_bits ? (width + 7) / 8 : width;
  if (bytes.size() < at + static_cast<size_t>(row_bytes * height)) return false;
  for (int64_t y = 0; y < height; ++y) {
    for (int64_t x = 0; x < width; ++x) {
      const uint8_t* row = bytes.data() + at + y * row_bytes;
      out.at(x, y) = is_bits ? static_cast<uint8_t>((row[x / 8] >> (7 - x % 8)) & 1) : row[x];
    }
  }
  return true;
}

}  // namespace geometry_test

#endif  // PELRITH_CORE_OPERATORS_GEOMETRY_TESTS_GEOMETRY_TEST_SUPPORT_H_

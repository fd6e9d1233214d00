// Helpers of the operator tests: images with given contents in any of the
// three repositories, read back as bytes, and an element-level view of packed
// data written from the storage rule alone (not through the library's tables).
#ifndef PELRITH_CORE_OPERATORS_TESTS_OPERATOR_TEST_SUPPORT_H_
#define PELRITH_CORE_OPERATORS_TESTS_OPERATOR_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <deque>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/status.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "tests/support/test_support.h"

namespace operator_test {

inline const char* RepositoryName(int32_t repository) {
  switch (repository) {
    case kRepositoryCallerMemory: return "CallerMemory";
    case kRepositoryGlobalBlock: return "GlobalBlock";
    case kRepositoryFile: return "File";
    default: return "Unknown";
  }
}

inline std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

// Region elements of 8 bits: 0 or 1, about a third of them 0 (closed).
inline std::vector<uint8_t> RandomRegion(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& b : bytes) b = random() % 3 != 0 ? 1 : 0;
  return bytes;
}

// Makes objects in one repository and reads their data back. Caller memory
// (repository 9) is owned here and outlives the objects.
class ImageStore {
 public:
  ImageStore(IpiSystem* sys, int32_t repository) : sys_(sys), repository_(repository) {}

  // An object of `cls` with `attributes`, then "repository". With `bytes` it
  // holds them as its data (inited); without, it holds no data yet (caller
  // memory: zeros).
  IpiObject* Make(const IpiObjectClass* cls, std::vector<IpiAttribute> attributes,
                  const std::vector<uint8_t>* bytes = nullptr, IpiObject* template_object = nullptr) {
    attributes.push_back({"repository", repository_});
    IpiObject* obj = IpiCreateObject(sys_, nullptr, cls, template_object, attributes.data(),
                                     static_cast<int>(attributes.size()));
    EXPECT_NE(obj, nullptr);
    if (obj == nullptr) return nullptr;
    const int64_t total = TotalBytes(obj);
    if (repository_ == kRepositoryCallerMemory) {
      memory_.emplace_back(static_cast<size_t>(total), 0);
      if (bytes != nullptr) {
        EXPECT_EQ(bytes->size(), memory_.back().size());
        std::copy(bytes->begin(), bytes->end(), memory_.back().begin());
      }
      const IpiAttribute place[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(memory_.back().data())},
                                    {"size", total},
                                    {"inited", bytes != nullptr ? 1 : 0}};
      EXPECT_EQ(IpiSetAttributes(sys_, obj, place, 3), 0);
    } else if (bytes != nullptr) {
      Write(obj, *bytes);
    }
    return obj;
  }

  IpiObject* Image(std::vector<IpiAttribute> attributes, const std::vector<uint8_t>* bytes = nullptr) {
    return Make(&kGenericImageClass, std::move(attributes), bytes);
  }

  // A region of interest made from `image` with the given element bytes.
  IpiObject* Region(IpiObject* image, const std::vector<uint8_t>& bytes) {
    IpiObject* roi = Make(&kRoiClass, {}, &bytes, image);
    EXPECT_EQ(IpiSetAttribute(sys_, image, "roi", IpiObjectId(roi)), 0);
    return roi;
  }

  int64_t TotalBytes(IpiObject* obj) {
    int64_t elements = 0, bytes = 0;
    int32_t bits = 0;
    EXPECT_EQ(IpiObjectDataSize(sys_, *obj, &elements, &bytes, &bits), 0);
    return bytes;
  }

  void Write(IpiObject* obj, const std::vector<uint8_t>& bytes) {
    IpiStream* s = IpiOpenStream(sys_, obj, "w", 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(IpiWriteBytes(sys_, s, 0, bytes.data(), static_cast<int64_t>(bytes.size())),
              static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(IpiCloseStream(sys_, s), 0);
  }

  std::vector<uint8_t> Read(IpiObject* obj) {
    std::vector<uint8_t> bytes(static_cast<size_t>(TotalBytes(obj)));
    IpiStream* s = IpiOpenStream(sys_, obj, "r", 0);
    EXPECT_NE(s, nullptr);
    if (s == nullptr) return {};
    EXPECT_EQ(IpiReadBytes(sys_, s, 0, bytes.data(), static_cast<int64_t>(bytes.size())),
              static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(IpiCloseStream(sys_, s), 0);
    return bytes;
  }

  int32_t repository() const { return repository_; }

 private:
  IpiSystem* sys_;
  int32_t repository_;
  std::deque<std::vector<uint8_t>> memory_;
};

// Element e of packed data of `bits` per element: element e starts at bit
// e x bits; bit order 150 takes a byte's bits from 0x80 down, 135 from 0x01
// up; a narrow element's first bit is its most significant in 150 and its
// least significant in 135. Whole-byte elements are bytes in memory order.
inline uint64_t GetElement(const std::vector<uint8_t>& data, int64_t e, int bits, int32_t bit_order) {
  if (bits % 8 == 0) {
    uint64_t v = 0;
    for (int i = 0; i < bits / 8; ++i) v = (v << 8) | data[static_cast<size_t>(e * bits / 8 + i)];
    return v;
  }
  uint64_t v = 0;
  for (int j = 0; j < bits; ++j) {
    const int64_t position = e * bits + j;
    const int shift = bit_order == kOrderMsbFirst ? 7 - static_cast<int>(position % 8) : static_cast<int>(position % 8);
    const uint64_t bit = (data[static_cast<size_t>(position / 8)] >> shift) & 1u;
    if (bit_order == kOrderMsbFirst) {
      v = (v << 1) | bit;
    } else {
      v |= bit << j;
    }
  }
  return v;
}

inline void SetElement(std::vector<uint8_t>& data, int64_t e, int bits, int32_t bit_order, uint64_t value) {
  if (bits % 8 == 0) {
    for (int i = bits / 8 - 1; i >= 0; --i, value >>= 8) {
      data[static_cast<size_t>(e * bits / 8 + i)] = static_cast<uint8_t>(value);
    }
    return;
  }
  for (int j = 0; j < bits; ++j) {
    const int64_t position = e * bits + j;
    const int shift = bit_order == kOrderMsbFirst ? 7 - static_cast<int>(position % 8) : static_cast<int>(position % 8);
    const uint64_t bit = bit_order == kOrderMsbFirst ? (value >> (bits - 1 - j)) & 1u : (value >> j) & 1u;
    uint8_t& byte = data[static_cast<size_t>(position / 8)];
    byte = static_cast<uint8_t>(bit ? (byte | (1u << shift)) : (byte & ~(1u << shift)));
  }
}

// Extents and match points of one image, x y z t b.
struct Geometry {
  // Extents not given are 1, match points not given 0.
  Geometry(std::initializer_list<int64_t> extents, std::initializer_list<int64_t> matches = {}) {
    std::copy(extents.begin(), extents.end(), extent);
    std::copy(matches.begin(), matches.end(), match);
  }
  int64_t extent[5] = {1, 1, 1, 1, 1};
  int64_t match[5] = {};

  int64_t Elements() const { return extent[0] * extent[1] * extent[2] * extent[3] * extent[4]; }
  int64_t Index(const int64_t c[5]) const {
    return c[0] + extent[0] * (c[1] + extent[1] * (c[2] + extent[2] * (c[3] + extent[3] * c[4])));
  }
  bool Contains(const int64_t c[5]) const {
    for (int i = 0; i < 5; ++i) {
      if (c[i] < 0 || c[i] >= extent[i]) return false;
    }
    return true;
  }
  std::vector<IpiAttribute> Attributes() const {
    static const char* const kExtent[] = {"xDimension", "yDimension", "zDimension", "tDimension", "bDimension"};
    static const char* const kMatch[] = {"xMatchPoint", "yMatchPoint", "zMatchPoint", "tMatchPoint", "bMatchPoint"};
    std::vector<IpiAttribute> list;
    for (int i = 0; i < 5; ++i) list.push_back({kExtent[i], static_cast<intptr_t>(extent[i])});
    for (int i = 0; i < 5; ++i) list.push_back({kMatch[i], static_cast<intptr_t>(match[i])});
    return list;
  }
};

// Calls visit(destination index, source index) for every destination element
// that a source element reaches through the match points (source coordinate =
// destination coordinate - (destination match - source match)), checking each
// destination element against the source's bounds.
template <typename Visit>
void ForEachReachedElement(const Geometry& source, const Geometry& destination, Visit visit) {
  int64_t c[5];
  for (c[4] = 0; c[4] < destination.extent[4]; ++c[4])
    for (c[3] = 0; c[3] < destination.extent[3]; ++c[3])
      for (c[2] = 0; c[2] < destination.extent[2]; ++c[2])
        for (c[1] = 0; c[1] < destination.extent[1]; ++c[1])
          for (c[0] = 0; c[0] < destination.extent[0]; ++c[0]) {
            int64_t s[5];
            for (int i = 0; i < 5; ++i) s[i] = c[i] - (destination.match[i] - source.match[i]);
            if (source.Contains(s)) visit(destination.Index(c), source.Index(s));
          }
}

// The fixture of the tests run in each repository (the test's parameter): a
// context with "matchPointState" and "roiState" on and an image store; the
// close must succeed and leave no temporary file behind.
class RepositoryFixture : public ::testing::TestWithParam<int32_t> {
 protected:
  void SetUp() override {
    sys_ = IpiOpenSystem(nullptr);
    ASSERT_NE(sys_, nullptr);
    SetSystem("roiState", 1);
    SetSystem("matchPointState", 1);
    store_ = std::make_unique<ImageStore>(sys_, GetParam());
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

  IpiSystem* sys_ = nullptr;
  std::unique_ptr<ImageStore> store_;
};

}  // namespace operator_test

#endif  // PELRITH_CORE_OPERATORS_TESTS_OPERATOR_TEST_SUPPORT_H_

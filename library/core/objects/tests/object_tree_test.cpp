#include <gtest/gtest.h>

#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/format_extras.h"
#include "core/objects/object.h"
#include "core/status.h"
#include "plat/files.h"
#include "plat/global_memory.h"
#include "plat/temp_file.h"

namespace {

class ObjectTreeTest : public ::testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); ASSERT_NE(sys_, nullptr); }
  void TearDown() override {
    if (sys_ != nullptr) {
      EXPECT_EQ(IpiCloseSystem(sys_), 0);
    }
  }
  IpiObject* Create(const IpiObjectClass* cls, IpiObject* tmpl = nullptr, std::vector<IpiAttribute> list = {}) {
    return IpiCreateObject(sys_, nullptr, cls, tmpl, list.data(), static_cast<int>(list.size()));
  }
  intptr_t Get(IpiObject* obj, const char* name) { return IpiInquireAttribute(sys_, obj, name); }
  IpiSystem* sys_ = nullptr;
};

struct ClassDefaultCase {
  const IpiObjectClass* cls;
  intptr_t precision, data_type, repository, x, y, sampling;
};

TEST_F(ObjectTreeTest, EveryClassStartsFromItsDefaultRecord) {
  const ClassDefaultCase cases[] = {
      {&kColourImageClass, 8, 153, 83, 1, 1, 239},      {&kGenericImageClass, 8, 153, 83, 1, 1, 239},
      {&kMonochromeImageClass, 8, 153, 83, 1, 1, 239},  {&kHistogramClass, 32, 175, 223, 256, 1, 0},
      {&kLookupTableClass, 8, 153, 223, 256, 1, 0},     {&kMatrixClass, 32, 161, 223, 3, 3, 0},
      {&kDitherArrayClass, 8, 153, 223, 4, 4, 0},       {&kImpulseResponseArrayClass, 16, 174, 223, 3, 3, 0},
      {&kMaskArrayClass, 8, 153, 223, 3, 3, 0},         {&kRoiClass, 8, 153, 83, 1, 1, 239},
      {&kPowerSpectrumArrayClass, 64, 35, 83, 1, 1, 0}, {&kTransferFunctionArrayClass, 64, 35, 83, 1, 1, 0},
      {&kWindowFunctionArrayClass, 32, 161, 83, 1, 1, 0}, {&kTupleClass, 32, 161, 223, 1, 1, 0},
      {&kCompositeIdArrayClass, 32, 175, 223, 1, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cls->name);
    IpiObject* obj = Create(c.cls);
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(IpiGetObjectClass(sys_, obj), c.cls);
    EXPECT_EQ(Get(obj, "dataPrecision"), c.precision);
    EXPECT_EQ(Get(obj, "dataType"), c.data_type);
    EXPECT_EQ(Get(obj, "repository"), c.repository);
    EXPECT_EQ(Get(obj, "xDimension"), c.x);
    EXPECT_EQ(Get(obj, "yDimension"), c.y);
    EXPECT_EQ(Get(obj, "samplingFactor"), c.sampling);
    EXPECT_EQ(Get(obj, "bitOrder"), kOrderMsbFirst);
    EXPECT_EQ(Get(obj, "k"), 2);
    EXPECT_EQ(Get(obj, "compressionLevel"), 6);
    EXPECT_EQ(Get(obj, "pixelInterpretation"), kPixelInterpretationPlain);
    EXPECT_EQ(Get(obj, "bDimension"), 1);
    EXPECT_EQ(Get(obj, "inited"), 0);
  }
  IpiObject* dither = Create(&kDitherArrayClass);
  EXPECT_EQ(Get(dither, "scaleFactor"), 16);
  IpiObject* image = Create(&kGenericImageClass);
  EXPECT_EQ(Get(image, "jIndexAssignment"), 226);
  EXPECT_EQ(Get(image, "nIndexAssignment"), 14);
}

TEST_F(ObjectTreeTest, ABadClassGives6) {
  IpiObjectClass fake{"GenericImage", IpiClassId::kGenericImage, kGenericImageClass.defaults};
  EXPECT_EQ(Create(&fake), nullptr);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiIncorrectObjectClass);
  EXPECT_EQ(Create(nullptr), nullptr);
}

struct TemplateCase {
  const IpiObjectClass* cls;
  const IpiObjectClass* template_class;
  int status;
  intptr_t data_type, precision, b_dimension;
};

TEST_F(ObjectTreeTest, ClassAgainstTemplateClassMatrix) {
  const TemplateCase cases[] = {
      {&kMonochromeImageClass, &kGenericImageClass, 0, 153, 8, 1},
      {&kColourImageClass, &kGenericImageClass, 0, 153, 8, 3},
      {&kGenericImageClass, &kColourImageClass, 0, 153, 8, 3},
      {&kRoiClass, &kGenericImageClass, 0, 153, 8, 3},
      {&kPowerSpectrumArrayClass, &kGenericImageClass, 0, 35, 64, 3},
      {&kTransferFunctionArrayClass, &kMonochromeImageClass, 0, 35, 64, 3},
      {&kWindowFunctionArrayClass, &kColourImageClass, 0, 161, 32, 3},
      {&kHistogramClass, &kGenericImageClass, kIpiMismatchObjectClass, 0, 0, 0},
      {&kLookupTableClass, &kGenericImageClass, kIpiMismatchObjectClass, 0, 0, 0},
      {&kGenericImageClass, &kLookupTableClass, kIpiMismatchObjectClass, 0, 0, 0},
      {&kRoiClass, &kLookupTableClass, kIpiMismatchObjectClass, 0, 0, 0},
      {&kLookupTableClass, &kLookupTableClass, 0, 153, 8, 3},
      {&kTupleClass, &kCompositeIdArrayClass, kIpiMismatchObjectClass, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.cls->name) + " from " + c.template_class->name);
    IpiObject* tmpl = Create(c.template_class, nullptr, {{"xDimension", 7}, {"yDimension", 5}, {"bDimension", 3}, {"zDimension", 2}});
    ASSERT_NE(tmpl, nullptr);
    IpiObject* obj = Create(c.cls, tmpl);
    if (c.status != 0) {
      EXPECT_EQ(obj, nullptr);
      EXPECT_EQ(IpiGetLastError(sys_), c.status);
      continue;
    }
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(Get(obj, "dataType"), c.data_type);
    EXPECT_EQ(Get(obj, "dataPrecision"), c.precision);
    EXPECT_EQ(Get(obj, "bDimension"), c.b_dimension);
    EXPECT_EQ(Get(obj, "xDimension"), 7);
    EXPECT_EQ(Get(obj, "yDimension"), 5);
  }
}

TEST_F(ObjectTreeTest, DeletingATemplateKillsEverythingMadeFromIt) {
  IpiObject* root = Create(&kGenericImageClass);
  IpiObject* child = Create(&kGenericImageClass, root);
  IpiObject* grandchild = Create(&kRoiClass, child);
  IpiObject* sibling = Create(&kGenericImageClass, root);
  IpiObject* other = Create(&kGenericImageClass);
  const uint32_t grandchild_id = IpiObjectId(grandchild);
  ASSERT_EQ(IpiObjectFromId(sys_, grandchild_id), grandchild);
  ASSERT_EQ(IpiDeleteObject(sys_, root), 0);
  for (IpiObject* dead : {root, child, grandchild, sibling}) {
    EXPECT_EQ(IpiCheckObject(sys_, dead), nullptr);
    EXPECT_EQ(IpiGetLastError(sys_), kIpiInvalidInstance);
  }
  EXPECT_EQ(IpiObjectFromId(sys_, grandchild_id), nullptr);
  EXPECT_EQ(IpiCheckObject(sys_, other), other);
  EXPECT_EQ(IpiDeleteObject(sys_, root), kIpiInvalidInstance);
  EXPECT_EQ(IpiSetAttribute(sys_, child, "xDimension", 4), kIpiInvalidInstance);
  EXPECT_EQ(Create(&kGenericImageClass, child), nullptr);
  // A new object never takes over a dead one's pointer or id.
  IpiObject* fresh = Create(&kGenericImageClass);
  EXPECT_NE(fresh, root);
  EXPECT_GT(IpiObjectId(fresh), grandchild_id);
  EXPECT_EQ(IpiFindObject(other, fresh), fresh);
  EXPECT_EQ(IpiFindObject(other, root), nullptr);
}

TEST_F(ObjectTreeTest, LongChainsDoNotExhaustTheStack) {
  for (int i = 0; i < 100000; ++i) ASSERT_NE(Create(&kTupleClass), nullptr);
  IpiObject* deep = Create(&kGenericImageClass);
  IpiObject* head = deep;
  for (int i = 0; i < 10000; ++i) {
    deep = Create(&kGenericImageClass, deep);
    ASSERT_NE(deep, nullptr);
  }
  EXPECT_EQ(IpiCheckObject(sys_, deep), deep);
  ASSERT_EQ(IpiDeleteObject(sys_, head), 0);
  EXPECT_EQ(IpiCheckObject(sys_, deep), nullptr);
}

TEST_F(ObjectTreeTest, ATemplateCopyOwnsNoDataBlockOrFile) {
  HGLOBAL block = GlobalAlloc(GHND, 64);
  void* bytes = GlobalLock(block);
  IpiObject* tmpl = Create(&kGenericImageClass, nullptr,
                           {{"repository", kRepositoryGlobalBlock},
                            {"workSpace", reinterpret_cast<intptr_t>(bytes)},
                            {"workSpaceHandle", block},
                            {"applicationAddressSpace", 1234},
                            {"fileName", reinterpret_cast<intptr_t>("kept.tif")},
                            {"fileFormat", kFormatBmp},
                            {"inited", 1}});
  IpiObject* copy = Create(&kGenericImageClass, tmpl);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(Get(copy, "workSpace"), 0);
  EXPECT_EQ(Get(copy, "workSpaceHandle"), 0);
  EXPECT_EQ(Get(copy, "applicationAddressSpace"), 0);
  EXPECT_EQ(Get(copy, "fileName"), 0);
  EXPECT_EQ(Get(copy, "fileFormat"), kFormatBmp);
  EXPECT_EQ(Get(copy, "repository"), kRepositoryGlobalBlock);
  ASSERT_EQ(IpiDeleteObject(sys_, copy), 0);
  EXPECT_EQ(GlobalSize(block), 64u);  // still the template's
  ASSERT_EQ(IpiDeleteObject(sys_, tmpl), 0);
  EXPECT_EQ(GlobalSize(block), 0u);  // released with its owner
}

TEST_F(ObjectTreeTest, TemporaryFilesAreRemovedWithTheirObject) {
  // Three ways out: delete, close, and an object that never received data.
  for (int way = 0; way < 3; ++way) {
    SCOPED_TRACE(way);
    plat::TempFile temp;
    ASSERT_TRUE(plat::TempFile::Create(temp));
    const std::string path = temp.Release();
    IpiObject* obj = Create(&kGenericImageClass);
    obj->file_name = path;
    obj->flags |= kObjectTempFile;
    if (way == 0) obj->flags |= kObjectInited;
    EXPECT_EQ(Get(obj, "tmpnam"), 1);
    if (way == 1) {
      ASSERT_EQ(IpiCloseSystem(sys_), 0);
      sys_ = IpiOpenSystem(nullptr);
    } else {
      ASSERT_EQ(IpiDeleteObject(sys_, obj), 0);
    }
    EXPECT_FALSE(plat::FileExists(path));
  }
}

TEST_F(ObjectTreeTest, ACallerNamedFileStaysOnDisk) {
  plat::TempFile temp;
  ASSERT_TRUE(plat::TempFile::Create(temp));
  IpiObject* obj = Create(&kGenericImageClass, nullptr, {{"fileName", reinterpret_cast<intptr_t>(temp.path().c_str())}, {"inited", 1}});
  ASSERT_EQ(IpiDeleteObject(sys_, obj), 0);
  EXPECT_TRUE(plat::FileExists(temp.path()));
}

TEST_F(ObjectTreeTest, FormatExtrasAreCopiedNotShared) {
  const uint32_t offsets[] = {8, 100};
  const uint32_t resolution[] = {300, 1};
  IpiObject* tmpl = Create(&kGenericImageClass, nullptr,
                           {{"fileFormat", kFormatTiff}, {"stripsPerImage", 2},
                            {"stripOffsets", reinterpret_cast<intptr_t>(offsets)},
                            {"xResolution", reinterpret_cast<intptr_t>(resolution)},
                            {"rowsPerStrip", 16}});
  IpiObject* copy = Create(&kGenericImageClass, tmpl);
  ASSERT_NE(copy, nullptr);
  const uint32_t changed[] = {1, 2};
  ASSERT_EQ(IpiSetAttributes(sys_, tmpl, std::vector<IpiAttribute>{{"stripOffsets", reinterpret_cast<intptr_t>(changed)}, {"rowsPerStrip", 3}}.data(), 2), 0);
  auto* copied = reinterpret_cast<const uint32_t*>(Get(copy, "stripOffsets"));
  ASSERT_NE(copied, nullptr);
  EXPECT_NE(copied, reinterpret_cast<const uint32_t*>(Get(tmpl, "stripOffsets")));
  EXPECT_EQ(copied[0], 8u);
  EXPECT_EQ(copied[1], 100u);
  EXPECT_EQ(Get(copy, "rowsPerStrip"), 16);
  auto* copied_resolution = reinterpret_cast<const uint32_t*>(Get(copy, "xResolution"));
  ASSERT_NE(copied_resolution, nullptr);
  EXPECT_EQ(copied_resolution[0], 300u);

  const uint8_t alpha[] = {0, 128};
  IpiObject* png = Create(&kGenericImageClass, nullptr,
                          {{"fileFormat", kFormatPng}, {"transparencyEntry", 2},
                           {"transparencyPaletteIndex", reinterpret_cast<intptr_t>(alpha)},
                           {"copyright", reinterpret_cast<intptr_t>("(c) someone")}});
  IpiObject* png_copy = Create(&kGenericImageClass, png);
  ASSERT_EQ(IpiSetAttribute(sys_, png, "copyright", 0), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(Get(png_copy, "copyright")), "(c) someone");
  auto* copied_alpha = reinterpret_cast<const uint8_t*>(Get(png_copy, "transparencyPaletteIndex"));
  ASSERT_NE(copied_alpha, nullptr);
  EXPECT_EQ(copied_alpha[1], 128);
  EXPECT_EQ(copied_alpha[2], 255);
}

TEST_F(ObjectTreeTest, NamesAreKeptUntilRelease) {
  IpiObject* obj = IpiCreateObject(sys_, "oImage", &kGenericImageClass, nullptr, nullptr, 0);
  ASSERT_NE(obj, nullptr);
  EXPECT_EQ(obj->name, "oImage");
}

}  // namespace

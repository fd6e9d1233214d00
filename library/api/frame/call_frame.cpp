#include "api/frame/call_frame.h"

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "interchange/dib/dib.h"

namespace {
constexpr int32_t kPackedDibFormat = 255;
}  // namespace

CmiCall::CmiCall(int32_t* status, const IpiAttributePair* pairs, int32_t count)
    : status_(status != nullptr ? status : &local_status_), options_(pairs, count) {
  *status_ = 0;
}

CmiCall::~CmiCall() { (void)Close(); }

bool CmiCall::Begin(bool arguments_ok) {
  if (arguments_ok && options_.valid()) return true;
  Fail(kCmiStatusBadArgument);
  return false;
}

const CmiSource* CmiCall::LockSource(HGLOBAL handle) {
  void* bytes = handle != 0 ? GlobalLock(handle) : nullptr;
  if (bytes == nullptr) {
    Fail(kCmiStatusSystemFailure);
    return nullptr;
  }
  auto source = std::make_unique<CmiSource>();
  source->handle = handle;
  source->bytes = static_cast<const uint8_t*>(bytes);
  sources_.push_back(std::move(source));
  const CmiSource* locked = sources_.back().get();
  const int rc = ValidatePackedBitmap(bytes, GlobalSize(handle), &sources_.back()->info);
  if (rc != 0) {
    Fail(rc);
    return nullptr;
  }
  return locked;
}

bool CmiCall::OpenContext() {
  sys_ = IpiOpenSystem(nullptr);
  if (sys_ != nullptr) return true;
  Fail(kCmiStatusSystemFailure);
  return false;
}

IpiObject* CmiCall::ImportSource(const CmiSource& source, const char* image_name, const char* palette_name) {
  IpiObject* palette = CreateObject(palette_name, &kLookupTableClass, nullptr);
  if (palette == nullptr) return nullptr;
  IpiObject* image = CreateObject(image_name, &kGenericImageClass, nullptr,
                                  {{"repository", repository()}, {"lut", static_cast<intptr_t>(IpiObjectId(palette))}});
  if (image == nullptr) return nullptr;
  const IpiAttribute size_pair[] = {{"size", static_cast<intptr_t>(source.info.handle_bytes)}};
  if (!Ok(IpiImportDib(sys_, source.bytes, image, kPackedDibFormat, size_pair, 1))) return nullptr;
  return image;
}

IpiObject* CmiCall::CreateImage(const char* name, IpiObject* template_object,
                                std::initializer_list<IpiAttribute> pairs) {
  return CreateObject(name, &kGenericImageClass, template_object, pairs);
}

IpiObject* CmiCall::CreateObject(const char* name, const IpiObjectClass* cls, IpiObject* template_object,
                                 std::initializer_list<IpiAttribute> pairs) {
  IpiObject* object =
      IpiCreateObject(sys_, name, cls, template_object, pairs.begin(), static_cast<int>(pairs.size()));
  if (object == nullptr) FailFromContext();
  return object;
}

HGLOBAL CmiCall::Fail(int code) {
  if (code != 0 && *status_ == 0) Set(code);
  return 0;
}

HGLOBAL CmiCall::FailFromContext() {
  const int last = sys_ != nullptr ? IpiGetLastError(sys_) : 0;
  return Fail(last != 0 ? last : kIpiSyntaxError);
}

HGLOBAL CmiCall::Finish(IpiObject* result) {
  HGLOBAL handle = 0;
  if (!failed()) {
    int32_t rc = 0;
    handle = ObjectToPackedDib(sys_, result, &rc);
    Fail(rc);
  }
  Close();
  if (failed() && handle != 0) {
    (void)GlobalFree(handle);
    handle = 0;
  }
  return handle;
}

int32_t CmiCall::Close() {
  if (sys_ != nullptr) {
    const int rc = IpiCloseSystem(sys_);
    sys_ = nullptr;
    Fail(rc);
  }
  for (const auto& source : sources_) (void)GlobalUnlock(source->handle);
  sources_.clear();
  return *status_;
}

// TClipboard over the window system's clipboard, owned by the application's
// window. Blocks handed to the clipboard are copies; what the clipboard
// returns stays the clipboard's.
#include "plat/forms/clipbrd.h"

#include <cstring>
#include <memory>

#include "plat/clipboard.h"
#include "plat/forms/bitmap.h"
#include "plat/forms/exceptions.h"
#include "plat/forms/forms.h"
#include "plat/global_memory.h"

namespace plat {
namespace {

// Puts a copy of `bytes` under `format` (the clipboard is open).
void PutBytes(UINT format, const void* bytes, size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (block == 0) throw EOutOfMemory("Out of memory for the clipboard");
  void* target = GlobalLock(block);
  if (size > 0) std::memcpy(target, bytes, size);
  GlobalUnlock(block);
  if (SetClipboardData(format, block) == 0) {
    GlobalFree(block);
    throw EInvalidOperation("The clipboard refused the data");
  }
}

// Keeps the clipboard open for one operation.
class OpenScope {
 public:
  explicit OpenScope(TClipboard* clipboard) : clipboard_(clipboard) { clipboard_->Open(); }
  ~OpenScope() { clipboard_->Close(); }
  OpenScope(const OpenScope&) = delete;
  OpenScope& operator=(const OpenScope&) = delete;

 private:
  TClipboard* clipboard_;
};

// The file header a packed DIB lacks: "BM", the size, and where the pixels start.
constexpr size_t kFileHeaderBytes = 14;

}  // namespace

TClipboard::~TClipboard() {
  if (open_count_ > 0) CloseClipboard();
}

void TClipboard::Open() {
  if (open_count_ == 0) {
    HWND owner = Application != nullptr ? Application->Handle() : nullptr;
    if (!OpenClipboard(owner)) throw EInvalidOperation("Cannot open clipboard");
    is_emptied_ = false;
  }
  ++open_count_;
}

void TClipboard::Close() {
  if (open_count_ == 0) return;
  if (--open_count_ == 0) CloseClipboard();
}

void TClipboard::EmptyOnce() {
  if (is_emptied_) return;
  EmptyClipboard();
  is_emptied_ = true;
}

void TClipboard::Clear() {
  OpenScope open(this);
  EmptyClipboard();
  is_emptied_ = true;
}

bool TClipboard::HasFormat(UINT format) const { return IsClipboardFormatAvailable(format) != FALSE; }

std::string TClipboard::AsText() {
  OpenScope open(this);
  HGLOBAL block = GetClipboardData(CF_TEXT);
  if (block == 0) return {};
  const auto* bytes = static_cast<const char*>(GlobalLock(block));
  if (bytes == nullptr) return {};
  const size_t size = GlobalSize(block);
  std::string text(bytes, strnlen(bytes, size));
  GlobalUnlock(block);
  return text;
}

void TClipboard::SetAsText(const std::string& text) {
  OpenScope open(this);
  EmptyOnce();
  PutBytes(CF_TEXT, text.c_str(), text.size() + 1);
}

void TClipboard::SetAsHandle(UINT format, HGLOBAL block) {
  const size_t size = GlobalSize(block);
  const void* bytes = GlobalLock(block);
  if (bytes == nullptr) throw EInvalidOperation("Not a global memory block");
  struct Unlock {
    HGLOBAL block;
    ~Unlock() { GlobalUnlock(block); }
  } unlock{block};
  OpenScope open(this);
  EmptyOnce();
  PutBytes(format, bytes, size);
}

HGLOBAL TClipboard::GetAsHandle(UINT format) {
  OpenScope open(this);
  return GetClipboardData(format);
}

void TClipboard::Assign(const TPersistent* source) {
  const auto* bitmap = dynamic_cast<const TBitmap*>(source);
  if (bitmap == nullptr) {
    AssignError(source);
  }
  // A 24-bit copy goes to the clipboard; the source keeps its own pixels.
  TBitmap copy;
  copy.Assign(bitmap);
  copy.SetPixelFormat(pf24bit);
  TMemoryStream stream;
  copy.SaveToStream(stream);
  if (stream.Length() <= kFileHeaderBytes) throw EInvalidGraphic("The picture is empty");
  OpenScope open(this);
  EmptyClipboard();
  is_emptied_ = true;
  PutBytes(CF_DIB, stream.Memory() + kFileHeaderBytes, stream.Length() - kFileHeaderBytes);
}

void TClipboard::AssignTo(TPersistent* dest) const {
  auto* bitmap = dynamic_cast<TBitmap*>(dest);
  if (bitmap == nullptr) {
    TPersistent::AssignTo(dest);
    return;
  }
  auto* self = const_cast<TClipboard*>(this);
  OpenScope open(self);
  HGLOBAL block = GetClipboardData(CF_DIB);
  if (block == 0) throw EInvalidGraphic("The clipboard holds no picture");
  const size_t size = GlobalSize(block);
  const auto* dib = static_cast<const uint8_t*>(GlobalLock(block));
  if (dib == nullptr) throw EInvalidGraphic("The clipboard holds no picture");
  struct Unlock {
    HGLOBAL block;
    ~Unlock() { GlobalUnlock(block); }
  } unlock{block};
  // The pixels follow the header and the palette; the bitmap's reader checks both.
  TMemoryStream stream;
  const uint64_t file_bytes = kFileHeaderBytes + static_cast<uint64_t>(size);
  uint32_t header_bytes = size >= 4 ? static_cast<uint32_t>(dib[0] | dib[1] << 8 | dib[2] << 16 | dib[3] << 24) : 0;
  uint32_t colours = 0;
  if (size >= 36) {
    const unsigned bits = dib[14] | dib[15] << 8;
    colours = static_cast<uint32_t>(dib[32] | dib[33] << 8 | dib[34] << 16 | dib[35] << 24);
    if (colours == 0 && bits <= 8) colours = 1u << bits;
  }
  const uint64_t offset = kFileHeaderBytes + static_cast<uint64_t>(header_bytes) + uint64_t{colours} * 4;
  const uint8_t file_header[kFileHeaderBytes] = {
      'B', 'M',
      static_cast<uint8_t>(file_bytes), static_cast<uint8_t>(file_bytes >> 8), static_cast<uint8_t>(file_bytes >> 16),
      static_cast<uint8_t>(file_bytes >> 24), 0, 0, 0, 0,
      static_cast<uint8_t>(offset), static_cast<uint8_t>(offset >> 8), static_cast<uint8_t>(offset >> 16),
      static_cast<uint8_t>(offset >> 24)};
  stream.Write(file_header, kFileHeaderBytes);
  stream.Write(dib, static_cast<int64_t>(size));
  stream.Seek(0, TSeekOrigin::soBeginning);
  bitmap->LoadFromStream(stream);
}

TClipboard* Clipboard() {
  static auto* clipboard = new TClipboard;
  return clipboard;
}

}  // namespace plat

// The clipboard. It keeps only copies: a CF_DIB passes the packed-DIB gate
// before it is stored, CF_BITMAP is stored as CF_DIB, CF_TEXT as UTF-8. The
// block given to SetClipboardData belongs to the clipboard from then on: it
// is freed at once, so a later GlobalFree by the caller fails and frees
// nothing. Blocks handed out by GetClipboardData stay the clipboard's; one
// freed by mistake is made again from the stored copy.
#include "plat/clipboard.h"

#include <cstring>
#include <map>
#include <vector>

#include "plat/gdi.h"
#include "plat/packed_dib.h"
#include "user/text_util.h"
#include "user/window_system.h"

namespace plat {

namespace user {

namespace {

struct ClipboardState {
  bool is_open = false;
  HWND opener = nullptr;
  HWND owner = nullptr;
  bool is_changed = false;  // since OpenClipboard
  bool holds_ours = false;  // our formats are what the system offers
  std::map<UINT, std::vector<uint8_t>> formats;
  std::map<UINT, HGLOBAL> handed_out;
  HBITMAP bitmap = nullptr;  // CF_BITMAP made for a reader
  std::map<std::string, UINT> registered;  // folded name to id
  std::map<UINT, std::string> names;
  UINT next_format = kFirstRegisteredClipboardFormat;
};

ClipboardState& Clip() {
  static auto* clipboard = new ClipboardState;
  return *clipboard;
}

void DropHandedOut(ClipboardState& clip) {
  for (auto& [format, block] : clip.handed_out) {
    if (GlobalSize(block) != 0) GlobalFree(block);
  }
  clip.handed_out.clear();
  if (clip.bitmap != nullptr) {
    DeleteObject(clip.bitmap);
    clip.bitmap = nullptr;
  }
}

std::vector<uint8_t> BlockBytes(HGLOBAL block) {
  std::vector<uint8_t> bytes;
  const size_t size = GlobalSize(block);
  const void* data = GlobalLock(block);
  if (data == nullptr) return bytes;
  bytes.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
  GlobalUnlock(block);
  return bytes;
}

HGLOBAL BlockOf(const std::vector<uint8_t>& bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.empty() ? 1 : bytes.size());
  if (block == 0) return 0;
  if (!bytes.empty()) {
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
  }
  return block;
}

// A bitmap as a packed DIB: 24-bit bottom-up BI_RGB rows.
std::vector<uint8_t> DibOfBitmap(HBITMAP bitmap) {
  BITMAP info{};
  if (GetObject(bitmap, sizeof(info), &info) == 0 || info.bmWidth <= 0 || info.bmHeight <= 0) return {};
  BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  header.bmiHeader.biWidth = info.bmWidth;
  header.bmiHeader.biHeight = info.bmHeight;
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 24;
  header.bmiHeader.biCompression = BI_RGB;
  const size_t stride = (static_cast<size_t>(info.bmWidth) * 24 + 31) / 32 * 4;
  const size_t pixels = stride * static_cast<size_t>(info.bmHeight);
  header.bmiHeader.biSizeImage = static_cast<DWORD>(pixels);
  std::vector<uint8_t> dib(sizeof(BITMAPINFOHEADER) + pixels);
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), dib.data() + sizeof(BITMAPINFOHEADER),
                             &header, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != info.bmHeight) return {};
  std::memcpy(dib.data(), &header.bmiHeader, sizeof(BITMAPINFOHEADER));
  return dib;
}

std::string NameOf(const ClipboardState& clip, UINT format) {
  auto found = clip.names.find(format);
  return found == clip.names.end() ? std::string() : found->second;
}

// Another program's data for `format`, checked like ours.
std::optional<std::vector<uint8_t>> FetchForeign(const ClipboardState& clip, UINT format) {
  auto bytes = Backend().SystemClipboard().Fetch(format, NameOf(clip, format));
  if (!bytes) return std::nullopt;
  if (format == CF_DIB && !ValidatePackedDib(bytes->data(), bytes->size())) return std::nullopt;
  return bytes;
}

}  // namespace

void ClipboardChangedElsewhere() {
  ClipboardState& clip = Clip();
  if (clip.is_open) return;  // our own change in progress
  clip.holds_ours = false;
  clip.formats.clear();
  DropHandedOut(clip);
  clip.owner = nullptr;
}

}  // namespace user

BOOL OpenClipboard(HWND owner) {
  user::ClipboardState& clip = user::Clip();
  if (clip.is_open) return FailWith<BOOL>(FALSE, ERROR_ACCESS_DENIED);
  if (owner != nullptr && !user::RequireWindow(owner)) return FALSE;
  clip.is_open = true;
  clip.opener = owner;
  clip.is_changed = false;
  return TRUE;
}

BOOL CloseClipboard() {
  user::ClipboardState& clip = user::Clip();
  if (!clip.is_open) return FailWith<BOOL>(FALSE, ERROR_CLIPBOARD_NOT_OPEN);
  clip.is_open = false;
  if (clip.is_changed) {
    std::vector<backend::ClipboardItem> items;
    for (const auto& [format, bytes] : clip.formats) {
      items.push_back(backend::ClipboardItem{format, user::NameOf(clip, format), bytes});
    }
    user::Backend().SystemClipboard().Publish(items);
    clip.holds_ours = true;
  }
  return TRUE;
}

BOOL EmptyClipboard() {
  user::ClipboardState& clip = user::Clip();
  if (!clip.is_open) return FailWith<BOOL>(FALSE, ERROR_CLIPBOARD_NOT_OPEN);
  if (clip.owner != nullptr && clip.owner != clip.opener && IsWindow(clip.owner)) {
    SendMessage(clip.owner, WM_DESTROYCLIPBOARD, 0, 0);
  }
  clip.formats.clear();
  user::DropHandedOut(clip);
  clip.owner = clip.opener;
  clip.is_changed = true;
  clip.holds_ours = true;
  return TRUE;
}

HGLOBAL SetClipboardData(UINT format, HGLOBAL data) {
  user::ClipboardState& clip = user::Clip();
  if (!clip.is_open) return FailWith<HGLOBAL>(0, ERROR_CLIPBOARD_NOT_OPEN);
  if (format == 0 || format == CF_BITMAP || data == 0 || GlobalSize(data) == 0) {
    return FailWith<HGLOBAL>(0, ERROR_INVALID_PARAMETER);
  }
  std::vector<uint8_t> bytes = user::BlockBytes(data);
  if (format == CF_DIB) {
    // Only a DIB the gate accepts is stored; a refused block stays the caller's.
    const auto view = ValidatePackedDib(bytes.data(), bytes.size());
    if (!view) return FailWith<HGLOBAL>(0, ERROR_INVALID_DATA);
  } else if (format == CF_TEXT) {
    bytes.resize(strnlen(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
  if (!clip.holds_ours) {
    clip.formats.clear();
    user::DropHandedOut(clip);
    clip.holds_ours = true;
  }
  clip.formats[format] = std::move(bytes);
  if (auto old = clip.handed_out.find(format); old != clip.handed_out.end()) {
    if (GlobalSize(old->second) != 0) GlobalFree(old->second);
    clip.handed_out.erase(old);
  }
  clip.is_changed = true;
  // The block is the clipboard's now: freeing it here kills its handle for everyone else.
  GlobalFree(data);
  return data;
}

HBITMAP SetClipboardData(UINT format, HBITMAP bitmap) {
  user::ClipboardState& clip = user::Clip();
  if (!clip.is_open) return FailWith<HBITMAP>(nullptr, ERROR_CLIPBOARD_NOT_OPEN);
  if (format != CF_BITMAP) return FailWith<HBITMAP>(nullptr, ERROR_INVALID_PARAMETER);
  std::vector<uint8_t> dib = user::DibOfBitmap(bitmap);
  if (dib.empty()) return FailWith<HBITMAP>(nullptr, ERROR_INVALID_DATA);
  HGLOBAL block = user::BlockOf(dib);
  if (block == 0 || SetClipboardData(CF_DIB, block) == 0) return nullptr;
  DeleteObject(bitmap);  // the bitmap went to the clipboard too
  return bitmap;
}

HGLOBAL GetClipboardData(UINT format) {
  user::ClipboardState& clip = user::Clip();
  if (!clip.is_open) return FailWith<HGLOBAL>(0, ERROR_CLIPBOARD_NOT_OPEN);
  const UINT stored_format = format == CF_BITMAP ? CF_DIB : format;
  std::vector<uint8_t> bytes;
  if (clip.holds_ours) {
    auto found = clip.formats.find(stored_format);
    if (found == clip.formats.end()) return 0;
    bytes = found->second;
  } else {
    auto fetched = user::FetchForeign(clip, stored_format);
    if (!fetched) return 0;
    bytes = std::move(*fetched);
  }
  if (format == CF_BITMAP) {
    if (clip.bitmap == nullptr) {
      const auto* info = reinterpret_cast<const BITMAPINFO*>(bytes.data());
      const auto view = ValidatePackedDib(bytes.data(), bytes.size());
      if (!view) return 0;
      HDC screen = GetDC(nullptr);
      clip.bitmap = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, view->bits, info, DIB_RGB_COLORS);
      ReleaseDC(nullptr, screen);
    }
    return HandleId(clip.bitmap);
  }
  if (format == CF_TEXT) bytes.push_back(0);
  HGLOBAL& block = clip.handed_out[format];
  if (block == 0 || GlobalSize(block) == 0) block = user::BlockOf(bytes);
  return block;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  user::ClipboardState& clip = user::Clip();
  const UINT stored_format = format == CF_BITMAP ? CF_DIB : format;
  if (clip.holds_ours) return clip.formats.count(stored_format) != 0 ? TRUE : FALSE;
  return user::Backend().SystemClipboard().Available(stored_format, user::NameOf(clip, stored_format)) ? TRUE : FALSE;
}

UINT RegisterClipboardFormat(const char* name) {
  if (name == nullptr || name[0] == '\0') return FailWith<UINT>(0, ERROR_INVALID_PARAMETER);
  user::ClipboardState& clip = user::Clip();
  const std::string key = user::Folded(name);
  auto found = clip.registered.find(key);
  if (found != clip.registered.end()) return found->second;
  if (clip.next_format > 0xFFFF) return FailWith<UINT>(0, ERROR_NOT_ENOUGH_QUOTA);
  const UINT id = clip.next_format++;
  clip.registered.emplace(key, id);
  clip.names.emplace(id, name);
  return id;
}

int GetClipboardFormatName(UINT format, char* out, int max_chars) {
  user::ClipboardState& clip = user::Clip();
  auto found = clip.names.find(format);
  if (found == clip.names.end()) return 0;
  return user::CopyTextOut(found->second, out, max_chars);
}

HWND GetClipboardOwner() { return user::Clip().owner; }

}  // namespace plat

// File types, the built-in system images, and links (symbolic links and
// ".desktop" files). Type names are the ones a Japanese desktop shows.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <mutex>
#include <vector>

#include "plat/gdi.h"
#include "plat/image_list.h"
#include "plat/user.h"
#include "shell/shell_internal.h"

namespace plat {

namespace {

constexpr const char* kFolderTypeName = "ファイル フォルダ";
constexpr const char* kShortcutTypeName = "ショートカット";
constexpr const char* kPlainFileTypeName = "ファイル";
constexpr const char* kDesktopLinkSuffix = ".desktop";

struct ExtensionType {
  const char* extension;  // lower case, without the dot
  const char* type_name;
  ShellImage image;
};

constexpr std::array<ExtensionType, 17> kExtensionTypes{{
    {"txt", "テキスト ドキュメント", ShellImage::kFile},
    {"ini", "構成設定", ShellImage::kFile},
    {"htm", "HTML ドキュメント", ShellImage::kFile},
    {"html", "HTML ドキュメント", ShellImage::kFile},
    {"exe", "アプリケーション", ShellImage::kProgram},
    {"dll", "アプリケーション拡張", ShellImage::kFile},
    {"bmp", "ビットマップ イメージ", ShellImage::kImage},
    {"tif", "TIFF イメージ", ShellImage::kImage},
    {"tiff", "TIFF イメージ", ShellImage::kImage},
    {"jpg", "JPEG イメージ", ShellImage::kImage},
    {"jpeg", "JPEG イメージ", ShellImage::kImage},
    {"jpe", "JPEG イメージ", ShellImage::kImage},
    {"gif", "GIF イメージ", ShellImage::kImage},
    {"png", "PNG イメージ", ShellImage::kImage},
    {"pcx", "PCX イメージ", ShellImage::kImage},
    {"pcd", "Photo CD イメージ", ShellImage::kImage},
    {"desktop", "ショートカット", ShellImage::kLink},
}};

bool EndsWith(const std::string& text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The extension of the last segment without its dot; empty when none (a
// leading dot alone names a hidden file, not an extension).
std::string ExtensionOf(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return {};
  return name.substr(dot + 1);
}

std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string AsciiUpper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

struct Facts {
  bool is_folder = false;
  bool is_link = false;
  bool is_executable = false;
  bool is_read_only = false;
};

// ---- The built-in images -------------------------------------------------------------------

constexpr COLORREF kKeyColour = RGB(255, 0, 255);

struct Canvas {
  int size;
  int x0;  // this image's left edge in the strip
  int width;
  std::vector<uint32_t>& pixels;  // 0x00RRGGBB, kKeyColour's pixel where transparent
  // A rectangle in sixteenths of the image.
  void Fill(int left, int top, int right, int bottom, COLORREF colour) {
    const uint32_t pixel = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    for (int y = top * size / 16; y < bottom * size / 16; ++y) {
      for (int x = left * size / 16; x < right * size / 16; ++x) {
        pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x0 + x)] = pixel;
      }
    }
  }
  void Framed(int left, int top, int right, int bottom, COLORREF face, COLORREF edge) {
    Fill(left, top, right, bottom, edge);
    Fill(left + 1, top + 1, right - 1, bottom - 1, face);
  }
};

void DrawLinkArrow(Canvas& canvas) {
  canvas.Framed(0, 9, 7, 16, RGB(255, 255, 255), RGB(0, 0, 0));
  canvas.Fill(2, 13, 5, 14, RGB(0, 0, 0));
  canvas.Fill(4, 11, 5, 14, RGB(0, 0, 0));
}

void DrawImage(Canvas& canvas, ShellImage image) {
  switch (image) {
    case ShellImage::kFolder:
      canvas.Framed(1, 2, 7, 5, RGB(240, 200, 80), RGB(128, 96, 0));
      canvas.Framed(1, 4, 15, 14, RGB(248, 216, 104), RGB(128, 96, 0));
      break;
    case ShellImage::kFile: canvas.Framed(3, 1, 13, 15, RGB(255, 255, 255), RGB(96, 96, 96)); break;
    case ShellImage::kLink:
      canvas.Framed(3, 1, 13, 15, RGB(255, 255, 255), RGB(96, 96, 96));
      DrawLinkArrow(canvas);
      break;
    case ShellImage::kDrive:
      canvas.Framed(1, 5, 15, 12, RGB(192, 192, 192), RGB(64, 64, 64));
      canvas.Fill(11, 9, 13, 10, RGB(0, 192, 0));
      break;
    case ShellImage::kProgram:
      canvas.Framed(1, 2, 15, 14, RGB(255, 255, 255), RGB(64, 64, 64));
      canvas.Fill(2, 3, 14, 5, RGB(0, 0, 128));
      break;
    case ShellImage::kImage:
      canvas.Framed(2, 2, 14, 14, RGB(160, 208, 255), RGB(64, 64, 64));
      canvas.Fill(3, 9, 13, 13, RGB(64, 160, 64));
      canvas.Fill(9, 4, 11, 6, RGB(255, 224, 0));
      break;
  }
}

constexpr int kImageCount = 6;

// A strip of the given images at `size` pixels, transparent in kKeyColour.
std::vector<uint32_t> PaintStrip(int size, const std::vector<ShellImage>& images, bool has_link_arrow) {
  const int width = size * static_cast<int>(images.size());
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(size), 0x00FF00FF);
  for (size_t i = 0; i < images.size(); ++i) {
    Canvas canvas{size, size * static_cast<int>(i), width, pixels};
    DrawImage(canvas, images[i]);
    if (has_link_arrow) DrawLinkArrow(canvas);
  }
  return pixels;
}

HIMAGELIST MakeSystemList(int size) {
  std::vector<ShellImage> all;
  for (int i = 0; i < kImageCount; ++i) all.push_back(static_cast<ShellImage>(i));
  std::vector<uint32_t> pixels = PaintStrip(size, all, false);
  HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, kImageCount, 0);
  HBITMAP strip = CreateBitmap(size * kImageCount, size, 1, 32, pixels.data());
  if (list != nullptr && strip != nullptr) ImageList_AddMasked(list, strip, kKeyColour);
  if (strip != nullptr) DeleteObject(strip);
  return list;
}

// The system image lists live as long as the process, as the system's do.
HIMAGELIST SystemImageList(bool is_small) {
  static std::once_flag made;
  static HIMAGELIST small_list = nullptr;
  static HIMAGELIST large_list = nullptr;
  std::call_once(made, [] {
    small_list = MakeSystemList(16);
    large_list = MakeSystemList(32);
  });
  return is_small ? small_list : large_list;
}

// A new icon of one image, with the link arrow over it when asked.
HICON MakeIcon(ShellImage image, int size, bool has_link_arrow) {
  std::vector<uint32_t> pixels = PaintStrip(size, {image}, has_link_arrow);
  const int row_bytes = ((size + 15) / 16) * 2;
  std::vector<uint8_t> mask(static_cast<size_t>(row_bytes) * static_cast<size_t>(size), 0);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      uint32_t& pixel = pixels[static_cast<size_t>(y) * static_cast<size_t>(size) + static_cast<size_t>(x)];
      if (pixel == 0x00FF00FF) {
        pixel = 0;
        mask[static_cast<size_t>(y * row_bytes + x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
      } else {
        pixel |= 0xFF000000u;
      }
    }
  }
  ICONINFO info;
  info.hbmMask = CreateBitmap(size, size, 1, 1, mask.data());
  info.hbmColor = CreateBitmap(size, size, 1, 32, pixels.data());
  HICON icon = info.hbmMask != nullptr && info.hbmColor != nullptr ? CreateIconIndirect(&info) : nullptr;
  if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  return icon;
}

// ---- Types -----------------------------------------------------------------------------------

const ExtensionType* KnownExtension(const std::string& name) {
  const std::string extension = AsciiLower(ExtensionOf(name));
  if (extension.empty()) return nullptr;
  for (const ExtensionType& row : kExtensionTypes) {
    if (extension == row.extension) return &row;
  }
  return nullptr;
}

std::string TypeNameOf(const std::string& name, const Facts& facts) {
  if (facts.is_link) return kShortcutTypeName;
  if (facts.is_folder) return kFolderTypeName;
  if (const ExtensionType* known = KnownExtension(name)) return known->type_name;
  const std::string extension = ExtensionOf(name);
  return extension.empty() ? kPlainFileTypeName : AsciiUpper(extension) + " " + kPlainFileTypeName;
}

ShellImage ImageOf(const std::string& path, const std::string& name, const Facts& facts) {
  if (facts.is_folder) return path == "/" ? ShellImage::kDrive : ShellImage::kFolder;
  if (facts.is_link) return ShellImage::kLink;
  if (const ExtensionType* known = KnownExtension(name)) return known->image;
  return facts.is_executable ? ShellImage::kProgram : ShellImage::kFile;
}

// What the file system says of a path; false when nothing is there. A
// symbolic link is a link even when its target is gone.
bool ReadFacts(const std::string& path, Facts* facts) {
  struct stat link_info;
  if (::lstat(path.c_str(), &link_info) != 0) return false;
  struct stat info = link_info;
  const bool is_symlink = S_ISLNK(link_info.st_mode);
  const bool has_target = !is_symlink || ::stat(path.c_str(), &info) == 0;
  facts->is_link = is_symlink || (S_ISREG(info.st_mode) && EndsWith(path, kDesktopLinkSuffix));
  facts->is_folder = has_target && S_ISDIR(info.st_mode);
  facts->is_executable = has_target && S_ISREG(info.st_mode) && (info.st_mode & 0111) != 0;
  facts->is_read_only = has_target && ::access(path.c_str(), W_OK) != 0;
  return true;
}

ULONG AttributesOf(const std::string& name, const Facts& facts) {
  ULONG attributes = SFGAO_FILESYSTEM;
  if (facts.is_folder) attributes |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
  if (facts.is_link) attributes |= SFGAO_LINK;
  if (facts.is_read_only) attributes |= SFGAO_READONLY;
  if (!name.empty() && name.front() == '.') attributes |= SFGAO_HIDDEN;
  return attributes;
}

// One "key=value" of a ".desktop" file's [Desktop Entry] group.
std::optional<std::string> DesktopEntryValue(const std::string& path, std::string_view key) {
  std::ifstream file(path);
  if (!file) return std::nullopt;
  std::string line;
  bool is_in_entry = false;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') {
      is_in_entry = line == "[Desktop Entry]";
      continue;
    }
    if (!is_in_entry || line.size() <= key.size() || line.compare(0, key.size(), key) != 0) continue;
    size_t at = key.size();
    while (at < line.size() && line[at] == ' ') ++at;
    if (at >= line.size() || line[at] != '=') continue;
    ++at;
    while (at < line.size() && line[at] == ' ') ++at;
    if (at < line.size()) return line.substr(at);
  }
  return std::nullopt;
}

}  // namespace

DWORD_PTR SHGetFileInfo(const char* path_or_pidl, DWORD file_attributes, SHFILEINFO* info, UINT flags) {
  if (path_or_pidl == nullptr) return 0;
  std::string path;
  if ((flags & SHGFI_PIDL) != 0) {
    std::optional<std::string> held = shell::PathOfItemList(reinterpret_cast<PCIDLIST_ABSOLUTE>(path_or_pidl));
    if (!held) return 0;
    path = *held;
  } else {
    path = path_or_pidl;
  }
  if (path.empty()) return 0;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const std::string name = shell::LastSegment(path);
  Facts facts;
  if ((flags & SHGFI_USEFILEATTRIBUTES) != 0) {
    facts.is_folder = (file_attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.is_read_only = (file_attributes & FILE_ATTRIBUTE_READONLY) != 0;
    facts.is_link = !facts.is_folder && EndsWith(AsciiLower(name), kDesktopLinkSuffix);
  } else if (!ReadFacts(path, &facts)) {
    return 0;
  }
  const ShellImage image = ImageOf(path, name, facts);
  const bool is_small = (flags & SHGFI_SMALLICON) != 0;
  if (info != nullptr) {
    if ((flags & SHGFI_TYPENAME) != 0) info->szTypeName = TypeNameOf(name, facts);
    if ((flags & SHGFI_DISPLAYNAME) != 0) info->szDisplayName = name;
    if ((flags & SHGFI_ATTRIBUTES) != 0) info->dwAttributes = AttributesOf(name, facts);
    if ((flags & (SHGFI_SYSICONINDEX | SHGFI_ICON)) != 0) info->iIcon = static_cast<int>(image);
    if ((flags & SHGFI_ICON) != 0) {
      info->hIcon = MakeIcon(image, is_small ? 16 : 32, (flags & SHGFI_LINKOVERLAY) != 0 && facts.is_link);
    }
  }
  if ((flags & SHGFI_SYSICONINDEX) != 0) return reinterpret_cast<DWORD_PTR>(SystemImageList(is_small));
  return 1;
}

std::optional<std::string> ResolveShortcut(const char* path) {
  if (path == nullptr || path[0] == '\0') return std::nullopt;
  const std::string link(path);
  struct stat info;
  if (::lstat(link.c_str(), &info) != 0) return std::nullopt;
  if (S_ISLNK(info.st_mode)) {
    // The target as the link names it, read whole whatever its length.
    std::string target(256, '\0');
    for (;;) {
      const ssize_t length = ::readlink(link.c_str(), target.data(), target.size());
      if (length < 0) return std::nullopt;
      if (static_cast<size_t>(length) < target.size()) {
        target.resize(static_cast<size_t>(length));
        break;
      }
      target.resize(target.size() * 2);
    }
    if (target.empty()) return std::nullopt;
    const std::string folder = link.front() == '/' ? shell::ParentOf(link) : std::string(".");
    std::string absolute = target.front() == '/' ? target : shell::JoinPath(folder, target);
    if (std::optional<std::string> clean = shell::CleanAbsolutePath(absolute)) absolute = *clean;
    struct stat target_info;
    if (::stat(link.c_str(), &target_info) != 0) return std::nullopt;  // dangling
    return absolute;
  }
  if (S_ISREG(info.st_mode) && EndsWith(link, kDesktopLinkSuffix)) {
    if (auto url = DesktopEntryValue(link, "URL")) return url;
    if (auto folder = DesktopEntryValue(link, "Path")) return folder;
  }
  return std::nullopt;
}

}  // namespace plat

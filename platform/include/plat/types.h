// The shared ground of every platform layer: the integer types, handle types
// and small value helpers that the window, drawing and automation interfaces
// are written in. Handles are 32-bit ids from the one handle table, carried in
// pointer-typed values so that the kinds cannot be mixed up at compile time.
#ifndef PLAT_TYPES_H_
#define PLAT_TYPES_H_

#include <cstdint>

#include "plat/global_memory.h"

// libjpeg's headers define these too; the guard keeps both includable.
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

namespace plat {

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using QWORD = uint64_t;
using UINT = uint32_t;
using INT = int32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using SHORT = int16_t;
using USHORT = uint16_t;
using LONGLONG = int64_t;
using ULONGLONG = uint64_t;
using BOOL = int;
using CHAR = char;
using UCHAR = unsigned char;
using FLOAT = float;
using ATOM = uint16_t;
using LANGID = uint16_t;
using LCID = uint32_t;
using COLORREF = uint32_t;  // 0x00BBGGRR

// Message parameters, results and callback targets are pointer-sized.
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using UINT_PTR = uintptr_t;
using INT_PTR = intptr_t;
using DWORD_PTR = uintptr_t;
using LONG_PTR = intptr_t;
using ULONG_PTR = uintptr_t;

using HRESULT = int32_t;
using SCODE = int32_t;

// Pointer-typed handles: the pointer's value is the handle table's 32-bit id.
#define PLAT_DECLARE_HANDLE(name) \
  struct name##__;                \
  using name = name##__*
PLAT_DECLARE_HANDLE(HANDLE);
PLAT_DECLARE_HANDLE(HKEY);
PLAT_DECLARE_HANDLE(HMODULE);
PLAT_DECLARE_HANDLE(HWND);
PLAT_DECLARE_HANDLE(HDC);
PLAT_DECLARE_HANDLE(HGDIOBJ);
PLAT_DECLARE_HANDLE(HPEN);
PLAT_DECLARE_HANDLE(HBRUSH);
PLAT_DECLARE_HANDLE(HBITMAP);
PLAT_DECLARE_HANDLE(HFONT);
PLAT_DECLARE_HANDLE(HRGN);
PLAT_DECLARE_HANDLE(HPALETTE);
PLAT_DECLARE_HANDLE(HICON);
PLAT_DECLARE_HANDLE(HCURSOR);
PLAT_DECLARE_HANDLE(HMENU);
PLAT_DECLARE_HANDLE(HACCEL);
PLAT_DECLARE_HANDLE(HIMAGELIST);
PLAT_DECLARE_HANDLE(HTREEITEM);
#undef PLAT_DECLARE_HANDLE
using HINSTANCE = HMODULE;

// The 32-bit id behind a handle, and the handle of an id.
template <class Handle>
constexpr uint32_t HandleId(Handle handle) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle));
}
template <class Handle>
Handle HandleFromId(uint32_t id) {
  return reinterpret_cast<Handle>(static_cast<uintptr_t>(id));
}

struct POINT {
  LONG x = 0;
  LONG y = 0;
};
struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
};
struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};

constexpr COLORREF RGB(BYTE red, BYTE green, BYTE blue) {
  return static_cast<COLORREF>(red) | (static_cast<COLORREF>(green) << 8) | (static_cast<COLORREF>(blue) << 16);
}
constexpr BYTE GetRValue(COLORREF colour) { return static_cast<BYTE>(colour & 0xFF); }
constexpr BYTE GetGValue(COLORREF colour) { return static_cast<BYTE>((colour >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF colour) { return static_cast<BYTE>((colour >> 16) & 0xFF); }

constexpr WORD LOWORD(uintptr_t value) { return static_cast<WORD>(value & 0xFFFF); }
constexpr WORD HIWORD(uintptr_t value) { return static_cast<WORD>((value >> 16) & 0xFFFF); }
constexpr BYTE LOBYTE(uintptr_t value) { return static_cast<BYTE>(value & 0xFF); }
constexpr BYTE HIBYTE(uintptr_t value) { return static_cast<BYTE>((value >> 8) & 0xFF); }
constexpr DWORD MAKELONG(WORD low, WORD high) { return static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16); }
constexpr WORD MAKEWORD(BYTE low, BYTE high) { return static_cast<WORD>(low | (high << 8)); }
constexpr LPARAM MAKELPARAM(WORD low, WORD high) { return static_cast<LPARAM>(MAKELONG(low, high)); }
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) { return static_cast<WPARAM>(MAKELONG(low, high)); }
constexpr LRESULT MAKELRESULT(WORD low, WORD high) { return static_cast<LRESULT>(MAKELONG(low, high)); }
// Signed coordinates packed into a message parameter.
constexpr int GET_X_LPARAM(LPARAM value) { return static_cast<SHORT>(LOWORD(static_cast<uintptr_t>(value))); }
constexpr int GET_Y_LPARAM(LPARAM value) { return static_cast<SHORT>(HIWORD(static_cast<uintptr_t>(value))); }

constexpr bool SUCCEEDED(HRESULT result) { return result >= 0; }
constexpr bool FAILED(HRESULT result) { return result < 0; }

// number × numerator ÷ denominator with a 64-bit intermediate, rounded half
// away from zero; -1 for a zero denominator or a result outside 32 bits.
constexpr int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const int64_t product = static_cast<int64_t>(number) * numerator;
  const bool is_negative = (product < 0) != (denominator < 0);
  const uint64_t magnitude = product < 0 ? static_cast<uint64_t>(-product) : static_cast<uint64_t>(product);
  const uint64_t divisor = denominator < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(denominator))
                                           : static_cast<uint64_t>(denominator);
  const uint64_t quotient = (magnitude + divisor / 2) / divisor;
  if (quotient > (is_negative ? uint64_t{0x80000000} : uint64_t{0x7FFFFFFF})) return -1;
  return is_negative ? static_cast<int>(-static_cast<int64_t>(quotient)) : static_cast<int>(quotient);
}

}  // namespace plat

#endif  // PLAT_TYPES_H_

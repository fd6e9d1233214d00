// Automation values: a type tag and one value of that type. Text (BSTR) is
// UTF-8. By-reference values point into the caller's storage and are valid
// only for the call that carries them.
#ifndef PLAT_OLEAUT_VARIANT_H_
#define PLAT_OLEAUT_VARIANT_H_

#include <string>

#include "plat/oleaut/unknown.h"

namespace plat {

struct IDispatch;

using VARTYPE = uint16_t;
using VARIANT_BOOL = int16_t;
using BSTR = std::string;
using OLE_COLOR = uint32_t;     // 0x00BBGGRR, or 0x80000000 | system colour index
using OLE_HANDLE = uint32_t;    // a 32-bit handle-table id
using OLE_XPOS_PIXELS = int32_t;
using OLE_YPOS_PIXELS = int32_t;
using DISPID = int32_t;

constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_NULL = 1;
constexpr VARTYPE VT_I2 = 2;
constexpr VARTYPE VT_I4 = 3;
constexpr VARTYPE VT_R4 = 4;
constexpr VARTYPE VT_R8 = 5;
constexpr VARTYPE VT_BSTR = 8;
constexpr VARTYPE VT_DISPATCH = 9;
constexpr VARTYPE VT_ERROR = 10;
constexpr VARTYPE VT_BOOL = 11;
constexpr VARTYPE VT_VARIANT = 12;
constexpr VARTYPE VT_UNKNOWN = 13;
constexpr VARTYPE VT_UI1 = 17;
constexpr VARTYPE VT_BYREF = 0x4000;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

class Variant {
 public:
  Variant() = default;
  Variant(int16_t value) : vt_(VT_I2) { u_.i2 = value; }
  Variant(int32_t value) : vt_(VT_I4) { u_.i4 = value; }
  Variant(float value) : vt_(VT_R4) { u_.r4 = value; }
  Variant(double value) : vt_(VT_R8) { u_.r8 = value; }
  Variant(uint8_t value) : vt_(VT_UI1) { u_.ui1 = value; }
  Variant(std::string value) : vt_(VT_BSTR), str_(std::move(value)) {}
  Variant(const char* value) : vt_(VT_BSTR), str_(value ? value : "") {}
  Variant(IDispatch* value);
  Variant(IUnknown* value);
  Variant(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;
  ~Variant();

  static Variant Null();
  static Variant Bool(bool value);
  static Variant Error(SCODE value);
  // References to the caller's storage (VT_BYREF | type).
  static Variant ByRef(int16_t* value);
  static Variant ByRef(int32_t* value);
  static Variant ByRefBool(VARIANT_BOOL* value);
  static Variant ByRef(std::string* value);

  VARTYPE vt() const { return vt_; }
  bool is_byref() const { return (vt_ & VT_BYREF) != 0; }
  // Empties the value (VT_EMPTY), releasing what it held.
  void Clear();

  // Values by type; each expects vt() to be its type.
  int16_t iVal() const { return u_.i2; }
  int32_t lVal() const { return u_.i4; }
  float fltVal() const { return u_.r4; }
  double dblVal() const { return u_.r8; }
  uint8_t bVal() const { return u_.ui1; }
  VARIANT_BOOL boolVal() const { return u_.i2; }
  SCODE scode() const { return u_.i4; }
  const std::string& bstrVal() const { return str_; }
  IDispatch* pdispVal() const;
  IUnknown* punkVal() const { return u_.unknown; }
  int16_t* piVal() const { return static_cast<int16_t*>(u_.ref); }
  int32_t* plVal() const { return static_cast<int32_t*>(u_.ref); }
  VARIANT_BOOL* pboolVal() const { return static_cast<VARIANT_BOOL*>(u_.ref); }
  std::string* pbstrVal() const { return static_cast<std::string*>(u_.ref); }

  // The value a by-reference variant points at, as a plain variant; other
  // variants are copied.
  Variant Dereferenced() const;

  // Same type and value (text compared exactly, objects by identity).
  friend bool operator==(const Variant& a, const Variant& b);

 private:
  static Variant Reference(VARTYPE vt, void* value);
  VARTYPE vt_ = VT_EMPTY;
  union {
    int16_t i2;
    int32_t i4;
    float r4;
    double r8;
    uint8_t ui1;
    IUnknown* unknown;
    void* ref;
  } u_{};
  std::string str_;
};

// Converts `in` to type `to` (C locale): DISP_E_OVERFLOW when the value does
// not fit, DISP_E_TYPEMISMATCH when it cannot be read as that type,
// DISP_E_BADVARTYPE for a target type that is not a plain value type.
// Floating values round half to even into integers; TRUE is -1. `out` is
// changed only on success; `in` and `out` may be the same variant.
HRESULT VariantChangeType(Variant& out, const Variant& in, VARTYPE to);

}  // namespace plat

#endif  // PLAT_OLEAUT_VARIANT_H_

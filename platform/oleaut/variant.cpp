// Automation values and their conversions. Conversions work on one numeric
// view of the source (integer, floating or text) and check the target's range
// before storing, so an out-of-range value never wraps silently.
#include "plat/oleaut/variant.h"

#include <charconv>
#include <cfloat>
#include <cmath>
#include <limits>
#include <optional>

#include "plat/oleaut/dispatch.h"
#include "../kernel/ascii.h"

namespace plat {

using internal::EqualsIgnoreCase;

Variant::Variant(IDispatch* value) : vt_(VT_DISPATCH) {
  u_.unknown = value;
  if (value) value->AddRef();
}

Variant::Variant(IUnknown* value) : vt_(VT_UNKNOWN) {
  u_.unknown = value;
  if (value) value->AddRef();
}

Variant::Variant(const Variant& other) : vt_(other.vt_), u_(other.u_), str_(other.str_) {
  if ((vt_ == VT_DISPATCH || vt_ == VT_UNKNOWN) && u_.unknown) u_.unknown->AddRef();
}

Variant::Variant(Variant&& other) noexcept : vt_(other.vt_), u_(other.u_), str_(std::move(other.str_)) {
  other.vt_ = VT_EMPTY;
  other.u_.ref = nullptr;
}

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) *this = Variant(other);
  return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    Clear();
    vt_ = other.vt_;
    u_ = other.u_;
    str_ = std::move(other.str_);
    other.vt_ = VT_EMPTY;
    other.u_.ref = nullptr;
  }
  return *this;
}

Variant::~Variant() { Clear(); }

void Variant::Clear() {
  if ((vt_ == VT_DISPATCH || vt_ == VT_UNKNOWN) && u_.unknown) {
    IUnknown* held = u_.unknown;
    u_.unknown = nullptr;
    held->Release();
  }
  vt_ = VT_EMPTY;
  u_.ref = nullptr;
  str_.clear();
}

Variant Variant::Null() {
  Variant v;
  v.vt_ = VT_NULL;
  return v;
}

Variant Variant::Bool(bool value) {
  Variant v;
  v.vt_ = VT_BOOL;
  v.u_.i2 = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

Variant Variant::Error(SCODE value) {
  Variant v;
  v.vt_ = VT_ERROR;
  v.u_.i4 = value;
  return v;
}

Variant Variant::Reference(VARTYPE vt, void* value) {
  Variant v;
  v.vt_ = static_cast<VARTYPE>(vt | VT_BYREF);
  v.u_.ref = value;
  return v;
}

Variant Variant::ByRef(int16_t* value) { return Reference(VT_I2, value); }
Variant Variant::ByRef(int32_t* value) { return Reference(VT_I4, value); }
Variant Variant::ByRefBool(VARIANT_BOOL* value) { return Reference(VT_BOOL, value); }
Variant Variant::ByRef(std::string* value) { return Reference(VT_BSTR, value); }

IDispatch* Variant::pdispVal() const { return static_cast<IDispatch*>(u_.unknown); }

Variant Variant::Dereferenced() const {
  if (!is_byref()) return *this;
  if (u_.ref == nullptr) return Variant();
  switch (vt_ & ~VT_BYREF) {
    case VT_I2: return Variant(*piVal());
    case VT_I4: return Variant(*plVal());
    case VT_BOOL: return Variant::Bool(*pboolVal() != 0);
    case VT_BSTR: return Variant(*pbstrVal());
    default: return Variant();
  }
}

bool operator==(const Variant& a, const Variant& b) {
  if (a.vt_ != b.vt_) return false;
  switch (a.vt_) {
    case VT_EMPTY:
    case VT_NULL: return true;
    case VT_I2:
    case VT_BOOL: return a.u_.i2 == b.u_.i2;
    case VT_I4:
    case VT_ERROR: return a.u_.i4 == b.u_.i4;
    case VT_R4: return a.u_.r4 == b.u_.r4;
    case VT_R8: return a.u_.r8 == b.u_.r8;
    case VT_UI1: return a.u_.ui1 == b.u_.ui1;
    case VT_BSTR: return a.str_ == b.str_;
    case VT_DISPATCH:
    case VT_UNKNOWN: return a.u_.unknown == b.u_.unknown;
    default: return a.u_.ref == b.u_.ref;
  }
}

namespace {

// The numeric content of a source value.
struct Number {
  bool is_integer = true;
  int64_t integer = 0;
  double floating = 0;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Reads a whole text as a number in the C locale (blanks around it allowed,
// one leading sign); the boolean words read as -1 and 0.
HRESULT ParseNumber(std::string_view text, Number* out) {
  text = Trim(text);
  if (EqualsIgnoreCase(text, "true")) {
    *out = Number{true, -1, 0};
    return S_OK;
  }
  if (EqualsIgnoreCase(text, "false")) {
    *out = Number{true, 0, 0};
    return S_OK;
  }
  bool is_negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    is_negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.front() == '+' || text.front() == '-') return DISP_E_TYPEMISMATCH;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  uint64_t magnitude = 0;
  auto int_result = std::from_chars(first, last, magnitude);
  if (int_result.ec == std::errc() && int_result.ptr == last) {
    if (magnitude > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return DISP_E_OVERFLOW;
    out->is_integer = true;
    out->integer = is_negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    return S_OK;
  }
  double value = 0;
  auto float_result = std::from_chars(first, last, value, std::chars_format::general);
  if (float_result.ptr != last || (float_result.ec != std::errc() && float_result.ec != std::errc::result_out_of_range)) {
    return DISP_E_TYPEMISMATCH;
  }
  if (float_result.ec == std::errc::result_out_of_range && std::fabs(value) > 1) return DISP_E_OVERFLOW;
  out->is_integer = false;
  out->floating = is_negative ? -value : value;
  return S_OK;
}

HRESULT GetNumber(const Variant& in, Number* out) {
  switch (in.vt()) {
    case VT_EMPTY: *out = Number{}; return S_OK;
    case VT_I2: *out = Number{true, in.iVal(), 0}; return S_OK;
    case VT_I4: *out = Number{true, in.lVal(), 0}; return S_OK;
    case VT_UI1: *out = Number{true, in.bVal(), 0}; return S_OK;
    case VT_BOOL: *out = Number{true, in.boolVal() != 0 ? -1 : 0, 0}; return S_OK;
    case VT_R4: *out = Number{false, 0, in.fltVal()}; return S_OK;
    case VT_R8: *out = Number{false, 0, in.dblVal()}; return S_OK;
    case VT_BSTR: return ParseNumber(in.bstrVal(), out);
    default: return DISP_E_TYPEMISMATCH;
  }
}

// An integer in [low, high]: floating values round half to even first.
HRESULT ToInteger(const Number& n, int64_t low, int64_t high, int64_t* out) {
  if (n.is_integer) {
    if (n.integer < low || n.integer > high) return DISP_E_OVERFLOW;
    *out = n.integer;
    return S_OK;
  }
  const double rounded = std::nearbyint(n.floating);  // the default mode rounds half to even
  if (!(rounded >= static_cast<double>(low) && rounded <= static_cast<double>(high))) return DISP_E_OVERFLOW;
  *out = static_cast<int64_t>(rounded);
  return S_OK;
}

double ToDouble(const Number& n) { return n.is_integer ? static_cast<double>(n.integer) : n.floating; }

template <class F>
std::string FormatFloating(F value) {
  char text[64];
  auto result = std::to_chars(text, text + sizeof(text), value);
  return std::string(text, result.ptr);
}

// The value behind a dispatch object: its DISPID_VALUE property.
HRESULT DefaultValue(const Variant& in, Variant* out) {
  IDispatch* dispatch = in.pdispVal();
  if (!dispatch) return DISP_E_TYPEMISMATCH;
  ComPtr<IDispatch> hold(dispatch);
  Variant result;
  EXCEPINFO excep;
  UINT arg_err = 0;
  const HRESULT hr = dispatch->Invoke(DISPID_VALUE, InvokeKind::kPropertyGet, {}, &result, &excep, &arg_err);
  if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
  if (result.vt() == VT_DISPATCH || result.vt() == VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
  *out = std::move(result);
  return S_OK;
}

HRESULT ChangePlain(Variant& out, const Variant& in, VARTYPE to) {
  if (to == VT_VARIANT) {
    out = in;
    return S_OK;
  }
  if (to == VT_EMPTY) {
    out = Variant();
    return S_OK;
  }
  if (in.vt() == VT_NULL) {
    if (to != VT_NULL) return DISP_E_TYPEMISMATCH;
    out = in;
    return S_OK;
  }
  if (in.vt() == VT_DISPATCH && to != VT_DISPATCH && to != VT_UNKNOWN) {
    Variant value;
    const HRESULT hr = DefaultValue(in, &value);
    if (FAILED(hr)) return hr;
    return ChangePlain(out, value, to);
  }
  switch (to) {
    case VT_NULL: return DISP_E_TYPEMISMATCH;
    case VT_I2:
    case VT_I4:
    case VT_UI1:
    case VT_BOOL:
    case VT_R4:
    case VT_R8: {
      Number n;
      const HRESULT hr = GetNumber(in, &n);
      if (FAILED(hr)) return hr;
      int64_t integer = 0;
      switch (to) {
        case VT_I2:
          if (HRESULT r = ToInteger(n, INT16_MIN, INT16_MAX, &integer); FAILED(r)) return r;
          out = Variant(static_cast<int16_t>(integer));
          return S_OK;
        case VT_I4:
          if (HRESULT r = ToInteger(n, INT32_MIN, INT32_MAX, &integer); FAILED(r)) return r;
          out = Variant(static_cast<int32_t>(integer));
          return S_OK;
        case VT_UI1:
          if (HRESULT r = ToInteger(n, 0, UINT8_MAX, &integer); FAILED(r)) return r;
          out = Variant(static_cast<uint8_t>(integer));
          return S_OK;
        case VT_BOOL:
          out = Variant::Bool(n.is_integer ? n.integer != 0 : n.floating != 0);
          return S_OK;
        case VT_R4: {
          const double d = ToDouble(n);
          if (std::isfinite(d) && std::fabs(d) > FLT_MAX) return DISP_E_OVERFLOW;
          out = Variant(static_cast<float>(d));
          return S_OK;
        }
        default:
          out = Variant(ToDouble(n));
          return S_OK;
      }
    }
    case VT_BSTR:
      switch (in.vt()) {
        case VT_EMPTY: out = Variant(std::string()); return S_OK;
        case VT_BSTR: out = in; return S_OK;
        case VT_I2: out = Variant(std::to_string(in.iVal())); return S_OK;
        case VT_I4: out = Variant(std::to_string(in.lVal())); return S_OK;
        case VT_UI1: out = Variant(std::to_string(in.bVal())); return S_OK;
        case VT_BOOL: out = Variant(in.boolVal() != 0 ? "True" : "False"); return S_OK;
        case VT_R4: out = Variant(FormatFloating(in.fltVal())); return S_OK;
        case VT_R8: out = Variant(FormatFloating(in.dblVal())); return S_OK;
        default: return DISP_E_TYPEMISMATCH;
      }
    case VT_ERROR:
      if (in.vt() != VT_ERROR) return DISP_E_TYPEMISMATCH;
      out = in;
      return S_OK;
    case VT_DISPATCH:
    case VT_UNKNOWN: {
      if (in.vt() == VT_EMPTY) {
        out = to == VT_DISPATCH ? Variant(static_cast<IDispatch*>(nullptr)) : Variant(static_cast<IUnknown*>(nullptr));
        return S_OK;
      }
      if (in.vt() != VT_DISPATCH && in.vt() != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
      IUnknown* unknown = in.punkVal();
      if (to == VT_UNKNOWN || in.vt() == VT_DISPATCH) {
        if (to == VT_UNKNOWN) {
          out = Variant(unknown);
        } else {
          out = in;
        }
        return S_OK;
      }
      if (!unknown) {
        out = Variant(static_cast<IDispatch*>(nullptr));
        return S_OK;
      }
      ComPtr<IDispatch> dispatch;
      if (FAILED(unknown->QueryInterface(IID_IDispatch, dispatch.put_void()))) return DISP_E_TYPEMISMATCH;
      out = Variant(dispatch.get());
      return S_OK;
    }
    default: return DISP_E_BADVARTYPE;
  }
}

}  // namespace

HRESULT VariantChangeType(Variant& out, const Variant& in, VARTYPE to) {
  if (to & VT_BYREF) return DISP_E_BADVARTYPE;
  // Work on a copy so that `out` may be `in` and stays as it was on failure.
  const Variant source = in.Dereferenced();
  Variant converted;
  const HRESULT hr = ChangePlain(converted, source, to);
  if (FAILED(hr)) return hr;
  out = std::move(converted);
  return S_OK;
}

}  // namespace plat

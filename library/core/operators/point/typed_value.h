// A tagged scalar passed by value: a "dataType" code and a value that is a
// double for dataType 161 (real) and a signed 32-bit integer for any other.
#ifndef PELRITH_CORE_OPERATORS_POINT_TYPED_VALUE_H_
#define PELRITH_CORE_OPERATORS_POINT_TYPED_VALUE_H_

#include <cstdint>

#include "core/codes.h"

struct IpiTypedValue {
  int32_t data_type;
  union {
    int32_t integer;
    double real;
  } value;
};

[[nodiscard]] inline IpiTypedValue IpiIntegerValue(int32_t v) {
  IpiTypedValue t{kDataTypeSigned, {}};
  t.value.integer = v;
  return t;
}
[[nodiscard]] inline IpiTypedValue IpiRealValue(double v) {
  IpiTypedValue t{kDataTypeReal, {}};
  t.value.real = v;
  return t;
}

// The value as a double: a real unchanged, anything else from its integer.
[[nodiscard]] inline double IpiTypedValueToDouble(const IpiTypedValue& v) {
  return v.data_type == kDataTypeReal ? v.value.real : static_cast<double>(v.value.integer);
}

#endif  // PELRITH_CORE_OPERATORS_POINT_TYPED_VALUE_H_

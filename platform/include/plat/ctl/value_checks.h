// The membership checks a control's validated property setters use.
#ifndef PLAT_CTL_VALUE_CHECKS_H_
#define PLAT_CTL_VALUE_CHECKS_H_

#include <cstdint>
#include <initializer_list>

namespace plat {

inline bool IsOneOf(int32_t value, std::initializer_list<int32_t> allowed) {
  for (int32_t a : allowed) {
    if (value == a) return true;
  }
  return false;
}

inline bool InRange(int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; }

}  // namespace plat

#endif  // PLAT_CTL_VALUE_CHECKS_H_

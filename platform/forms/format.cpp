// Format and the float texts shared by Format and FloatToStrF. Decimal digits
// come from the C library's correctly rounded conversions, laid out here.
#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "plat/forms/exceptions.h"
#include "plat/forms/format.h"
#include "plat/forms/sysutils.h"

namespace plat {
namespace {

// `significant` digits of |value| and the decimal exponent of the first one.
void Digits(double value, int significant, std::string& digits, int& exponent) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*e", significant - 1, std::fabs(value));
  std::string text = buffer;
  size_t e = text.find('e');
  digits.clear();
  for (size_t i = 0; i < e; ++i) {
    if (text[i] != '.') digits += text[i];
  }
  exponent = std::atoi(text.c_str() + e + 1);
}

std::string ExponentText(int exponent, int min_digits, bool always_sign) {
  std::string digits = std::to_string(std::abs(exponent));
  while (static_cast<int>(digits.size()) < min_digits) digits.insert(0, "0");
  std::string sign = exponent < 0 ? "-" : (always_sign ? "+" : "");
  return "E" + sign + digits;
}

std::string InsertThousands(const std::string& fixed) {
  size_t dot = fixed.find('.');
  std::string integer = fixed.substr(0, dot);
  std::string rest = dot == std::string::npos ? std::string() : fixed.substr(dot);
  std::string out;
  int count = 0;
  for (size_t i = integer.size(); i-- > 0;) {
    out.insert(out.begin(), integer[i]);
    if (++count % 3 == 0 && i > 0) out.insert(out.begin(), ',');
  }
  return out + rest;
}

std::string TrimZeros(std::string mantissa) {
  if (mantissa.find('.') == std::string::npos) return mantissa;
  while (!mantissa.empty() && mantissa.back() == '0') mantissa.pop_back();
  if (!mantissa.empty() && mantissa.back() == '.') mantissa.pop_back();
  return mantissa;
}

std::string NonFinite(double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

std::string General(double value, int precision, int exponent_digits) {
  if (!std::isfinite(value)) return NonFinite(value);
  precision = std::clamp(precision, 1, 18);
  if (value == 0) return "0";
  std::string digits;
  int exponent = 0;
  Digits(value, precision, digits, exponent);
  std::string sign = value < 0 ? "-" : "";
  if (exponent >= precision || exponent < -5) {
    std::string mantissa = digits.substr(0, 1) + "." + digits.substr(1);
    return sign + TrimZeros(mantissa) + ExponentText(exponent, exponent_digits, false);
  }
  std::string fixed;
  if (exponent < 0) {
    fixed = "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  } else {
    fixed = digits.substr(0, static_cast<size_t>(exponent + 1)) + "." + digits.substr(static_cast<size_t>(exponent + 1));
  }
  return sign + TrimZeros(fixed);
}

std::string Scientific(double value, int precision, int exponent_digits) {
  if (!std::isfinite(value)) return NonFinite(value);
  precision = std::clamp(precision, 1, 18);
  std::string digits;
  int exponent = 0;
  Digits(value, precision, digits, exponent);
  if (value == 0) exponent = 0;
  std::string mantissa = digits.substr(0, 1);
  if (digits.size() > 1) mantissa += "." + digits.substr(1);
  return (std::signbit(value) && value != 0 ? "-" : "") + mantissa + ExponentText(exponent, exponent_digits, true);
}

std::string Fixed(double value, int precision, int decimals, bool thousands) {
  if (!std::isfinite(value)) return NonFinite(value);
  decimals = std::clamp(decimals, 0, 18);
  if (value != 0 && std::floor(std::log10(std::fabs(value))) + 1 > precision) {
    return Scientific(value, precision, 3);
  }
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, std::fabs(value));
  std::string text = thousands ? InsertThousands(buffer) : std::string(buffer);
  bool negative = value < 0 && text.find_first_not_of("0.,") != std::string::npos;
  return (negative ? "-" : "") + text;
}

[[noreturn]] void FormatError(std::string_view format) { RaiseRes<EConvertError>(SInvalidFormat, {format}); }

}  // namespace

std::string FloatToStr(double value) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (value == 0) return "0";
  // The shortest digits that read back as the same double.
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific);
  std::string text(buffer, result.ptr);
  size_t e = text.find('e');
  std::string digits;
  for (size_t i = 0; i < e; ++i) {
    if (text[i] != '.') digits += text[i];
  }
  return General(value, std::max<int>(static_cast<int>(digits.size()), 15), 0);
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  switch (format) {
    case ffGeneral: return General(value, precision, digits);
    case ffExponent: return Scientific(value, precision, digits);
    case ffFixed: return Fixed(value, precision, digits, false);
    case ffNumber: return Fixed(value, precision, digits, true);
  }
  return General(value, precision, digits);
}

std::string Format(std::string_view format, std::initializer_list<TVarRec> args) {
  std::string out;
  const TVarRec* arg_list = args.begin();
  const size_t arg_count = args.size();
  size_t next_arg = 0;
  auto take = [&]() -> const TVarRec& {
    if (next_arg >= arg_count) RaiseRes<EConvertError>(SArgumentMissing, {format});
    return arg_list[next_arg++];
  };
  auto take_int = [&]() -> int {
    const TVarRec& a = take();
    if (a.kind() != TVarRec::Kind::kInteger && a.kind() != TVarRec::Kind::kUnsigned) FormatError(format);
    return static_cast<int>(std::clamp<int64_t>(a.integer(), -4096, 4096));
  };
  auto number = [&](size_t& i) -> int {
    int value = 0;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
      value = std::min(value * 10 + (format[i] - '0'), 4096);
      ++i;
    }
    return value;
  };

  size_t i = 0;
  while (i < format.size()) {
    char c = format[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    ++i;
    if (i < format.size() && format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // [index ":"]
    size_t mark = i;
    if (i < format.size() && format[i] >= '0' && format[i] <= '9') {
      int index = number(i);
      if (i < format.size() && format[i] == ':') {
        next_arg = static_cast<size_t>(index);
        ++i;
      } else {
        i = mark;
      }
    } else if (i < format.size() && format[i] == '*' && i + 1 < format.size() && format[i + 1] == ':') {
      next_arg = static_cast<size_t>(std::max(take_int(), 0));
      i += 2;
    }
    bool left = false;
    if (i < format.size() && format[i] == '-') {
      left = true;
      ++i;
    }
    int width = -1;
    if (i < format.size() && format[i] == '*') {
      width = take_int();
      ++i;
    } else if (i < format.size() && format[i] >= '0' && format[i] <= '9') {
      width = number(i);
    }
    int precision = -1;
    if (i < format.size() && format[i] == '.') {
      ++i;
      if (i < format.size() && format[i] == '*') {
        precision = take_int();
        ++i;
      } else {
        precision = number(i);
      }
    }
    if (i >= format.size()) FormatError(format);
    char type = static_cast<char>(format[i] | 0x20);  // lower case
    ++i;
    const TVarRec& a = take();
    using Kind = TVarRec::Kind;
    bool is_int = a.kind() == Kind::kInteger || a.kind() == Kind::kUnsigned;
    std::string text;
    switch (type) {
      case 'd':
      case 'u':
      case 'x': {
        if (!is_int) FormatError(format);
        int64_t v = a.integer();
        bool negative = false;
        std::string digits;
        if (type == 'd' && a.kind() == Kind::kInteger) {
          negative = v < 0;
          uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
          digits = std::to_string(magnitude);
        } else {
          // Negative integers show as their 32-bit pattern when they fit it.
          uint64_t bits = static_cast<uint64_t>(v);
          if (a.kind() == Kind::kInteger && v < 0 && v >= INT32_MIN) bits &= 0xFFFFFFFFu;
          if (type == 'x') {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(bits));
            digits = buffer;
          } else {
            digits = std::to_string(bits);
          }
        }
        if (precision > static_cast<int>(digits.size())) {
          digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
        }
        text = (negative ? "-" : "") + digits;
        break;
      }
      case 'e':
      case 'f':
      case 'g':
      case 'n':
      case 'm': {
        double v = 0;
        if (a.kind() == Kind::kFloat) {
          v = a.floating();
        } else {
          FormatError(format);
        }
        if (type == 'e') text = Scientific(v, precision < 0 ? 15 : precision, 3);
        if (type == 'f') text = Fixed(v, 18, precision < 0 ? 2 : precision, false);
        if (type == 'g') text = General(v, precision < 0 ? 15 : precision, 0);
        if (type == 'n' || type == 'm') text = Fixed(v, 18, precision < 0 ? 2 : precision, true);
        break;
      }
      case 'p': {
        if (a.kind() != Kind::kPointer) FormatError(format);
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%016llX",
                      static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(a.pointer())));
        text = buffer;
        break;
      }
      case 's': {
        if (a.kind() != Kind::kString) FormatError(format);
        text = std::string(a.text());
        if (precision >= 0 && precision < static_cast<int>(text.size())) text.resize(static_cast<size_t>(precision));
        break;
      }
      default:
        FormatError(format);
    }
    if (width > static_cast<int>(text.size())) {
      std::string pad(static_cast<size_t>(width) - text.size(), ' ');
      text = left ? text + pad : pad + text;
    }
    out += text;
  }
  return out;
}

}  // namespace plat

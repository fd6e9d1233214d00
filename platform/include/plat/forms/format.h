// Format: the class library's printf-like text builder. Directives are
// "%" [index ":"] ["-"] [width] ["." precision] type, with the types
// d u x e f g n m p s; "*" takes a width or precision from the arguments.
// Numbers use the C locale ("." decimal point, "," thousands in %n).
// A directive that does not fit its argument, or a missing argument, raises
// EConvertError.
#ifndef PLAT_FORMS_FORMAT_H_
#define PLAT_FORMS_FORMAT_H_

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace plat {

// One argument of Format: an integer, a float, a text or a pointer.
class TVarRec {
 public:
  enum class Kind { kInteger, kUnsigned, kFloat, kString, kPointer };

  TVarRec(int v) : kind_(Kind::kInteger), int_(v) {}
  TVarRec(long v) : kind_(Kind::kInteger), int_(v) {}
  TVarRec(long long v) : kind_(Kind::kInteger), int_(v) {}
  TVarRec(unsigned v) : kind_(Kind::kUnsigned), int_(static_cast<int64_t>(v)) {}
  TVarRec(unsigned long v) : kind_(Kind::kUnsigned), int_(static_cast<int64_t>(v)) {}
  TVarRec(unsigned long long v) : kind_(Kind::kUnsigned), int_(static_cast<int64_t>(v)) {}
  TVarRec(double v) : kind_(Kind::kFloat), float_(v) {}
  TVarRec(const char* v) : kind_(Kind::kString), text_(v ? v : "") {}
  TVarRec(const std::string& v) : kind_(Kind::kString), text_(v) {}
  TVarRec(std::string_view v) : kind_(Kind::kString), text_(v) {}
  TVarRec(const void* v) : kind_(Kind::kPointer), pointer_(v) {}
  TVarRec(char) = delete;  // ambiguous between a number and a text
  TVarRec(bool) = delete;

  Kind kind() const { return kind_; }
  int64_t integer() const { return int_; }
  double floating() const { return float_; }
  std::string_view text() const { return text_; }
  const void* pointer() const { return pointer_; }

 private:
  Kind kind_;
  int64_t int_ = 0;
  double float_ = 0;
  std::string_view text_;
  const void* pointer_ = nullptr;
};

// The arguments live for the whole call, so texts are held as views.
std::string Format(std::string_view format, std::initializer_list<TVarRec> args = {});

}  // namespace plat

#endif  // PLAT_FORMS_FORMAT_H_

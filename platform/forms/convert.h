// The raising and defaulting forms of every text-to-value conversion, built
// on its Try form: private to the runtime's sources.
#ifndef PLATFORM_FORMS_CONVERT_H_
#define PLATFORM_FORMS_CONVERT_H_

#include <string_view>

#include "plat/forms/exceptions.h"

namespace plat::forms::internal {

template <class T>
using TryConvert = bool (*)(std::string_view text, T& out);

// EConvertError with the table's text `text_id` (its "%s" is the text).
template <class T>
T ConvertOrRaise(std::string_view text, TryConvert<T> convert, int text_id) {
  T value{};
  if (!convert(text, value)) RaiseRes<EConvertError>(text_id, {text});
  return value;
}

template <class T>
T ConvertOr(std::string_view text, TryConvert<T> convert, T default_value) {
  T value{};
  return convert(text, value) ? value : default_value;
}

}  // namespace plat::forms::internal

#endif  // PLATFORM_FORMS_CONVERT_H_

// What a name given for reading an image stands for: a plain path, used
// byte for byte (never percent-decoded), or a "file:" URL, percent-decoded
// to its path. URLs of any other scheme cannot be read here: this platform
// has no network client.
#ifndef CONTROLS_EDIT_INPUT_NAME_H_
#define CONTROLS_EDIT_INPUT_NAME_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace ondavel {

// True when `name` starts with a URL scheme followed by "://", or is a URL
// of a scheme that needs no "//" ("http:", "mailto:", ...). A single letter
// before the colon is not a scheme.
bool IsUrl(std::string_view name);

// The local path of `name` in `path`: 0, or 2110 for a malformed file URL
// ("%zz", a cut escape, an escaped NUL) and for a URL of another scheme.
int16_t ResolveInputName(std::string_view name, std::string* path);

}  // namespace ondavel

#endif  // CONTROLS_EDIT_INPUT_NAME_H_

// Qt's keys as virtual-key codes.
#ifndef PLAT_BACKEND_QT_QT_KEYS_H_
#define PLAT_BACKEND_QT_QT_KEYS_H_

#include <Qt>

#include <cstdint>
#include <string>

namespace plat::qt {

// The key of an input-method commit.
constexpr unsigned kVkProcessKey = 0xE5;

struct KeyCode {
  unsigned virtual_key = 0;  // 0: the key has no code and is dropped
  unsigned scan_code = 0;
  bool is_extended = false;
};

// `key` and `modifiers` as Qt reports them, `text` the characters the key
// produced (UTF-8), `native_scan_code` the X11 key code (0 when unknown).
// Letters and digits keep their ASCII codes, the keypad its VK_NUMPAD* and
// operator codes, punctuation its OEM code by the character on a US
// keyboard, and the Japanese keys their conversion codes.
KeyCode TranslateKey(int key, Qt::KeyboardModifiers modifiers, const std::string& text, uint32_t native_scan_code);

}  // namespace plat::qt

#endif  // PLAT_BACKEND_QT_QT_KEYS_H_

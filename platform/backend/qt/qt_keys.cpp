#include "backend/qt/qt_keys.h"

#include <array>
#include <utility>

namespace plat::qt {

namespace {

// Virtual-key codes past those the window system names.
constexpr unsigned kVkKana = 0x15;
constexpr unsigned kVkKanji = 0x19;
constexpr unsigned kVkConvert = 0x1C;
constexpr unsigned kVkNonConvert = 0x1D;
constexpr unsigned kVkOem1 = 0xBA;      // ;:
constexpr unsigned kVkOemPlus = 0xBB;   // =+
constexpr unsigned kVkOemComma = 0xBC;  // ,<
constexpr unsigned kVkOemMinus = 0xBD;  // -_
constexpr unsigned kVkOemPeriod = 0xBE; // .>
constexpr unsigned kVkOem2 = 0xBF;      // /?
constexpr unsigned kVkOem3 = 0xC0;      // `~
constexpr unsigned kVkOem4 = 0xDB;      // [{
constexpr unsigned kVkOem5 = 0xDC;      // \|
constexpr unsigned kVkOem6 = 0xDD;      // ]}
constexpr unsigned kVkOem7 = 0xDE;      // '"

struct Named {
  int key;
  unsigned virtual_key;
  bool is_extended;
};

constexpr std::array kNamedKeys = {
    Named{Qt::Key_Backspace, 0x08, false},  Named{Qt::Key_Tab, 0x09, false},       Named{Qt::Key_Backtab, 0x09, false},
    Named{Qt::Key_Clear, 0x0C, false},      Named{Qt::Key_Return, 0x0D, false},    Named{Qt::Key_Enter, 0x0D, true},
    Named{Qt::Key_Shift, 0x10, false},      Named{Qt::Key_Control, 0x11, false},   Named{Qt::Key_Alt, 0x12, false},
    Named{Qt::Key_AltGr, 0x12, true},       Named{Qt::Key_Pause, 0x13, false},     Named{Qt::Key_CapsLock, 0x14, false},
    Named{Qt::Key_Escape, 0x1B, false},     Named{Qt::Key_Space, 0x20, false},     Named{Qt::Key_PageUp, 0x21, true},
    Named{Qt::Key_PageDown, 0x22, true},    Named{Qt::Key_End, 0x23, true},        Named{Qt::Key_Home, 0x24, true},
    Named{Qt::Key_Left, 0x25, true},        Named{Qt::Key_Up, 0x26, true},         Named{Qt::Key_Right, 0x27, true},
    Named{Qt::Key_Down, 0x28, true},        Named{Qt::Key_Print, 0x2C, true},      Named{Qt::Key_Insert, 0x2D, true},
    Named{Qt::Key_Delete, 0x2E, true},      Named{Qt::Key_Help, 0x2F, false},      Named{Qt::Key_Meta, 0x5B, true},
    Named{Qt::Key_Super_L, 0x5B, true},     Named{Qt::Key_Super_R, 0x5C, true},    Named{Qt::Key_Menu, 0x5D, true},
    Named{Qt::Key_NumLock, 0x90, true},     Named{Qt::Key_ScrollLock, 0x91, false},
    Named{Qt::Key_Henkan, kVkConvert, false},          Named{Qt::Key_Muhenkan, kVkNonConvert, false},
    Named{Qt::Key_Zenkaku_Hankaku, kVkKanji, false},   Named{Qt::Key_Hiragana_Katakana, kVkKana, false},
};

// The OEM key of a punctuation character on a US keyboard, shifted or not.
constexpr std::array<std::pair<char, unsigned>, 22> kOemKeys = {{
    {';', kVkOem1}, {':', kVkOem1}, {'=', kVkOemPlus}, {'+', kVkOemPlus}, {',', kVkOemComma}, {'<', kVkOemComma},
    {'-', kVkOemMinus}, {'_', kVkOemMinus}, {'.', kVkOemPeriod}, {'>', kVkOemPeriod}, {'/', kVkOem2}, {'?', kVkOem2},
    {'`', kVkOem3}, {'~', kVkOem3}, {'[', kVkOem4}, {'{', kVkOem4}, {'\\', kVkOem5}, {'|', kVkOem5},
    {']', kVkOem6}, {'}', kVkOem6}, {'\'', kVkOem7}, {'"', kVkOem7},
}};

// Shifted digits of a US keyboard: the digit key they sit on.
constexpr std::array<std::pair<char, char>, 10> kShiftedDigits = {{
    {'!', '1'}, {'@', '2'}, {'#', '3'}, {'$', '4'}, {'%', '5'}, {'^', '6'}, {'&', '7'}, {'*', '8'}, {'(', '9'}, {')', '0'},
}};

unsigned KeypadKey(int key) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return 0x60 + static_cast<unsigned>(key - Qt::Key_0);  // VK_NUMPAD0..9
  switch (key) {
    case Qt::Key_Asterisk: return 0x6A;
    case Qt::Key_Plus: return 0x6B;
    case Qt::Key_Comma: return 0x6C;
    case Qt::Key_Minus: return 0x6D;
    case Qt::Key_Period: return 0x6E;
    case Qt::Key_Slash: return 0x6F;
    // Keypad keys with Num Lock off move the caret.
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Delete: return 0x2E;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Clear: return 0x0C;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_PageUp: return 0x21;
    default: return 0;
  }
}

}  // namespace

KeyCode TranslateKey(int key, Qt::KeyboardModifiers modifiers, const std::string& text, uint32_t native_scan_code) {
  KeyCode code;
  // X11 key codes are the kernel's key numbers plus 8, which for the common
  // keys are the set-1 scan codes.
  code.scan_code = native_scan_code >= 8 ? (native_scan_code - 8) & 0xFF : 0;
  if ((modifiers & Qt::KeypadModifier) != 0) {
    if (key == Qt::Key_Enter) {
      code.virtual_key = 0x0D;
      code.is_extended = true;
      return code;
    }
    if (const unsigned keypad = KeypadKey(key); keypad != 0) {
      code.virtual_key = keypad;
      code.is_extended = key == Qt::Key_Slash;
      return code;
    }
  }
  if (key >= Qt::Key_A && key <= Qt::Key_Z) {
    code.virtual_key = static_cast<unsigned>(key);
    return code;
  }
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    code.virtual_key = static_cast<unsigned>(key);
    return code;
  }
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
    code.virtual_key = 0x70 + static_cast<unsigned>(key - Qt::Key_F1);
    return code;
  }
  for (const Named& named : kNamedKeys) {
    if (named.key == key) {
      code.virtual_key = named.virtual_key;
      code.is_extended = named.is_extended;
      return code;
    }
  }
  // Punctuation: Qt's key is the character itself (Latin-1), or the text is.
  char character = 0;
  if (key > 0x20 && key < 0x7F) {
    character = static_cast<char>(key);
  } else if (text.size() == 1 && text[0] > 0x20 && text[0] < 0x7F) {
    character = text[0];
  }
  if (character == 0) return code;
  for (const auto& [shifted, digit] : kShiftedDigits) {
    if (shifted == character) {
      code.virtual_key = static_cast<unsigned char>(digit);
      return code;
    }
  }
  for (const auto& [oem, virtual_key] : kOemKeys) {
    if (oem == character) {
      code.virtual_key = virtual_key;
      return code;
    }
  }
  return code;
}

}  // namespace plat::qt

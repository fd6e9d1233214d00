// The active font engine, the face-substitution table and UTF-8 conversion.
// The engine is chosen once from PLAT_FONTS unless a test or a display
// backend sets it; the table starts with the rows that send the faces the
// program asks for to fonts Debian ships.
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "plat/backend.h"
#include "plat/font_engine.h"
#include "plat/qt_module.h"

namespace plat {

FontEngine::~FontEngine() = default;

int FontEngine::Advance(const FaceRequest& face, char32_t character) {
  int advance = 0;
  const char32_t text[1] = {character};
  Advances(face, std::u32string_view(text, 1), std::span<int>(&advance, 1));
  return advance;
}

namespace {

using CreateEngineFunction = void* (*)(int abi_version);

struct EngineState {
  std::mutex mutex;
  FontEngine* active = nullptr;  // null: not chosen yet
  bool is_system_wanted = false;
};

EngineState& Engines() {
  static EngineState* state = new EngineState;  // outlives static teardown
  return *state;
}

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

struct SubstitutionTable {
  std::mutex mutex;
  std::map<std::string, std::string> rows;  // lower-cased face -> family
  SubstitutionTable() {
    const char* const defaults[][2] = {
        {"ＭＳ Ｐゴシック", "IPAPGothic"},     {"MS PGothic", "IPAPGothic"},
        {"MS UI Gothic", "IPAPGothic"},        {"ＭＳ ゴシック", "IPAGothic"},
        {"MS Gothic", "IPAGothic"},            {"MS Sans Serif", "DejaVu Sans"},
        {"Arial", "DejaVu Sans"},              {"Tahoma", "DejaVu Sans"},
        {"System", "DejaVu Sans"},             {"MS Shell Dlg", "DejaVu Sans"},
        {"Courier New", "DejaVu Sans Mono"},   {"Fixedsys", "DejaVu Sans Mono"},
    };
    for (const auto& row : defaults) rows[LowerAscii(row[0])] = row[1];
  }
};

SubstitutionTable& Substitutions() {
  static SubstitutionTable* table = new SubstitutionTable;
  return *table;
}

FontEngine* ChooseFromEnvironment(bool is_system_wanted) {
  const char* choice = std::getenv("PLAT_FONTS");
  const std::string value = choice != nullptr ? LowerAscii(choice) : std::string("auto");
  const bool is_system = value == "system" || ((value == "auto" || value.empty()) && is_system_wanted);
  if (is_system) {
    if (FontEngine* engine = SystemFontEngine(nullptr)) return engine;
  }
  return &BuiltinFonts();
}

}  // namespace

BuiltinFontEngine& BuiltinFonts() {
  static BuiltinFontEngine* engine = new BuiltinFontEngine;
  return *engine;
}

FontEngine& ActiveFontEngine() {
  EngineState& state = Engines();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.active == nullptr) state.active = ChooseFromEnvironment(state.is_system_wanted);
  return *state.active;
}

void SetFontEngine(FontEngine* engine) {
  EngineState& state = Engines();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.active = engine != nullptr ? engine : &BuiltinFonts();
}

void UseSystemFontsWhenAuto() {
  EngineState& state = Engines();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.is_system_wanted = true;
  state.active = nullptr;  // chosen again at the next use
}

FontEngine* SystemFontEngine(std::string* error) {
  // libplat_qt.so keeps one application for text and windows alike, made
  // for whichever asks first, and one made for text alone cannot show
  // windows. The backend is therefore settled before text can make it, so
  // that measuring text first never takes the display from a Qt backend.
  (void)backend::CurrentBackend();
  static std::once_flag once;
  static FontEngine* engine = nullptr;
  static std::string load_error;
  std::call_once(once, [] {
    auto create = reinterpret_cast<CreateEngineFunction>(FindQtModuleSymbol("plat_qt_create_font_engine", &load_error));
    if (create == nullptr) return;
    engine = static_cast<FontEngine*>(create(kFontEngineAbiVersion));
    if (engine == nullptr) load_error = "libplat_qt.so refused to create its font engine";
  });
  if (engine == nullptr && error != nullptr) *error = load_error;
  return engine;
}

void AddFaceSubstitution(std::string_view face, std::string_view family) {
  SubstitutionTable& table = Substitutions();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (family.empty()) {
    table.rows.erase(LowerAscii(face));
  } else {
    table.rows[LowerAscii(face)] = std::string(family);
  }
}

std::string SubstituteFace(std::string_view face) {
  SubstitutionTable& table = Substitutions();
  std::lock_guard<std::mutex> lock(table.mutex);
  const auto row = table.rows.find(LowerAscii(face));
  return row != table.rows.end() ? row->second : std::string(face);
}

std::u32string DecodeUtf8(std::string_view bytes) {
  std::u32string text;
  text.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    int length = 0;
    char32_t code = 0, minimum = 0;
    if (lead < 0x80) {
      text.push_back(lead);
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, code = lead & 0x07, minimum = 0x10000;
    }
    bool is_valid = length > 0 && i + length <= bytes.size();
    for (int k = 1; is_valid && k < length; ++k) {
      is_valid = (byte(i + k) & 0xC0) == 0x80;
      code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (is_valid && (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))) is_valid = false;
    if (!is_valid) {
      text.push_back(0xFFFD);
      ++i;
      continue;
    }
    text.push_back(code);
    i += length;
  }
  return text;
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (char32_t c : text) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
      bytes.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      bytes.push_back(static_cast<char>(0xC0 | (c >> 6)));
      bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      bytes.push_back(static_cast<char>(0xE0 | (c >> 12)));
      bytes.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      bytes.push_back(static_cast<char>(0xF0 | (c >> 18)));
      bytes.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return bytes;
}

}  // namespace plat

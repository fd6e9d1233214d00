// The EDIT control: single-line and multi-line text with a selection, one
// level of undo, a byte limit, the clipboard, password and number styles,
// and a formatting rectangle inside margins. Positions are byte offsets of
// the UTF-8 text, always on character boundaries.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "comctl/control_base.h"
#include "plat/clipboard.h"
#include "plat/font.h"
#include "plat/utf8.h"

namespace plat::comctl {

namespace {

constexpr size_t kDefaultLimitBytes = 30000;
constexpr size_t kNoLimitBytes = 0x7FFFFFFE;
constexpr int kDefaultMargin = 1;

struct Edit {
  std::string text;
  size_t anchor = 0;
  size_t caret = 0;
  size_t limit = kDefaultLimitBytes;
  bool is_modified = false;
  bool can_undo = false;
  std::string undo_text;
  size_t undo_anchor = 0;
  size_t undo_caret = 0;
  bool is_typing_run = false;
  HFONT font = nullptr;
  bool has_format_rect = false;
  RECT format{};
  int left_margin = kDefaultMargin;
  int right_margin = kDefaultMargin;
  int scroll_x = 0;
  int first_line = 0;
  char32_t password_char = U'*';
  bool has_focus = false;
  bool is_tracking = false;
};

using EditPtr = std::shared_ptr<Edit>;

bool IsMultiLine(HWND hwnd) { return (StyleOf(hwnd) & ES_MULTILINE) != 0; }

size_t SelStart(const Edit& edit) { return std::min(edit.anchor, edit.caret); }
size_t SelEnd(const Edit& edit) { return std::max(edit.anchor, edit.caret); }

// Line starts: 0 and the offset after each line feed (multi-line only).
std::vector<size_t> LineStarts(const Edit& edit, bool is_multi_line) {
  std::vector<size_t> starts{0};
  if (!is_multi_line) return starts;
  for (size_t i = 0; i < edit.text.size(); ++i) {
    if (edit.text[i] == '\n') starts.push_back(i + 1);
  }
  return starts;
}

// The end of line `index`'s text (before its CR LF or LF).
size_t LineEnd(const Edit& edit, const std::vector<size_t>& starts, size_t index) {
  size_t end = index + 1 < starts.size() ? starts[index + 1] - 1 : edit.text.size();
  if (index + 1 < starts.size() && end > starts[index] && edit.text[end - 1] == '\r') --end;
  return end;
}

size_t LineOf(const std::vector<size_t>& starts, size_t offset) {
  return static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin()) - 1;
}

// A DC with the control's font, for measuring.
class MeasureDc {
 public:
  explicit MeasureDc(HFONT font) : dc_(CreateCompatibleDC(nullptr)) {
    previous_ = SelectObject(dc_, font != nullptr ? font : DefaultControlFont());
  }
  ~MeasureDc() {
    SelectObject(dc_, previous_);
    DeleteDC(dc_);
  }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HFONT previous_;
};

bool IsPassword(HWND hwnd, const Edit& edit) {
  return !IsMultiLine(hwnd) && (StyleOf(hwnd) & ES_PASSWORD) != 0 && edit.password_char != 0;
}

// What a line shows: the text, or one password character per character.
std::string Shown(HWND hwnd, const Edit& edit, size_t from, size_t to) {
  std::string_view part(edit.text.data() + from, to - from);
  if (!IsPassword(hwnd, edit)) return std::string(part);
  std::string out;
  const std::string mark = ToUtf8(edit.password_char);
  for (size_t i = 0; i < part.size(); i = NextCharOffset(part, i)) out += mark;
  return out;
}

int TextWidth(HDC dc, const std::string& text) {
  if (text.empty()) return 0;
  SIZE size;
  GetTextExtentPoint32(dc, text.data(), static_cast<int>(text.size()), &size);
  return size.cx;
}

RECT DefaultFormatRect(HWND hwnd, const Edit& edit) {
  RECT client{};
  GetClientRect(hwnd, &client);
  client.left += edit.left_margin;
  client.right -= edit.right_margin;
  if (IsMultiLine(hwnd)) client.top += 1;
  if (client.right < client.left) client.right = client.left;
  return client;
}

RECT FormatRect(HWND hwnd, const Edit& edit) { return edit.has_format_rect ? edit.format : DefaultFormatRect(hwnd, edit); }

// The x of `offset` from the start of its line, in text coordinates.
int XOfOffset(HWND hwnd, const Edit& edit, HDC dc, size_t line_start, size_t offset) {
  return TextWidth(dc, Shown(hwnd, edit, line_start, offset));
}

// The horizontal start of a line's text inside the format rectangle.
int LineOriginX(HWND hwnd, const Edit& edit, HDC dc, size_t line_start, size_t line_end) {
  const RECT format = FormatRect(hwnd, edit);
  const DWORD align = StyleOf(hwnd) & (ES_CENTER | ES_RIGHT);
  if (align == ES_LEFT) return format.left - edit.scroll_x;
  const int width = TextWidth(dc, Shown(hwnd, edit, line_start, line_end));
  const int room = format.right - format.left;
  return format.left + (align == ES_RIGHT ? room - width : (room - width) / 2) - edit.scroll_x;
}

POINT PosOfOffset(HWND hwnd, const Edit& edit, size_t offset) {
  MeasureDc dc(edit.font);
  const auto starts = LineStarts(edit, IsMultiLine(hwnd));
  const size_t line = LineOf(starts, offset);
  const RECT format = FormatRect(hwnd, edit);
  const int height = LineHeight(edit.font);
  const int x = LineOriginX(hwnd, edit, dc.get(), starts[line], LineEnd(edit, starts, line)) +
                XOfOffset(hwnd, edit, dc.get(), starts[line], offset);
  return POINT{x, format.top + (static_cast<int>(line) - edit.first_line) * height};
}

size_t OffsetAtPoint(HWND hwnd, const Edit& edit, POINT point) {
  MeasureDc dc(edit.font);
  const auto starts = LineStarts(edit, IsMultiLine(hwnd));
  const RECT format = FormatRect(hwnd, edit);
  const int height = LineHeight(edit.font);
  int line = edit.first_line + (point.y - format.top) / height;
  if (point.y < format.top) line = edit.first_line - 1;
  line = std::clamp(line, 0, static_cast<int>(starts.size()) - 1);
  const size_t start = starts[static_cast<size_t>(line)];
  const size_t end = LineEnd(edit, starts, static_cast<size_t>(line));
  const int origin = LineOriginX(hwnd, edit, dc.get(), start, end);
  int previous_x = 0;
  for (size_t at = start; at < end;) {
    const size_t next = NextCharOffset(edit.text, at);
    const int next_x = XOfOffset(hwnd, edit, dc.get(), start, next);
    if (point.x - origin < (previous_x + next_x) / 2) return at;
    previous_x = next_x;
    at = next;
  }
  return end;
}

int VisibleLines(HWND hwnd, const Edit& edit) {
  const RECT format = FormatRect(hwnd, edit);
  return std::max(1, static_cast<int>((format.bottom - format.top) / LineHeight(edit.font)));
}

int WidestLine(HWND hwnd, const Edit& edit) {
  MeasureDc dc(edit.font);
  const auto starts = LineStarts(edit, IsMultiLine(hwnd));
  int widest = 0;
  for (size_t line = 0; line < starts.size(); ++line) {
    widest = std::max(widest, XOfOffset(hwnd, edit, dc.get(), starts[line], LineEnd(edit, starts, line)));
  }
  return widest;
}

// The window's own scroll bars follow the first line and the horizontal offset.
void UpdateScrollBars(HWND hwnd, const Edit& edit) {
  const DWORD style = StyleOf(hwnd);
  if ((style & WS_VSCROLL) != 0) {
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMax = static_cast<int>(LineStarts(edit, IsMultiLine(hwnd)).size()) - 1;
    info.nPage = static_cast<UINT>(VisibleLines(hwnd, edit));
    info.nPos = edit.first_line;
    SetScrollInfo(hwnd, SB_VERT, &info, TRUE);
  }
  if ((style & WS_HSCROLL) != 0) {
    const RECT format = FormatRect(hwnd, edit);
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMax = WidestLine(hwnd, edit);
    info.nPage = static_cast<UINT>(std::max<LONG>(1, format.right - format.left));
    info.nPos = edit.scroll_x;
    SetScrollInfo(hwnd, SB_HORZ, &info, TRUE);
  }
}

void PlaceCaret(HWND hwnd, const Edit& edit) {
  if (!edit.has_focus) return;
  const POINT pos = PosOfOffset(hwnd, edit, edit.caret);
  SetCaretPos(pos.x, pos.y);
}

// Scrolls so that the caret is inside the format rectangle.
void ScrollToCaret(HWND hwnd, Edit& edit) {
  const RECT format = FormatRect(hwnd, edit);
  const bool is_multi_line = IsMultiLine(hwnd);
  bool has_scrolled = false;
  if (is_multi_line) {
    const auto starts = LineStarts(edit, true);
    const int line = static_cast<int>(LineOf(starts, edit.caret));
    const int visible = std::max(1, static_cast<int>((format.bottom - format.top) / LineHeight(edit.font)));
    const int first = std::clamp(edit.first_line, line - visible + 1, line);
    has_scrolled = first != edit.first_line;
    edit.first_line = first;
  }
  if ((StyleOf(hwnd) & (ES_CENTER | ES_RIGHT)) == ES_LEFT) {
    MeasureDc dc(edit.font);
    const auto starts = LineStarts(edit, is_multi_line);
    const size_t line = LineOf(starts, edit.caret);
    const int x = XOfOffset(hwnd, edit, dc.get(), starts[line], edit.caret);
    const int width = std::max<int>(1, format.right - format.left - 1);
    int scroll = edit.scroll_x;
    if (x - scroll > width) scroll = x - width + width / 4;
    if (x < scroll) scroll = std::max(0, x - width / 4);
    has_scrolled = has_scrolled || scroll != edit.scroll_x;
    edit.scroll_x = scroll;
  }
  if (has_scrolled) InvalidateRect(hwnd, nullptr, TRUE);
  UpdateScrollBars(hwnd, edit);
}

void Changed(HWND hwnd, Edit& edit, bool notify) {
  ScrollToCaret(hwnd, edit);
  if (notify) NotifyParent(hwnd, EN_UPDATE);
  InvalidateRect(hwnd, nullptr, TRUE);
  PlaceCaret(hwnd, edit);
  if (notify) NotifyParent(hwnd, EN_CHANGE);
}

void SelectionMoved(HWND hwnd, Edit& edit) {
  edit.is_typing_run = false;
  ScrollToCaret(hwnd, edit);
  InvalidateRect(hwnd, nullptr, TRUE);
  PlaceCaret(hwnd, edit);
}

// WM_VSCROLL and WM_HSCROLL from the window's scroll bars, and the wheel.
void OnScroll(HWND hwnd, Edit& edit, UINT message, WORD request, int thumb) {
  if (!IsMultiLine(hwnd)) return;
  const bool is_vertical = message == WM_VSCROLL;
  const int line = is_vertical ? 1 : std::max(1, LineHeight(edit.font) / 2);
  const RECT format = FormatRect(hwnd, edit);
  const int page = is_vertical ? VisibleLines(hwnd, edit) : std::max<int>(1, format.right - format.left);
  const int last = is_vertical ? static_cast<int>(LineStarts(edit, true).size()) - 1 : WidestLine(hwnd, edit);
  int& position = is_vertical ? edit.first_line : edit.scroll_x;
  int to = position;
  switch (request) {
    case SB_LINEUP: to -= line; break;
    case SB_LINEDOWN: to += line; break;
    case SB_PAGEUP: to -= page; break;
    case SB_PAGEDOWN: to += page; break;
    case SB_TOP: to = 0; break;
    case SB_BOTTOM: to = last; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: to = thumb; break;
    default: return;
  }
  to = std::clamp(to, 0, std::max(0, is_vertical ? last : last - page + 1));
  if (to == position) return;
  position = to;
  NotifyParent(hwnd, is_vertical ? EN_VSCROLL : EN_HSCROLL);
  UpdateScrollBars(hwnd, edit);
  InvalidateRect(hwnd, nullptr, TRUE);
  PlaceCaret(hwnd, edit);
}

void SaveUndo(Edit& edit) {
  edit.undo_text = edit.text;
  edit.undo_anchor = edit.anchor;
  edit.undo_caret = edit.caret;
  edit.can_undo = true;
}

enum class Origin { kTyped, kPasted, kProgram };

// Replaces the selection with `insert`, cut to the limit at a character
// boundary (EN_MAXTEXT when cut). False when nothing changed.
bool ReplaceSelection(HWND hwnd, const EditPtr& state, std::string insert, Origin origin, bool is_undoable) {
  Edit& edit = *state;
  if (!IsMultiLine(hwnd) && origin != Origin::kProgram) {
    const size_t line_break = insert.find_first_of("\r\n");
    if (line_break != std::string::npos) insert.resize(line_break);
  }
  const size_t start = SelStart(edit);
  const size_t end = SelEnd(edit);
  const size_t kept = edit.text.size() - (end - start);
  const size_t room = edit.limit > kept ? edit.limit - kept : 0;
  bool is_cut = false;
  if (insert.size() > room) {
    insert = std::string(CutAtCodePoint(insert, room));
    is_cut = true;
  }
  if (insert.empty() && start == end) {
    if (is_cut) NotifyParent(hwnd, EN_MAXTEXT);
    return false;
  }
  const bool continues_run = origin == Origin::kTyped && edit.is_typing_run && start == end;
  if (is_undoable && !continues_run) SaveUndo(edit);
  if (!is_undoable) edit.can_undo = false;
  edit.text.replace(start, end - start, insert);
  edit.anchor = edit.caret = start + insert.size();
  edit.is_modified = true;
  edit.is_typing_run = origin == Origin::kTyped;
  Changed(hwnd, edit, true);
  if (is_cut && IsWindow(hwnd)) NotifyParent(hwnd, EN_MAXTEXT);
  return true;
}

bool CopySelection(HWND hwnd, const Edit& edit) {
  const size_t start = SelStart(edit);
  const size_t end = SelEnd(edit);
  if (start == end || IsPassword(hwnd, edit)) return false;
  const std::string part = edit.text.substr(start, end - start);
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, part.size() + 1);
  if (block == 0) return false;
  auto* bytes = static_cast<char*>(GlobalLock(block));
  std::memcpy(bytes, part.c_str(), part.size() + 1);
  GlobalUnlock(block);
  if (!OpenClipboard(hwnd)) {
    GlobalFree(block);
    return false;
  }
  EmptyClipboard();
  const bool is_set = SetClipboardData(CF_TEXT, block) != 0;
  CloseClipboard();
  if (!is_set) GlobalFree(block);
  return is_set;
}

bool ClipboardText(HWND hwnd, std::string& out) {
  if (!OpenClipboard(hwnd)) return false;
  const HGLOBAL block = GetClipboardData(CF_TEXT);
  bool has_text = false;
  if (block != 0) {
    const auto* bytes = static_cast<const char*>(GlobalLock(block));
    if (bytes != nullptr) {
      const size_t size = GlobalSize(block);
      out.assign(bytes, strnlen(bytes, size));
      has_text = true;
      GlobalUnlock(block);
    }
  }
  CloseClipboard();
  return has_text;
}

bool IsReadOnly(HWND hwnd) { return (StyleOf(hwnd) & ES_READONLY) != 0; }

void Paste(HWND hwnd, const EditPtr& state) {
  if (IsReadOnly(hwnd)) return;
  std::string text;
  if (ClipboardText(hwnd, text)) ReplaceSelection(hwnd, state, text, Origin::kPasted, true);
}

void Undo(HWND hwnd, Edit& edit) {
  std::swap(edit.text, edit.undo_text);
  std::swap(edit.anchor, edit.undo_anchor);
  std::swap(edit.caret, edit.undo_caret);
  edit.anchor = SnapBack(edit.text, edit.anchor);
  edit.caret = SnapBack(edit.text, edit.caret);
  edit.is_modified = true;
  edit.is_typing_run = false;
  Changed(hwnd, edit, true);
}

// EM_SETSEL: clamps both ends into the text, snaps them to characters (the
// lower end back, the upper end on) and keeps the caret at the end asked
// for last; start -1 only drops the selection.
void SetSelection(HWND hwnd, Edit& edit, intptr_t start, intptr_t end) {
  const auto length = static_cast<intptr_t>(edit.text.size());
  if (start == -1) {
    edit.anchor = edit.caret;
  } else {
    start = start < 0 ? 0 : std::min(start, length);
    end = end < 0 ? length : std::min(end, length);
    const size_t low = static_cast<size_t>(std::min(start, end));
    const size_t high = static_cast<size_t>(std::max(start, end));
    const size_t snapped_low = SnapBack(edit.text, low);
    const size_t snapped_high = low == high ? snapped_low : SnapForward(edit.text, high);
    edit.anchor = end >= start ? snapped_low : snapped_high;
    edit.caret = end >= start ? snapped_high : snapped_low;
  }
  SelectionMoved(hwnd, edit);
}

bool IsWordChar(char byte) {
  const auto c = static_cast<unsigned char>(byte);
  return c >= 0x80 || std::isalnum(c) != 0 || c == '_';
}

size_t WordLeft(const Edit& edit, size_t at) {
  while (at > 0 && !IsWordChar(edit.text[at - 1])) at = PrevCharOffset(edit.text, at);
  while (at > 0 && IsWordChar(edit.text[at - 1])) at = PrevCharOffset(edit.text, at);
  return at;
}

size_t WordRight(const Edit& edit, size_t at) {
  while (at < edit.text.size() && IsWordChar(edit.text[at])) at = NextCharOffset(edit.text, at);
  while (at < edit.text.size() && !IsWordChar(edit.text[at])) at = NextCharOffset(edit.text, at);
  return at;
}

void MoveCaret(HWND hwnd, Edit& edit, size_t to, bool extend) {
  edit.caret = to;
  if (!extend) edit.anchor = to;
  SelectionMoved(hwnd, edit);
}

void OnKeyDown(HWND hwnd, const EditPtr& state, WPARAM key) {
  Edit& edit = *state;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool control = GetKeyState(VK_CONTROL) < 0;
  const bool is_multi_line = IsMultiLine(hwnd);
  const auto starts = LineStarts(edit, is_multi_line);
  const size_t line = LineOf(starts, edit.caret);
  const bool has_selection = edit.anchor != edit.caret;
  switch (key) {
    case VK_LEFT:
      if (has_selection && !shift && !control) return MoveCaret(hwnd, edit, SelStart(edit), false);
      return MoveCaret(hwnd, edit, control ? WordLeft(edit, edit.caret) : PrevCharOffset(edit.text, edit.caret), shift);
    case VK_RIGHT:
      if (has_selection && !shift && !control) return MoveCaret(hwnd, edit, SelEnd(edit), false);
      return MoveCaret(hwnd, edit, control ? WordRight(edit, edit.caret) : NextCharOffset(edit.text, edit.caret),
                       shift);
    case VK_HOME: return MoveCaret(hwnd, edit, control ? 0 : starts[line], shift);
    case VK_END: return MoveCaret(hwnd, edit, control ? edit.text.size() : LineEnd(edit, starts, line), shift);
    case VK_UP:
    case VK_DOWN: {
      if (!is_multi_line) return;
      if ((key == VK_UP && line == 0) || (key == VK_DOWN && line + 1 >= starts.size())) return;
      POINT pos = PosOfOffset(hwnd, edit, edit.caret);
      pos.y += (key == VK_UP ? -1 : 1) * LineHeight(edit.font) + 1;
      const int first = edit.first_line;
      if (pos.y < FormatRect(hwnd, edit).top) {
        edit.first_line = std::max(0, edit.first_line - 1);
        pos.y += LineHeight(edit.font);
      }
      const size_t to = OffsetAtPoint(hwnd, edit, pos);
      edit.first_line = first;
      return MoveCaret(hwnd, edit, to, shift);
    }
    case VK_DELETE:
      if (shift) {
        SendMessage(hwnd, WM_CUT, 0, 0);
        return;
      }
      if (IsReadOnly(hwnd)) return;
      if (!has_selection) {
        if (edit.caret >= edit.text.size()) return;
        size_t next = NextCharOffset(edit.text, edit.caret);
        if (edit.text[edit.caret] == '\r' && next < edit.text.size() && edit.text[next] == '\n') ++next;
        edit.anchor = next;
      }
      ReplaceSelection(hwnd, state, "", Origin::kProgram, true);
      return;
    case VK_INSERT:
      if (shift) SendMessage(hwnd, WM_PASTE, 0, 0);
      if (control) SendMessage(hwnd, WM_COPY, 0, 0);
      return;
    default: return;
  }
}

void OnChar(HWND hwnd, const EditPtr& state, char32_t code) {
  Edit& edit = *state;
  const DWORD style = StyleOf(hwnd);
  switch (code) {
    case 0x01: SetSelection(hwnd, edit, 0, -1); return;
    case 0x03: SendMessage(hwnd, WM_COPY, 0, 0); return;
    case 0x16: SendMessage(hwnd, WM_PASTE, 0, 0); return;
    case 0x18: SendMessage(hwnd, WM_CUT, 0, 0); return;
    case 0x1A: SendMessage(hwnd, EM_UNDO, 0, 0); return;
    default: break;
  }
  if ((style & ES_READONLY) != 0) return;
  if (code == 0x08) {
    if (edit.anchor == edit.caret) {
      if (edit.caret == 0) return;
      size_t previous = PrevCharOffset(edit.text, edit.caret);
      if (edit.text[previous] == '\n' && previous > 0 && edit.text[previous - 1] == '\r') --previous;
      edit.anchor = previous;
    }
    ReplaceSelection(hwnd, state, "", Origin::kProgram, true);
    return;
  }
  std::string insert;
  if (code == '\r' || code == '\n') {
    if ((style & ES_MULTILINE) == 0) return;
    insert = "\r\n";
  } else if (code == '\t') {
    if ((style & ES_MULTILINE) == 0) return;
    insert = "\t";
  } else if (code < 0x20 || code == 0x7F) {
    return;
  } else {
    if ((style & ES_NUMBER) != 0 && (code < '0' || code > '9')) {
      MessageBeep(0);
      return;
    }
    insert = ToUtf8(code);
    if ((style & ES_UPPERCASE) != 0) insert = AnsiUpperCase(insert);
    if ((style & ES_LOWERCASE) != 0) insert = AnsiLowerCase(insert);
  }
  ReplaceSelection(hwnd, state, insert, Origin::kTyped, true);
}

void DrawSegment(HDC dc, int x, int y, const std::string& text, COLORREF text_colour, COLORREF back_colour,
                 const RECT* opaque) {
  SetTextColor(dc, text_colour);
  SetBkColor(dc, back_colour);
  ExtTextOut(dc, x, y, opaque != nullptr ? ETO_OPAQUE : 0, opaque, text.data(), static_cast<int>(text.size()),
             nullptr);
}

void Paint(HWND hwnd, const Edit& edit) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  const bool is_enabled = IsWindowEnabled(hwnd) != FALSE;
  const bool is_read_only = IsReadOnly(hwnd);
  HBRUSH brush = ControlBrush(hwnd, dc, is_enabled && !is_read_only ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC);
  const COLORREF text_colour = is_enabled ? GetTextColor(dc) : GetSysColor(COLOR_GRAYTEXT);
  const COLORREF back_colour = GetBkColor(dc);
  RECT client{};
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, brush);
  HFONT previous = SelectObject(dc, edit.font != nullptr ? edit.font : DefaultControlFont());
  SetBkMode(dc, TRANSPARENT);
  const RECT format = FormatRect(hwnd, edit);
  IntersectClipRect(dc, format.left, format.top, format.right, format.bottom);
  const bool is_multi_line = IsMultiLine(hwnd);
  const auto starts = LineStarts(edit, is_multi_line);
  const int height = LineHeight(edit.font);
  const bool shows_selection = edit.has_focus || (StyleOf(hwnd) & ES_NOHIDESEL) != 0;
  const size_t sel_start = SelStart(edit);
  const size_t sel_end = SelEnd(edit);
  for (size_t line = static_cast<size_t>(std::max(0, edit.first_line)); line < starts.size(); ++line) {
    const int y = format.top + (static_cast<int>(line) - edit.first_line) * height;
    if (y >= format.bottom) break;
    const size_t start = starts[line];
    const size_t end = LineEnd(edit, starts, line);
    const int origin = LineOriginX(hwnd, edit, dc, start, end);
    DrawSegment(dc, origin, y, Shown(hwnd, edit, start, end), text_colour, back_colour, nullptr);
    if (!shows_selection || sel_start == sel_end || sel_end < start || sel_start > end) continue;
    const size_t from = std::max(sel_start, start);
    const size_t to = std::min(sel_end, end);
    if (from >= to) continue;
    const int x0 = origin + XOfOffset(hwnd, edit, dc, start, from);
    const int x1 = origin + XOfOffset(hwnd, edit, dc, start, to);
    const RECT band{x0, y, x1, y + height};
    DrawSegment(dc, x0, y, Shown(hwnd, edit, from, to), GetSysColor(COLOR_HIGHLIGHTTEXT),
                GetSysColor(COLOR_HIGHLIGHT), &band);
  }
  SelectObject(dc, previous);
  EndPaint(hwnd, &paint);
}

LRESULT GetLine(HWND hwnd, const Edit& edit, WPARAM line_index, LPARAM lparam) {
  auto* buffer = reinterpret_cast<char*>(lparam);
  if (buffer == nullptr) return 0;
  WORD capacity = 0;
  std::memcpy(&capacity, buffer, sizeof(capacity));
  const auto starts = LineStarts(edit, IsMultiLine(hwnd));
  if (line_index >= starts.size()) return 0;
  const size_t start = starts[line_index];
  const size_t end = LineEnd(edit, starts, line_index);
  return CopyTextOut(std::string_view(edit.text).substr(start, end - start), buffer, capacity);
}

LRESULT LineFromChar(HWND hwnd, const Edit& edit, WPARAM wparam) {
  const auto starts = LineStarts(edit, IsMultiLine(hwnd));
  const auto index = static_cast<intptr_t>(wparam);
  const size_t offset = index < 0 ? SelStart(edit) : std::min(static_cast<size_t>(index), edit.text.size());
  return static_cast<LRESULT>(LineOf(starts, offset));
}

LRESULT LineIndex(HWND hwnd, const Edit& edit, WPARAM wparam) {
  const auto starts = LineStarts(edit, IsMultiLine(hwnd));
  const auto index = static_cast<intptr_t>(wparam);
  const size_t line = index < 0 ? LineOf(starts, edit.caret) : static_cast<size_t>(index);
  return line < starts.size() ? static_cast<LRESULT>(starts[line]) : -1;
}

LRESULT LineLength(HWND hwnd, const Edit& edit, WPARAM wparam) {
  const auto starts = LineStarts(edit, IsMultiLine(hwnd));
  const auto index = static_cast<intptr_t>(wparam);
  if (index < 0) {
    // The characters not selected on the lines the selection touches.
    const size_t first = LineOf(starts, SelStart(edit));
    const size_t last = LineOf(starts, SelEnd(edit));
    return static_cast<LRESULT>((SelStart(edit) - starts[first]) + (LineEnd(edit, starts, last) - SelEnd(edit)));
  }
  if (static_cast<size_t>(index) > edit.text.size()) return 0;
  const size_t line = LineOf(starts, static_cast<size_t>(index));
  return static_cast<LRESULT>(LineEnd(edit, starts, line) - starts[line]);
}

void SetText(HWND hwnd, Edit& edit, std::string_view text) {
  edit.text.assign(text);
  edit.anchor = edit.caret = 0;
  edit.scroll_x = 0;
  edit.first_line = 0;
  edit.is_modified = false;
  edit.can_undo = false;
  edit.is_typing_run = false;
  Changed(hwnd, edit, true);
}

LRESULT Handle(HWND hwnd, const EditPtr& state, UINT message, WPARAM wparam, LPARAM lparam) {
  Edit& edit = *state;
  switch (message) {
    case WM_CREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCT*>(lparam);
      edit.text = create->lpszName != nullptr ? create->lpszName : "";
      return 0;
    }
    case WM_SETTEXT:
      DefWindowProc(hwnd, message, wparam, lparam);
      SetText(hwnd, edit, TextParam(lparam));
      return TRUE;
    case WM_GETTEXT: return CopyTextOut(edit.text, reinterpret_cast<char*>(lparam), static_cast<int>(wparam));
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(edit.text.size());
    case WM_SETFONT:
      edit.font = reinterpret_cast<HFONT>(wparam);
      if (LOWORD(static_cast<uintptr_t>(lparam)) != 0) InvalidateRect(hwnd, nullptr, TRUE);
      if (edit.has_focus) {
        CreateCaret(hwnd, nullptr, 1, LineHeight(edit.font));
        PlaceCaret(hwnd, edit);
        ShowCaret(hwnd);
      }
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(edit.font);
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
      if (!IsMultiLine(hwnd)) return code;
      const auto* msg = reinterpret_cast<const MSG*>(lparam);
      if (msg != nullptr && msg->message == WM_KEYDOWN &&
          (msg->wParam == VK_ESCAPE || msg->wParam == VK_TAB ||
           (msg->wParam == VK_RETURN && (StyleOf(hwnd) & ES_WANTRETURN) == 0))) {
        return code;
      }
      return code | DLGC_WANTALLKEYS;
    }
    case WM_PAINT: Paint(hwnd, edit); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE:
      UpdateScrollBars(hwnd, edit);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_ENABLE: InvalidateRect(hwnd, nullptr, TRUE); return 0;
    case WM_SETFOCUS:
      edit.has_focus = true;
      CreateCaret(hwnd, nullptr, 1, LineHeight(edit.font));
      PlaceCaret(hwnd, edit);
      ShowCaret(hwnd);
      InvalidateRect(hwnd, nullptr, TRUE);
      NotifyParent(hwnd, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      edit.has_focus = false;
      edit.is_typing_run = false;
      DestroyCaret();
      InvalidateRect(hwnd, nullptr, TRUE);
      NotifyParent(hwnd, EN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (GetFocus() != hwnd) SetFocus(hwnd);
      const size_t at = OffsetAtPoint(hwnd, edit, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      if (message == WM_LBUTTONDBLCLK) {
        size_t start = at;
        while (start > 0 && IsWordChar(edit.text[start - 1])) start = PrevCharOffset(edit.text, start);
        size_t end = at;
        while (end < edit.text.size() && IsWordChar(edit.text[end])) end = NextCharOffset(edit.text, end);
        edit.anchor = start;
        edit.caret = end;
        SelectionMoved(hwnd, edit);
        return 0;
      }
      MoveCaret(hwnd, edit, at, (wparam & MK_SHIFT) != 0);
      edit.is_tracking = true;
      SetCapture(hwnd);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (edit.is_tracking) {
        MoveCaret(hwnd, edit, OffsetAtPoint(hwnd, edit, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}), true);
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (edit.is_tracking) {
        edit.is_tracking = false;
        if (GetCapture() == hwnd) ReleaseCapture();
      }
      return 0;
    case WM_KEYDOWN: OnKeyDown(hwnd, state, wparam); return 0;
    case WM_CHAR: OnChar(hwnd, state, static_cast<char32_t>(wparam)); return 0;
    case WM_COPY: CopySelection(hwnd, edit); return 0;
    case WM_CUT:
      if (!IsReadOnly(hwnd) && CopySelection(hwnd, edit)) ReplaceSelection(hwnd, state, "", Origin::kProgram, true);
      return 0;
    case WM_CLEAR:
      if (!IsReadOnly(hwnd) && edit.anchor != edit.caret) ReplaceSelection(hwnd, state, "", Origin::kProgram, true);
      return 0;
    case WM_PASTE: Paste(hwnd, state); return 0;
    case EM_GETSEL: {
      const auto start = static_cast<DWORD>(SelStart(edit));
      const auto end = static_cast<DWORD>(SelEnd(edit));
      if (wparam != 0) *reinterpret_cast<DWORD*>(wparam) = start;
      if (lparam != 0) *reinterpret_cast<DWORD*>(lparam) = end;
      if (start > 0xFFFF || end > 0xFFFF) return -1;
      return MAKELRESULT(static_cast<WORD>(start), static_cast<WORD>(end));
    }
    case EM_SETSEL: SetSelection(hwnd, edit, static_cast<intptr_t>(wparam), lparam); return 0;
    case EM_REPLACESEL:
      if (lparam == 0) return 0;
      ReplaceSelection(hwnd, state, std::string(TextParam(lparam)), Origin::kProgram, wparam != 0);
      return 0;
    case EM_GETMODIFY: return edit.is_modified ? TRUE : FALSE;
    case EM_SETMODIFY: edit.is_modified = wparam != 0; return 0;
    case EM_CANUNDO: return edit.can_undo ? TRUE : FALSE;
    case EM_UNDO:
    case WM_UNDO:
      if (!edit.can_undo || IsReadOnly(hwnd)) return FALSE;
      Undo(hwnd, edit);
      return TRUE;
    case EM_EMPTYUNDOBUFFER:
      edit.can_undo = false;
      edit.undo_text.clear();
      return 0;
    case EM_LIMITTEXT: edit.limit = wparam == 0 ? kNoLimitBytes : std::min<size_t>(wparam, kNoLimitBytes); return 0;
    case EM_GETLIMITTEXT: return static_cast<LRESULT>(edit.limit);
    case EM_GETLINECOUNT: return static_cast<LRESULT>(LineStarts(edit, IsMultiLine(hwnd)).size());
    case EM_LINEINDEX: return LineIndex(hwnd, edit, wparam);
    case EM_LINELENGTH: return LineLength(hwnd, edit, wparam);
    case EM_LINEFROMCHAR: return LineFromChar(hwnd, edit, wparam);
    case EM_GETLINE: return GetLine(hwnd, edit, wparam, lparam);
    case EM_GETFIRSTVISIBLELINE:
      if (IsMultiLine(hwnd)) return edit.first_line;
      return static_cast<LRESULT>(OffsetAtPoint(hwnd, edit, POINT{FormatRect(hwnd, edit).left, 0}));
    case EM_LINESCROLL:
      if (!IsMultiLine(hwnd)) return FALSE;
      edit.first_line = std::clamp(edit.first_line + static_cast<int>(lparam), 0,
                                   static_cast<int>(LineStarts(edit, true).size()) - 1);
      edit.scroll_x = std::max(0, edit.scroll_x + static_cast<int>(static_cast<intptr_t>(wparam)) *
                                                      std::max(1, LineHeight(edit.font) / 2));
      UpdateScrollBars(hwnd, edit);
      InvalidateRect(hwnd, nullptr, TRUE);
      PlaceCaret(hwnd, edit);
      return TRUE;
    case WM_VSCROLL:
    case WM_HSCROLL:
      OnScroll(hwnd, edit, message, LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_MOUSEWHEEL: {
      const int notches = GET_Y_LPARAM(static_cast<LPARAM>(wparam)) / WHEEL_DELTA;
      for (int i = 0; i < std::abs(notches) * 3; ++i) OnScroll(hwnd, edit, WM_VSCROLL, notches > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
      return 0;
    }
    case EM_SCROLL: {
      const int before = edit.first_line;
      OnScroll(hwnd, edit, WM_VSCROLL, static_cast<WORD>(wparam), 0);
      return MAKELRESULT(static_cast<WORD>(edit.first_line - before), TRUE);
    }
    case EM_SCROLLCARET: ScrollToCaret(hwnd, edit); PlaceCaret(hwnd, edit); return TRUE;
    case EM_SETREADONLY: {
      const DWORD style = StyleOf(hwnd);
      SetWindowLongPtr(hwnd, GWL_STYLE, wparam != 0 ? (style | ES_READONLY) : (style & ~ES_READONLY));
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case EM_SETPASSWORDCHAR: {
      const DWORD style = StyleOf(hwnd);
      edit.password_char = static_cast<char32_t>(wparam);
      SetWindowLongPtr(hwnd, GWL_STYLE, wparam != 0 ? (style | ES_PASSWORD) : (style & ~ES_PASSWORD));
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case EM_GETPASSWORDCHAR: return (StyleOf(hwnd) & ES_PASSWORD) != 0 ? static_cast<LRESULT>(edit.password_char) : 0;
    case EM_SETMARGINS: {
      const int left = LOWORD(static_cast<uintptr_t>(lparam));
      const int right = HIWORD(static_cast<uintptr_t>(lparam));
      if ((wparam & EC_LEFTMARGIN) != 0) edit.left_margin = left == EC_USEFONTINFO ? kDefaultMargin + 2 : left;
      if ((wparam & EC_RIGHTMARGIN) != 0) edit.right_margin = right == EC_USEFONTINFO ? kDefaultMargin + 2 : right;
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case EM_GETMARGINS:
      return MAKELRESULT(static_cast<WORD>(edit.left_margin), static_cast<WORD>(edit.right_margin));
    case EM_GETRECT:
      if (lparam == 0) return 0;
      *reinterpret_cast<RECT*>(lparam) = FormatRect(hwnd, edit);
      return 0;
    case EM_SETRECT:
    case EM_SETRECTNP:
      edit.has_format_rect = lparam != 0;
      if (lparam != 0) edit.format = *reinterpret_cast<const RECT*>(lparam);
      if (message == EM_SETRECT) InvalidateRect(hwnd, nullptr, TRUE);
      PlaceCaret(hwnd, edit);
      return 0;
    case EM_POSFROMCHAR: {
      if (wparam > edit.text.size()) return -1;
      const POINT pos = PosOfOffset(hwnd, edit, SnapBack(edit.text, wparam));
      return MAKELRESULT(static_cast<WORD>(pos.x), static_cast<WORD>(pos.y));
    }
    case EM_CHARFROMPOS: {
      const POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      const size_t at = OffsetAtPoint(hwnd, edit, point);
      const size_t line = LineOf(LineStarts(edit, IsMultiLine(hwnd)), at);
      return MAKELRESULT(static_cast<WORD>(std::min<size_t>(at, 0xFFFF)), static_cast<WORD>(line));
    }
    default: return DefWindowProc(hwnd, message, wparam, lparam);
  }
}

}  // namespace

LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return RunControl<Edit, &Handle>(hwnd, message, wparam, lparam);
}

}  // namespace plat::comctl

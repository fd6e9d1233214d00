// plat-showcase: the screen tests' fixture, built for them only. It opens a
// framed window with a menu, scroll bars, Japanese text, an elliptic child,
// an edit and a combo box, and a shaped top-level window; then a message box
// comes up and the combo box drops down its list.
//
//   plat-showcase snapshot DIR   headless: writes DIR/<window>.png (what the
//                                virtual screen shows in each top-level
//                                window's rectangle) and DIR/windows.txt
//   plat-showcase show DIR       on the process's backend: writes
//                                DIR/windows.txt once everything is up; when
//                                DIR/proceed appears, closes the list and the
//                                message box, journals "closed", and from then
//                                on journals mouse and key input to
//                                DIR/journal.txt until it is ended
//
// windows.txt: a line "window NAME LEFT TOP RIGHT BOTTOM CLIENT_X CLIENT_Y"
// per top-level window (screen rectangle, client origin inside it), then a
// line "shape NAME LEFT TOP RIGHT BOTTOM" per rectangle of a shaped
// window's region (window coordinates).
#include <cstdio>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "plat/gdi.h"
#include "plat/gdi_snapshot.h"
#include "plat/gdi_surface.h"
#include "plat/headless.h"
#include "plat/menu.h"
#include "plat/controls.h"
#include "plat/dialog.h"
#include "plat/font.h"
#include "plat/messages.h"
#include "plat/text.h"
#include "plat/user.h"

using namespace plat;

namespace {

constexpr const char* kMainClass = "ShowcaseMain";
constexpr const char* kEllipseClass = "ShowcaseEllipse";
constexpr const char* kShapedClass = "ShowcaseShaped";

constexpr const char* kBoxCaption = "見本の確認";
constexpr UINT_PTR kStepTimer = 1;
constexpr int kComboId = 1002;

struct TopLevel {
  std::string name;
  HWND hwnd = nullptr;
};

std::vector<TopLevel> top_levels;
HWND main_window = nullptr;
FILE* journal = nullptr;
std::string out_dir;

std::string NameOf(HWND hwnd) {
  for (const TopLevel& top : top_levels) {
    if (top.hwnd == hwnd) return top.name;
  }
  char text[64] = {};
  GetClassName(hwnd, text, sizeof(text));
  if (std::strcmp(text, kEllipseClass) == 0) return "ellipse";
  if (std::strcmp(text, kDialogClass) == 0) return "message";
  if (std::strcmp(text, "ComboLBox") == 0) return "list";  // a combo box's dropped-down list
  return text;
}

void JournalLine(const std::string& line) {
  if (journal == nullptr) return;
  std::fprintf(journal, "%s\n", line.c_str());
  std::fflush(journal);
}

// Mouse and key input as the window procedures get it.
void JournalInput(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (journal == nullptr) return;
  switch (message) {
    case WM_LBUTTONDOWN:
      std::fprintf(journal, "WM_LBUTTONDOWN %s %d %d\n", NameOf(hwnd).c_str(), static_cast<int>(static_cast<short>(LOWORD(lparam))),
                   static_cast<int>(static_cast<short>(HIWORD(lparam))));
      break;
    case WM_KEYDOWN:
      std::fprintf(journal, "WM_KEYDOWN %s 0x%02X\n", NameOf(hwnd).c_str(), static_cast<unsigned>(wparam));
      break;
    case WM_CHAR:
      std::fprintf(journal, "WM_CHAR %s 0x%04X\n", NameOf(hwnd).c_str(), static_cast<unsigned>(wparam));
      break;
    case WM_EXITSIZEMOVE: {
      RECT rect;
      GetWindowRect(hwnd, &rect);
      std::fprintf(journal, "WM_EXITSIZEMOVE %s %d %d %d %d\n", NameOf(hwnd).c_str(), static_cast<int>(rect.left),
                   static_cast<int>(rect.top), static_cast<int>(rect.right), static_cast<int>(rect.bottom));
      break;
    }
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) != SC_CLOSE) return;
      std::fprintf(journal, "WM_SYSCOMMAND %s SC_CLOSE\n", NameOf(hwnd).c_str());
      break;
    default:
      return;
  }
  std::fflush(journal);
}

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

// Lines of text, `step` pixels apart, in a Japanese face without smoothing.
void Text(HDC dc, int x, int y, int height, const char* face, COLORREF colour, std::initializer_list<std::string> lines,
          int step = 22) {
  HFONT font = CreateFont(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, 128 /* Shift-JIS */, 0, 0, NONANTIALIASED_QUALITY, 0, face);
  HFONT old_font = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  for (const std::string& line : lines) {
    TextOut(dc, x, y, line.c_str(), static_cast<int>(line.size()));
    y += step;
  }
  SelectObject(dc, old_font);
  DeleteObject(font);
}

void PaintMain(HDC dc, const RECT& client) {
  Fill(dc, RECT{0, 0, client.right, 28}, RGB(0x20, 0x50, 0xA0));
  Text(dc, 8, 6, 16, "MS Gothic", RGB(0xFF, 0xFF, 0xFF), {"画像の取り込み 見本"});
  Text(dc, 8, 40, 16, "MS Gothic", RGB(0, 0, 0), {"日本語のテキスト：ひらがな、カタカナ、漢字", "Latin text 0123456789 (ABC xyz)"});
  HPEN pen = CreatePen(PS_SOLID, 2, RGB(0xC0, 0x20, 0x20));
  HPEN old_pen = SelectObject(dc, pen);
  MoveToEx(dc, 8, 96, nullptr);
  LineTo(dc, 200, 96);
  SelectObject(dc, old_pen);
  DeleteObject(pen);
}

void PaintEllipse(HDC dc, const RECT& client) {
  Fill(dc, client, RGB(0x30, 0xA0, 0x60));
  Text(dc, client.right / 2 - 14, client.bottom / 2 - 8, 14, "MS Gothic", RGB(0xFF, 0xFF, 0xF0), {"楕円"});
}

void PaintShaped(HDC dc, const RECT& client) {
  // Horizontal bands, so a shifted or scaled picture shows.
  for (int y = 0; y < client.bottom; y += 10) Fill(dc, RECT{0, y, client.right, y + 10}, RGB(0xF0 - y, 0x80 + y / 2, 0x40 + y));
  Text(dc, 60, 70, 20, "MS PGothic", RGB(0, 0, 0x40), {"形のある窓"});
}

void Step();

// The showcase's windows: input goes to the journal, painting to `Paint`;
// the main window's end ends the program.
template <void (*Paint)(HDC, const RECT&)>
LRESULT ShowcaseProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  JournalInput(hwnd, message, wparam, lparam);
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    RECT client;
    GetClientRect(hwnd, &client);
    Paint(dc, client);
    EndPaint(hwnd, &paint);
    return 0;
  }
  if (Paint == PaintMain) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    // A click makes the main window the focus, so keys come to it.
    if (message == WM_LBUTTONDOWN) SetFocus(hwnd);
    if (message == WM_TIMER && wparam == kStepTimer) Step();
  }
  return DefWindowProc(hwnd, message, wparam, lparam);
}

void RegisterClasses() {
  struct Class {
    const char* name;
    WNDPROC proc;
    COLORREF background;
  };
  for (const Class& c : {Class{kMainClass, ShowcaseProc<PaintMain>, RGB(0xFF, 0xFF, 0xFF)}, Class{kEllipseClass, ShowcaseProc<PaintEllipse>, RGB(0, 0, 0)},
                         Class{kShapedClass, ShowcaseProc<PaintShaped>, RGB(0, 0, 0)}}) {
    WNDCLASSEX wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = c.proc;
    wc.lpszClassName = c.name;
    wc.hCursor = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW));
    wc.hbrBackground = CreateSolidBrush(c.background);
    RegisterClassEx(&wc);
  }
}

HMENU MakeMenu() {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenu(file, MF_STRING, 101, "開く(&O)...");
  AppendMenu(file, MF_SEPARATOR, 0, nullptr);
  AppendMenu(file, MF_STRING, 102, "終了(&X)");
  AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "ファイル(&F)");
  HMENU edit = CreatePopupMenu();
  AppendMenu(edit, MF_STRING, 201, "Copy");
  AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), "編集(&E)");
  AppendMenu(bar, MF_STRING, 301, "Help");
  return bar;
}

void CreateWindows() {
  RegisterClasses();
  HWND main = CreateWindowEx(0, kMainClass, "見本 Showcase", WS_OVERLAPPEDWINDOW | WS_HSCROLL | WS_VSCROLL, 16, 16, 440, 320,
                             nullptr, MakeMenu(), nullptr, nullptr);
  SCROLLINFO scroll{};
  scroll.cbSize = sizeof(scroll);
  scroll.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  scroll.nMax = 99;
  scroll.nPage = 25;
  scroll.nPos = 30;
  SetScrollInfo(main, SB_VERT, &scroll, FALSE);
  scroll.nPos = 10;
  SetScrollInfo(main, SB_HORZ, &scroll, FALSE);
  HWND ellipse = CreateWindowEx(0, kEllipseClass, "", WS_CHILD | WS_VISIBLE, 230, 110, 160, 100, main, nullptr, nullptr, nullptr);
  SetWindowRgn(ellipse, CreateEllipticRgn(0, 0, 160, 100), TRUE);
  CreateWindowEx(WS_EX_CLIENTEDGE, kEditClass, "編集できる文字 abc", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 8,
                 110, 200, 24, main, reinterpret_cast<HMENU>(1001), nullptr, nullptr);
  HWND combo = CreateWindowEx(0, kComboBoxClass, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 8, 140,
                              200, 160, main, reinterpret_cast<HMENU>(kComboId), nullptr, nullptr);
  for (const char* item : {"一番目の項目", "二番目の項目", "Third item", "四番目"}) {
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  }
  SendMessage(combo, CB_SETCURSEL, 1, 0);
  top_levels.push_back({"main", main});
  main_window = main;

  HWND shaped = CreateWindowEx(WS_EX_TOOLWINDOW, kShapedClass, "形", WS_POPUP, 480, 16, 240, 180, nullptr, nullptr, nullptr, nullptr);
  // A rounded shape with a notch: region arithmetic the backend must follow.
  HRGN shape = CreateRoundRectRgn(0, 0, 240, 180, 60, 60);
  HRGN notch = CreateRectRgn(100, 0, 140, 40);
  CombineRgn(shape, shape, notch, RGN_DIFF);
  DeleteObject(notch);
  SetWindowRgn(shaped, shape, TRUE);
  top_levels.push_back({"shaped", shaped});

  ShowWindow(main, SW_SHOW);
  ShowWindow(shaped, SW_SHOWNOACTIVATE);
  UpdateWindow(main);
  UpdateWindow(shaped);
}

void PumpIdle() {
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}

std::vector<TopLevel> ShownTopLevels() {
  std::vector<TopLevel> shown;
  EnumWindows(
      [](HWND hwnd, LPARAM list) {
        if (IsWindowVisible(hwnd)) reinterpret_cast<std::vector<TopLevel>*>(list)->push_back({NameOf(hwnd), hwnd});
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&shown));
  return shown;
}

// Every visible top-level window, named.
bool WriteWindowList(const std::string& dir) {
  const std::string path = dir + "/windows.txt";
  const std::string partial = path + ".partial";
  {
    std::ofstream out(partial);
    for (const TopLevel& top : ShownTopLevels()) {
      RECT rect;
      GetWindowRect(top.hwnd, &rect);
      POINT client{0, 0};
      ClientToScreen(top.hwnd, &client);
      out << "window " << top.name << " " << rect.left << " " << rect.top << " " << rect.right << " " << rect.bottom << " "
          << client.x - rect.left << " " << client.y - rect.top << "\n";
      HRGN region = CreateRectRgn(0, 0, 0, 0);
      if (GetWindowRgn(top.hwnd, region) != ERROR) {
        const DWORD size = GetRegionData(region, 0, nullptr);
        std::vector<char> bytes(size);
        auto* data = reinterpret_cast<RGNDATA*>(bytes.data());
        if (size != 0 && GetRegionData(region, size, data) == size) {
          const auto* rects = reinterpret_cast<const RECT*>(data->Buffer);
          for (DWORD i = 0; i < data->rdh.nCount; ++i) {
            out << "shape " << top.name << " " << rects[i].left << " " << rects[i].top << " " << rects[i].right << " "
                << rects[i].bottom << "\n";
          }
        }
      }
      DeleteObject(region);
    }
    if (!out) return false;
  }
  return std::rename(partial.c_str(), path.c_str()) == 0;  // appears whole
}

void DropDown(bool is_dropped) { SendDlgItemMessage(main_window, kComboId, CB_SHOWDROPDOWN, is_dropped ? TRUE : FALSE, 0); }

int ShowMessageBox() {
  return MessageBox(nullptr, "スキャナーが見つかりません。\n接続を確認してください。", kBoxCaption, MB_OKCANCEL | MB_ICONWARNING);
}

bool WriteSnapshots(const std::string& dir) {
  const headless::Image screen = headless::CurrentHeadless()->SnapshotScreen();
  for (const TopLevel& top : ShownTopLevels()) {
    RECT rect;
    GetWindowRect(top.hwnd, &rect);
    auto surface = gdi::CreateSurface(rect.right - rect.left, rect.bottom - rect.top, 32);
    if (!surface) return false;
    for (int y = 0; y < surface->height; ++y) {
      for (int x = 0; x < surface->width; ++x) surface->SetRaw(x, y, screen.At(rect.left + x, rect.top + y));
    }
    if (!gdi::WriteSurfacePng(*surface, surface->Bounds(), dir + "/" + top.name + ".png")) {
      std::fprintf(stderr, "plat-showcase: cannot write %s/%s.png\n", dir.c_str(), top.name.c_str());
      return false;
    }
  }
  return WriteWindowList(dir);
}

// Headless: once the message box waits, the list drops down, everything is
// painted and the screen is written; then the box is answered.
int Snapshot(const std::string& dir) {
  backend::InstallBackend(headless::CreateHeadlessBackend(headless::Options{}));
  CreateWindows();
  PumpIdle();
  bool is_written = false;
  headless::CurrentHeadless()->SetModalResponder([&](headless::ModalContext& box) {
    DropDown(true);
    PumpIdle();
    is_written = WriteSnapshots(dir);
    DropDown(false);
    box.PressDefault();
  });
  ShowMessageBox();
  return is_written ? 0 : 1;
}

// On the display the same steps run from a timer inside the message box's loop.
void Step() {
  static int step = 0;
  const HWND box = FindWindow(kDialogClass, kBoxCaption);
  switch (step) {
    case 0:
      if (box == nullptr) return;
      DropDown(true);
      break;
    case 1:
      if (!WriteWindowList(out_dir)) std::fprintf(stderr, "plat-showcase: cannot write %s/windows.txt\n", out_dir.c_str());
      break;
    case 2:
      if (FILE* proceed = std::fopen((out_dir + "/proceed").c_str(), "r")) {
        std::fclose(proceed);
        DropDown(false);
        if (box != nullptr) PostMessage(box, WM_COMMAND, IDOK, 0);
        KillTimer(main_window, kStepTimer);
        break;
      }
      return;
    default:
      return;
  }
  ++step;
}

int Show(const std::string& dir) {
  out_dir = dir;
  CreateWindows();
  PumpIdle();
  SetTimer(main_window, kStepTimer, 100, nullptr);
  ShowMessageBox();
  journal = std::fopen((dir + "/journal.txt").c_str(), "w");
  if (journal == nullptr) {
    std::fprintf(stderr, "plat-showcase: cannot write %s/journal.txt\n", dir.c_str());
    return 1;
  }
  JournalLine("closed");
  MSG msg;
  while (GetMessage(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  std::fclose(journal);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc == 3 ? argv[1] : "";
  if (mode == "snapshot") return Snapshot(argv[2]);
  if (mode == "show") return Show(argv[2]);
  std::fprintf(stderr, "usage: plat-showcase snapshot|show DIR\n");
  return 2;
}

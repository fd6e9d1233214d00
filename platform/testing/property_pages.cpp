// Property pages under test: hosting a page, reading and changing its
// fields through the harness's input, recording property notifications,
// and reaching into the property frame from a modal responder.
#include "plat/testing/property_pages.h"

#include <cstdio>
#include <filesystem>

#include "plat/ctl/control.h"
#include "plat/dialog.h"
#include "plat/oleaut/com.h"
#include "plat/oleaut/guid.h"
#include "plat/registry.h"
#include "plat/sys_colors.h"
#include "plat/tab_control.h"
#include "plat/testing.h"
#include "plat/testing/control_host.h"
#include "plat/testing/pixels.h"

namespace plat::test {

namespace {

std::string ClassOf(HWND hwnd) {
  char name[64] = {};
  GetClassName(hwnd, name, sizeof(name));
  return name;
}

std::string TextOf(HWND hwnd) {
  char text[1024] = {};
  GetWindowText(hwnd, text, sizeof(text));
  return text;
}

void ChooseItem(HWND combo, const std::string& text) {
  const LRESULT index =
      SendMessage(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
  ASSERT_GE(index, 0) << "the list has no item \"" << text << "\"";
  SetFocus(combo);
  Key(VK_HOME);
  for (LRESULT i = 0; i < index; ++i) Key(VK_DOWN);
}

// The up arrow is the top half of a vertical spin button.
void ClickSpin(HWND spin, bool is_up, int times) {
  RECT rect{};
  GetClientRect(spin, &rect);
  const POINT arrow{rect.right / 2, is_up ? rect.bottom / 4 : rect.bottom * 3 / 4};
  for (int i = 0; i < times; ++i) Click(spin, arrow);
}

}  // namespace

std::string VariantText(const Variant& value) {
  char text[64] = {};
  switch (value.vt()) {
    case VT_BOOL: return value.boolVal() != 0 ? "TRUE" : "FALSE";
    case VT_I2: return std::to_string(value.iVal());
    case VT_I4: return std::to_string(value.lVal());
    case VT_R4: std::snprintf(text, sizeof(text), "%g", static_cast<double>(value.fltVal())); return text;
    case VT_R8: std::snprintf(text, sizeof(text), "%g", value.dblVal()); return text;
    case VT_BSTR: return value.bstrVal();
    default: return "<vt " + std::to_string(value.vt()) + ">";
  }
}

class PropertyChangeRecorder::Sink : public ComObject<IPropertyNotifySink> {
 public:
  HRESULT OnChanged(DISPID id) override {
    changed.push_back(id);
    return S_OK;
  }
  HRESULT OnRequestEdit(DISPID) override { return S_OK; }
  std::vector<DISPID> changed;
};

PropertyChangeRecorder::PropertyChangeRecorder() = default;
PropertyChangeRecorder::~PropertyChangeRecorder() { Stop(); }

bool PropertyChangeRecorder::Start(IUnknown* object) {
  Stop();
  ComPtr<IConnectionPointContainer> container;
  if (object == nullptr ||
      FAILED(object->QueryInterface(IConnectionPointContainer::kIid, container.put_void())) ||
      FAILED(container->FindConnectionPoint(IPropertyNotifySink::kIid, point_.put()))) {
    return false;
  }
  sink_ = MakeCom<Sink>();
  return SUCCEEDED(point_->Advise(sink_.get(), &cookie_));
}

void PropertyChangeRecorder::Stop() {
  if (point_ && cookie_ != 0) point_->Unadvise(cookie_);
  point_.reset();
  cookie_ = 0;
}

const std::vector<DISPID>& PropertyChangeRecorder::changed() const {
  static const std::vector<DISPID> kNone;
  return sink_ ? sink_->changed : kNone;
}

void PropertyChangeRecorder::Clear() {
  if (sink_) sink_->changed.clear();
}

std::string FieldShows(HWND field) {
  const std::string kind = ClassOf(field);
  if (kind == kComboBoxClass) {
    const LRESULT index = SendMessage(field, CB_GETCURSEL, 0, 0);
    if (index < 0) return "";
    char text[512] = {};
    SendMessage(field, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
  }
  if (kind == kButtonClass) return SendMessage(field, BM_GETCHECK, 0, 0) == BST_CHECKED ? "ticked" : "clear";
  return TextOf(field);
}

void ChangeField(HWND field, FieldAction action, const std::string& text, int times) {
  ASSERT_NE(field, nullptr);
  switch (action) {
    case FieldAction::kChoose: ChooseItem(field, text); break;
    case FieldAction::kClick: {
      RECT rect{};
      GetClientRect(field, &rect);
      Click(field, POINT{rect.right / 2, rect.bottom / 2});
      break;
    }
    case FieldAction::kType:
      SetFocus(field);
      SendMessage(field, EM_SETSEL, 0, -1);
      Type(text);
      break;
    case FieldAction::kSpinUp: ClickSpin(field, true, times); break;
    case FieldAction::kSpinDown: ClickSpin(field, false, times); break;
  }
}

PropertyValues ReadProperties(IDispatch* object, std::span<const DISPID> ids) {
  PropertyValues values;
  for (DISPID id : ids) {
    Variant value;
    EXCEPINFO excep;
    UINT arg_err = 0;
    const HRESULT result = object->Invoke(id, InvokeKind::kPropertyGet, {}, &value, &excep, &arg_err);
    values[id] = SUCCEEDED(result) ? VariantText(value) : "<error " + std::to_string(result) + ">";
  }
  return values;
}

PropertyValues ChangedProperties(const PropertyValues& before, const PropertyValues& after) {
  PropertyValues changed;
  for (const auto& [id, value] : after) {
    const auto found = before.find(id);
    if (found == before.end() || found->second != value) changed[id] = value;
  }
  return changed;
}

void RunPageFieldCases(IDispatch* object, std::span<const DISPID> ids, const std::vector<PageFieldCase>& cases,
                       const std::function<void()>& reset) {
  PropertyChangeRecorder recorder;
  ASSERT_TRUE(recorder.Start(object));
  for (const PageFieldCase& test_case : cases) {
    SCOPED_TRACE(test_case.name);
    if (test_case.initial.vt() != VT_EMPTY) {
      Variant argument = test_case.initial;
      EXCEPINFO excep;
      UINT arg_err = 0;
      ASSERT_EQ(object->Invoke(test_case.property, InvokeKind::kPropertyPut, std::span<Variant>(&argument, 1),
                               nullptr, &excep, &arg_err),
                S_OK);
    }
    const PropertyValues before = ReadProperties(object, ids);
    {
      PageHost page(test_case.page, {object});
      ASSERT_TRUE(page.is_open());
      EXPECT_EQ(FieldShows(page.Field(test_case.field)), test_case.shown);
      EXPECT_EQ(page.page()->IsPageDirty(), S_FALSE);
      recorder.Clear();
      ChangeField(page.Field(test_case.acted_on != 0 ? test_case.acted_on : test_case.field), test_case.action,
                  test_case.input, test_case.times);
      EXPECT_EQ(page.page()->IsPageDirty(), S_OK);
      EXPECT_EQ(page.page()->Apply(), S_OK);
      EXPECT_EQ(page.page()->IsPageDirty(), S_FALSE);
    }
    EXPECT_EQ(recorder.changed(), std::vector<DISPID>{test_case.property});
    EXPECT_EQ(ChangedProperties(before, ReadProperties(object, ids)),
              (PropertyValues{{test_case.property, test_case.applied}}));
    reset();
  }
}

void ExpectPageCaptionsAndLists(IDispatch* object, std::span<const PageCaptionCase> cases) {
  for (const PageCaptionCase& test_case : cases) {
    SCOPED_TRACE(test_case.caption);
    PageHost page(test_case.page, {object});
    ASSERT_TRUE(page.is_open());
    EXPECT_EQ(page.info().title, test_case.caption);
    EXPECT_EQ(SendMessage(page.Field(test_case.list), CB_GETCOUNT, 0, 0), test_case.items);
  }
}

std::map<std::string, std::string> FolderFiles(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const std::string& name : ListFolder(folder)) {
    if (name != ".lock") files[name] = ReadFileBytes(folder + "/" + name);
  }
  return files;
}

void ExpectPagesRegisteredAndRemoved(const std::string& module, const std::string& registry_dir,
                                     std::span<const RegisteredPage> pages) {
  HKEY other = nullptr;
  ASSERT_EQ(RegCreateKey(HKEY_CLASSES_ROOT, "Other.Class\\CLSID", &other), ERROR_SUCCESS);
  RegCloseKey(other);
  const std::map<std::string, std::string> before = FolderFiles(registry_dir);
  ASSERT_EQ(RunRegsvr(module), 0);
  for (const RegisteredPage& page : pages) {
    SCOPED_TRACE(page.prog_id);
    std::string prog_id;
    EXPECT_EQ(ProgIDFromCLSID(page.clsid, &prog_id), S_OK);
    EXPECT_EQ(prog_id, page.prog_id);
    CLSID found{};
    EXPECT_EQ(CLSIDFromProgID(page.prog_id, &found), S_OK);
    EXPECT_EQ(found, page.clsid);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKey(HKEY_CLASSES_ROOT, ("CLSID\\" + StringFromGUID(page.clsid)).c_str(), &key), ERROR_SUCCESS);
    std::string name;
    EXPECT_EQ(RegQueryStringValue(key, "", name), ERROR_SUCCESS);
    EXPECT_EQ(name, page.name);
    RegCloseKey(key);
  }
  ASSERT_EQ(RunRegsvr(module, true), 0);
  EXPECT_EQ(FolderFiles(registry_dir), before);
}

PageHost::PageHost(const CLSID& clsid, std::vector<IDispatch*> objects) {
  static const bool is_registered = [] {
    WNDCLASSEX wc;
    wc.lpfnWndProc = &DefWindowProc;
    wc.lpszClassName = "PlatTestPageHost";
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    return RegisterClassEx(&wc) != 0;
  }();
  (void)is_registered;
  host_ = CreateWindowEx(0, "PlatTestPageHost", "Page", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 20, 20, 640, 400,
                         nullptr, nullptr, nullptr, nullptr);
  if (host_ == nullptr) return;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IPropertyPage::kIid, page_.put_void()))) return;
  std::vector<IUnknown*> unknowns(objects.begin(), objects.end());
  if (FAILED(page_->SetObjects(unknowns)) || FAILED(page_->GetPageInfo(&info_))) return;
  if (FAILED(page_->Activate(host_, RECT{0, 0, info_.size.cx, info_.size.cy}, TRUE))) return;
  page_->Show(SW_SHOW);
  HWND child = GetWindow(host_, GW_CHILD);
  if (child != nullptr && ClassOf(child) == kDialogClass) page_window_ = child;
  Pump();
}

PageHost::~PageHost() {
  if (page_) {
    page_->Deactivate();
    page_->SetObjects({});
    page_.reset();
  }
  if (host_ != nullptr && IsWindow(host_)) DestroyWindow(host_);
}

HWND PageHost::Field(int id) const { return GetDlgItem(page_window_, id); }

HWND FrameShownPage(HWND frame) {
  for (HWND child = GetWindow(frame, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == kDialogClass && IsWindowVisible(child)) return child;
  }
  return nullptr;
}

std::vector<std::string> FrameTabTitles(HWND frame) {
  HWND tab = GetDlgItem(frame, kPropertyFrameTabId);
  std::vector<std::string> titles;
  const LRESULT count = SendMessage(tab, TCM_GETITEMCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char text[256] = {};
    TCITEM item;
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    SendMessage(tab, TCM_GETITEM, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    titles.push_back(text);
  }
  return titles;
}

void FrameSelectTab(HWND frame, int index) {
  HWND tab = GetDlgItem(frame, kPropertyFrameTabId);
  SendMessage(tab, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  NMHDR header{tab, static_cast<UINT_PTR>(kPropertyFrameTabId), TCN_SELCHANGE};
  SendMessage(frame, WM_NOTIFY, kPropertyFrameTabId, reinterpret_cast<LPARAM>(&header));
}

void FramePickItem(HWND frame, int id, int index) {
  HWND page = FrameShownPage(frame);
  HWND combo = GetDlgItem(page, id);
  SendMessage(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessage(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void FrameClick(HWND frame, int id) { SendMessage(GetDlgItem(FrameShownPage(frame), id), BM_CLICK, 0, 0); }

namespace {

constexpr UINT kShotPeriodMs = 150;
constexpr int kTicksBeforeShot = 4;  // time for the page to be drawn and shown
constexpr int kMaxTicks = 400;       // a frame that never shows ends the run

struct ShotRun {
  std::string file_prefix;
  std::vector<FramePageShot> shots;
  HWND frame = nullptr;
  int tab = -1;
  int tab_count = 0;
  int ticks_on_tab = 0;
  int ticks = 0;
  bool is_done = false;
};
ShotRun* g_run = nullptr;

BOOL CALLBACK FindFrame(HWND hwnd, LPARAM found) {
  if (IsWindowVisible(hwnd) && GetDlgItem(hwnd, kPropertyFrameTabId) != nullptr) {
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
  }
  return TRUE;
}

RECT ImageRect(HWND hwnd, const RECT& frame) {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  OffsetRect(&rect, -frame.left, -frame.top);
  return rect;
}

void Shoot(ShotRun& run) {
  RECT frame{};
  GetWindowRect(run.frame, &frame);
  FramePageShot shot;
  shot.title = FrameTabTitles(run.frame)[static_cast<size_t>(run.tab)];
  shot.file = run.file_prefix + std::to_string(run.tab) + ".png";
  shot.image = PhotographScreen(frame, shot.file);
  HWND page = FrameShownPage(run.frame);
  const RECT page_rect = ImageRect(page, frame);
  shot.face_point = POINT{page_rect.right - 3, page_rect.bottom - 3};
  for (HWND child = GetWindow(page, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    const std::string kind = ClassOf(child);
    if (IsWindowVisible(child) && (kind == kComboBoxClass || kind == kEditClass)) {
      shot.fields.push_back(ImageRect(child, frame));
    }
  }
  run.shots.push_back(std::move(shot));
}

void CALLBACK ShotTick(HWND, UINT, UINT_PTR, DWORD) {
  if (g_run == nullptr || g_run->is_done) return;
  ShotRun& run = *g_run;
  if (++run.ticks > kMaxTicks) {
    run.is_done = true;
    if (run.frame != nullptr) PostMessage(run.frame, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  if (run.frame == nullptr) {
    EnumWindows(&FindFrame, reinterpret_cast<LPARAM>(&run.frame));
    if (run.frame == nullptr) return;
    run.tab_count = static_cast<int>(SendDlgItemMessage(run.frame, kPropertyFrameTabId, TCM_GETITEMCOUNT, 0, 0));
  }
  if (run.tab < 0 || ++run.ticks_on_tab == kTicksBeforeShot) {
    if (run.tab >= 0) Shoot(run);
    if (++run.tab >= run.tab_count) {
      run.is_done = true;
      PostMessage(run.frame, WM_COMMAND, IDCANCEL, 0);
      return;
    }
    FrameSelectTab(run.frame, run.tab);
    run.ticks_on_tab = 0;
  }
}

}  // namespace

bool IsUniform(const headless::Image& image) {
  for (uint32_t pixel : image.pixels) {
    if (pixel != image.pixels.front()) return false;
  }
  return true;
}

void ExpectPagesDrawn(const std::vector<FramePageShot>& shots) {
  const uint32_t face = ImagePixel(GetSysColor(COLOR_BTNFACE));
  for (const FramePageShot& shot : shots) {
    SCOPED_TRACE(shot.file + " (" + shot.title + ")");
    ASSERT_GT(shot.image.width_px, shot.face_point.x);
    ASSERT_GT(shot.image.height_px, shot.face_point.y);
    EXPECT_EQ(shot.image.At(shot.face_point.x, shot.face_point.y), face) << "the dialog face";
    EXPECT_FALSE(shot.fields.empty());
    for (const RECT& field : shot.fields) {
      EXPECT_FALSE(IsUniform(Crop(shot.image, field))) << "a blank field at " << field.left << "," << field.top;
    }
  }
}

std::vector<FramePageShot> PhotographPropertyFrame(const std::function<void()>& open_frame,
                                                   const std::string& file_prefix) {
  ShotRun run;
  run.file_prefix = file_prefix;
  g_run = &run;
  const UINT_PTR timer = SetTimer(nullptr, 0, kShotPeriodMs, &ShotTick);
  open_frame();
  KillTimer(nullptr, timer);
  g_run = nullptr;
  return std::move(run.shots);
}

std::vector<FramePageShot> PhotographControlPropertyFrame(IDispatch* control, const std::string& folder,
                                                          const std::string& file_prefix) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  ComPtr<IEmbeddedControl> embedded = ComPtr<IDispatch>(control).As<IEmbeddedControl>();
  const HWND window = CreateWindowEx(0, "Static", "Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100, nullptr,
                                     nullptr, nullptr, nullptr);
  if (!embedded || window == nullptr) {
    ADD_FAILURE() << "no embeddable control or no host window";
    if (window != nullptr) DestroyWindow(window);
    return {};
  }
  std::vector<FramePageShot> shots = PhotographPropertyFrame(
      [&] { EXPECT_EQ(embedded->DoVerb(OLEIVERB_PROPERTIES, window), S_OK); }, folder + "/" + file_prefix);
  DestroyWindow(window);
  return shots;
}

}  // namespace plat::test

// The window system's test harness; see plat/testing.h.
#include "plat/testing.h"

#include <algorithm>

#include "plat/gdi_surface.h"
#include "plat/handle_table.h"

namespace plat::test {

namespace {

struct Harness {
  VirtualClock clock{1000};
  headless::HeadlessBackend* backend = nullptr;
};

Harness* harness = nullptr;
// Idle steps and responders run inside a loop's wait: that loop pumps what
// they inject, so Pump leaves it alone meanwhile.
bool is_inside_wait = false;

struct InsideWait {
  InsideWait() : was(is_inside_wait) { is_inside_wait = true; }
  ~InsideWait() { is_inside_wait = was; }
  bool was;
};

backend::InputEvent MouseEvent(backend::EventKind kind, HWND hwnd, POINT client, backend::MouseButton button) {
  backend::InputEvent event;
  event.kind = kind;
  event.window = hwnd != nullptr ? GetAncestor(hwnd, GA_ROOT) : nullptr;
  event.screen = client;
  if (hwnd != nullptr) ClientToScreen(hwnd, &event.screen);
  event.button = button;
  return event;
}

// The virtual key of a character typed on a plain keyboard, 0 when none.
UINT KeyOfCharacter(uint32_t code) {
  if (code >= 'a' && code <= 'z') return code - 'a' + 'A';
  if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) return code;
  if (code == ' ') return VK_SPACE;
  if (code == '\r' || code == '\n') return VK_RETURN;
  if (code == '\t') return VK_TAB;
  return 0;
}

}  // namespace

void UseHeadless(const HeadlessOptions& options) {
  if (harness == nullptr) {
    harness = new Harness;  // for the rest of the process: windows may outlive any scope
    headless::Options backend_options;
    backend_options.width_px = options.width_px;
    backend_options.height_px = options.height_px;
    backend_options.bits_per_pixel = options.bits_per_pixel;
    backend_options.worker_stall_ms = options.worker_stall_ms;
    backend_options.advance_clock_to = [](uint64_t target_ms) {
      const uint64_t now = harness->clock.MonotonicMs();
      if (target_ms > now) harness->clock.Advance(target_ms - now);
    };
    auto made = headless::CreateHeadlessBackend(backend_options);
    harness->backend = made.get();
    backend::InstallBackend(std::move(made));
    InitGui();
    // The system brushes live for the process; make them before anyone counts.
    for (int index = 0; index <= COLOR_GRADIENTINACTIVECAPTION; ++index) GetSysColorBrush(index);
    gdi::SetScreenSize(options.width_px, options.height_px);
  }
  // The process clock is the virtual one while windows are tested (fixtures
  // may have put the system clock back).
  SetClock(&harness->clock);
  harness->backend->SetModalResponder(nullptr);
  harness->backend->SetIdleScript({});
  harness->backend->ClearJournal();
  AllowSpawn(false);
  harness->backend->SetReportedDepth(options.bits_per_pixel);
  gdi::SetReportedBitsPerPixel(options.bits_per_pixel);
}

VirtualClock& GuiClock() {
  if (harness == nullptr) UseHeadless();  // never resets scripts or responders set meanwhile
  return harness->clock;
}

headless::HeadlessBackend& Headless() {
  if (harness == nullptr) UseHeadless();
  return *harness->backend;
}

void Pump() {
  if (is_inside_wait) return;
  MSG msg;
  for (;;) {
    if (!PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE)) return;
    if (msg.message == WM_QUIT) return;  // left for the loop that ends on it
    if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}

void AdvanceTime(uint64_t ms) {
  VirtualClock& clock = GuiClock();
  const uint64_t target = clock.MonotonicMs() + ms;
  for (;;) {
    Pump();
    const uint64_t next = headless::NextDeadlineMs();
    const uint64_t now = clock.MonotonicMs();
    if (next > target) break;
    if (next > now) clock.Advance(next - now);
    Pump();
    if (next <= now && headless::NextDeadlineMs() <= now) break;  // a deadline nobody takes: do not spin
  }
  const uint64_t now = clock.MonotonicMs();
  if (target > now) clock.Advance(target - now);
  Pump();
}

void Inject(backend::InputEvent event) { backend::PostInputEvent(std::move(event)); }

void MoveMouse(HWND hwnd, POINT client) {
  Inject(MouseEvent(backend::EventKind::kMouseMove, hwnd, client, backend::MouseButton::kLeft));
  Pump();
}

void MouseDown(HWND hwnd, POINT client, backend::MouseButton button) {
  Inject(MouseEvent(backend::EventKind::kMouseMove, hwnd, client, button));
  Inject(MouseEvent(backend::EventKind::kMouseDown, hwnd, client, button));
  Pump();
}

void MouseUp(HWND hwnd, POINT client, backend::MouseButton button) {
  Inject(MouseEvent(backend::EventKind::kMouseUp, hwnd, client, button));
  Pump();
}

void Click(HWND hwnd, POINT client, backend::MouseButton button) {
  MouseDown(hwnd, client, button);
  MouseUp(hwnd, client, button);
}

void Drag(HWND hwnd, POINT from, POINT to, int steps) {
  MouseDown(hwnd, from);
  steps = steps < 1 ? 1 : steps;
  for (int i = 1; i <= steps; ++i) {
    MoveMouse(hwnd, POINT{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
  }
  MouseUp(hwnd, to);
}

void Wheel(HWND hwnd, POINT client, int delta) {
  backend::InputEvent event = MouseEvent(backend::EventKind::kWheel, hwnd, client, backend::MouseButton::kLeft);
  event.wheel_delta = delta;
  Inject(std::move(event));
  Pump();
}

void KeyDown(UINT virtual_key, const std::string& text) {
  backend::InputEvent event;
  event.kind = backend::EventKind::kKeyDown;
  event.virtual_key = virtual_key;
  event.text = text;
  Inject(std::move(event));
  Pump();
}

void KeyUp(UINT virtual_key) {
  backend::InputEvent event;
  event.kind = backend::EventKind::kKeyUp;
  event.virtual_key = virtual_key;
  Inject(std::move(event));
  Pump();
}

void Key(UINT virtual_key, const std::string& text) {
  KeyDown(virtual_key, text);
  KeyUp(virtual_key);
}

void Type(const std::string& utf8) {
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    const std::string character = utf8.substr(i, length);
    Key(KeyOfCharacter(lead < 0x80 ? lead : 0), character);
    i += length;
  }
}

void SetModalResponder(ModalResponder responder) {
  if (!responder) {
    Headless().SetModalResponder(nullptr);
    return;
  }
  Headless().SetModalResponder([responder = std::move(responder)](ModalContext& context) {
    InsideWait inside;
    responder(context);
  });
}

void SetIdleScript(std::vector<IdleStep> steps) {
  for (IdleStep& step : steps) {
    step = [step = std::move(step)] {
      InsideWait inside;
      step();
    };
  }
  Headless().SetIdleScript(std::move(steps));
}
std::vector<JournalEntry> GetJournal() { return Headless().GetJournal(); }
void ClearJournal() { Headless().ClearJournal(); }

bool IsJournalled(const JournalEntry& entry) {
  const std::vector<JournalEntry> journal = GetJournal();
  return std::find(journal.begin(), journal.end(), entry) != journal.end();
}

bool IsJournalled(std::string_view kind) {
  const std::vector<JournalEntry> journal = GetJournal();
  return std::any_of(journal.begin(), journal.end(), [&](const JournalEntry& entry) { return entry.kind == kind; });
}

Image Snapshot(HWND hwnd) {
  const HWND root = GetAncestor(hwnd, GA_ROOT);
  Image whole = Headless().Snapshot(root);
  if (root == hwnd || whole.pixels.empty()) return whole;
  RECT root_rect{};
  RECT rect{};
  GetWindowRect(root, &root_rect);
  GetWindowRect(hwnd, &rect);
  Image part;
  part.width_px = rect.right - rect.left;
  part.height_px = rect.bottom - rect.top;
  part.pixels.assign(static_cast<size_t>(part.width_px) * static_cast<size_t>(part.height_px), 0);
  for (int y = 0; y < part.height_px; ++y) {
    for (int x = 0; x < part.width_px; ++x) {
      const int sx = rect.left - root_rect.left + x;
      const int sy = rect.top - root_rect.top + y;
      if (sx >= 0 && sy >= 0 && sx < whole.width_px && sy < whole.height_px) {
        part.pixels[static_cast<size_t>(y) * static_cast<size_t>(part.width_px) + static_cast<size_t>(x)] = whole.At(sx, sy);
      }
    }
  }
  return part;
}

Image SnapshotScreen() { return Headless().SnapshotScreen(); }

void SetReportedDepth(int bits_per_pixel) {
  Headless().SetReportedDepth(bits_per_pixel);
  gdi::SetReportedBitsPerPixel(bits_per_pixel);
}

void SetScreenSize(int width_px, int height_px) {
  Headless().SetScreenSize(width_px, height_px);
  gdi::SetScreenSize(width_px, height_px);
}

size_t LiveWindows() { return HandleTable::Instance().LiveCount(HandleKind::kWindow); }
size_t LiveGdiObjects() { return gdi::LiveObjectCount(); }
size_t LiveGlobalBlocks() { return HandleTable::Instance().LiveCount(HandleKind::kGlobalMemory); }

void GuiTest::SetUp() {
  PlatformTest::SetUp();
  UseHeadless();
  windows_ = LiveWindows();
  gdi_objects_ = LiveGdiObjects();
  global_blocks_ = LiveGlobalBlocks();
}

void GuiTest::TearDown() {
  Pump();
  EXPECT_EQ(LiveWindows(), windows_) << "windows left behind";
  EXPECT_EQ(LiveGdiObjects(), gdi_objects_) << "drawing objects left behind";
  EXPECT_EQ(LiveGlobalBlocks(), global_blocks_) << "global blocks left behind";
  PlatformTest::TearDown();
}

}  // namespace plat::test

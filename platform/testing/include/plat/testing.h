// The window system's test harness: the headless backend on a virtual clock,
// pumping and time, injected mouse and key input, modal responders, idle
// scripts, the journal, snapshots and counts of live objects. Test mains (or
// fixtures) call UseHeadless() before the first window is made.
#ifndef PLAT_TESTING_H_
#define PLAT_TESTING_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "plat/headless.h"
#include "plat/testing/fixture.h"
#include "plat/testing/virtual_clock.h"
#include "plat/user.h"

namespace plat::test {

using headless::Image;
using headless::IdleStep;
using headless::JournalEntry;
using headless::ModalContext;
using headless::ModalResponder;

struct HeadlessOptions {
  int width_px = 1024;
  int height_px = 768;
  int bits_per_pixel = 32;
  uint32_t worker_stall_ms = 10000;
};

// Installs the headless backend and a virtual process clock (once per
// process); later calls clear the responder, idle script and journal.
void UseHeadless(const HeadlessOptions& options = {});
VirtualClock& GuiClock();
headless::HeadlessBackend& Headless();

// Dispatches every message that is due now, without moving the clock.
void Pump();
// Moves the clock on by `ms`, stopping at each deadline on the way (timers,
// hover, caret) to pump what became due.
void AdvanceTime(uint64_t ms);

// Input, as a user would give it: the events go through the queue and are
// pumped (inside an idle step or responder, the waiting loop pumps them).
// Points are client coordinates of `hwnd`.
void MoveMouse(HWND hwnd, POINT client);
void MouseDown(HWND hwnd, POINT client, backend::MouseButton button = backend::MouseButton::kLeft);
void MouseUp(HWND hwnd, POINT client, backend::MouseButton button = backend::MouseButton::kLeft);
void Click(HWND hwnd, POINT client, backend::MouseButton button = backend::MouseButton::kLeft);
void Drag(HWND hwnd, POINT from, POINT to, int steps = 4);
void Wheel(HWND hwnd, POINT client, int delta);
void KeyDown(UINT virtual_key, const std::string& text = {});
void KeyUp(UINT virtual_key);
void Key(UINT virtual_key, const std::string& text = {});
// Each character of `utf8` as a key press that produces it.
void Type(const std::string& utf8);
// Raw events, not pumped.
void Inject(backend::InputEvent event);

void SetModalResponder(ModalResponder responder);
void SetIdleScript(std::vector<IdleStep> steps);
std::vector<JournalEntry> GetJournal();
void ClearJournal();
// Whether the journal holds `entry`, or any entry of `kind`.
bool IsJournalled(const JournalEntry& entry);
bool IsJournalled(std::string_view kind);
// Lets ShellExecute start its opener under the headless backend (it is
// journalled either way); UseHeadless switches it off again.
void AllowSpawn(bool allow = true);
// For a modal responder facing the folder browser: chooses the folder
// `path` (BFFM_SETSELECTION) and presses OK. A path the browser cannot
// choose leaves its selection as it was.
void ChooseFolder(ModalContext& context, const std::string& path);
// The pixels last presented of a window (children cut from their top-level
// window), and of the whole screen.
Image Snapshot(HWND hwnd);
Image SnapshotScreen();
void SetReportedDepth(int bits_per_pixel);
// The screen size that GetSystemMetrics and the screen's device contexts
// report, until it is set again (UseHeadless's size at first).
void SetScreenSize(int width_px, int height_px);

// Points SANE at the project's test configuration (SANE's `test` device
// only, "test:0" and "test:1"). SANE reads the variable once per process,
// at the first sane_init: call it before the scanner library opens SANE.
void UseSaneTestDevice();
// That configuration folder.
std::string SaneTestConfigDir();

size_t LiveWindows();
size_t LiveGdiObjects();
size_t LiveGlobalBlocks();

// A fixture for window tests: the headless backend, a clean journal, and a
// check at the end that the test left no window, drawing object or global
// block behind.
class GuiTest : public PlatformTest {
 protected:
  void SetUp() override;
  void TearDown() override;

 private:
  size_t windows_ = 0;
  size_t gdi_objects_ = 0;
  size_t global_blocks_ = 0;
};

}  // namespace plat::test

#endif  // PLAT_TESTING_H_

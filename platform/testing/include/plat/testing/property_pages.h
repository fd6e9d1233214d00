// Property pages under test: a page made by its class and shown on its own
// in a window, editing given objects; what its fields show and the changes a
// user makes to them (list choices by key, clicks, typed text, spin
// arrows); a sink that records which properties an object reports as
// written; for a modal responder, the property frame's tabs and pages; and
// photographs of a frame's pages on a real screen.
#ifndef PLAT_TESTING_PROPERTY_PAGES_H_
#define PLAT_TESTING_PROPERTY_PAGES_H_

#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "plat/ctl/property_page.h"
#include "plat/headless.h"
#include "plat/oleaut/connection.h"

namespace plat::test {

// A property as text: "TRUE" / "FALSE", a number ("%g" for reals), a string.
std::string VariantText(const Variant& value);

// Records the DISPIDs an object announces as changed, in order.
class PropertyChangeRecorder {
 public:
  PropertyChangeRecorder();
  ~PropertyChangeRecorder();
  PropertyChangeRecorder(const PropertyChangeRecorder&) = delete;
  PropertyChangeRecorder& operator=(const PropertyChangeRecorder&) = delete;

  // Connects to the object's property-notify connection point.
  bool Start(IUnknown* object);
  void Stop();
  const std::vector<DISPID>& changed() const;
  void Clear();

 private:
  class Sink;
  ComPtr<Sink> sink_;
  ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

// What a field shows: a list its selected item ("" for none), a check box
// "ticked" or "clear", anything else its text.
std::string FieldShows(HWND field);

enum class FieldAction { kChoose, kClick, kType, kSpinUp, kSpinDown };

// Changes a field as a user would: kChoose selects the item `text` with the
// keyboard (Home, then Down), kClick clicks its middle, kType selects the
// text and types `text`, kSpinUp / kSpinDown click an arrow `times` times.
void ChangeField(HWND field, FieldAction action, const std::string& text = {}, int times = 1);

// Properties of an object by DISPID, as VariantText shows them.
using PropertyValues = std::map<DISPID, std::string>;
PropertyValues ReadProperties(IDispatch* object, std::span<const DISPID> ids);
// The entries of `after` whose values differ from `before`.
PropertyValues ChangedProperties(const PropertyValues& before, const PropertyValues& after);

// One page of class `clsid` (made through CoCreateInstance) in a window of
// its own, active and shown, editing `objects`.
class PageHost {
 public:
  PageHost(const CLSID& clsid, std::vector<IDispatch*> objects);
  ~PageHost();
  PageHost(const PageHost&) = delete;
  PageHost& operator=(const PageHost&) = delete;

  bool is_open() const { return page_window_ != nullptr; }
  const PROPPAGEINFO& info() const { return info_; }
  IPropertyPage* page() const { return page_.get(); }
  HWND window() const { return page_window_; }
  HWND Field(int id) const;

 private:
  HWND host_ = nullptr;
  HWND page_window_ = nullptr;
  ComPtr<IPropertyPage> page_;
  PROPPAGEINFO info_;
};

// One field of a page and the property it stands for: a value put first
// (VT_EMPTY keeps the object's own), what the field then shows, the change
// made (to `acted_on` when that is not 0, a spin button), and the value
// the property has after the page is applied.
struct PageFieldCase {
  const char* name;
  CLSID page;
  DISPID property;
  Variant initial;
  int field;
  std::string shown;
  FieldAction action;
  std::string input;  // the item chosen or the text typed
  int times;          // spin clicks
  int acted_on;
  std::string applied;
};

// A page's caption and how many items one of its lists offers.
struct PageCaptionCase {
  CLSID page;
  const char* caption;
  int list;
  int items;
};
// Opens each page on `object` and checks its caption and its list's items.
void ExpectPageCaptionsAndLists(IDispatch* object, std::span<const PageCaptionCase> cases);

// Runs each case on `object`: puts the initial value, opens the page, checks
// what the field shows, makes the change, applies, and checks that the
// object announced exactly `property` as written and that among `ids` only
// `property` changed, to `applied`. `reset` then puts the object back.
void RunPageFieldCases(IDispatch* object, std::span<const DISPID> ids, const std::vector<PageFieldCase>& cases,
                       const std::function<void()>& reset);

// The files of a folder (a registry folder's hives) with their bytes, its
// lock file left out.
std::map<std::string, std::string> FolderFiles(const std::string& folder);

// A page class as a module's registration leaves it: its ProgID and the
// name of its class key.
struct RegisteredPage {
  CLSID clsid;
  const char* prog_id;
  const char* name;
};

// Registers `module` with plat-regsvr into the registry kept in
// `registry_dir`, checks each page's class key and its ProgID both ways,
// unregisters it and checks that the hives are byte for byte as before,
// another class's key (made first) included.
void ExpectPagesRegisteredAndRemoved(const std::string& module, const std::string& registry_dir,
                                     std::span<const RegisteredPage> pages);

// A fixture of a control's pages: `Base`'s fixture with a live control made
// by `Host` (Create, dispatch, Release), a recorder of the properties it
// announces as written, and its `writable` properties read by DISPID.
template <class Base, class Host>
class PropertyPagesTest : public Base {
 protected:
  explicit PropertyPagesTest(std::span<const DISPID> writable) : writable_(writable) {}
  void SetUp() override {
    Base::SetUp();
    ASSERT_TRUE(host_.Create());
    ASSERT_TRUE(recorder_.Start(host_.dispatch()));
  }
  void TearDown() override {
    recorder_.Stop();
    host_.Release();
    Base::TearDown();
  }

  PropertyValues Properties() { return ReadProperties(host_.dispatch(), writable_); }
  // The properties that changed from `before`, with their new values.
  PropertyValues ChangedSince(const PropertyValues& before) { return ChangedProperties(before, Properties()); }

  Host host_;
  PropertyChangeRecorder recorder_;

 private:
  std::span<const DISPID> writable_;
};

// For a modal responder facing the property frame, whose controls act at
// once (input would wait for the loop): the visible page, the tabs' titles,
// showing the page of tab `index`, choosing item `index` of list `id`, and
// clicking button `id` of the shown page.
HWND FrameShownPage(HWND frame);
std::vector<std::string> FrameTabTitles(HWND frame);
void FrameSelectTab(HWND frame, int index);
void FramePickItem(HWND frame, int id, int index);
void FrameClick(HWND frame, int id);

// One page of a property frame photographed on the screen (screen tests).
struct FramePageShot {
  std::string title;
  std::string file;          // the PNG written
  headless::Image image;     // the frame window
  POINT face_point{};        // a point of the page's own face, in image coordinates
  std::vector<RECT> fields;  // the page's lists and edits, in image coordinates
};

// True when every pixel of `image` has one colour (or it is empty).
bool IsUniform(const headless::Image& image);

// Checks each picture (test failures): the page's face point has the dialog
// face colour, the page has lists or edits, and none of them is uniform.
void ExpectPagesDrawn(const std::vector<FramePageShot>& shots);

// Runs `open_frame`, which shows a modal property frame, and from a thread
// timer inside the frame's loop shows each tab in turn, photographs the
// frame into "<file_prefix><tab index>.png" once the page is drawn, and then
// cancels the frame. Empty when no frame showed.
std::vector<FramePageShot> PhotographPropertyFrame(const std::function<void()>& open_frame,
                                                   const std::string& file_prefix);

// PhotographPropertyFrame of a control's own frame: a host window is shown,
// the control's Properties verb opens the frame over it, and the pictures go
// to "<folder>/<file_prefix><tab index>.png" (the folder made first).
std::vector<FramePageShot> PhotographControlPropertyFrame(IDispatch* control, const std::string& folder,
                                                          const std::string& file_prefix);

}  // namespace plat::test

#endif  // PLAT_TESTING_PROPERTY_PAGES_H_

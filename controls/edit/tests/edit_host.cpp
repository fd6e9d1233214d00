// The test host of the image edit control and its fixture files.
#include "edit_host.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <ostream>

#include "plat/modules.h"
#include "plat/oleaut/com.h"
#include "plat/resources.h"
#include "plat/user.h"

namespace ondavel::test {

using namespace plat;
namespace fs = std::filesystem;

std::ostream& operator<<(std::ostream& out, const Fired& fired) {
  out << "event " << fired.id << "(";
  for (size_t i = 0; i < fired.args.size(); ++i) out << (i ? ", " : "") << fired.args[i];
  return out << ")";
}

std::ostream& operator<<(std::ostream& out, const LoadedInfo& i) {
  return out << "{" << i.width << "x" << i.height << " depth " << i.color_depth << " comp " << i.compression
             << " format " << i.media_format << " interlace " << i.interlaced << " dpi " << i.x_dpi << "x" << i.y_dpi
             << " page " << i.selected_page << "}";
}

std::string OndavelModulePath() { return ONDAVEL_MODULE_PATH; }

bool EditHost::Create() {
  return CreateControl(kImageEditProgId, kDImageEditEventsIid, [this](EventSink& sink) {
    for (DISPID id : {DISPID(kEventNotifyDraggedRect), DISPID(kEventNotifyDraggingRect), DISPID(kEventNotifyCancelDrag),
                      DISPID_CLICK, DISPID_DBLCLICK, DISPID_KEYDOWN, DISPID_KEYUP, DISPID_MOUSEDOWN, DISPID_MOUSEMOVE,
                      DISPID_MOUSEUP}) {
      sink.On(id, [this, id](std::span<Variant> args) {
        Fired event{id, {}};
        for (const Variant& arg : args) {
          if (arg.vt() == (VT_BYREF | VT_I2)) {
            event.args.push_back(*arg.piVal());
            continue;
          }
          Variant as_long;
          event.args.push_back(VariantChangeType(as_long, arg, VT_I4) == S_OK ? as_long.lVal() : -999999);
        }
        fired.push_back(event);
        if (on_event) on_event(fired.back());
      });
    }
  });
}

void EditHost::Release() {
  Disconnect();
  if (COleControl* control = object(); control != nullptr && control->m_hWnd != nullptr) control->DestroyWindow();
  ReleaseControl();
  if (frame_ && frame_->m_hWnd != nullptr) frame_->DestroyWindow();
  frame_.reset();
}

bool EditHost::CreateWindow(const RECT& rect) {
  frame_ = std::make_unique<CWnd>();
  if (!frame_->CreateEx(0, nullptr, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                        CRect(0, 0, rect.right + 40, rect.bottom + 60), nullptr, 0)) {
    return false;
  }
  return object()->CreateControlWindow(frame_->m_hWnd, rect) != FALSE;
}

bool EditHost::LoadFile(const std::string& name) {
  PutString(kDispInputFileName, name);
  return Load();
}

bool EditHost::SetDIB(HGLOBAL dib, bool is_owner) {
  return Invoke(kDispSetDIB, {Variant(static_cast<int32_t>(dib)), Variant::Bool(is_owner)}).boolVal() != 0;
}

HGLOBAL EditHost::GetDIB() { return static_cast<HGLOBAL>(Invoke(kDispGetDIB).lVal()); }

bool EditHost::SetMemHandle(HGLOBAL block, int32_t size) {
  return Invoke(kDispSetMemHandle, {Variant(static_cast<int32_t>(block)), Variant(size)}).boolVal() != 0;
}

LoadedInfo ReadInfo(EditHost& host) {
  LoadedInfo info;
  info.width = host.GetLong(kDispImageWidth);
  info.height = host.GetLong(kDispImageHeight);
  info.color_depth = host.GetLong(kDispColorDepth);
  info.compression = host.GetLong(kDispCompression);
  info.media_format = host.GetLong(kDispMediaFormat);
  info.interlaced = host.GetLong(kDispInterlacedImage);
  info.x_dpi = host.GetLong(kDispXResolution);
  info.y_dpi = host.GetLong(kDispYResolution);
  info.selected_page = host.GetLong(kDispImageSelectedPage);
  return info;
}

// One folder per test program: programs run side by side and each remakes
// its folder from scratch.
std::string FixtureDir() {
  return std::string(ONDAVEL_TEST_BINARY_DIR) + "/edit-fixtures-" + program_invocation_short_name;
}
std::string Fixture(const std::string& name) { return FixtureDir() + "/" + name; }

void EditTest::SetUpTestSuite() {
  static bool is_made = false;
  if (is_made) return;
  const std::string dir = FixtureDir();
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string im = "convert-im6.q16 ";
  const std::vector<std::string> commands = {
      im + "-size 64x48 gradient:red-blue -units PixelsPerInch -density 150 'BMP3:" + dir + "/a.bmp'",
      im + "-size 64x48 gradient:white-black -colorspace Gray -depth 8 -units Undefined 'png:" + dir + "/a.png'",
      im + "-size 64x48 gradient:yellow-green -units Undefined -quality 90 '" + dir + "/a.jpg'",
      im + "-size 64x48 gradient:red-blue -units PixelsPerInch -density 200 '" + dir + "/a.pcx'",
      im + "-size 64x48 gradient:red-blue -depth 8 -units PixelsPerInch -density 72 -compress None '" + dir +
          "/p1.tif'",
      im + "-size 40x30 gradient:green-white -colorspace Gray -depth 8 -units PixelsPerInch -density 100 " +
          "-compress None '" + dir + "/p2.tif'",
      im + "-size 20x10 xc:orange -depth 8 -compress None '" + dir + "/p3.tif'",
      "tiffcp -c packbits '" + dir + "/p1.tif' '" + dir + "/p2.tif' '" + dir + "/p3.tif' '" + dir + "/three.tif'",
      "cp '" + dir + "/p1.tif' '" + dir + "/one.tif'",
  };
  for (const std::string& command : commands) {
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  is_made = true;
}

void EditTest::SetUp() {
  // The platform keeps a loaded resource's block for the process: the page
  // window's toolbar is loaded once before the fixture counts live blocks.
  static const HMODULE module = LoadLibrary(OndavelModulePath().c_str());
  if (module != nullptr) {
    LoadResource(module, FindResource(module, MAKEINTRESOURCE(201), MAKEINTRESOURCE(RT_TOOLBAR)));
  }
  GuiTest::SetUp();
  ASSERT_EQ(RunRegsvr(OndavelModulePath()), 0);
}

}  // namespace ondavel::test

// The test host of the auto-acquire control.
#include "acquire_host.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>

#include "plat/oleaut/com.h"

namespace mirrask::test {

using namespace plat;

Fired Acquired(int32_t data_no, int16_t status) { return Fired{kEventAcquireNotify, data_no, status, "", false}; }

Fired Saved(int32_t data_no, const std::string& file_name, bool success) {
  return Fired{kEventFileSaveNotify, data_no, 0, file_name, success};
}

std::ostream& operator<<(std::ostream& out, const Fired& fired) {
  if (fired.id == kEventAcquireNotify) return out << "AcquireNotify(" << fired.data_no << ", " << fired.status << ")";
  return out << "FileSaveNotify(" << fired.data_no << ", \"" << fired.file_name << "\", "
             << (fired.success ? "TRUE" : "FALSE") << ")";
}

std::string MirraskModulePath() { return MIRRASK_MODULE_PATH; }

std::string MakePhotoDiscPack(const std::string& folder_name) {
  namespace fs = std::filesystem;
  const std::string folder = std::string(MIRRASK_TEST_BINARY_DIR) + "/" + folder_name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string picture = folder + "/picture.png";
  const std::string pack = folder + "/IMG0001.PCD";
  if (std::system(("convert-im6.q16 -size 768x512 gradient:navy-orange '" + picture + "'").c_str()) != 0) return "";
  if (std::system(("convert-im6.q16 '" + picture + "' 'PCD:" + pack + "'").c_str()) != 0) return "";
  return pack;
}

void FillDisc(const std::string& pack, const std::string& disc, int count) {
  namespace fs = std::filesystem;
  fs::create_directories(disc);
  for (int i = 1; i <= count; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "IMG%04d.PCD", i);
    fs::copy_file(pack, disc + "/" + name, fs::copy_options::overwrite_existing);
  }
}

bool AcquireHost::Create() {
  return CreateControl(kImageAcquireProgId, kDImageAcquireEventsIid, [this](EventSink& sink) {
    sink.On(kEventAcquireNotify, [this](std::span<Variant> args) {
      fired.push_back(Acquired(args[0].lVal(), args[1].iVal()));
      if (on_acquire) on_acquire(fired.back());
    });
    sink.On(kEventFileSaveNotify, [this](std::span<Variant> args) {
      fired.push_back(Saved(args[0].lVal(), args[1].bstrVal(), args[2].boolVal() != 0));
      if (on_save) on_save(fired.back());
    });
  });
}

bool AcquireHost::AcquireImages() { return Invoke(kDispAcquireImages).boolVal() != 0; }
bool AcquireHost::SelectTwainSource() { return Invoke(kDispSelectTwainSource).boolVal() != 0; }
void AcquireHost::Cancel() { Invoke(kDispCancel); }
int16_t AcquireHost::GetErrorCode() { return Invoke(kDispGetErrorCode).iVal(); }
HGLOBAL AcquireHost::GetDIB() { return static_cast<HGLOBAL>(Invoke(kDispGetDIB).lVal()); }

bool AcquireHost::GetMemHandle(int32_t* handle, int32_t* size) {
  return Invoke(kDispGetMemHandle, {Variant::ByRef(handle), Variant::ByRef(size)}).boolVal() != 0;
}

void AcquireTest::SetUp() {
  GuiTest::SetUp();
  ASSERT_EQ(RunRegsvr(MirraskModulePath()), 0);
  ::mkdir(SaveFolder().c_str(), 0755);
}

void AcquireTest::TearDown() {
  for (const std::string& name : SavedFiles()) {
    EXPECT_NE(name.rfind("~Qrv", 0), 0u) << "probe file left behind: " << name;
  }
  GuiTest::TearDown();
}

}  // namespace mirrask::test

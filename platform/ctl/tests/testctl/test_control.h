// The test control: a small control with member, validated, read-only and
// stock properties, methods with by-value and by-reference arguments, one
// event of its own and the stock events, and a versioned property set. Its
// window records the key messages that reach the window's own handling.
#ifndef PLAT_CTL_TESTS_TESTCTL_TEST_CONTROL_H_
#define PLAT_CTL_TESTS_TESTCTL_TEST_CONTROL_H_

#include "plat/ctl/control.h"

namespace plat::testctl {

constexpr GUID kLibId{0x9E51A000, 0x24B1, 0x4C70, {0x9A, 0x10, 0x5D, 0x7E, 0x11, 0x00, 0x00, 0x01}};
constexpr CLSID kClsid{0x9E51A001, 0x24B1, 0x4C70, {0x9A, 0x10, 0x5D, 0x7E, 0x11, 0x00, 0x00, 0x02}};
constexpr IID kDispatchIid{0x9E51A002, 0x24B1, 0x4C70, {0x9A, 0x10, 0x5D, 0x7E, 0x11, 0x00, 0x00, 0x03}};
constexpr IID kEventsIid{0x9E51A003, 0x24B1, 0x4C70, {0x9A, 0x10, 0x5D, 0x7E, 0x11, 0x00, 0x00, 0x04}};
// The module's property page.
constexpr CLSID kPageClsid{0x9E51A004, 0x24B1, 0x4C70, {0x9A, 0x10, 0x5D, 0x7E, 0x11, 0x00, 0x00, 0x05}};
constexpr const char* kProgId = "PlatTest.Ctl.1";

// Dispatch ids.
constexpr DISPID kCaption = 1;
constexpr DISPID kAutoSize = 2;
constexpr DISPID kFillColor = 3;
constexpr DISPID kQuality = 4;
constexpr DISPID kScale = 5;
constexpr DISPID kCount = 6;
constexpr DISPID kXResolution = 7;
constexpr DISPID kNotify = 10;
constexpr DISPID kPressKey = 11;
// Event ids.
constexpr DISPID kChangedEvent = 1;

constexpr DWORD kVersion = MakeVersion(2, 0);

class CTestCtl : public COleControl {
 public:
  CTestCtl();
  ~CTestCtl() override;

  DispatchBinding GetDispatchBinding() override;
  const ControlRegistration& GetControlRegistration() const override;
  const TypeLibInfo& GetTypeLib() const override;
  void DoPropExchange(CPropExchange* px) override;
  DWORD GetSafetyOptions() const override { return INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA; }
  BOOL OnGetPredefinedStrings(DISPID id, std::vector<CString>* strings, std::vector<DWORD>* cookies) override;
  BOOL OnGetPredefinedValue(DISPID id, DWORD cookie, Variant* value) override;
  std::vector<CLSID> GetPropPageIDs() const override { return {kPageClsid}; }

  static const DispatchMap<CTestCtl>& Map();
  LRESULT DefWindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;

  // Persisted.
  CString caption_;
  BOOL auto_size_ = TRUE;
  OLE_COLOR fill_color_ = 0xFFFFFF;
  short quality_ = 2;
  float scale_ = 1.0f;
  short x_resolution_ = 0;
  // Run time.
  int32_t count_ = 0;
  int changes_ = 0;
  struct KeyMessage {
    UINT message;
    UINT key;
    bool operator==(const KeyMessage&) const = default;
  };
  std::vector<KeyMessage> keys_passed_on_;

 private:
  void OnMemberChanged();
  short GetQuality() const { return quality_; }
  void SetQuality(short quality);
  float GetScale() const { return scale_; }
  void SetScale(float scale);
  int32_t GetCount();
  short GetXResolution() const { return x_resolution_; }
  void SetXResolution(short dpi);
  BOOL Notify(int32_t data_no);
  short PressKey(short key);
};

// Instances alive in the module (a test checks that a released control was destroyed).
int LiveTestControls();

}  // namespace plat::testctl

#endif  // PLAT_CTL_TESTS_TESTCTL_TEST_CONTROL_H_

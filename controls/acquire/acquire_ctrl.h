// CQRVBImgAcquireCtrl: the auto-acquire control. It acquires pages from a
// scanner source or a photo disc inside AcquireImages, announces each page to
// its host, converts it and writes it to a file, and reports every result by
// event and by its one sticky error code.
#ifndef CONTROLS_ACQUIRE_ACQUIRE_CTRL_H_
#define CONTROLS_ACQUIRE_ACQUIRE_CTRL_H_

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Mirrask.h"
#include "plat/acquire/acquire_notify.h"
#include "plat/acquire/pcd_ctrl.h"
#include "plat/acquire/twain_ctrl.h"
#include "plat/ctl/control.h"
#include "save_rules.h"

namespace mirrask {

enum class AcquireState : short {
  kIdle = 0,
  kSelectingSource = 1,
  kAcquiring = 2,
  kCancelled = 3,
};

constexpr plat::DWORD kPropertyVersion = plat::MakeVersion(2, 0);

class CQRVBImgAcquireCtrl : public plat::COleControl {
 public:
  CQRVBImgAcquireCtrl();
  ~CQRVBImgAcquireCtrl() override;

  static const plat::DispatchMap<CQRVBImgAcquireCtrl>& Map();
  plat::DispatchBinding GetDispatchBinding() override;
  const plat::ControlRegistration& GetControlRegistration() const override;
  const plat::TypeLibInfo& GetTypeLib() const override;
  void DoPropExchange(plat::CPropExchange* px) override;
  plat::DWORD GetSafetyOptions() const override;
  void OnDraw(plat::CDC* dc, const plat::CRect& bounds, const plat::CRect& invalid) override;
  void AboutBox() override;
  std::vector<plat::CLSID> GetPropPageIDs() const override;

  // The notification road: the callback of both acquisition libraries finds
  // the control by its id and hands it the record.
  static int32_t AcquireCallback(uint16_t id, plat::AcquireNotifyRecord* record);
  void HandleAcquireNotify(const plat::AcquireNotifyRecord& record);

  uint16_t control_id() const { return control_id_; }
  AcquireState state() const { return state_; }

 private:
  // ---- Properties ------------------------------------------------------------------
  template <plat::DISPID kId>
  void OnMemberChanged() {
    BoundPropertyChanged(kId);
    SetModifiedFlag();
  }
  void Changed(plat::DISPID id);
  [[noreturn]] void Refuse();

  int32_t GetColorDepth() const { return color_depth_; }
  void SetColorDepth(int32_t value);
  int32_t GetCompression() const { return compression_; }
  void SetCompression(int32_t value);
  int32_t GetImageHeight() const { return image_height_; }
  void SetImageHeight(int32_t value);
  int32_t GetImageWidth() const { return image_width_; }
  void SetImageWidth(int32_t value);
  int32_t GetInputSource() const { return input_source_; }
  void SetInputSource(int32_t value);
  int32_t GetMediaFormat() const { return media_format_; }
  void SetMediaFormat(int32_t value);
  short GetQuality() const { return quality_; }
  void SetQuality(short value);
  int32_t GetRotation() const { return rotation_; }
  void SetRotation(int32_t value);
  int32_t GetInterlacedImage() const { return interlaced_image_; }
  void SetInterlacedImage(int32_t value);
  int32_t GetPcdDataSize() const { return pcd_data_size_; }
  void SetPcdDataSize(int32_t value);
  int32_t GetSrcRectUnit() const { return src_rect_unit_; }
  void SetSrcRectUnit(int32_t value);
  float GetSrcLeft() const { return src_left_; }
  void SetSrcLeft(float value);
  float GetSrcTop() const { return src_top_; }
  void SetSrcTop(float value);
  float GetSrcWidth() const { return src_width_; }
  void SetSrcWidth(float value);
  float GetSrcHeight() const { return src_height_; }
  void SetSrcHeight(float value);
  int32_t GetTwainPaperSize() const { return twain_paper_size_; }
  void SetTwainPaperSize(int32_t value);
  int32_t GetInitialNumber() const { return initial_number_; }
  void SetInitialNumber(int32_t value);
  int32_t GetAcquireCount() const { return acquire_count_; }
  void SetAcquireCount(int32_t value);
  int32_t GetAcquireStartNo() const { return acquire_start_no_; }
  void SetAcquireStartNo(int32_t value);
  int32_t GetAcquiredCount();
  short GetTwainResolution() const { return twain_resolution_; }
  void SetTwainResolution(short value);
  short GetXResolution() const { return x_resolution_; }
  void SetXResolution(short value);
  short GetYResolution() const { return y_resolution_; }
  void SetYResolution(short value);

  // ---- Methods ---------------------------------------------------------------------
  plat::BOOL SelectTwainSource();
  void Cancel();
  plat::BOOL AcquireImages();
  short GetErrorCode() const { return error_code_; }
  plat::BOOL GetMemHandle(int32_t* mem_handle, int32_t* mem_size);
  int32_t GetDIB();

  // ---- The acquisition session -------------------------------------------------------
  // Keeps the first error since the error code was last cleared.
  void SetError(short code);
  void ClearError() { error_code_ = 0; }
  plat::BOOL OpenAcquireSession(short source);
  plat::BOOL StartSourceAcquire();
  void CancelSourceAcquire();
  plat::BOOL CloseAcquireSession(short source, bool delete_objects);
  plat::HWND OwnerWindow();
  // The save folder of a run: "" without AutoSave or path, else the path
  // with one "/" at its end; false with 2112 when the folder takes no file.
  bool PrepareSaveFolder();

  // ---- Saving pages ------------------------------------------------------------------
  plat::BOOL SaveAcquiredImage(HGLOBAL page, short value1);
  HGLOBAL RotateDib(HGLOBAL page, short turns, short* error);
  // Writes `image` to a free name derived from `name`; the name written, or
  // "" with `error` set.
  std::string WriteImageFile(HGLOBAL image, const std::string& name, int32_t page, short* error);
  // The page in the save depth and size: `page` itself (converted FALSE) or
  // a new handle; 0 with `error` set.
  HGLOBAL PrepareImage(HGLOBAL page, bool keep_depth, bool* converted, short* error);
  HGLOBAL ConvertColorDepth(HGLOBAL image, short depth, short target, short* error);
  bool SaveImageFile(HGLOBAL image, const std::string& name, short* error);

  // ---- Persisted properties -----------------------------------------------------------
  plat::BOOL aspect_ratio_ = TRUE;
  plat::OLE_COLOR filling_color_ = 0xFFFFFF;
  plat::CString save_data_path_;
  plat::BOOL show_ui_ = FALSE;
  plat::BOOL twain_auto_feeder_ = FALSE;
  plat::CString twain_source_name_;
  plat::CString pcd_path_;
  plat::CString file_name_format_;
  plat::BOOL auto_save_ = TRUE;
  short color_depth_ = 0;
  short compression_ = 1;
  int32_t image_height_ = 0;
  int32_t image_width_ = 0;
  short input_source_ = 2;
  short media_format_ = 101;
  short quality_ = 2;
  short rotation_ = 0;
  short interlaced_image_ = 1;
  short pcd_data_size_ = 4;
  short src_rect_unit_ = 3;
  float src_left_ = 0;
  float src_top_ = 0;
  float src_width_ = 0;
  float src_height_ = 0;
  short twain_paper_size_ = 0;
  int32_t initial_number_ = 1;
  int32_t acquire_count_ = 0;
  int32_t acquire_start_no_ = 0;
  short twain_resolution_ = 0;
  plat::BOOL multi_page_ = FALSE;
  short x_resolution_ = 0;
  short y_resolution_ = 0;

  // ---- Run time ------------------------------------------------------------------------
  short error_code_ = 0;
  AcquireState state_ = AcquireState::kIdle;
  short running_source_ = 0;
  bool stop_ = false;
  int32_t acquired_count_ = 0;
  std::string save_folder_;
  std::string multi_page_name_;
  std::set<std::string> written_names_;  // files written in the running acquisition
  HGLOBAL current_page_ = 0;
  short current_value_ = 0;
  std::unique_ptr<plat::CQRVNTwainCtrl> scanner_;
  std::unique_ptr<plat::CQRVNPcdCtrl> photo_disc_;
  plat::HWND owner_window_ = nullptr;
  uint16_t control_id_ = 0;
  ImageSaveParams save_params_;
};

}  // namespace mirrask

#endif  // CONTROLS_ACQUIRE_ACQUIRE_CTRL_H_

// CQRVNImgEditCtrl: the image edit control. It holds one current image with
// an undo image, a base image for Reset and a colour-reduced display copy,
// shows it in its view window "EditView", loads it from files, file URLs,
// memory, a scanner source or a photo disc, and answers its host through
// one dispatch table and one error code that every method leaves behind.
//
// The control's members live in several files: image_edit_ctrl.cpp (the
// dispatch table, properties, persistence, face, about box),
// image_edit_window.cpp (the control's window and events), image_store.cpp
// (the image store and the host's bitmaps), image_load.cpp (Load and the
// readers), page_choice.cpp (the page window) and acquire_sources.cpp (the
// scanner and photo-disc objects and their queries). The editing,
// processing and saving methods have their own files.
#ifndef CONTROLS_EDIT_IMAGE_EDIT_CTRL_H_
#define CONTROLS_EDIT_IMAGE_EDIT_CTRL_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Ondavel.h"
#include "callback_window.h"
#include "edit_constants.h"
#include "image_library_binding.h"
#include "image_view.h"
#include "plat/acquire/acquire_notify.h"
#include "plat/acquire/pcd_ctrl.h"
#include "plat/acquire/twain_ctrl.h"
#include "plat/ctl/control.h"
#include "window_owner.h"

namespace ondavel {

// Persisted as 2.0; SaveXResolution and SaveYResolution exist from 2.0 on.
constexpr plat::DWORD kPropertyVersion = plat::MakeVersion(2, 0);
// Child id of the view window.
constexpr plat::UINT kViewWindowId = 1;
// Limits of the Zoom property, in percent.
constexpr short kZoomMin = 1;
constexpr short kZoomMax = 10000;
// Thumbnails of the page window: cells of 100 x 100, pictures made at most 90 x 90.
constexpr int kPageCellSize = 100;
constexpr int kThumbnailSize = 90;

// The information fields of one image (the control's own, or temporaries).
struct ImageInfo {
  int32_t width = 0;
  int32_t height = 0;
  int16_t media_format = qrvUnknown;
  int16_t interlaced = qrvUnknown;
  int16_t color_depth = qrvUnknown;
  int16_t compression = qrvUnknown;
  int16_t selected_page = 0;
  int16_t x_dpi = 0;
  int16_t y_dpi = 0;
};

// The grid of the page window: rows x columns cells for `pages` pages on a
// screen of the given size; `can_scroll` when the pages do not all fit.
struct PageGrid {
  int rows = 1;
  int columns = 1;
  bool can_scroll = false;
};
PageGrid ComputePageGrid(int pages, int screen_width_px, int screen_height_px);

// The depth of the display copy of an image of `color_depth` on a screen of
// `screen_depth` bits: 4 or 8, or 0 when the image is shown as it is.
int16_t DisplayCopyDepth(int screen_depth, int16_t color_depth);

class CQRVNImgEditCtrl : public plat::COleControl, public WindowOwner {
 public:
  CQRVNImgEditCtrl();
  ~CQRVNImgEditCtrl() override;

  static const plat::DispatchMap<CQRVNImgEditCtrl>& Map();
  plat::DispatchBinding GetDispatchBinding() override;
  const plat::ControlRegistration& GetControlRegistration() const override;
  const plat::TypeLibInfo& GetTypeLib() const override;
  void DoPropExchange(plat::CPropExchange* px) override;
  plat::DWORD GetSafetyOptions() const override;
  void OnDraw(plat::CDC* dc, const plat::CRect& bounds, const plat::CRect& invalid) override;
  void AboutBox() override;
  std::vector<plat::CLSID> GetPropPageIDs() const override;
  void OnRefresh() override;
  void OnBackColorChanged() override;
  void OnAmbientPropertyChange(plat::DISPID id) override;
  plat::BOOL OnGetPredefinedStrings(plat::DISPID id, std::vector<plat::CString>* strings,
                                    std::vector<plat::DWORD>* cookies) override;
  plat::BOOL OnGetPredefinedValue(plat::DISPID id, plat::DWORD cookie, plat::Variant* value) override;

  // ---- The control's window (image_edit_window.cpp) ----------------------------------
  int OnCreate(plat::CREATESTRUCT* create) override;
  void OnSize(plat::UINT type, int cx, int cy) override;
  void OnPaint() override;
  void OnKeyDown(plat::UINT key, plat::UINT repeat, plat::UINT flags) override;
  int OnMouseActivate(plat::CWnd* top_level, plat::UINT hit_test, plat::UINT message) override;
  void OnPaletteChanged(plat::CWnd* focus_wnd) override;
  plat::BOOL OnQueryNewPalette() override;
  plat::BOOL PreTranslateMessage(plat::MSG* msg) override;
  plat::LRESULT WindowProc(plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) override;

  // WindowOwner: what the view and the callback window tell the control.
  void NotifyDraggingRect(const plat::RECT& rect) override;
  void NotifyDraggedRect(const plat::RECT& rect) override;
  void NotifyCancelDrag() override;
  void ForwardViewMessage(plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) override;
  void HandleAcqNotify(plat::LPARAM record) override;

  // ---- The image store (image_store.cpp) ----------------------------------------------
  // Makes `image` current as a new image: the base image becomes a copy of
  // it, the undo image goes. 0 for a null handle, else 1 (the store owns it).
  int SetCurrentImage(HGLOBAL image);
  // Makes `image` current after an edit: the old current image becomes the
  // undo image, the base image stays. 0 for a null handle, else 1.
  int ReplaceCurrentImage(HGLOBAL image);
  // The colour-reduced copy the view shows on a 16- or 256-colour screen; 0
  // when none is needed or it could not be made.
  HGLOBAL MakeDisplayCopy(HGLOBAL image);
  // 1 when an image became current from the notification record, else 0.
  int HandleAcqNotify(const plat::AcquireNotifyRecord& record);

  // ---- Loading (image_load.cpp, page_choice.cpp) ---------------------------------------
  // A new handle, or 0 with the error code set. `info` receives the
  // information fields of what was read (the no-image values on a failed read).
  HGLOBAL ReadImageFromFile(const char* path, int page, ImageInfo* info, bool show_dialog);
  HGLOBAL ReadImageFromMemory(HGLOBAL block, int32_t length, const char* display_name, int page, ImageInfo* info,
                              bool show_dialog);
  // The page chosen (1..count), 0 when none was chosen, -1 on failure.
  int ChoosePage(const char* path, int16_t media_format, int page_count);
  int ChoosePageFromMemory(HGLOBAL block, int32_t length, int16_t media_format, const char* display_name,
                           int page_count);
  // A picture of `image` within `width` x `height` for a screen of
  // `screen_depth` bits; 0 when it could not be made.
  HGLOBAL MakeThumbnail(HGLOBAL image, int width, int height, int screen_depth);

  // ---- Windows and acquisition sources (acquire_sources.cpp) ----------------------------
  // Where the acquisition libraries send their notifications: null in design
  // mode, the control's window, else the hidden callback window.
  plat::HWND GetCallbackWindow();
  plat::HWND GetOwnerWindow();
  plat::HWND GetFrameWindow();
  plat::BOOL OpenScanner(plat::HWND window);
  plat::BOOL OpenPhotoDisc(plat::HWND window);

  // ---- State read by tests and by the editing methods ---------------------------------------
  HGLOBAL current_image() const { return current_image_; }
  HGLOBAL undo_image() const { return undo_image_; }
  HGLOBAL base_image() const { return base_image_; }
  HGLOBAL display_copy() const { return display_copy_; }
  int16_t undo_color_depth() const { return undo_color_depth_; }
  int16_t base_color_depth() const { return base_color_depth_; }
  ImageView& view() { return view_; }
  ImageLibraryBinding& binding() { return *binding_; }
  CallbackWindow* callback_window() const { return callback_window_.get(); }
  plat::CQRVNTwainCtrl* scanner() const { return scanner_.get(); }
  plat::CQRVNPcdCtrl* photo_disc() const { return photo_disc_.get(); }
  // Whether a page window is open in this process.
  static bool IsChoosingPage();

 private:
  // ---- Errors ----------------------------------------------------------------------------
  void SetError(int16_t code) { error_code_ = code; }
  // `code`, or `fallback` when `code` is 0.
  void SetErrorOr(int16_t code, int16_t fallback) { error_code_ = code != 0 ? code : fallback; }
  void ClearError() { error_code_ = plat::qrvSuccess; }
  void SetBindingError() { error_code_ = binding_->GetBindingError(); }

  // ---- Properties (image_edit_ctrl.cpp) ----------------------------------------------------
  template <plat::DISPID kId>
  void OnMemberChanged() {
    Changed(kId);
  }
  void Changed(plat::DISPID id);
  [[noreturn]] void Refuse();
  // Raises get-not-supported in design mode.
  void RequireUserMode();
  void OnAutoColorDecreaseChanged();

  int32_t GetHorzPos() const { return horz_pos_; }
  void SetHorzPos(int32_t value);
  short GetImageSelectPage() const { return image_select_page_; }
  void SetImageSelectPage(short value);
  float GetInputSrcHeight() const { return input_src_height_; }
  void SetInputSrcHeight(float value);
  float GetInputSrcLeft() const { return input_src_left_; }
  void SetInputSrcLeft(float value);
  float GetInputSrcTop() const { return input_src_top_; }
  void SetInputSrcTop(float value);
  int32_t GetInputSrcUnit() const { return input_src_unit_; }
  void SetInputSrcUnit(int32_t value);
  float GetInputSrcWidth() const { return input_src_width_; }
  void SetInputSrcWidth(float value);
  int32_t GetInterpolation() const { return interpolation_; }
  void SetInterpolation(int32_t value);
  int32_t GetMorphology() const { return morphology_; }
  void SetMorphology(int32_t value);
  int32_t GetPcdSelectColorDepth() const { return pcd_select_color_depth_; }
  void SetPcdSelectColorDepth(int32_t value);
  int32_t GetPcdSelectDataSize() const { return pcd_select_data_size_; }
  void SetPcdSelectDataSize(int32_t value);
  short GetPcdSelectImageNo() const { return pcd_select_image_no_; }
  void SetPcdSelectImageNo(short value);
  int32_t GetSaveCompression() const { return save_compression_; }
  void SetSaveCompression(int32_t value);
  int32_t GetSaveInterlacedImage() const { return save_interlaced_image_; }
  void SetSaveInterlacedImage(int32_t value);
  int32_t GetSaveMediaFormat() const { return save_media_format_; }
  void SetSaveMediaFormat(int32_t value);
  short GetSaveQuality() const { return save_quality_; }
  void SetSaveQuality(short value);
  short GetThreshold() const { return threshold_; }
  void SetThreshold(short value);
  int32_t GetTwainColorDepth() const { return twain_color_depth_; }
  void SetTwainColorDepth(int32_t value);
  int32_t GetTwainPaperSize() const { return twain_paper_size_; }
  void SetTwainPaperSize(int32_t value);
  short GetTwainResolution() const { return twain_resolution_; }
  void SetTwainResolution(short value);
  short GetZoom() const { return zoom_; }
  void SetZoom(short value);
  int32_t GetVertPos() const { return vert_pos_; }
  void SetVertPos(int32_t value);
  int32_t GetInputSource() const { return input_source_; }
  void SetInputSource(int32_t value);
  int32_t GetColorReduction() const { return color_reduction_; }
  void SetColorReduction(int32_t value);
  short GetSaveXResolution() const { return save_x_resolution_; }
  void SetSaveXResolution(short value);
  short GetSaveYResolution() const { return save_y_resolution_; }
  void SetSaveYResolution(short value);

  // Read-only image information (design mode raises).
  int32_t GetImageWidth();
  int32_t GetImageHeight();
  int32_t GetColorDepth();
  int32_t GetCompression();
  int32_t GetMediaFormat();
  int32_t GetInterlacedImage();
  short GetImageSelectedPage();
  short GetXResolution();
  short GetYResolution();

  // Scanner, photo-disc and page queries (acquire_sources.cpp).
  short GetImageTotalPage();
  short GetTwainSourceCount();
  short GetPcdImageCount();
  short GetPcdColorDepthCount();
  short GetPcdDataSizeCount();
  plat::CString GetTwainSourceName(short index);
  short GetPcdColorDepth(short index);
  int32_t GetPcdDataSize(short index);

  // ---- Methods of loading and acquiring ----------------------------------------------------
  plat::BOOL Load();
  plat::BOOL SelectTwainSource();
  short GetErrorCode() const { return error_code_; }
  plat::BOOL SetMemHandle(int32_t mem_handle, int32_t mem_size);
  int32_t GetDIB();
  plat::BOOL SetDIB(int32_t dib, plat::BOOL is_owner);

  // ---- Editing, processing and saving methods --------------------------------------------------
  // BEGIN editing, processing and saving methods: Save, Delete, the geometry,
  // colour and filter operations, Undo, Reset, the rubber band, Blend,
  // Calculate, GetMemHandle, the TIFF page operations, GetPageCount and the
  // clipboard methods are declared here and defined in their own files.
  // Geometry, colour and filter operations (edit_methods.cpp): each runs one
  // wrapper on the current image and keeps the old image for Undo.
  plat::BOOL ResizeImage(int32_t width, int32_t height);
  plat::BOOL RotateArbitrary(short angle);
  plat::BOOL Rotate(short angle);
  plat::BOOL Flip(short direction);
  plat::BOOL DistortSkew(short axis, short angle);
  plat::BOOL DistortPinch(short ratio);
  plat::BOOL DistortSphere(short direction, short ratio);
  plat::BOOL ClipRect(int32_t left, int32_t top, int32_t width, int32_t height);
  plat::BOOL FillRect(int32_t left, int32_t top, int32_t width, int32_t height);
  plat::BOOL ChangeColorDepth(short depth);
  plat::BOOL Invert();
  plat::BOOL AdjustBrightness(short brightness, short contrast);
  plat::BOOL AdjustColorBalance(short red, short green, short blue);
  plat::BOOL AdjustHue(short hue, short saturation, short lightness);
  plat::BOOL AdjustGamma(short gamma);
  plat::BOOL Solarize();
  plat::BOOL Equalize();
  plat::BOOL Blur();
  plat::BOOL Sharpen();
  plat::BOOL Median();
  plat::BOOL Emboss();
  plat::BOOL FindEdges();
  plat::BOOL EnhanceEdges();
  // The end of every edit: a new image becomes current (TRUE), or the
  // binding's error is kept (FALSE) and nothing changes.
  plat::BOOL FinishEdit(HGLOBAL result);
  // The same for an edit that changes the size: ImageWidth and ImageHeight
  // become `width` and `height` on success.
  plat::BOOL FinishSizedEdit(HGLOBAL result, int32_t width, int32_t height);
  using FilterWrapper = HGLOBAL (ImageLibraryBinding::*)(HGLOBAL, int16_t, int32_t, int32_t, int32_t, int32_t);
  plat::BOOL RunWholeImageFilter(FilterWrapper wrapper);

  // Blend and Calculate with a second image (edit_blend.cpp).
  plat::BOOL Blend(short ratio, int32_t dst_left, int32_t dst_top, int32_t dst_width, int32_t dst_height,
                   const char* src_file_name, int32_t src_left, int32_t src_top);
  plat::BOOL Calculate(short calc_option, int32_t dst_left, int32_t dst_top, int32_t dst_width, int32_t dst_height,
                       const char* src_file_name, int32_t src_left, int32_t src_top);
  // The second image of Blend and Calculate, page 1, in the current image's
  // depth; 0 with the error code set.
  HGLOBAL ReadSecondImage(const char* src_file_name);
  // `source` (taken) in the current image's depth; 0 with 1011 when the
  // current image is neither grayscale nor 24-bit colour.
  HGLOBAL MatchSecondImage(HGLOBAL source, int16_t source_depth);

  // History (edit_history.cpp).
  plat::BOOL Undo();
  plat::BOOL Reset();
  plat::BOOL Delete();

  // Saving (edit_save.cpp): 0 or 1012 for SaveMediaFormat, SaveCompression and ColorDepth.
  int16_t ValidateSaveFormat() const;
  int16_t SaveInterlaceFlag() const;
  // The end of every file write: the binding's error kept on failure.
  plat::BOOL FinishWrite(plat::BOOL is_written);
  plat::BOOL Save(const char* file_name);
  plat::BOOL GetMemHandle(int32_t* mem_handle, int32_t* mem_size);

  // TIFF pages (edit_pages.cpp).
  plat::BOOL AddPage(const char* file_name);
  plat::BOOL InsertPage(const char* file_name, short page);
  plat::BOOL ReplacePage(const char* file_name, short page);
  plat::BOOL DeletePage(const char* file_name, short page);
  short GetPageCount(const char* file_name);

  // The rubber band (edit_selection.cpp).
  plat::BOOL SetRubberBand(int32_t left, int32_t top, int32_t right, int32_t bottom);
  void ClearRubberBand();

  // The clipboard (edit_clipboard.cpp).
  plat::BOOL CopyToClipboard(int32_t left, int32_t top, int32_t width, int32_t height);
  plat::BOOL PasteFromClipboard(int32_t left, int32_t top);
  plat::BOOL CreateFromClipboard();
  // A checked, normalised copy of the clipboard's bitmap; 0 with 2200, 2201, 1001 or 9000.
  HGLOBAL ReadClipboardDib();
  // END editing, processing and saving methods.

  // ---- Loading steps (image_load.cpp) -----------------------------------------------------
  // The 0-based page to read of an image of `count` pages when page `page`
  // (1-based) is asked for, the page window run by `choose` when shown;
  // -1 with the error set when nothing is to be read.
  int PageIndexToRead(int page, int32_t count, bool show_dialog, bool is_failure_an_abort,
                      const std::function<int()>& choose);
  plat::BOOL LoadFromFileOrUrl();
  plat::BOOL LoadFromScanner();
  plat::BOOL LoadFromPhotoDisc();
  // The information fields of the control from `info`.
  void SetImageInfo(const ImageInfo& info);
  // The no-image values in every information field.
  void ClearImageInfo();
  // The information of a packed bitmap: width, height, depth (by its bit
  // count) and resolutions; the file fields (compression, format, interlace)
  // unknown; the selected page as it is now.
  ImageInfo DibInfo(HGLOBAL dib);

  // The page window over `page_count` pages read by `read_page`; the page
  // chosen (1..count), 0 when none was, -1 with the error set on failure.
  int RunPageChoice(const char* title, int page_count, bool preselect_first,
                    const std::function<HGLOBAL(int)>& read_page);

  // ---- The view (image_store.cpp) -------------------------------------------------------------
  // Whether the view window exists.
  bool HasView() const { return view_.GetSafeHwnd() != nullptr; }
  void ClearViewImage();
  // Makes the display copy when AutoColorDecrease asks for one and shows it
  // (or the current image), invalidating the view with erasing.
  void ShowCurrentImage();
  void FreeDisplayCopy();
  // Frees a block of the store and clears its slot, so that it is freed once.
  static void FreeBlock(HGLOBAL& block);
  // The screen's depth (planes x bits per pixel) from the control's (or the
  // screen's) device context.
  int ScreenDepth();
  // FillingColor as a drawing colour, system colours resolved.
  plat::COLORREF TranslatedFillingColor() const { return TranslateColor(filling_color_); }

  // ---- Persisted properties ------------------------------------------------------------------
  plat::BOOL show_ui_ = TRUE;
  plat::BOOL twain_auto_feeder_ = FALSE;
  plat::CString twain_select_source_name_;
  plat::CString pcd_path_;
  plat::OLE_COLOR filling_color_ = 0xFFFFFF;
  plat::BOOL aspect_ratio_ = TRUE;
  plat::CString input_file_name_;
  plat::BOOL auto_color_decrease_ = TRUE;
  short horz_pos_ = qrvHorzPosLeft;
  short image_select_page_ = 1;
  float input_src_height_ = 0.0f;
  float input_src_left_ = 0.0f;
  float input_src_top_ = 0.0f;
  short input_src_unit_ = plat::qrvUnitPixel;
  float input_src_width_ = 0.0f;
  short interpolation_ = qrvInterNearest;
  short morphology_ = qrvMorphologyNone;
  short pcd_select_color_depth_ = plat::qrvColorRGB;
  short pcd_select_data_size_ = plat::qrvPcdResBase;
  short pcd_select_image_no_ = 1;
  short save_compression_ = plat::qrvCompNone;
  short save_interlaced_image_ = plat::qrvInterlaceNone;
  short save_media_format_ = plat::qrvFileBMP;
  short save_quality_ = 2;
  short threshold_ = 127;
  short twain_color_depth_ = plat::qrvColorDefault;
  short twain_paper_size_ = plat::qrvSizeDefault;
  short twain_resolution_ = 0;
  short zoom_ = 100;
  short vert_pos_ = qrvVertPosTop;
  short input_source_ = qrvSrcFile;
  short color_reduction_ = qrvReductionDiffusion;
  short save_x_resolution_ = 0;
  short save_y_resolution_ = 0;

  // ---- Image information (of the current image) ---------------------------------------------------
  int32_t image_width_ = 0;
  int32_t image_height_ = 0;
  int16_t media_format_ = qrvUnknown;
  int16_t interlaced_image_ = qrvUnknown;
  int16_t color_depth_ = qrvUnknown;
  int16_t compression_ = qrvUnknown;
  int16_t image_selected_page_ = 0;
  int16_t x_resolution_ = 0;
  int16_t y_resolution_ = 0;

  // ---- The image store ----------------------------------------------------------------------------
  HGLOBAL current_image_ = 0;
  HGLOBAL undo_image_ = 0;
  HGLOBAL base_image_ = 0;
  HGLOBAL display_copy_ = 0;
  int16_t undo_color_depth_ = qrvUnknown;
  int16_t base_color_depth_ = qrvUnknown;

  // ---- Run time ----------------------------------------------------------------------------------------
  int16_t error_code_ = plat::qrvSuccess;
  std::unique_ptr<ImageLibraryBinding> binding_;
  ImageView view_;
  std::unique_ptr<plat::CQRVNTwainCtrl> scanner_;
  std::unique_ptr<plat::CQRVNPcdCtrl> photo_disc_;
  std::unique_ptr<CallbackWindow> callback_window_;
  plat::HPALETTE ambient_palette_ = nullptr;
  // Set while an acquisition call runs: whether a delivered image became
  // current, and whether one was delivered but could not be made current.
  bool has_acquired_image_ = false;
  bool has_lost_image_ = false;
};

}  // namespace ondavel

#endif  // CONTROLS_EDIT_IMAGE_EDIT_CTRL_H_

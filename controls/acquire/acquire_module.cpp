// libMirrask.so: the module object, the type library MirraskLib as tables,
// and the exports every control module has. Start-up builds the control id
// map, registers the resources and starts both acquisition libraries.
#include "acquire_module.h"

#include <span>

#include "acquire_ctrl.h"
#include "control_id_map.h"
#include "face_resources.h"
#include "plat/ctl/module.h"
#include "prop_pages.h"

namespace mirrask {
namespace {

using namespace plat;

#define MIRRASK_CONSTANT(name) \
  { #name, name }

const InterfaceInfo& EventTable() {
  static const InterfaceInfo events{"_DImageAcquireEvents",
                                    kDImageAcquireEventsIid,
                                    {
                                        Event(kEventAcquireNotify, "AcquireNotify",
                                              {{VT_I4, "DataNo"}, {VT_I2, "Status"}}),
                                        Event(kEventFileSaveNotify, "FileSaveNotify",
                                              {{VT_I4, "DataNo"}, {VT_BSTR, "FileName"}, {VT_BOOL, "Success"}}),
                                    }};
  return events;
}

std::vector<EnumInfo> Enumerations() {
  return {
      {"MediaFormatConstants",
       {MIRRASK_CONSTANT(qrvFileBMP), MIRRASK_CONSTANT(qrvFileTIFF), MIRRASK_CONSTANT(qrvFileJPEG),
        MIRRASK_CONSTANT(qrvFilePCX), MIRRASK_CONSTANT(qrvFilePNG)}},
      {"CompressionConstants",
       {MIRRASK_CONSTANT(qrvCompNone), MIRRASK_CONSTANT(qrvCompRLE), MIRRASK_CONSTANT(qrvCompPackbits),
        MIRRASK_CONSTANT(qrvCompHuffman), MIRRASK_CONSTANT(qrvCompMH), MIRRASK_CONSTANT(qrvCompMR),
        MIRRASK_CONSTANT(qrvCompMMR)}},
      {"ImageColorConstants",
       {MIRRASK_CONSTANT(qrvColorDefault), MIRRASK_CONSTANT(qrvColorBitmap), MIRRASK_CONSTANT(qrvColor16),
        MIRRASK_CONSTANT(qrvColor256), MIRRASK_CONSTANT(qrvColorGrayscale), MIRRASK_CONSTANT(qrvColorRGB)}},
      {"InterlaceConstants", {MIRRASK_CONSTANT(qrvInterlaceNone), MIRRASK_CONSTANT(qrvInterlaced)}},
      {"InputSourceConstants", {MIRRASK_CONSTANT(qrvSrcTwain), MIRRASK_CONSTANT(qrvSrcPhotoCD)}},
      {"InputUnitConstants",
       {MIRRASK_CONSTANT(qrvUnitPixel), MIRRASK_CONSTANT(qrvUnitInch), MIRRASK_CONSTANT(qrvUnitCentimeter)}},
      {"TwainPaperSizeConstants",
       {MIRRASK_CONSTANT(qrvSizeDefault), MIRRASK_CONSTANT(qrvSizeMaximum), MIRRASK_CONSTANT(qrvSizeUserDefined),
        MIRRASK_CONSTANT(qrvSizePortA3), MIRRASK_CONSTANT(qrvSizePortA4), MIRRASK_CONSTANT(qrvSizePortA5),
        MIRRASK_CONSTANT(qrvSizePortB4), MIRRASK_CONSTANT(qrvSizePortB5), MIRRASK_CONSTANT(qrvSizeLandA3),
        MIRRASK_CONSTANT(qrvSizeLandA4), MIRRASK_CONSTANT(qrvSizeLandA5), MIRRASK_CONSTANT(qrvSizeLandB4),
        MIRRASK_CONSTANT(qrvSizeLandB5), MIRRASK_CONSTANT(qrvSizeLetter), MIRRASK_CONSTANT(qrvSizeLegal),
        MIRRASK_CONSTANT(qrvSizePortPostcard), MIRRASK_CONSTANT(qrvSizeLandPostcard)}},
      {"PcdDataSizeConstants",
       {MIRRASK_CONSTANT(qrvPcdResBaseOver64), MIRRASK_CONSTANT(qrvPcdResBaseOver16),
        MIRRASK_CONSTANT(qrvPcdResBaseOver4), MIRRASK_CONSTANT(qrvPcdResBase), MIRRASK_CONSTANT(qrvPcdRes4Base),
        MIRRASK_CONSTANT(qrvPcdRes16Base), MIRRASK_CONSTANT(qrvPcdRes64Base)}},
      {"AcquireStatusConstants",
       {MIRRASK_CONSTANT(qrvAcquireSuccess), MIRRASK_CONSTANT(qrvAcquireCancel), MIRRASK_CONSTANT(qrvAcquireAbort)}},
      {"RotateConstants",
       {MIRRASK_CONSTANT(qrvRotate0), MIRRASK_CONSTANT(qrvRotate90), MIRRASK_CONSTANT(qrvRotate180),
        MIRRASK_CONSTANT(qrvRotate270)}},
      {"ErrorConstants",
       {MIRRASK_CONSTANT(qrvSuccess),
        MIRRASK_CONSTANT(qrvErrInvalidParam),
        MIRRASK_CONSTANT(qrvErrInvalidRectValue),
        MIRRASK_CONSTANT(qrvErrInvalidIndex),
        MIRRASK_CONSTANT(qrvErrInvalidCompression),
        MIRRASK_CONSTANT(qrvErrInvalidColorDepth),
        MIRRASK_CONSTANT(qrvErrInvalidSaveFormat),
        MIRRASK_CONSTANT(qrvErrSequenceError),
        MIRRASK_CONSTANT(qrvErrUnsetMediaData),
        MIRRASK_CONSTANT(qrvErrUserAbort),
        MIRRASK_CONSTANT(qrvErrAcquireNotComplete),
        MIRRASK_CONSTANT(qrvErrNotSupportFileFormat),
        MIRRASK_CONSTANT(qrvErrInvalidFileFormat),
        MIRRASK_CONSTANT(qrvErrFileNotFound),
        MIRRASK_CONSTANT(qrvErrFileAlreadyExists),
        MIRRASK_CONSTANT(qrvErrPathNotFound),
        MIRRASK_CONSTANT(qrvErrFileLoadIncomplete),
        MIRRASK_CONSTANT(qrvErrFileIOError),
        MIRRASK_CONSTANT(qrvErrDiskFull),
        MIRRASK_CONSTANT(qrvErrClipboardError),
        MIRRASK_CONSTANT(qrvErrClipboardInvalidFormat),
        MIRRASK_CONSTANT(qrvErrPrtError),
        MIRRASK_CONSTANT(qrvErrPrtAppAbort),
        MIRRASK_CONSTANT(qrvErrPrtUserAbort),
        MIRRASK_CONSTANT(qrvErrDeviceError),
        MIRRASK_CONSTANT(qrvErrDeviceNotFound),
        MIRRASK_CONSTANT(qrvErrDeviceNotInstall),
        MIRRASK_CONSTANT(qrvErrCDDriveNotFound),
        MIRRASK_CONSTANT(qrvErrDeviceBusy),
        MIRRASK_CONSTANT(qrvErrOutofMemory),
        MIRRASK_CONSTANT(qrvErrSystemError),
        MIRRASK_CONSTANT(qrvErrSystemNotFound),
        MIRRASK_CONSTANT(qrvErrTwainDllNotFound),
        MIRRASK_CONSTANT(qrvErrPcdLibNotFound)}},
  };
}

#undef MIRRASK_CONSTANT

class CMirraskModule : public COleControlModule {
 public:
  const TypeLibInfo& GetTypeLib() const override { return MirraskTypeLib(); }
  std::span<const ControlRegistration> GetControls() const override { return {&ImageAcquireRegistration(), 1}; }
  std::span<const PropertyPageRegistration> GetPropertyPages() const override { return PropertyPageRegistrations(); }
  BOOL InitInstance() override {
    CreateControlIdMap();
    size_t count = 0;
    const ResourceEntry* entries = ModuleResources(&count);
    RegisterModuleResources(m_hInstance, entries, count);
    // Both acquisition libraries start once; their results do not matter
    // here, since each object reports a missing backend itself.
    (void)InitK7RBIPCD();
    (void)InitK7RBITWN();
    return TRUE;
  }
  int ExitInstance() override {
    UnregisterModuleResources(m_hInstance);
    DestroyControlIdMap();
    return 0;
  }
};

CMirraskModule g_module;

}  // namespace

const TypeLibInfo& MirraskTypeLib() {
  static const TypeLibInfo lib{
      "MirraskLib",
      kMirraskLibId,
      1,
      0,
      "Mirrask ImageAcquire control library",
      {CoClassInfo{"ImageAcquire", kImageAcquireClsid, &CQRVBImgAcquireCtrl::Map().Info(), &EventTable()}},
      Enumerations(),
  };
  return lib;
}

const ControlRegistration& ImageAcquireRegistration() {
  static const ControlRegistration registration{
      kImageAcquireClsid, kImageAcquireProgId, "Mirrask ImageAcquire Control",
      OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT | OLEMISC_CANTLINKINSIDE |
          OLEMISC_RECOMPOSEONRESIZE,
      &CreateControl<CQRVBImgAcquireCtrl>};
  return registration;
}

HINSTANCE ModuleInstance() { return g_module.m_hInstance; }

}  // namespace mirrask

PLAT_CONTROL_MODULE_EXPORTS(mirrask::g_module)

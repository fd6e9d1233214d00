// Control ids of the acquisition dialogs, for the dialogs and their tests.
#ifndef PLATFORM_ACQUIRE_DIALOGS_DIALOG_IDS_H_
#define PLATFORM_ACQUIRE_DIALOGS_DIALOG_IDS_H_

namespace plat::acquire {

constexpr int kSourceListId = 100;  // list box of the sources

constexpr int kScanModeId = 201;        // drop-down: device's, 1 bit, grey, colour
constexpr int kScanResolutionId = 202;  // drop-down: device's, 75 ... 600 dpi
constexpr int kScanAreaId = 203;        // drop-down: the paper list without the user-defined area
constexpr int kScanFeederId = 204;      // check box

constexpr int kPhotoImageId = 301;     // drop-down: IMG0001 ...
constexpr int kPhotoDataSizeId = 302;  // drop-down: 64 x 96 ... 512 x 768
constexpr int kPhotoColourId = 303;    // drop-down: grey, colour

}  // namespace plat::acquire

#endif  // PLATFORM_ACQUIRE_DIALOGS_DIALOG_IDS_H_

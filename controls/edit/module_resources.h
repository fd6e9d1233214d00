// The image edit control's own resources, registered with the platform once
// for the module they are compiled into: the tracker cursors, the page
// window's menu, toolbar (with its image strip), icon and strings.
#ifndef CONTROLS_EDIT_MODULE_RESOURCES_H_
#define CONTROLS_EDIT_MODULE_RESOURCES_H_

#include "plat/types.h"

namespace ondavel {

// Cursors of the selection's handles and inside.
constexpr int kCursorSizeNwse = 30983;
constexpr int kCursorSizeNesw = 30984;
constexpr int kCursorSizeNs = 30985;
constexpr int kCursorSizeWe = 30986;
constexpr int kCursorMove = 30987;

// The page window's resources.
constexpr int kPageToolbarId = 201;  // RT_TOOLBAR and its RT_BITMAP strip
constexpr int kPageMenuId = 203;
constexpr int kPageIconId = 213;
constexpr plat::UINT kCommandExit = 32768;  // close without a page
constexpr plat::UINT kCommandTake = 32769;  // take the selected page
constexpr plat::UINT kStringImageList = 32770;  // the title of images held in memory

// Registers the resources (the first call) and gives the module that holds
// them, for LoadCursor, LoadMenu, LoadString and the rest.
plat::HINSTANCE OndavelResources();

}  // namespace ondavel

#endif  // CONTROLS_EDIT_MODULE_RESOURCES_H_

// The image edit control's own resources, registered with the platform once
// for the module they are compiled into: the tracker cursors, the page
// window's menu, toolbar (with its image strip), icon and strings, the names
// of the constants the property browser lists, and the about box.
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

// Names of the constants offered as predefined strings: the id is the base
// plus the constant's value ("qrvFileBMP" is 1101, "qrvColorRGB" 2012).
constexpr plat::UINT kStringMediaFormatNames = 1000;
constexpr plat::UINT kStringColorDepthNames = 2000;

// The about box and its items.
constexpr int kAboutBoxId = 1;
constexpr int kAboutIconItem = 100;
constexpr int kAboutVersionItem = 101;

// Registers the resources (the first call) and gives the module that holds
// them, for LoadCursor, LoadMenu, LoadString and the rest.
plat::HINSTANCE OndavelResources();

}  // namespace ondavel

#endif  // CONTROLS_EDIT_MODULE_RESOURCES_H_

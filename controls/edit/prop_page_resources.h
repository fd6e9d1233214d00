// The resources of the image edit control's property pages: dialogs 100,
// 204, 205, 206 and 211 as templates of the dialog manager, the string
// table (Japanese) and the 13 value tables that fill the pages' lists.
#ifndef CONTROLS_EDIT_PROP_PAGE_RESOURCES_H_
#define CONTROLS_EDIT_PROP_PAGE_RESOURCES_H_

#include <span>
#include <vector>

#include "plat/resources.h"

namespace ondavel {

// One list item: the property value and the string that names it. The list
// position is the table position.
struct ValueString {
  int value;
  int string_id;
  const char* text;
};

std::span<const ValueString> InputSourceTable();
std::span<const ValueString> FileFormatTable();
std::span<const ValueString> CompressionTable();
std::span<const ValueString> ColorReductionTable();
std::span<const ValueString> HorzPosTable();
std::span<const ValueString> VertPosTable();
std::span<const ValueString> MorphologyTable();
std::span<const ValueString> InterpolationTable();
std::span<const ValueString> PaperSizeTable();
std::span<const ValueString> UnitTable();
std::span<const ValueString> TwainColorDepthTable();
std::span<const ValueString> PcdColorDepthTable();
std::span<const ValueString> PcdDataSizeTable();

// The values and the string ids of a table, in order.
std::vector<int> ValuesOf(std::span<const ValueString> table);
std::vector<int> StringIdsOf(std::span<const ValueString> table);

// The pages' dialog and string entries for the module's resource table.
std::span<const plat::ResourceEntry> PropertyPageResources();

}  // namespace ondavel

#endif  // CONTROLS_EDIT_PROP_PAGE_RESOURCES_H_

// The runtime's text table and the exception helpers. Texts with a
// placeholder keep it for the caller's Format; some callers show them
// unformatted on purpose.
#include "plat/forms/exceptions.h"

#include <typeinfo>

#include "plat/forms/object.h"

namespace plat {
namespace {

struct TextRow {
  int id;
  const char* text;
};

constexpr TextRow kTexts[] = {
    {SCustomColorsSection, "カスタムカラー"},
    {SNoTimers, "タイマーを取得できません"},
    {SListIndexError, "List index out of range (%d)"},
    {SListCapacityError, "List capacity out of range (%d)"},
    {SListCountError, "List count out of range (%d)"},
    {SDuplicateString, "The list does not accept duplicates"},
    {SSortedListError, "Not allowed on a sorted list"},
    {SFOpenError, "File %s cannot be opened"},
    {SFCreateError, "File %s cannot be created"},
    {SReadError, "The stream ended before all data was read"},
    {SWriteError, "The stream did not take all data"},
    {SInvalidImageSize, "The image has the wrong size"},
    {STooManyImages, "The image list is full"},
    {SInvalidPointer, "Invalid use of a pointer"},
    {SAbstractError, "The method is not implemented by this class"},
    {SCannotAssign, "A %s cannot be assigned to a %s"},
    {SInvalidInteger, "'%s' is not an integer"},
    {SInvalidFloat, "'%s' is not a floating-point number"},
    {SInvalidDate, "'%s' is not a date"},
    {SInvalidTime, "'%s' is not a time"},
    {SInvalidDateTime, "'%s' is not a date and time"},
    {SInvalidBoolean, "'%s' is not a boolean"},
    {SInvalidFormat, "Format '%s' is invalid or does not fit its argument"},
    {SArgumentMissing, "Format '%s' lacks an argument"},
    {SDateEncodeError, "Invalid date"},
    {STimeEncodeError, "Invalid time"},
    {SDuplicateName, "A component named %s exists already"},
    {SInvalidName, "'%s' is not a component name"},
    {SOperationAborted, "Aborted"},
    {SOutOfMemory, "Out of memory"},
    {SIniFileWriteError, "Cannot write the settings file %s"},
    {SRegCreateFailed, "Cannot create the registry key %s"},
    {SRegSetDataFailed, "Cannot store the registry value '%s'"},
    {SRegGetDataFailed, "Cannot read the registry value '%s'"},
    {SInvalidRegType, "The registry value '%s' has another type"},
    {SInvalidPropertyValue, "The value does not fit the property"},
    {SUnknownProperty, "Unknown property %s"},
    {SPropertyReadOnly, "Property %s cannot be set"},
    {SRuntimeNotStarted, "The class-library runtime is not started"},
    {SClassNotFound, "Class %s not found"},
    {SDuplicateClass, "Class %s is registered already"},
    {SInvalidStreamOrigin, "Invalid stream position"},
};

}  // namespace

std::string LoadStr(int id) {
  for (const TextRow& row : kTexts) {
    if (row.id == id) return row.text;
  }
  return {};
}

std::string Exception::ClassName() const { return ClassNameOf(typeid(*this)); }

void Abort() { throw EAbort(); }

}  // namespace plat

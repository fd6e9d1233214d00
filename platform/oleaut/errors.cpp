// Short English texts for the result codes a control raises or Invoke returns.
#include "plat/oleaut/errors.h"

namespace plat {
namespace {

struct ErrorText {
  SCODE scode;
  const char* text;
};

// Our own wording; a host shows these when a control gives no text.
constexpr ErrorText kErrorTexts[] = {
    {CTL_E_ILLEGALFUNCTIONCALL, "Invalid procedure call"},
    {CTL_E_OVERFLOW, "Overflow"},
    {CTL_E_OUTOFMEMORY, "Out of memory"},
    {CTL_E_DIVISIONBYZERO, "Division by zero"},
    {CTL_E_TYPEMISMATCH, "Type mismatch"},
    {CTL_E_BADFILENAMEORNUMBER, "Bad file name or number"},
    {CTL_E_FILENOTFOUND, "File not found"},
    {CTL_E_BADFILEMODE, "Bad file mode"},
    {CTL_E_FILEALREADYOPEN, "File already open"},
    {CTL_E_DEVICEIOERROR, "Device input/output error"},
    {CTL_E_FILEALREADYEXISTS, "File already exists"},
    {CTL_E_DISKFULL, "Disk full"},
    {CTL_E_PERMISSIONDENIED, "Permission denied"},
    {CTL_E_PATHFILEACCESSERROR, "Path or file access error"},
    {CTL_E_PATHNOTFOUND, "Path not found"},
    {CTL_E_INVALIDUSEOFNULL, "Invalid use of Null"},
    {CTL_E_INVALIDFILEFORMAT, "Invalid file format"},
    {CTL_E_INVALIDPROPERTYVALUE, "Invalid property value"},
    {CTL_E_INVALIDPROPERTYARRAYINDEX, "Invalid property array index"},
    {CTL_E_SETNOTSUPPORTEDATRUNTIME, "Property cannot be set at run time"},
    {CTL_E_SETNOTSUPPORTED, "Property is read-only"},
    {CTL_E_NEEDPROPERTYARRAYINDEX, "Property needs an array index"},
    {CTL_E_SETNOTPERMITTED, "Property cannot be set now"},
    {CTL_E_GETNOTSUPPORTEDATRUNTIME, "Property cannot be read at run time"},
    {CTL_E_GETNOTSUPPORTED, "Property cannot be read"},
    {CTL_E_PROPERTYNOTFOUND, "Property not found"},
    {CTL_E_INVALIDCLIPBOARDFORMAT, "Invalid clipboard format"},
    {CTL_E_INVALIDPICTURE, "Invalid picture"},
    {CTL_E_PRINTERERROR, "Printer error"},
    {E_OUTOFMEMORY, "Out of memory"},
    {E_INVALIDARG, "Invalid argument"},
    {E_NOTIMPL, "Not implemented"},
    {E_UNEXPECTED, "Unexpected failure"},
    {E_FAIL, "Unspecified error"},
    {DISP_E_TYPEMISMATCH, "Type mismatch"},
    {DISP_E_OVERFLOW, "Overflow"},
};

}  // namespace

const char* StandardErrorDescription(SCODE scode) {
  for (const ErrorText& entry : kErrorTexts) {
    if (entry.scode == scode) return entry.text;
  }
  return "Unspecified error";
}

ControlError::ControlError(SCODE scode, std::string description)
    : scode_(scode), description_(description.empty() ? StandardErrorDescription(scode) : std::move(description)) {}

}  // namespace plat

// Result codes of the automation layer, the exception a control member raises
// to report an automation error, and the record that carries it to the caller.
// Control errors are 0x800A0000 | n, where n is the error number a host shows.
#ifndef PLAT_OLEAUT_ERRORS_H_
#define PLAT_OLEAUT_ERRORS_H_

#include <exception>
#include <string>

#include "plat/types.h"

namespace plat {

constexpr HRESULT MakeResult(uint32_t bits) { return static_cast<HRESULT>(bits); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeResult(0x80004001);
constexpr HRESULT E_NOINTERFACE = MakeResult(0x80004002);
constexpr HRESULT E_POINTER = MakeResult(0x80004003);
constexpr HRESULT E_ABORT = MakeResult(0x80004004);
constexpr HRESULT E_FAIL = MakeResult(0x80004005);
constexpr HRESULT E_UNEXPECTED = MakeResult(0x8000FFFF);
constexpr HRESULT E_ACCESSDENIED = MakeResult(0x80070005);
constexpr HRESULT E_OUTOFMEMORY = MakeResult(0x8007000E);
constexpr HRESULT E_INVALIDARG = MakeResult(0x80070057);

constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MakeResult(0x80020001);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeResult(0x80020003);
constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeResult(0x80020004);
constexpr HRESULT DISP_E_TYPEMISMATCH = MakeResult(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = MakeResult(0x80020006);
constexpr HRESULT DISP_E_NONAMEDARGS = MakeResult(0x80020007);
constexpr HRESULT DISP_E_BADVARTYPE = MakeResult(0x80020008);
constexpr HRESULT DISP_E_EXCEPTION = MakeResult(0x80020009);
constexpr HRESULT DISP_E_OVERFLOW = MakeResult(0x8002000A);
constexpr HRESULT DISP_E_BADINDEX = MakeResult(0x8002000B);
constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeResult(0x8002000E);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = MakeResult(0x8002000F);

constexpr HRESULT CLASS_E_NOAGGREGATION = MakeResult(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeResult(0x80040111);
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeResult(0x80040154);
constexpr HRESULT CO_E_CLASSSTRING = MakeResult(0x800401F3);
constexpr HRESULT CO_E_DLLNOTFOUND = MakeResult(0x800401F8);
constexpr HRESULT CO_E_ERRORINDLL = MakeResult(0x800401F9);
constexpr HRESULT CONNECT_E_NOCONNECTION = MakeResult(0x80040200);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = MakeResult(0x80040202);
constexpr HRESULT SELFREG_E_CLASS = MakeResult(0x80040201);
constexpr HRESULT SELFREG_E_TYPELIB = MakeResult(0x80040200);

// The error numbers a control raises, as results: 0x800A0000 | number.
constexpr SCODE CustomControlError(int number) {
  return MakeResult(0x800A0000u | static_cast<uint32_t>(number & 0xFFFF));
}
constexpr SCODE CTL_E_ILLEGALFUNCTIONCALL = CustomControlError(5);
constexpr SCODE CTL_E_OVERFLOW = CustomControlError(6);
constexpr SCODE CTL_E_OUTOFMEMORY = CustomControlError(7);
constexpr SCODE CTL_E_DIVISIONBYZERO = CustomControlError(11);
constexpr SCODE CTL_E_TYPEMISMATCH = CustomControlError(13);
constexpr SCODE CTL_E_BADFILENAMEORNUMBER = CustomControlError(52);
constexpr SCODE CTL_E_FILENOTFOUND = CustomControlError(53);
constexpr SCODE CTL_E_BADFILEMODE = CustomControlError(54);
constexpr SCODE CTL_E_FILEALREADYOPEN = CustomControlError(55);
constexpr SCODE CTL_E_DEVICEIOERROR = CustomControlError(57);
constexpr SCODE CTL_E_FILEALREADYEXISTS = CustomControlError(58);
constexpr SCODE CTL_E_DISKFULL = CustomControlError(61);
constexpr SCODE CTL_E_PERMISSIONDENIED = CustomControlError(70);
constexpr SCODE CTL_E_PATHFILEACCESSERROR = CustomControlError(75);
constexpr SCODE CTL_E_PATHNOTFOUND = CustomControlError(76);
constexpr SCODE CTL_E_INVALIDUSEOFNULL = CustomControlError(94);
constexpr SCODE CTL_E_INVALIDFILEFORMAT = CustomControlError(321);
constexpr SCODE CTL_E_INVALIDPROPERTYVALUE = CustomControlError(380);
constexpr SCODE CTL_E_INVALIDPROPERTYARRAYINDEX = CustomControlError(381);
constexpr SCODE CTL_E_SETNOTSUPPORTEDATRUNTIME = CustomControlError(382);
constexpr SCODE CTL_E_SETNOTSUPPORTED = CustomControlError(383);
constexpr SCODE CTL_E_NEEDPROPERTYARRAYINDEX = CustomControlError(385);
constexpr SCODE CTL_E_SETNOTPERMITTED = CustomControlError(387);
constexpr SCODE CTL_E_GETNOTSUPPORTEDATRUNTIME = CustomControlError(393);
constexpr SCODE CTL_E_GETNOTSUPPORTED = CustomControlError(394);
constexpr SCODE CTL_E_PROPERTYNOTFOUND = CustomControlError(422);
constexpr SCODE CTL_E_INVALIDCLIPBOARDFORMAT = CustomControlError(460);
constexpr SCODE CTL_E_INVALIDPICTURE = CustomControlError(481);
constexpr SCODE CTL_E_PRINTERERROR = CustomControlError(482);

// Our short English text for a result code; a generic text for codes
// without one of their own.
const char* StandardErrorDescription(SCODE scode);

// What a failed Invoke reports beside DISP_E_EXCEPTION.
struct EXCEPINFO {
  WORD wCode = 0;
  SCODE scode = 0;
  std::string bstrSource;
  std::string bstrDescription;
  std::string bstrHelpFile;
  DWORD dwHelpContext = 0;
};

// Raised by a control's member to fail the current automation call: Invoke
// turns it into DISP_E_EXCEPTION with this code and description.
class ControlError : public std::exception {
 public:
  explicit ControlError(SCODE scode, std::string description = {});
  SCODE scode() const { return scode_; }
  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  SCODE scode_;
  std::string description_;
};

}  // namespace plat

#endif  // PLAT_OLEAUT_ERRORS_H_

// Type libraries as tables in code: the coclasses with their dispatch and
// event interfaces, and the enumerations, for registration and for hosts that
// look a control's members up before calling them.
#ifndef PLAT_OLEAUT_TYPELIB_H_
#define PLAT_OLEAUT_TYPELIB_H_

#include <string>
#include <utility>
#include <vector>

#include "plat/oleaut/dispatch.h"

namespace plat {

struct EnumInfo {
  std::string name;
  std::vector<std::pair<std::string, int32_t>> constants;
};

struct CoClassInfo {
  std::string name;
  CLSID clsid;
  const InterfaceInfo* dispatch = nullptr;  // the default interface
  const InterfaceInfo* events = nullptr;    // the default source interface, or null
};

struct TypeLibInfo {
  std::string name;
  GUID libid;
  WORD major_version = 1;
  WORD minor_version = 0;
  std::string help_text;  // what registration shows as the library's name
  std::vector<CoClassInfo> coclasses;
  std::vector<EnumInfo> enums;

  const CoClassInfo* FindCoClass(const CLSID& clsid) const;
  // The value of an enumeration constant by name (case-sensitive); false when unknown.
  bool FindConstant(std::string_view constant, int32_t* value) const;
};

// What an object tells about its class: its coclass and through it the
// event interface a host connects to.
struct IProvideClassInfo : IUnknown {
  static constexpr IID kIid{0xB196B283, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
  using Base = IUnknown;
  virtual HRESULT GetClassInfo(const CoClassInfo** out) = 0;
};

}  // namespace plat

#endif  // PLAT_OLEAUT_TYPELIB_H_

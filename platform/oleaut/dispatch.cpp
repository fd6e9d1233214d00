// The invoke frame every dispatch table shares: member lookup, kind and
// argument-count checks, argument coercion in natural order, and the
// translation of a member's ControlError into DISP_E_EXCEPTION.
#include "plat/oleaut/dispatch.h"

#include <new>

#include "../kernel/ascii.h"
#include "plat/oleaut/typelib.h"

namespace plat {

using internal::EqualsIgnoreCase;

const MemberInfo* InterfaceInfo::Find(DISPID id) const {
  for (const MemberInfo& member : members) {
    if (member.id == id) return &member;
  }
  return nullptr;
}

const MemberInfo* InterfaceInfo::FindName(std::string_view member_name) const {
  for (const MemberInfo& member : members) {
    if (EqualsIgnoreCase(member.name, member_name)) return &member;
  }
  return nullptr;
}

MemberInfo Event(DISPID id, const char* name, std::initializer_list<ParamInfo> params) {
  return MemberInfo{id, name, MemberKind::kMethod, VT_EMPTY, std::vector<ParamInfo>(params), false};
}

const CoClassInfo* TypeLibInfo::FindCoClass(const CLSID& clsid) const {
  for (const CoClassInfo& coclass : coclasses) {
    if (coclass.clsid == clsid) return &coclass;
  }
  return nullptr;
}

bool TypeLibInfo::FindConstant(std::string_view constant, int32_t* value) const {
  for (const EnumInfo& e : enums) {
    for (const auto& [name, v] : e.constants) {
      if (name == constant) {
        *value = v;
        return true;
      }
    }
  }
  return false;
}

DispatchMapBase::DispatchMapBase(std::string name, const IID& iid, std::vector<DispatchEntry> entries)
    : entries_(std::move(entries)) {
  info_.name = std::move(name);
  info_.iid = iid;
  info_.members.reserve(entries_.size());
  for (const DispatchEntry& entry : entries_) info_.members.push_back(entry.info);
}

HRESULT DispatchMapBase::GetIDsOfNames(std::string_view name, DISPID* id) const {
  if (!id) return E_POINTER;
  const MemberInfo* member = info_.FindName(name);
  if (!member) return DISP_E_UNKNOWNNAME;
  *id = member->id;
  return S_OK;
}

namespace {

// Brings the caller's arguments to the declared types. By-reference
// parameters take only a by-reference argument of exactly that type, since
// the member writes through it.
HRESULT CoerceArguments(const std::vector<ParamInfo>& params, std::span<Variant> args, std::vector<Variant>& out,
                        UINT* arg_err) {
  out.resize(args.size());
  for (size_t i = 0; i < args.size(); ++i) {
    const VARTYPE want = params[i].vt;
    HRESULT hr = S_OK;
    if (want & VT_BYREF) {
      if (args[i].vt() != want) hr = DISP_E_TYPEMISMATCH;
      else out[i] = args[i];
    } else if (want == VT_VARIANT) {
      out[i] = args[i];
    } else {
      hr = VariantChangeType(out[i], args[i], want);
    }
    if (FAILED(hr)) {
      if (arg_err) *arg_err = static_cast<UINT>(i);
      return hr;
    }
  }
  return S_OK;
}

void FillException(EXCEPINFO* excep, SCODE scode, std::string_view source, std::string description) {
  if (!excep) return;
  *excep = EXCEPINFO{};
  excep->scode = scode;
  excep->bstrSource = std::string(source);
  excep->bstrDescription = std::move(description);
}

}  // namespace

HRESULT DispatchMapBase::Invoke(void* self, std::string_view source, DISPID id, InvokeKind kind,
                                std::span<Variant> args, Variant* result, EXCEPINFO* excep, UINT* arg_err) const {
  const DispatchEntry* entry = nullptr;
  for (const DispatchEntry& candidate : entries_) {
    if (candidate.info.id == id) {
      entry = &candidate;
      break;
    }
  }
  if (!entry) return DISP_E_MEMBERNOTFOUND;
  const MemberInfo& info = entry->info;
  Variant scratch;
  Variant& out = result ? *result : scratch;

  try {
    switch (info.kind) {
      case MemberKind::kProperty:
        if (HasKind(kind, InvokeKind::kPropertyPut) || HasKind(kind, InvokeKind::kPropertyPutRef)) {
          if (args.size() != 1) return DISP_E_BADPARAMCOUNT;
          Variant value;
          if (info.vt == VT_VARIANT) {
            value = args[0].Dereferenced();
          } else if (HRESULT hr = VariantChangeType(value, args[0], info.vt); FAILED(hr)) {
            if (arg_err) *arg_err = 0;
            return hr;
          }
          entry->put(self, value);
          return S_OK;
        }
        if (!HasKind(kind, InvokeKind::kPropertyGet)) return DISP_E_MEMBERNOTFOUND;
        if (!args.empty()) return DISP_E_BADPARAMCOUNT;
        entry->get(self, out);
        return S_OK;
      case MemberKind::kIndexedProperty:
      case MemberKind::kMethod: {
        const bool is_callable = info.kind == MemberKind::kMethod
                                     ? HasKind(kind, InvokeKind::kMethod) ||
                                           (HasKind(kind, InvokeKind::kPropertyGet) && info.vt != VT_EMPTY)
                                     : HasKind(kind, InvokeKind::kPropertyGet);
        if (!is_callable) {
          if (info.kind == MemberKind::kIndexedProperty && HasKind(kind, InvokeKind::kPropertyPut)) {
            throw ControlError(CTL_E_SETNOTSUPPORTED);
          }
          return DISP_E_MEMBERNOTFOUND;
        }
        if (args.size() != info.params.size()) return DISP_E_BADPARAMCOUNT;
        std::vector<Variant> coerced;
        if (HRESULT hr = CoerceArguments(info.params, args, coerced, arg_err); FAILED(hr)) return hr;
        out.Clear();
        entry->call(self, coerced, out);
        return S_OK;
      }
    }
  } catch (const ControlError& error) {
    FillException(excep, error.scode(), source, error.description());
    return DISP_E_EXCEPTION;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::exception& error) {
    FillException(excep, E_UNEXPECTED, source, error.what());
    return DISP_E_EXCEPTION;
  }
  return DISP_E_MEMBERNOTFOUND;
}

}  // namespace plat

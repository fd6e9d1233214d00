// Property bags: named values a control saves and loads its persisted
// properties through. PropertyBag is the in-memory bag hosts and tests use;
// names compare case-insensitively (ASCII) and keep the order of first write.
#ifndef PLAT_OLEAUT_PROPERTY_BAG_H_
#define PLAT_OLEAUT_PROPERTY_BAG_H_

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "plat/oleaut/variant.h"

namespace plat {

struct IPropertyBag : IUnknown {
  static constexpr IID kIid{0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
  using Base = IUnknown;
  // When value->vt() is not VT_EMPTY on entry, the stored value is converted
  // to that type (its conversion error is returned and *value kept).
  // E_INVALIDARG when the bag has no such name.
  virtual HRESULT Read(std::string_view name, Variant* value) = 0;
  virtual HRESULT Write(std::string_view name, const Variant& value) = 0;
};

struct IPersistPropertyBag : IUnknown {
  static constexpr IID kIid{0x37D84F60, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
  using Base = IUnknown;
  virtual HRESULT GetClassID(CLSID* clsid) = 0;
  virtual HRESULT InitNew() = 0;
  virtual HRESULT Load(IPropertyBag* bag) = 0;
  // save_all FALSE leaves out values equal to their defaults.
  virtual HRESULT Save(IPropertyBag* bag, BOOL clear_dirty, BOOL save_all) = 0;
};

class PropertyBag : public ComObject<IPropertyBag> {
 public:
  static ComPtr<PropertyBag> Create() { return MakeCom<PropertyBag>(); }

  HRESULT Read(std::string_view name, Variant* value) override;
  HRESULT Write(std::string_view name, const Variant& value) override;

  // Direct access for hosts and tests.
  const Variant* Find(std::string_view name) const;
  bool Remove(std::string_view name);
  const std::vector<std::pair<std::string, Variant>>& entries() const { return entries_; }

 private:
  std::vector<std::pair<std::string, Variant>> entries_;
};

}  // namespace plat

#endif  // PLAT_OLEAUT_PROPERTY_BAG_H_

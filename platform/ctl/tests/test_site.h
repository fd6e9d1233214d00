// A host site for tests: it answers the ambient properties it was given.
#ifndef PLAT_CTL_TESTS_TEST_SITE_H_
#define PLAT_CTL_TESTS_TEST_SITE_H_

#include <map>

#include "plat/ctl/control.h"

namespace plat::test {

class TestSite : public ComObject<IControlSite> {
 public:
  HRESULT GetAmbientProperty(DISPID id, Variant* value) override {
    auto it = ambients.find(id);
    if (it == ambients.end()) return DISP_E_MEMBERNOTFOUND;
    *value = it->second;
    return S_OK;
  }
  HRESULT OnControlInfoChanged() override { return S_OK; }
  std::map<DISPID, Variant> ambients;
};

}  // namespace plat::test

#endif  // PLAT_CTL_TESTS_TEST_SITE_H_

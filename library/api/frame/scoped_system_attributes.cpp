#include "api/frame/scoped_system_attributes.h"

ScopedSystemAttributes::ScopedSystemAttributes(IpiSystem* sys, std::initializer_list<IpiAttribute> values)
    : sys_(sys) {
  for (const IpiAttribute& value : values) {
    if (count_ == static_cast<int>(names_.size())) break;
    names_[static_cast<size_t>(count_)] = value.name;
    previous_[static_cast<size_t>(count_)] = IpiInquireSystemAttribute(sys, value.name);
    ++count_;
  }
  status_ = IpiSetSystemAttributes(sys, values.begin(), count_);
}

ScopedSystemAttributes::~ScopedSystemAttributes() {
  for (int i = 0; i < count_; ++i) {
    const IpiAttribute restore[] = {{names_[static_cast<size_t>(i)], previous_[static_cast<size_t>(i)]}};
    (void)IpiSetSystemAttributes(sys_, restore, 1);
  }
}

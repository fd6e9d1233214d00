// TComponent: ownership, names, free notification and the loading bracket.
#include "plat/forms/component.h"

#include <algorithm>
#include <exception>

#include "plat/forms/exceptions.h"
#include "plat/forms/sysutils.h"

namespace plat {
namespace {

bool IsIdentifier(const std::string& name) {
  if (name.empty()) return false;
  auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (!alpha(name[0])) return false;
  return std::all_of(name.begin(), name.end(), [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

void Erase(std::vector<TComponent*>& list, TComponent* item) {
  auto it = std::find(list.begin(), list.end(), item);
  if (it != list.end()) list.erase(it);
}

// The components still waiting for Loaded in the EndLoading calls running
// on this thread (they nest when a Loaded ends another bracket). A component
// freed by another's Loaded takes itself out, so it is never called freed.
thread_local std::vector<std::vector<TComponent*>*> t_loaded_batches;

}  // namespace

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  for (std::vector<TComponent*>* batch : t_loaded_batches) {
    std::replace(batch->begin(), batch->end(), static_cast<TComponent*>(this), static_cast<TComponent*>(nullptr));
  }
  Destroying();
  // Tell every linked component, then drop the links from both ends. The
  // list shrinks as each one answers by removing its link.
  while (!free_notifies_.empty()) {
    TComponent* other = free_notifies_.back();
    free_notifies_.pop_back();
    Erase(other->free_notifies_, this);
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  for (TComponent* c : components_) c->Destroying();
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* last = components_.back();
    Remove(last);
    delete last;
  }
}

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  if (!name.empty() && !IsIdentifier(name)) RaiseRes<EComponentError>(SInvalidName, {name});
  if (owner_ != nullptr) {
    owner_->ValidateRename(this, name_, name);
  } else {
    ValidateRename(nullptr, name_, name);
  }
  name_ = name;
}

void TComponent::ValidateRename(TComponent* component, const std::string& current_name,
                                const std::string& new_name) {
  if (component == nullptr || new_name.empty() || SameText(current_name, new_name)) return;
  TComponent* found = FindComponent(new_name);
  if (found != nullptr && found != component) RaiseRes<EComponentError>(SDuplicateName, {new_name});
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) RaiseRes<EListError>(SListIndexError, {index});
  return components_[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
  if (owner_ == nullptr) return -1;
  auto& list = owner_->components_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_) {
    if (SameText(c->name_, name)) return c;
  }
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (component == nullptr || component->owner_ == this) return;
  if (component->owner_ != nullptr) component->owner_->RemoveComponent(component);
  ValidateRename(component, std::string(), component->name_);
  Insert(component);
  if (loading_depth_ > 0 || state_.Contains(csLoading)) component->SetLoading();
  if (state_.Contains(csDesigning)) component->SetDesigning(true);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (component == nullptr || component->owner_ != this) return;
  Notification(component, opRemove);
  Remove(component);
}

void TComponent::Insert(TComponent* component) {
  components_.push_back(component);
  component->owner_ = this;
}

void TComponent::Remove(TComponent* component) {
  Erase(components_, component);
  component->owner_ = nullptr;
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component != nullptr) RemoveFreeNotification(component);
  // Owned components hear of what happens in their owner's list too.
  for (TComponent* c : std::vector<TComponent*>(components_)) {
    if (c != component) c->Notification(component, operation);
  }
}

void TComponent::FreeNotification(TComponent* component) {
  if (component == nullptr || component == this) return;
  if (std::find(free_notifies_.begin(), free_notifies_.end(), component) == free_notifies_.end()) {
    free_notifies_.push_back(component);
  }
  if (std::find(component->free_notifies_.begin(), component->free_notifies_.end(), this) ==
      component->free_notifies_.end()) {
    component->free_notifies_.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (component == nullptr) return;
  Erase(free_notifies_, component);
  Erase(component->free_notifies_, this);
}

void TComponent::SetLoading() {
  state_.Include(csLoading);
  for (TComponent* c : components_) c->SetLoading();
}

void TComponent::BeginLoading() {
  if (loading_depth_++ == 0) SetLoading();
}

void TComponent::CollectLoading(std::vector<TComponent*>& out) {
  for (TComponent* c : components_) c->CollectLoading(out);
  if (state_.Contains(csLoading)) out.push_back(this);
}

void TComponent::EndLoading() {
  if (loading_depth_ == 0 || --loading_depth_ > 0) return;
  std::vector<TComponent*> loaded;
  CollectLoading(loaded);
  for (TComponent* c : loaded) c->state_.Exclude(csLoading);
  t_loaded_batches.push_back(&loaded);
  std::exception_ptr first;
  for (TComponent*& c : loaded) {
    if (c == nullptr) continue;
    try {
      c->Loaded();
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  t_loaded_batches.pop_back();
  if (first) std::rethrow_exception(first);
}

void TComponent::SetDesigning(bool designing, bool include_owned) {
  if (designing) {
    state_.Include(csDesigning);
  } else {
    state_.Exclude(csDesigning);
  }
  if (!include_owned) return;
  for (TComponent* c : components_) c->SetDesigning(designing, true);
}

}  // namespace plat

// TComponent: the owned, named, notifying object of the class library.
// An owner frees its components in reverse order of insertion; a component
// told of another's end through FreeNotification gets Notification(opRemove)
// before that other is gone; BeginLoading/EndLoading bracket a load so that
// Loaded runs once for every component of the tree, children first.
#ifndef PLAT_FORMS_COMPONENT_H_
#define PLAT_FORMS_COMPONENT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "plat/forms/object.h"

namespace plat {

namespace test {
class DesignMode;  // test harness: switches csDesigning on a component tree
}

enum class TOperation { opInsert, opRemove };

enum class TComponentStateItem {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
};
using TComponentState = TSet<TComponentStateItem>;
using enum TComponentStateItem;
using enum TOperation;

class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  // Raises EComponentError for a name that is not an identifier (letters,
  // digits and "_", not starting with a digit) or that another component of
  // the same owner has (compared case-insensitively). The empty name is free.
  virtual void SetName(const std::string& name);
  intptr_t Tag() const { return tag_; }
  void SetTag(intptr_t tag) { tag_ = tag; }
  TComponentState ComponentState() const { return state_; }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // Raises EListError for an index out of range.
  TComponent* Components(int index) const;
  // Position in the owner's list, -1 without owner.
  int ComponentIndex() const;
  // The owned component of that name, compared case-insensitively; null when none.
  TComponent* FindComponent(const std::string& name) const;

  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  // Frees the owned components, last inserted first.
  void DestroyComponents();

  // Asks for Notification(component, opRemove) when `component` is freed;
  // the link goes both ways, so either end may be freed first.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Loading bracket. BeginLoading sets csLoading on this component and
  // every component it owns (and on components inserted while it lasts);
  // brackets nest. The outermost EndLoading clears csLoading and calls
  // Loaded once on each of them, owned components before their owner and
  // in insertion order. An exception out of one Loaded does not stop the
  // others; the first one is raised again at the end.
  void BeginLoading();
  void EndLoading();

  TPersistent* GetOwner() const override { return owner_; }
  std::string GetNamePath() const override { return name_; }

 protected:
  // Told of every insertion into and removal from this component's owner's
  // list, and of the end of every component it asked FreeNotification of.
  virtual void Notification(TComponent* component, TOperation operation);
  // Called once when the load bracket around this component ends.
  virtual void Loaded() {}
  // Sets csDestroying on this component and its owned components.
  void Destroying();
  virtual void SetDesigning(bool designing, bool include_owned = true);
  virtual void ValidateRename(TComponent* component, const std::string& current_name,
                              const std::string& new_name);

 private:
  friend class test::DesignMode;

  void Insert(TComponent* component);
  void Remove(TComponent* component);
  void CollectLoading(std::vector<TComponent*>& out);
  void SetLoading();

  TComponent* owner_ = nullptr;
  std::string name_;
  intptr_t tag_ = 0;
  TComponentState state_;
  int loading_depth_ = 0;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> free_notifies_;
};

}  // namespace plat

#endif  // PLAT_FORMS_COMPONENT_H_

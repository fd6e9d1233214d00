// TCollection and TCollectionItem: an owned, ordered list of items of one
// class. Items know their collection and index; a collection frees its
// items, and a change of an item or of the list reaches Update once an
// update bracket closes.
#ifndef PLAT_FORMS_COLLECTION_H_
#define PLAT_FORMS_COLLECTION_H_

#include <string>
#include <vector>

#include "plat/forms/object.h"

namespace plat {

class TCollection;

class TCollectionItem : public TPersistent {
 public:
  // Adds itself to `collection` when one is given.
  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;

  TCollection* Collection() const { return collection_; }
  // Moves the item into another collection (or none).
  void SetCollection(TCollection* collection);
  int ID() const { return id_; }
  int Index() const;
  // Moves the item within its collection.
  virtual void SetIndex(int index);
  // ClassName when not overridden.
  virtual std::string DisplayName() const;
  TPersistent* GetOwner() const override;
  std::string GetNamePath() const override;

 protected:
  // Tells the collection: this item changed (all = false) or the list did.
  void Changed(bool all);

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int id_ = 0;
};

// Makes a new item of the collection's item class inside `collection`.
using TCollectionItemClass = TCollectionItem* (*)(TCollection* collection);

template <class T>
TCollectionItemClass CollectionItemClass() {
  return [](TCollection* collection) -> TCollectionItem* { return new T(collection); };
}

class TCollection : public TPersistent {
 public:
  explicit TCollection(TCollectionItemClass item_class, TPersistent* owner = nullptr);
  ~TCollection() override;

  TCollectionItem* Add();
  // A new item at `index` (Count appends).
  TCollectionItem* Insert(int index);
  void Delete(int index);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError for an index out of range.
  TCollectionItem* Items(int index) const;
  TCollectionItem* FindItemID(int id) const;
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return update_count_; }
  TCollectionItemClass ItemClass() const { return item_class_; }
  TPersistent* GetOwner() const override { return owner_; }
  // Same item class: the items are replaced by new ones assigned from the
  // source's, inside one update bracket.
  void Assign(const TPersistent* source) override;

 protected:
  // `item` changed, or the whole list when null. Called outside brackets.
  virtual void Update(TCollectionItem* item) {}
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item, int index);
  void RemoveItem(TCollectionItem* item);

  TCollectionItemClass item_class_;
  TPersistent* owner_;
  std::vector<TCollectionItem*> items_;
  int next_id_ = 0;
  int update_count_ = 0;
  bool is_clearing_ = false;
};

}  // namespace plat

#endif  // PLAT_FORMS_COLLECTION_H_

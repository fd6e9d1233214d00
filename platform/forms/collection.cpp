// TCollection and TCollectionItem.
#include "plat/forms/collection.h"

#include <algorithm>
#include <memory>

#include "plat/forms/exceptions.h"

namespace plat {

// ---- TCollectionItem ----

TCollectionItem::TCollectionItem(TCollection* collection) { SetCollection(collection); }

TCollectionItem::~TCollectionItem() {
  if (collection_ != nullptr) collection_->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* collection) {
  if (collection == collection_) return;
  if (collection_ != nullptr) collection_->RemoveItem(this);
  if (collection != nullptr) collection->InsertItem(this, collection->Count());
}

int TCollectionItem::Index() const {
  if (collection_ == nullptr) return -1;
  auto& items = collection_->items_;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int index) {
  int current = Index();
  if (current < 0 || index == current) return;
  auto& items = collection_->items_;
  if (index < 0 || index >= static_cast<int>(items.size())) RaiseRes<EListError>(SListIndexError, {index});
  items.erase(items.begin() + current);
  items.insert(items.begin() + index, this);
  Changed(true);
}

std::string TCollectionItem::DisplayName() const { return ClassName(); }

TPersistent* TCollectionItem::GetOwner() const { return collection_; }

std::string TCollectionItem::GetNamePath() const {
  if (collection_ == nullptr) return ClassName();
  return collection_->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

void TCollectionItem::Changed(bool all) {
  if (collection_ == nullptr || collection_->update_count_ > 0) return;
  collection_->Update(all ? nullptr : this);
}

// ---- TCollection ----

TCollection::TCollection(TCollectionItemClass item_class, TPersistent* owner)
    : item_class_(item_class), owner_(owner) {}

TCollection::~TCollection() {
  update_count_ = 1;  // no Update while the items go
  is_clearing_ = true;
  while (!items_.empty()) delete items_.back();
}

void TCollection::InsertItem(TCollectionItem* item, int index) {
  items_.insert(items_.begin() + index, item);
  item->collection_ = this;
  item->id_ = next_id_++;
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it != items_.end()) items_.erase(it);
  item->collection_ = nullptr;
  if (!is_clearing_) Changed();
}

TCollectionItem* TCollection::Add() {
  // The item class's constructor inserts the item at the end.
  return item_class_(this);
}

TCollectionItem* TCollection::Insert(int index) {
  if (index < 0 || index > Count()) RaiseRes<EListError>(SListIndexError, {index});
  TCollectionItem* item = nullptr;
  WithUpdate(*this, [&] {
    item = Add();
    item->SetIndex(index);
  });
  return item;
}

void TCollection::Delete(int index) { delete Items(index); }

void TCollection::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  is_clearing_ = true;
  while (!items_.empty()) delete items_.back();
  is_clearing_ = false;
  EndUpdate();
}

TCollectionItem* TCollection::Items(int index) const {
  if (index < 0 || index >= Count()) RaiseRes<EListError>(SListIndexError, {index});
  return items_[static_cast<size_t>(index)];
}

TCollectionItem* TCollection::FindItemID(int id) const {
  for (TCollectionItem* item : items_) {
    if (item->id_ == id) return item;
  }
  return nullptr;
}

void TCollection::BeginUpdate() { ++update_count_; }

void TCollection::EndUpdate() {
  if (update_count_ == 0) return;
  if (--update_count_ == 0) Changed();
}

void TCollection::Changed() {
  if (update_count_ == 0) Update(nullptr);
}

void TCollection::Assign(const TPersistent* source) {
  auto* other = dynamic_cast<const TCollection*>(source);
  if (other == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  WithUpdate(*this, [&] {
    Clear();
    for (TCollectionItem* item : other->items_) Add()->Assign(item);
  });
}

}  // namespace plat

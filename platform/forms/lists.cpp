// TList: range-checked pointer list.
#include "plat/forms/lists.h"

#include <algorithm>

#include "plat/forms/exceptions.h"

namespace plat {

void TList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) RaiseRes<EListError>(SListIndexError, {index});
}

void TList::SetCount(int count) {
  if (count < 0) RaiseRes<EListError>(SListCountError, {count});
  items_.resize(static_cast<size_t>(count), nullptr);
}

void TList::SetCapacity(int capacity) {
  if (capacity < Count()) RaiseRes<EListError>(SListCapacityError, {capacity});
  items_.reserve(static_cast<size_t>(capacity));
}

void* TList::Get(int index) const {
  CheckIndex(index);
  return items_[static_cast<size_t>(index)];
}

void TList::Put(int index, void* item) {
  CheckIndex(index);
  items_[static_cast<size_t>(index)] = item;
}

int TList::Add(void* item) {
  items_.push_back(item);
  return Count() - 1;
}

void TList::Insert(int index, void* item) {
  if (index < 0 || index > Count()) RaiseRes<EListError>(SListIndexError, {index});
  items_.insert(items_.begin() + index, item);
}

void TList::Delete(int index) {
  CheckIndex(index);
  items_.erase(items_.begin() + index);
}

int TList::Remove(void* item) {
  int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* item) {
  return Remove(item) >= 0 ? item : nullptr;
}

int TList::IndexOf(const void* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Clear() {
  items_.clear();
  items_.shrink_to_fit();
}

void TList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
}

void TList::Move(int current_index, int new_index) {
  if (current_index == new_index) return;
  CheckIndex(current_index);
  CheckIndex(new_index);
  void* item = items_[static_cast<size_t>(current_index)];
  items_.erase(items_.begin() + current_index);
  items_.insert(items_.begin() + new_index, item);
}

void TList::Pack() { std::erase(items_, nullptr); }

void TList::Sort(const TListSortCompare& compare) {
  std::stable_sort(items_.begin(), items_.end(), [&](void* a, void* b) { return compare(a, b) < 0; });
}

}  // namespace plat

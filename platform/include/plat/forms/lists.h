// TList: an ordered list of untyped pointers with range-checked access.
// An index out of range raises EListError with the index in its text.
#ifndef PLAT_FORMS_LISTS_H_
#define PLAT_FORMS_LISTS_H_

#include <functional>
#include <vector>

#include "plat/forms/object.h"

namespace plat {

class TList : public TObject {
 public:
  using TListSortCompare = std::function<int(void* a, void* b)>;

  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError for a count below 0; a larger count adds nulls.
  void SetCount(int count);
  int Capacity() const { return static_cast<int>(items_.capacity()); }
  void SetCapacity(int capacity);

  void* Get(int index) const;
  void Put(int index, void* item);
  void* operator[](int index) const { return Get(index); }

  int Add(void* item);
  void Insert(int index, void* item);  // index == Count appends
  void Delete(int index);
  // Removes the first occurrence; its former index, or -1.
  int Remove(void* item);
  // Removes the first occurrence and returns it; null when absent.
  void* Extract(void* item);
  int IndexOf(const void* item) const;
  void Clear();
  void Exchange(int index1, int index2);
  void Move(int current_index, int new_index);
  void* First() const { return Get(0); }
  void* Last() const { return Get(Count() - 1); }
  // Drops the null entries.
  void Pack();
  // Stable sort by `compare` (negative: a before b).
  void Sort(const TListSortCompare& compare);
  const std::vector<void*>& List() const { return items_; }

 protected:
  void CheckIndex(int index) const;

 private:
  std::vector<void*> items_;
};

}  // namespace plat

#endif  // PLAT_FORMS_LISTS_H_

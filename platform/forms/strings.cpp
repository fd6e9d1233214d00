// TStrings and TStringList.
#include "plat/forms/strings.h"

#include <algorithm>
#include <exception>

#include "plat/forms/exceptions.h"
#include "plat/forms/streams.h"
#include "plat/forms/sysutils.h"

namespace plat {

// ---- TStrings ----

void TStrings::Error(int text_id, int index) const { RaiseRes<EStringListError>(text_id, {index}); }

int TStrings::CompareStrings(const std::string& a, const std::string& b) const { return CompareText(a, b); }

void TStrings::Put(int index, const std::string& text) {
  TObject* object = GetObject(index);
  Delete(index);
  InsertObject(index, text, object);
}

TObject* TStrings::GetObject(int index) const { return nullptr; }
void TStrings::PutObject(int index, TObject* object) {}

int TStrings::Add(const std::string& text) {
  int index = Count();
  Insert(index, text);
  return index;
}

int TStrings::AddObject(const std::string& text, TObject* object) {
  int index = Add(text);
  PutObject(index, object);
  return index;
}

void TStrings::InsertObject(int index, const std::string& text, TObject* object) {
  Insert(index, text);
  PutObject(index, object);
}

void TStrings::AddStrings(const TStrings& strings) {
  WithUpdate(*this, [&] {
    for (int i = 0; i < strings.Count(); ++i) AddObject(strings.Get(i), strings.GetObject(i));
  });
}

void TStrings::AddStrings(const std::vector<std::string>& lines) {
  WithUpdate(*this, [&] {
    for (const std::string& line : lines) Add(line);
  });
}

void TStrings::SetStrings(const std::vector<std::string>& lines) {
  WithUpdate(*this, [&] {
    Clear();
    AddStrings(lines);
  });
}

void TStrings::Exchange(int index1, int index2) {
  WithUpdate(*this, [&] {
    std::string text1 = Get(index1), text2 = Get(index2);
    TObject* object1 = GetObject(index1);
    TObject* object2 = GetObject(index2);
    Put(index1, text2);
    PutObject(index1, object2);
    Put(index2, text1);
    PutObject(index2, object1);
  });
}

void TStrings::Move(int current_index, int new_index) {
  if (current_index == new_index) return;
  WithUpdate(*this, [&] {
    std::string text = Get(current_index);
    TObject* object = GetObject(current_index);
    Delete(current_index);
    InsertObject(new_index, text, object);
  });
}

int TStrings::IndexOf(const std::string& text) const {
  for (int i = 0; i < Count(); ++i) {
    if (CompareStrings(Get(i), text) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfName(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    std::string line = Get(i);
    size_t eq = line.find('=');
    if (eq != std::string::npos && CompareStrings(line.substr(0, eq), name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  for (int i = 0; i < Count(); ++i) {
    if (GetObject(i) == object) return i;
  }
  return -1;
}

std::string TStrings::Names(int index) const {
  std::string line = Get(index);
  size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

std::string TStrings::ValueFromIndex(int index) const {
  std::string line = Get(index);
  size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

std::string TStrings::Values(const std::string& name) const {
  int index = IndexOfName(name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStrings::SetValue(const std::string& name, const std::string& value) {
  int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  if (index < 0) {
    Add(name + "=" + value);
  } else {
    Put(index, name + "=" + value);
  }
}

std::string TStrings::Text() const {
  std::string text;
  for (int i = 0; i < Count(); ++i) {
    text += Get(i);
    text += "\r\n";
  }
  return text;
}

void TStrings::SetText(const std::string& text) {
  WithUpdate(*this, [&] {
    Clear();
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find_first_of("\r\n", start);
      if (end == std::string::npos) {
        Add(text.substr(start));
        break;
      }
      Add(text.substr(start, end - start));
      start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
  });
}

std::string TStrings::CommaText() const {
  std::string out;
  for (int i = 0; i < Count(); ++i) {
    if (i > 0) out += ',';
    std::string line = Get(i);
    bool quote = line.empty() ||
                 std::any_of(line.begin(), line.end(), [](char c) {
                   return static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"';
                 });
    if (!quote) {
      out += line;
      continue;
    }
    out += '"';
    for (char c : line) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  return out;
}

void TStrings::SetCommaText(const std::string& text) {
  WithUpdate(*this, [&] {
    Clear();
    size_t i = 0;
    const size_t n = text.size();
    auto blank = [&](size_t k) { return k < n && static_cast<unsigned char>(text[k]) <= ' '; };
    while (i <= n && n > 0) {
      while (blank(i)) ++i;
      std::string item;
      if (i < n && text[i] == '"') {
        ++i;
        while (i < n) {
          if (text[i] == '"') {
            if (i + 1 < n && text[i + 1] == '"') {
              item += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          item += text[i++];
        }
        while (i < n && text[i] != ',') ++i;
      } else {
        size_t comma = text.find(',', i);
        size_t end = comma == std::string::npos ? n : comma;
        item = TrimRight(std::string_view(text).substr(i, end - i));
        i = end;
      }
      Add(item);
      if (i >= n) break;
      ++i;  // the comma
      if (i == n) {
        Add(std::string());
        break;
      }
    }
  });
}

void TStrings::BeginUpdate() {
  if (update_count_++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
  if (update_count_ == 0) return;
  if (--update_count_ == 0) SetUpdateState(false);
}

void TStrings::Assign(const TPersistent* source) {
  auto* strings = dynamic_cast<const TStrings*>(source);
  if (strings == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  if (strings == this) return;
  WithUpdate(*this, [&] {
    Clear();
    AddStrings(*strings);
  });
}

bool TStrings::Equals(const TStrings& other) const {
  if (Count() != other.Count()) return false;
  for (int i = 0; i < Count(); ++i) {
    if (Get(i) != other.Get(i)) return false;
  }
  return true;
}

void TStrings::LoadFromFile(const std::string& file_name) {
  TFileStream stream(file_name, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TStrings::LoadFromStream(TStream& stream) {
  int64_t size = std::max<int64_t>(stream.Size() - stream.Position(), 0);
  std::string text;
  try {
    text.resize(static_cast<size_t>(size));
  } catch (const std::exception&) {  // bad_alloc or length_error
    RaiseRes<EOutOfMemory>(SOutOfMemory);
  }
  if (!text.empty()) stream.ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  SetText(text);
}

void TStrings::SaveToFile(const std::string& file_name) const {
  TFileStream stream(file_name, fmCreate);
  SaveToStream(stream);
  stream.Close();
}

void TStrings::SaveToStream(TStream& stream) const {
  std::string text = Text();
  stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

// ---- TStringList ----

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) Error(SListIndexError, index);
}

int TStringList::CompareStrings(const std::string& a, const std::string& b) const {
  return case_sensitive_ ? CompareStr(a, b) : CompareText(a, b);
}

void TStringList::Changing() {
  if (!is_updating_ && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (!is_updating_ && OnChange) OnChange(this);
}

void TStringList::SetUpdateState(bool updating) {
  is_updating_ = updating;
  if (updating) {
    if (OnChanging) OnChanging(this);
  } else {
    Changed();
  }
}

std::string TStringList::Get(int index) const {
  CheckIndex(index);
  return items_[static_cast<size_t>(index)].text;
}

void TStringList::Put(int index, const std::string& text) {
  if (sorted_) Error(SSortedListError, 0);
  CheckIndex(index);
  Changing();
  items_[static_cast<size_t>(index)].text = text;
  Changed();
}

TObject* TStringList::GetObject(int index) const {
  CheckIndex(index);
  return items_[static_cast<size_t>(index)].object;
}

void TStringList::PutObject(int index, TObject* object) {
  CheckIndex(index);
  Changing();
  items_[static_cast<size_t>(index)].object = object;
  Changed();
}

void TStringList::InsertItem(int index, const std::string& text, TObject* object) {
  Changing();
  items_.insert(items_.begin() + index, Item{text, object});
  Changed();
}

void TStringList::Insert(int index, const std::string& text) {
  if (sorted_) Error(SSortedListError, 0);
  if (index < 0 || index > Count()) Error(SListIndexError, index);
  InsertItem(index, text, nullptr);
}

int TStringList::Add(const std::string& text) {
  int index = Count();
  if (sorted_) {
    if (Find(text, index)) {
      if (duplicates_ == dupIgnore) return index;
      if (duplicates_ == dupError) Error(SDuplicateString, 0);
      // Accepted duplicates go after their equals, so equal lines keep the
      // order they were added in.
      while (index < Count() && CompareStrings(items_[static_cast<size_t>(index)].text, text) == 0) ++index;
    }
  }
  InsertItem(index, text, nullptr);
  return index;
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  items_.erase(items_.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  items_.clear();
  Changed();
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
  Changed();
}

int TStringList::IndexOf(const std::string& text) const {
  if (!sorted_) return TStrings::IndexOf(text);
  int index = 0;
  return Find(text, index) ? index : -1;
}

bool TStringList::Find(const std::string& text, int& index) const {
  // Lower bound; with duplicates accepted, the first of equal lines.
  int low = 0, high = Count();
  while (low < high) {
    int mid = low + (high - low) / 2;
    if (CompareStrings(items_[static_cast<size_t>(mid)].text, text) < 0) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  index = low;
  return low < Count() && CompareStrings(items_[static_cast<size_t>(low)].text, text) == 0;
}

void TStringList::Sort() {
  Changing();
  std::stable_sort(items_.begin(), items_.end(),
                   [this](const Item& a, const Item& b) { return CompareStrings(a.text, b.text) < 0; });
  Changed();
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
  if (Count() < 2) return;
  Changing();
  // Sort a permutation, asking the callback by index of the unsorted list.
  std::vector<int> order(items_.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(*this, a, b) < 0; });
  std::vector<Item> sorted;
  sorted.reserve(items_.size());
  for (int i : order) sorted.push_back(items_[static_cast<size_t>(i)]);
  items_ = std::move(sorted);
  Changed();
}

void TStringList::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  if (sorted) Sort();
  sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool case_sensitive) {
  if (case_sensitive == case_sensitive_) return;
  case_sensitive_ = case_sensitive;
  if (sorted_) Sort();
}

}  // namespace plat

// TStrings and TStringList: lists of texts, each with an attached object.
// Text joins the lines with CR LF after each one and splits on CR, LF or
// CR LF (a missing last line break is fine). Name=value lines are found by
// name ignoring case. TStringList compares case-insensitively unless
// CaseSensitive is set, and keeps itself ordered while Sorted.
#ifndef PLAT_FORMS_STRINGS_H_
#define PLAT_FORMS_STRINGS_H_

#include <functional>
#include <string>
#include <vector>

#include "plat/forms/object.h"

namespace plat {

class TStream;

class TStrings : public TPersistent {
 public:
  virtual int Count() const = 0;
  // Raise EStringListError for an index out of range.
  virtual std::string Get(int index) const = 0;
  virtual void Put(int index, const std::string& text);
  virtual TObject* GetObject(int index) const;
  virtual void PutObject(int index, TObject* object);
  virtual void Insert(int index, const std::string& text) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
  virtual int Add(const std::string& text);
  int AddObject(const std::string& text, TObject* object);
  void Append(const std::string& text) { Add(text); }
  void InsertObject(int index, const std::string& text, TObject* object);
  void AddStrings(const TStrings& strings);
  void AddStrings(const std::vector<std::string>& lines);
  // Replaces the content by `lines`, telling of one change.
  void SetStrings(const std::vector<std::string>& lines);
  virtual void Exchange(int index1, int index2);
  virtual void Move(int current_index, int new_index);
  // First line equal to `text` (by the list's comparison), -1 when none.
  virtual int IndexOf(const std::string& text) const;
  int IndexOfName(const std::string& name) const;
  int IndexOfObject(const TObject* object) const;
  std::string operator[](int index) const { return Get(index); }
  std::string Strings(int index) const { return Get(index); }

  // Name of "name=value" (the text before the first "="); empty without "=".
  std::string Names(int index) const;
  std::string ValueFromIndex(int index) const;
  // Value of the first line whose name is `name`; empty when none.
  std::string Values(const std::string& name) const;
  // Sets that line's value; an empty value deletes the line, a new name
  // appends "name=value".
  void SetValue(const std::string& name, const std::string& value);

  std::string Text() const;
  void SetText(const std::string& text);
  // Lines joined with ",", lines holding blanks, commas or quotes quoted.
  std::string CommaText() const;
  void SetCommaText(const std::string& text);

  // While an update is open the list tells no one of its changes.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

  void Assign(const TPersistent* source) override;
  bool Equals(const TStrings& other) const;

  // A UTF-8 byte-order mark at the start of a file or stream is dropped.
  void LoadFromFile(const std::string& file_name);
  void LoadFromStream(TStream& stream);
  // Written through TFileStream(fmCreate): an earlier file is replaced only
  // when the whole text was written.
  void SaveToFile(const std::string& file_name) const;
  void SaveToStream(TStream& stream) const;

 protected:
  virtual void SetUpdateState(bool updating) {}
  virtual int CompareStrings(const std::string& a, const std::string& b) const;
  [[noreturn]] void Error(int text_id, int index) const;

 private:
  int update_count_ = 0;
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };
using enum TDuplicates;

class TStringList : public TStrings {
 public:
  using TStringListSortCompare = std::function<int(TStringList& list, int index1, int index2)>;

  int Count() const override { return static_cast<int>(items_.size()); }
  std::string Get(int index) const override;
  void Put(int index, const std::string& text) override;
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* object) override;
  // A sorted list raises EStringListError on Insert; use Add.
  void Insert(int index, const std::string& text) override;
  void Delete(int index) override;
  void Clear() override;
  // Sorted: placed in order; a duplicate is dropped (dupIgnore, returning
  // the existing index) or raises EStringListError (dupError).
  int Add(const std::string& text) override;
  void Exchange(int index1, int index2) override;
  int IndexOf(const std::string& text) const override;
  // Binary search of a sorted list: true and its index when found, else
  // false and the index where it would go.
  bool Find(const std::string& text, int& index) const;
  void Sort();
  void CustomSort(const TStringListSortCompare& compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  bool CaseSensitive() const { return case_sensitive_; }
  void SetCaseSensitive(bool case_sensitive);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  void SetUpdateState(bool updating) override;
  int CompareStrings(const std::string& a, const std::string& b) const override;
  virtual void Changed();
  virtual void Changing();

 private:
  struct Item {
    std::string text;
    TObject* object = nullptr;
  };
  void CheckIndex(int index) const;
  void InsertItem(int index, const std::string& text, TObject* object);

  std::vector<Item> items_;
  bool sorted_ = false;
  bool case_sensitive_ = false;
  TDuplicates duplicates_ = dupIgnore;
  bool is_updating_ = false;
};

}  // namespace plat

#endif  // PLAT_FORMS_STRINGS_H_

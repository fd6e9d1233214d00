// List controls of the class library on the window system's LISTBOX and
// COMBOBOX classes. Items() is a TStrings over the window's own list (a
// saved list while there is no window); an index outside the list raises
// EStringListError (items) or EListError (ItemIndex) and changes nothing.
#ifndef PLAT_FORMS_LISTCTRLS_H_
#define PLAT_FORMS_LISTCTRLS_H_

#include <memory>
#include <string>

#include "plat/forms/controls.h"
#include "plat/forms/strings.h"

namespace plat {

class TCustomListControl;

// The messages one kind of list window answers.
struct TListMessages {
  UINT add;
  UINT insert;
  UINT remove;
  UINT reset;
  UINT count;
  UINT get_text;
  UINT get_text_length;
  UINT get_item_data;
  UINT set_item_data;
  UINT set_current;
  UINT get_current;
};

class TListControlItems : public TStrings {
 public:
  explicit TListControlItems(TCustomListControl* control) : control_(control) {}
  int Count() const override;
  std::string Get(int index) const override;
  void Put(int index, const std::string& text) override;
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* object) override;
  void Insert(int index, const std::string& text) override;
  void Delete(int index) override;
  void Clear() override;
  int Add(const std::string& text) override;

 protected:
  void SetUpdateState(bool updating) override;

 private:
  void CheckIndex(int index) const;
  TCustomListControl* control_;
};

class TCustomListControl : public TWinControl {
 public:
  ~TCustomListControl() override;
  TStrings* Items() const { return items_.get(); }
  void SetItems(const TStrings* items) { items_->Assign(items); }
  // -1 for no selection. Raises EListError outside -1..Count-1.
  int ItemIndex();
  void SetItemIndex(int index);
  bool Sorted() const { return is_sorted_; }
  void SetSorted(bool is_sorted);
  void Clear() { items_->Clear(); }

 protected:
  TCustomListControl(TComponent* owner, const TListMessages& messages);
  void CreateWnd() override;
  void SaveWindowState() override;
  // The sort style bit of the window class.
  virtual DWORD SortStyle() const = 0;

 private:
  friend class TListControlItems;
  const TListMessages& messages_;
  std::unique_ptr<TListControlItems> items_;
  TStringList saved_;     // the items while there is no window
  int saved_index_ = -1;
  bool is_sorted_ = false;
};

enum class TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
using enum TListBoxStyle;

class TCustomListBox : public TCustomListControl {
 public:
  explicit TCustomListBox(TComponent* owner);
  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle style);
  int ItemHeight() const { return item_height_; }
  void SetItemHeight(int height);
  int TopIndex();
  void SetTopIndex(int index);
  // The item at a client point, -1 when none (or past the last with `exists`).
  int ItemAtPos(POINT point, bool exists);
  RECT ItemRect(int index);

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& msg) override;
  DWORD SortStyle() const override;

 private:
  TListBoxStyle style_ = lbStandard;
  int item_height_ = 16;
};

class TListBox : public TCustomListBox {
 public:
  using TCustomListBox::TCustomListBox;
};

enum class TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
using enum TComboBoxStyle;

class TCustomComboBox : public TCustomListControl {
 public:
  explicit TCustomComboBox(TComponent* owner);
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle style);
  bool DroppedDown();
  void SetDroppedDown(bool is_dropped);
  int DropDownCount() const { return drop_down_count_; }
  void SetDropDownCount(int count) { drop_down_count_ = count; }
  int DroppedWidth();
  void SetDroppedWidth(int width);
  int ItemHeight() const { return item_height_; }
  void SetItemHeight(int height);
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int length);

  TNotifyEvent OnChange;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;
  TNotifyEvent OnSelect;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& msg) override;
  DWORD SortStyle() const override;
  virtual void Change();
  virtual void DropDown();
  virtual void Select();

 private:
  TComboBoxStyle style_ = csDropDown;
  int drop_down_count_ = 8;
  int item_height_ = 16;
  int max_length_ = 0;
  int dropped_width_ = 0;
};

class TComboBox : public TCustomComboBox {
 public:
  using TCustomComboBox::TCustomComboBox;
};

}  // namespace plat

#endif  // PLAT_FORMS_LISTCTRLS_H_

// TClipboard: the class library's view of the clipboard (text as UTF-8,
// blocks of any format, pictures through Assign). Opening nests.
#ifndef PLAT_FORMS_CLIPBRD_H_
#define PLAT_FORMS_CLIPBRD_H_

#include <string>

#include "plat/forms/object.h"
#include "plat/global_memory.h"
#include "plat/types.h"

namespace plat {

class TClipboard : public TPersistent {
 public:
  ~TClipboard() override;
  // Raises EInvalidOperation when the clipboard cannot be opened.
  void Open();
  void Close();
  void Clear();
  bool HasFormat(UINT format) const;
  // The text on the clipboard; empty when there is none.
  std::string AsText();
  void SetAsText(const std::string& text);
  // A copy of `data` (a global block) is put under `format`; the caller keeps `data`.
  void SetAsHandle(UINT format, HGLOBAL data);
  // The clipboard's own block (not to be freed), null when absent.
  HGLOBAL GetAsHandle(UINT format);
  // A TBitmap puts a CF_DIB; other sources raise EConvertError.
  void Assign(const TPersistent* source) override;

 protected:
  // Into a TBitmap: the clipboard's CF_DIB.
  void AssignTo(TPersistent* dest) const override;

 private:
  // Empties the clipboard once per opening, before the first put.
  void EmptyOnce();
  int open_count_ = 0;
  bool is_emptied_ = false;
};

// The process's one clipboard object.
TClipboard* Clipboard();

}  // namespace plat

#endif  // PLAT_FORMS_CLIPBRD_H_

// Temporary files: created with mkstemp in $TMPDIR (else /tmp), the prefix
// "ipi" and mode 0600, and removed on every path unless ownership of the name
// is handed on with Release().
#ifndef PLAT_TEMP_FILE_H_
#define PLAT_TEMP_FILE_H_

#include <string>

namespace plat {

// The folder for temporary files: $TMPDIR when set and non-empty, else /tmp.
std::string TempFolder();

class TempFile {
 public:
  TempFile() = default;
  ~TempFile();
  TempFile(TempFile&& other) noexcept;
  TempFile& operator=(TempFile&& other) noexcept;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  // Creates an empty temporary file; false (with errno) when none can be made.
  [[nodiscard]] static bool Create(TempFile& out);

  const std::string& path() const { return path_; }
  // Hands the file to the caller, who must remove it; this object forgets it.
  std::string Release();
  // Removes the file now.
  void Remove();

 private:
  std::string path_;
};

}  // namespace plat

#endif  // PLAT_TEMP_FILE_H_

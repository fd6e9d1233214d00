// Settings files of the class library. TCustomIniFile is the one interface
// over a store of sections holding name=value entries; typed values are
// kept as texts (integers in decimal and read also as "$hex"/"0x", booleans
// as 1/0, floats, dates and times in C-locale and ISO forms). TIniFile goes
// to the file on every call through the kernel's profile functions;
// TMemIniFile reads the file once and writes it back on UpdateFile.
// TRegistryIniFile (registry.h) puts the same interface on a registry key.
// A write that fails raises EIniFileException naming the file; a missing
// file or entry reads as the default.
#ifndef PLAT_FORMS_INIFILES_H_
#define PLAT_FORMS_INIFILES_H_

#include <memory>
#include <string>
#include <vector>

#include "plat/forms/dates.h"
#include "plat/forms/object.h"

namespace plat {

class TStrings;
class TStringList;

class TCustomIniFile : public TObject {
 public:
  explicit TCustomIniFile(std::string file_name) : file_name_(std::move(file_name)) {}
  const std::string& FileName() const { return file_name_; }

  virtual std::string ReadString(const std::string& section, const std::string& ident,
                                 const std::string& default_value) = 0;
  virtual void WriteString(const std::string& section, const std::string& ident, const std::string& value) = 0;
  virtual int ReadInteger(const std::string& section, const std::string& ident, int default_value);
  virtual void WriteInteger(const std::string& section, const std::string& ident, int value);
  virtual bool ReadBool(const std::string& section, const std::string& ident, bool default_value);
  virtual void WriteBool(const std::string& section, const std::string& ident, bool value);
  double ReadFloat(const std::string& section, const std::string& ident, double default_value);
  void WriteFloat(const std::string& section, const std::string& ident, double value);
  TDateTime ReadDate(const std::string& section, const std::string& ident, TDateTime default_value);
  void WriteDate(const std::string& section, const std::string& ident, TDateTime value);
  TDateTime ReadTime(const std::string& section, const std::string& ident, TDateTime default_value);
  void WriteTime(const std::string& section, const std::string& ident, TDateTime value);
  TDateTime ReadDateTime(const std::string& section, const std::string& ident, TDateTime default_value);
  void WriteDateTime(const std::string& section, const std::string& ident, TDateTime value);

  // The entry names of a section / the section names / the section's
  // entries as "name=value" lines; `strings` is cleared first.
  virtual void ReadSection(const std::string& section, TStrings& strings) = 0;
  virtual void ReadSections(TStrings& strings) = 0;
  virtual void ReadSectionValues(const std::string& section, TStrings& strings) = 0;
  virtual void EraseSection(const std::string& section) = 0;
  virtual void DeleteKey(const std::string& section, const std::string& ident) = 0;
  // Makes buffered changes permanent; nothing to do for unbuffered stores.
  virtual void UpdateFile() {}
  bool SectionExists(const std::string& section);
  virtual bool ValueExists(const std::string& section, const std::string& ident);

 protected:
  void SetFileName(std::string file_name) { file_name_ = std::move(file_name); }
  // Raises EIniFileException naming the file.
  [[noreturn]] void WriteError() const;

 private:
  std::string file_name_;
};

// Every call reads or writes the file itself. A bare file name stands for
// that name in the suite's per-user folder.
class TIniFile : public TCustomIniFile {
 public:
  using TCustomIniFile::TCustomIniFile;

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& default_value) override;
  void WriteString(const std::string& section, const std::string& ident, const std::string& value) override;
  void ReadSection(const std::string& section, TStrings& strings) override;
  void ReadSections(TStrings& strings) override;
  void ReadSectionValues(const std::string& section, TStrings& strings) override;
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& ident) override;
};

// Reads the whole file when made; changes stay in memory until UpdateFile,
// which writes each section back through the kernel (comments and the
// order of other lines are kept) and drops the erased ones.
class TMemIniFile : public TCustomIniFile {
 public:
  explicit TMemIniFile(std::string file_name);
  ~TMemIniFile() override;

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& default_value) override;
  void WriteString(const std::string& section, const std::string& ident, const std::string& value) override;
  void ReadSection(const std::string& section, TStrings& strings) override;
  void ReadSections(TStrings& strings) override;
  void ReadSectionValues(const std::string& section, TStrings& strings) override;
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& ident) override;
  void UpdateFile() override;
  // Drops the changes and reads the file again.
  void Rename(const std::string& file_name, bool reload);
  void Clear();

 private:
  struct Section;
  Section* Find(const std::string& name) const;
  Section& FindOrAdd(const std::string& name);
  void Load();

  std::vector<std::unique_ptr<Section>> sections_;
};

}  // namespace plat

#endif  // PLAT_FORMS_INIFILES_H_

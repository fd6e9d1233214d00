// Settings files: the typed layer over strings, TIniFile on the kernel's
// profile functions and TMemIniFile, which buffers a whole file.
#include "plat/forms/inifiles.h"

#include <algorithm>

#include "plat/forms/exceptions.h"
#include "plat/forms/strings.h"
#include "plat/forms/sysutils.h"
#include "plat/ini.h"

namespace plat {

// ---- TCustomIniFile ----

void TCustomIniFile::WriteError() const { RaiseRes<EIniFileException>(SIniFileWriteError, {file_name_}); }

int TCustomIniFile::ReadInteger(const std::string& section, const std::string& ident, int default_value) {
  return StrToIntDef(ReadString(section, ident, std::string()), default_value);
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  WriteString(section, ident, IntToStr(value));
}

bool TCustomIniFile::ReadBool(const std::string& section, const std::string& ident, bool default_value) {
  return ReadInteger(section, ident, default_value ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const std::string& section, const std::string& ident, double default_value) {
  return StrToFloatDef(ReadString(section, ident, std::string()), default_value);
}

void TCustomIniFile::WriteFloat(const std::string& section, const std::string& ident, double value) {
  WriteString(section, ident, FloatToStr(value));
}

TDateTime TCustomIniFile::ReadDate(const std::string& section, const std::string& ident, TDateTime default_value) {
  return StrToDateDef(ReadString(section, ident, std::string()), default_value);
}

void TCustomIniFile::WriteDate(const std::string& section, const std::string& ident, TDateTime value) {
  WriteString(section, ident, DateToStr(value));
}

TDateTime TCustomIniFile::ReadTime(const std::string& section, const std::string& ident, TDateTime default_value) {
  return StrToTimeDef(ReadString(section, ident, std::string()), default_value);
}

void TCustomIniFile::WriteTime(const std::string& section, const std::string& ident, TDateTime value) {
  WriteString(section, ident, TimeToStr(value));
}

TDateTime TCustomIniFile::ReadDateTime(const std::string& section, const std::string& ident,
                                       TDateTime default_value) {
  return StrToDateTimeDef(ReadString(section, ident, std::string()), default_value);
}

void TCustomIniFile::WriteDateTime(const std::string& section, const std::string& ident, TDateTime value) {
  WriteString(section, ident, DateTimeToStr(value));
}

bool TCustomIniFile::SectionExists(const std::string& section) {
  TStringList names;
  ReadSections(names);
  return names.IndexOf(section) >= 0;
}

bool TCustomIniFile::ValueExists(const std::string& section, const std::string& ident) {
  TStringList names;
  ReadSection(section, names);
  return names.IndexOf(ident) >= 0;
}

// ---- TIniFile ----

namespace {

std::vector<std::string> SplitNulList(const std::string& list) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find('\0', start);
    if (end == std::string::npos) end = list.size();
    if (end > start) out.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

}  // namespace

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& default_value) {
  std::string out;
  GetPrivateProfileString(section.c_str(), ident.c_str(), default_value.c_str(), out, FileName().c_str());
  return out;
}

void TIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  if (!WritePrivateProfileString(section.c_str(), ident.c_str(), value.c_str(), FileName().c_str())) WriteError();
}

void TIniFile::ReadSection(const std::string& section, TStrings& strings) {
  std::string names;
  GetPrivateProfileString(section.c_str(), nullptr, "", names, FileName().c_str());
  strings.SetStrings(SplitNulList(names));
}

void TIniFile::ReadSections(TStrings& strings) {
  std::vector<std::string> names;
  GetPrivateProfileSectionNames(names, FileName().c_str());
  strings.SetStrings(names);
}

void TIniFile::ReadSectionValues(const std::string& section, TStrings& strings) {
  std::vector<std::string> lines;
  GetPrivateProfileSection(section.c_str(), lines, FileName().c_str());
  strings.SetStrings(lines);
}

void TIniFile::EraseSection(const std::string& section) {
  if (!WritePrivateProfileString(section.c_str(), nullptr, nullptr, FileName().c_str())) WriteError();
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  if (!WritePrivateProfileString(section.c_str(), ident.c_str(), nullptr, FileName().c_str())) WriteError();
}

// ---- TMemIniFile ----

struct TMemIniFile::Section {
  std::string name;
  TStringList values;  // "name=value" lines, first occurrence wins
};

TMemIniFile::TMemIniFile(std::string file_name) : TCustomIniFile(std::move(file_name)) { Load(); }

TMemIniFile::~TMemIniFile() = default;

void TMemIniFile::Load() {
  sections_.clear();
  std::vector<std::string> names;
  GetPrivateProfileSectionNames(names, FileName().c_str());
  for (const std::string& name : names) {
    std::vector<std::string> lines;
    GetPrivateProfileSection(name.c_str(), lines, FileName().c_str());
    Section& section = FindOrAdd(name);
    for (const std::string& line : lines) section.values.Add(line);
  }
}

TMemIniFile::Section* TMemIniFile::Find(const std::string& name) const {
  for (const auto& section : sections_) {
    if (SameText(section->name, name)) return section.get();
  }
  return nullptr;
}

TMemIniFile::Section& TMemIniFile::FindOrAdd(const std::string& name) {
  if (Section* found = Find(name)) return *found;
  sections_.push_back(std::make_unique<Section>());
  sections_.back()->name = name;
  return *sections_.back();
}

std::string TMemIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& default_value) {
  Section* found = Find(section);
  if (found == nullptr) return default_value;
  int index = found->values.IndexOfName(ident);
  return index < 0 ? default_value : found->values.ValueFromIndex(index);
}

void TMemIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  // The same texts the file refuses are refused here, before anything changes.
  auto bad = [](const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; };
  if (bad(section) || bad(ident) || bad(value) || ident.find('=') != std::string::npos ||
      section.find(']') != std::string::npos || Trim(ident).empty()) {
    WriteError();
  }
  Section& target = FindOrAdd(section);
  int index = target.values.IndexOfName(ident);
  std::string line = ident + "=" + value;
  if (index < 0) {
    target.values.Add(line);
  } else {
    target.values.Put(index, line);
  }
}

void TMemIniFile::ReadSection(const std::string& section, TStrings& strings) {
  std::vector<std::string> names;
  if (Section* found = Find(section)) {
    for (int i = 0; i < found->values.Count(); ++i) names.push_back(found->values.Names(i));
  }
  strings.SetStrings(names);
}

void TMemIniFile::ReadSections(TStrings& strings) {
  std::vector<std::string> names;
  for (const auto& section : sections_) names.push_back(section->name);
  strings.SetStrings(names);
}

void TMemIniFile::ReadSectionValues(const std::string& section, TStrings& strings) {
  std::vector<std::string> lines;
  if (Section* found = Find(section)) {
    for (int i = 0; i < found->values.Count(); ++i) lines.push_back(found->values[i]);
  }
  strings.SetStrings(lines);
}

void TMemIniFile::EraseSection(const std::string& section) {
  std::erase_if(sections_, [&](const auto& s) { return SameText(s->name, section); });
}

void TMemIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  if (Section* found = Find(section)) {
    int index = found->values.IndexOfName(ident);
    if (index >= 0) found->values.Delete(index);
  }
}

void TMemIniFile::UpdateFile() {
  const char* file = FileName().c_str();
  std::vector<std::string> on_file;
  GetPrivateProfileSectionNames(on_file, file);
  for (const std::string& name : on_file) {
    if (Find(name) == nullptr && !WritePrivateProfileSection(name.c_str(), static_cast<const char*>(nullptr), file)) {
      WriteError();
    }
  }
  for (const auto& section : sections_) {
    std::vector<std::string> lines;
    for (int i = 0; i < section->values.Count(); ++i) lines.push_back(section->values[i]);
    // A section that reads back as it stands keeps its bytes (and comments).
    std::vector<std::string> stored;
    GetPrivateProfileSection(section->name.c_str(), stored, file);
    if (stored == lines && std::find_if(on_file.begin(), on_file.end(), [&](const std::string& n) {
                             return SameText(n, section->name);
                           }) != on_file.end()) {
      continue;
    }
    if (!WritePrivateProfileSection(section->name.c_str(), lines, file)) WriteError();
  }
}

void TMemIniFile::Rename(const std::string& file_name, bool reload) {
  SetFileName(file_name);
  if (reload) Load();
}

void TMemIniFile::Clear() { sections_.clear(); }

}  // namespace plat

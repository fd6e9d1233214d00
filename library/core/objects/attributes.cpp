// Object attributes by name. Setting "fileFormat" or "stripsPerImage" applies
// the entries that stand before it once more, for the names of the new group
// only, so group attributes are stored whatever their position in the list and
// a list with conflicting entries still ends.
#include "core/objects/attributes.h"

#include <algorithm>
#include <cstring>

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/format_extras.h"
#include "core/status.h"

namespace {

enum class Field {
  kApplicationAddressSpace,
  kApplAddressSpaceHandle,
  kBitOrder,
  kByteOrder,
  kColourSpace,
  kCompression,
  kCompressionLevel,
  kDataPrecision,
  kDataType,
  kEolState,
  kFileFormat,
  kFileName,
  kFilter,
  kInited,
  kIndexAssignment,  // index in `dimension`
  kK,
  kLut,
  kPixelInterpretation,
  kRepository,
  kRoi,
  kSamplingFactor,
  kScaleFactor,
  kSize,
  kDimension,   // index in `dimension`
  kMatchPoint,  // index in `dimension`
  kWidthByteBoundary,
  kWorkSpace,
  kWorkSpaceHandle,
  kTmpnam,
};

struct FieldEntry {
  const char* name;
  Field field;
  int index;
  bool clears_inited;
};

constexpr FieldEntry kObjectAttributes[] = {
    {"applicationAddressSpace", Field::kApplicationAddressSpace, 0, false},
    {"applAddressSpaceHandle", Field::kApplAddressSpaceHandle, 0, false},
    {"bitOrder", Field::kBitOrder, 0, false},
    {"byteOrder", Field::kByteOrder, 0, false},
    {"colourSpace", Field::kColourSpace, 0, false},
    {"compression", Field::kCompression, 0, true},
    {"compressionMethod", Field::kCompression, 0, true},
    {"compressionLevel", Field::kCompressionLevel, 0, false},
    {"dataPrecision", Field::kDataPrecision, 0, true},
    {"dataType", Field::kDataType, 0, true},
    {"eolState", Field::kEolState, 0, false},
    {"predictor", Field::kEolState, 0, false},
    {"fileFormat", Field::kFileFormat, 0, false},
    {"fileName", Field::kFileName, 0, false},
    {"filter", Field::kFilter, 0, false},
    {"inited", Field::kInited, 0, false},
    {"jIndexAssignment", Field::kIndexAssignment, 0, false},
    {"kIndexAssignment", Field::kIndexAssignment, 1, false},
    {"lIndexAssignment", Field::kIndexAssignment, 2, false},
    {"mIndexAssignment", Field::kIndexAssignment, 3, false},
    {"nIndexAssignment", Field::kIndexAssignment, 4, false},
    {"k", Field::kK, 0, false},
    {"lut", Field::kLut, 0, false},
    {"pixelInterpretation", Field::kPixelInterpretation, 0, false},
    {"repository", Field::kRepository, 0, false},
    {"roi", Field::kRoi, 0, false},
    {"samplingFactor", Field::kSamplingFactor, 0, false},
    {"scaleFactor", Field::kScaleFactor, 0, false},
    {"quarityFactor", Field::kScaleFactor, 0, false},
    {"size", Field::kSize, 0, false},
    {"xDimension", Field::kDimension, kDimX, true},
    {"entries", Field::kDimension, kDimX, true},
    {"yDimension", Field::kDimension, kDimY, true},
    {"zDimension", Field::kDimension, kDimZ, true},
    {"tDimension", Field::kDimension, kDimT, true},
    {"bDimension", Field::kDimension, kDimB, true},
    {"xMatchPoint", Field::kMatchPoint, kDimX, false},
    {"yMatchPoint", Field::kMatchPoint, kDimY, false},
    {"zMatchPoint", Field::kMatchPoint, kDimZ, false},
    {"tMatchPoint", Field::kMatchPoint, kDimT, false},
    {"bMatchPoint", Field::kMatchPoint, kDimB, false},
    {"widthByteBoundary", Field::kWidthByteBoundary, 0, false},
    {"workSpace", Field::kWorkSpace, 0, false},
    {"workSpaceHandle", Field::kWorkSpaceHandle, 0, false},
    {"tmpnam", Field::kTmpnam, 0, false},
};

const FieldEntry* FindObjectAttribute(const char* name) {
  if (name == nullptr) return nullptr;
  for (const FieldEntry& entry : kObjectAttributes) {
    if (std::strcmp(entry.name, name) == 0) return &entry;
  }
  return nullptr;
}

int32_t Word(intptr_t value) { return static_cast<int32_t>(value); }

IpiSystemAttribute PrecisionForType(int32_t data_type, bool& known) {
  known = true;
  switch (data_type) {
    case kDataTypeBoolean: return IpiSystemAttribute::kBooleanPrecision;
    case kDataTypeComplex: return IpiSystemAttribute::kComplexArithmeticPrecision;
    case kDataTypeNonnegative: return IpiSystemAttribute::kNonnegativeIntegerPrecision;
    case kDataTypeReal: return IpiSystemAttribute::kRealArithmeticPrecision;
    case kDataTypeSigned: return IpiSystemAttribute::kSignedIntegerPrecision;
    default: known = false; return IpiSystemAttribute::kBooleanPrecision;
  }
}

// The extras of the object's current group, when it has one.
IpiFormatExtras* GroupExtras(IpiObject& obj) {
  const int32_t format = obj.fields.file_format;
  if (obj.extras == nullptr || format < kFirstGroupFormat || format > kLastGroupFormat) return nullptr;
  return obj.extras.get();
}

void CopyStripTable(std::vector<uint32_t>& table, intptr_t address) {
  if (address == 0 || table.empty()) return;  // no address, or no table yet
  std::memcpy(table.data(), reinterpret_cast<const void*>(address), table.size() * sizeof(uint32_t));
}

void CopyRational(std::optional<std::array<uint32_t, 2>>& rational, intptr_t address) {
  if (address == 0) return;
  std::array<uint32_t, 2> value;
  std::memcpy(value.data(), reinterpret_cast<const void*>(address), sizeof value);
  rational = value;
}

// Entry outcome of a group set.
enum class GroupSet { kNotInGroup, kDone, kStripCountChanged };

GroupSet SetGroupEntry(IpiSystem* sys, IpiObject& obj, const IpiAttribute& entry) {
  IpiFormatExtras* extras = GroupExtras(obj);
  if (extras == nullptr) return GroupSet::kNotInGroup;
  const GroupEntry* group = IpiFindGroupEntry(extras->format, entry.name);
  if (group == nullptr) return GroupSet::kNotInGroup;
  const intptr_t value = entry.value;
  switch (group->kind) {
    case GroupEntryKind::kValue:
      extras->words[group->word] = Word(value);
      return GroupSet::kDone;
    case GroupEntryKind::kStripCount: {
      if (value < 0 || value > kMaxDimension) {
        IpiReportError(sys, value < 0 ? kIpiOutOfRange : kIpiExceedImplementation);
        return GroupSet::kDone;
      }
      if (Word(value) == extras->words[group->word]) return GroupSet::kDone;
      extras->words[group->word] = Word(value);
      extras->strip_byte_counts.assign(static_cast<size_t>(value), 0);
      extras->strip_offsets.assign(static_cast<size_t>(value), 0);
      return GroupSet::kStripCountChanged;
    }
    case GroupEntryKind::kStripByteCounts:
      CopyStripTable(extras->strip_byte_counts, value);
      return GroupSet::kDone;
    case GroupEntryKind::kStripOffsets:
      CopyStripTable(extras->strip_offsets, value);
      return GroupSet::kDone;
    case GroupEntryKind::kXRational:
      CopyRational(extras->x_resolution, value);
      return GroupSet::kDone;
    case GroupEntryKind::kYRational:
      CopyRational(extras->y_resolution, value);
      return GroupSet::kDone;
    case GroupEntryKind::kJpegTable: {
      if (value == 0) return GroupSet::kDone;
      const auto* bytes = reinterpret_cast<const uint8_t*>(value);
      extras->jpeg_tables[group->word].assign(bytes, bytes + group->table_bytes);
      return GroupSet::kDone;
    }
    case GroupEntryKind::kAlphaTable: {
      if (value == 0) return GroupSet::kDone;
      if (!extras->alpha_table) {
        extras->alpha_table.emplace();
        extras->alpha_table->fill(255);
      }
      // The count may come from a file: it never reaches past the table.
      constexpr int kEntryWord = 7;
      const int32_t count = std::clamp<int32_t>(extras->words[kEntryWord], 0, kAlphaTableBytes);
      std::memcpy(extras->alpha_table->data(), reinterpret_cast<const void*>(value), static_cast<size_t>(count));
      return GroupSet::kDone;
    }
    case GroupEntryKind::kText:
      if (value == 0) {
        extras->copyright.reset();
      } else {
        extras->copyright = std::string(reinterpret_cast<const char*>(value));
      }
      return GroupSet::kDone;
  }
  return GroupSet::kNotInGroup;
}

bool InquireGroupEntry(IpiObject& obj, const char* name, intptr_t& out) {
  IpiFormatExtras* extras = GroupExtras(obj);
  if (extras == nullptr) return false;
  const GroupEntry* group = IpiFindGroupEntry(extras->format, name);
  if (group == nullptr) return false;
  auto address = [](const void* p) { return reinterpret_cast<intptr_t>(p); };
  switch (group->kind) {
    case GroupEntryKind::kValue:
    case GroupEntryKind::kStripCount:
      out = extras->words[group->word];
      break;
    case GroupEntryKind::kStripByteCounts:
      out = extras->strip_byte_counts.empty() ? 0 : address(extras->strip_byte_counts.data());
      break;
    case GroupEntryKind::kStripOffsets:
      out = extras->strip_offsets.empty() ? 0 : address(extras->strip_offsets.data());
      break;
    case GroupEntryKind::kXRational:
      out = extras->x_resolution ? address(extras->x_resolution->data()) : 0;
      break;
    case GroupEntryKind::kYRational:
      out = extras->y_resolution ? address(extras->y_resolution->data()) : 0;
      break;
    case GroupEntryKind::kJpegTable: {
      const std::vector<uint8_t>& table = extras->jpeg_tables[group->word];
      out = table.empty() ? 0 : address(table.data());
      break;
    }
    case GroupEntryKind::kAlphaTable:
      out = extras->alpha_table ? address(extras->alpha_table->data()) : 0;
      break;
    case GroupEntryKind::kText:
      out = extras->copyright ? address(extras->copyright->c_str()) : 0;
      break;
  }
  return true;
}

bool IsStripTableName(const char* name) {
  return name != nullptr && (std::strcmp(name, "stripByteCounts") == 0 || std::strcmp(name, "stripOffsets") == 0);
}

// Applies the group names among list[0, end) once more. Strip tables only when
// `strip_tables_only`; a strip count met here re-applies the tables before it.
// The nesting is at most two deep, so every list ends.
void ReapplyGroupEntries(IpiSystem* sys, IpiObject& obj, const IpiAttribute* list, int end, bool strip_tables_only) {
  for (int j = 0; j < end; ++j) {
    if (strip_tables_only && !IsStripTableName(list[j].name)) continue;
    if (SetGroupEntry(sys, obj, list[j]) == GroupSet::kStripCountChanged && !strip_tables_only) {
      ReapplyGroupEntries(sys, obj, list, j, true);
    }
  }
}

void SetObjectField(IpiSystem* sys, IpiObject& obj, const FieldEntry& entry, intptr_t value);

// Entries before a "fileFormat" in the same list were set against the old
// format: its defaults (the JPEG quality among them) and its attribute group
// have replaced them, so they are applied once more. Other "fileFormat"
// entries are skipped, so this never recurses.
void ReapplyEarlierEntries(IpiSystem* sys, IpiObject& obj, const IpiAttribute* list, int end) {
  for (int j = 0; j < end; ++j) {
    if (const FieldEntry* entry = FindObjectAttribute(list[j].name)) {
      if (entry->field != Field::kFileFormat) SetObjectField(sys, obj, *entry, list[j].value);
    } else if (SetGroupEntry(sys, obj, list[j]) == GroupSet::kStripCountChanged) {
      ReapplyGroupEntries(sys, obj, list, j, true);
    }
  }
}

void SetFileFormat(IpiSystem* sys, IpiObject& obj, const IpiAttribute* list, int index) {
  const int32_t format = Word(list[index].value);
  if (format == obj.fields.file_format) return;
  IpiFreeFormatExtras(sys, &obj);
  obj.fields.file_format = format;
  obj.extras.reset(IpiNewFormatExtras(format));
  if (format == kFormatJpeg) obj.fields.scale_factor = 1;
  if (format == kFormatJpegLib) obj.fields.scale_factor = 75;  // default JPEG quality
  if (format != 0) ReapplyEarlierEntries(sys, obj, list, index);
}

void SetObjectField(IpiSystem* sys, IpiObject& obj, const FieldEntry& entry, intptr_t value) {
  IpiObjectFields& f = obj.fields;
  switch (entry.field) {
    case Field::kApplicationAddressSpace: f.application_address_space = value; break;
    case Field::kApplAddressSpaceHandle: f.appl_address_space_handle = static_cast<uint32_t>(value); break;
    case Field::kBitOrder: f.bit_order = Word(value); break;
    case Field::kByteOrder: f.byte_order = Word(value); break;
    case Field::kColourSpace: f.colour_space = Word(value); break;
    case Field::kCompression: f.compression = Word(value); break;
    case Field::kCompressionLevel: f.compression_level = Word(value); break;
    case Field::kDataPrecision: f.data_precision = Word(value); break;
    case Field::kDataType: {
      f.data_type = Word(value);
      bool known = false;
      IpiSystemAttribute precision = PrecisionForType(f.data_type, known);
      if (known) f.data_precision = IpiSystemValue(sys, precision);
      break;
    }
    case Field::kEolState: f.eol_state = Word(value); break;
    case Field::kFileFormat: break;  // handled by the list walk
    case Field::kFileName: {
      const char* text = reinterpret_cast<const char*>(value);
      if (obj.file_name.empty() && text != nullptr && text[0] != '\0') obj.file_name = text;
      break;
    }
    case Field::kFilter: f.filter = Word(value); break;
    case Field::kInited:
      if (value != 0) {
        obj.flags |= kObjectInited;
      } else {
        obj.flags &= ~kObjectInited;
      }
      break;
    case Field::kIndexAssignment: f.index_assignment[entry.index] = Word(value); break;
    case Field::kK: f.k = Word(value); break;
    case Field::kLut: f.lut = static_cast<uint32_t>(value); break;
    case Field::kPixelInterpretation: f.pixel_interpretation = Word(value); break;
    case Field::kRepository: f.repository = Word(value); break;
    case Field::kRoi: f.roi = static_cast<uint32_t>(value); break;
    case Field::kSamplingFactor: f.sampling_factor = Word(value); break;
    case Field::kScaleFactor: f.scale_factor = Word(value); break;
    case Field::kSize: f.size = value; break;
    case Field::kDimension: f.dimension[entry.index] = Word(value); break;
    case Field::kMatchPoint: f.match_point[entry.index] = Word(value); break;
    case Field::kWidthByteBoundary: f.width_byte_boundary = Word(value); break;
    case Field::kWorkSpace: f.work_space = value; break;
    case Field::kWorkSpaceHandle: f.work_space_handle = static_cast<uint32_t>(value); break;
    case Field::kTmpnam: break;  // inquire only
  }
  if (entry.clears_inited) obj.flags &= ~kObjectInited;
}

intptr_t ObjectFieldValue(const IpiObject& obj, const FieldEntry& entry) {
  const IpiObjectFields& f = obj.fields;
  switch (entry.field) {
    case Field::kApplicationAddressSpace: return f.application_address_space;
    case Field::kApplAddressSpaceHandle: return f.appl_address_space_handle;
    case Field::kBitOrder: return f.bit_order;
    case Field::kByteOrder: return f.byte_order;
    case Field::kColourSpace: return f.colour_space;
    case Field::kCompression: return f.compression;
    case Field::kCompressionLevel: return f.compression_level;
    case Field::kDataPrecision: return f.data_precision;
    case Field::kDataType: return f.data_type;
    case Field::kEolState: return f.eol_state;
    case Field::kFileFormat: return f.file_format;
    case Field::kFileName: return obj.file_name.empty() ? 0 : reinterpret_cast<intptr_t>(obj.file_name.c_str());
    case Field::kFilter: return f.filter;
    case Field::kInited: return obj.is_inited() ? 1 : 0;
    case Field::kIndexAssignment: return f.index_assignment[entry.index];
    case Field::kK: return f.k;
    case Field::kLut: return f.lut;
    case Field::kPixelInterpretation: return f.pixel_interpretation;
    case Field::kRepository: return f.repository;
    case Field::kRoi: return f.roi;
    case Field::kSamplingFactor: return f.sampling_factor;
    case Field::kScaleFactor: return f.scale_factor;
    case Field::kSize: return static_cast<intptr_t>(f.size);
    case Field::kDimension: return f.dimension[entry.index];
    case Field::kMatchPoint: return f.match_point[entry.index];
    case Field::kWidthByteBoundary: return f.width_byte_boundary;
    case Field::kWorkSpace: return f.work_space;
    case Field::kWorkSpaceHandle: return f.work_space_handle;
    case Field::kTmpnam: return obj.has_temp_file() ? 1 : 0;
  }
  return 0;
}

// The extras of `obj` when they belong to `format`'s group (both JPEG codes
// share one group).
IpiFormatExtras* ExtrasOfGroup(IpiSystem* sys, IpiObject* obj, int32_t format) {
  if (IpiCheckObject(sys, obj) == nullptr || obj->extras == nullptr) return nullptr;
  const int32_t own = obj->extras->format;
  const bool same = own == format || (format == kFormatJpeg && own == kFormatJpegLib);
  return same ? obj->extras.get() : nullptr;
}

// One group's set or inquire of list[index], for the named group functions.
int SetInGroup(IpiSystem* sys, IpiObject* obj, int32_t format, const IpiAttribute* list, int index) {
  if (ExtrasOfGroup(sys, obj, format) == nullptr) return 0;
  const GroupSet outcome = SetGroupEntry(sys, *obj, list[index]);
  if (outcome == GroupSet::kNotInGroup) return 0;
  if (outcome == GroupSet::kStripCountChanged) ReapplyGroupEntries(sys, *obj, list, index, true);
  return 1;
}

int InquireInGroup(IpiSystem* sys, IpiObject* obj, int32_t format, const IpiAttribute* list, int index) {
  if (ExtrasOfGroup(sys, obj, format) == nullptr) return 0;
  intptr_t value = 0;
  if (!InquireGroupEntry(*obj, list[index].name, value)) return 0;
  if (list[index].value != 0) *reinterpret_cast<intptr_t*>(list[index].value) = value;
  return 1;
}

}  // namespace

int IpiSetAttributes(IpiSystem* sys, IpiObject* obj, const IpiAttribute* list, int count) {
  if (IpiCheckObject(sys, obj) == nullptr) return IpiCheckSystem(sys) != 0 ? kIpiInvalidHandle : IpiGetLastError(sys);
  if (count < 1 || list == nullptr) return kIpiNoError;
  for (int i = 0; i < count; ++i) {
    if (const FieldEntry* entry = FindObjectAttribute(list[i].name)) {
      if (entry->field == Field::kFileFormat) {
        SetFileFormat(sys, *obj, list, i);
      } else {
        SetObjectField(sys, *obj, *entry, list[i].value);
      }
    } else if (SetGroupEntry(sys, *obj, list[i]) == GroupSet::kStripCountChanged) {
      ReapplyGroupEntries(sys, *obj, list, i, true);
    }
  }
  return kIpiNoError;
}

int IpiSetAttribute(IpiSystem* sys, IpiObject* obj, const char* name, intptr_t value) {
  const IpiAttribute entry{name, value};
  return IpiSetAttributes(sys, obj, &entry, 1);
}

int IpiInquireAttributes(IpiSystem* sys, IpiObject* obj, const IpiAttribute* list, int count) {
  if (IpiCheckObject(sys, obj) == nullptr) return IpiCheckSystem(sys) != 0 ? kIpiInvalidHandle : IpiGetLastError(sys);
  if (count < 1 || list == nullptr) return kIpiNoError;
  for (int i = 0; i < count; ++i) {
    intptr_t value = 0;
    bool known = false;
    if (const FieldEntry* entry = FindObjectAttribute(list[i].name)) {
      value = ObjectFieldValue(*obj, *entry);
      known = true;
    } else {
      known = InquireGroupEntry(*obj, list[i].name, value);
    }
    if (known && list[i].value != 0) *reinterpret_cast<intptr_t*>(list[i].value) = value;
  }
  return kIpiNoError;
}

intptr_t IpiInquireAttribute(IpiSystem* sys, IpiObject* obj, const char* name) {
  intptr_t value = 0;
  const IpiAttribute entry{name, reinterpret_cast<intptr_t>(&value)};
  if (IpiInquireAttributes(sys, obj, &entry, 1) != 0) return 0;
  return value;
}

void IpiFreeFormatExtras(IpiSystem* /*sys*/, IpiObject* obj) {
  obj->extras.reset();
  obj->fields.file_format = 0;
}

int IpiSetTiffAttributes(IpiSystem* s, IpiObject* o, const IpiAttribute* l, int i) { return SetInGroup(s, o, kFormatTiff, l, i); }
int IpiSetVdcAttributes(IpiSystem* s, IpiObject* o, const IpiAttribute* l, int i) { return SetInGroup(s, o, kFormatZoltra, l, i); }
int IpiSetBmpAttributes(IpiSystem* s, IpiObject* o, const IpiAttribute* l, int i) { return SetInGroup(s, o, kFormatBmp, l, i); }
int IpiSetGifAttributes(IpiSystem* s, IpiObject* o, const IpiAttribute* l, int i) { return SetInGroup(s, o, kFormatGif, l, i); }
int IpiSetJpegAttributes(IpiSystem* s, IpiObject* o, const IpiAttribute* l, int i) { return SetInGroup(s, o, kFormatJpeg, l, i); }
int IpiSetPcxAttributes(IpiSystem* s, IpiObject* o, const IpiAttribute* l, int i) { return SetInGroup(s, o, kFormatPcx, l, i); }
int IpiSetPngAttributes(IpiSystem* s, IpiObject* o, const IpiAttribute* l, int i) { return SetInGroup(s, o, kFormatPng, l, i); }
int IpiInquireTiffAttributes(IpiSystem* s, IpiObject* o, const IpiAttribute* l, int i) { return InquireInGroup(s, o, kFormatTiff, l, i); }
int IpiInquireVdcAttributes(IpiSystem* s, IpiObject* o, const IpiAttribute* l, int i) { return InquireInGroup(s, o, kFormatZoltra, l, i); }
int IpiInquireBmpAttributes(IpiSystem* s, IpiObject* o, const IpiAttribute* l, int i) { return InquireInGroup(s, o, kFormatBmp, l, i); }
int IpiInquireGifAttributes(IpiSystem* s, IpiObject* o, const IpiAttribute* l, int i) { return InquireInGroup(s, o, kFormatGif, l, i); }
int IpiInquireJpegAttributes(IpiSystem* s, IpiObject* o, const IpiAttribute* l, int i) { return InquireInGroup(s, o, kFormatJpeg, l, i); }
int IpiInquirePcxAttributes(IpiSystem* s, IpiObject* o, const IpiAttribute* l, int i) { return InquireInGroup(s, o, kFormatPcx, l, i); }
int IpiInquirePngAttributes(IpiSystem* s, IpiObject* o, const IpiAttribute* l, int i) { return InquireInGroup(s, o, kFormatPng, l, i); }

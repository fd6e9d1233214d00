// Data streams over caller memory, global blocks and files; see stream.h.
#include "core/streams/stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "core/codes.h"
#include "core/limits.h"
#include "core/status.h"
#include "plat/global_memory.h"
#include "plat/temp_file.h"

namespace {

constexpr int32_t kCompressionNone = 0;
constexpr int32_t kCompressionDct = 114;

bool IsMemory(const IpiStream& s) { return s.repository != kRepositoryFile; }

// Byte offset of an element and the bytes a row of N elements from it spans.
int64_t OffsetOf(const IpiStream& s, int64_t element) { return element * s.bits_per_element / 8; }
int64_t RowSpan(const IpiStream& s, int64_t element) {
  const int64_t first_bit = element * s.bits_per_element;
  const int64_t end_bit = first_bit + s.elements_per_row * s.bits_per_element;
  return (end_bit + 7) / 8 - first_bit / 8;
}

// A row lies inside the data; a span of several rows only has to start inside it.
bool RowInsideData(const IpiStream& s, int64_t element) {
  if (s.rows_asked < 0) return element < s.total_elements;
  return element + s.elements_per_row <= s.total_elements;
}

// Elements of an object's data by its class.
int64_t ElementCount(const IpiObject& obj) {
  const int32_t* d = obj.fields.dimension;
  switch (obj.object_class->id) {
    case IpiClassId::kHistogram:
    case IpiClassId::kTuple:
    case IpiClassId::kCompositeIdArray:
      return d[kDimX];
    case IpiClassId::kMatrix:
    case IpiClassId::kDitherArray:
    case IpiClassId::kImpulseResponseArray:
    case IpiClassId::kMaskArray:
      return int64_t{d[kDimX]} * d[kDimY];
    case IpiClassId::kLookupTable:
      return int64_t{d[kDimX]} * d[kDimB];
    case IpiClassId::kPowerSpectrumArray:
    case IpiClassId::kTransferFunctionArray:
    case IpiClassId::kWindowFunctionArray:
      return 0;
    default: {
      // Five extents of at most 2^31 each: refuse before the product can wrap.
      int64_t product = 1;
      for (int i = 0; i < 5; ++i) {
        if (!CheckedMul(product, int64_t{d[i]}, product) || product > (int64_t{1} << 40)) return -2;
      }
      return product;
    }
  }
}

// Clears the lazily zeroed bytes of a fresh block before `end`.
void ZeroUpTo(IpiStream& s, int64_t end) {
  end = std::min(end, s.total_bytes);
  if (end <= s.zeroed_to) return;
  std::memset(s.data + s.zeroed_to, 0, static_cast<size_t>(end - s.zeroed_to));
  s.zeroed_to = end;
}

// Bytes [offset, offset + count) are about to be overwritten whole: only a
// gap before them needs its zeros.
void MarkWritten(IpiStream& s, int64_t offset, int64_t count) {
  if (offset + count <= s.zeroed_to) return;
  ZeroUpTo(s, offset);
  s.zeroed_to = std::min(offset + count, s.total_bytes);
}

// Reads file bytes [offset, offset + count) into `out`, zero-filling what lies
// past the end of the file (a file shorter than its data reads as zeros).
bool ReadFileZeroFilled(IpiStream& s, int64_t offset, uint8_t* out, int64_t count) {
  const int64_t got = s.file.ReadAt(static_cast<uint64_t>(offset), out, static_cast<size_t>(count));
  if (got < 0) return false;
  std::memset(out + got, 0, static_cast<size_t>(count - got));
  return true;
}

// Copies data bytes [offset, offset + count) into `out`, with zeros for what
// lies outside the stream's data.
bool CopyOut(IpiStream& s, int64_t offset, uint8_t* out, int64_t count) {
  std::memset(out, 0, static_cast<size_t>(count));
  const int64_t end = IsMemory(s) ? s.limit : s.total_bytes;
  const int64_t first = std::max<int64_t>(offset, 0);
  const int64_t last = std::min(offset + count, end);
  if (first >= last) return true;
  if (IsMemory(s)) {
    ZeroUpTo(s, last);
    std::memcpy(out + (first - offset), s.data + first, static_cast<size_t>(last - first));
    return true;
  }
  return ReadFileZeroFilled(s, first, out + (first - offset), last - first);
}

// --- bit access --------------------------------------------------------------

int FetchByte(IpiSystem* sys, IpiStream& s, uint8_t& out) {
  if (IsMemory(s)) {
    if (s.byte_position >= s.limit) return IpiRefuse(sys, kIpiInsufficientSize);
    ZeroUpTo(s, s.byte_position + 1);
    out = s.data[s.byte_position++];
    return kIpiNoError;
  }
  if (s.buffer_position >= s.buffer_fill) {
    const int64_t next = s.buffer_file_offset + s.buffer_fill;
    const int64_t got = s.file.ReadAt(static_cast<uint64_t>(next), s.file_buffer.data(), s.file_buffer.size());
    if (got < 0) return IpiRefuse(sys, kIpiSystemFailure);
    if (got == 0) return IpiRefuse(sys, kIpiInsufficientSize);  // the file ends: no stale bytes
    s.buffer_file_offset = next;
    s.buffer_fill = static_cast<int>(got);
    s.buffer_position = 0;
  }
  out = s.file_buffer[s.buffer_position++];
  ++s.byte_position;
  return kIpiNoError;
}

int FlushFileBuffer(IpiSystem* sys, IpiStream& s) {
  if (s.buffer_position == 0) return kIpiNoError;
  if (!s.file.WriteAt(static_cast<uint64_t>(s.buffer_file_offset), s.file_buffer.data(),
                      static_cast<size_t>(s.buffer_position))) {
    return IpiRefuse(sys, kIpiSystemFailure);
  }
  s.buffer_file_offset += s.buffer_position;
  s.buffer_position = 0;
  return kIpiNoError;
}

int EmitByte(IpiSystem* sys, IpiStream& s, uint8_t byte) {
  s.bits_written = true;
  if (IsMemory(s)) {
    if (s.byte_position >= s.limit) return IpiRefuse(sys, kIpiInsufficientSize);
    MarkWritten(s, s.byte_position, 1);
    s.data[s.byte_position++] = byte;
    return kIpiNoError;
  }
  s.file_buffer[s.buffer_position++] = byte;
  ++s.byte_position;
  if (s.buffer_position == kStreamFileBufferBytes) return FlushFileBuffer(sys, s);
  return kIpiNoError;
}

// Emits a partly filled byte, its unused low bits 0.
int EmitPartialByte(IpiSystem* sys, IpiStream& s) {
  if (s.bit_mask == 0x80) return kIpiNoError;
  const uint8_t byte = s.current_byte;
  s.current_byte = 0;
  s.bit_mask = 0x80;
  return EmitByte(sys, s, byte);
}

int ReadBits(IpiSystem* sys, IpiStream* stream, uint32_t* out, int count, bool stuffed) {
  if (stream == nullptr || out == nullptr || count < 1 || count > 32) return IpiRefuse(sys, kIpiOutOfRange);
  IpiStream& s = *stream;
  uint32_t value = 0;
  *out = 0;
  for (int i = 0; i < count; ++i) {
    if (s.bit_mask == 0x80) {
      IPI_RETURN_IF_ERROR(FetchByte(sys, s, s.current_byte));
      if (stuffed && s.current_byte == 0xFF) {
        uint8_t next = 0;
        IPI_RETURN_IF_ERROR(FetchByte(sys, s, next));
        if (next != 0x00) return IpiRefuse(sys, kIpiSemanticError);
      }
    }
    value = (value << 1) | ((s.current_byte & s.bit_mask) != 0 ? 1u : 0u);
    s.bit_mask = s.bit_mask == 1 ? 0x80 : static_cast<uint8_t>(s.bit_mask >> 1);
  }
  *out = value;
  return kIpiNoError;
}

int WriteBits(IpiSystem* sys, IpiStream* stream, uint32_t value, int count, bool stuffed) {
  if (stream == nullptr || count < 1 || count > 32) return IpiRefuse(sys, kIpiOutOfRange);
  IpiStream& s = *stream;
  for (int i = count - 1; i >= 0; --i) {
    if ((value >> i) & 1u) s.current_byte |= s.bit_mask;
    if (s.bit_mask == 1) {
      const uint8_t byte = s.current_byte;
      s.current_byte = 0;
      s.bit_mask = 0x80;
      IPI_RETURN_IF_ERROR(EmitByte(sys, s, byte));
      if (stuffed && byte == 0xFF) IPI_RETURN_IF_ERROR(EmitByte(sys, s, 0x00));
    } else {
      s.bit_mask = static_cast<uint8_t>(s.bit_mask >> 1);
    }
  }
  return kIpiNoError;
}

// --- opening -------------------------------------------------------------------

int OpenGlobalBlock(IpiSystem* sys, IpiStream& s) {
  IpiObjectFields& f = s.object->fields;
  const size_t needed = static_cast<size_t>(s.total_bytes);
  const bool block_too_small = f.work_space != 0 && f.work_space_handle != 0 && GlobalSize(f.work_space_handle) < needed;
  if (block_too_small) {
    GlobalUnlock(f.work_space_handle);
    GlobalFree(f.work_space_handle);
    f.work_space = 0;
    f.work_space_handle = 0;
  }
  // A block for writing that no open stream of the object can see is cleared
  // as it is used (see zeroed_to).
  const bool lazy = s.mode == StreamMode::kWrite && s.object->open_streams == 0;
  const bool fresh = f.work_space == 0;
  if (fresh) {
    HGLOBAL handle = GlobalAlloc(lazy ? GMEM_MOVEABLE : GHND, needed);
    void* bytes = handle != 0 ? GlobalLock(handle) : nullptr;
    if (bytes == nullptr) {
      if (handle != 0) GlobalFree(handle);
      errno = ENOMEM;
      return IpiRefuse(sys, kIpiSystemFailure);
    }
    f.work_space_handle = handle;
    f.work_space = reinterpret_cast<intptr_t>(bytes);
  } else if (!s.had_data && !lazy) {
    // Another stream may point into the block: clear it, never free it.
    std::memset(reinterpret_cast<void*>(f.work_space), 0, needed);
  }
  if (lazy && (fresh || !s.had_data)) {
    s.zeroed_to = 0;
    s.object->clearing_stream = &s;
  }
  s.data = reinterpret_cast<uint8_t*>(f.work_space);
  s.limit = s.total_bytes;
  return kIpiNoError;
}

int OpenFile(IpiSystem* sys, IpiStream& s) {
  IpiObject& obj = *s.object;
  if (obj.file_name.empty()) {
    plat::TempFile temp;
    if (!plat::TempFile::Create(temp)) return IpiRefuse(sys, kIpiSystemFailure);
    obj.file_name = temp.Release();
    obj.flags |= kObjectTempFile;
  }
  plat::FileMode file_mode = plat::FileMode::kReadExisting;
  if (s.mode == StreamMode::kWrite) {
    file_mode = s.had_data ? plat::FileMode::kReadWriteExisting : plat::FileMode::kWriteCreate;
  }
  if (plat::File::Open(obj.file_name, file_mode, s.file) != plat::OpenStatus::kOk) {
    return IpiRefuse(sys, kIpiFileOpenFailure);
  }
  s.file_open = true;
  s.limit = INT64_MAX;
  return kIpiNoError;
}

}  // namespace

int IpiObjectDataSize(IpiSystem* sys, const IpiObject& obj, int64_t* elements, int64_t* bytes,
                      int32_t* bits_per_element) {
  int32_t bits = obj.fields.data_precision;
  if (obj.fields.data_type == kDataTypeNonnegative && bits < 8) {
    bits = IpiSystemValue(sys, IpiSystemAttribute::kNonnegativeIntegerPrecision);
  }
  for (int i = 0; i < 5; ++i) {
    if (obj.fields.dimension[i] < 0) return kIpiOutOfRange;
  }
  if (bits < 1 || bits > 64) return kIpiOutOfRange;
  const int64_t count = ElementCount(obj);
  if (count < 0) return kIpiExceedImplementation;
  const int64_t total = (count * bits + 7) / 8;  // count <= 2^40, bits <= 64: no wrap
  if (total > kMaxImageBytes) return kIpiExceedImplementation;
  *elements = count;
  *bytes = total;
  *bits_per_element = bits;
  return kIpiNoError;
}

IpiStream* IpiOpenStream(IpiSystem* sys, IpiObject* obj, const char* mode, int rows) {
  if (IpiCheckObject(sys, obj) == nullptr) {
    if (IpiCheckSystem(sys) == 0) IpiReportError(sys, IpiGetLastError(sys));
    return nullptr;
  }
  if (mode == nullptr || (mode[0] != 'r' && mode[0] != 'w')) {
    IpiReportError(sys, kIpiOutOfRange);
    return nullptr;
  }
  auto stream = std::unique_ptr<IpiStream>(new (std::nothrow) IpiStream);
  if (!stream) {
    errno = ENOMEM;
    IpiReportError(sys, kIpiSystemFailure);
    return nullptr;
  }
  if (obj->clearing_stream != nullptr) ZeroUpTo(*obj->clearing_stream, INT64_MAX);
  IpiStream& s = *stream;
  s.object = obj;
  s.mode = mode[0] == 'r' ? StreamMode::kRead : StreamMode::kWrite;
  s.repository = obj->fields.repository;
  s.compression = obj->fields.compression;
  s.data_type = obj->fields.data_type;
  s.had_data = obj->is_inited();
  s.rows_asked = rows;
  s.window_rows = rows > 1 ? rows : 1;
  const int status = IpiObjectDataSize(sys, *obj, &s.total_elements, &s.total_bytes, &s.bits_per_element);
  if (status != 0) {
    IpiReportError(sys, status);
    return nullptr;
  }
  s.bytes_per_element = (s.bits_per_element + 7) / 8;
  const int64_t x = obj->fields.dimension[kDimX];
  s.elements_per_row = rows < 0 ? x * -int64_t{rows} : x;
  const int64_t row_bits = s.elements_per_row * s.bits_per_element;
  s.row_bytes = row_bits % 8 != 0 ? (row_bits + 14) / 8 : row_bits / 8;
  if (s.row_bytes > kMaxImageBytes || s.row_bytes * s.window_rows > kMaxImageBytes) {
    IpiReportError(sys, kIpiExceedImplementation);
    return nullptr;
  }

  int open_status = kIpiNoError;
  switch (s.repository) {
    case kRepositoryCallerMemory: {
      if (obj->fields.application_address_space == 0) {
        IpiReportError(sys, kIpiNonPermissibleOption);
        return nullptr;
      }
      s.data = reinterpret_cast<uint8_t*>(obj->fields.application_address_space);
      // The caller's memory holds "size" bytes; 0 means exactly the data's bytes.
      s.limit = obj->fields.size > 0 ? obj->fields.size : s.total_bytes;
      break;
    }
    case kRepositoryGlobalBlock:
      open_status = OpenGlobalBlock(sys, s);
      break;
    case kRepositoryFile:
      open_status = OpenFile(sys, s);
      break;
    default:
      open_status = IpiRefuse(sys, kIpiNonPermissibleOption);
      break;
  }
  if (open_status != 0) return nullptr;
  if (s.mode == StreamMode::kRead) s.buffer_position = s.buffer_fill = 0;
  ++obj->open_streams;
  return stream.release();
}

int IpiCloseStream(IpiSystem* sys, IpiStream* stream) {
  if (stream == nullptr) return kIpiNoError;
  std::unique_ptr<IpiStream> owned(stream);
  IpiStream& s = *stream;
  int status = kIpiNoError;
  const bool writing = s.mode == StreamMode::kWrite;
  if (IsMemory(s)) ZeroUpTo(s, s.total_bytes);  // bytes never written read as zeros
  if (s.object->clearing_stream == &s) s.object->clearing_stream = nullptr;
  --s.object->open_streams;
  if (writing && (s.bits_written || s.bit_mask != 0x80)) {
    status = EmitPartialByte(sys, s);
    if (status == 0 && !IsMemory(s)) status = FlushFileBuffer(sys, s);
    if (status == 0) s.object->fields.size = s.byte_position;
  }
  if (s.file_open) {
    // A new row-written file gets its whole length; rows never written read as
    // zeros, and written rows are never overwritten.
    const bool pads = writing && s.rows_asked != 0 && !s.bits_written &&
                      (s.compression == kCompressionNone || s.compression == kCompressionDct);
    uint64_t size = 0;
    if (status == 0 && pads && s.file.Size(size) && size < static_cast<uint64_t>(s.total_bytes) &&
        !s.file.Truncate(static_cast<uint64_t>(s.total_bytes))) {
      status = IpiRefuse(sys, kIpiSystemFailure);
    }
    if (!s.file.Close() && status == 0) status = IpiRefuse(sys, kIpiSystemFailure);
    s.file_open = false;
  }
  s.object->flags |= kObjectInited;
  return status;
}

uint8_t* IpiGetInputRow(IpiSystem* sys, IpiStream* stream, int64_t element) {
  if (stream == nullptr || element < 0) {
    IpiReportError(sys, kIpiOutOfRange);
    return nullptr;
  }
  IpiStream& s = *stream;
  if (s.window_rows > 1) return IpiGetWindowRow(sys, stream, element);
  const int64_t offset = OffsetOf(s, element);
  const int64_t span = RowSpan(s, element);
  if (!RowInsideData(s, element) || (IsMemory(s) && offset >= s.limit)) {
    IpiReportError(sys, kIpiInsufficientSize);
    return nullptr;
  }
  if (IsMemory(s) && offset + span <= s.limit) {
    ZeroUpTo(s, offset + span);
    return s.data + offset;
  }
  // A span of several rows may reach past the data: its missing rows are zero.
  if (IsMemory(s) && s.rows_asked >= 0) {
    IpiReportError(sys, kIpiInsufficientSize);
    return nullptr;
  }
  s.row_buffer.resize(static_cast<size_t>(std::max(s.row_bytes, span)));
  if (!CopyOut(s, offset, s.row_buffer.data(), span)) {
    IpiReportError(sys, kIpiSystemFailure);
    return nullptr;
  }
  return s.row_buffer.data();
}

void IpiPrefetchInputRow(const IpiStream* stream, int64_t element) {
  if (stream == nullptr || element < 0 || !IsMemory(*stream) || !RowInsideData(*stream, element)) return;
  const IpiStream& s = *stream;
  const int64_t offset = OffsetOf(s, element);
  if (offset >= s.limit) return;
  const int64_t end = std::min(offset + RowSpan(s, element), s.limit);
  constexpr int64_t kCacheLineBytes = 64;
  for (int64_t at = offset; at < end; at += kCacheLineBytes) __builtin_prefetch(s.data + at, 0, 3);
}

uint8_t* IpiGetOutputRow(IpiSystem* sys, IpiStream* stream, int64_t element) {
  if (stream == nullptr || element < 0) {
    IpiReportError(sys, kIpiOutOfRange);
    return nullptr;
  }
  IpiStream& s = *stream;
  const int64_t offset = OffsetOf(s, element);
  const int64_t span = RowSpan(s, element);
  const int64_t end = IsMemory(s) ? s.limit : s.total_bytes;
  if (s.rows_asked < 0 || !RowInsideData(s, element) || offset + span > end) {
    IpiReportError(sys, kIpiInsufficientSize);
    return nullptr;
  }
  if (IsMemory(s)) {
    ZeroUpTo(s, offset + span);  // the caller may keep bits it does not set
    return s.data + offset;
  }
  // The file holds every row put so far (and zeros elsewhere), so a row that
  // shares its first or last byte with a neighbour keeps the neighbour's bits.
  s.row_buffer.resize(static_cast<size_t>(std::max(s.row_bytes, span)));
  if (!ReadFileZeroFilled(s, offset, s.row_buffer.data(), span)) {
    IpiReportError(sys, kIpiSystemFailure);
    return nullptr;
  }
  return s.row_buffer.data();
}

int IpiPutOutputRow(IpiSystem* sys, IpiStream* stream, int64_t element) {
  if (stream == nullptr || element < 0) return IpiRefuse(sys, kIpiOutOfRange);
  IpiStream& s = *stream;
  if (IsMemory(s)) return kIpiNoError;
  const int64_t offset = OffsetOf(s, element);
  const int64_t span = RowSpan(s, element);
  if (offset + span > s.total_bytes || static_cast<int64_t>(s.row_buffer.size()) < span) {
    return IpiRefuse(sys, kIpiInsufficientSize);
  }
  if (!s.file.WriteAt(static_cast<uint64_t>(offset), s.row_buffer.data(), static_cast<size_t>(span))) {
    return IpiRefuse(sys, kIpiSystemFailure);
  }
  return kIpiNoError;
}

uint8_t* IpiGetWindowRow(IpiSystem* sys, IpiStream* stream, int64_t element) {
  if (stream == nullptr || element < 0 || stream->elements_per_row == 0) {
    IpiReportError(sys, kIpiOutOfRange);
    return nullptr;
  }
  IpiStream& s = *stream;
  const int64_t n = s.elements_per_row;
  const int64_t w = s.window_rows;
  const int64_t stride = s.row_bytes;
  const int64_t row = element / n;
  const int64_t first = row - w / 2;
  if (s.window.empty()) s.window.resize(static_cast<size_t>(stride * w));
  // Slot k holds row first + k; loads one row into slot k (zeros outside the data).
  auto load = [&](int64_t slot) {
    const int64_t r = first + slot;
    uint8_t* out = s.window.data() + slot * stride;
    if (r < 0 || r * n >= s.total_elements) {
      std::memset(out, 0, static_cast<size_t>(stride));
      return true;
    }
    const int64_t e = r * n + element % n;
    std::memset(out, 0, static_cast<size_t>(stride));
    return CopyOut(s, OffsetOf(s, e), out, RowSpan(s, e));
  };
  bool ok = true;
  if (s.window_loaded && first == s.window_first_row + 1) {
    std::memmove(s.window.data(), s.window.data() + stride, static_cast<size_t>(stride * (w - 1)));
    ok = load(w - 1);
  } else if (!s.window_loaded || first != s.window_first_row) {
    for (int64_t slot = 0; slot < w && ok; ++slot) ok = load(slot);
  }
  if (!ok) {
    s.window_loaded = false;
    IpiReportError(sys, kIpiSystemFailure);
    return nullptr;
  }
  s.window_loaded = true;
  s.window_first_row = first;
  return s.window.data() + (w / 2) * stride;
}

int64_t IpiReadBytes(IpiSystem* sys, IpiStream* stream, int64_t offset, void* buffer, int64_t count) {
  if (stream == nullptr || offset < 0 || count < 0 || (count > 0 && buffer == nullptr)) {
    IpiReportError(sys, kIpiOutOfRange);
    return -1;
  }
  IpiStream& s = *stream;
  if (IsMemory(s)) {
    if (count > s.limit || offset > s.limit - count) {
      IpiReportError(sys, kIpiInsufficientSize);
      return -1;
    }
    ZeroUpTo(s, offset + count);
    if (count > 0) std::memcpy(buffer, s.data + offset, static_cast<size_t>(count));
    return count;
  }
  const int64_t got = s.file.ReadAt(static_cast<uint64_t>(offset), buffer, static_cast<size_t>(count));
  if (got < 0) {
    IpiReportError(sys, kIpiSystemFailure);
    return -1;
  }
  if (got != count) {
    IpiReportError(sys, kIpiInsufficientSize);  // the file ends before the bytes asked for
    return -1;
  }
  return count;
}

int64_t IpiWriteBytes(IpiSystem* sys, IpiStream* stream, int64_t offset, const void* buffer, int64_t count) {
  if (stream == nullptr || offset < 0 || count < 0 || (count > 0 && buffer == nullptr)) {
    IpiReportError(sys, kIpiOutOfRange);
    return -1;
  }
  IpiStream& s = *stream;
  if (IsMemory(s)) {
    if (count > s.limit || offset > s.limit - count) {
      IpiReportError(sys, kIpiInsufficientSize);
      return -1;
    }
    MarkWritten(s, offset, count);
    if (count > 0) std::memcpy(s.data + offset, buffer, static_cast<size_t>(count));
    return count;
  }
  if (!s.file.WriteAt(static_cast<uint64_t>(offset), buffer, static_cast<size_t>(count))) {
    IpiReportError(sys, kIpiSystemFailure);
    return -1;
  }
  return count;
}

int IpiReadBitsUnstuffed(IpiSystem* sys, IpiStream* stream, uint32_t* out, int count) {
  return ReadBits(sys, stream, out, count, true);
}

int IpiReadBitsAligned(IpiSystem* sys, IpiStream* stream, uint32_t* out, int count) {
  if (stream != nullptr) stream->bit_mask = 0x80;  // the rest of the current byte is skipped
  return ReadBits(sys, stream, out, count, false);
}

int IpiReadBit(IpiSystem* sys, IpiStream* stream, uint32_t* out) { return ReadBits(sys, stream, out, 1, true); }

int IpiWriteBitsStuffed(IpiSystem* sys, IpiStream* stream, uint32_t value, int count) {
  return WriteBits(sys, stream, value, count, true);
}

int IpiWriteBitsAligned(IpiSystem* sys, IpiStream* stream, uint32_t value, int count) {
  if (stream == nullptr) return IpiRefuse(sys, kIpiOutOfRange);
  IPI_RETURN_IF_ERROR(EmitPartialByte(sys, *stream));
  return WriteBits(sys, stream, value, count, false);
}

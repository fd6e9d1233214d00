// The opening every file reader and writer shares, in one order: the context
// and both objects live, a valid read mode (readers), the class the codec
// takes, then the source's bytes (readers), the image's rows and the file's
// stream (writers of plain rows), or the writer's plan, its input and the
// file's output (writers that plan the whole file). A codec then does only
// its own work.
#ifndef PELRITH_INTERCHANGE_COMMON_CODEC_PRELUDE_H_
#define PELRITH_INTERCHANGE_COMMON_CODEC_PRELUDE_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/operators/operator_frame.h"
#include "core/streams/scoped_stream.h"
#include "core/status.h"
#include "core/system/system.h"
#include "interchange/common/source_bytes.h"
#include "interchange/io/byte_reader.h"

// The class a codec checks before it touches anything: `object`'s class
// must satisfy `allowed` (IpiIsImageClass, IpiIsGenericOrMonochromeClass).
// The default checks nothing.
struct CodecClassCheck {
  const IpiObject* object = nullptr;
  bool (*allowed)(const IpiObjectClass* cls) = nullptr;
};

// 24 for a context that is not open, 9 for a source or target that is not
// live, 18 (reported) for a read mode other than 0, 171 or 172, 11
// (reported) for a class the check refuses; else 0.
[[nodiscard]] int IpiBeginRead(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode,
                               CodecClassCheck check = {});
// The same, then the source's bytes into `bytes` (the codes of
// SourceBytes::Load).
[[nodiscard]] int IpiBeginRead(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode,
                               SourceBytes& bytes, CodecClassCheck check = {});

// IpiBeginRead with the source's bytes, then `parse` of those bytes into
// `parsed`: a parse that fails is 22 (reported).
template <class Parsed>
[[nodiscard]] int IpiBeginParsedRead(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode,
                                     CodecClassCheck check, SourceBytes& bytes, int (*parse)(ByteReader, Parsed&),
                                     Parsed& parsed) {
  IPI_RETURN_IF_ERROR(IpiBeginRead(sys, source, target, read_mode, bytes, check));
  return parse(ByteReader(bytes.bytes()), parsed) == 0 ? kIpiNoError : IpiRefuse(sys, kIpiSyntaxError);
}

// 24, 9 or 11 as for readers, for the image written and the file object.
[[nodiscard]] int IpiBeginWrite(IpiSystem* sys, IpiObject* image, IpiObject* file, CodecClassCheck check = {});

// A writer's own checks of the image and file object, and its plan of the
// whole file: 0 or the reported error.
template <class Plan>
using WritePlanner = int (*)(IpiSystem* sys, IpiObject* image, IpiObject* file, Plan& plan);
// The opening of a writer that plans the whole file first: IpiBeginWrite,
// `planner` into `plan`, `open_input` (what the writer reads: the image's
// rows, the coded data; 0 or its reported error), then the file object's
// output for writing into `out`. 0, or the reported error of the step that
// failed; the file's output is opened only once every step before it passed.
template <class Plan, class OpenInput>
[[nodiscard]] int IpiBeginPlannedWrite(IpiSystem* sys, IpiObject* image, IpiObject* file, WritePlanner<Plan> planner,
                                       Plan& plan, OpenInput&& open_input, ScopedAccessor& out) {
  IPI_RETURN_IF_ERROR(IpiBeginWrite(sys, image, file));
  IPI_RETURN_IF_ERROR(planner(sys, image, file, plan));
  IPI_RETURN_IF_ERROR(open_input());
  return OpenAuxiliaryAccessor(sys, file, AccessMode::kWrite, 0, out);
}

// The file object's stream for writing `total_bytes` in order, into `out`:
// caller memory that cannot hold them all is refused with 8 (reported)
// before a byte is written. 0, or the reported error.
[[nodiscard]] int IpiOpenSizedOutput(IpiSystem* sys, IpiObject* file, uint64_t total_bytes, ScopedStream& out);

// What a writer of plain rows works with: the image's rows, one at a time,
// the file object's stream for writing, and the image's extent.
struct RowsWrite {
  ScopedAccessor rows;
  ScopedStream stream;
  int64_t width = 0;
  int64_t height = 0;
};
// The writer's own check of the image and file object: 0 or its error.
using WriterCheck = int (*)(IpiSystem* sys, IpiObject* image, IpiObject* file);
// IpiBeginWrite, then `check`, then the rows and the stream opened into
// `out`: 0, or the reported error of the step that failed, nothing left open.
[[nodiscard]] int IpiBeginRowsWrite(IpiSystem* sys, IpiObject* image, IpiObject* file, WriterCheck check,
                                    RowsWrite& out);

#endif  // PELRITH_INTERCHANGE_COMMON_CODEC_PRELUDE_H_

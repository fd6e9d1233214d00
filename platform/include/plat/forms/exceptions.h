// The exception classes of the class library. Every failure of the runtime is
// raised as one of these; all derive from Exception, whose message is a UTF-8
// text. Texts the runtime raises come from one table keyed by numeric ids
// (LoadStr), so the same id always gives the same text.
#ifndef PLAT_FORMS_EXCEPTIONS_H_
#define PLAT_FORMS_EXCEPTIONS_H_

#include <exception>
#include <string>

#include "plat/forms/format.h"
#include "plat/types.h"

namespace plat {

// Ids of the text table. 65311 and 65375 are the ids other modules quote;
// the rest belong to the runtime.
constexpr int SCustomColorsSection = 65311;  // the custom-colour list's ini section
constexpr int SNoTimers = 65375;             // no window timer could be had
constexpr int SListIndexError = 64001;       // "%d" placeholder
constexpr int SListCapacityError = 64002;
constexpr int SListCountError = 64003;
constexpr int SDuplicateString = 64004;
constexpr int SSortedListError = 64005;
constexpr int SFOpenError = 64006;           // "%s" placeholder: the file name
constexpr int SFCreateError = 64007;         // "%s" placeholder: the file name
constexpr int SReadError = 64008;
constexpr int SWriteError = 64009;
constexpr int SInvalidImageSize = 64010;
constexpr int STooManyImages = 64011;
constexpr int SInvalidPointer = 64012;
constexpr int SAbstractError = 64013;
constexpr int SCannotAssign = 64014;         // "%s" source class, "%s" target class
constexpr int SInvalidInteger = 64015;       // "%s" the text
constexpr int SInvalidFloat = 64016;
constexpr int SInvalidDate = 64017;
constexpr int SInvalidTime = 64018;
constexpr int SInvalidDateTime = 64019;
constexpr int SInvalidBoolean = 64020;
constexpr int SInvalidFormat = 64021;        // "%s" the format
constexpr int SArgumentMissing = 64022;      // "%s" the format
constexpr int SDateEncodeError = 64023;
constexpr int STimeEncodeError = 64024;
constexpr int SDuplicateName = 64025;        // "%s" the name
constexpr int SInvalidName = 64026;          // "%s" the name
constexpr int SOperationAborted = 64027;
constexpr int SOutOfMemory = 64028;
constexpr int SIniFileWriteError = 64029;    // "%s" the file name
constexpr int SRegCreateFailed = 64030;      // "%s" the key
constexpr int SRegSetDataFailed = 64031;     // "%s" the value name
constexpr int SRegGetDataFailed = 64032;     // "%s" the value name
constexpr int SInvalidRegType = 64033;       // "%s" the value name
constexpr int SInvalidPropertyValue = 64034;
constexpr int SUnknownProperty = 64035;      // "%s" the property name
constexpr int SPropertyReadOnly = 64036;     // "%s" the property name
constexpr int SRuntimeNotStarted = 64037;
constexpr int SClassNotFound = 64038;        // "%s" the class name
constexpr int SDuplicateClass = 64039;       // "%s" the class name
constexpr int SInvalidStreamOrigin = 64040;

// The text of an id; the empty text for an id the table does not hold.
std::string LoadStr(int id);

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  // The table's text of `id`, formatted with `args` when any are given.
  static Exception CreateRes(int id) { return Exception(LoadStr(id)); }

  const std::string& Message() const { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  int HelpContext() const { return help_context_; }
  void SetHelpContext(int context) { help_context_ = context; }
  // "EReadError" for an EReadError, from the dynamic type.
  std::string ClassName() const;
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
  int help_context_ = 0;
};

#define PLAT_FORMS_EXCEPTION(name, base)                      \
  class name : public base {                                  \
   public:                                                    \
    using base::base;                                         \
  }

// The silent exception: handlers of user actions drop it without a message.
class EAbort : public Exception {
 public:
  EAbort() : Exception(LoadStr(SOperationAborted)) {}
  using Exception::Exception;
};
PLAT_FORMS_EXCEPTION(EInvalidOperation, Exception);
PLAT_FORMS_EXCEPTION(EOutOfResources, Exception);
PLAT_FORMS_EXCEPTION(EOutOfMemory, Exception);
PLAT_FORMS_EXCEPTION(EInvalidPointer, Exception);
PLAT_FORMS_EXCEPTION(EAbstractError, Exception);
PLAT_FORMS_EXCEPTION(EConvertError, Exception);
PLAT_FORMS_EXCEPTION(EListError, Exception);
PLAT_FORMS_EXCEPTION(EStringListError, Exception);
PLAT_FORMS_EXCEPTION(EComponentError, Exception);
PLAT_FORMS_EXCEPTION(EInvalidGraphic, Exception);
PLAT_FORMS_EXCEPTION(EInvalidGraphicOperation, Exception);
PLAT_FORMS_EXCEPTION(EResNotFound, Exception);
PLAT_FORMS_EXCEPTION(EStreamError, Exception);
PLAT_FORMS_EXCEPTION(EFilerError, EStreamError);
PLAT_FORMS_EXCEPTION(EReadError, EFilerError);
PLAT_FORMS_EXCEPTION(EWriteError, EFilerError);
PLAT_FORMS_EXCEPTION(EFOpenError, EStreamError);
PLAT_FORMS_EXCEPTION(EFCreateError, EStreamError);
PLAT_FORMS_EXCEPTION(EInOutError, Exception);
PLAT_FORMS_EXCEPTION(EPropertyError, Exception);
PLAT_FORMS_EXCEPTION(EIniFileException, Exception);
PLAT_FORMS_EXCEPTION(ERegistryException, Exception);
PLAT_FORMS_EXCEPTION(EClassNotFound, EFilerError);

#undef PLAT_FORMS_EXCEPTION

// An automation error with its status code and the source that raised it.
class EOleException : public Exception {
 public:
  EOleException(std::string message, SCODE error_code, std::string source = {},
                std::string help_file = {}, int help_context = 0)
      : Exception(std::move(message)),
        error_code_(error_code),
        source_(std::move(source)),
        help_file_(std::move(help_file)) {
    SetHelpContext(help_context);
  }
  SCODE ErrorCode() const { return error_code_; }
  const std::string& Source() const { return source_; }
  const std::string& HelpFile() const { return help_file_; }

 private:
  SCODE error_code_;
  std::string source_;
  std::string help_file_;
};

// Raises E with the table's text of `id` formatted with `args`.
template <class E>
[[noreturn]] void RaiseRes(int id, std::initializer_list<TVarRec> args = {}) {
  throw E(args.size() == 0 ? LoadStr(id) : Format(LoadStr(id), args));
}

// Raises EAbort, the silent exception.
[[noreturn]] void Abort();

}  // namespace plat

#endif  // PLAT_FORMS_EXCEPTIONS_H_

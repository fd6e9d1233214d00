// Status codes of the library: 0, a positive code of the error table, or -1
// for exhausted memory and failed platform calls. Never -1 for bad data.
#ifndef PELRITH_CORE_STATUS_H_
#define PELRITH_CORE_STATUS_H_

enum IpiErrorCode : int {
  kIpiSystemFailure = -1,         // memory or platform call; logged with strerror(errno)
  kIpiNoError = 0,
  kIpiClosureFailure = 1,
  kIpiDivisionByZero = 2,
  kIpiExceedImplementation = 3,   // beyond the limits of limits.h
  kIpiIllegalConversion = 4,
  kIpiIncorrectDataType = 5,
  kIpiIncorrectObjectClass = 6,   // a class handle that is none of the 15
  kIpiInitializationFailure = 7,
  kIpiInsufficientSize = 8,       // memory source or companion table too short
  kIpiInvalidInstance = 9,        // not a live object of the context
  kIpiMismatchDataType = 10,
  kIpiMismatchObjectClass = 11,
  kIpiNonPermissibleOption = 12,  // valid but unsupported variant, unknown option
  kIpiNotBlockMultiple = 13,
  kIpiNotPositiveInteger = 14,
  kIpiNotPositiveEven = 15,
  kIpiNotPositiveOdd = 16,
  kIpiNotPowerOfTwo = 17,
  kIpiOutOfRange = 18,
  kIpiSemanticError = 19,         // 0xFF not followed by 0x00 in stuffed data
  kIpiStateClosed = 20,
  kIpiStateOpen = 21,
  kIpiSyntaxError = 22,           // malformed structure
  kIpiBoundsReversed = 23,
  kIpiInvalidHandle = 24,         // context not valid and open
  kIpiFileOpenFailure = 25,
  kIpiFileNotFound = 26,
};

// The one propagation macro: returns a non-zero status from the enclosing function.
#define IPI_RETURN_IF_ERROR(expr)            \
  do {                                       \
    const int ipi_status_ = (expr);          \
    if (ipi_status_ != 0) return ipi_status_; \
  } while (0)

#endif  // PELRITH_CORE_STATUS_H_

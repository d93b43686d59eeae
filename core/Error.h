#pragma once
// Why an expected failure happened, as a code with the names and numbers it concerns. The
// library never words a failure: the windows and the command line turn an Error into text in
// the interface language (see wording/Wording.h), from the settings file's section
// <language letter> + "Errors", whose key is the code's name.

#include <string>
#include <utility>
#include <vector>

namespace orvek {

// Every failure code, with the fields its text uses. Placeholders of the texts:
// {path} {field} {row} {text} {detail} and {v1}..{v4} for `values`.
#define ORVEK_ERROR_CODES(X)                                                    \
  X(None)         /* no failure */                                              \
  X(Other)        /* {detail}: a failure not yet given a code of its own */     \
  X(FileOpen)     /* {path} cannot be opened: {detail} (system reason) */       \
  X(FileRead)     /* {path} cannot be read: {detail} */                         \
  X(FileWrite)    /* {path} cannot be written: {detail} */                      \
  X(FileExists)   /* {path} exists and is not replaced without being told to */ \
  X(FolderCreate) /* folder {path} cannot be created: {detail} */               \
  X(FileDelete)   /* {path} cannot be deleted: {detail} */                      \
  X(FileRename)   /* {path} cannot be renamed to {text}: {detail} */            \
  X(DiskFull)     /* {path}: no space left while writing */                     \
  X(NotANumber)   /* row {row}, {field}: "{text}" is not a number */            \
  X(NotAnInteger) /* row {row}, {field}: "{text}" is not an integer */          \
  X(OutOfRange)   /* {field} = {v1} is outside {v2}..{v3} */

enum class ErrorCode : int {
#define ORVEK_ERROR_ENUM(name) name,
  ORVEK_ERROR_CODES(ORVEK_ERROR_ENUM)
#undef ORVEK_ERROR_ENUM
};

/// Number of codes (they run from 0 to kErrorCodeCount - 1).
inline constexpr int kErrorCodeCount = 0
#define ORVEK_ERROR_COUNT(name) +1
    ORVEK_ERROR_CODES(ORVEK_ERROR_COUNT)
#undef ORVEK_ERROR_COUNT
    ;

/// The code's name as written in the settings file ("FileOpen").
const char* ErrorCodeName(ErrorCode code);

/// A failure: its code and what it concerns. Fields a code does not use stay empty.
struct Error {
  ErrorCode code = ErrorCode::None;
  std::string path;            ///< the file or folder concerned
  std::string field;           ///< header keyword, column, option or field name
  long long row = -1;          ///< row, frame or item number (1-based as shown), -1 when none
  std::string text;            ///< a value as it was found (a cell's text, a keyword's value)
  std::string detail;          ///< the system's own reason (errno text), never program wording
  std::vector<double> values;  ///< the numbers concerned, in the order the code documents

  Error() = default;
  explicit Error(ErrorCode c) : code(c) {}
  Error& Path(std::string p) {
    path = std::move(p);
    return *this;
  }
  Error& Field(std::string f) {
    field = std::move(f);
    return *this;
  }
  Error& Row(long long r) {
    row = r;
    return *this;
  }
  Error& Text(std::string t) {
    text = std::move(t);
    return *this;
  }
  Error& Detail(std::string d) {
    detail = std::move(d);
    return *this;
  }
  Error& Values(std::vector<double> v) {
    values = std::move(v);
    return *this;
  }
};

/// A plain rendering for developers (logs, test failure output): the code's name and its
/// fields. Never shown to a user as a message.
std::string DebugText(const Error& e);

}  // namespace orvek

#pragma once
// The result of an operation that can fail for an expected reason (I/O, bad file, bad field).

#include <string>
#include <utility>

#include "core/Error.h"

namespace orvek {

struct Status {
  bool ok = true;
  /// Older failures still carry an English sentence here; failures made with Fail() leave it
  /// empty and are worded from `error` by the windows and the command line.
  std::string message;
  orvek::Error error;  ///< what failed; code None when ok

  static Status Ok() { return {}; }
  static Status Fail(orvek::Error e) {
    Status s;
    s.ok = false;
    s.error = std::move(e);
    return s;
  }
  /// A failure without a code of its own yet (code Other, the sentence in `message`).
  static Status Error(std::string text) {
    Status s;
    s.ok = false;
    s.message = text;
    s.error = orvek::Error(ErrorCode::Other).Detail(std::move(text));
    return s;
  }
  explicit operator bool() const { return ok; }
};

/// The failure's own sentence, else the developer's rendering of its error (DebugText): for
/// the library's remaining English texts (warnings, logs) that still carry failures as words.
inline std::string DebugText(const Status& s) {
  return s.message.empty() ? DebugText(s.error) : s.message;
}

}  // namespace orvek

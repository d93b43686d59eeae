#pragma once
// The result of an operation that can fail for an expected reason (I/O, bad file, bad field).

#include <string>
#include <utility>

namespace orvek {

struct Status {
  bool ok = true;
  std::string message;  ///< names the file or field and what is wrong; empty when ok

  static Status Ok() { return {}; }
  static Status Error(std::string text) { return {false, std::move(text)}; }
  explicit operator bool() const { return ok; }
};

}  // namespace orvek

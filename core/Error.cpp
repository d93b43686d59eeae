#include "core/Error.h"

#include <cstring>

#include "core/Rounding.h"

namespace orvek {

const char* ErrorCodeName(ErrorCode code) {
  switch (code) {
#define ORVEK_ERROR_NAME(name) \
  case ErrorCode::name: return #name;
    ORVEK_ERROR_CODES(ORVEK_ERROR_NAME)
#undef ORVEK_ERROR_NAME
  }
  return "Other";
}

std::string SystemReason(int errnoValue) {
  char buffer[256] = {};
  // The GNU strerror_r returns its text, which may or may not be the buffer.
  return strerror_r(errnoValue, buffer, sizeof buffer);
}

std::string DebugText(const Error& e) {
  std::string out = ErrorCodeName(e.code);
  auto add = [&](const char* name, const std::string& v) {
    if (!v.empty()) out += std::string(" ") + name + "=\"" + v + "\"";
  };
  add("path", e.path);
  add("field", e.field);
  if (e.row >= 0) out += " row=" + std::to_string(e.row);
  add("text", e.text);
  add("detail", e.detail);
  for (size_t i = 0; i < e.values.size(); ++i)
    out += " v" + std::to_string(i + 1) + "=" + FormatGeneral(e.values[i]);
  return out;
}

}  // namespace orvek

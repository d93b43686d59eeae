#include "core/Rounding.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <system_error>

namespace orvek {

namespace {

constexpr long double kInt64Limit = 9223372036854775807.0L;

std::string ToChars(double x, std::chars_format fmt, int precision) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, x, fmt, precision);
  return std::string(buf, res.ptr);
}

}  // namespace

int64_t Nearest(Extended x) {
  if constexpr (std::numeric_limits<long double>::digits == 64 &&
                std::endian::native == std::endian::little) {
    // Adding 1.5 * 2^63 leaves no fraction bits in the x87 significand, so the addition
    // itself rounds to the nearest integer, halves to even; the integer is then read from
    // the significand. Many times faster than nearbyint and a conversion.
    if (std::fabs(x) < 0x1p62L) {
      const long double t = x + 0x1.8p63L;
      uint64_t significand = 0;
      std::memcpy(&significand, &t, sizeof significand);
      return static_cast<int64_t>(significand - 0xC000000000000000ULL);
    }
  }
  if (std::isnan(x)) return 0;
  if (x >= kInt64Limit) return std::numeric_limits<int64_t>::max();
  if (x <= -kInt64Limit) return std::numeric_limits<int64_t>::min();
  // nearbyint follows the default rounding mode: to nearest, halves to even.
  return static_cast<int64_t>(std::nearbyint(x));
}

int32_t Nearest32(Extended x) {
  const int64_t v = Nearest(x);
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

int64_t Trunc(Extended x) {
  if (std::isnan(x)) return 0;
  if (x >= kInt64Limit) return std::numeric_limits<int64_t>::max();
  if (x <= -kInt64Limit) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(x);
}

double RoundTo(double x, int decimals) {
  double factor = 1.0;
  for (int i = 0; i < decimals; ++i) factor *= 10.0;
  factor = 1.0 / factor;  // 10^-k as a double, as the shown values use it
  const double q = x / factor;
  if (!std::isfinite(q)) return x;
  const double r = std::nearbyint(q) * factor;
  return r == 0.0 ? 0.0 : r;  // never "-0"
}

std::string FormatGeneral(double x) {
  if (x == 0.0) return "0";
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x > 0 ? "INF" : "-INF";
  return ToChars(x, std::chars_format::general, 15);
}

std::string FormatInt(int64_t v) {
  return std::to_string(v);
}

std::string FormatFixed(double x, int decimals) {
  if (!std::isfinite(x)) return FormatGeneral(x);
  std::string s = ToChars(x, std::chars_format::fixed, decimals);
  // A negative value that rounds to zero is shown without its sign.
  if (!s.empty() && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

std::string FormatRoundTrip(double x) {
  if (x == 0.0) return "0";
  for (int precision = 15; precision <= 17; ++precision) {
    std::string s = ToChars(x, std::chars_format::general, precision);
    double back = 0;
    std::from_chars(s.data(), s.data() + s.size(), back);
    if (back == x || precision == 17) return s;
  }
  return ToChars(x, std::chars_format::general, 17);
}

namespace {

// The span of a number's text: blanks around it and a leading "+" left out.
bool NumberSpan(const std::string& text, size_t& b, size_t& e) {
  b = 0;
  e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b &&
         (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r' || text[e - 1] == '\n'))
    --e;
  if (b < e && text[b] == '+') ++b;
  return b < e;
}

}  // namespace

bool ParseNumber(const std::string& text, Extended& out) {
  size_t b = 0;
  size_t e = 0;
  if (!NumberSpan(text, b, e)) return false;
  // Only digits, one point, a sign and an exponent are numbers here (no "inf", "nan", hex).
  for (size_t i = b; i < e; ++i) {
    const char c = text[i];
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
      return false;
  }
  long double v = 0;
  auto res = std::from_chars(text.data() + b, text.data() + e, v);
  if (res.ec != std::errc() || res.ptr != text.data() + e) return false;
  out = v;
  return true;
}

bool ParseInt(const std::string& text, int64_t& out) {
  size_t b = 0;
  size_t e = 0;
  if (!NumberSpan(text, b, e)) return false;
  int64_t v = 0;
  auto res = std::from_chars(text.data() + b, text.data() + e, v);
  if (res.ec != std::errc() || res.ptr != text.data() + e) return false;
  out = v;
  return true;
}

}  // namespace orvek

// Fuzz target: the numbers typed into the measurement table. Whatever ParseNumber accepts,
// written back in the shortest form, reads back as the same double (to the unit in the last
// place, see below); an accepted integer is also the same number.

#include <cmath>
#include <cstdlib>
#include <string>

#include "core/Rounding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  orvek::Extended x = 0;
  const bool number = orvek::ParseNumber(text, x);
  int64_t n = 0;
  const bool integer = orvek::ParseInt(text, n);
  if (integer && (!number || x != static_cast<orvek::Extended>(n))) std::abort();
  if (number && std::isfinite(static_cast<double>(x))) {
    const double d = static_cast<double>(x);
    orvek::Extended back = 0;
    // Read in extended precision, then rounded to double: the two roundings may move a
    // value that lies next to a midpoint by one unit in the last place, never more.
    if (!orvek::ParseNumber(orvek::FormatRoundTrip(d), back)) std::abort();
    const double b = static_cast<double>(back);
    if (b != d && b != std::nextafter(d, b > d ? HUGE_VAL : -HUGE_VAL)) std::abort();
    (void)orvek::FormatGeneral(d);
    (void)orvek::RoundTo(d, 3);
  }
  return 0;
}

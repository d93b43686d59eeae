#pragma once
// The rounding rules of Orvek, in one place.
//  - Nearest: to the nearest integer, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4).
//  - Trunc: towards zero.
//  - RoundTo: nearest(x / 10^-k) * 10^-k in double precision, halves to even, as shown values.

#include <cstdint>
#include <string>

#include "core/Types.h"

namespace orvek {

/// Nearest integer, halves to even. NaN gives 0; values beyond the 64-bit range saturate.
int64_t Nearest(Extended x);
/// Nearest clamped into the 32-bit range (for pixel indices and screen coordinates).
int32_t Nearest32(Extended x);
/// Integer part, towards zero; NaN gives 0, saturating.
int64_t Trunc(Extended x);

/// x rounded to `decimals` decimals in double precision: nearest(x / 10^-k) * 10^-k.
double RoundTo(double x, int decimals);

/// General format with up to 15 significant digits and "." as decimal separator
/// ("12.34", "360", "1E-5" style exponents as "1e-05").
std::string FormatGeneral(double x);
/// An integer in decimal.
std::string FormatInt(int64_t v);
/// Fixed-point with `decimals` decimals, halves to even on the exact binary value.
std::string FormatFixed(double x, int decimals);
/// Shortest text that reads back as the same double ("%.17g" style, trimmed), for JSON.
std::string FormatRoundTrip(double x);

/// Parses a number written with "." as decimal separator (an optional sign, digits, an
/// optional exponent); the program's own texts and files never use another separator.
/// Leading and trailing blanks are allowed; anything else makes it fail.
bool ParseNumber(const std::string& text, Extended& out);
bool ParseInt(const std::string& text, int64_t& out);

}  // namespace orvek

#pragma once
// The 10-byte little-endian x87 extended layout used by ORV files, encoded and decoded
// without assuming anything about the host's own floating types.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "core/Types.h"

namespace orvek {

inline constexpr int kExtendedBytes = 10;

/// Writes v as 10 bytes: bytes 0-7 the 64-bit significand with its explicit integer bit,
/// bytes 8-9 the sign (top bit) and the 15-bit exponent biased by 16383.
void EncodeExtended(Extended v, uint8_t* out);
/// Reads the 10-byte layout back. Unnormal encodings are read by their arithmetic value.
Extended DecodeExtended(const uint8_t* in);

/// The portable arithmetic codec (used on hosts whose long double is not the x87 type;
/// kept callable so that tests compare it with the fast path).
void EncodeExtendedPortable(Extended v, uint8_t* out);
Extended DecodeExtendedPortable(const uint8_t* in);

/// The 10 bytes of an integer as an extended value, written with integer operations only
/// (the same bytes as the conversion of v to an extended value).
void EncodeInt64Extended(int64_t v, uint8_t* out);
/// True when the host's long double is the x87 extended type, stored little-endian.
inline constexpr bool kHostExtendedIsX87 =
    std::numeric_limits<long double>::digits == 64 &&
    std::numeric_limits<long double>::max_exponent == 16384 && sizeof(long double) >= 10 &&
    std::endian::native == std::endian::little;

/// Stores an integer into an extended pixel without passing through the x87 registers on
/// hosts whose long double is the x87 type (the same bytes as the conversion); a plain
/// conversion elsewhere. Inline: the readers call it once per pixel.
inline void StoreIntegerExtended(int64_t v, Extended* pixel) {
  if constexpr (kHostExtendedIsX87) {
    uint64_t magnitude = v < 0 ? ~static_cast<uint64_t>(v) + 1 : static_cast<uint64_t>(v);
    uint16_t top = 0;
    if (magnitude != 0) {
      const int msb = 63 - std::countl_zero(magnitude);
      magnitude <<= (63 - msb);  // the explicit integer bit lands on bit 63
      top = static_cast<uint16_t>((16383 + msb) | (v < 0 ? 0x8000 : 0));
    }
    unsigned char* bytes = reinterpret_cast<unsigned char*>(pixel);
    std::memcpy(bytes, &magnitude, 8);
    std::memcpy(bytes + 8, &top, 2);
  } else {
    *pixel = static_cast<Extended>(v);
  }
}

/// Stores n 32-bit integers as extended values (the same bytes as their conversion), two at
/// a time with SSE2 on x87 hosts: a readers' hot loop.
void StoreWholeArray(const int32_t* in, size_t n, Extended* out);

/// Bulk forms used by the ORV reader and writer.
void EncodeExtendedArray(const Extended* values, int64_t count, uint8_t* out);
void DecodeExtendedArray(const uint8_t* in, int64_t count, Extended* values);

}  // namespace orvek

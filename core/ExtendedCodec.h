#pragma once
// The 10-byte little-endian x87 extended layout used by ORV files, encoded and decoded
// without assuming anything about the host's own floating types.

#include <cstdint>

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
/// Stores an integer into an extended pixel without passing through the x87 registers on
/// hosts whose long double is the x87 type; a plain conversion elsewhere.
void StoreIntegerExtended(int64_t v, Extended* pixel);

/// Bulk forms used by the ORV reader and writer.
void EncodeExtendedArray(const Extended* values, int64_t count, uint8_t* out);
void DecodeExtendedArray(const uint8_t* in, int64_t count, Extended* values);

}  // namespace orvek

#include "core/ExtendedCodec.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orvek {

namespace {

// The host's long double is the x87 extended type itself, stored little-endian: the
// 10 bytes can be copied as they are.
constexpr bool kHostIsX87 = kHostExtendedIsX87;

constexpr int kBias = 16383;
constexpr int kDenormalShift = 16445;  // value = significand * 2^-16445 when the exponent is 0

uint64_t ReadU64(const uint8_t* in) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | in[i];
  return v;
}

void WriteU64(uint64_t v, uint8_t* out) {
  for (int i = 0; i < 8; ++i) {
    out[i] = static_cast<uint8_t>(v & 0xFF);
    v >>= 8;
  }
}

}  // namespace

void EncodeExtendedPortable(Extended v, uint8_t* out) {
  const bool negative = std::signbit(v);
  uint64_t significand = 0;
  int exponent = 0;
  if (std::isnan(v)) {
    exponent = 0x7FFF;
    significand = 0xC000000000000000ULL;
  } else if (std::isinf(v)) {
    exponent = 0x7FFF;
    significand = 0x8000000000000000ULL;
  } else if (v != 0) {
    const long double a = std::fabs(v);
    int e = 0;
    const long double m = std::frexp(a, &e);  // a = m * 2^e, 0.5 <= m < 1
    exponent = e + kBias - 1;
    if (exponent >= 1 && exponent < 0x7FFF) {
      significand = static_cast<uint64_t>(std::nearbyint(std::ldexp(m, 64)));
    } else if (exponent >= 0x7FFF) {
      exponent = 0x7FFF;  // beyond the extended range (wider hosts only): infinity
      significand = 0x8000000000000000ULL;
    } else {
      exponent = 0;
      significand = static_cast<uint64_t>(std::nearbyint(std::ldexp(a, kDenormalShift)));
    }
  }
  WriteU64(significand, out);
  const unsigned top = (negative ? 0x8000u : 0u) | static_cast<unsigned>(exponent);
  out[8] = static_cast<uint8_t>(top & 0xFF);
  out[9] = static_cast<uint8_t>(top >> 8);
}

Extended DecodeExtendedPortable(const uint8_t* in) {
  const uint64_t significand = ReadU64(in);
  const unsigned top = static_cast<unsigned>(in[8]) | (static_cast<unsigned>(in[9]) << 8);
  const bool negative = (top & 0x8000u) != 0;
  const int exponent = static_cast<int>(top & 0x7FFFu);
  long double value = 0;
  if (exponent == 0x7FFF) {
    value = (significand << 1) == 0 ? std::numeric_limits<long double>::infinity()
                                    : std::numeric_limits<long double>::quiet_NaN();
  } else if (exponent == 0) {
    value = std::ldexp(static_cast<long double>(significand), -kDenormalShift);
  } else {
    value = std::ldexp(static_cast<long double>(significand), exponent - kBias - 63);
  }
  return negative ? -value : value;
}

void EncodeInt64Extended(int64_t v, uint8_t* out) {
  uint64_t magnitude = v < 0 ? ~static_cast<uint64_t>(v) + 1 : static_cast<uint64_t>(v);
  unsigned top = 0;
  if (magnitude != 0) {
    const int msb = 63 - std::countl_zero(magnitude);
    magnitude <<= (63 - msb);  // the explicit integer bit lands on bit 63
    top = static_cast<unsigned>(kBias + msb) | (v < 0 ? 0x8000u : 0u);
  }
  WriteU64(magnitude, out);
  out[8] = static_cast<uint8_t>(top & 0xFF);
  out[9] = static_cast<uint8_t>(top >> 8);
}

void StoreWholeArray(const int32_t* in, size_t n, Extended* out) {
  size_t i = 0;
#if defined(__SSE2__)
  if constexpr (kHostIsX87 && sizeof(Extended) == 16) {
    // Each integer is exact as a double, whose bits give the extended ones: the significand
    // (the 52 stored bits under an explicit integer bit), the exponent rebiased from 1023 to
    // 16383, and the sign; 0 stays all zeros. Each 16-byte pixel is written whole (its last
    // six bytes are padding).
    const __m128i integerBit = _mm_set1_epi64x(static_cast<int64_t>(uint64_t{1} << 63));
    const __m128i exponentMask = _mm_set1_epi64x(0x7FF);
    const __m128i rebias = _mm_set1_epi64x(16383 - 1023);
    const __m128d zero = _mm_setzero_pd();
    for (; i + 2 <= n; i += 2) {
      const __m128d d = _mm_cvtepi32_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + i)));
      const __m128i bits = _mm_castpd_si128(d);
      const __m128i isZero = _mm_castpd_si128(_mm_cmpeq_pd(d, zero));
      const __m128i significand = _mm_or_si128(_mm_slli_epi64(bits, 11), integerBit);
      const __m128i exponent =
          _mm_add_epi64(_mm_and_si128(_mm_srli_epi64(bits, 52), exponentMask), rebias);
      const __m128i sign = _mm_slli_epi64(_mm_srli_epi64(bits, 63), 15);
      const __m128i top = _mm_or_si128(exponent, sign);
      const __m128i low = _mm_andnot_si128(isZero, significand);
      const __m128i high = _mm_andnot_si128(isZero, top);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi64(low, high));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 1), _mm_unpackhi_epi64(low, high));
    }
  }
#endif
  for (; i < n; ++i) out[i] = static_cast<Extended>(in[i]);
}

void EncodeExtended(Extended v, uint8_t* out) {
  if constexpr (kHostIsX87) {
    std::memcpy(out, &v, kExtendedBytes);
  } else {
    EncodeExtendedPortable(v, out);
  }
}

Extended DecodeExtended(const uint8_t* in) {
  if constexpr (kHostIsX87) {
    const int exponent = (in[8] | (in[9] << 8)) & 0x7FFF;
    // Unnormals (integer bit clear with a non-zero exponent) are invalid operands for the
    // x87 unit; read them by their arithmetic value instead.
    if (exponent != 0 && exponent != 0x7FFF && (in[7] & 0x80) == 0)
      return DecodeExtendedPortable(in);
    long double v = 0;
    std::memcpy(&v, in, kExtendedBytes);
    return v;
  } else {
    return DecodeExtendedPortable(in);
  }
}

// The bulk forms copy bytes straight between the file and the values, without passing each
// value through the x87 registers (80-bit loads and stores are slow on current cores).
void EncodeExtendedArray(const Extended* values, int64_t count, uint8_t* out) {
  if constexpr (kHostIsX87) {
    for (int64_t i = 0; i < count; ++i)
      std::memcpy(out + i * kExtendedBytes, values + i, kExtendedBytes);
  } else {
    for (int64_t i = 0; i < count; ++i) EncodeExtended(values[i], out + i * kExtendedBytes);
  }
}

void DecodeExtendedArray(const uint8_t* in, int64_t count, Extended* values) {
  if constexpr (kHostIsX87) {
    for (int64_t i = 0; i < count; ++i) {
      const uint8_t* p = in + i * kExtendedBytes;
      const int exponent = (p[8] | (p[9] << 8)) & 0x7FFF;
      if (exponent != 0 && exponent != 0x7FFF && (p[7] & 0x80) == 0) {
        values[i] = DecodeExtendedPortable(p);  // an unnormal: read by its value
      } else {
        std::memcpy(values + i, p, kExtendedBytes);
      }
    }
  } else {
    for (int64_t i = 0; i < count; ++i) values[i] = DecodeExtended(in + i * kExtendedBytes);
  }
}

}  // namespace orvek

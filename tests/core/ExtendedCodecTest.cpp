#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "core/ExtendedCodec.h"

namespace orvek {
namespace {

std::vector<uint8_t> Encode(Extended v, bool portable) {
  std::vector<uint8_t> b(10);
  if (portable)
    EncodeExtendedPortable(v, b.data());
  else
    EncodeExtended(v, b.data());
  return b;
}

TEST(ExtendedCodec, KnownLayouts) {
  // 1.0: significand 0x8000000000000000, exponent 16383 = 0x3FFF.
  const std::vector<uint8_t> one = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
  EXPECT_EQ(Encode(1.0L, true), one);
  EXPECT_EQ(Encode(1.0L, false), one);
  // -2.0: exponent 16384 with the sign bit.
  const std::vector<uint8_t> minusTwo = {0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0};
  EXPECT_EQ(Encode(-2.0L, true), minusTwo);
  // 640 = 1.25 * 2^9: significand 0xA000000000000000, exponent 16392 = 0x4008.
  const std::vector<uint8_t> w640 = {0, 0, 0, 0, 0, 0, 0, 0xA0, 0x08, 0x40};
  EXPECT_EQ(Encode(640.0L, true), w640);
  EXPECT_EQ(DecodeExtendedPortable(w640.data()), 640.0L);
  EXPECT_EQ(DecodeExtended(w640.data()), 640.0L);
  EXPECT_EQ(Encode(0.0L, true), std::vector<uint8_t>(10, 0));
}

TEST(ExtendedCodec, PortableAndFastPathsAgreeBitForBit) {
  std::mt19937_64 rng(42);
  std::uniform_real_distribution<double> mant(-1.0, 1.0);
  std::uniform_int_distribution<int> expo(-16400, 16380);
  for (int n = 0; n < 20000; ++n) {
    const Extended v = std::ldexp(static_cast<Extended>(mant(rng)) + mant(rng) * 1e-17L, expo(rng));
    const auto fast = Encode(v, false);
    const auto portable = Encode(v, true);
    ASSERT_EQ(fast, portable) << static_cast<double>(v);
    const Extended back = DecodeExtendedPortable(portable.data());
    const Extended backFast = DecodeExtended(fast.data());
    ASSERT_EQ(std::memcmp(&back, &v, 10), 0);
    ASSERT_EQ(std::memcmp(&backFast, &v, 10), 0);
  }
}

TEST(ExtendedCodec, SpecialValuesRoundTrip) {
  const Extended denormal = std::numeric_limits<Extended>::denorm_min() * 12345;
  for (Extended v :
       {std::numeric_limits<Extended>::max(), -std::numeric_limits<Extended>::max(),
        std::numeric_limits<Extended>::min(), denormal, std::numeric_limits<Extended>::infinity(),
        -std::numeric_limits<Extended>::infinity(), -0.0L}) {
    const auto b = Encode(v, true);
    const Extended back = DecodeExtendedPortable(b.data());
    EXPECT_EQ(std::memcmp(&back, &v, 10), 0) << static_cast<double>(v);
  }
  const auto nan = Encode(std::numeric_limits<Extended>::quiet_NaN(), true);
  EXPECT_TRUE(std::isnan(DecodeExtendedPortable(nan.data())));
  EXPECT_TRUE(std::isnan(DecodeExtended(nan.data())));
}

TEST(ExtendedCodec, UnnormalEncodingsReadByTheirValue) {
  // Exponent of 1.0 but the integer bit clear: significand 0x4000... means 0.5.
  const uint8_t unnormal[10] = {0, 0, 0, 0, 0, 0, 0, 0x40, 0xFF, 0x3F};
  EXPECT_EQ(DecodeExtended(unnormal), 0.5L);
  EXPECT_EQ(DecodeExtendedPortable(unnormal), 0.5L);
}

}  // namespace
}  // namespace orvek

namespace orvek {
namespace {

TEST(ExtendedCodec, IntegersEncodeAsTheirConversion) {
  std::mt19937_64 rng(5);
  std::vector<int64_t> values = {0,
                                 1,
                                 -1,
                                 2,
                                 3,
                                 255,
                                 32767,
                                 -32768,
                                 65535,
                                 1LL << 62,
                                 std::numeric_limits<int64_t>::max(),
                                 std::numeric_limits<int64_t>::min()};
  for (int k = 0; k < 20000; ++k) values.push_back(static_cast<int64_t>(rng()) >> (rng() % 64));
  for (int64_t v : values) {
    uint8_t bytes[10];
    EncodeInt64Extended(v, bytes);
    const Extended converted = static_cast<Extended>(v);
    ASSERT_EQ(std::memcmp(bytes, &converted, 10), 0) << v;
    Extended stored = 0;
    StoreIntegerExtended(v, &stored);
    ASSERT_EQ(stored, converted) << v;
  }
}

TEST(ExtendedCodec, WholeArraysStoreTheBytesOfTheirConversion) {
  std::mt19937 rng(11);
  std::vector<int32_t> values = {0,
                                 1,
                                 -1,
                                 2,
                                 3,
                                 255,
                                 32767,
                                 -32768,
                                 65535,
                                 1 << 30,
                                 std::numeric_limits<int32_t>::max(),
                                 std::numeric_limits<int32_t>::min(),
                                 0,
                                 7};
  for (int k = 0; k < 20001; ++k) {  // an odd count: the last value goes alone
    values.push_back(static_cast<int32_t>(rng()) >> (rng() % 32));
  }
  std::vector<Extended> stored(values.size(), 123.5L);
  StoreWholeArray(values.data(), values.size(), stored.data());
  for (size_t i = 0; i < values.size(); ++i) {
    const Extended converted = static_cast<Extended>(values[i]);
    ASSERT_EQ(std::memcmp(&stored[i], &converted, 10), 0) << values[i];
    ASSERT_FALSE(std::signbit(stored[i]) && values[i] == 0);
  }
}

}  // namespace
}  // namespace orvek

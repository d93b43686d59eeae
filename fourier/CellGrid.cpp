#include "fourier/CellGrid.h"

#include <cstring>

namespace orvek::fourier {

CellGrid::CellGrid(int n) : m_n(n), m_pairs(true), m_p(static_cast<size_t>(n) * n) {
  for (PairCell& c : m_p) c = PairCell{{0.0, 0.0}, {0.0, 0.0}};
}

void CellGrid::Prepare(bool pairs) {
  m_pairs = pairs;
  if (pairs) {
    m_p.resize(Count());
    m_e.clear();
    m_e.shrink_to_fit();
  } else {
    m_e.resize(Count());
    m_p.clear();
    m_p.shrink_to_fit();
  }
}

void CellGrid::Assign(const Extended* re, const Extended* im) {
  const size_t count = Count();
  bool pairs = AllFiniteExtended(re, count) && (im == nullptr || AllFiniteExtended(im, count));
  if (pairs) {
    const ExtendedFpuScope fpu;
    Prepare(true);
    ClearFpuFlags();
    for (size_t i = 0; i < count; ++i) {
      StorePair(m_p[i].re, re[i]);
      StorePair(m_p[i].im, im == nullptr ? 0.0L : im[i]);
    }
    pairs = FpuFlagsClean();
  }
  if (!pairs) {
    Prepare(false);
    for (size_t i = 0; i < count; ++i) {
      m_e[i].re = re[i];
      m_e[i].im = im == nullptr ? 0.0L : im[i];
    }
  }
}

void CellGrid::FillReal(Extended value) {
  const size_t count = Count();
  if (m_pairs) {
    const ExtendedFpuScope fpu;
    ClearFpuFlags();
    Pair p;
    StorePair(p, value);
    if (FpuFlagsClean()) {
      for (size_t i = 0; i < count; ++i) m_p[i].re = p;
      return;
    }
    ToExtended();
  }
  for (size_t i = 0; i < count; ++i) m_e[i].re = value;
}

void CellGrid::CopyTo(Extended* re, Extended* im) const {
  const size_t count = Count();
  for (size_t i = 0; i < count; ++i) {
    if (re != nullptr) re[i] = Re(i);
    if (im != nullptr) im[i] = Im(i);
  }
}

void CellGrid::ToExtended() {
  if (!m_pairs) return;
  std::vector<ExtCell> e(Count());
  for (size_t i = 0; i < e.size(); ++i) {
    e[i].re = LoadPair(m_p[i].re);
    e[i].im = LoadPair(m_p[i].im);
  }
  m_e.swap(e);
  m_p.clear();
  m_p.shrink_to_fit();
  m_pairs = false;
}

bool AllFiniteExtended(const Extended* values, size_t count) {
  // x87 layout: 64-bit significand with an explicit integer bit, then sign and 15-bit
  // exponent. Refused: infinities and NaNs (exponent all ones), unnormals (integer bit clear
  // with a non-zero exponent) and pseudo-denormals (integer bit set with a zero exponent).
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(values);
  uint64_t bad = 0;
  for (size_t i = 0; i < count; ++i) {
    uint64_t mant;
    uint16_t se;
    std::memcpy(&mant, bytes + i * sizeof(Extended), 8);
    std::memcpy(&se, bytes + i * sizeof(Extended) + 8, 2);
    const uint64_t exponent = se & 0x7fffu;
    const uint64_t integerBit = mant >> 63;
    bad |= static_cast<uint64_t>(exponent == 0x7fffu) |
           (integerBit ^ static_cast<uint64_t>(exponent != 0));
  }
  return bad == 0;
}

}  // namespace orvek::fourier

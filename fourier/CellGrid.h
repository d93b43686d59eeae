#pragma once
// Storage of N x N complex extended values for the Fourier code.
//
// A value x is kept either as 80-bit extended or, while it fits, as two doubles
// (h = x rounded to double, l = h - x), which give x back exactly as h - l (signed zeros
// included). The two-double form is exact for finite x with 2^-1011 <= |x| < 2^1024 and for
// 0; storing a value outside that range raises the x87 overflow, underflow or invalid flag,
// which the writers test. A grid uses one form for all its values. 80-bit loads and stores are
// several times dearer than 64-bit ones on current x86 cores, hence the double pairs. Reading a
// pair back (h - l) assumes the x87 unit's default 64-bit precision, as all Extended code does.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/Types.h"

#if !defined(__x86_64__) && !defined(__i386__)
#error "The Fourier engine relies on the x87 80-bit unit"
#endif

namespace orvek::fourier {

/// One extended value as a pair of doubles: value = h - l exactly.
struct Pair {
  double h;
  double l;
};
struct PairCell {
  Pair re;
  Pair im;
};
struct ExtCell {
  Extended re;
  Extended im;
};
static_assert(sizeof(PairCell) == 32 && sizeof(ExtCell) == 32);

// The loads and stores are written in assembly so that the compiler cannot skip the rounding
// to double (it may otherwise keep a double in an 80-bit register).
inline __attribute__((always_inline)) Extended LoadPair(const Pair& p) {
  Extended x;
  asm("fldl %1\n\tfsubl %2" : "=t"(x) : "m"(p.h), "m"(p.l));
  return x;
}
inline __attribute__((always_inline)) void StorePair(Pair& p, Extended x) {
  asm("fstl %0\n\tfsubrl %0\n\tfstpl %1" : "=m"(p.h), "=m"(p.l) : "t"(x) : "st");
}

/// Clears the x87 exception flags of the calling thread.
inline void ClearFpuFlags() {
  asm volatile("fnclex" ::: "memory");
}
/// No invalid operation (0x01), overflow (0x08) or underflow (0x10) since the last clear.
inline bool FpuFlagsClean() {
  uint16_t sw;
  asm volatile("fnstsw %0" : "=a"(sw)::"memory");
  return (sw & 0x19) == 0;
}
inline uint16_t FpuControlWord() {
  uint16_t cw;
  asm volatile("fnstcw %0" : "=m"(cw)::"memory");
  return cw;
}
inline void SetFpuControlWord(uint16_t cw) {
  asm volatile("fldcw %0" ::"m"(cw) : "memory");
}

/// The x87 control word of 80-bit arithmetic: 64-bit significands, rounding to nearest, every
/// exception masked (so that overflow and underflow only raise the flags the writers test).
inline constexpr uint16_t kExtendedControlWord = 0x037F;

/// Sets kExtendedControlWord for the lifetime of the object and restores the caller's after.
class ExtendedFpuScope {
 public:
  ExtendedFpuScope() : m_saved(FpuControlWord()) { SetFpuControlWord(kExtendedControlWord); }
  ~ExtendedFpuScope() { SetFpuControlWord(m_saved); }
  ExtendedFpuScope(const ExtendedFpuScope&) = delete;
  ExtendedFpuScope& operator=(const ExtendedFpuScope&) = delete;

 private:
  uint16_t m_saved;
};

/// N x N complex values, element [x][y] at index x * N + y.
class CellGrid {
 public:
  CellGrid() = default;
  /// A grid of n x n zeros in pair form.
  explicit CellGrid(int n);

  int N() const { return m_n; }
  size_t Count() const { return static_cast<size_t>(m_n) * m_n; }
  /// True when the values are kept as double pairs, false for 80-bit storage.
  bool PairStorage() const { return m_pairs; }

  Extended Re(size_t i) const { return m_pairs ? LoadPair(m_p[i].re) : m_e[i].re; }
  Extended Im(size_t i) const { return m_pairs ? LoadPair(m_p[i].im) : m_e[i].im; }

  /// Fills the grid from arrays of n x n values ([x][y] at x * n + y); a null `im` means 0.
  /// Pair form is chosen when every value fits it.
  void Assign(const Extended* re, const Extended* im);
  /// Sets every real part to `value` (imaginary parts unchanged).
  void FillReal(Extended value);
  /// Copies the values out.
  void CopyTo(Extended* re, Extended* im) const;

  /// Selects the storage form without keeping the values (they are overwritten next).
  void Prepare(bool pairs);
  /// Converts the stored values to 80-bit storage.
  void ToExtended();

  PairCell* Pairs() { return m_p.data(); }
  const PairCell* Pairs() const { return m_p.data(); }
  ExtCell* Exts() { return m_e.data(); }
  const ExtCell* Exts() const { return m_e.data(); }

 private:
  int m_n = 0;
  bool m_pairs = true;
  std::vector<PairCell> m_p;
  std::vector<ExtCell> m_e;
};

/// True when every value is a finite extended number in its normal encoding.
bool AllFiniteExtended(const Extended* values, size_t count);

}  // namespace orvek::fourier

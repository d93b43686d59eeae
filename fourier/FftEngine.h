#pragma once
// The two-dimensional radix-2 transform behind OFFT, computed in 80-bit extended arithmetic.
//
// Per axis, each vector of N values goes through log2 N decimation-in-frequency stages
//   dr = a[p] - a[q], di = b[p] - b[q], a[p] = a[p] + a[q], b[p] = b[p] + b[q],
//   a[q] = co*dr + si*di, b[q] = co*di - si*dr
// with co = cos(2 pi k / N) and si = -s sin(2 pi k / N) from tables (s = +1 direct, -1 back),
// then a bit-reversal permutation and, for the direct direction, a division by N. All rows
// (index y for each x) are transformed first, then all columns (index x for each y).
//
// The engine performs exactly those operations on every value, in that order per value, so its
// results are bit for bit those of the plain one-vector-at-a-time procedure. What differs is
// where values wait between stages (double pairs while they fit, see CellGrid.h; the work that
// did not fit is redone with 80-bit storage), the order in which independent vectors are
// visited (several columns at a time over contiguous memory) and the threads that share them.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/Types.h"
#include "core/WorkerPool.h"
#include "fourier/CellGrid.h"

namespace orvek::fourier {

/// 2 pi as the extended constant of the tables.
inline constexpr Extended kTwoPi = 6.283185307179586477L;

/// True for 1, 2, 4, 8, ...
bool IsPowerOfTwo(int64_t n);
/// Number of stages: ln n / ln 2 rounded to the nearest integer.
int StageCount(int n);

/// The twiddle tables of one direction: cosine[k] = cos(2 pi k / n), sine[k] = -s sin(2 pi k / n)
/// for k = 0..n, s = +1 for the direct direction (back = false), -1 for back = true.
struct TwiddleTable {
  int n = 0;
  bool back = false;
  std::vector<Extended> cosine;
  std::vector<Extended> sine;
};
TwiddleTable BuildTwiddles(int n, bool back);

/// Where each element goes in the bit-reversal exchange loop of a vector of n values: the value
/// at 0-based position i ends at position result[i].
std::vector<int> BitReversalTargets(int n);

/// How a transform stored its intermediate values (for tests and benchmarks).
struct FftReport {
  bool rowsAsPairs = false;    ///< the row pass results were kept as double pairs
  int redoneStrips = 0;        ///< column strips whose stages were redone with 80-bit storage
  bool resultAsPairs = false;  ///< the result grid is in pair form
};

/// Tables and per-thread scratch of the engine for one side n, reused across transforms.
class FftWorkspace {
 public:
  explicit FftWorkspace(int n);
  ~FftWorkspace();
  FftWorkspace(const FftWorkspace&) = delete;
  FftWorkspace& operator=(const FftWorkspace&) = delete;
  int N() const { return m_n; }

  struct Impl;
  Impl& Internal() { return *m_impl; }

 private:
  int m_n = 0;
  Impl* m_impl = nullptr;
};

/// In-place transform of `data` (n x n); `work` (any content, same side) holds the rows between
/// the two passes. The tasks of `pool` share the rows, then the columns (no pool: the calling
/// thread does all).
void Transform2D(CellGrid& data, CellGrid& work, bool back, FftWorkspace& workspace,
                 WorkerPool* pool, FftReport* report = nullptr);

/// The inner step of the power-spectrum sum, fused: with `frame` the real n x n input
/// (imaginary part 0, [x][y] at x * n + y), computes its direct transform F and adds
/// re^2 + im^2 to acc[x][y] for every element, exactly as building a transform of the frame,
/// Transform(false), ToPowerSpectrum and adding its real part into acc would. `work` is
/// scratch of side n; `pool` as for Transform2D.
void AccumulatePowerSpectrum(const Extended* frame, Extended* acc, CellGrid& work,
                             FftWorkspace& workspace, WorkerPool* pool,
                             FftReport* report = nullptr);

/// The same step with the power spectrum stored into power[x][y] instead of added: adding
/// it to acc afterwards (acc[i] = acc[i] + power[i]) gives acc bit for bit as
/// AccumulatePowerSpectrum would, so that frames may be transformed apart and added in turn.
void PowerSpectrum(const Extended* frame, Extended* power, CellGrid& work, FftWorkspace& workspace,
                   WorkerPool* pool, FftReport* report = nullptr);

}  // namespace orvek::fourier

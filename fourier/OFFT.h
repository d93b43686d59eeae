#pragma once
// OFFT: one square complex array of extended values built from a frame, and the operations the
// interferometry commands chain together: the two-dimensional radix-2 transform in either
// direction, the quadrant swap that centres the zero frequency, modulus and phase, power
// spectrum, multiplication by the conjugate of a second array, and writing the real part back
// into a frame with a scale. Element [x][y] follows the frame's pixels: x = column, y = row.
//
// Every value is the one the plain 80-bit procedure gives, bit for bit; how the values are
// stored between operations (double pairs while exact, else 80-bit) is internal (CellGrid.h).

#include <memory>

#include "core/OTrame.h"
#include "core/Types.h"
#include "fourier/CellGrid.h"
#include "fourier/FftEngine.h"

namespace orvek::fourier {

class OFFT {
 public:
  /// Floor of MaxReal: 3.4e-4932, at the bottom of the extended range.
  static constexpr Extended kMaxRealFloor = 3.4e-4932L;

  /// Builds the array from `frame`: real[x][y] = Pixels[x][y], imaginary = 0. The frame must be
  /// square with a side that is a power of two (callers test IsCentredSpectrum first);
  /// std::invalid_argument otherwise. The transforms share their work among the tasks of
  /// `pool` (none: the calling thread does all).
  explicit OFFT(const OTrame& frame, WorkerPool* pool = nullptr);
  /// An n x n array of zeros (n a power of two).
  explicit OFFT(int n, WorkerPool* pool = nullptr);
  ~OFFT();
  OFFT(OFFT&&) noexcept;
  OFFT& operator=(OFFT&&) noexcept;

  /// Side N.
  int N() const { return m_n; }
  Extended Re(int x, int y) const { return m_data.Re(Index(x, y)); }
  Extended Im(int x, int y) const { return m_data.Im(Index(x, y)); }
  /// Replaces the values by re[x * N + y] and im[x * N + y] (im null: 0).
  void Assign(const Extended* re, const Extended* im);
  /// Copies the values out (either pointer may be null).
  void CopyTo(Extended* re, Extended* im) const { m_data.CopyTo(re, im); }

  /// In-place transform. back = false: F[u][v] = (1/N^2) sum f[x][y] exp(+2 pi i (ux + vy) / N);
  /// back = true: the opposite sign without division, so the two are exact inverses.
  void Transform(bool back);
  /// Cyclic shift by N/2 on both axes: element [0][0] moves to [N/2][N/2].
  void SwapQuadrants();
  /// real := sqrt(re^2 + im^2); imaginary := (1 - sign(re)) pi/2 + arctan(im/re) for re != 0,
  /// sign(im) pi/2 for re = 0 (the phase lies in (-pi/2, 3pi/2)).
  void ToModulusAndPhase();
  /// real := re^2 + im^2, imaginary := 0.
  void ToPowerSpectrum();
  /// this := this x conjugate(other), element by element: (p r + q t, q r - p t). Same N.
  void MultiplyByConjugate(const OFFT& other);
  /// Largest real value, never below kMaxRealFloor (the scan starts from that floor).
  Extended MaxReal() const;
  /// Sizes `frame` to N x N and writes scale x real[x][y] into its pixels, scale = top / MaxReal()
  /// when top != -1 and some real value lies above the floor, else 1 (a real part with nothing
  /// above the floor is written unscaled rather than multiplied by an enormous factor).
  /// Statistics are left to the caller, who saves and reloads the frame.
  void WriteToFrame(OTrame& frame, Extended top) const;

  /// real := 0 (the accumulator of the series commands).
  void ClearReal();
  /// real += other.real (imaginary unchanged).
  void AddReal(const OFFT& other);
  /// real += other.real and imaginary += other.imaginary.
  void Add(const OFFT& other);

  /// The pool the transforms use (none: the calling thread only).
  WorkerPool* Pool() const { return m_pool; }
  void SetPool(WorkerPool* pool) { m_pool = pool; }
  /// True when the values are currently kept as double pairs.
  bool PairStorage() const { return m_data.PairStorage(); }
  /// How the last Transform stored its values.
  const FftReport& LastReport() const { return m_report; }

 private:
  size_t Index(int x, int y) const { return static_cast<size_t>(x) * m_n + y; }
  void Init(int n);

  int m_n = 0;
  WorkerPool* m_pool = nullptr;
  CellGrid m_data;
  CellGrid m_work;  // the second array of the transform and the target of the quadrant swap
  std::unique_ptr<FftWorkspace> m_workspace;
  FftReport m_report;
};

}  // namespace orvek::fourier

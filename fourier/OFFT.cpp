#include "fourier/OFFT.h"

#include <cmath>
#include <stdexcept>
#include <utility>

namespace orvek::fourier {

namespace {

constexpr Extended kPi = 3.141592653589793238462643383279502884L;

Extended Sign(Extended v) {
  return v > 0 ? 1.0L : (v < 0 ? -1.0L : 0.0L);
}

// out[i] := f(i) for every element. The results are stored as pairs when the inputs are pairs
// (hence finite) and every result fits; otherwise, or when a result did not fit, as 80-bit.
template <class F>
void MapInto(CellGrid& out, size_t count, bool inputsArePairs, const F& f) {
  const ExtendedFpuScope fpu;
  if (inputsArePairs) {
    out.Prepare(true);
    PairCell* cells = out.Pairs();
    ClearFpuFlags();
    for (size_t i = 0; i < count; ++i) {
      const auto [re, im] = f(i);
      StorePair(cells[i].re, re);
      StorePair(cells[i].im, im);
    }
    if (FpuFlagsClean()) return;
  }
  out.Prepare(false);
  ExtCell* cells = out.Exts();
  for (size_t i = 0; i < count; ++i) {
    const auto [re, im] = f(i);
    cells[i].re = re;
    cells[i].im = im;
  }
}

struct Complex {
  Extended re;
  Extended im;
};

}  // namespace

void OFFT::Init(int n) {
  if (n <= 0 || !IsPowerOfTwo(n)) {
    throw std::invalid_argument("OFFT needs a square frame whose side is a power of two");
  }
  m_n = n;
  m_data = CellGrid(n);
  m_work = CellGrid(n);
  m_workspace = std::make_unique<FftWorkspace>(n);
}

OFFT::OFFT(const OTrame& frame, WorkerPool* pool) : m_pool(pool) {
  if (frame.Empty() || frame.Width() != frame.Height()) {
    throw std::invalid_argument("OFFT needs a square frame whose side is a power of two");
  }
  Init(frame.Width());
  m_data.Assign(frame.Data().data(), nullptr);
}

OFFT::OFFT(int n, WorkerPool* pool) : m_pool(pool) {
  Init(n);
}

OFFT::~OFFT() = default;
OFFT::OFFT(OFFT&&) noexcept = default;
OFFT& OFFT::operator=(OFFT&&) noexcept = default;

void OFFT::Assign(const Extended* re, const Extended* im) {
  m_data.Assign(re, im);
}

void OFFT::Transform(bool back) {
  Transform2D(m_data, m_work, back, *m_workspace, m_pool, &m_report);
}

void OFFT::SwapQuadrants() {
  const int n = m_n;
  const int h = n / 2;  // N/2 rounded: N is even here, or 1
  const size_t count = m_data.Count();
  auto source = [&](size_t i) {
    const int x = static_cast<int>(i / n);
    const int y = static_cast<int>(i % n);
    return static_cast<size_t>((x + h) % n) * n + (y + h) % n;
  };
  // A permutation: the cells move unchanged, in whichever form they are stored.
  const bool pairs = m_data.PairStorage();
  m_work.Prepare(pairs);
  if (pairs) {
    const PairCell* in = m_data.Pairs();
    PairCell* out = m_work.Pairs();
    for (size_t i = 0; i < count; ++i) out[i] = in[source(i)];
  } else {
    const ExtCell* in = m_data.Exts();
    ExtCell* out = m_work.Exts();
    for (size_t i = 0; i < count; ++i) out[i] = in[source(i)];
  }
  std::swap(m_data, m_work);
}

void OFFT::ToModulusAndPhase() {
  const CellGrid& d = m_data;
  MapInto(m_work, d.Count(), d.PairStorage(), [&](size_t i) {
    const Extended re = d.Re(i);
    const Extended im = d.Im(i);
    const Extended modulus = std::sqrt(re * re + im * im);
    Extended phase;
    if (re != 0) {
      phase = (1 - Sign(re)) * kPi / 2 + std::atan(im / re);
    } else {
      phase = Sign(im) * kPi / 2;
    }
    return Complex{modulus, phase};
  });
  std::swap(m_data, m_work);
}

void OFFT::ToPowerSpectrum() {
  const CellGrid& d = m_data;
  MapInto(m_work, d.Count(), d.PairStorage(), [&](size_t i) {
    const Extended re = d.Re(i);
    const Extended im = d.Im(i);
    return Complex{re * re + im * im, 0.0L};
  });
  std::swap(m_data, m_work);
}

void OFFT::MultiplyByConjugate(const OFFT& other) {
  if (other.m_n != m_n)
    throw std::invalid_argument("MultiplyByConjugate: arrays of different sides");
  const CellGrid& a = m_data;
  const CellGrid& b = other.m_data;
  MapInto(m_work, a.Count(), a.PairStorage() && b.PairStorage(), [&](size_t i) {
    const Extended p = a.Re(i);
    const Extended q = a.Im(i);
    const Extended r = b.Re(i);
    const Extended t = b.Im(i);
    return Complex{p * r + q * t, q * r - p * t};
  });
  std::swap(m_data, m_work);
}

void OFFT::ClearReal() {
  m_data.FillReal(0.0L);
}

void OFFT::AddReal(const OFFT& other) {
  if (other.m_n != m_n) throw std::invalid_argument("AddReal: arrays of different sides");
  const CellGrid& a = m_data;
  const CellGrid& b = other.m_data;
  MapInto(m_work, a.Count(), a.PairStorage() && b.PairStorage(), [&](size_t i) {
    return Complex{a.Re(i) + b.Re(i), a.Im(i)};
  });
  std::swap(m_data, m_work);
}

void OFFT::Add(const OFFT& other) {
  if (other.m_n != m_n) throw std::invalid_argument("Add: arrays of different sides");
  const CellGrid& a = m_data;
  const CellGrid& b = other.m_data;
  MapInto(m_work, a.Count(), a.PairStorage() && b.PairStorage(), [&](size_t i) {
    return Complex{a.Re(i) + b.Re(i), a.Im(i) + b.Im(i)};
  });
  std::swap(m_data, m_work);
}

Extended OFFT::MaxReal() const {
  Extended best = kMaxRealFloor;
  for (int y = 0; y < m_n; ++y) {
    for (int x = 0; x < m_n; ++x) {
      const Extended v = Re(x, y);
      if (v > best) best = v;
    }
  }
  return best;
}

void OFFT::WriteToFrame(OTrame& frame, Extended top) const {
  const Extended maxReal = MaxReal();
  Extended scale = 1.0L;
  if (top != -1.0L && maxReal != kMaxRealFloor) scale = top / maxReal;
  frame.Allocate(m_n, m_n);
  for (int x = 0; x < m_n; ++x) {
    Extended* column = frame.Column(x);
    for (int y = 0; y < m_n; ++y) column[y] = scale * Re(x, y);
  }
}

}  // namespace orvek::fourier

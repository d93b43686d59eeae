#include "fourier/FftEngine.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace orvek::fourier {

namespace {

using E = Extended;

struct PairOps {
  using Cell = PairCell;
  static E Re(const Cell& c) { return LoadPair(c.re); }
  static E Im(const Cell& c) { return LoadPair(c.im); }
  static void SetRe(Cell& c, E v) { StorePair(c.re, v); }
  static void SetIm(Cell& c, E v) { StorePair(c.im, v); }
};
struct ExtOps {
  using Cell = ExtCell;
  static E Re(const Cell& c) { return c.re; }
  static E Im(const Cell& c) { return c.im; }
  static void SetRe(Cell& c, E v) { c.re = v; }
  static void SetIm(Cell& c, E v) { c.im = v; }
};

// ---- Views of the data as (index i, lane s) -------------------------------------------------

// The last stage writes whole runs of cells at bit-reversed positions of a large array; asking
// for the lines a few positions ahead hides the misses of those scattered writes.
inline void PrefetchForWrite(const void* p, size_t bytes) {
  const char* c = static_cast<const char*>(p);
  for (size_t k = 0; k < bytes; k += 64) __builtin_prefetch(c + k, 1, 3);
}

// Cells in memory: element (i, s) at base[i * indexStride + s * laneStride].
template <class Ops>
struct CellView {
  using Cell = typename Ops::Cell;
  Cell* base;
  ptrdiff_t indexStride;
  ptrdiff_t laneStride;
  Cell& At(int i, int s) const { return base[i * indexStride + s * laneStride]; }
  E Re(int i, int s) const { return Ops::Re(At(i, s)); }
  E Im(int i, int s) const { return Ops::Im(At(i, s)); }
  void SetRe(int i, int s, E v) const { Ops::SetRe(At(i, s), v); }
  void SetIm(int i, int s, E v) const { Ops::SetIm(At(i, s), v); }
  void Put(int i, int s, E re, E im) const {
    Cell& c = At(i, s);
    Ops::SetRe(c, re);
    Ops::SetIm(c, im);
  }
  // Asks for element (i, s) ahead of its read.
  void PrefetchRead(int i, int s) const { __builtin_prefetch(&At(i, s), 0, 3); }
  // True when the block's values (n indices of `lanes` lanes) may go into pairs: pairs are
  // finite by construction; 80-bit cells are checked.
  bool BlockFinite(int lanes, int n) const {
    if constexpr (std::is_same_v<Ops, PairOps>) {
      return true;
    } else {
      if (indexStride == 1 && laneStride == n) {
        return AllFiniteExtended(&base->re, 2 * static_cast<size_t>(lanes) * n);
      }
      for (int s = 0; s < lanes; ++s)
        for (int i = 0; i < n; ++i)
          if (!AllFiniteExtended(&At(i, s).re, 2)) return false;
      return true;
    }
  }
  // Announces the writes of element i of S contiguous lanes (laneStride 1).
  void Prefetch(int i, int lanes) const { PrefetchForWrite(&At(i, 0), lanes * sizeof(Cell)); }
};

// A real input: the imaginary part is 0.
struct RealView {
  const E* re;
  ptrdiff_t indexStride;
  ptrdiff_t laneStride;
  E Re(int i, int s) const { return re[i * indexStride + s * laneStride]; }
  static E Im(int, int) { return 0.0L; }
  void PrefetchRead(int i, int s) const {
    __builtin_prefetch(&re[i * indexStride + s * laneStride], 0, 3);
  }
  bool BlockFinite(int lanes, int n) const {
    if (indexStride == 1 && laneStride == n) {
      return AllFiniteExtended(re, static_cast<size_t>(lanes) * n);
    }
    for (int s = 0; s < lanes; ++s)
      for (int i = 0; i < n; ++i)
        if (!AllFiniteExtended(&re[i * indexStride + s * laneStride], 1)) return false;
    return true;
  }
};

// The power spectrum re^2 + im^2, added to acc (Add) or stored there.
template <bool Add>
struct PowerSink {
  E* acc;
  ptrdiff_t indexStride;
  ptrdiff_t laneStride;
  void Put(int i, int s, E r, E m) const {
    E& a = acc[i * indexStride + s * laneStride];
    const E power = r * r + m * m;
    if constexpr (Add) {
      a = a + power;
    } else {
      a = power;
    }
  }
  void Prefetch(int i, int lanes) const {
    PrefetchForWrite(&acc[i * indexStride], lanes * sizeof(E));
  }
};

// ---- The stages -----------------------------------------------------------------------------

// Vectors processed together: the same twiddle factors serve that many vectors at once, and the
// column pass reads runs of that many contiguous cells. 16 up to N = 256 and 8 at 512 keep a
// block's scratch (N x lanes x 32 bytes) at 128 KB; sides below kLanes use the plain procedure.
constexpr int kLanes = 16;
inline int LanesFor(int n) {
  return n >= 512 ? 8 : kLanes;
}

// Stages 2 .. L-1 in place on the lane-interleaved scratch (element i of lane s at i * S + s).
template <int S, class Ops>
void MiddleStages(typename Ops::Cell* scratch, int N, int L, const typename Ops::Cell* tw) {
  using Cell = typename Ops::Cell;
  for (int t = 2; t <= L - 1; ++t) {
    const int n = 1 << (L - t);
    const int f = 1 << (t - 1);
    for (int j = 0; j < n; ++j) {
      const E co = Ops::Re(tw[j * f]);
      const E si = Ops::Im(tw[j * f]);
      for (int base = 0; base < N; base += 2 * n) {
        Cell* P = scratch + static_cast<ptrdiff_t>(base + j) * S;
        Cell* Q = P + static_cast<ptrdiff_t>(n) * S;
        for (int s = 0; s < S; ++s) {
          const E ap = Ops::Re(P[s]);
          const E aq = Ops::Re(Q[s]);
          const E dr = ap - aq;
          Ops::SetRe(P[s], ap + aq);
          const E bp = Ops::Im(P[s]);
          const E bq = Ops::Im(Q[s]);
          const E di = bp - bq;
          Ops::SetIm(P[s], bp + bq);
          Ops::SetRe(Q[s], co * dr + si * di);
          Ops::SetIm(Q[s], co * di - si * dr);
        }
      }
    }
  }
}

// The last stage (half span 1, twiddle index 0) fused with the bit reversal and, for the
// direct direction, the division by N (a multiplication by the exact power of two 1/N).
template <int S, bool Scale, class Ops, class Sink>
void LastStage(const typename Ops::Cell* scratch, const Sink sink, int N, const int* target,
               const typename Ops::Cell* tw, double invN) {
  const CellView<Ops> src{const_cast<typename Ops::Cell*>(scratch), S, 1};
  const E co = Ops::Re(tw[0]);
  const E si = Ops::Im(tw[0]);
  constexpr int kAhead = 8;  // positions
  for (int p = 0; p < N; p += 2) {
    const int tp = target[p];
    const int tq = target[p + 1];
    if (p + kAhead + 1 < N) {
      sink.Prefetch(target[p + kAhead], S);
      sink.Prefetch(target[p + kAhead + 1], S);
    }
    for (int s = 0; s < S; ++s) {
      const E ap = src.Re(p, s);
      const E aq = src.Re(p + 1, s);
      const E dr = ap - aq;
      const E sr = ap + aq;
      const E bp = src.Im(p, s);
      const E bq = src.Im(p + 1, s);
      const E di = bp - bq;
      const E sb = bp + bq;
      if constexpr (Scale) {
        sink.Put(tp, s, sr * invN, sb * invN);
      } else {
        sink.Put(tp, s, sr, sb);
      }
      const E qr = co * dr + si * di;
      const E qi = co * di - si * dr;
      if constexpr (Scale) {
        sink.Put(tq, s, qr * invN, qi * invN);
      } else {
        sink.Put(tq, s, qr, qi);
      }
    }
  }
}

// A whole block of S vectors: first stage from `src` into the scratch, middle stages, last
// stage into `sink`.
template <int S, class Ops, class Src>
void FirstAndMiddle(const Src src, typename Ops::Cell* scratch, int N, int L,
                    const typename Ops::Cell* tw) {
  // First stage: half span N/2, table stride 1, one block. The source is read as 2 x S streams
  // of a large array; the reads are requested a few positions ahead.
  using Cell = typename Ops::Cell;
  const int n = N / 2;
  constexpr int kAhead = 4;
  for (int j = 0; j < n; ++j) {
    if (j + kAhead < n) {
      for (int s = 0; s < S; ++s) {
        src.PrefetchRead(j + kAhead, s);
        src.PrefetchRead(j + n + kAhead, s);
      }
    }
    const E co = Ops::Re(tw[j]);
    const E si = Ops::Im(tw[j]);
    Cell* P = scratch + static_cast<ptrdiff_t>(j) * S;
    Cell* Q = P + static_cast<ptrdiff_t>(n) * S;
    for (int s = 0; s < S; ++s) {
      const E ap = src.Re(j, s);
      const E aq = src.Re(j + n, s);
      const E dr = ap - aq;
      Ops::SetRe(P[s], ap + aq);
      const E bp = src.Im(j, s);
      const E bq = src.Im(j + n, s);
      const E di = bp - bq;
      Ops::SetIm(P[s], bp + bq);
      Ops::SetRe(Q[s], co * dr + si * di);
      Ops::SetIm(Q[s], co * di - si * dr);
    }
  }
  MiddleStages<S, Ops>(scratch, N, L, tw);
}

template <int S, class Ops, class Sink>
void Finish(const typename Ops::Cell* scratch, const Sink sink, int N, bool back, const int* target,
            const typename Ops::Cell* tw) {
  if (back) {
    LastStage<S, false, Ops>(scratch, sink, N, target, tw, 1.0);
  } else {
    LastStage<S, true, Ops>(scratch, sink, N, target, tw, 1.0 / N);
  }
}

// ---- Small sides: the one-vector procedure itself --------------------------------------------

void SmallTransform1D(E* a, E* b, int N, int L, bool back, const TwiddleTable& t) {
  // a and b are 1-based here, as in the textbook procedure.
  for (int s = 1; s <= L; ++s) {
    const int n = 1 << (L - s);
    const int f = 1 << (s - 1);
    const int g = 2 * n;
    for (int j = 1; j <= n; ++j) {
      const E co = t.cosine[(j - 1) * f];
      const E si = t.sine[(j - 1) * f];
      for (int base = 0; base + g <= N; base += g) {
        const int p = base + j;
        const int q = p + n;
        const E dr = a[p] - a[q];
        const E di = b[p] - b[q];
        a[p] = a[p] + a[q];
        b[p] = b[p] + b[q];
        a[q] = co * dr + si * di;
        b[q] = co * di - si * dr;
      }
    }
  }
  int j = 1;
  for (int i = 1; i <= N - 1; ++i) {
    if (i < j) {
      std::swap(a[i], a[j]);
      std::swap(b[i], b[j]);
    }
    int k = N / 2;
    while (k < j) {
      j -= k;
      k /= 2;
    }
    j += k;
  }
  if (!back) {
    for (int i = 1; i <= N; ++i) {
      a[i] = a[i] / N;
      b[i] = b[i] / N;
    }
  }
}

void SmallTransform(E* re, E* im, int N, bool back) {
  const TwiddleTable t = BuildTwiddles(N, back);
  const int L = StageCount(N);
  std::vector<E> a(N + 1), b(N + 1);
  for (int x = 0; x < N; ++x) {
    for (int y = 0; y < N; ++y) {
      a[y + 1] = re[x * N + y];
      b[y + 1] = im[x * N + y];
    }
    SmallTransform1D(a.data(), b.data(), N, L, back, t);
    for (int y = 0; y < N; ++y) {
      re[x * N + y] = a[y + 1];
      im[x * N + y] = b[y + 1];
    }
  }
  for (int y = 0; y < N; ++y) {
    for (int x = 0; x < N; ++x) {
      a[x + 1] = re[x * N + y];
      b[x + 1] = im[x * N + y];
    }
    SmallTransform1D(a.data(), b.data(), N, L, back, t);
    for (int x = 0; x < N; ++x) {
      re[x * N + y] = a[x + 1];
      im[x * N + y] = b[x + 1];
    }
  }
}

}  // namespace

// ---- Public helpers --------------------------------------------------------------------------

bool IsPowerOfTwo(int64_t n) {
  return n > 0 && (n & (n - 1)) == 0;
}

int StageCount(int n) {
  return static_cast<int>(std::nearbyint(std::log(static_cast<E>(n)) / std::log(2.0L)));
}

TwiddleTable BuildTwiddles(int n, bool back) {
  TwiddleTable t;
  t.n = n;
  t.back = back;
  t.cosine.resize(static_cast<size_t>(n) + 1);
  t.sine.resize(static_cast<size_t>(n) + 1);
  const E s = back ? -1.0L : 1.0L;
  for (int k = 0; k <= n; ++k) {
    const E angle = kTwoPi * k / n;
    t.cosine[k] = std::cos(angle);
    t.sine[k] = -s * std::sin(angle);
  }
  return t;
}

std::vector<int> BitReversalTargets(int n) {
  // Run the exchange loop on the positions themselves: afterwards slot k holds the element
  // that started at from[k].
  std::vector<int> from(static_cast<size_t>(n) + 1);
  for (int i = 0; i <= n; ++i) from[i] = i;
  int j = 1;
  for (int i = 1; i <= n - 1; ++i) {
    if (i < j) std::swap(from[i], from[j]);
    int k = n / 2;
    while (k < j) {
      j -= k;
      k /= 2;
    }
    j += k;
  }
  std::vector<int> target(static_cast<size_t>(n));
  for (int k = 1; k <= n; ++k) target[from[k] - 1] = k - 1;
  return target;
}

// ---- Workspace ---------------------------------------------------------------------------------

namespace {
struct Twiddles {
  bool built = false;
  TwiddleTable table;
  std::vector<ExtCell> ext;    // (cosine, sine) per index
  std::vector<PairCell> pair;  // the same as pairs
  bool pairExact = false;      // every entry survived the split
};
}  // namespace

struct FftWorkspace::Impl {
  int n = 0;
  int stages = 0;
  std::vector<int> target;
  Twiddles tw[2];  // [back]
  std::vector<std::vector<PairCell>> scratchPair;
  std::vector<std::vector<ExtCell>> scratchExt;

  const Twiddles& Table(bool back) {
    Twiddles& t = tw[back ? 1 : 0];
    if (!t.built) {
      const ExtendedFpuScope fpu;
      t.table = BuildTwiddles(n, back);
      t.ext.resize(static_cast<size_t>(n) + 1);
      t.pair.resize(static_cast<size_t>(n) + 1);
      ClearFpuFlags();
      for (int k = 0; k <= n; ++k) {
        t.ext[k].re = t.table.cosine[k];
        t.ext[k].im = t.table.sine[k];
        StorePair(t.pair[k].re, t.table.cosine[k]);
        StorePair(t.pair[k].im, t.table.sine[k]);
      }
      t.pairExact = FpuFlagsClean();
      t.built = true;
    }
    return t;
  }

  void EnsureTasks(int tasks) {
    const size_t cells = static_cast<size_t>(n) * kLanes;
    while (static_cast<int>(scratchPair.size()) < tasks) {
      scratchPair.emplace_back(cells);
      scratchExt.emplace_back(cells);
    }
  }
};

FftWorkspace::FftWorkspace(int n) : m_n(n), m_impl(new Impl) {
  if (!IsPowerOfTwo(n)) throw std::invalid_argument("FFT side must be a power of two");
  m_impl->n = n;
  m_impl->stages = StageCount(n);
  if (n >= kLanes) m_impl->target = BitReversalTargets(n);
}
FftWorkspace::~FftWorkspace() {
  delete m_impl;
}

// ---- The two passes
// ------------------------------------------------------------------------------

namespace {

// Runs `work(task, first, last)` over blocks [0, blocks) shared among `tasks` tasks of the
// pool, each task in 80-bit arithmetic whatever its thread's control word was.
template <class Work>
void ShareBlocks(WorkerPool* pool, int tasks, int blocks, const Work& work) {
  tasks = std::clamp(tasks, 1, std::max(1, blocks));
  auto body = [&](int task) {
    const ExtendedFpuScope fpu;
    const int first = static_cast<int>(static_cast<int64_t>(blocks) * task / tasks);
    const int last = static_cast<int>(static_cast<int64_t>(blocks) * (task + 1) / tasks);
    work(task, first, last);
  };
  if (tasks == 1) {
    body(0);
  } else {
    RunTasks(pool, tasks, body);
  }
}

struct PassResult {
  bool storesClean = true;  // the sink's pair stores were exact
  int redone = 0;           // blocks whose stages were redone with 80-bit scratch
};

// One pass over all vectors in blocks of S lanes: block b reads srcFor(b * S) and writes
// sinkFor(b * S). With pair scratch, a block whose intermediate values did not fit is
// redone with 80-bit scratch before its last stage, so an accumulating sink is fed once.
template <int S, class SrcFor, class SinkFor>
PassResult RunPassLanes(FftWorkspace::Impl& ws, bool back, const Twiddles& tw, bool pairScratch,
                        bool checkStores, WorkerPool* pool, int tasks, const SrcFor& srcFor,
                        const SinkFor& sinkFor) {
  const int N = ws.n;
  const int L = ws.stages;
  std::atomic<bool> storesClean{true};
  std::atomic<int> redone{0};
  ShareBlocks(pool, tasks, N / S, [&](int task, int first, int last) {
    bool clean = true;
    for (int blk = first; blk < last; ++blk) {
      const int l0 = blk * S;
      const auto src = srcFor(l0);
      const auto sink = sinkFor(l0);
      bool done = false;
      // Infinities and NaNs are not kept as pairs (a NaN would lose its payload): such a block
      // takes 80-bit scratch and the pass is redone with 80-bit storage.
      const bool finite = !pairScratch || src.BlockFinite(S, N);
      if (!finite) clean = false;
      if (pairScratch && finite) {
        PairCell* scratch = ws.scratchPair[task].data();
        ClearFpuFlags();
        FirstAndMiddle<S, PairOps>(src, scratch, N, L, tw.pair.data());
        if (FpuFlagsClean()) {
          Finish<S, PairOps>(scratch, sink, N, back, ws.target.data(), tw.pair.data());
          done = true;
        } else {
          ++redone;
        }
      }
      if (!done) {
        ExtCell* scratch = ws.scratchExt[task].data();
        FirstAndMiddle<S, ExtOps>(src, scratch, N, L, tw.ext.data());
        ClearFpuFlags();
        Finish<S, ExtOps>(scratch, sink, N, back, ws.target.data(), tw.ext.data());
      }
      if (checkStores && !FpuFlagsClean()) clean = false;
    }
    if (!clean) storesClean = false;
  });
  return PassResult{storesClean.load(), redone.load()};
}

template <class SrcFor, class SinkFor>
PassResult RunPass(FftWorkspace::Impl& ws, bool back, const Twiddles& tw, bool pairScratch,
                   bool checkStores, WorkerPool* pool, int tasks, const SrcFor& srcFor,
                   const SinkFor& sinkFor) {
  if (LanesFor(ws.n) == 8) {
    return RunPassLanes<8>(ws, back, tw, pairScratch, checkStores, pool, tasks, srcFor, sinkFor);
  }
  return RunPassLanes<kLanes>(ws, back, tw, pairScratch, checkStores, pool, tasks, srcFor, sinkFor);
}

// Views of a grid: element (i, s) of the block starting at lane l0.
template <class Ops>
CellView<Ops> View(typename Ops::Cell* cells, ptrdiff_t offset, ptrdiff_t indexStride,
                   ptrdiff_t laneStride) {
  return CellView<Ops>{cells + offset, indexStride, laneStride};
}

// Row pass: vector x, index y. The work grid is written transposed, work[y][x], so that the
// column pass reads each column as one contiguous run.
template <class SrcFor>
bool RowPass(const SrcFor& srcFor, CellGrid& work, FftWorkspace::Impl& ws, bool back,
             const Twiddles& tw, bool pairs, WorkerPool* pool, int tasks, FftReport& report) {
  const int N = ws.n;
  if (pairs) {
    work.Prepare(true);
    PairCell* w = work.Pairs();
    const PassResult r = RunPass(ws, back, tw, true, true, pool, tasks, srcFor,
                                 [&](int x0) { return View<PairOps>(w, x0, N, 1); });
    report.redoneStrips += r.redone;
    if (r.storesClean) return true;
  }
  work.Prepare(false);
  ExtCell* w = work.Exts();
  RunPass(ws, back, tw, false, false, pool, tasks, srcFor,
          [&](int x0) { return View<ExtOps>(w, x0, N, 1); });
  return false;
}

// Column pass: vector y, index x, from the transposed work grid.
template <class SinkFor>
PassResult ColumnPass(CellGrid& work, FftWorkspace::Impl& ws, bool back, const Twiddles& tw,
                      bool checkStores, WorkerPool* pool, int tasks, const SinkFor& sinkFor) {
  const int N = ws.n;
  if (work.PairStorage()) {
    PairCell* w = work.Pairs();
    return RunPass(
        ws, back, tw, true, checkStores, pool, tasks,
        [&](int y0) { return View<PairOps>(w, static_cast<ptrdiff_t>(y0) * N, 1, N); }, sinkFor);
  }
  ExtCell* w = work.Exts();
  return RunPass(
      ws, back, tw, false, checkStores, pool, tasks,
      [&](int y0) { return View<ExtOps>(w, static_cast<ptrdiff_t>(y0) * N, 1, N); }, sinkFor);
}

// Sink of the power spectrum, added or stored.
template <bool Add>
struct PowerSinkAt {
  E* acc;
  int n;
  PowerSink<Add> operator()(int y0) const { return PowerSink<Add>{acc + y0, n, 1}; }
};

// Tasks of a pass: the pool's, but never more than its blocks of columns.
int TaskCount(const WorkerPool* pool, int n) {
  return std::clamp(TasksOf(pool), 1, std::max(1, n / LanesFor(n)));
}

}  // namespace

void Transform2D(CellGrid& data, CellGrid& work, bool back, FftWorkspace& workspace,
                 WorkerPool* pool, FftReport* report) {
  const int N = data.N();
  if (workspace.N() != N || work.N() != N) {
    throw std::invalid_argument("FFT grids and workspace of different sides");
  }
  FftReport local;
  if (N < kLanes) {
    std::vector<E> re(data.Count()), im(data.Count());
    data.CopyTo(re.data(), im.data());
    SmallTransform(re.data(), im.data(), N, back);
    data.Assign(re.data(), im.data());
    local.resultAsPairs = data.PairStorage();
    if (report != nullptr) *report = local;
    return;
  }
  FftWorkspace::Impl& ws = workspace.Internal();
  const int tasks = TaskCount(pool, N);
  ws.EnsureTasks(tasks);
  const Twiddles& tw = ws.Table(back);

  // Rows: from data (either form) into work.
  if (data.PairStorage()) {
    PairCell* d = data.Pairs();
    local.rowsAsPairs =
        RowPass([&](int x0) { return View<PairOps>(d, static_cast<ptrdiff_t>(x0) * N, 1, N); },
                work, ws, back, tw, tw.pairExact, pool, tasks, local);
  } else {
    ExtCell* d = data.Exts();
    local.rowsAsPairs =
        RowPass([&](int x0) { return View<ExtOps>(d, static_cast<ptrdiff_t>(x0) * N, 1, N); }, work,
                ws, back, tw, tw.pairExact, pool, tasks, local);
  }

  // Columns: from work back into data, as pairs when every result fits.
  data.Prepare(true);
  PairCell* dp = data.Pairs();
  PassResult r = ColumnPass(work, ws, back, tw, true, pool, tasks,
                            [&](int y0) { return View<PairOps>(dp, y0, N, 1); });
  local.redoneStrips += r.redone;
  if (!r.storesClean) {
    data.Prepare(false);
    ExtCell* de = data.Exts();
    ColumnPass(work, ws, back, tw, false, pool, tasks,
               [&](int y0) { return View<ExtOps>(de, y0, N, 1); });
  }
  local.resultAsPairs = data.PairStorage();
  if (report != nullptr) *report = local;
}

namespace {

template <bool Add>
void PowerSpectrumInto(const Extended* frame, Extended* acc, CellGrid& work,
                       FftWorkspace& workspace, WorkerPool* pool, FftReport* report) {
  const int N = work.N();
  if (workspace.N() != N) throw std::invalid_argument("FFT grid and workspace of different sides");
  const size_t count = static_cast<size_t>(N) * N;
  FftReport local;
  if (N < kLanes) {
    std::vector<E> re(frame, frame + count), im(count, 0.0L);
    SmallTransform(re.data(), im.data(), N, false);
    for (size_t i = 0; i < count; ++i) {
      const E power = re[i] * re[i] + im[i] * im[i];
      if constexpr (Add) {
        acc[i] = acc[i] + power;
      } else {
        acc[i] = power;
      }
    }
    if (report != nullptr) *report = local;
    return;
  }
  FftWorkspace::Impl& ws = workspace.Internal();
  const int tasks = TaskCount(pool, N);
  ws.EnsureTasks(tasks);
  const Twiddles& tw = ws.Table(false);
  local.rowsAsPairs = RowPass(
      [&](int x0) {
        return RealView{frame + static_cast<ptrdiff_t>(x0) * N, 1, N};
      },
      work, ws, false, tw, tw.pairExact, pool, tasks, local);
  const PassResult r =
      ColumnPass(work, ws, false, tw, false, pool, tasks, PowerSinkAt<Add>{acc, N});
  local.redoneStrips += r.redone;
  if (report != nullptr) *report = local;
}

}  // namespace

void AccumulatePowerSpectrum(const Extended* frame, Extended* acc, CellGrid& work,
                             FftWorkspace& workspace, WorkerPool* pool, FftReport* report) {
  PowerSpectrumInto<true>(frame, acc, work, workspace, pool, report);
}

void PowerSpectrum(const Extended* frame, Extended* power, CellGrid& work, FftWorkspace& workspace,
                   WorkerPool* pool, FftReport* report) {
  PowerSpectrumInto<false>(frame, power, work, workspace, pool, report);
}

}  // namespace orvek::fourier

#include "fourier/Interferometry.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <utility>

#include "core/Utils.h"
#include "fourier/OFFT.h"
#include "fourier/WorkerPool.h"
#include "measure/Measurement.h"

namespace orvek::fourier {

namespace {

int Tasks(int threads) {
  return threads <= 0 ? DefaultThreads() : threads;
}

std::string SizeText(const OTrame& f) {
  return std::to_string(f.Width()) + " x " + std::to_string(f.Height());
}

// Reads an image of the series the way the window's LoadAndShow does (bias, FITS options).
Status LoadImage(const std::string& path, const SeriesInput& input, OTrame& frame) {
  frame = OTrame();
  if (!FileExists(path)) return Status::Error(path + ": File not found");
  const LoadResult r = frame.LoadFile(path, input.bias, input.fits);
  if (r.status == LoadStatus::UnknownExtension) {
    return Status::Error(path + ": unknown image extension (BMP, FIT, FITS, FTS or ORV expected)");
  }
  if (r.status == LoadStatus::Error) return r.AsStatus();
  return Status::Ok();
}

// A file the commands write themselves (ORV, statistics recomputed on load).
Status LoadWritten(const std::string& path, OTrame& frame) {
  frame = OTrame();
  if (!FileExists(path)) return Status::Error(path + ": File not found");
  const LoadResult r = frame.LoadFile(path);
  if (!r.ok()) return r.AsStatus();
  return Status::Ok();
}

FourierResult Fail(FourierStatus status, std::string message) {
  FourierResult r;
  r.status = status;
  r.message = std::move(message);
  return r;
}

// Reports a loaded frame; false means STOP was pressed.
bool Report(const SeriesInput& input, int index, int count, const OTrame& frame) {
  return input.observer == nullptr || input.observer->FrameLoaded(index, count, frame);
}

Status SaveWhole(const OTrame& frame, const std::string& path) {
  return frame.SaveOrv(0, 0, frame.LastX, frame.LastY, path);
}

// Runs body(first, last) over [0, count) shared among tasks.
template <class Body>
void ShareRange(int tasks, int count, const Body& body) {
  tasks = std::clamp(tasks, 1, std::max(1, count));
  if (tasks == 1) {
    body(0, count);
    return;
  }
  WorkerPool::Shared().Run(tasks, [&](int t) {
    const int first = static_cast<int>(static_cast<int64_t>(count) * t / tasks);
    const int last = static_cast<int>(static_cast<int64_t>(count) * (t + 1) / tasks);
    body(first, last);
  });
}

}  // namespace

// ---- Power-spectrum sum ------------------------------------------------------------------------

PowerSpectrumSum::PowerSpectrumSum(int n, int threads)
    : m_n(n),
      m_threads(Tasks(threads)),
      m_acc(static_cast<size_t>(n) * n, 0.0L),
      m_work(n),
      m_workspace(n) {}

void PowerSpectrumSum::Add(const OTrame& frame) {
  if (frame.Width() != m_n || frame.Height() != m_n) {
    throw std::invalid_argument("PowerSpectrumSum: frame of another size");
  }
  Add(frame.Data().data());
}

void PowerSpectrumSum::Add(const Extended* pixels) {
  AccumulatePowerSpectrum(pixels, m_acc.data(), m_work, m_workspace, m_threads);
  ++m_count;
}

void PowerSpectrumSum::WriteAutocorrelation(OTrame& frame) const {
  // The accumulator as the series commands hold it: real part = the sum, imaginary part 0.
  OFFT a(m_n, m_threads);
  a.Assign(m_acc.data(), nullptr);
  a.Transform(false);
  a.SwapQuadrants();
  a.WriteToFrame(frame, kCorrelationTop);
}

// ---- Series sums --------------------------------------------------------------------------------

FourierResult SumPowerSpectra(const SeriesInput& input, const std::string& folder,
                              const std::string& name, bool enhanced, OTrame* frameOut) {
  if (input.files.empty()) return Fail(FourierStatus::NothingTicked, {});
  ClearFolder(folder, "*.orva");
  OTrame frame;
  if (Status s = LoadImage(input.files[0], input, frame); !s) {
    return Fail(FourierStatus::LoadFailed, DebugText(s));
  }
  if (!IsCentredSpectrum(frame)) return Fail(FourierStatus::WrongSize, kSizeMessage);
  const int n = frame.Width();
  PowerSpectrumSum sum(n, input.threads);
  const int count = static_cast<int>(input.files.size());
  for (int k = 0; k < count; ++k) {
    if (k > 0) {
      if (Status s = LoadImage(input.files[k], input, frame); !s) {
        return Fail(FourierStatus::LoadFailed, DebugText(s));
      }
    }
    // STOP is honoured after the image has been added, as the window's loop does.
    const bool keepGoing = Report(input, k, count, frame);
    if (!IsCentredSpectrum(frame)) return Fail(FourierStatus::WrongSize, kSizeMessage);
    if (frame.Width() != n) {
      // The sum needs frames of one size; a differing one would be added out of place.
      return Fail(FourierStatus::WrongSize, std::string(kSizeMessage) + "\n" +
                                                FileNameOf(input.files[k]) + ": " +
                                                SizeText(frame) + ", the series started with " +
                                                std::to_string(n) + " x " + std::to_string(n));
    }
    if (enhanced) frame.SquarePixels();
    sum.Add(frame);
    if (!keepGoing) return Fail(FourierStatus::Stopped, {});
  }
  sum.WriteAutocorrelation(frame);
  const std::string path = folder + name + ".orvc";
  if (Status s = SaveWhole(frame, path); !s) return Fail(FourierStatus::WriteFailed, DebugText(s));
  FourierResult r;
  r.written.push_back(path);
  r.shown = path;
  if (frameOut != nullptr) *frameOut = std::move(frame);
  return r;
}

FourierResult SumCrossSpectra(const SeriesInput& input, const std::string& folder,
                              const std::string& name, OTrame* frameOut) {
  if (input.files.empty()) return Fail(FourierStatus::NothingTicked, {});
  OTrame frame;
  if (Status s = LoadImage(input.files[0], input, frame); !s) {
    return Fail(FourierStatus::LoadFailed, DebugText(s));
  }
  if (!IsCentredSpectrum(frame)) return Fail(FourierStatus::WrongSize, kSizeMessage);
  const int n = frame.Width();
  const int tasks = Tasks(input.threads);
  OFFT acc(n, tasks);
  const int count = static_cast<int>(input.files.size());
  for (int k = 0; k < count; ++k) {
    if (k > 0) {
      if (Status s = LoadImage(input.files[k], input, frame); !s) {
        return Fail(FourierStatus::LoadFailed, DebugText(s));
      }
    }
    const bool keepGoing = Report(input, k, count, frame);
    if (!IsCentredSpectrum(frame)) return Fail(FourierStatus::WrongSize, kSizeMessage);
    if (frame.Width() != n) {
      return Fail(FourierStatus::WrongSize, std::string(kSizeMessage) + "\n" +
                                                FileNameOf(input.files[k]) + ": " +
                                                SizeText(frame) + ", the series started with " +
                                                std::to_string(n) + " x " + std::to_string(n));
    }
    OFFT p(frame, 1);
    frame.SquarePixels();
    OFFT q(frame, 1);
    // The two transforms are independent: one per core.
    if (tasks >= 2) {
      WorkerPool::Shared().Run(2, [&](int t) { (t == 0 ? p : q).Transform(false); });
    } else {
      p.Transform(false);
      q.Transform(false);
    }
    p.MultiplyByConjugate(q);
    acc.Add(p);
    if (!keepGoing) return Fail(FourierStatus::Stopped, {});
  }
  acc.Transform(true);
  acc.SwapQuadrants();
  acc.WriteToFrame(frame, kCorrelationTop);
  ClearFolder(folder, "*.*");
  const std::string path = folder + name + ".orvc";
  if (Status s = SaveWhole(frame, path); !s) return Fail(FourierStatus::WriteFailed, DebugText(s));
  FourierResult r;
  r.written.push_back(path);
  r.shown = path;
  if (frameOut != nullptr) *frameOut = std::move(frame);
  return r;
}

// ---- Background series --------------------------------------------------------------------------

FourierResult BuildBackgroundSeries(const OTrame& current, const std::string& folder,
                                    const std::string& name, int threads) {
  FourierResult r;
  const std::string s0 = folder + "S0_" + name + ".orvc";
  const std::string back = folder + kBackCopyFile;
  if (Status s = SaveWhole(current, s0); !s) return Fail(FourierStatus::WriteFailed, DebugText(s));
  r.written.push_back(s0);
  if (Status s = SaveWhole(current, back); !s)
    return Fail(FourierStatus::WriteFailed, DebugText(s));
  r.written.push_back(back);

  OTrame original;  // "Back.orva" as every pass reloads it
  if (Status s = LoadWritten(back, original); !s)
    return Fail(FourierStatus::WriteFailed, DebugText(s));
  OTrame b = original;  // the box means; cells not reached by a pass keep their earlier value
  const int w = original.Width();
  const int h = original.Height();
  for (int radius = 1; radius <= 9; ++radius) {
    OTrame cur = original;
    const Extended cells = static_cast<Extended>((2 * radius + 1) * (2 * radius + 1));
    const int x0 = radius;
    const int x1 = w - 1 - radius;  // inclusive
    if (x1 >= x0) {
      ShareRange(Tasks(threads), x1 - x0 + 1, [&](int first, int last) {
        for (int x = x0 + first; x < x0 + last; ++x) {
          for (int y = radius; y <= h - 1 - radius; ++y) {
            Extended sum = 0;
            for (int i = -radius; i <= radius; ++i) {
              const Extended* column = cur.Column(x + i);
              for (int j = -radius; j <= radius; ++j) sum += column[y + j];
            }
            b.Px(x, y) = sum / cells;
          }
        }
      });
    }
    Extended minimum = 0;
    for (int x = 0; x < w; ++x) {
      for (int y = 0; y < h; ++y) {
        Extended& v = cur.Px(x, y);
        v = v - b.Px(x, y);
        if (v < minimum) minimum = v;
      }
    }
    if (minimum < 0) {
      const Extended shift = -minimum;
      for (Extended& v : cur.Data()) v = v + shift;
    }
    const std::string path = folder + "S" + std::to_string(radius) + "_" + name + ".orvc";
    if (Status s = SaveWhole(cur, path); !s) return Fail(FourierStatus::WriteFailed, DebugText(s));
    r.written.push_back(path);
  }
  r.shown = s0;
  return r;
}

// ---- Menu commands ------------------------------------------------------------------------------

namespace {
// Appends the background series to a command's result.
FourierResult WithBackground(FourierResult first, const OTrame& frame, const std::string& folder,
                             const std::string& series, int threads) {
  FourierResult bg = BuildBackgroundSeries(frame, folder, series, threads);
  bg.written.insert(bg.written.begin(), first.written.begin(), first.written.end());
  return bg;
}
}  // namespace

FourierResult AutoCorrelationCommand(const SeriesInput& input, const std::string& folder,
                                     bool enhanced) {
  ClearFolder(folder, "*.*");
  OTrame frame;
  FourierResult sum = SumPowerSpectra(input, folder, kTargetSpectrumName, enhanced, &frame);
  if (!sum.ok()) return sum;
  FourierResult r = WithBackground(std::move(sum), frame, folder, kAutoSeries, input.threads);
  if (r.ok()) ClearFolder(folder, std::string(kTargetSpectrumName) + ".orvc");
  return r;
}

FourierResult CrossCorrelationCommand(const SeriesInput& input, const std::string& folder) {
  ClearFolder(folder, "*.*");
  OTrame frame;
  FourierResult sum = SumCrossSpectra(input, folder, kTargetSpectrumName, &frame);
  if (!sum.ok()) return sum;
  ClearFolder(folder, std::string(kTargetSpectrumName) + ".orvc");
  return WithBackground(std::move(sum), frame, folder, kCrossSeries, input.threads);
}

FourierResult ReferencePowerSpectrum(const SeriesInput& input, const std::string& folder,
                                     bool enhanced) {
  ClearFolder(folder, "*.*");
  return SumPowerSpectra(input, folder, kReferenceSpectrumName, enhanced);
}

FourierResult TargetPowerSpectrum(const SeriesInput& input, const std::string& folder,
                                  bool enhanced) {
  return SumPowerSpectra(input, folder, kTargetSpectrumName, enhanced);
}

FourierResult ResultCommand(const std::string& folder, int threads) {
  const std::string refName = std::string(kReferenceSpectrumName) + ".orvc";
  const std::string targetName = std::string(kTargetSpectrumName) + ".orvc";
  OTrame reference;
  if (!FileExists(folder + refName)) {
    return Fail(FourierStatus::MissingInput,
                refName + " not found in " + folder + ": run \"Reference Power Spectrum\" first");
  }
  if (!FileExists(folder + targetName)) {
    return Fail(FourierStatus::MissingInput,
                targetName + " not found in " + folder + ": run \"Target Power Spectrum\" first");
  }
  if (Status s = LoadWritten(folder + refName, reference); !s) {
    return Fail(FourierStatus::MissingInput, DebugText(s));
  }
  OTrame target;
  if (Status s = LoadWritten(folder + targetName, target); !s) {
    return Fail(FourierStatus::MissingInput, DebugText(s));
  }
  if (target.Width() != reference.Width() || target.Height() != reference.Height()) {
    return Fail(FourierStatus::MissingInput, targetName + " is " + SizeText(target) + " but " +
                                                 refName + " is " + SizeText(reference) +
                                                 ": both spectra must have the same size");
  }
  for (int x = 0; x < target.Width(); ++x) {
    for (int y = 0; y < target.Height(); ++y)
      target.Px(x, y) = target.Px(x, y) - reference.Px(x, y);
  }
  return BuildBackgroundSeries(target, folder, kResultSeries, threads);
}

// ---- Single-image transforms --------------------------------------------------------------------

bool CrossCorrelateFrame(OTrame& frame, int threads) {
  if (!IsCentredSpectrum(frame)) return false;
  OFFT p(frame, threads);
  frame.SquarePixels();
  OFFT q(frame, threads);
  q.Transform(false);
  p.Transform(false);
  q.MultiplyByConjugate(p);  // FFT(image^2) x conjugate(FFT(image))
  q.Transform(true);
  q.SwapQuadrants();
  q.WriteToFrame(frame, kCorrelationTop);
  return true;
}

bool ApplySingleTransform(OTrame& frame, SingleTransform kind, int threads) {
  if (kind == SingleTransform::CrossCorrelate) return CrossCorrelateFrame(frame, threads);
  if (!IsCentredSpectrum(frame)) return false;
  OFFT f(frame, threads);
  f.Transform(false);
  Extended top = kCorrelationTop;
  if (kind == SingleTransform::Modulus) {
    f.SwapQuadrants();
    f.ToModulusAndPhase();
    top = kModulusTop;
  } else if (kind == SingleTransform::AutoCorrelate) {
    f.ToPowerSpectrum();
    f.Transform(false);
    f.SwapQuadrants();
  } else {
    f.SwapQuadrants();
  }
  f.WriteToFrame(frame, top);
  return true;
}

FourierResult SingleTransformCommand(OTrame& current, SingleTransform kind,
                                     const std::string& folder, int threads) {
  const bool done = ApplySingleTransform(current, kind, threads);
  if (!done && kind != SingleTransform::CrossCorrelate) {
    return Fail(FourierStatus::WrongSize, kSizeMessage);
  }
  const std::string path =
      folder + (kind == SingleTransform::CrossCorrelate ? kInterCorrFile : kFourierFile);
  if (Status s = SaveWhole(current, path); !s)
    return Fail(FourierStatus::WriteFailed, DebugText(s));
  FourierResult r;
  r.written.push_back(path);
  r.shown = path;
  if (!done) {
    r.status = FourierStatus::WrongSize;  // the unchanged frame is written and shown all the same
    r.message = kSizeMessage;
  }
  return r;
}

FourierResult BackgroundCommand(const OTrame& current, const std::string& folder, int threads) {
  ClearFolder(folder, "*.*");
  return BuildBackgroundSeries(current, folder, BaseNameOf(current.FileName), threads);
}

// ---- Directed vector autocorrelation ------------------------------------------------------------

namespace {
struct Bright {
  int32_t x;
  int32_t y;
  Extended v;
};
}  // namespace

void AccumulateDva(const OTrame& image, OTrame& buffer, bool& exactSoFar, Extended& massSoFar,
                   int threads) {
  const Extended threshold = image.Percentile(97);
  std::vector<Bright> list;
  for (int x = 0; x < image.Width(); ++x) {
    for (int y = 0; y < image.Height(); ++y) {
      const Extended v = image.Px(x, y);
      if (v > threshold) list.push_back(Bright{x, y, v});
    }
  }
  if (list.empty()) return;
  // The zero shift is the buffer's [W - 1][H - 1], W x H being the first image's size: an
  // image smaller than the first has all its shifts inside the buffer as well.
  const int cx = buffer.Width() / 2 - 1;
  const int cy = buffer.Height() / 2 - 1;
  const int bh = buffer.Height();

  // Each entry adds its value 2 x |list| times at most; when every value is an integer and the
  // running total of what has been added stays below 2^62, every partial sum of every cell is
  // an exact integer, so the sums do not depend on their order and the pairs can be shared.
  bool integral = exactSoFar;
  Extended mass = 0;
  for (const Bright& b : list) {
    if (!(std::fabs(b.v) < 2147483648.0L) || b.v != std::trunc(b.v)) integral = false;
    mass += std::fabs(b.v);
  }
  mass *= 2.0L * static_cast<Extended>(list.size());
  const Extended limit = 4611686018427387904.0L;  // 2^62
  if (integral && massSoFar + mass < limit) {
    massSoFar += mass;
    const int tasks = std::clamp(Tasks(threads), 1, static_cast<int>(list.size()));
    const size_t cells = static_cast<size_t>(buffer.Width()) * bh;
    // Runs of the list covering 16 image columns each (the list is in scan order, x outer): a
    // pair of runs adds into two bands of about 32 buffer columns, which stay in cache.
    constexpr int kColumns = 16;
    std::vector<int> runStart;
    for (int i = 0; i < static_cast<int>(list.size()); ++i) {
      if (i == 0 || list[i].x / kColumns != list[i - 1].x / kColumns) runStart.push_back(i);
    }
    runStart.push_back(static_cast<int>(list.size()));
    const int runs = static_cast<int>(runStart.size()) - 1;
    // Allocated here: a task must not throw.
    std::vector<std::vector<int64_t>> partial(tasks, std::vector<int64_t>(cells, 0));
    auto body = [&](int t) {
      // The runs of p are shared by entry count, so that each task has about half the pairs.
      const int first = static_cast<int>(static_cast<int64_t>(list.size()) * t / tasks);
      const int last = static_cast<int>(static_cast<int64_t>(list.size()) * (t + 1) / tasks);
      std::vector<int64_t>& acc = partial[t];
      for (int rp = 0; rp < runs; ++rp) {
        const int p0 = std::max(runStart[rp], first);
        const int p1 = std::min(runStart[rp + 1], last);
        if (p0 >= p1) continue;
        for (int rq = 0; rq < runs; ++rq) {
          for (int ip = p0; ip < p1; ++ip) {
            const Bright& p = list[ip];
            const int64_t vp = static_cast<int64_t>(p.v);
            for (int iq = runStart[rq]; iq < runStart[rq + 1]; ++iq) {
              const Bright& q = list[iq];
              if (q.v <= p.v)
                acc[static_cast<size_t>(cx + q.x - p.x) * bh + (cy + q.y - p.y)] += vp;
              if (q.v >= p.v)
                acc[static_cast<size_t>(cx + p.x - q.x) * bh + (cy + p.y - q.y)] += vp;
            }
          }
        }
      }
    };
    if (tasks == 1) {
      body(0);
    } else {
      WorkerPool::Shared().Run(tasks, body);
    }
    Extended* v = buffer.Data().data();
    for (size_t c = 0; c < cells; ++c) {
      int64_t total = 0;
      bool touched = false;
      for (int t = 0; t < tasks; ++t) {
        total += partial[t][c];
        touched |= partial[t][c] != 0;
      }
      if (touched) v[c] = v[c] + static_cast<Extended>(total);
    }
    return;
  }
  // Sums that may round: every cell must receive its values in the order of the pair loop. Each
  // task walks the whole loop in that order but adds only into its own band of buffer columns,
  // so the cells are shared without changing any sum.
  exactSoFar = false;
  const int width = buffer.Width();
  const int tasks = std::clamp(Tasks(threads), 1, width);
  auto band = [&](int t) {
    const int x0 = static_cast<int>(static_cast<int64_t>(width) * t / tasks);
    const int x1 = static_cast<int>(static_cast<int64_t>(width) * (t + 1) / tasks);
    for (const Bright& p : list) {
      for (const Bright& q : list) {
        if (q.v <= p.v) {
          const int x = cx + q.x - p.x;
          if (x >= x0 && x < x1) buffer.Px(x, cy + q.y - p.y) += p.v;
        }
        if (q.v >= p.v) {
          const int x = cx + p.x - q.x;
          if (x >= x0 && x < x1) buffer.Px(x, cy + p.y - q.y) += p.v;
        }
      }
    }
  };
  if (tasks == 1) {
    for (const Bright& p : list) {
      for (const Bright& q : list) {
        if (q.v <= p.v) buffer.Px(cx + q.x - p.x, cy + q.y - p.y) += p.v;
        if (q.v >= p.v) buffer.Px(cx + p.x - q.x, cy + p.y - q.y) += p.v;
      }
    }
  } else {
    WorkerPool::Shared().Run(tasks, band);
  }
}

FourierResult DvaCommand(const SeriesInput& input, const std::string& folder) {
  ClearFolder(folder, "*.*");
  if (input.files.empty()) return Fail(FourierStatus::NothingTicked, {});
  OTrame first;
  if (Status s = LoadImage(input.files[0], input, first); !s) {
    return Fail(FourierStatus::LoadFailed, DebugText(s));
  }
  const int w = first.Width();
  const int h = first.Height();
  FourierResult r;
  const std::string bufferPath = folder + kDvaBufferFile;
  // The buffer file first holds the first image enlarged to 2W x 2H (filled with its median);
  // the accumulator itself starts from zeros and is written over it at the end.
  if (Status s = first.SaveOrv(0, 0, 2 * first.LastX + 1, 2 * first.LastY + 1, bufferPath); !s) {
    return Fail(FourierStatus::WriteFailed, DebugText(s));
  }
  r.written.push_back(bufferPath);
  OTrame buffer;
  buffer.Allocate(2 * w, 2 * h);
  bool exact = true;
  Extended mass = 0;
  const int count = static_cast<int>(input.files.size());
  OTrame frame;
  for (int k = 0; k < count; ++k) {
    if (k == 0) {
      frame = first;
    } else if (Status s = LoadImage(input.files[k], input, frame); !s) {
      return Fail(FourierStatus::LoadFailed, DebugText(s));
    }
    if (!Report(input, k, count, frame)) {
      FourierResult stopped = Fail(FourierStatus::Stopped, {});
      stopped.written = r.written;
      return stopped;
    }
    if (frame.Width() > w || frame.Height() > h) {
      // Pairs of a larger image would fall outside the accumulator.
      const std::string warning = FileNameOf(input.files[k]) + ": " + SizeText(frame) + ", not " +
                                  std::to_string(w) + " x " + std::to_string(h) +
                                  " like the first image: skipped";
      r.warnings.push_back(warning);
      if (input.observer != nullptr) input.observer->Warning(warning);
      continue;
    }
    AccumulateDva(frame, buffer, exact, mass, input.threads);
  }
  if (Status s = SaveWhole(buffer, bufferPath); !s)
    return Fail(FourierStatus::WriteFailed, DebugText(s));
  OTrame shown;
  if (Status s = LoadWritten(bufferPath, shown); !s)
    return Fail(FourierStatus::WriteFailed, DebugText(s));
  FourierResult bg = BuildBackgroundSeries(shown, folder, kDvaSeries, input.threads);
  bg.written.insert(bg.written.begin(), r.written.begin(), r.written.end());
  bg.warnings = r.warnings;
  if (bg.ok() && !bg.warnings.empty()) {
    std::string text;
    for (const std::string& wtext : bg.warnings) text += wtext + "\n";
    bg.message = text;
  }
  return bg;
}

std::vector<std::string> InterferometryList(const std::string& folder) {
  return ListFiles(folder, "*.orvc");
}

}  // namespace orvek::fourier

#include "fourier/Interferometry.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "core/Output.h"
#include "core/Utils.h"
#include "fourier/OFFT.h"
#include "measure/Measurement.h"

namespace orvek::fourier {

namespace {

// Reads an image of the series the way the window's LoadAndShow does (bias, FITS options).
Status LoadImage(const std::string& path, const SeriesInput& input, OTrame& frame) {
  frame = OTrame();
  const bool provided = input.frames != nullptr && input.frames->Provides(path);
  if (!provided && !FileExists(path))
    return Status::Fail(Error(ErrorCode::FileNotFound).Path(path));
  const LoadResult r = frame.LoadFile(path, input.bias, input.fits, nullptr, nullptr, input.frames);
  if (!r.ok()) return Status::Fail(ReadFailure(path, r));
  return Status::Ok();
}

// A file the commands write themselves (ORV, statistics recomputed on load).
Status LoadWritten(const std::string& path, OTrame& frame) {
  frame = OTrame();
  const LoadResult r = frame.LoadFile(path);
  if (!r.ok()) return Status::Fail(ReadFailure(path, r));
  return Status::Ok();
}

FourierResult Fail(FourierStatus status, Error error = Error()) {
  FourierResult r;
  r.status = status;
  r.error = std::move(error);
  return r;
}

FourierResult Fail(FourierStatus status, const Status& s) {
  return Fail(status, s.error);
}

// The frame is not a centred spectrum.
FourierResult WrongSize(const std::string& path, const OTrame& frame) {
  return Fail(FourierStatus::WrongSize,
              Error(ErrorCode::NotCentredSize)
                  .Path(path)
                  .Values({double(frame.Width()), double(frame.Height())}));
}

// A frame of the series whose size is not that of the first.
FourierResult OtherSize(const std::string& path, const OTrame& frame, int n) {
  return Fail(FourierStatus::WrongSize,
              Error(ErrorCode::FrameSizesDiffer)
                  .Path(path)
                  .Values({double(frame.Width()), double(frame.Height()), double(n), double(n)}));
}

// In a folder of the user's, the names the command is about to write must be new (unless
// overwrite); a working folder is made when missing.
Status Writable(const OutputFolder& out, const std::vector<std::string>& names) {
  if (Status s = MayWriteAll(out, names); !s) return s;
  return PrepareOutput(out);
}

std::vector<std::string> SeriesFiles(const std::string& name) {
  std::vector<std::string> names = {kBackCopyFile};
  for (int d = 0; d <= 9; ++d) names.push_back("S" + std::to_string(d) + "_" + name + ".orvc");
  return names;
}

// Reports a loaded frame; false means STOP was pressed.
bool Report(const SeriesInput& input, int index, int count, const OTrame& frame) {
  return input.observer == nullptr || input.observer->FrameLoaded(index, count, frame);
}

Status SaveWhole(const OTrame& frame, const std::string& path) {
  return frame.SaveOrv(0, 0, frame.LastX, frame.LastY, path);
}

// Runs body(first, last) over [0, count) shared among the pool's tasks.
template <class Body>
void ShareRange(WorkerPool* pool, int count, const Body& body) {
  const int tasks = std::clamp(TasksOf(pool), 1, std::max(1, count));
  if (tasks == 1) {
    body(0, count);
    return;
  }
  pool->Run(tasks, [&](int t) {
    const int first = static_cast<int>(static_cast<int64_t>(count) * t / tasks);
    const int last = static_cast<int>(static_cast<int64_t>(count) * (t + 1) / tasks);
    body(first, last);
  });
}

// The box means of column x, rows radius .. H - 1 - radius, into out[y]: the sum of
// frame[x + i][y + j] over i = -radius..radius (outer) and j = -radius..radius (inner), in that
// order, divided by `cells`. Four rows are summed side by side, each in its own order of
// additions: four chains of 80-bit additions keep the unit busy where one would wait on the
// last addition (more than four do not fit the x87 registers).
void BoxMeans(const OTrame& frame, int x, int radius, Extended cells, Extended* out) {
  const int last = frame.Height() - 1 - radius;
  int y = radius;
  for (; y + 3 <= last; y += 4) {
    Extended s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    for (int i = -radius; i <= radius; ++i) {
      const Extended* c = frame.Column(x + i) + (y - radius);
      for (int j = 0; j <= 2 * radius; ++j) {
        s0 += c[j];
        s1 += c[j + 1];
        s2 += c[j + 2];
        s3 += c[j + 3];
      }
    }
    out[y] = s0 / cells;
    out[y + 1] = s1 / cells;
    out[y + 2] = s2 / cells;
    out[y + 3] = s3 / cells;
  }
  for (; y <= last; ++y) {
    Extended sum = 0;
    for (int i = -radius; i <= radius; ++i) {
      const Extended* column = frame.Column(x + i);
      for (int j = -radius; j <= radius; ++j) sum += column[y + j];
    }
    out[y] = sum / cells;
  }
}

}  // namespace

// ---- Power-spectrum sum ------------------------------------------------------------------------

PowerSpectrumSum::PowerSpectrumSum(int n, WorkerPool* pool)
    : m_n(n), m_pool(pool), m_acc(static_cast<size_t>(n) * n, 0.0L), m_work(n), m_workspace(n) {}

void PowerSpectrumSum::Add(const OTrame& frame) {
  if (frame.Width() != m_n || frame.Height() != m_n) {
    throw std::invalid_argument("PowerSpectrumSum: frame of another size");
  }
  Add(frame.Data().data());
}

void PowerSpectrumSum::Add(const Extended* pixels) {
  AccumulatePowerSpectrum(pixels, m_acc.data(), m_work, m_workspace, m_pool);
  ++m_count;
}

void PowerSpectrumSum::AddPower(const Extended* power) {
  const ExtendedFpuScope fpu;
  Extended* acc = m_acc.data();
  for (size_t i = 0; i < m_acc.size(); ++i) acc[i] = acc[i] + power[i];
  ++m_count;
}

void PowerSpectrumSum::WriteAutocorrelation(OTrame& frame, Extended top) const {
  // The accumulator as the series commands hold it: real part = the sum, imaginary part 0.
  OFFT a(m_n, m_pool);
  a.Assign(m_acc.data(), nullptr);
  a.Transform(false);
  a.SwapQuadrants();
  a.WriteToFrame(frame, top);
}

// ---- Series sums --------------------------------------------------------------------------------

namespace {

// The frame-by-frame check and preparation of image k of a power-spectrum series of side n:
// the failure the loop ends with, or an empty result with the frame ready for its transform.
FourierResult PrepareSpectrumFrame(const SeriesInput& input, int k, int n, bool enhanced,
                                   OTrame& frame) {
  if (Status s = LoadImage(input.files[k], input, frame); !s) {
    return Fail(FourierStatus::LoadFailed, s);
  }
  if (!IsCentredSpectrum(frame)) return WrongSize(input.files[k], frame);
  if (frame.Width() != n) return OtherSize(input.files[k], frame, n);
  if (enhanced) frame.SquarePixels();
  return FourierResult{};
}

// Images 1 .. count - 1 of a series without an observer, a whole image per task of the pool:
// each task reads an image and transforms it on its own core, then adds its power spectrum
// once every earlier image's is added, so the sum is the one of the plain loop. Ends with the
// failure of the first image, in list order, that fails; `last` is the last image read.
FourierResult SumSpectraByImage(const SeriesInput& input, int n, bool enhanced,
                                PowerSpectrumSum& sum, OTrame& last) {
  const int count = static_cast<int>(input.files.size());
  const int tasks = std::min(TasksOf(input.pool), count - 1);
  struct Lane {
    explicit Lane(int n) : power(static_cast<size_t>(n) * n), work(n), workspace(n) {}
    OTrame frame;
    std::vector<Extended> power;
    CellGrid work;
    FftWorkspace workspace;
  };
  std::vector<std::unique_ptr<Lane>> lanes;
  for (int t = 0; t < tasks; ++t) lanes.push_back(std::make_unique<Lane>(n));
  std::mutex mutex;
  std::condition_variable turnChanged;
  int next = 1;  // the next image to claim
  int turn = 1;  // the next image to add
  bool stop = false;
  FourierResult failure;
  std::exception_ptr thrown;
  RunTasks(input.pool, tasks, [&](int task) {
    Lane& lane = *lanes[static_cast<size_t>(task)];
    try {
      for (;;) {
        int k = 0;
        {
          std::lock_guard<std::mutex> lock(mutex);
          if (stop || next >= count) return;
          k = next++;
        }
        FourierResult bad = PrepareSpectrumFrame(input, k, n, enhanced, lane.frame);
        if (bad.ok()) {
          PowerSpectrum(lane.frame.Data().data(), lane.power.data(), lane.work, lane.workspace,
                        nullptr);
        }
        std::unique_lock<std::mutex> lock(mutex);
        turnChanged.wait(lock, [&] { return stop || turn == k; });
        if (stop) return;
        if (!bad.ok()) {
          failure = std::move(bad);
          stop = true;
        } else {
          // Only the task whose turn it is touches the sum.
          lock.unlock();
          sum.AddPower(lane.power.data());
          if (k == count - 1) last = std::move(lane.frame);
          lock.lock();
          ++turn;
        }
        turnChanged.notify_all();
      }
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex);
      if (!thrown) thrown = std::current_exception();
      stop = true;
      turnChanged.notify_all();
    }
  });
  if (thrown) std::rethrow_exception(thrown);
  return failure;
}

}  // namespace

FourierResult SumPowerSpectra(const SeriesInput& input, const OutputFolder& out,
                              const std::string& name, bool enhanced, OTrame* frameOut) {
  if (input.files.empty()) return Fail(FourierStatus::NothingTicked, Error(ErrorCode::NoInput));
  if (Status s = Writable(out, {name + ".orvc"}); !s) return Fail(FourierStatus::WriteFailed, s);
  if (Status s = ClearOutput(out, "*.orva"); !s) return Fail(FourierStatus::WriteFailed, s);
  OTrame frame;
  if (Status s = LoadImage(input.files[0], input, frame); !s) {
    return Fail(FourierStatus::LoadFailed, s);
  }
  if (!IsCentredSpectrum(frame)) return WrongSize(input.files[0], frame);
  const int n = frame.Width();
  PowerSpectrumSum sum(n, input.pool);
  const int count = static_cast<int>(input.files.size());
  if (input.observer == nullptr && TasksOf(input.pool) >= 2 && count >= 3) {
    // Nothing to show or stop: the images go one per core.
    if (enhanced) frame.SquarePixels();
    sum.Add(frame);
    if (FourierResult bad = SumSpectraByImage(input, n, enhanced, sum, frame); !bad.ok()) {
      return bad;
    }
  }
  for (int k = sum.Count(); k < count; ++k) {
    if (k > 0) {
      if (Status s = LoadImage(input.files[k], input, frame); !s) {
        return Fail(FourierStatus::LoadFailed, s);
      }
    }
    // STOP is honoured after the image has been added, as the window's loop does.
    const bool keepGoing = Report(input, k, count, frame);
    if (!IsCentredSpectrum(frame)) return WrongSize(input.files[k], frame);
    // The sum needs frames of one size; a differing one would be added out of place.
    if (frame.Width() != n) return OtherSize(input.files[k], frame, n);
    if (enhanced) frame.SquarePixels();
    sum.Add(frame);
    if (!keepGoing) return Fail(FourierStatus::Stopped, Error(ErrorCode::Stopped));
  }
  sum.WriteAutocorrelation(frame);
  const std::string path = OutputPath(out, name + ".orvc");
  if (Status s = SaveWhole(frame, path); !s) return Fail(FourierStatus::WriteFailed, s);
  FourierResult r;
  r.written.push_back(path);
  r.shown = path;
  if (frameOut != nullptr) *frameOut = std::move(frame);
  return r;
}

FourierResult SumCrossSpectra(const SeriesInput& input, const OutputFolder& out,
                              const std::string& name, OTrame* frameOut) {
  if (input.files.empty()) return Fail(FourierStatus::NothingTicked, Error(ErrorCode::NoInput));
  if (Status s = Writable(out, {name + ".orvc"}); !s) return Fail(FourierStatus::WriteFailed, s);
  OTrame frame;
  if (Status s = LoadImage(input.files[0], input, frame); !s) {
    return Fail(FourierStatus::LoadFailed, s);
  }
  if (!IsCentredSpectrum(frame)) return WrongSize(input.files[0], frame);
  const int n = frame.Width();
  OFFT acc(n, input.pool);
  const int count = static_cast<int>(input.files.size());
  for (int k = 0; k < count; ++k) {
    if (k > 0) {
      if (Status s = LoadImage(input.files[k], input, frame); !s) {
        return Fail(FourierStatus::LoadFailed, s);
      }
    }
    const bool keepGoing = Report(input, k, count, frame);
    if (!IsCentredSpectrum(frame)) return WrongSize(input.files[k], frame);
    if (frame.Width() != n) return OtherSize(input.files[k], frame, n);
    OFFT p(frame);
    frame.SquarePixels();
    OFFT q(frame);
    // The two transforms are independent: one per core.
    if (TasksOf(input.pool) >= 2) {
      input.pool->Run(2, [&](int t) { (t == 0 ? p : q).Transform(false); });
    } else {
      p.Transform(false);
      q.Transform(false);
    }
    p.MultiplyByConjugate(q);
    acc.Add(p);
    if (!keepGoing) return Fail(FourierStatus::Stopped, Error(ErrorCode::Stopped));
  }
  acc.Transform(true);
  acc.SwapQuadrants();
  acc.WriteToFrame(frame, kCorrelationTop);
  if (Status s = ClearOutput(out, "*.*"); !s) return Fail(FourierStatus::WriteFailed, s);
  const std::string path = OutputPath(out, name + ".orvc");
  if (Status s = SaveWhole(frame, path); !s) return Fail(FourierStatus::WriteFailed, s);
  FourierResult r;
  r.written.push_back(path);
  r.shown = path;
  if (frameOut != nullptr) *frameOut = std::move(frame);
  return r;
}

// ---- Background series --------------------------------------------------------------------------

OTrame SubtractBoxMean(const OTrame& image, int radius, OTrame& boxMeans, WorkerPool* pool) {
  OTrame cur = image;
  const int w = image.Width();
  const int h = image.Height();
  const Extended cells = static_cast<Extended>((2 * radius + 1) * (2 * radius + 1));
  const int x0 = radius;
  const int x1 = w - 1 - radius;  // inclusive
  if (x1 >= x0) {
    ShareRange(pool, x1 - x0 + 1, [&](int first, int last) {
      for (int x = x0 + first; x < x0 + last; ++x)
        BoxMeans(image, x, radius, cells, boxMeans.Column(x));
    });
  }
  for (int x = 0; x < w; ++x) {
    for (int y = 0; y < h; ++y) {
      Extended& v = cur.Px(x, y);
      v = v - boxMeans.Px(x, y);
    }
  }
  return cur;
}

void ShiftToZeroMinimum(OTrame& image) {
  Extended minimum = 0;
  for (const Extended v : image.Data()) {
    if (v < minimum) minimum = v;
  }
  if (minimum < 0) {
    const Extended shift = -minimum;
    for (Extended& v : image.Data()) v = v + shift;
  }
}

FourierResult BuildBackgroundSeries(const OTrame& current, const OutputFolder& out,
                                    const std::string& name, WorkerPool* pool) {
  FourierResult r;
  if (Status s = Writable(out, SeriesFiles(name)); !s) return Fail(FourierStatus::WriteFailed, s);
  const std::string s0 = OutputPath(out, "S0_" + name + ".orvc");
  const std::string back = OutputPath(out, kBackCopyFile);
  if (Status s = SaveWhole(current, s0); !s) return Fail(FourierStatus::WriteFailed, s);
  r.written.push_back(s0);
  if (Status s = SaveWhole(current, back); !s) return Fail(FourierStatus::WriteFailed, s);
  r.written.push_back(back);

  OTrame original;  // "Back.orva" as every pass reloads it
  if (Status s = LoadWritten(back, original); !s) return Fail(FourierStatus::WriteFailed, s);
  OTrame b = original;  // the box means; cells not reached by a pass keep their earlier value
  for (int radius = 1; radius <= 9; ++radius) {
    OTrame cur = SubtractBoxMean(original, radius, b, pool);
    ShiftToZeroMinimum(cur);
    const std::string path = OutputPath(out, "S" + std::to_string(radius) + "_" + name + ".orvc");
    if (Status s = SaveWhole(cur, path); !s) return Fail(FourierStatus::WriteFailed, s);
    r.written.push_back(path);
  }
  r.shown = s0;
  return r;
}

// ---- Menu commands ------------------------------------------------------------------------------

namespace {
// Appends the background series to a command's result.
FourierResult WithBackground(FourierResult first, const OTrame& frame, const OutputFolder& out,
                             const std::string& series, WorkerPool* pool) {
  FourierResult bg = BuildBackgroundSeries(frame, out, series, pool);
  bg.written.insert(bg.written.begin(), first.written.begin(), first.written.end());
  return bg;
}

// The files a correlation command writes: the spectrum and the background series.
std::vector<std::string> CorrelationFiles(const std::string& series) {
  std::vector<std::string> names = SeriesFiles(series);
  names.push_back(std::string(kTargetSpectrumName) + ".orvc");
  return names;
}
}  // namespace

FourierResult AutoCorrelationCommand(const SeriesInput& input, const OutputFolder& out,
                                     bool enhanced) {
  if (Status s = Writable(out, CorrelationFiles(kAutoSeries)); !s)
    return Fail(FourierStatus::WriteFailed, s);
  if (Status s = ClearOutput(out, "*.*"); !s) return Fail(FourierStatus::WriteFailed, s);
  OTrame frame;
  FourierResult sum = SumPowerSpectra(input, out, kTargetSpectrumName, enhanced, &frame);
  if (!sum.ok()) return sum;
  FourierResult r = WithBackground(std::move(sum), frame, out, kAutoSeries, input.pool);
  if (r.ok()) {
    if (Status s = ClearOutput(out, std::string(kTargetSpectrumName) + ".orvc"); !s)
      return Fail(FourierStatus::WriteFailed, s);
  }
  return r;
}

FourierResult CrossCorrelationCommand(const SeriesInput& input, const OutputFolder& out) {
  if (Status s = Writable(out, CorrelationFiles(kCrossSeries)); !s)
    return Fail(FourierStatus::WriteFailed, s);
  if (Status s = ClearOutput(out, "*.*"); !s) return Fail(FourierStatus::WriteFailed, s);
  OTrame frame;
  FourierResult sum = SumCrossSpectra(input, out, kTargetSpectrumName, &frame);
  if (!sum.ok()) return sum;
  if (Status s = ClearOutput(out, std::string(kTargetSpectrumName) + ".orvc"); !s)
    return Fail(FourierStatus::WriteFailed, s);
  return WithBackground(std::move(sum), frame, out, kCrossSeries, input.pool);
}

FourierResult ReferencePowerSpectrum(const SeriesInput& input, const OutputFolder& out,
                                     bool enhanced) {
  if (Status s = Writable(out, {std::string(kReferenceSpectrumName) + ".orvc"}); !s)
    return Fail(FourierStatus::WriteFailed, s);
  if (Status s = ClearOutput(out, "*.*"); !s) return Fail(FourierStatus::WriteFailed, s);
  return SumPowerSpectra(input, out, kReferenceSpectrumName, enhanced);
}

FourierResult TargetPowerSpectrum(const SeriesInput& input, const OutputFolder& out,
                                  bool enhanced) {
  return SumPowerSpectra(input, out, kTargetSpectrumName, enhanced);
}

FourierResult ResultCommand(const OutputFolder& out, WorkerPool* pool) {
  const std::string refName = std::string(kReferenceSpectrumName) + ".orvc";
  const std::string targetName = std::string(kTargetSpectrumName) + ".orvc";
  OTrame reference;
  if (!FileExists(OutputPath(out, refName))) {
    return Fail(FourierStatus::MissingInput, Error(ErrorCode::SpectrumMissing)
                                                 .Path(OutputPath(out, refName))
                                                 .Text("Reference Power Spectrum"));
  }
  if (!FileExists(OutputPath(out, targetName))) {
    return Fail(FourierStatus::MissingInput, Error(ErrorCode::SpectrumMissing)
                                                 .Path(OutputPath(out, targetName))
                                                 .Text("Target Power Spectrum"));
  }
  if (Status s = LoadWritten(OutputPath(out, refName), reference); !s) {
    return Fail(FourierStatus::MissingInput, s);
  }
  OTrame target;
  if (Status s = LoadWritten(OutputPath(out, targetName), target); !s) {
    return Fail(FourierStatus::MissingInput, s);
  }
  if (target.Width() != reference.Width() || target.Height() != reference.Height()) {
    return Fail(FourierStatus::MissingInput,
                Error(ErrorCode::SpectraSizesDiffer)
                    .Path(OutputPath(out, targetName))
                    .Text(OutputPath(out, refName))
                    .Values({double(target.Width()), double(target.Height()),
                             double(reference.Width()), double(reference.Height())}));
  }
  for (int x = 0; x < target.Width(); ++x) {
    for (int y = 0; y < target.Height(); ++y)
      target.Px(x, y) = target.Px(x, y) - reference.Px(x, y);
  }
  return BuildBackgroundSeries(target, out, kResultSeries, pool);
}

// ---- Single-image transforms --------------------------------------------------------------------

bool CrossCorrelateFrame(OTrame& frame, WorkerPool* pool) {
  if (!IsCentredSpectrum(frame)) return false;
  OFFT p(frame, pool);
  frame.SquarePixels();
  OFFT q(frame, pool);
  q.Transform(false);
  p.Transform(false);
  q.MultiplyByConjugate(p);  // FFT(image^2) x conjugate(FFT(image))
  q.Transform(true);
  q.SwapQuadrants();
  q.WriteToFrame(frame, kCorrelationTop);
  return true;
}

bool ApplySingleTransform(OTrame& frame, SingleTransform kind, WorkerPool* pool) {
  if (kind == SingleTransform::CrossCorrelate) return CrossCorrelateFrame(frame, pool);
  if (!IsCentredSpectrum(frame)) return false;
  OFFT f(frame, pool);
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

FourierResult SingleTransformCommand(OTrame& current, SingleTransform kind, const OutputFolder& out,
                                     WorkerPool* pool) {
  const std::string name = kind == SingleTransform::CrossCorrelate ? kInterCorrFile : kFourierFile;
  if (Status s = Writable(out, {name}); !s) return Fail(FourierStatus::WriteFailed, s);
  const Error wrongSize = Error(ErrorCode::NotCentredSize)
                              .Path(current.FileName)
                              .Values({double(current.Width()), double(current.Height())});
  const bool done = ApplySingleTransform(current, kind, pool);
  if (!done && kind != SingleTransform::CrossCorrelate) {
    return Fail(FourierStatus::WrongSize, wrongSize);
  }
  const std::string path = OutputPath(out, name);
  if (Status s = SaveWhole(current, path); !s) return Fail(FourierStatus::WriteFailed, s);
  FourierResult r;
  r.written.push_back(path);
  r.shown = path;
  if (!done) {
    r.status = FourierStatus::WrongSize;  // the unchanged frame is written and shown all the same
    r.error = wrongSize;
  }
  return r;
}

FourierResult BackgroundCommand(const OTrame& current, const OutputFolder& out, WorkerPool* pool) {
  if (Status s = ClearOutput(out, "*.*"); !s) return Fail(FourierStatus::WriteFailed, s);
  return BuildBackgroundSeries(current, out, BaseNameOf(current.FileName), pool);
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
                   WorkerPool* pool) {
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
    const int tasks = std::clamp(TasksOf(pool), 1, static_cast<int>(list.size()));
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
      pool->Run(tasks, body);
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
  const int tasks = std::clamp(TasksOf(pool), 1, width);
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
    pool->Run(tasks, band);
  }
}

FourierResult DvaCommand(const SeriesInput& input, const OutputFolder& out) {
  std::vector<std::string> names = SeriesFiles(kDvaSeries);
  names.push_back(kDvaBufferFile);
  if (Status s = Writable(out, names); !s) return Fail(FourierStatus::WriteFailed, s);
  if (Status s = ClearOutput(out, "*.*"); !s) return Fail(FourierStatus::WriteFailed, s);
  if (input.files.empty()) return Fail(FourierStatus::NothingTicked, Error(ErrorCode::NoInput));
  OTrame first;
  if (Status s = LoadImage(input.files[0], input, first); !s) {
    return Fail(FourierStatus::LoadFailed, s);
  }
  const int w = first.Width();
  const int h = first.Height();
  FourierResult r;
  const std::string bufferPath = OutputPath(out, kDvaBufferFile);
  // The buffer file first holds the first image enlarged to 2W x 2H (filled with its median);
  // the accumulator itself starts from zeros and is written over it at the end.
  if (Status s = first.SaveOrv(0, 0, 2 * first.LastX + 1, 2 * first.LastY + 1, bufferPath); !s) {
    return Fail(FourierStatus::WriteFailed, s);
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
      return Fail(FourierStatus::LoadFailed, s);
    }
    if (!Report(input, k, count, frame)) {
      FourierResult stopped = Fail(FourierStatus::Stopped, Error(ErrorCode::Stopped));
      stopped.written = r.written;
      return stopped;
    }
    if (frame.Width() > w || frame.Height() > h) {
      // Pairs of a larger image would fall outside the accumulator.
      r.warnings.push_back(
          Error(ErrorCode::FrameSizesDiffer)
              .Path(input.files[k])
              .Values({double(frame.Width()), double(frame.Height()), double(w), double(h)}));
      if (input.observer != nullptr) input.observer->Problem(r.warnings.back());
      continue;
    }
    AccumulateDva(frame, buffer, exact, mass, input.pool);
  }
  if (Status s = SaveWhole(buffer, bufferPath); !s) return Fail(FourierStatus::WriteFailed, s);
  OTrame shown;
  if (Status s = LoadWritten(bufferPath, shown); !s) return Fail(FourierStatus::WriteFailed, s);
  FourierResult bg = BuildBackgroundSeries(shown, out, kDvaSeries, input.pool);
  bg.written.insert(bg.written.begin(), r.written.begin(), r.written.end());
  bg.warnings = r.warnings;
  return bg;
}

std::vector<std::string> InterferometryList(const std::string& folder) {
  return ListFiles(folder, "*.orvc");
}

}  // namespace orvek::fourier

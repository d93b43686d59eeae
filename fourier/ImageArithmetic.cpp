#include "fourier/ImageArithmetic.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "core/Output.h"
#include "core/Utils.h"
#include "fourier/Interferometry.h"
#include "fourier/OFFT.h"
#include "measure/Measurement.h"

namespace orvek::fourier {

namespace {

// The floor of the neighbour sum of QuadPx: a sum at or below it means "no neighbours".
constexpr Extended kQuadFloor = 1e-20L;

Status SaveWhole(const OTrame& frame, const std::string& path) {
  return frame.SaveOrv(0, 0, frame.LastX, frame.LastY, path);
}

ArithmeticResult Fail(ArithmeticStatus status, Error error) {
  ArithmeticResult r;
  r.status = status;
  r.error = std::move(error);
  return r;
}

// Writes `frame` into `out` as `name`; the result shows that file.
ArithmeticResult WriteResult(const OTrame& frame, const OutputFolder& out,
                             const std::string& name) {
  const std::string path = OutputPath(out, name);
  Status s = MayWrite(out, path);
  if (s) s = PrepareOutput(out);
  if (s) s = SaveWhole(frame, path);
  if (!s) return Fail(ArithmeticStatus::WriteFailed, s.error);
  ArithmeticResult r;
  r.written.push_back(path);
  r.shown = path;
  return r;
}

Error SecondImageSize(const OTrame& current, const OTrame& second, const char* command) {
  return Error(ErrorCode::SecondImageSize)
      .Field(command)
      .Values({double(second.Width()), double(second.Height()), double(current.Width()),
               double(current.Height())});
}

// The second image is read at the current image's indices: it must be at least as large.
Status CheckCovers(const OTrame& current, const OTrame& second, const char* command) {
  if (second.Width() >= current.Width() && second.Height() >= current.Height()) return Status::Ok();
  return Status::Fail(SecondImageSize(current, second, command));
}

}  // namespace

// ---- QuadPx -----------------------------------------------------------------------------------

Extended QuadPxWeight(Extended k) {
  return std::min(Extended{1}, std::max(Extended{0}, k));
}

Status QuadPxFrame(const OTrame& source, Extended k, OTrame& out) {
  const int64_t X = source.LastX;
  const int64_t Y = source.LastY;
  const int64_t width = 2 * X + 1, height = 2 * Y + 1;
  if (source.Empty()) return Status::Fail(Error(ErrorCode::NoInput));
  if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels) {
    return Status::Fail(Error(ErrorCode::ImageTooLarge)
                            .Values({double(width), double(height), double(kMaxPixels)}));
  }
  out = OTrame();
  out.Allocate(static_cast<int32_t>(width), static_cast<int32_t>(height));
  const Extended w = QuadPxWeight(k);
  for (int64_t x = 1; x <= X - 1; ++x) {
    for (int64_t y = 1; y <= Y - 1; ++y) {
      const Extended C = source.GetPixel(x, y);
      const Extended xm = source.GetPixel(x - 1, y);
      const Extended xp = source.GetPixel(x + 1, y);
      const Extended ym = source.GetPixel(x, y - 1);
      const Extended yp = source.GetPixel(x, y + 1);
      const Extended s = std::max(kQuadFloor, xm + xp + ym + yp);
      // A pixel without (positive) neighbours is split evenly: no sharpening to share out.
      const Extended wp = s == kQuadFloor ? Extended{0} : w;
      const Extended base = (1 - wp) * C / 4;
      const Extended g = (wp / s) * (C / 2);
      const int64_t ox = 2 * (x - 1), oy = 2 * (y - 1);
      out.SetPixel(ox, oy, 4 * ((ym + xp) * g + base));
      out.SetPixel(ox + 1, oy, 4 * ((xm + ym) * g + base));
      out.SetPixel(ox, oy + 1, 4 * ((xp + yp) * g + base));
      out.SetPixel(ox + 1, oy + 1, 4 * ((yp + xm) * g + base));
    }
  }
  return Status::Ok();
}

std::string QuadPxFileName(const std::string& sourcePath) {
  return std::string(kQuadPrefix) + BaseNameOf(sourcePath) + kQuadExtension;
}

ArithmeticResult QuadPx(const OTrame& source, Extended k, const OutputFolder& out) {
  OTrame q;
  const Status s = QuadPxFrame(source, k, q);
  if (!s) return Fail(ArithmeticStatus::TooLarge, s.error);
  return WriteResult(q, out, QuadPxFileName(source.FileName));
}

// ---- Div, Mult, LowPass -----------------------------------------------------------------------

Extended ShiftMinimumToZero(OTrame& frame) {
  Extended m = 0;
  for (const Extended v : frame.Data()) {
    if (v < m) m = v;
  }
  if (m < 0) {
    const Extended lift = -m;
    for (Extended& v : frame.Data()) v = v + lift;
  }
  return m;
}

Status DivideFrame(OTrame& frame, const OTrame& divisor) {
  const Status fits = CheckCovers(frame, divisor, "Div");
  if (!fits) return fits;
  const Extended median = divisor.Median;
  for (int32_t x = 0; x <= frame.LastX; ++x) {
    Extended* column = frame.Column(x);
    const Extended* d = divisor.Column(x);
    for (int32_t y = 0; y <= frame.LastY; ++y) {
      column[y] = d[y] == 0 ? Extended{0} : column[y] * median / d[y];
    }
  }
  ShiftMinimumToZero(frame);
  return Status::Ok();
}

Status MultiplyFrame(OTrame& frame, const OTrame& other) {
  const Status fits = CheckCovers(frame, other, "Mult");
  if (!fits) return fits;
  for (int32_t x = 0; x <= frame.LastX; ++x) {
    Extended* column = frame.Column(x);
    const Extended* d = other.Column(x);
    for (int32_t y = 0; y <= frame.LastY; ++y) column[y] = column[y] * d[y];
  }
  ShiftMinimumToZero(frame);
  return Status::Ok();
}

void LowPassFrame(OTrame& frame) {
  constexpr Extended kCorner = 1.0L / 16;
  constexpr Extended kSide = 1.0L / 8;
  constexpr Extended kCentre = 1.0L / 4;
  const OTrame s = frame;
  for (int32_t x = 2; x <= frame.LastX - 2; ++x) {
    const Extended* left = s.Column(x - 1);
    const Extended* mid = s.Column(x);
    const Extended* right = s.Column(x + 1);
    Extended* out = frame.Column(x);
    for (int32_t y = 2; y <= frame.LastY - 2; ++y) {
      Extended sum = kCorner * left[y - 1];
      sum += kSide * left[y];
      sum += kCorner * left[y + 1];
      sum += kSide * mid[y - 1];
      sum += kCentre * mid[y];
      sum += kSide * mid[y + 1];
      sum += kCorner * right[y - 1];
      sum += kSide * right[y];
      sum += kCorner * right[y + 1];
      out[y] = sum;
    }
  }
  ShiftMinimumToZero(frame);
}

ArithmeticResult DivCommand(const OTrame& current, const OTrame& divisor, const OutputFolder& out) {
  OTrame work = current;
  const Status s = DivideFrame(work, divisor);
  if (!s) return Fail(ArithmeticStatus::SizeMismatch, s.error);
  return WriteResult(work, out, kDivFile);
}

ArithmeticResult MultCommand(const OTrame& current, const OTrame& other, const OutputFolder& out) {
  OTrame work = current;
  const Status s = MultiplyFrame(work, other);
  if (!s) return Fail(ArithmeticStatus::SizeMismatch, s.error);
  return WriteResult(work, out, kMultFile);
}

ArithmeticResult LowPassCommand(const OTrame& current, const OutputFolder& out) {
  OTrame work = current;
  LowPassFrame(work);
  return WriteResult(work, out, kLowPassFile);
}

// ---- Conv -------------------------------------------------------------------------------------

ArithmeticResult ConvCommand(const OTrame& current, const OTrame& second, const OutputFolder& out,
                             WorkerPool* pool) {
  if (!IsCentredSpectrum(current)) {
    return Fail(ArithmeticStatus::WrongSize,
                Error(ErrorCode::NotCentredSize)
                    .Path(current.FileName)
                    .Values({double(current.Width()), double(current.Height())}));
  }
  const int32_t n = current.Width();
  if (current.LastY != second.LastX || second.Empty()) {
    ArithmeticResult r =
        Fail(ArithmeticStatus::SizeMismatch, SecondImageSize(current, second, "Conv"));
    r.silent = true;
    return r;
  }
  if (second.Height() < n) {
    return Fail(ArithmeticStatus::TooFewRows, Error(ErrorCode::TooFewRows)
                                                  .Path(second.FileName)
                                                  .Values({double(second.Height()), double(n)}));
  }
  std::vector<std::string> names(kConvStageFiles.begin(), kConvStageFiles.end());
  if (Status s = MayWriteAll(out, names); !s) return Fail(ArithmeticStatus::WriteFailed, s.error);
  if (Status s = PrepareOutput(out); !s) return Fail(ArithmeticStatus::WriteFailed, s.error);
  // The transform reads the first N rows of the second image.
  OTrame g;
  const OTrame* second2 = &second;
  if (second.Height() != n) {
    g.Allocate(n, n);
    for (int32_t x = 0; x < n; ++x) std::copy_n(second.Column(x), n, g.Column(x));
    second2 = &g;
  }
  OFFT f1(current, pool);
  OFFT f2(*second2, pool);
  OTrame work;
  ArithmeticResult r;
  size_t stage = 0;
  auto write = [&](const OFFT& f) {
    f.WriteToFrame(work, kConvTop);
    const std::string path = OutputPath(out, kConvStageFiles[stage++]);
    const Status s = SaveWhole(work, path);
    if (!s) {
      r = Fail(ArithmeticStatus::WriteFailed, s.error);
      return false;
    }
    r.written.push_back(path);
    return true;
  };
  if (!write(f1) || !write(f2)) return r;
  f1.Transform(false);
  f2.Transform(false);
  if (!write(f1) || !write(f2)) return r;
  f1.MultiplyByConjugate(f2);
  if (!write(f1)) return r;
  f1.Transform(true);
  if (!write(f1)) return r;
  f1.SwapQuadrants();
  if (!write(f1)) return r;
  r.shown = r.written.back();
  return r;
}

}  // namespace orvek::fourier

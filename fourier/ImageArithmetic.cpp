#include "fourier/ImageArithmetic.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

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

ArithmeticResult Fail(ArithmeticStatus status, std::string message) {
  ArithmeticResult r;
  r.status = status;
  r.message = std::move(message);
  return r;
}

// Writes `frame` to folder + name; the result shows that file.
ArithmeticResult WriteResult(const OTrame& frame, const std::string& folder,
                             const std::string& name) {
  const std::string path = folder + name;
  const Status s = SaveWhole(frame, path);
  if (!s) return Fail(ArithmeticStatus::WriteFailed, DebugText(s));
  ArithmeticResult r;
  r.written.push_back(path);
  r.shown = path;
  return r;
}

// The second image is read at the current image's indices: it must be at least as large.
Status CheckCovers(const OTrame& current, const OTrame& second, const char* command) {
  if (second.Width() >= current.Width() && second.Height() >= current.Height()) return Status::Ok();
  return Status::Error(std::string(command) + ": the second image (" + FrameSizeText(second) +
                       ") is smaller than the current image (" + FrameSizeText(current) + ")");
}

}  // namespace

std::string FrameSizeText(const OTrame& frame) {
  return std::to_string(frame.Width()) + " x " + std::to_string(frame.Height());
}

// ---- QuadPx -----------------------------------------------------------------------------------

Extended QuadPxWeight(Extended k) {
  return std::min(Extended{1}, std::max(Extended{0}, k));
}

Status QuadPxFrame(const OTrame& source, Extended k, OTrame& out) {
  const int64_t X = source.LastX;
  const int64_t Y = source.LastY;
  const int64_t width = 2 * X + 1, height = 2 * Y + 1;
  if (source.Empty()) return Status::Error("QuadPx: no image");
  if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels) {
    return Status::Error("QuadPx: the resampled image would be " + std::to_string(width) + " x " +
                         std::to_string(height) + " pixels, more than the " +
                         std::to_string(kMaxPixels) + " pixels an image may hold");
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

ArithmeticResult QuadPx(const OTrame& source, Extended k, const std::string& folder) {
  OTrame q;
  const Status s = QuadPxFrame(source, k, q);
  if (!s) return Fail(ArithmeticStatus::TooLarge, DebugText(s));
  return WriteResult(q, folder, QuadPxFileName(source.FileName));
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

ArithmeticResult DivCommand(const OTrame& current, const OTrame& divisor,
                            const std::string& folder) {
  OTrame work = current;
  const Status s = DivideFrame(work, divisor);
  if (!s) return Fail(ArithmeticStatus::SizeMismatch, DebugText(s));
  return WriteResult(work, folder, kDivFile);
}

ArithmeticResult MultCommand(const OTrame& current, const OTrame& other,
                             const std::string& folder) {
  OTrame work = current;
  const Status s = MultiplyFrame(work, other);
  if (!s) return Fail(ArithmeticStatus::SizeMismatch, DebugText(s));
  return WriteResult(work, folder, kMultFile);
}

ArithmeticResult LowPassCommand(const OTrame& current, const std::string& folder) {
  OTrame work = current;
  LowPassFrame(work);
  return WriteResult(work, folder, kLowPassFile);
}

// ---- Conv -------------------------------------------------------------------------------------

ArithmeticResult ConvCommand(const OTrame& current, const OTrame& second, const std::string& folder,
                             int threads) {
  if (!IsCentredSpectrum(current)) return Fail(ArithmeticStatus::WrongSize, kSizeMessage);
  const int32_t n = current.Width();
  if (current.LastY != second.LastX || second.Empty()) {
    ArithmeticResult r =
        Fail(ArithmeticStatus::SizeMismatch, "Conv: the second image (" + FrameSizeText(second) +
                                                 ") does not match the current image (" +
                                                 FrameSizeText(current) + ")");
    r.silent = true;
    return r;
  }
  if (second.Height() < n) {
    return Fail(ArithmeticStatus::TooFewRows, "Conv: the second image (" + FrameSizeText(second) +
                                                  ") has fewer rows than the current image (" +
                                                  FrameSizeText(current) + ")");
  }
  // The transform reads the first N rows of the second image.
  OTrame g;
  const OTrame* second2 = &second;
  if (second.Height() != n) {
    g.Allocate(n, n);
    for (int32_t x = 0; x < n; ++x) std::copy_n(second.Column(x), n, g.Column(x));
    second2 = &g;
  }
  OFFT f1(current, threads);
  OFFT f2(*second2, threads);
  OTrame work;
  ArithmeticResult r;
  size_t stage = 0;
  auto write = [&](const OFFT& f) {
    f.WriteToFrame(work, kConvTop);
    const std::string path = folder + kConvStageFiles[stage++];
    const Status s = SaveWhole(work, path);
    if (!s) {
      r = Fail(ArithmeticStatus::WriteFailed, DebugText(s));
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

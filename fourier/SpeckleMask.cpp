#include "fourier/SpeckleMask.h"

#include <algorithm>
#include <tuple>

#include "core/Output.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "measure/ReductionTable.h"

namespace orvek::fourier {

namespace {

Status ReadCell(const char* column, const std::string& text, Extended& out) {
  if (ParseNumber(text, out)) return Status::Ok();
  return Status::Fail(Error(ErrorCode::NotANumber).Row(1).Field(column).Text(text));
}

}  // namespace

Status SpeckleShiftFromCells(const std::string& xA, const std::string& yA, const std::string& xB,
                             const std::string& yB, SpeckleShift& out) {
  Extended vxA = 0, vyA = 0, vxB = 0, vyB = 0;
  for (const auto& [column, text, value] :
       {std::tuple{"xA", &xA, &vxA}, std::tuple{"yA", &yA, &vyA}, std::tuple{"xB", &xB, &vxB},
        std::tuple{"yB", &yB, &vyB}}) {
    const Status s = ReadCell(column, *text, *value);
    if (!s) return s;
  }
  out.dx = Nearest(vxB - vxA);
  out.dy = Nearest(vyB - vyA);
  return Status::Ok();
}

Status SpeckleShiftFromTable(const ReductionTable& table, SpeckleShift& out) {
  const Result<MeasuredPair> pair = table.Pair(1, {kColXA, kColYA, kColXB, kColYB});
  if (!pair) return Status::Fail(pair.error());
  out.dx = Nearest(pair->xB - pair->xA);
  out.dy = Nearest(pair->yB - pair->yA);
  return Status::Ok();
}

void SpeckleMaskFrames(const OTrame& image, const SpeckleShift& shift, OTrame& masked,
                       OTrame& averaged) {
  const int64_t X = image.LastX;
  const int64_t Y = image.LastY;
  // Beyond the image any shift gives the same result; the bound keeps x - dx from overflowing.
  constexpr int64_t kFar = int64_t{1} << 40;
  const int64_t dx = std::clamp(shift.dx, -kFar, kFar);
  const int64_t dy = std::clamp(shift.dy, -kFar, kFar);
  masked = image;
  // The shifted copy, then the difference; the last column and row are not visited.
  for (int64_t x = 0; x < X; ++x) {
    for (int64_t y = 0; y < Y; ++y) {
      const int64_t sx = x - dx, sy = y - dy;
      const bool inside = sx >= 0 && sx < X && sy >= 0 && sy < Y;
      masked.Px(static_cast<int32_t>(x), static_cast<int32_t>(y)) =
          inside ? image.GetPixel(sx, sy) : image.Median;
    }
  }
  for (int32_t x = 0; x < X; ++x) {
    for (int32_t y = 0; y < Y; ++y) {
      Extended v = image.Px(x, y) - masked.Px(x, y);
      if (v < 0) v = 0;
      masked.Px(x, y) = v;
    }
  }
  averaged = image;
  const int64_t offset = dx > 0 ? 20 : (dx < 0 ? -20 : 0);
  for (int64_t x = 0; x < X; ++x) {
    const int64_t r = offset + x;
    if (r < 0 || r >= X) continue;
    for (int32_t y = 0; y < Y; ++y) {
      Extended& p = averaged.Px(static_cast<int32_t>(x), y);
      p = (p + masked.Px(static_cast<int32_t>(r), y)) / 2;
    }
  }
}

Status WriteSpeckleMask(const OTrame& image, const std::string& name, const SpeckleShift& shift,
                        const OutputFolder& out, std::vector<std::string>& written) {
  const std::string base = out.dir + BaseNameOf(name);
  for (const char* ext : {kSpeckleOriginalExt, kSpeckleMaskedExt, kSpeckleAveragedExt}) {
    if (Status s = MayWrite(out, base + ext); !s) return s;
  }
  OTrame masked, averaged;
  SpeckleMaskFrames(image, shift, masked, averaged);
  for (const auto& [frame, ext] :
       {std::pair<const OTrame*, const char*>{&image, kSpeckleOriginalExt},
        std::pair<const OTrame*, const char*>{&masked, kSpeckleMaskedExt},
        std::pair<const OTrame*, const char*>{&averaged, kSpeckleAveragedExt}}) {
    const std::string path = base + ext;
    const Status s = frame->SaveOrv(0, 0, frame->LastX, frame->LastY, path);
    if (!s) return s;
    written.push_back(path);
  }
  return Status::Ok();
}

FourierResult SpeckleMaskCommand(const SeriesInput& input, const SpeckleShift& shift,
                                 const OutputFolder& out) {
  FourierResult r;
  const auto failed = [&](const Status& s) {
    r.status = FourierStatus::WriteFailed;
    r.error = s.error;
    return r;
  };
  // In a folder of the user's every file is checked before any is written.
  for (const std::string& path : input.files) {
    for (const char* ext : {kSpeckleOriginalExt, kSpeckleMaskedExt, kSpeckleAveragedExt}) {
      if (Status s = MayWrite(out, out.dir + BaseNameOf(path) + ext); !s) return failed(s);
    }
  }
  if (Status s = PrepareOutput(out); !s) return failed(s);
  if (Status s = ClearOutput(out, "*.*"); !s) return failed(s);
  if (input.files.empty()) {
    r.status = FourierStatus::NothingTicked;
    r.error = Error(ErrorCode::NoInput);
    return r;
  }
  const int count = static_cast<int>(input.files.size());
  for (int i = 0; i < count; ++i) {
    const std::string& path = input.files[static_cast<size_t>(i)];
    OTrame image;
    const LoadResult load = image.LoadFile(path, input.bias, input.fits);
    if (!load.ok()) {
      r.warnings.push_back(ReadFailure(path, load));
      if (input.observer != nullptr) input.observer->Problem(r.warnings.back());
      continue;
    }
    // The command has no STOP: the observer's answer is not looked at.
    if (input.observer != nullptr) input.observer->FrameLoaded(i, count, image);
    const Status s = WriteSpeckleMask(image, FileNameOf(path), shift, out, r.written);
    if (!s) return failed(s);
  }
  if (out.programOwned) {
    const std::vector<std::string> listed = ListFiles(out.dir, "*.orv*");
    if (!listed.empty()) r.shown = out.dir + listed.front();
  } else if (!r.written.empty()) {
    r.shown = r.written.front();
  }
  return r;
}

int64_t PeakCentre(const OTrame& frame) {
  return Nearest((static_cast<Extended>(frame.LastX) + 1) / 2);
}

int SuppressPeak(OTrame& frame, int ring) {
  if (frame.Empty()) return 0;
  ring = std::clamp(ring, 0, 2);
  const int64_t c = PeakCentre(frame);
  int zeroed = 0;
  for (int64_t x = c - ring; x <= c + ring; ++x) {
    for (int64_t y = c - ring; y <= c + ring; ++y) {
      if (x < 0 || y < 0 || x > frame.LastX || y > frame.LastY) continue;
      frame.Px(static_cast<int32_t>(x), static_cast<int32_t>(y)) = 0;
      ++zeroed;
    }
  }
  return zeroed;
}

}  // namespace orvek::fourier

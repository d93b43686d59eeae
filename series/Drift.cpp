#include "series/Drift.h"

#include <cmath>
#include <filesystem>
#include <set>

#include "core/Output.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "measure/OMat.h"
#include "measure/ReductionTable.h"

namespace orvek {

DriftLine FitDriftLine(const std::vector<DriftPoint>& points) {
  DriftLine line;
  line.points = static_cast<int>(points.size());
  Extended n = 0, sx = 0, sy = 0, sxy = 0, sx2 = 0;
  std::set<Extended> distinctX;
  for (const DriftPoint& p : points) {
    n += 1;
    sx += p.x;
    sy += p.y;
    sxy += p.x * p.y;
    sx2 += p.x * p.x;
    distinctX.insert(p.x);
  }
  line.D = n * sx2 - sx * sx;
  // With all x equal, rounding can leave D a tiny non-zero number: test the points too.
  if (distinctX.size() < 2 || line.D == 0 || !std::isfinite(line.D)) {
    line.status = Status::Fail(Error(ErrorCode::DriftImpossible));
    return line;
  }
  line.a = (n * sxy - sx * sy) / line.D;
  line.b = (sy * sx2 - sx * sxy) / line.D;
  if (!std::isfinite(line.a) || !std::isfinite(line.b)) {
    line.status = Status::Fail(Error(ErrorCode::DriftImpossible));
    line.a = line.b = 0;
  }
  return line;
}

DriftOrientation OrientationFromDialog(DriftDialogResult result) {
  DriftOrientation o;
  o.eastLeft = result == DriftDialogResult::Yes || result == DriftDialogResult::Ok;
  o.northUp = result == DriftDialogResult::Yes || result == DriftDialogResult::No;
  return o;
}

bool ParseDriftOrientation(const std::string& text, DriftOrientation& out) {
  const auto comma = text.find(',');
  if (comma == std::string::npos) return false;
  const std::string parts[2] = {Trim(text.substr(0, comma)), Trim(text.substr(comma + 1))};
  bool vertical = false, horizontal = false;
  DriftOrientation o;
  for (const std::string& p : parts) {
    if ((p == "ns" || p == "sn") && !vertical) {
      o.northUp = p == "ns";
      vertical = true;
    } else if ((p == "ew" || p == "we") && !horizontal) {
      o.eastLeft = p == "ew";
      horizontal = true;
    } else {
      return false;
    }
  }
  out = o;
  return true;
}

DriftEnds DriftLineEnds(const DriftLine& line, bool eastLeft, int32_t lastX) {
  const DriftPoint left{0, line.b};
  const DriftPoint right{static_cast<Extended>(lastX), lastX * line.a + line.b};
  return eastLeft ? DriftEnds{left, right} : DriftEnds{right, left};
}

DriftSegment DriftLineSegment(const DriftLine& line, int32_t lastX) {
  DriftSegment s;
  s.x1 = 0;
  s.y1 = Nearest32(line.b);
  s.x2 = lastX;
  s.y2 = Nearest32(lastX * line.a + line.b);
  return s;
}

DriftTrailResult DriftTrail(const OTrame& frame, const rStarPos& capturedA,
                            const rStarPos& capturedB, const MeasureSettings& settings) {
  DriftTrailResult result;
  result.lastX = frame.LastX;
  const Extended dx = capturedB.X - capturedA.X;
  const Extended dy = capturedB.Y - capturedA.Y;
  if (dx == 0 || !std::isfinite(dx) || !std::isfinite(dy) || frame.Empty()) {
    result.status = Status::Fail(Error(ErrorCode::DriftImpossible));
    return result;
  }
  result.a0 = dy / dx;
  result.b0 = capturedA.Y - result.a0 * capturedA.X;
  const rStarPos& left = capturedA.X < capturedB.X ? capturedA : capturedB;
  const rStarPos& right = capturedA.X < capturedB.X ? capturedB : capturedA;

  OMat window;
  result.current = MeasureOnce(frame, window, left, settings).point;
  // Columns outside the frame hold no trail: the walk is bounded by the frame's width.
  const int64_t from = std::max<int64_t>(Nearest(left.X), 0);
  const int64_t to = std::min<int64_t>(Nearest(right.X), frame.LastX);
  DriftPoint previous{0, 0};
  for (int64_t c = from; c <= to; ++c) {
    const Extended x = static_cast<Extended>(c);
    const rStarPos onLine = Point(x, result.a0 * x + result.b0);
    const rStarPos first = MeasureOnce(frame, window, onLine, settings).point;
    result.current = MeasureOnce(frame, window, first, settings).point;
    ++result.columns;
    if (result.current.X != previous.x || result.current.Y != previous.y) {
      previous = DriftPoint{result.current.X, result.current.Y};
      result.points.push_back(previous);
    }
  }
  result.line = FitDriftLine(result.points);
  result.status = result.line.status;
  return result;
}

SyntheticDriftResult SyntheticDrift(const std::vector<SeriesItem>& items,
                                    const LoadContext& context, const OutputFolder& output,
                                    const std::string& imageName, SeriesObserver& observer) {
  SyntheticDriftResult result;
  const int firstIndex = FirstTickedIndex(items);
  if (firstIndex < 0) {
    result.status = Status::Fail(Error(ErrorCode::NoInput));
    return result;
  }
  const std::string imagePath = OutputPath(output, imageName);
  // The working folder's earlier image goes at once; a file of the user's is refused before
  // any frame is read (unless overwrite) and only ever replaced by the new image.
  Status ready = MayWrite(output, imagePath);
  if (ready) ready = PrepareOutput(output);
  if (ready && output.programOwned) ready = RemoveFile(imagePath);
  if (!ready) {
    result.status = ready;
    return result;
  }

  OTrame scratch;
  const std::string& firstPath = items[static_cast<size_t>(firstIndex)].path;
  const LoadResult firstRead =
      scratch.LoadFile(firstPath, nullptr, context.fits, nullptr, nullptr, context.frames);
  if (!firstRead.ok()) {
    result.status = Status::Fail(ReadFailure(firstPath, firstRead));
    return result;
  }
  scratch.ClearPixels();

  const int count = static_cast<int>(items.size());
  LoadedFrame loaded;
  for (int p = 0; p < count; ++p) {
    const SeriesItem& item = items[static_cast<size_t>(p)];
    if (!item.ticked) continue;
    const LoadResult read = LoadAndMeasure(item.path, context, loaded);
    observer.FrameLoaded(p, count, loaded.frame);
    if (!read.ok()) {
      // Counting it would repeat the star of the frame before.
      result.warnings.push_back(ReadFailure(item.path, read));
      observer.Problem(result.warnings.back());
      continue;
    }
    const Extended x = loaded.star.point.X;
    const Extended y = loaded.star.point.Y;
    result.points.push_back(DriftPoint{x, y});
    const int64_t lastX = loaded.frame.LastX;
    const int64_t lastY = loaded.frame.LastY;
    const int64_t row = Nearest(y);
    const int64_t column = Nearest(x);
    for (int64_t i = std::max<int64_t>(0, Nearest(x - 5)); i <= std::min(lastX, Nearest(x + 5));
         ++i)
      scratch.SetPixel(i, row, 255);
    for (int64_t j = std::max<int64_t>(0, Nearest(y - 5)); j <= std::min(lastY, Nearest(y + 5));
         ++j)
      scratch.SetPixel(column, j, 255);
  }

  if (Status s = scratch.SaveOrv(0, 0, scratch.LastX, scratch.LastY, imagePath); !s) {
    result.status = s;
    return result;
  }
  result.imagePath = imagePath;
  result.lastX = scratch.LastX;
  LoadAndMeasure(imagePath, context, result.shown);
  result.line = FitDriftLine(result.points);
  result.status = result.line.status;
  return result;
}

namespace {

/// txtDelta as text and as a number.
void ReadDelta(const ReductionTable& table, FeedResult& result) {
  result.delta = table.Field(ReductionField::txtDelta);
  Extended delta = 0;
  if (ParseNumber(result.delta, delta))
    result.deltaDeg = static_cast<double>(delta);
  else
    result.deltaDeg.reset();
}

}  // namespace

FeedResult FeedCalibration(ReductionTable& table, const DriftLine& fit, bool eastLeft, bool northUp,
                           int32_t lastX, const rStarPos& current, const std::string& framePath) {
  FeedResult result;
  ReadDelta(table, result);
  if (!fit.status) {
    result.status = fit.status;
    return result;
  }
  if (lastX < 1) {
    // Both ends would be the same point: no direction.
    result.status = Status::Fail(Error(ErrorCode::DriftImpossible));
    return result;
  }
  const std::string eps = table.Field(ReductionField::txtEps);
  const std::string rho = table.Field(ReductionField::txtRho);
  const std::string theta = table.Field(ReductionField::txtTheta);
  const std::string sigTh = table.Field(ReductionField::sigTh);
  const std::string sigRh = table.Field(ReductionField::sigRh);
  const std::string dm = table.Field(ReductionField::txtDm);
  const ReductionMode mode = table.Mode();

  table.RAZ();
  if ((table.Button2() == "E") != eastLeft) table.ToggleEW();
  if ((table.Button1() == "N") != northUp) table.ToggleNS();
  table.EditField(ReductionField::txtTheta, "270");
  table.SetMode(ReductionMode::Etalonnage);
  // The calibration mode divides the known rho by each separation; an empty or non-numeric
  // known rho would stop the computation before Delta. Any number serves: rho and Epsilon
  // are put back afterwards.
  Extended known = 0;
  if (!ParseNumber(table.Field(ReductionField::txtRho), known)) {
    table.EditField(ReductionField::txtRho, "1");
  }

  result.ends = DriftLineEnds(fit, eastLeft, lastX);
  rStarPos point = current;
  point.X = result.ends.east.x;
  point.Y = result.ends.east.y;
  table.SaveCentroid(point, framePath);
  point.X = result.ends.west.x;
  point.Y = result.ends.west.y;
  const RecomputeResult computed = table.SaveCentroid(point, framePath);
  result.status = computed.status;

  table.RAZ();
  table.SetMode(mode);
  table.EditField(ReductionField::txtEps, eps);
  table.EditField(ReductionField::txtRho, rho);
  table.EditField(ReductionField::txtTheta, theta);
  table.EditField(ReductionField::sigTh, sigTh);
  table.EditField(ReductionField::sigRh, sigRh);
  table.EditField(ReductionField::txtDm, dm);
  table.RefreshZoomCent(current);
  ReadDelta(table, result);
  return result;
}

}  // namespace orvek

#pragma once
// Helpers of the measurement-table tests: measurements, pairs, and a synthetic double-star
// series written as ORV frames.

#include <string>
#include <vector>

#include "core/OTrame.h"
#include "core/Types.h"
#include "measure/ReductionTable.h"

namespace orvek::test {

/// A measurement as the main window's CurrentPoint holds it.
inline rStarPos Meas(Extended x, Extended y, Extended value = 1000, int count = 10) {
  rStarPos p;
  p.X = x;
  p.Y = y;
  p.Value = value;
  p.Count = count;
  return p;
}

/// Enters A then B as one row (two right clicks).
inline RecomputeResult AddPair(ReductionTable& t, Extended xA, Extended yA, Extended xB,
                               Extended yB, const std::string& path = "/data/f.fit",
                               Extended intA = 1000, Extended intB = 1000, int nA = 10,
                               int nB = 10) {
  t.SaveCentroid(Meas(xA, yA, intA, nA), path);
  return t.SaveCentroid(Meas(xB, yB, intB, nB), path);
}

/// A synthetic double star: A and B Moffat stars (FWHM 3.5 px) on a flat sky of 100 with
/// a fixed pseudo-random noise of +-3, B at position angle `thetaDeg` (north up, east left)
/// and separation `rhoPx` from A. Frame k has A at (ax0 + 0.4 k, ay0 - 0.3 k).
struct SyntheticSeries {
  std::vector<std::string> files;
  double ax0 = 70.3, ay0 = 85.6;
  double dx = 0, dy = 0;  ///< offset of B from A in pixels
};

SyntheticSeries WriteDoubleStarSeries(const std::string& folder, int frames, double thetaDeg,
                                      double rhoPx, double peakA = 10000, double peakB = 4000);

}  // namespace orvek::test

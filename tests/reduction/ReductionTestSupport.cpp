#include "reduction/ReductionTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "support/TestSupport.h"

namespace orvek::test {

SyntheticSeries WriteDoubleStarSeries(const std::string& folder, int frames, double thetaDeg,
                                      double rhoPx, double peakA, double peakB) {
  SyntheticSeries s;
  const double t = thetaDeg * 3.14159265358979323846 / 180.0;
  // North up, east left: B lies at -sin(theta) rho in x and -cos(theta) rho in y.
  s.dx = -std::sin(t) * rhoPx;
  s.dy = -std::cos(t) * rhoPx;
  uint32_t seed = 12345;
  for (int k = 0; k < frames; ++k) {
    OTrame f = MakeFrame(160, 160, 100);
    for (Extended& v : f.Data()) {
      seed = seed * 1664525u + 1013904223u;
      v += static_cast<Extended>((seed >> 8) % 601) / 100.0L - 3.0L;
    }
    const double ax = s.ax0 + 0.4 * k;
    const double ay = s.ay0 - 0.3 * k;
    AddMoffat(f, ax, ay, peakA, 3.5);
    AddMoffat(f, ax + s.dx, ay + s.dy, peakB, 3.5);
    char name[32];
    std::snprintf(name, sizeof name, "pair_%02d.orv", k + 1);
    const std::string path = folder + name;
    const Status st = f.SaveOrv(0, 0, f.LastX, f.LastY, path);
    EXPECT_TRUE(st.ok) << st.message;
    s.files.push_back(path);
  }
  return s;
}

}  // namespace orvek::test

#include <gtest/gtest.h>

#include "core/OTrame.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

Rgb RenderOne(Extended v, bool log, bool colour, int lut, Extended low, Extended high) {
  OTrame f = test::MakeFrame(1, 1, v);
  const Raster r = f.Render(log, colour, lut, low, high);
  const uint8_t* p = r.Row(0);
  return {p[2], p[1], p[0]};  // bytes are B, G, R
}

TEST(Render, GreyScaleWithHalvesToEven) {
  // h = 255 / 510 = 0.5: 101 gives 50.5, which goes to 50.
  EXPECT_EQ(RenderOne(101, false, false, 10, 0, 510), (Rgb{50, 50, 50}));
  EXPECT_EQ(RenderOne(103, false, false, 10, 0, 510), (Rgb{52, 52, 52}));  // 51.5 -> 52
  EXPECT_EQ(RenderOne(-5, false, false, 10, 0, 510), (Rgb{0, 0, 0}));
  EXPECT_EQ(RenderOne(9999, false, false, 10, 0, 510), (Rgb{255, 255, 255}));
}

TEST(Render, EqualThresholdsUseFactorOne) {
  EXPECT_EQ(RenderOne(103, false, false, 10, 100, 100), (Rgb{3, 3, 3}));
}

TEST(Render, LogarithmicGreyAppliesTheCurveTwice) {
  // L = 255 / log10(255). m = 100: nearest(L log10(101)) = 212, then nearest(L log10(212)) = 247.
  EXPECT_EQ(RenderOne(100, true, false, 10, 0, 255), (Rgb{247, 247, 247}));
  EXPECT_EQ(RenderOne(0, true, false, 10, 0, 255), (Rgb{0, 0, 0}));
  EXPECT_EQ(RenderOne(255, true, false, 10, 0, 255), (Rgb{255, 255, 255}));
}

TEST(Render, FalseColourBands) {
  // lut 10: k = 0; with low 0 and high 1000: wR = 900, wG = 200, wB = 400.
  EXPECT_EQ(RenderOne(-1, false, true, 10, 0, 1000), (Rgb{0, 0, 0}));
  EXPECT_EQ(RenderOne(1001, false, true, 10, 0, 1000), (Rgb{255, 0, 0}));
  EXPECT_EQ(RenderOne(1000, false, true, 10, 0, 1000), (Rgb{255, 0, 0}));
  // R = nearest(51 x 2.55 = 130.05) = 130; G = nearest(751 x 255 / 700) = 274 > 255 -> 0 -> 8;
  // B = nearest(951 x 255 / 400) = 606 -> 255.
  EXPECT_EQ(RenderOne(951, false, true, 10, 0, 1000), (Rgb{130, 8, 255}));
  // R floor 8; G = nearest(600 x 255 / 700 = 218.6) = 219 >= 200: done, B = 0.
  EXPECT_EQ(RenderOne(800, false, true, 10, 0, 1000), (Rgb{8, 219, 0}));
  // G = nearest(109.3) = 109; B = nearest(318.75) = 319 -> 255.
  EXPECT_EQ(RenderOne(500, false, true, 10, 0, 1000), (Rgb{8, 109, 255}));
  // G negative -> 8; B = nearest(63.75) = 64.
  EXPECT_EQ(RenderOne(100, false, true, 10, 0, 1000), (Rgb{8, 8, 64}));
}

TEST(Render, RasterShowsFrameRowsFromTheTop) {
  OTrame f = test::MakeFrame(2, 3, 0);
  f.Px(1, 2) = 255;
  const Raster r = f.Render(false, false, 10, 0, 255);
  ASSERT_EQ(r.width, 2);
  ASSERT_EQ(r.height, 3);
  EXPECT_EQ(r.Row(2)[3], 255);
  EXPECT_EQ(r.Row(0)[3], 0);
}

}  // namespace
}  // namespace orvek

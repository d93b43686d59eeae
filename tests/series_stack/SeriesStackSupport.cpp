#include "series_stack/SeriesStackSupport.h"

#include <gtest/gtest.h>

namespace orvek::test {

std::string WriteFitsFrame(const OTrame& frame, const std::string& path) {
  const Status s = frame.SaveFits(path, 2, 0, 0);
  EXPECT_TRUE(s.ok) << s.message;
  return path;
}

OTrame StarFrame(int width, int height, double x, double y, double peak, double background) {
  OTrame frame = MakeFrame(width, height, background);
  AddMoffat(frame, x, y, peak, 3.0);
  return frame;
}

}  // namespace orvek::test

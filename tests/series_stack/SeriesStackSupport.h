#pragma once
// Helpers of the series tests: frames written as 16-bit FITS files, small frames of chosen
// values, and an observer that records what the loops report.

#include <string>
#include <vector>

#include "core/OTrame.h"
#include "core/Progress.h"
#include "support/TestSupport.h"

namespace orvek::test {

/// Writes the frame as an unscaled 16-bit FITS file (values rounded to integers).
std::string WriteFitsFrame(const OTrame& frame, const std::string& path);

/// A frame of background `background` with a Moffat star (FWHM 3) of peak `peak` at (x, y).
OTrame StarFrame(int width, int height, double x, double y, double peak, double background = 100);

/// Records the frames, progress and warnings a loop reports; can stop at a given frame.
class RecordingObserver : public SeriesObserver {
 public:
  int stopAtFrame = -1;  ///< FrameLoaded returns false when called with this index
  std::vector<int> frames;
  std::vector<std::string> warnings;
  int progressCalls = 0;
  bool FrameLoaded(int index, int count, const OTrame& frame) override {
    frames.push_back(index);
    return index != stopAtFrame;
  }
  bool Progress(int done, int total) override {
    ++progressCalls;
    return true;
  }
  void Warning(const std::string& text) override { warnings.push_back(text); }
  std::vector<Error> problems;
  void Problem(const Error& error) override { problems.push_back(error); }
};

}  // namespace orvek::test

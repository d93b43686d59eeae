#pragma once
// Helpers of the Fourier tests: frames written to ORV files, a recording observer, and the
// reference autocorrelation and cross-correlation of a series.

#include <string>
#include <vector>

#include "core/OTrame.h"
#include "core/Progress.h"
#include "core/Utils.h"
#include "fourier/ReferenceFft.h"

namespace orvek::test {

/// Writes a frame as an ORV file and returns the path.
inline std::string WriteOrv(const OTrame& frame, const std::string& path) {
  const Status s = frame.SaveOrv(0, 0, frame.LastX, frame.LastY, path);
  if (!s) throw std::runtime_error(DebugText(s.error));
  return path;
}

inline OTrame LoadOrv(const std::string& path) {
  OTrame f;
  const LoadResult r = f.LoadFile(path);
  if (!r.ok()) throw std::runtime_error(path + ": " + r.message);
  return f;
}

/// Counts frames and presses STOP at a given frame.
class RecordingObserver : public SeriesObserver {
 public:
  int stopAt = -1;  ///< index at which FrameLoaded returns false
  int frames = 0;
  std::vector<std::string> warnings;
  bool FrameLoaded(int index, int, const OTrame&) override {
    ++frames;
    return index != stopAt;
  }
  void Warning(const std::string& text) override { warnings.push_back(text); }
  std::vector<Error> problems;
  void Problem(const Error& error) override { problems.push_back(error); }
};

/// The centred autocorrelation of a series by the mean-power-spectrum method, computed with the
/// straightforward transform: sum of |FFT|^2, transformed, swapped, scaled to 65535.
inline std::vector<long double> ReferenceAutocorrelation(const std::vector<OTrame>& frames) {
  const int n = frames[0].Width();
  ReferenceFft acc(n);
  for (const OTrame& f : frames) {
    ReferenceFft t(n);
    t.real.assign(f.Data().begin(), f.Data().end());
    t.Transform(false);
    t.ToPowerSpectrum();
    for (size_t i = 0; i < acc.real.size(); ++i) acc.real[i] = acc.real[i] + t.real[i];
  }
  acc.Transform(false);
  acc.SwapQuadrants();
  return acc.Scaled(65535);
}

}  // namespace orvek::test

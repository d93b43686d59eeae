#pragma once
// Synthetic speckle series of a double star, for the tests and the benchmark of the close-pair
// measurement. Each frame is the pair seen through its own random Kolmogorov phase screen: the
// screen (white noise filtered to a k^-11/3 power spectrum with FFTW) lies over a circular
// pupil, the point-spread function is |FFT(pupil x exp(i phase))|^2, and the companion is the
// same function shifted by (dx, dy) through a linear phase ramp in the pupil (an exact
// sub-pixel shift) and scaled by 10^(-0.4 dm). Sky, photon and read noise are added and the
// values rounded to 16-bit samples.
//
// Pixels: column x to the right, row y downwards, 0-based; the companion B lies at A + (dx, dy).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/OTrame.h"

namespace orvek::speckletest {

struct SpeckleScene {
  int width = 96;  ///< frame size in pixels
  int height = 80;
  double ax = 48;  ///< primary A without turbulence (whole pixels)
  double ay = 40;
  double dx = 6;  ///< companion B - A in pixels
  double dy = -3;
  double dm = 0.8;             ///< magnitude difference B - A (0: equal components)
  double lambdaOverDPx = 2.6;  ///< diffraction scale lambda / D in pixels
  double dOverR0 = 5;          ///< telescope diameter over Fried's parameter
  double fluxA = 4.0e5;        ///< photons of A per frame
  double sky = 40;             ///< sky photons per pixel
  double readNoise = 3;        ///< read noise (counts rms)
  uint64_t seed = 1;
};

/// Frames of a scene one after another, reproducibly from the seed.
class SpeckleGenerator {
 public:
  explicit SpeckleGenerator(const SpeckleScene& scene);
  ~SpeckleGenerator();
  SpeckleGenerator(const SpeckleGenerator&) = delete;
  SpeckleGenerator& operator=(const SpeckleGenerator&) = delete;

  /// The next frame: width x height samples, row y top first, x inner.
  std::vector<uint16_t> Next();
  /// The frame of the pair without turbulence or noise (for checking the generator itself).
  std::vector<double> Diffraction();

  const SpeckleScene& Scene() const { return m_scene; }

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
  SpeckleScene m_scene;
};

/// A frame of samples (row y top first) as an OTrame with statistics and star, as LoadFile
/// leaves a loaded frame.
OTrame FrameFromSamples(const std::vector<uint16_t>& samples, int width, int height);

/// Writes `count` frames of the scene as a 16-bit little-endian SER video, frame by frame
/// (the file never sits whole in memory). With `ticks0` > 0 a trailer of time stamps follows:
/// ticks0 + k x tickStep (100 ns ticks) for frame k.
void WriteSpeckleSer(const std::string& path, const SpeckleScene& scene, int count,
                     int64_t ticks0 = 0, int64_t tickStep = 0);

}  // namespace orvek::speckletest

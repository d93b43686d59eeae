#pragma once
// Frames of the close-pair tests: a series held in memory, served as a frame source.

#include <memory>
#include <vector>

#include "core/OTrame.h"
#include "series/FrameSource.h"
#include "speckle/SpecklePair.h"
#include "speckle/SyntheticSpeckle.h"

namespace orvek::speckletest {

/// Frames held in memory; Opener() gives a fresh source over them for every pass.
class FramesInMemory {
 public:
  explicit FramesInMemory(std::vector<OTrame> frames) : m_frames(std::move(frames)) {}
  speckle::SpeckleFrameOpener Opener();
  /// Sources opened so far.
  int Passes() const { return m_passes; }

 private:
  std::vector<OTrame> m_frames;
  int m_passes = 0;
};

/// `count` frames of the scene.
std::vector<OTrame> SceneFrames(const SpeckleScene& scene, int count);

}  // namespace orvek::speckletest

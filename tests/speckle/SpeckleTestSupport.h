#pragma once
// Frames of the close-pair tests: a series held in memory, and a SER video read frame by frame,
// both served to the measurement as it reads them.

#include <memory>
#include <string>
#include <vector>

#include "core/OTrame.h"
#include "fourier/SpecklePair.h"
#include "series/SerReader.h"
#include "speckle/SyntheticSpeckle.h"

namespace orvek::speckletest {

/// Frames held in memory, served in order at every pass.
class FramesInMemory : public fourier::SpeckleFrames {
 public:
  explicit FramesInMemory(std::vector<OTrame> frames) : m_frames(std::move(frames)) {}
  int64_t Count() const override { return static_cast<int64_t>(m_frames.size()); }
  Result<void> Rewind() override {
    m_next = 0;
    ++m_passes;
    return {};
  }
  Result<bool> Next(OTrame& frame) override {
    if (m_next >= m_frames.size()) return false;
    frame = m_frames[m_next++];
    return true;
  }
  int Passes() const { return m_passes; }

 private:
  std::vector<OTrame> m_frames;
  size_t m_next = 0;
  int m_passes = 0;
};

/// The frames of a grey SER video, one at a time.
class SerFrames : public fourier::SpeckleFrames {
 public:
  explicit SerFrames(const std::string& path);
  int64_t Count() const override { return m_reader.Header().frameCount; }
  Result<void> Rewind() override {
    m_next = 0;
    return {};
  }
  Result<bool> Next(OTrame& frame) override;

 private:
  SerReader m_reader;
  std::vector<uint16_t> m_samples;
  int64_t m_next = 0;
};

/// `count` frames of the scene.
std::vector<OTrame> SceneFrames(const SpeckleScene& scene, int count);

}  // namespace orvek::speckletest

#include "speckle/SpeckleTestSupport.h"

#include <gtest/gtest.h>

namespace orvek::speckletest {

SerFrames::SerFrames(const std::string& path) {
  const Status s = m_reader.Open(path);
  EXPECT_TRUE(s.ok) << s.message;
}

Result<bool> SerFrames::Next(OTrame& frame) {
  const SerHeader& h = m_reader.Header();
  if (m_next >= h.frameCount) return false;
  if (const Status s = m_reader.ReadFrame(m_next++, m_samples); !s) {
    return Unexpected(s.error);
  }
  frame = FrameFromSamples(m_samples, h.width, h.height);
  return true;
}

std::vector<OTrame> SceneFrames(const SpeckleScene& scene, int count) {
  SpeckleGenerator generator(scene);
  std::vector<OTrame> frames;
  for (int k = 0; k < count; ++k) {
    frames.push_back(FrameFromSamples(generator.Next(), scene.width, scene.height));
  }
  return frames;
}

}  // namespace orvek::speckletest

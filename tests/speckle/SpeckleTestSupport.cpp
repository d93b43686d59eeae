#include "speckle/SpeckleTestSupport.h"

namespace orvek::speckletest {

namespace {
class Source : public FrameSource {
 public:
  explicit Source(const std::vector<OTrame>& frames) : m_frames(frames) {}
  int64_t Count() const override { return static_cast<int64_t>(m_frames.size()); }
  Result<bool> Next(SourceFrame& out) override {
    if (m_next >= m_frames.size()) return false;
    out.frame = m_frames[m_next];
    out.number = static_cast<int64_t>(m_next++);
    return true;
  }

 private:
  const std::vector<OTrame>& m_frames;
  size_t m_next = 0;
};
}  // namespace

speckle::SpeckleFrameOpener FramesInMemory::Opener() {
  return [this]() -> Result<std::unique_ptr<FrameSource>> {
    ++m_passes;
    return std::unique_ptr<FrameSource>(std::make_unique<Source>(m_frames));
  };
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

#include "measure/FrameLoader.h"

#include "core/Utils.h"

namespace orvek {

LoadResult LoadAndMeasure(const std::string& path, const LoadContext& context, LoadedFrame& out) {
  const bool provided = context.frames != nullptr && context.frames->Provides(path);
  if (!provided && !FileExists(path)) {
    out.result = LoadResult{LoadStatus::Error, "File not found", false, {}};
    return out.result;
  }
  out.frame = OTrame();
  out.result =
      out.frame.LoadFile(path, context.bias, context.fits, nullptr, nullptr, context.frames);
  if (out.result.ok()) {
    out.star = MeasureAt(out.frame, out.window, out.frame.Star, context.measure);
  }
  return out.result;
}

}  // namespace orvek

#include "series/Thumbnails.h"

#include <algorithm>
#include <cstring>

#include "core/BmpWriter.h"
#include "core/Rounding.h"
#include "core/Utils.h"

namespace orvek {

std::string ThumbnailPath(const std::string& folder, const std::string& itemPath) {
  return folder + BaseNameOf(itemPath) + ".bmp";
}

Raster MakeThumbnail(const Raster& rendered, Extended x, Extended y) {
  constexpr int kSource = 2 * kThumbnailHalf + 1;
  Raster out(kThumbnailSide, kThumbnailSide);
  const int64_t left = Nearest(x) - kThumbnailHalf;
  const int64_t top = Nearest(y) - kThumbnailHalf;
  for (int v = 0; v < kThumbnailSide; ++v) {
    const int64_t sy = top + (2 * v + 1) * kSource / (2 * kThumbnailSide);
    if (sy < 0 || sy >= rendered.height) continue;
    const uint8_t* srcRow = rendered.Row(static_cast<int>(sy));
    uint8_t* dstRow = out.Row(v);
    for (int u = 0; u < kThumbnailSide; ++u) {
      const int64_t sx = left + (2 * u + 1) * kSource / (2 * kThumbnailSide);
      if (sx < 0 || sx >= rendered.width) continue;
      std::memcpy(dstRow + 3 * u, srcRow + 3 * sx, 3);
    }
  }
  return out;
}

Status WriteThumbnail(const Raster& rendered, Extended x, Extended y, const std::string& path) {
  return WriteBmp24(path, MakeThumbnail(rendered, x, y));
}

ThumbnailsResult MakeThumbnails(const std::vector<SeriesItem>& items, const LoadContext& context,
                                const FrameRenderer& render, const OutputFolder& folder,
                                SeriesObserver& observer) {
  ThumbnailsResult result;
  if (items.empty()) {
    result.status = Status::Fail(Error(ErrorCode::NoInput));
    return result;
  }
  Status ready = PrepareOutput(folder);
  for (size_t i = 0; ready && i < items.size(); ++i)
    ready = MayWrite(folder, ThumbnailPath(folder.dir, items[i].path));
  if (ready) ready = ClearOutput(folder, "*.bmp");
  if (!ready) {
    result.status = ready;
    return result;
  }
  const int count = static_cast<int>(items.size());
  LoadedFrame loaded;
  for (int i = 0; i < count; ++i) {
    const std::string& path = items[static_cast<size_t>(i)].path;
    const LoadResult read = LoadAndMeasure(path, context, loaded);
    observer.FrameLoaded(i, count, loaded.frame);
    if (!read.ok()) {
      result.warnings.push_back(ReadFailure(path, read));
      observer.Problem(result.warnings.back());
      continue;
    }
    const Raster picture = render ? render(loaded) : Raster();
    const std::string out = ThumbnailPath(folder.dir, path);
    const Status written = WriteThumbnail(picture, loaded.star.point.X, loaded.star.point.Y, out);
    if (written) {
      result.written.push_back(out);
    } else {
      result.warnings.push_back(written.error);
      observer.Problem(written.error);
    }
  }
  result.showPath = items.front().path;
  return result;
}

int VisuSelectorMax(int count) {
  // Integer division truncating towards zero: an empty list gives (-1) div 50 = 0.
  return kThumbnailsPerPage * ((count - 1) / kThumbnailsPerPage);
}

VisuPage MakeVisuPage(int start, int count) {
  VisuPage page;
  page.start = start;
  page.itemIndex.assign(kThumbnailsPerPage, -1);
  for (int n = 0; n < kThumbnailsPerPage; ++n) {
    const int k = start + n;
    if (k >= 0 && k < count) page.itemIndex[static_cast<size_t>(n)] = k;
  }
  page.lastNumber = std::min(start + kThumbnailsPerPage - 1, count - 1) + 1;
  page.firstNumber = start + 1;
  return page;
}

int VisuClickIndex(int start, int n, int count) {
  if (n < 0 || n >= kThumbnailsPerPage) return -1;
  const int k = start + n;
  return (k >= 0 && k < count) ? k : -1;
}

}  // namespace orvek

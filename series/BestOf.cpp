#include "series/BestOf.h"

#include <utility>

#include "core/Utils.h"

namespace orvek {

std::vector<SeriesItem> TickedItems(const std::vector<std::string>& paths) {
  std::vector<SeriesItem> items;
  items.reserve(paths.size());
  for (const std::string& p : paths) items.push_back(SeriesItem{p, true});
  return items;
}

int CountTicked(const std::vector<SeriesItem>& items) {
  int n = 0;
  for (const SeriesItem& item : items) n += item.ticked ? 1 : 0;
  return n;
}

int FirstTickedIndex(const std::vector<SeriesItem>& items) {
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].ticked) return static_cast<int>(i);
  }
  return -1;
}

Extended ScoreSignalToNoise(const LoadedFrame& loaded) {
  Extended noise = loaded.frame.Mean + loaded.frame.Sigma;
  if (noise == 0) noise = 1;
  return loaded.star.point.Value / noise;
}

Extended ScoreMax(const LoadedFrame& loaded) {
  return loaded.frame.Star.Value;
}

Extended Score(const LoadedFrame& loaded, BestOfMode mode) {
  return mode == BestOfMode::Max ? ScoreMax(loaded) : ScoreSignalToNoise(loaded);
}

void SortDescendingByScore(std::vector<Extended>& scores, std::vector<int>& order) {
  const size_t count = scores.size();
  if (count < 2 || order.size() != count) return;
  size_t gap = count;
  do {
    gap /= 2;
    bool exchanged = true;
    while (exchanged) {
      exchanged = false;
      for (size_t i = 0; i + gap < count; ++i) {
        if (scores[i + gap] > scores[i]) {
          std::swap(scores[i], scores[i + gap]);
          std::swap(order[i], order[i + gap]);
          exchanged = true;
        }
      }
    }
  } while (gap != 1);
}

BestOfResult SortBestOf(const std::vector<SeriesItem>& items, BestOfMode mode,
                        const LoadContext& context, SeriesObserver& observer) {
  BestOfResult result;
  result.items = items;
  result.order.resize(items.size());
  for (size_t i = 0; i < items.size(); ++i) result.order[i] = static_cast<int>(i);
  const int count = static_cast<int>(items.size());
  if (count < 2) return result;

  std::vector<Extended> scores(items.size(), kUnreadableScore);
  LoadedFrame loaded;
  for (int i = 0; i < count; ++i) {
    const std::string& path = items[static_cast<size_t>(i)].path;
    const LoadResult read = LoadAndMeasure(path, context, loaded);
    result.showPath = path;
    if (!read.ok()) {
      // A frame that cannot be read has no score of its own; it goes to the end rather than
      // taking the figures of the frame loaded before it.
      const std::string why = read.status == LoadStatus::UnknownExtension
                                  ? "unknown image extension"
                                  : DebugText(read.AsStatus());
      const std::string text = FileNameOf(path) + ": " + why;
      result.warnings.push_back(text);
      observer.Warning(text);
    }
    if (!observer.FrameLoaded(i, count, loaded.frame)) {
      result.stopped = true;
      return result;
    }
    if (read.ok()) scores[static_cast<size_t>(i)] = Score(loaded, mode);
  }

  SortDescendingByScore(scores, result.order);
  for (int k = 0; k < count; ++k) {
    result.items[static_cast<size_t>(k)] =
        items[static_cast<size_t>(result.order[static_cast<size_t>(k)])];
  }
  result.scores = std::move(scores);
  result.sorted = true;
  result.showPath = result.items.front().path;
  return result;
}

}  // namespace orvek

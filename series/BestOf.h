#pragma once
// Best-of selection: every frame of the image list is loaded and measured as the main
// window does it, scored (signal to noise, or the neighbourhood score of its best peak),
// and the list is reordered best first by a stable diminishing-gap exchange sort.
//
// Also the small vocabulary shared by the series commands: the list item with its tick.

#include <string>
#include <vector>

#include "core/Progress.h"
#include "core/Status.h"
#include "core/Types.h"
#include "measure/FrameLoader.h"

namespace orvek {

/// One entry of the image list as the series commands see it: the full path of the file
/// and its tick box.
struct SeriesItem {
  std::string path;
  bool ticked = true;
};

/// Builds items from paths, all ticked.
std::vector<SeriesItem> TickedItems(const std::vector<std::string>& paths);
/// Number of ticked items.
int CountTicked(const std::vector<SeriesItem>& items);
/// Index of the first ticked item, -1 when none (FirstTicked).
int FirstTickedIndex(const std::vector<SeriesItem>& items);

/// Score of the best-of commands.
enum class BestOfMode {
  SignalToNoise,  ///< "BestOf (S/N)": CurrentPoint.Value / (Mean + Sigma)
  Max,            ///< "BestOf (Max)": the frame's Star.Value
};

/// S/N score of a loaded frame: the star's peak above background (CurrentPoint.Value, -1 for
/// an invalid measurement) divided by Mean + Sigma of the frame, the divisor being 1 when
/// that sum is exactly 0.
Extended ScoreSignalToNoise(const LoadedFrame& loaded);
/// Max score: the neighbourhood score of the frame's best peak found at load.
Extended ScoreMax(const LoadedFrame& loaded);
Extended Score(const LoadedFrame& loaded, BestOfMode mode);

/// Score given to a frame that could not be read: below every real score, so that it sorts
/// to the end, after the frames with an invalid measurement.
inline constexpr Extended kUnreadableScore = -1.0e4000L;

/// Sorts `order` (a permutation, normally 0..n-1) by `scores`, best first, with the list's
/// exchange sort: gap halved from n (integer division); at each gap, passes over
/// i = 0..n-1-gap exchange entries i and i+gap when score[i+gap] > score[i] strictly, and
/// repeat until a pass makes no exchange; ends after the stage with gap 1. Equal scores are
/// never exchanged. `scores` is reordered along. Fewer than 2 entries: nothing happens.
void SortDescendingByScore(std::vector<Extended>& scores, std::vector<int>& order);

/// What SortBestOf did.
struct BestOfResult {
  Status status;                      ///< not ok only for an impossible request
  bool sorted = false;                ///< the list was reordered (false: < 2 items or stopped)
  bool stopped = false;               ///< STOP during scoring: the list is unchanged
  std::vector<SeriesItem> items;      ///< the list in its new order (the old order when not sorted)
  std::vector<int> order;             ///< items[k] was input item order[k]
  std::vector<Extended> scores;       ///< score of items[k] (empty when not sorted)
  std::vector<std::string> warnings;  ///< files that could not be read ("name: why")
  /// The file the window shows at the end: the new first item when sorted, the last frame
  /// loaded when stopped, empty when nothing was loaded.
  std::string showPath;
};

/// SortBestOf: loads every item, ticked or not, in list order with `context` (bias,
/// statistics, star, measurement at the star), scores it and reorders the list best first.
/// The observer sees every frame; returning false from FrameLoaded stops the scoring (STOP)
/// and leaves the list in its former order. Ticks travel with their items.
BestOfResult SortBestOf(const std::vector<SeriesItem>& items, BestOfMode mode,
                        const LoadContext& context, SeriesObserver& observer = SilentObserver());

}  // namespace orvek

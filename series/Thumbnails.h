#pragma once
// Thumbnails of the visual best-of selection ("BestOf (Vis)"): the 81 x 81 square round the
// star of each frame, as displayed, stretched to 97 x 97 and written as a BMP file into the
// working folder "tempv"; and the page arithmetic of the thumbnail window (TfrmVisu), fifty
// thumbnails to a page.

#include <functional>
#include <string>
#include <vector>

#include "core/Output.h"
#include "core/Progress.h"
#include "core/Raster.h"
#include "core/Status.h"
#include "core/Types.h"
#include "measure/FrameLoader.h"
#include "series/BestOf.h"

namespace orvek {

/// Side of a thumbnail in pixels.
inline constexpr int kThumbnailSide = 97;
/// Half-side of the square copied round the star: (x - 40 .. x + 40), 81 pixels.
inline constexpr int kThumbnailHalf = 40;
/// Thumbnails on one page of the window.
inline constexpr int kThumbnailsPerPage = 50;

/// Thumbnail file of a list item: folder + the item's file name with its extension
/// replaced by ".bmp".
std::string ThumbnailPath(const std::string& folder, const std::string& itemPath);

/// The thumbnail of a displayed picture: the square from (cx - 40, cy - 40) to
/// (cx + 40, cy + 40), cx and cy being x and y rounded to the nearest integer (halves to
/// even), stretched onto 97 x 97 by nearest neighbour (destination pixel u takes source
/// pixel floor((2u + 1) * 81 / 194), the source pixel under its centre). Parts of the
/// square outside the picture are black.
Raster MakeThumbnail(const Raster& rendered, Extended x, Extended y);
/// MakeThumbnail written as a 24-bit BMP file.
Status WriteThumbnail(const Raster& rendered, Extended x, Extended y, const std::string& path);

/// Renders a loaded frame as the main window shows it (thresholds, log, colour).
using FrameRenderer = std::function<Raster(const LoadedFrame&)>;

struct ThumbnailsResult {
  Status status;                     ///< not ok: no items, or the folder could not be emptied
  std::vector<std::string> written;  ///< thumbnail files, in list order
  std::vector<Error> warnings;       ///< frames that could not be read or written
  std::string showPath;              ///< the first item, shown before the window opens
};

/// MakeThumbnails without its window: empties the working folder of "*.bmp" (in a folder of the
/// user's an existing thumbnail stops the command first, unless overwrite), then for every item,
/// ticked or not, loads and measures it with `context`, renders it with `render` and writes
/// its thumbnail round the measured star (CurrentPoint). The observer sees each frame; the
/// loop does not stop (no STOP here). A frame that cannot be read gets no thumbnail.
ThumbnailsResult MakeThumbnails(const std::vector<SeriesItem>& items, const LoadContext& context,
                                const FrameRenderer& render, const OutputFolder& folder,
                                SeriesObserver& observer = SilentObserver());

/// Maximum of the page selector UpDown1: 50 * ((count - 1) div 50), the start of the last
/// page (0 for an empty list; div truncates towards zero).
int VisuSelectorMax(int count);

/// One page of the thumbnail window, starting at list index `start`.
struct VisuPage {
  int start = 0;               ///< selector position (list index of Image0)
  int firstNumber = 0;         ///< Edit2: start + 1
  int lastNumber = 0;          ///< Edit4: min(start + 49, count - 1) + 1
  std::vector<int> itemIndex;  ///< per picture Image0..Image49: its list index, -1 = blank
};

/// Page arithmetic of FillPage.
VisuPage MakeVisuPage(int start, int count);
/// List index toggled by a click on picture n (0..49) of the page at `start`: start + n,
/// or -1 when that picture is blank.
int VisuClickIndex(int start, int n, int count);

}  // namespace orvek

#pragma once
// Alignment, cropping and stacking of a series, and the bias frame.
//
//  - AlignList / AlignTable: every input frame is loaded and measured as the main window
//    does it, resampled in place so that its star falls on a whole pixel (sub-pixel
//    registration, linear interpolation), and an S x S window round the star is written as
//    an ORV file (".orva") into the alignment folder (the working folder "temp" for the
//    window). "Découpage" cuts the same fixed window out of every frame, without resampling.
//  - AddList: the mean of the ticked frames, written as "ad" + last position + "_" + first
//    name + ".orvc" into the composite folder ("tempc").
//  - Composite: alignment, S/N best-of sort, addition ("Composita&ge automatique").
//  - MakeBias: the pixel-wise median of dark frames ("dark.orvc" in "temps"), which LoadFile
//    then subtracts from every frame of the same size.
//
// Pixel coordinates: column x to the right, row y downwards, 0-based.

#include <cstdint>
#include <string>
#include <vector>

#include "core/OTrame.h"
#include "core/Output.h"
#include "core/Progress.h"
#include "core/Status.h"
#include "core/Types.h"
#include "measure/FrameLoader.h"
#include "series/BestOf.h"

namespace orvek {

class ReductionTable;

/// The choices of the alignment dialog (TDlgAlign) and the SubPixellaire box.
struct AlignSettings {
  int size = 128;        ///< crop side S in pixels (ctlTailleRecadrage), at least 1
  int offsetX = 0;       ///< added to the crop window's column (OffsetX)
  int offsetY = 0;       ///< added to the crop window's row (OffsetY)
  bool subPixel = true;  ///< SubPixellaire: centre on each frame's star with resampling;
                         ///< false: "Découpage", the fixed centre (cropX, cropY), offsets 0
  int cropX = 0;         ///< Xcrop: the centre confirmed by OK (Découpage)
  int cropY = 0;         ///< Ycrop
};

/// Where AddList writes: the window passes the working folder "tempc", the command line the
/// folder the user named.
struct AddOutput {
  OutputFolder folder;
  /// Composites a row of the measurement table still refers to: never deleted with the
  /// earlier composites; when the new composite would take the name of one of them, it is
  /// written under the first free name "ad0005_m57_001-2.orvc", "-3", ... instead.
  std::vector<std::string> keep;
};

/// A crop window, both ends included.
struct CropWindow {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = -1;
  int32_t bottom = -1;
  int32_t Width() const { return right - left + 1; }
  int32_t Height() const { return bottom - top + 1; }
};

/// The preview of the alignment dialog (UpdatePreview): a cross with its square of
/// half-side `half` at (cx, cy).
struct CropPreview {
  int32_t cx = 0;    ///< offsetX + star x rounded to the nearest integer (halves to even)
  int32_t cy = 0;    ///< offsetY + star y rounded
  int32_t half = 0;  ///< size / 2 rounded to the nearest integer, halves to even
};
/// The preview for a star position, the offsets and the crop side. OK confirms (cx, cy) as
/// the "Découpage" centre (Xcrop, Ycrop).
CropPreview MakeCropPreview(Extended starX, Extended starY, int offsetX, int offsetY, int size);

/// x minus x truncated towards zero.
Extended FractionalPart(Extended x);

/// The crop window round (x, y): centre column c = x truncated towards zero, left =
/// c - size div 2 + offsetX, right = left + size - 1; rows likewise. Always size x size,
/// for odd and even sizes. Fails when the window leaves the 32-bit range or size < 1.
Status CropWindowFor(Extended x, Extended y, int size, int offsetX, int offsetY, CropWindow& out);

/// Sub-pixel registration in place, so that the point (i + fx, j + fy) moves onto (i, j):
/// first along x, each row in increasing x, P(i, j) := P(i, j) + fx * P(i+1, j) - fx * P(i, j)
/// with the right neighbour not yet updated; then along y on that result, each column in
/// increasing y, P(i, j) := P(i, j) + fy * P(i, j+1) - fy * P(i, j). Reads and writes go
/// through GetPixel and SetPixel, so column 0 and row 0 keep their values; the last column
/// has no right neighbour and is not moved along x, the last row likewise along y.
void ResampleSubPixel(OTrame& frame, Extended fx, Extended fy);

/// One row of the measurement table as alignment input ("Compositer &Reductions").
struct TableRowInput {
  std::string path;  ///< "Path" + "Image"
  Extended xA = 0;   ///< star position: component A
  Extended yA = 0;
};

/// The alignment input of the measurement table's rows 1..n: file "Path" + "Image", star
/// position ("xA", "yA"). A position cell that is not a number fails, naming row and column.
Status TableRowsFrom(const ReductionTable& table, std::vector<TableRowInput>& rows);

/// One frame processed by AlignList.
struct AlignedFrame {
  int position = 0;    ///< list position or table row, from 1
  std::string source;  ///< the input file
  std::string output;  ///< the crop written (final name)
  Extended x = 0;      ///< the centre used: the star measured at load (CurrentPoint), the
  Extended y = 0;      ///< row's xA, yA, or the fixed Découpage centre
  rStarPos star;       ///< the measurement at load (CurrentPoint), whatever the mode
  bool resampled = false;
  CropWindow window;  ///< the window written, in the frame's pixels
};

struct AlignResult {
  Status status;                     ///< not ok: bad settings, nothing to align, a crop that
                                     ///< would replace a file of the user's, or a working
                                     ///< folder that could not be emptied or renamed in
  std::vector<AlignedFrame> frames;  ///< crops written, in input order
  std::vector<std::string> deleted;  ///< unticked crops of the working folder deleted
  std::vector<Error> warnings;       ///< inputs that could not be read or written
  /// The new image list (full paths, all ticked): every file of a working folder, or in a
  /// folder of the user's the crops written, in input order.
  std::vector<std::string> list;
  std::string showPath;  ///< the list's first file, shown at the end
};

/// AlignList in list mode: the ticked items are cropped into `output` with the extension
/// ".orva". In a working folder of the program: unless the first item's extension is ".orva",
/// the folder is emptied first (but of the inputs); an unticked item with an ORV-family
/// extension that lies in that folder is deleted (re-alignment drops the rejected crops). In
/// a folder of the user's nothing is deleted, and a crop that would replace an existing file
/// stops the command before anything is written (unless output.overwrite). Each ticked frame
/// is loaded
/// and measured with `context`; its crop centre is its star (CurrentPoint) with
/// settings.subPixel, else the fixed (cropX, cropY). A frame that cannot be read gets no
/// crop and is reported. The observer sees each frame; there is no STOP here.
AlignResult AlignList(const std::vector<SeriesItem>& items, const AlignSettings& settings,
                      const LoadContext& context, const OutputFolder& output,
                      SeriesObserver& observer = SilentObserver());

/// AlignList in table mode: every row is cropped round its (xA, yA) with the offsets,
/// written as ".orvr" and renamed ".orva" at the end, after the folder's ".orva" files are
/// deleted (in a folder of the user's, only the crops written are renamed).
AlignResult AlignTable(const std::vector<TableRowInput>& rows, const AlignSettings& settings,
                       const LoadContext& context, const OutputFolder& output,
                       SeriesObserver& observer = SilentObserver());

/// The composite's file name: "ad" + lastPosition formatted "%.4d" + "_" + the first frame's
/// file name without its extension + ".orvc".
std::string CompositeName(int lastPosition, const std::string& firstPath);

struct AddResult {
  Status status;                     ///< not ok: nothing ticked, first frame unreadable, ...
  std::string compositePath;         ///< the composite written (empty when none)
  bool renamed = false;              ///< written under another name (AddOutput::keep)
  int frames = 0;                    ///< k: frames averaged
  int lastPosition = 0;              ///< list position (from 1) of the last ticked item
  std::string firstPath;             ///< the first ticked item
  std::vector<std::string> skipped;  ///< ticked frames of another size, not added
  std::vector<Error> warnings;       ///< ticked frames that could not be read, not added
};

/// AddList: the mean of the ticked items. The first ticked frame is loaded and measured with
/// `context` and its pixels cleared: it is the accumulator. Every ticked frame, the first
/// included, is then read with LoadFile (bias subtracted when `context.bias` holds one of its
/// size) and added; a frame of another size than the accumulator is skipped and reported.
/// Every accumulator pixel that is not 0 is divided by k, the number of frames added, and the
/// accumulator is written whole to output.folder + CompositeName(last ticked position, first).
/// A working folder is first emptied of its earlier composites ("ad*.*"), but of the inputs
/// and output.keep; in a folder of the user's an existing composite of that name stops the
/// command before any frame is read (unless overwrite).
AddResult AddList(const std::vector<SeriesItem>& items, const LoadContext& context,
                  const AddOutput& output, SeriesObserver& observer = SilentObserver());

struct CompositeResult {
  Status status;  ///< the first failing step's status
  AlignResult align;
  BestOfResult bestOf;
  AddResult add;
};

/// "Composita&ge automatique": AlignList of the items, SortBestOf (S/N) of the crops, all
/// ticked, then AddList of them. A STOP during the sort leaves the crops in their listed
/// order and the addition still runs, as the menu command does.
CompositeResult Composite(const std::vector<SeriesItem>& items, const AlignSettings& settings,
                          const LoadContext& context, const OutputFolder& alignOutput,
                          const AddOutput& addOutput, SeriesObserver& observer = SilentObserver());

/// "Compositer &Reductions": AlignTable of the rows, then AddList of the crops.
CompositeResult CompositeReductions(const std::vector<TableRowInput>& rows,
                                    const AlignSettings& settings, const LoadContext& context,
                                    const OutputFolder& alignOutput, const AddOutput& addOutput,
                                    SeriesObserver& observer = SilentObserver());

/// Sorts values ascending with the bias command's Shell sort (gap halved from the count by
/// integer division down to 1, passes repeated while they exchange) and returns the median:
/// the middle value for an odd count, the mean of the two middle values for an even one.
/// The values are left sorted. An empty list gives 0.
Extended ShellSortMedian(std::vector<Extended>& values);

struct BiasResult {
  Status status;     ///< not ok: no files, unreadable file, sizes differ (FrameSizesDiffer)
  std::string path;  ///< the bias file written (empty on failure: nothing is left there)
  OTrame bias;       ///< the new BiasFrame, read back from `path` (empty on failure)
  int frames = 0;    ///< dark frames combined
};

/// The "Bias" command without its dialog: the dark frames are read without bias subtraction,
/// checked for one common size, combined pixel by pixel into their median (a single file is
/// taken as it is) and written whole as an ORV file `name` into `output` (the window passes
/// the working folder "temps" and "dark.orvc"), which is then read back as the bias frame. On
/// any failure no bias results; in a working folder no file of that name is left there, while
/// in a folder of the user's a file of that name is never touched before the bias is written
/// (and an existing one is refused at once, unless overwrite).
BiasResult MakeBias(const std::vector<std::string>& files, const FitsOptions& fits,
                    const OutputFolder& output, const std::string& name,
                    SeriesObserver& observer = SilentObserver());

}  // namespace orvek

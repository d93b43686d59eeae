#pragma once
// The speckle-interferometry commands as library functions: the power-spectrum and
// cross-spectrum sums of a series, the background series, the Reference / Target / Result
// commands, the directed vector autocorrelation (DVA) and the single-image transforms.
//
// Each function writes into an output folder: in the program's working folder ("tempf") exactly
// as the main window's commands do, with the same files, the same clearing and the same order
// of writes; in a folder of the user's nothing is cleared and a file that exists is refused
// before anything is written (unless overwrite). It reads the ticked images given in list order
// and reports every loaded frame to a SeriesObserver, whose FrameLoaded returning false is the
// STOP button. Nothing is shown: the result says which file the window should load and show
// (LoadAndShow) and why a command failed, for the window to word.

#include <string>
#include <vector>

#include "core/OTrame.h"
#include "core/Output.h"
#include "core/Progress.h"
#include "core/Types.h"
#include "core/WorkerPool.h"
#include "fourier/CellGrid.h"
#include "fourier/FftEngine.h"

namespace orvek::fourier {

/// Name of the working folder of the interferometry commands.
inline constexpr const char* kInterferometryFolder = "tempf";
/// Top value of the written correlation images and of the real part of a transform.
inline constexpr Extended kCorrelationTop = 65535.0L;
/// Top value of a written modulus.
inline constexpr Extended kModulusTop = 32766.0L;

/// Background-series names of the commands.
inline constexpr const char* kAutoSeries = "AutoSous";
inline constexpr const char* kCrossSeries = "InterSous";
inline constexpr const char* kResultSeries = "Div";
inline constexpr const char* kDvaSeries = "DV";
/// Files of the working folder.
inline constexpr const char* kTargetSpectrumName = "PuisDouble";  // + ".orvc"
inline constexpr const char* kReferenceSpectrumName = "PuisRef";  // + ".orvc"
inline constexpr const char* kBackCopyFile = "Back.orva";
inline constexpr const char* kDvaBufferFile = "DV_tampon.orvv";
inline constexpr const char* kFourierFile = "Fourier.orvc";
inline constexpr const char* kInterCorrFile = "InterCorr.orvc";

/// How a command ended.
enum class FourierStatus {
  Written,        ///< result written; `shown` names the file to show
  NothingTicked,  ///< no image given: nothing done (beyond the clearing the command does first)
  WrongSize,      ///< an image is not 64, 128, 256 or 512 square (NotCentredSize), or not of
                  ///< the first image's size (FrameSizesDiffer)
  Stopped,        ///< STOP: the run was abandoned; what the folder held stays, nothing written
  LoadFailed,     ///< an image could not be read
  WriteFailed,    ///< a result could not be written, or the folder emptied, or a file of the
                  ///< user's would have been replaced (FileExists)
  MissingInput,   ///< "Result": a power-spectrum file is missing or the two differ in size
};

/// What a command leaves for the window.
struct FourierResult {
  FourierStatus status = FourierStatus::Written;
  Error error;                       ///< why it did not end as Written (code None when it did)
  std::vector<std::string> written;  ///< files written, in the order written (full paths)
  std::string shown;                 ///< the file to load and show at the end (empty: none)
  std::vector<Error> warnings;       ///< images skipped, with the reason (DVA)
  bool ok() const { return status == FourierStatus::Written; }
};

/// The ticked images of a series command and how to read them.
struct SeriesInput {
  std::vector<std::string> files;      ///< full paths of the ticked items, in list order
  const OTrame* bias = nullptr;        ///< the main window's bias frame, or none
  FitsOptions fits;                    ///< FITS orientation options
  FrameProvider* frames = nullptr;     ///< frames read by name without files, or none
  SeriesObserver* observer = nullptr;  ///< progress and STOP (none: never stops)
  WorkerPool* pool = nullptr;          ///< shares the transforms and sums (none: one thread)
};

/// The power-spectrum sum of a series of n x n frames, held in memory: Add is the step
/// "T := OFFT of the frame; Transform(false); ToPowerSpectrum; A.real += T.real".
class PowerSpectrumSum {
 public:
  explicit PowerSpectrumSum(int n, WorkerPool* pool = nullptr);
  int N() const { return m_n; }
  /// Adds the power spectrum of an n x n frame (std::invalid_argument for another size).
  void Add(const OTrame& frame);
  /// The same from n x n pixels [x][y] at x * n + y.
  void Add(const Extended* pixels);
  /// Adds a power spectrum computed apart (PowerSpectrum), [x][y] at x * n + y: the same sum
  /// as Add of its frame.
  void AddPower(const Extended* power);
  /// Frames added so far.
  int Count() const { return m_count; }
  /// The accumulated real part, [x][y] at x * n + y.
  const std::vector<Extended>& Sum() const { return m_acc; }
  /// The centred autocorrelation: the sum transformed with Transform(false), SwapQuadrants,
  /// written into `frame` with `top` (WriteToFrame: 65535 as the commands write it, -1 unscaled).
  void WriteAutocorrelation(OTrame& frame, Extended top = kCorrelationTop) const;

 private:
  int m_n;
  WorkerPool* m_pool;
  int m_count = 0;
  std::vector<Extended> m_acc;
  CellGrid m_work;
  FftWorkspace m_workspace;
};

/// SumPowerSpectra(name): the autocorrelation of the series by the mean-power-spectrum method,
/// written as folder + name + ".orvc" (the folder's "*.orva" files are removed first). With
/// `enhanced` ("Enhanced Power Spectrum") each frame is squared before its transform. On
/// success `frame` holds the written result (the window's current frame).
FourierResult SumPowerSpectra(const SeriesInput& input, const OutputFolder& out,
                              const std::string& name, bool enhanced, OTrame* frame = nullptr);

/// SumCrossSpectra(name): the sum over the series of FFT(image) x conjugate(FFT(image^2)),
/// transformed back, centred and written as folder + name + ".orvc" after emptying the folder.
FourierResult SumCrossSpectra(const SeriesInput& input, const OutputFolder& out,
                              const std::string& name, OTrame* frame = nullptr);

/// One image of the background series before its shift: `image` minus its box mean of radius
/// `radius`, the (2r+1)^2 mean being taken where the box fits inside the image and written
/// into `boxMeans` (same size as the image); nearer the border `boxMeans` keeps what it held.
/// The series passes the means of the smaller radii, so that a pixel at distance d < r from
/// the border takes its radius-d mean and the outermost ring the pixel itself (`boxMeans`
/// starts as a copy of the image).
OTrame SubtractBoxMean(const OTrame& image, int radius, OTrame& boxMeans,
                       WorkerPool* pool = nullptr);
/// The series' shift: when the smallest value m is negative, -m is added to every pixel.
void ShiftToZeroMinimum(OTrame& image);

/// BuildBackgroundSeries(name): from `current`, writes "S0_" + name + ".orvc" (the image) and
/// "Back.orva", then for r = 1..9 "S" + r + "_" + name + ".orvc": the image minus its box mean
/// of radius r, shifted to a minimum of 0. `shown` is the S0 file.
FourierResult BuildBackgroundSeries(const OTrame& current, const OutputFolder& out,
                                    const std::string& name, WorkerPool* pool = nullptr);

/// The "AutoCorrelation" command after its size test and alignment (which the window does):
/// empties the folder, SumPowerSpectra("PuisDouble"), BuildBackgroundSeries("AutoSous"), then
/// deletes "PuisDouble.orvc". The window then shows the folder's ".orvc" list.
FourierResult AutoCorrelationCommand(const SeriesInput& input, const OutputFolder& out,
                                     bool enhanced);
/// The "Cross-Correlation" command: empties the folder, SumCrossSpectra("PuisDouble"), deletes
/// "PuisDouble.orvc", BuildBackgroundSeries("InterSous").
FourierResult CrossCorrelationCommand(const SeriesInput& input, const OutputFolder& out);
/// "Reference Power Spectrum": empties the folder, then SumPowerSpectra("PuisRef").
FourierResult ReferencePowerSpectrum(const SeriesInput& input, const OutputFolder& out,
                                     bool enhanced);
/// "Target Power Spectrum": SumPowerSpectra("PuisDouble") without emptying the folder.
FourierResult TargetPowerSpectrum(const SeriesInput& input, const OutputFolder& out, bool enhanced);
/// "Result": "PuisDouble.orvc" minus "PuisRef.orvc", then BuildBackgroundSeries("Div"). When a
/// file is missing or unreadable, or the two differ in size, nothing is written and the status
/// is MissingInput with SpectrumMissing naming the file, or FrameSizesDiffer with both sizes.
FourierResult ResultCommand(const OutputFolder& out, WorkerPool* pool = nullptr);

/// The single-image transforms of the "DEBUG" menu, on a frame in memory.
enum class SingleTransform {
  RealPart,       ///< "FFT directe, partie réelle"
  Modulus,        ///< "FFT directe, module"
  AutoCorrelate,  ///< "Auto Corrélation"
  CrossCorrelate  ///< "Inter Corrélation" (CrossCorrelateFrame)
};
/// Applies the transform to `frame` in place. False (frame unchanged) when it is not a centred
/// spectrum (IsCentredSpectrum).
bool ApplySingleTransform(OTrame& frame, SingleTransform kind, WorkerPool* pool = nullptr);
/// CrossCorrelateFrame: cross-correlation of the frame with its own square, written into it.
bool CrossCorrelateFrame(OTrame& frame, WorkerPool* pool = nullptr);
/// The DEBUG command: transform `current` and write "Fourier.orvc" ("InterCorr.orvc" for the
/// cross-correlation) in the folder. A frame of the wrong size gives WrongSize and nothing
/// written, except for the cross-correlation, which writes the unchanged frame as designed
/// (still with WrongSize).
FourierResult SingleTransformCommand(OTrame& current, SingleTransform kind, const OutputFolder& out,
                                     WorkerPool* pool = nullptr);
/// "Soustraction Fond": empties the folder and builds the background series of `current` named
/// after its file (without folder and extension).
FourierResult BackgroundCommand(const OTrame& current, const OutputFolder& out,
                                WorkerPool* pool = nullptr);

/// The DVA accumulation of one image into `buffer` (2W x 2H, zero shift at [W-1][H-1]; the
/// image may be smaller than W x H): every pixel above the 97th percentile pairs with every
/// other (itself included). `exactSoFar` is
/// true while every value added to the buffer so far was an integer whose total stays far
/// below 2^63; then the sums are order-free and the pairs are shared among the pool's tasks.
void AccumulateDva(const OTrame& image, OTrame& buffer, bool& exactSoFar, Extended& massSoFar,
                   WorkerPool* pool = nullptr);

/// "DVA": empties the folder, accumulates the series into "DV_tampon.orvv" (2W x 2H, W x H the
/// first image's size), writes it, and builds its background series "DV". An image wider or
/// taller than the first is skipped and reported in `warnings` (and to the observer); a
/// smaller one is added, its shifts fitting in the buffer.
FourierResult DvaCommand(const SeriesInput& input, const OutputFolder& out);

/// The ".orvc" files of the folder in the interferometry list's order (natural order).
std::vector<std::string> InterferometryList(const std::string& folder);

}  // namespace orvek::fourier

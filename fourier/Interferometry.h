#pragma once
// The speckle-interferometry commands as library functions: the power-spectrum and
// cross-spectrum sums of a series, the background series, the Reference / Target / Result
// commands, the directed vector autocorrelation (DVA) and the single-image transforms.
//
// Each function works in a working folder (normally WorkFolder("tempf")) exactly as the main
// window's commands do: same files, same clearing, same order of writes. It reads the ticked
// images given in list order and reports every loaded frame to a SeriesObserver, whose
// FrameLoaded returning false is the STOP button. Nothing is shown: the result says which file
// the window should load and show (LoadAndShow) and which message, if any, it should display.

#include <string>
#include <vector>

#include "core/OTrame.h"
#include "core/Progress.h"
#include "core/Types.h"
#include "fourier/CellGrid.h"
#include "fourier/FftEngine.h"

namespace orvek::fourier {

/// Name of the working folder of the interferometry commands.
inline constexpr const char* kInterferometryFolder = "tempf";
/// The message of a frame that is not a centred spectrum.
inline constexpr const char* kSizeMessage = "Image size = 64x64, 128x128, 256x256, 512x512";
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
  WrongSize,      ///< an image is not 64, 128, 256 or 512 square: `message` = kSizeMessage
  Stopped,        ///< STOP: the run was abandoned; what the folder held stays, nothing written
  LoadFailed,     ///< an image could not be read: `message` says which and why
  WriteFailed,    ///< a result could not be written: `message` says why
  MissingInput,   ///< "Result": a power-spectrum file is missing or the two differ in size
};

/// What a command leaves for the window.
struct FourierResult {
  FourierStatus status = FourierStatus::Written;
  std::string message;                ///< text of the message box to show (empty: none)
  std::vector<std::string> written;   ///< files written, in the order written (full paths)
  std::string shown;                  ///< the file to load and show at the end (empty: none)
  std::vector<std::string> warnings;  ///< images skipped, with the reason (DVA)
  bool ok() const { return status == FourierStatus::Written; }
};

/// The ticked images of a series command and how to read them.
struct SeriesInput {
  std::vector<std::string> files;      ///< full paths of the ticked items, in list order
  const OTrame* bias = nullptr;        ///< the main window's bias frame, or none
  FitsOptions fits;                    ///< FITS orientation options
  SeriesObserver* observer = nullptr;  ///< progress and STOP (none: never stops)
  int threads = 0;                     ///< tasks of the transforms (0: this machine's)
};

/// The power-spectrum sum of a series of n x n frames, held in memory: Add is the step
/// "T := OFFT of the frame; Transform(false); ToPowerSpectrum; A.real += T.real".
class PowerSpectrumSum {
 public:
  explicit PowerSpectrumSum(int n, int threads = 0);
  int N() const { return m_n; }
  /// Adds the power spectrum of an n x n frame (std::invalid_argument for another size).
  void Add(const OTrame& frame);
  /// The same from n x n pixels [x][y] at x * n + y.
  void Add(const Extended* pixels);
  /// Frames added so far.
  int Count() const { return m_count; }
  /// The accumulated real part, [x][y] at x * n + y.
  const std::vector<Extended>& Sum() const { return m_acc; }
  /// The centred autocorrelation: the sum transformed with Transform(false), SwapQuadrants,
  /// written into `frame` with top 65535.
  void WriteAutocorrelation(OTrame& frame) const;

 private:
  int m_n;
  int m_threads;
  int m_count = 0;
  std::vector<Extended> m_acc;
  CellGrid m_work;
  FftWorkspace m_workspace;
};

/// SumPowerSpectra(name): the autocorrelation of the series by the mean-power-spectrum method,
/// written as folder + name + ".orvc" (the folder's "*.orva" files are removed first). With
/// `enhanced` ("Enhanced Power Spectrum") each frame is squared before its transform. On
/// success `frame` holds the written result (the window's current frame).
FourierResult SumPowerSpectra(const SeriesInput& input, const std::string& folder,
                              const std::string& name, bool enhanced, OTrame* frame = nullptr);

/// SumCrossSpectra(name): the sum over the series of FFT(image) x conjugate(FFT(image^2)),
/// transformed back, centred and written as folder + name + ".orvc" after emptying the folder.
FourierResult SumCrossSpectra(const SeriesInput& input, const std::string& folder,
                              const std::string& name, OTrame* frame = nullptr);

/// BuildBackgroundSeries(name): from `current`, writes "S0_" + name + ".orvc" (the image) and
/// "Back.orva", then for r = 1..9 "S" + r + "_" + name + ".orvc": the image minus its box mean
/// of radius r, shifted to a minimum of 0. `shown` is the S0 file.
FourierResult BuildBackgroundSeries(const OTrame& current, const std::string& folder,
                                    const std::string& name, int threads = 0);

/// The "AutoCorrelation" command after its size test and alignment (which the window does):
/// empties the folder, SumPowerSpectra("PuisDouble"), BuildBackgroundSeries("AutoSous"), then
/// deletes "PuisDouble.orvc". The window then shows the folder's ".orvc" list.
FourierResult AutoCorrelationCommand(const SeriesInput& input, const std::string& folder,
                                     bool enhanced);
/// The "Cross-Correlation" command: empties the folder, SumCrossSpectra("PuisDouble"), deletes
/// "PuisDouble.orvc", BuildBackgroundSeries("InterSous").
FourierResult CrossCorrelationCommand(const SeriesInput& input, const std::string& folder);
/// "Reference Power Spectrum": empties the folder, then SumPowerSpectra("PuisRef").
FourierResult ReferencePowerSpectrum(const SeriesInput& input, const std::string& folder,
                                     bool enhanced);
/// "Target Power Spectrum": SumPowerSpectra("PuisDouble") without emptying the folder.
FourierResult TargetPowerSpectrum(const SeriesInput& input, const std::string& folder,
                                  bool enhanced);
/// "Result": "PuisDouble.orvc" minus "PuisRef.orvc", then BuildBackgroundSeries("Div"). When a
/// file is missing or unreadable, or the two differ in size, nothing is written and the status
/// is MissingInput with a message naming the file or both sizes.
FourierResult ResultCommand(const std::string& folder, int threads = 0);

/// The single-image transforms of the "DEBUG" menu, on a frame in memory.
enum class SingleTransform {
  RealPart,       ///< "FFT directe, partie réelle"
  Modulus,        ///< "FFT directe, module"
  AutoCorrelate,  ///< "Auto Corrélation"
  CrossCorrelate  ///< "Inter Corrélation" (CrossCorrelateFrame)
};
/// Applies the transform to `frame` in place. False (frame unchanged) when it is not a centred
/// spectrum (IsCentredSpectrum).
bool ApplySingleTransform(OTrame& frame, SingleTransform kind, int threads = 0);
/// CrossCorrelateFrame: cross-correlation of the frame with its own square, written into it.
bool CrossCorrelateFrame(OTrame& frame, int threads = 0);
/// The DEBUG command: transform `current` and write "Fourier.orvc" ("InterCorr.orvc" for the
/// cross-correlation) in the folder. A frame of the wrong size gives WrongSize and nothing
/// written, except for the cross-correlation, which writes the unchanged frame as designed
/// (still with the size message).
FourierResult SingleTransformCommand(OTrame& current, SingleTransform kind,
                                     const std::string& folder, int threads = 0);
/// "Soustraction Fond": empties the folder and builds the background series of `current` named
/// after its file (without folder and extension).
FourierResult BackgroundCommand(const OTrame& current, const std::string& folder, int threads = 0);

/// The DVA accumulation of one image into `buffer` (2W x 2H, zero shift at [W-1][H-1]; the
/// image may be smaller than W x H): every pixel above the 97th percentile pairs with every
/// other (itself included). `exactSoFar` is
/// true while every value added to the buffer so far was an integer whose total stays far
/// below 2^63; then the sums are order-free and the pairs are shared among threads.
void AccumulateDva(const OTrame& image, OTrame& buffer, bool& exactSoFar, Extended& massSoFar,
                   int threads = 0);

/// "DVA": empties the folder, accumulates the series into "DV_tampon.orvv" (2W x 2H, W x H the
/// first image's size), writes it, and builds its background series "DV". An image wider or
/// taller than the first is skipped and reported in `warnings` (and to the observer); a
/// smaller one is added, its shifts fitting in the buffer.
FourierResult DvaCommand(const SeriesInput& input, const std::string& folder);

/// The ".orvc" files of the folder in the interferometry list's order (natural order).
std::vector<std::string> InterferometryList(const std::string& folder);

}  // namespace orvek::fourier

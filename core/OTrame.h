#pragma once
// OTrame: the one image type of Orvek. A two-dimensional array of extended pixel values
// addressed Pixels[x][y] (x = column from the left, y = row from the top, both 0-based),
// with its size, source file, FITS header and statistics.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/FrameProvider.h"
#include "core/ObsTime.h"
#include "core/Raster.h"
#include "core/Result.h"
#include "core/Status.h"
#include "core/Types.h"

namespace orvek {

/// Orientation options of the FITS reader (the main window's "Swap Vertical/Horizontal (fits)").
struct FitsOptions {
  bool swapVert = false;
  bool swapHoriz = false;
};

/// How a LoadFile call ended.
enum class LoadStatus {
  Ok,                ///< the frame holds the file
  UnknownExtension,  ///< not BMP, FITS or ORV: nothing read (the caller shows "msgExtInc")
  Error,             ///< missing, unreadable or malformed file: `error` (or `message`) says why
};

struct LoadResult {
  LoadStatus status = LoadStatus::Ok;
  std::string message;       ///< for Error: a caller's own sentence ("File not found"), or empty
  bool biasApplied = false;  ///< true exactly when a bias frame was subtracted (the "Bias" label)
  orvek::Error error;        ///< for Error without a message: what the reader found wrong
  bool ok() const { return status == LoadStatus::Ok; }
  /// The failure as a Status (its message when it has one, else its error); Ok otherwise.
  Status AsStatus() const {
    if (ok()) return Status::Ok();
    if (!message.empty()) return Status::Error(message);
    return Status::Fail(error);
  }
};

/// Allocator of pixel arrays: a new element is left uninitialised (the frame says when it
/// wants zeros), so that a reader fills each pixel once instead of twice.
template <class T>
struct PixelAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = PixelAllocator<U>;
  };
  PixelAllocator() = default;
  template <class U>
  PixelAllocator(const PixelAllocator<U>&) noexcept {}
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

/// The pixel array of a frame: column after column (x * height + y).
using PixelStore = std::vector<Extended, PixelAllocator<Extended>>;
/// A frame's values as whole numbers, in the same order (not cleared when resized).
using WholeStore = std::vector<int32_t, PixelAllocator<int32_t>>;

/// Largest frame the readers accept, in pixels (about 2.1 GB of extended values).
inline constexpr int64_t kMaxPixels = int64_t{1} << 27;
/// Largest side the readers accept.
inline constexpr int64_t kMaxSide = 1 << 20;

class OTrame {
 public:
  std::string FormatText;  ///< "Format FIT", "Format ORV", or the BMP depth ("24 bits", ...)
  std::string FileName;    ///< full path given to LoadFile
  int32_t LastX = 0;       ///< width - 1
  int32_t LastY = 0;       ///< height - 1
  Extended MaxValue = 0;
  Extended MinValue = 0;
  Extended Median = 0;     ///< median of the cross sample; fill value of SaveOrv outside
  rStarPos Star;           ///< best star peak of the whole frame (FindStar)
  Extended Mean = 0;       ///< trimmed mean of the cross sample
  Extended Sigma = 0;      ///< dispersion of the trimmed cross sample
  std::string HeaderText;  ///< FITS header cards, one per line, CR LF separated
  /// When the frame was observed: read from a FITS header's time keywords (core/FitsTime.h),
  /// given by a video, or by the user; absent otherwise.
  std::optional<FrameTime> Time;
  /// Why the file's time keywords gave no time (FitsBadTime), or None. The frame loads
  /// anyway, without a time.
  Error TimeProblem;

  OTrame() = default;

  /// Width and height in pixels (0 while the frame is empty).
  int32_t Width() const { return m_width; }
  int32_t Height() const { return m_height; }
  bool Empty() const { return m_pixels.empty(); }

  /// Unchecked access to Pixels[x][y]; columns are contiguous (x * height + y).
  Extended& Px(int32_t x, int32_t y) { return m_pixels[static_cast<size_t>(x) * m_height + y]; }
  Extended Px(int32_t x, int32_t y) const {
    return m_pixels[static_cast<size_t>(x) * m_height + y];
  }
  Extended* Column(int32_t x) { return m_pixels.data() + static_cast<size_t>(x) * m_height; }
  const Extended* Column(int32_t x) const {
    return m_pixels.data() + static_cast<size_t>(x) * m_height;
  }
  PixelStore& Data() { return m_pixels; }
  const PixelStore& Data() const { return m_pixels; }

  /// Sizes the pixel array to width x height (zero-filled) and sets LastX, LastY.
  /// Used by writers of computed results; statistics are left alone.
  void Allocate(int32_t width, int32_t height);
  /// The same without zeroing the pixels: for readers that set every pixel.
  void AllocateUninitialized(int32_t width, int32_t height);

  /// Reads the file by its extension (".BMP"; ".FIT", ".FITS", ".FTS"; ".ORV*"), subtracts
  /// `bias` when it holds pixels of the same size and the file is not ORV, computes the
  /// statistics and finds the star. `surface`, when given, receives a blank picture of the
  /// frame's size (BMP: the decoded picture itself). `wholeValues`, when given, receives
  /// what WholeValues would give when the reader produced it on the way (8- and 16-bit FITS
  /// without a bias), and is emptied otherwise. A name that `provider` provides is read from
  /// it instead of a file, and then treated as a file of that name.
  LoadResult LoadFile(const std::string& name, const OTrame* bias = nullptr,
                      const FitsOptions& fits = {}, Raster* surface = nullptr,
                      WholeStore* wholeValues = nullptr, FrameProvider* provider = nullptr);

  /// The readers (normally reached through LoadFile). They set LastX, LastY, Pixels,
  /// MaxValue, MinValue and FormatText, and never read past the bytes of the file.
  Status ReadFits(const std::string& name, const FitsOptions& fits, Raster* surface);
  Status ReadBmp(const std::string& name, Raster* surface);
  Status ReadOrv(const std::string& name, Raster* surface);
  /// The same from bytes already in memory (`name` only names the source in messages).
  Status ParseFits(const uint8_t* data, size_t size, const std::string& name,
                   const FitsOptions& fits);
  Status ParseBmp(const uint8_t* data, size_t size, const std::string& name, Raster* decoded);
  Status ParseOrv(const uint8_t* data, size_t size, const std::string& name);

  /// Writes a 16-bit FITS file. mode 0: (v - low) scaled to 0..32767 between low and high;
  /// mode 1: scaled down by 32767 / MaxValue when MaxValue > 32767; other modes: unscaled.
  /// The file is padded with zeros to a multiple of 2880 bytes.
  Status SaveFits(const std::string& name, int mode, Extended low, Extended high) const;
  /// The bytes of a FITS file that holds every pixel exactly: 16-bit samples with
  /// BZERO = 32768 when all values are whole numbers 0..65535, else 32-bit samples when they
  /// are whole numbers of 32 bits; then the time cards of `Time` (DATE-OBS, EXPTIME) when it
  /// is set. Rows top first, as SaveFits writes them; padded to whole 2880-byte records.
  /// FitsNotLossless (v1, v2 = x, y; v3 = value) for a pixel that fits neither.
  Result<std::vector<uint8_t>> EncodeLosslessFits() const;
  /// Writes the rectangle x1..x2 x y1..y2 as ORV; pixels outside the frame take Median.
  Status SaveOrv(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const std::string& name) const;
  /// Builds the ORV bytes of the same rectangle.
  std::vector<uint8_t> EncodeOrv(int32_t x1, int32_t y1, int32_t x2, int32_t y2) const;

  /// Value at (x, y), 0 outside the frame.
  Extended GetPixel(int64_t x, int64_t y) const;
  /// Stores only when 1 <= x <= LastX and 1 <= y <= LastY: column 0 and row 0 are never written.
  void SetPixel(int64_t x, int64_t y, Extended value);

  /// Brightest pixel of the rectangle (clipped); ties go to the pixel nearer the centre,
  /// then to the first in scan order (x outer, y inner). Count is not set.
  void MaxInRect(const rStarPos& corner1, const rStarPos& corner2, rStarPos& result) const;
  /// Best star peak of the rectangle: neighbourhood score (sides 1, diagonals 0.8, only
  /// neighbours not brighter than the centre), border pixels score 0.
  void FindStar(const rStarPos& corner1, const rStarPos& corner2, rStarPos& result) const;
  /// Median, Mean and Sigma of the cross sample (middle row then middle column).
  void ComputeStats();
  /// Value at rank p % of all pixels sorted ascending: s[nearest(p * h / 100)], h = count - 1.
  Extended Percentile(int p) const;
  /// Every pixel set to 0.
  OTrame& ClearPixels();
  /// Every pixel replaced by its square.
  void SquarePixels();
  /// The pixels, column by column, as 32-bit integers, when every one is a whole number of
  /// magnitude below 2^31 (-0 counts as 0): sums of such values are exact in an extended
  /// and in a 64-bit integer alike. False (and `out` unspecified) otherwise.
  bool WholeValues(WholeStore& out) const;

  /// Renders into a new 24-bit raster of the frame's size between low and high.
  /// log: logarithmic curve; colour: false-colour bands set by lut (0..20, default 10).
  Raster Render(bool log, bool colour, int lut, Extended low, Extended high) const;

 private:
  void ApplyBias(const OTrame& bias);
  template <int Bits>
  void DecodeSamples(const uint8_t* samples, Extended scale, Extended offset,
                     const FitsOptions& fits);

  PixelStore m_pixels;
  // While LoadFile runs: the frame's values as whole numbers, column by column, when the
  // reader found every one of them whole and small (8- and 16-bit FITS samples); empty
  // otherwise. The star search reads these 4-byte copies instead of the 16-byte pixels.
  WholeStore m_whole;
  int32_t m_width = 0;
  int32_t m_height = 0;
};

/// The extension of a path from its last dot (dot included), upper case; empty when none.
std::string UpperExtension(const std::string& path);
/// True for the ORV family (".ORV", ".ORVA", ".ORVC", ...).
bool IsOrvExtension(const std::string& upperExt);

/// Cuts a FITS card before its first "/" (the whole card when it holds none).
std::string StripComment(const std::string& card);

}  // namespace orvek

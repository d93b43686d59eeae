#pragma once
// Why an expected failure happened, as a code with the names and numbers it concerns. The
// library never words a failure: the windows and the command line turn an Error into text in
// the interface language (see wording/Wording.h), from the settings file's section
// <language letter> + "Errors", whose key is the code's name.

#include <string>
#include <utility>
#include <vector>

namespace orvek {

// Every failure code, with the fields its text uses. Placeholders of the texts:
// {path} {field} {row} {text} {detail} and {v1}..{v4} for `values`.
#define ORVEK_ERROR_CODES(X)                                                           \
  X(None)               /* no failure */                                               \
  X(Other)              /* {detail}: a failure not yet given a code of its own */      \
  X(FileOpen)           /* {path} cannot be opened: {detail} (system reason) */        \
  X(FileRead)           /* {path} cannot be read: {detail} */                          \
  X(FileWrite)          /* {path} cannot be written: {detail} */                       \
  X(FileExists)         /* {path} exists and is not replaced without being told to */  \
  X(FolderCreate)       /* folder {path} cannot be created: {detail} */                \
  X(FileDelete)         /* {path} cannot be deleted: {detail} */                       \
  X(FileRename)         /* {path} cannot be renamed to {text}: {detail} */             \
  X(DiskFull)           /* {path}: no space left while writing */                      \
  X(NotANumber)         /* row {row}, {field}: "{text}" is not a number */             \
  X(NotAnInteger)       /* row {row}, {field}: "{text}" is not an integer */           \
  X(OutOfRange)         /* {field} = {v1} is outside {v2}..{v3} */                     \
  X(BadTime)            /* {field}: "{text}" is not a date and time */                 \
  X(FitsBadTime)        /* {path}: {field} = "{text}" is not a date (time left out) */ \
  X(FitsNotLossless)    /* {path}: pixel {v1}, {v2} = {v3} has no exact FITS sample */ \
  X(VideoBadFormat)     /* the file couldn't be read ({path}, {detail}) */             \
  X(VideoNoMemory)      /* insufficient memory ({path}, {detail}) */                   \
  X(VideoReadError)     /* a disk error while reading ({path}, {detail}) */            \
  X(VideoOpenError)     /* a disk error while opening ({path}, {detail}) */            \
  X(VideoNoStream)      /* {path} holds no video stream */                             \
  X(VideoNoFrame)       /* {path} holds no frame that could be decoded */              \
  X(VideoDecode)        /* {path}: frame {v1} could not be decoded ({detail}) */       \
  X(VideoFrameMissing)  /* {path}: frame {v1} of {v2} is missing */                    \
  X(VideoWriteFailures) /* {v1} of {v2} frames not written; first {path} */            \
  X(VideoStopped)       /* stopped after frame {v1} of {v2} */                         \
  X(FrameRange)         /* {path}: frames {v1} to {v2} outside 0 to {v3} */            \
  X(BadFrameRange)      /* "{text}" is not a frame range FIRST-LAST */                 \
  X(FrameTooSmall)      /* {path}: frame {v1} of {v2} x {v3} pixels, under {v4} */     \
  X(SerBadHeader)       /* {path}: SER header field {field} = {text} not usable */     \
  X(SerTruncated)       /* {path}: FrameCount {v1}, {v2} whole frames of {v3} B */     \
  X(SerTrailerShort)    /* {path}: {v1} of the {v2} time stamps in the trailer */      \
  X(VideoNoDecoder)     /* {path}: the video plugin could not be loaded ({detail}) */  \
  /* Readers and writers of image files: */                                            \
  /* {path}: {field} = "{text}" is not an integer (a header keyword) */                \
  X(KeywordNotAnInteger)                                                               \
  /* {path}: {field} = "{text}" is not a number (a header keyword) */                  \
  X(KeywordNotANumber)                                                                 \
  /* {path}: no END card in the file's {v1} header cards */                            \
  X(NoEndCard)                                                                         \
  /* {path}: no {field} card: no image in the primary HDU */                           \
  X(NoImageCard)                                                                       \
  /* {path}: an image of {v1} x {v2} pixels is impossible */                           \
  X(ImageSizeInvalid)                                                                  \
  /* {path}: an image of {v1} x {v2} pixels is too large */                            \
  X(ImageTooLarge)                                                                     \
  /* {path}: {field} = {v1} is not supported ({text} are) */                           \
  X(UnsupportedValue)                                                                  \
  /* {path}: {v1} x {v2} pixels need {v3} bytes, the file holds {v4} */                \
  X(DataTruncated)                                                                     \
  /* {path}: the file of {v1} bytes ends inside its header */                          \
  X(HeaderTruncated)                                                                   \
  /* {path} is not a {field} file */                                                   \
  X(WrongFormat)                                                                       \
  /* {path}: impossible rectangle {v1},{v2} - {v3},{v4} */                             \
  X(RectangleInvalid)                                                                  \
  /* {path}: there is no image to write */                                             \
  X(NothingToWrite)                                                                    \
  X(BadNumber)          /* {field}: "{text}" is not a number (a field, no row) */      \
  X(ZeroPixel)          /* {field} = 0 is not a pixel size */                          \
  X(ZeroBinning)        /* row {row}, {field}: 0 is not a binning factor */            \
  X(SamePlace)          /* row {row}: A and B at the same place give no scale */       \
  X(NoTableRow)         /* the measurement table has no row {row} */                   \
  X(NoCompanion)        /* no second star above the noise beyond {v1} px of A */       \
  X(EmptyFrame)         /* the frame holds no pixels */                                \
  X(FileNotFound)       /* {path} does not exist */                                    \
  X(UnknownExtension)   /* {path}: not an image extension (BMP, FIT, ORV...) */        \
  X(NoInput)            /* no image given (nothing ticked, no file) */                 \
  X(NoFrameUsable)      /* none of the images could be used */                         \
  X(FrameSizesDiffer)   /* {path} is {v1} x {v2}, the first image {v3} x {v4} */       \
  X(SpectraSizesDiffer) /* {path} is {v1} x {v2} but {text} {v3} x {v4} */             \
  X(CropSize)           /* crop side {v1} is not a positive number of pixels */        \
  X(CropOutside)        /* {path}: the crop round ({v1}, {v2}) is out of range */      \
  X(DriftImpossible)    /* the points do not determine a line */                       \
  X(NotCentredSize)     /* {path}: {v1} x {v2}, not 64, 128, 256 or 512 square */      \
  X(SpectrumMissing)    /* {path} missing: the command {text} makes it */              \
  X(SecondImageSize)    /* second image {v1} x {v2}, the first {v3} x {v4} */          \
  X(ResultTooLarge)     /* a result of {v1} x {v2} pixels is too large */              \
  X(TableEmpty)         /* the measurement table has no row */                         \
  X(Stopped)            /* STOP was pressed */                                         \
  /* The surface fit: */                                                               \
  X(SurfaceNoImage)        /* there is no image to fit */                              \
  X(SurfaceWindowTooLarge) /* window {v1} x {v2} points, at most {v3} x {v3} */        \
  X(SurfaceSingular)       /* singular normal equations at iteration {row} */          \
  X(SurfaceNotFinite)      /* values not finite (iteration {row}, 0: data) */          \
  X(SurfaceNoSignal)       /* every pixel round A and B is 0 */                        \
  X(SurfaceNoPair)         /* {v1} passes left a height at the floor of {v2} */        \
  /* {path} has {v1} rows where {v2} are needed */                                     \
  X(TooFewRows)                                                                        \
  /* Close-pair measurement: */                                                        \
  /* {v1} frames, none usable: {v2} no star, {v3} at the edge, {v4} saturated */       \
  X(SpeckleNoFrame)                                                                    \
  /* no companion peak between {v1} and {v2} pixels of the centre */                   \
  X(SpeckleNoPair)                                                                     \
  /* stopped after {v1} frames */                                                      \
  X(SpeckleStopped)                                                                    \
  X(StarValues)     /* {field}: "{text}" is not RA,DEC,PMRA,PMDEC[,PLX[,RV]] */        \
  X(SpaceMotion)    /* star {field} cannot be moved to the epoch (ERFA {v1}) */        \
  X(BookLine)       /* {path}, line {row}: not a calibration entry ({field}) */        \
  X(NoCalibration)  /* no calibration of camera {text} with binning {v1} */            \
  X(NoMeasures)     /* there is no measured pair to export */                          \
  X(WdsCoordinates) /* "{text}" is not WDS coordinates like 12345+6789 */              \
  X(MethodCode)     /* "{text}" is not a method code (C, Cl or S) */                   \
  X(FieldTooLong)   /* {field} "{text}" is longer than its {v1} columns */             \
  X(NoEpoch)        /* no frame has a time, so the pair has no epoch */

enum class ErrorCode : int {
#define ORVEK_ERROR_ENUM(name) name,
  ORVEK_ERROR_CODES(ORVEK_ERROR_ENUM)
#undef ORVEK_ERROR_ENUM
};

/// Number of codes (they run from 0 to kErrorCodeCount - 1).
inline constexpr int kErrorCodeCount = 0
#define ORVEK_ERROR_COUNT(name) +1
    ORVEK_ERROR_CODES(ORVEK_ERROR_COUNT)
#undef ORVEK_ERROR_COUNT
    ;

/// The code's name as written in the settings file ("FileOpen").
const char* ErrorCodeName(ErrorCode code);

/// A failure: its code and what it concerns. Fields a code does not use stay empty.
struct Error {
  ErrorCode code = ErrorCode::None;
  std::string path;            ///< the file or folder concerned
  std::string field;           ///< header keyword, column, option or field name
  long long row = -1;          ///< row, frame or item number (1-based as shown), -1 when none
  std::string text;            ///< a value as it was found (a cell's text, a keyword's value)
  std::string detail;          ///< the system's own reason (errno text), never program wording
  std::vector<double> values;  ///< the numbers concerned, in the order the code documents

  Error() = default;
  explicit Error(ErrorCode c) : code(c) {}
  Error& Path(std::string p) {
    path = std::move(p);
    return *this;
  }
  Error& Field(std::string f) {
    field = std::move(f);
    return *this;
  }
  Error& Row(long long r) {
    row = r;
    return *this;
  }
  Error& Text(std::string t) {
    text = std::move(t);
    return *this;
  }
  Error& Detail(std::string d) {
    detail = std::move(d);
    return *this;
  }
  Error& Values(std::vector<double> v) {
    values = std::move(v);
    return *this;
  }
};

/// The system's own text for an errno value ("No space left on device"), for Error::detail.
std::string SystemReason(int errnoValue);

/// A plain rendering for developers (logs, test failure output): the code's name and its
/// fields. Never shown to a user as a message.
std::string DebugText(const Error& e);

}  // namespace orvek

#include "series/VideoImport.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/BmpWriter.h"
#include "series/VideoDecoder.h"

namespace orvek {

std::string FrameFileName(const std::string& baseName, int64_t index,
                          const std::string& extension) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%.4lld", static_cast<long long>(index));
  return baseName + digits + extension;
}

std::string ProgressText(int64_t done, int64_t total) {
  return std::to_string(done) + "/" + std::to_string(total);
}

namespace {

using video_detail::DecodedFrame;
using video_detail::Decoding;
using video_detail::VideoDecoder;

VideoError KindOf(ErrorCode code) {
  switch (code) {
    case ErrorCode::None: return VideoError::None;
    case ErrorCode::VideoBadFormat: return VideoError::BadFormat;
    case ErrorCode::VideoNoMemory: return VideoError::NoMemory;
    case ErrorCode::VideoOpenError:
    case ErrorCode::FileOpen: return VideoError::OpenError;
    case ErrorCode::SerBadHeader:
    case ErrorCode::SerTruncated:
    case ErrorCode::SerTrailerShort: return VideoError::MalformedSer;
    case ErrorCode::VideoNoStream: return VideoError::NoVideo;
    case ErrorCode::VideoNoFrame: return VideoError::NoFrame;
    case ErrorCode::VideoDecode:
    case ErrorCode::FitsNotLossless: return VideoError::DecodeError;
    case ErrorCode::VideoWriteFailures: return VideoError::WriteFailures;
    case ErrorCode::VideoStopped: return VideoError::Cancelled;
    case ErrorCode::FileExists: return VideoError::OutputExists;
    default: return VideoError::ReadError;
  }
}

// Writes `bytes` as a new file `path`. An existing file is refused (FileExists), or with
// `replace` the bytes go to a new temporary file beside it that is then renamed over it. A
// file left half-written by a failure is removed (it is ours: it did not exist before).
Status WriteFrameFile(const std::string& path, const std::vector<uint8_t>& bytes, bool replace) {
  std::string target = path;
  int fd = -1;
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (replace) {
      target = path + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(attempt);
    }
    fd = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST || !replace) break;
  }
  if (fd < 0) {
    const int err = errno;
    if (err == EEXIST) return Status::Fail(Error(ErrorCode::FileExists).Path(path));
    return Status::Fail(Error(ErrorCode::FileWrite).Path(path).Detail(std::strerror(err)));
  }
  size_t done = 0;
  int err = 0;
  while (done < bytes.size()) {
    const ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      err = put < 0 ? errno : EIO;
      break;
    }
    done += static_cast<size_t>(put);
  }
  if (close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && replace && std::rename(target.c_str(), path.c_str()) != 0) err = errno;
  if (err != 0) {
    unlink(target.c_str());
    if (err == ENOSPC) return Status::Fail(Error(ErrorCode::DiskFull).Path(path));
    return Status::Fail(Error(ErrorCode::FileWrite).Path(path).Detail(std::strerror(err)));
  }
  return Status::Ok();
}

// The first frame file of numbers 0 .. total - 1 that is already in the folder, found by
// listing the folder once (a damaged header may declare billions of frames); empty when none.
std::string FirstExisting(const std::string& baseName, const std::string& extension,
                          int64_t total) {
  namespace fs = std::filesystem;
  const size_t slash = baseName.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : baseName.substr(0, slash + 1);
  const std::string prefix = slash == std::string::npos ? baseName : baseName.substr(slash + 1);
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? "/" : folder, ec);
  int64_t first = -1;
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() < prefix.size() + 4 + extension.size() ||
        name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - extension.size(), extension.size(), extension) != 0)
      continue;
    const std::string digits =
        name.substr(prefix.size(), name.size() - prefix.size() - extension.size());
    if (digits.size() > 18 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    const int64_t n = std::stoll(digits);
    // Only the name the conversion would give frame n (no other spelling of the number).
    if (n < total && FrameFileName(prefix, n, extension) == name && (first < 0 || n < first))
      first = n;
  }
  return first < 0 ? std::string() : FrameFileName(baseName, first, extension);
}

class Conversion {
 public:
  Conversion(const std::string& path, const std::string& baseName, const VideoOptions& options,
             VideoProgress& progress, VideoResult& result)
      : m_path(path), m_baseName(baseName), m_options(options), m_progress(progress), m_r(result) {}

  void Run() {
    Result<std::unique_ptr<VideoDecoder>> opened =
        video_detail::OpenVideoDecoder(m_path, m_options.serByteOrder);
    if (!opened) return Finish(opened.error());
    VideoDecoder& decoder = **opened;
    ChooseFormat(decoder);
    m_r.total = decoder.Total();
    if (m_r.total == 0) return Finish(Error(ErrorCode::VideoNoFrame).Path(m_path));
    if (!m_options.overwrite) {
      const std::string there = FirstExisting(m_baseName, m_extension, m_r.total);
      if (!there.empty()) return Finish(Error(ErrorCode::FileExists).Path(there));
    }
    if (!Step(0, decoder)) return Finish({});

    DecodedFrame frame;
    int64_t expected = 0;  // the number the next frame should have
    while (!m_stopped) {
      const Result<bool> next = decoder.Next(frame, m_decoding, 0);
      for (const Error& w : decoder.warnings) Missing(w);
      decoder.warnings.clear();
      if (!next) return Finish(next.error());
      if (!*next) break;
      for (int64_t k = expected; k < frame.number && !m_stopped; ++k) {
        MissingNumber(k, decoder);
      }
      if (m_stopped) break;
      ++m_r.framesRead;
      Write(frame);
      expected = frame.number + 1;
      Step(expected, decoder);
    }
    // Frames the container counts after the last one it gave.
    for (int64_t k = expected; k < decoder.Total() && !m_stopped; ++k) MissingNumber(k, decoder);
    Finish({});
  }

 private:
  void ChooseFormat(const VideoDecoder& decoder) {
    VideoFormat f = m_options.format;
    if (f == VideoFormat::Auto) f = decoder.DeepSamples() ? VideoFormat::Orv : VideoFormat::Bmp;
    m_format = f;
    m_decoding = f == VideoFormat::Bmp ? Decoding::Bgr : Decoding::Values;
    m_extension = f == VideoFormat::Bmp ? ".bmp" : f == VideoFormat::Orv ? ".orv" : ".fits";
  }

  bool Step(int64_t done, const VideoDecoder& decoder) {
    m_r.total = std::max(m_r.total, decoder.Total());
    if (!m_progress.Step(done, m_r.total, ProgressText(done, m_r.total))) m_stopped = true;
    return !m_stopped;
  }

  // A frame the decoder could not give (VideoDecode, v1 = its number).
  void Missing(const Error& problem) {
    const auto number = static_cast<int64_t>(problem.values.empty() ? -1 : problem.values[0]);
    m_r.missing.push_back(number);
    m_progress.Warning(problem);
  }

  void MissingNumber(int64_t number, const VideoDecoder& decoder) {
    if (std::find(m_r.missing.begin(), m_r.missing.end(), number) == m_r.missing.end()) {
      m_r.missing.push_back(number);
      m_progress.Warning(Error(ErrorCode::VideoFrameMissing)
                             .Path(m_path)
                             .Values({double(number), double(decoder.Total())}));
    }
    Step(number + 1, decoder);
  }

  void Write(DecodedFrame& frame) {
    const std::string name = FrameFileName(m_baseName, frame.number, m_extension);
    Status written;
    if (m_format == VideoFormat::Bmp) {
      written = WriteFrameFile(name, EncodeBmp24(frame.bgr), m_options.overwrite);
    } else if (m_format == VideoFormat::Orv) {
      const OTrame& v = frame.values;
      written = WriteFrameFile(name, v.EncodeOrv(0, 0, v.LastX, v.LastY), m_options.overwrite);
    } else {
      Result<std::vector<uint8_t>> bytes = frame.values.EncodeLosslessFits();
      written = bytes ? WriteFrameFile(name, *bytes, m_options.overwrite)
                      : Status::Fail(Error(bytes.error()).Path(name));
    }
    if (written) {
      ++m_r.framesWritten;
      m_r.files.push_back(name);
      return;
    }
    ++m_r.failedWrites;
    if (m_firstWriteFailure.code == ErrorCode::None) m_firstWriteFailure = written.error;
    m_progress.Warning(written.error);
  }

  void Finish(Error failure) {
    VideoResult& r = m_r;
    r.ok = r.framesWritten > 0;
    if (failure.code == ErrorCode::None) {
      if (m_stopped) {
        failure = Error(ErrorCode::VideoStopped)
                      .Path(m_path)
                      .Values({double(r.framesRead), double(r.total)});
      } else if (r.framesRead == 0) {
        failure = Error(ErrorCode::VideoNoFrame).Path(m_path);
      } else if (r.failedWrites > 0) {
        failure = Error(ErrorCode::VideoWriteFailures)
                      .Path(m_firstWriteFailure.path)
                      .Detail(m_firstWriteFailure.detail)
                      .Values({double(r.failedWrites), double(r.framesRead)});
      }
    }
    r.error = KindOf(failure.code);
    if (r.error != VideoError::None) {
      r.message = DebugText(failure);
      r.detail = failure.detail;
    }
    r.failure = std::move(failure);
  }

  std::string m_path;
  std::string m_baseName;
  VideoOptions m_options;
  VideoProgress& m_progress;
  VideoResult& m_r;
  VideoFormat m_format = VideoFormat::Bmp;
  Decoding m_decoding = Decoding::Bgr;
  std::string m_extension;
  bool m_stopped = false;
  Error m_firstWriteFailure;
};

}  // namespace

VideoResult ConvertVideo(const std::string& path, const std::string& baseName,
                         const VideoOptions& options, VideoProgress& progress) {
  VideoResult result;
  Conversion(path, baseName, options, progress, result).Run();
  return result;
}

}  // namespace orvek

#include "series/VideoImport.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/BmpWriter.h"
#include "series/VideoFrameOutput.h"

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

namespace video_detail {

bool FrameOutput::Begin(int64_t total) {
  m_result.total = total;
  if (!m_progress.Step(0, total, ProgressText(0, total))) m_cancelled = true;
  return !m_cancelled;
}

bool FrameOutput::Written(const Status& status, const std::string& name) {
  if (status) {
    ++m_result.framesWritten;
    m_result.files.push_back(name);
  } else {
    ++m_result.failedWrites;
    if (m_firstWriteError.empty()) m_firstWriteError = status.message;
    m_progress.Warning(status.message);
  }
  ++m_result.framesRead;
  const int64_t done = m_result.framesRead;
  if (!m_progress.Step(done, m_result.total, ProgressText(done, m_result.total))) {
    m_cancelled = true;
  }
  return !m_cancelled;
}

bool FrameOutput::WriteBmp(const Raster& raster) {
  const std::string name = FrameFileName(m_baseName, m_result.framesRead, ".bmp");
  return Written(WriteBmp24(name, raster), name);
}

bool FrameOutput::WriteOrv(const OTrame& frame) {
  const std::string name = FrameFileName(m_baseName, m_result.framesRead, ".orv");
  return Written(frame.SaveOrv(0, 0, frame.LastX, frame.LastY, name), name);
}

void FrameOutput::Finish(VideoError error, const std::string& message, const std::string& detail) {
  VideoResult& r = m_result;
  r.ok = r.framesWritten > 0;
  if (error != VideoError::None) {
    r.error = error;
    r.message = message;
    r.detail = detail;
  } else if (m_cancelled) {
    r.error = VideoError::Cancelled;
    r.message = "Stopped after " + std::to_string(r.framesRead) + " of " + std::to_string(r.total) +
                " frame(s)";
  } else if (r.framesRead == 0) {
    r.error = VideoError::NoFrame;
    r.message = message.empty() ? "The video holds no frame that could be decoded" : message;
    r.detail = detail;
  } else if (r.failedWrites > 0) {
    r.error = VideoError::WriteFailures;
    r.message = std::to_string(r.failedWrites) + " of " + std::to_string(r.framesRead) +
                " frame(s) could not be written";
    r.detail = m_firstWriteError;
  }
}

}  // namespace video_detail

namespace {

using video_detail::FrameOutput;

uint8_t ToByte(uint16_t v, int depth) {
  // The most significant 8 bits of the declared depth; values beyond it saturate.
  const unsigned shifted = depth > 8 ? static_cast<unsigned>(v) >> (depth - 8) : v;
  return static_cast<uint8_t>(std::min(shifted, 255u));
}

void ConvertSer(const std::string& path, const VideoOptions& options, FrameOutput& out) {
  SerReader reader;
  if (Status s = reader.Open(path, options.serByteOrder); !s) {
    out.Finish(VideoError::MalformedSer, s.message, s.message);
    return;
  }
  const SerHeader& h = reader.Header();
  if (h.frameCount == 0) {
    const std::string text = path + ": the SER video holds no frame (FrameCount = 0)";
    out.Finish(VideoError::NoFrame, text, text);
    return;
  }
  const bool orv =
      options.format == VideoFormat::Orv || (options.format == VideoFormat::Auto && h.depth > 8);
  std::vector<uint16_t> samples;
  Raster raster;
  OTrame frame;
  if (orv) {
    frame.Allocate(h.width, h.height);
  } else {
    raster = Raster(h.width, h.height);
  }
  if (!out.Begin(h.frameCount)) {
    out.Finish(VideoError::None, {}, {});
    return;
  }
  const bool bgr = h.colorId == static_cast<int32_t>(SerColorId::Bgr);
  for (int64_t k = 0; k < h.frameCount; ++k) {
    if (Status s = reader.ReadFrame(k, samples); !s) {
      out.Finish(VideoError::ReadError, kVideoMsgReadError, s.message);
      return;
    }
    const uint16_t* p = samples.data();
    bool goOn = true;
    if (orv) {
      // Mono and Bayer: the raw sample (no debayering, measurements want the sensor's
      // values); colour: the sum of the three samples, as the BMP reader sums B, G and R.
      for (int32_t y = 0; y < h.height; ++y) {
        for (int32_t x = 0; x < h.width; ++x) {
          const uint16_t* s = p + (static_cast<size_t>(y) * h.width + x) * h.planes;
          frame.Px(x, y) = h.planes == 3 ? static_cast<Extended>(s[0] + s[1] + s[2])
                                         : static_cast<Extended>(s[0]);
        }
      }
      goOn = out.WriteOrv(frame);
    } else {
      for (int32_t y = 0; y < h.height; ++y) {
        uint8_t* row = raster.Row(y);
        for (int32_t x = 0; x < h.width; ++x) {
          const uint16_t* s = p + (static_cast<size_t>(y) * h.width + x) * h.planes;
          uint8_t* d = row + 3 * x;
          if (h.planes == 3) {
            // Raster bytes are B, G, R; SER RGB stores R first, BGR stores B first.
            d[0] = ToByte(bgr ? s[0] : s[2], h.depth);
            d[1] = ToByte(s[1], h.depth);
            d[2] = ToByte(bgr ? s[2] : s[0], h.depth);
          } else {
            d[0] = d[1] = d[2] = ToByte(s[0], h.depth);
          }
        }
      }
      goOn = out.WriteBmp(raster);
    }
    if (!goOn) break;
  }
  out.Finish(VideoError::None, {}, {});
}

bool HasSerExtension(const std::string& path) {
  return UpperExtension(path) == ".SER";
}

}  // namespace

VideoResult ConvertVideo(const std::string& path, const std::string& baseName,
                         const VideoOptions& options, VideoProgress& progress) {
  VideoResult result;
  FrameOutput out(baseName, progress, result);

  // A file that cannot be opened at all is reported alike for every kind of video.
  struct stat st {};
  int err = 0;
  std::FILE* probe = nullptr;
  if (stat(path.c_str(), &st) != 0) {
    err = errno;
  } else if (S_ISDIR(st.st_mode)) {
    err = EISDIR;
  } else if ((probe = std::fopen(path.c_str(), "rb")) == nullptr) {
    err = errno;
  }
  if (probe == nullptr) {
    const bool memory = err == ENOMEM;
    out.Finish(memory ? VideoError::NoMemory : VideoError::OpenError,
               memory ? kVideoMsgNoMemory : kVideoMsgOpenError, path + ": " + std::strerror(err));
    return result;
  }
  uint8_t id[14] = {};
  const size_t got = std::fread(id, 1, sizeof id, probe);
  std::fclose(probe);

  if (HasSerFileId(id, got) || HasSerExtension(path)) {
    ConvertSer(path, options, out);
  } else {
    video_detail::ConvertWithFfmpeg(path, options.format, out, result);
  }
  return result;
}

}  // namespace orvek

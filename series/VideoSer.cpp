// SER videos frame by frame, and the choice of a decoder for a video file.

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "series/VideoDecoder.h"

namespace orvek::video_detail {

namespace {

uint8_t ToByte(uint16_t v, int depth) {
  // The most significant 8 bits of the declared depth; values beyond it saturate.
  const unsigned shifted = depth > 8 ? static_cast<unsigned>(v) >> (depth - 8) : v;
  return static_cast<uint8_t>(std::min(shifted, 255u));
}

std::optional<FrameTime> TimeOfTicks(int64_t ticks, bool approximate) {
  const Result<UtcTime> utc = FromTicks(ticks);
  if (!utc) return std::nullopt;
  FrameTime t;
  t.utc = *utc;
  t.source = TimeSource::Ser;
  t.approximate = approximate;
  return t;
}

class SerDecoder : public VideoDecoder {
 public:
  Status Open(const std::string& path, SerByteOrder order) {
    if (Status s = m_reader.Open(path, order); !s) return s;
    if (Status s = m_reader.ReadTimestamps(m_stamps); !s) return s;
    // Without time stamps every frame takes the header's UTC date, when it has one.
    if (m_stamps.empty() && m_reader.Header().dateTimeUtc > 0)
      m_videoTime = TimeOfTicks(m_reader.Header().dateTimeUtc, true);
    return Status::Ok();
  }

  int64_t Total() const override { return m_reader.Header().frameCount; }
  int32_t DeclaredWidth() const override { return m_reader.Header().width; }
  int32_t DeclaredHeight() const override { return m_reader.Header().height; }
  bool DeepSamples() const override { return m_reader.Header().depth > 8; }

  Result<bool> Next(DecodedFrame& out, Decoding decoding, int64_t first) override {
    const SerHeader& h = m_reader.Header();
    m_next = std::max(m_next, first);
    if (m_next >= h.frameCount) return false;
    const int64_t k = m_next++;
    if (Status s = m_reader.ReadFrame(k, m_samples); !s) return Unexpected(s.error);
    out.number = k;
    out.time = m_stamps.empty() ? m_videoTime : TimeOfTicks(m_stamps[k], false);
    if (decoding == Decoding::Values) {
      ToValues(out.values);
      out.values.Time = out.time;
    } else {
      ToBgr(out.bgr);
    }
    return true;
  }

 private:
  // Mono and Bayer: the raw sample (no debayering, measurements want the sensor's values);
  // colour: the sum of the three samples, as the BMP reader sums B, G and R.
  void ToValues(OTrame& frame) const {
    const SerHeader& h = m_reader.Header();
    if (frame.Width() != h.width || frame.Height() != h.height) {
      frame.AllocateUninitialized(h.width, h.height);
    }
    // Column by column, as the frame stores its pixels.
    const uint16_t* p = m_samples.data();
    const size_t rowStride = static_cast<size_t>(h.width) * h.planes;
    for (int32_t x = 0; x < h.width; ++x) {
      Extended* column = frame.Column(x);
      const uint16_t* s = p + static_cast<size_t>(x) * h.planes;
      for (int32_t y = 0; y < h.height; ++y, s += rowStride) {
        column[y] =
            h.planes == 3 ? static_cast<Extended>(s[0] + s[1] + s[2]) : static_cast<Extended>(s[0]);
      }
    }
  }

  void ToBgr(Raster& raster) const {
    const SerHeader& h = m_reader.Header();
    if (raster.width != h.width || raster.height != h.height) raster = Raster(h.width, h.height);
    const bool bgr = h.colorId == static_cast<int32_t>(SerColorId::Bgr);
    const uint16_t* p = m_samples.data();
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
  }

  SerReader m_reader;
  std::vector<int64_t> m_stamps;
  std::optional<FrameTime> m_videoTime;
  std::vector<uint16_t> m_samples;
  int64_t m_next = 0;
};

bool HasSerExtension(const std::string& path) {
  return UpperExtension(path) == ".SER";
}

}  // namespace

Result<std::unique_ptr<VideoDecoder>> OpenSerDecoder(const std::string& path, SerByteOrder order) {
  auto decoder = std::make_unique<SerDecoder>();
  if (Status s = decoder->Open(path, order); !s) return Unexpected(s.error);
  return std::unique_ptr<VideoDecoder>(std::move(decoder));
}

Result<std::unique_ptr<VideoDecoder>> OpenVideoDecoder(const std::string& path,
                                                       SerByteOrder order) {
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
    return Unexpected(Error(err == ENOMEM ? ErrorCode::VideoNoMemory : ErrorCode::VideoOpenError)
                          .Path(path)
                          .Detail(std::strerror(err)));
  }
  uint8_t id[14] = {};
  const size_t got = std::fread(id, 1, sizeof id, probe);
  std::fclose(probe);
  if (HasSerFileId(id, got) || HasSerExtension(path)) return OpenSerDecoder(path, order);
  return OpenFfmpegDecoder(path);
}

}  // namespace orvek::video_detail

// Reading videos through the FFmpeg libraries: demux, decode, convert each frame to
// B, G, R bytes and hand it to the frame output. One packet, one decoded frame, one
// conversion context and one picture buffer serve the whole video.

#include <cerrno>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "series/VideoFrameOutput.h"

namespace orvek::video_detail {

namespace {

std::string AvText(int code) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, buf, sizeof buf);
  return buf;
}

struct Failure {
  VideoError error = VideoError::None;
  const char* message = "";
};

// Errors of opening the file and reading its header:
//   ENOMEM                                   -> out of memory
//   ENOENT, EACCES, EPERM, EISDIR, ENOTDIR,
//   ENAMETOOLONG, ELOOP, EMFILE, ENFILE,
//   ENXIO, ENODEV, EBUSY                     -> the file could not be opened
//   EIO, end of file inside the header       -> the file could not be read to its end
//   anything else (unknown format, invalid data, no demuxer, unsupported feature)
//                                            -> the file couldn't be read
Failure MapOpenError(int code) {
  if (code == AVERROR(ENOMEM)) return {VideoError::NoMemory, kVideoMsgNoMemory};
  for (int e : {ENOENT, EACCES, EPERM, EISDIR, ENOTDIR, ENAMETOOLONG, ELOOP, EMFILE, ENFILE, ENXIO,
                ENODEV, EBUSY}) {
    if (code == AVERROR(e)) return {VideoError::OpenError, kVideoMsgOpenError};
  }
  if (code == AVERROR(EIO) || code == AVERROR_EOF) {
    return {VideoError::ReadError, kVideoMsgReadError};
  }
  return {VideoError::BadFormat, kVideoMsgBadFormat};
}

void QuietLibraries() {
  // The conversion reports its own errors; FFmpeg's console chatter would only duplicate
  // them on the command line's stderr.
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

// Owner of every FFmpeg object of one reading.
struct Decoder {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  SwsContext* sws = nullptr;
  int stream = -1;

  ~Decoder() {
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
  }
};

// Opens the container and finds its first video stream (attached cover pictures aside).
// On failure fills error, message and detail and returns false.
bool OpenContainer(const std::string& path, Decoder& d, VideoError& error, std::string& message,
                   std::string& detail) {
  int rc = avformat_open_input(&d.format, path.c_str(), nullptr, nullptr);
  if (rc >= 0) rc = avformat_find_stream_info(d.format, nullptr);
  if (rc < 0) {
    const Failure f = MapOpenError(rc);
    error = f.error;
    message = f.message;
    detail = path + ": " + AvText(rc);
    return false;
  }
  for (unsigned i = 0; i < d.format->nb_streams; ++i) {
    const AVStream* s = d.format->streams[i];
    if (s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
        (s->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0) {
      d.stream = static_cast<int>(i);
      break;
    }
  }
  if (d.stream < 0) {
    error = VideoError::NoVideo;
    message = path + ": the file holds no video stream";
    detail = message;
    return false;
  }
  d.packet = av_packet_alloc();
  d.frame = av_frame_alloc();
  if (d.packet == nullptr || d.frame == nullptr) {
    error = VideoError::NoMemory;
    message = kVideoMsgNoMemory;
    detail = path + ": no memory for a packet";
    return false;
  }
  return true;
}

// The video stream's packets, counted by a reading pass over a second opening of the file.
int64_t CountPackets(const std::string& path) {
  Decoder d;
  VideoError error = VideoError::None;
  std::string message;
  std::string detail;
  if (!OpenContainer(path, d, error, message, detail)) return 0;
  int64_t count = 0;
  while (av_read_frame(d.format, d.packet) >= 0) {
    if (d.packet->stream_index == d.stream) ++count;
    av_packet_unref(d.packet);
  }
  return count;
}

bool IsPlainGrey(const AVPixFmtDescriptor* desc) {
  return desc != nullptr && desc->nb_components == 1 &&
         (desc->flags & (AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_FLOAT |
                         AV_PIX_FMT_FLAG_HWACCEL)) == 0;
}

// Converts and writes decoded frames.
class FrameWriter {
 public:
  FrameWriter(const std::string& path, VideoFormat format, Decoder& d, FrameOutput& out,
              const VideoResult& result)
      : m_path(path), m_orv(format == VideoFormat::Orv), m_d(d), m_out(out), m_result(result) {}
  ~FrameWriter() { av_freep(&m_bgr[0]); }

  // Writes d.frame. False when the conversion must stop (stopped by the user, or a
  // failure described by error/message/detail).
  bool Write(const AVFrame* f) {
    const int w = f->width;
    const int h = f->height;
    const auto pixFormat = static_cast<AVPixelFormat>(f->format);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(pixFormat);
    if (w <= 0 || h <= 0 || desc == nullptr || static_cast<int64_t>(w) * h > kMaxPixels) {
      Fail(VideoError::DecodeError, "a decoded frame of " + std::to_string(w) + " x " +
                                        std::to_string(h) + " pixels cannot be converted");
      return false;
    }
    if (m_orv && IsPlainGrey(desc)) return WriteGreyOrv(f, desc);
    if (!ToBgr(f, pixFormat)) return false;
    if (!m_orv) return m_out.WriteBmp(m_raster);
    // Colour to ORV: the sum of B, G and R, the value the BMP reader gives for this frame.
    if (m_frame.Width() != w || m_frame.Height() != h) m_frame.Allocate(w, h);
    for (int y = 0; y < h; ++y) {
      const uint8_t* row = m_raster.Row(y);
      for (int x = 0; x < w; ++x) {
        m_frame.Px(x, y) = static_cast<Extended>(row[3 * x] + row[3 * x + 1] + row[3 * x + 2]);
      }
    }
    return m_out.WriteOrv(m_frame);
  }

  VideoError error = VideoError::None;
  std::string message;
  std::string detail;

 private:
  void Fail(VideoError e, const std::string& text) {
    error = e;
    detail = m_path + ": frame " + std::to_string(m_result.framesRead) + ": " + text;
    message = e == VideoError::NoMemory ? std::string(kVideoMsgNoMemory) : detail;
  }

  bool ToBgr(const AVFrame* f, AVPixelFormat pixFormat) {
    const int w = f->width;
    const int h = f->height;
    m_d.sws = sws_getCachedContext(m_d.sws, w, h, pixFormat, w, h, AV_PIX_FMT_BGR24,
                                   SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr,
                                   nullptr, nullptr);
    if (m_d.sws == nullptr) {
      Fail(VideoError::DecodeError, std::string("no conversion from ") +
                                        av_get_pix_fmt_name(pixFormat) + " to B, G, R bytes");
      return false;
    }
    if (w != m_bgrWidth || h != m_bgrHeight) {
      av_freep(&m_bgr[0]);
      // An aligned picture for the scaler, copied row by row into the packed raster.
      if (av_image_alloc(m_bgr, m_bgrLines, w, h, AV_PIX_FMT_BGR24, 64) < 0) {
        m_bgrWidth = m_bgrHeight = 0;
        Fail(VideoError::NoMemory, "no memory for a frame");
        return false;
      }
      m_bgrWidth = w;
      m_bgrHeight = h;
      m_raster = Raster(w, h);
    }
    sws_scale(m_d.sws, f->data, f->linesize, 0, h, m_bgr, m_bgrLines);
    for (int y = 0; y < h; ++y) {
      std::memcpy(m_raster.Row(y), m_bgr[0] + static_cast<ptrdiff_t>(y) * m_bgrLines[0],
                  static_cast<size_t>(w) * 3);
    }
    return true;
  }

  // Grey frames to ORV: each sample as decoded, at its own depth (8 to 16 bits).
  bool WriteGreyOrv(const AVFrame* f, const AVPixFmtDescriptor* desc) {
    const int w = f->width;
    const int h = f->height;
    if (m_frame.Width() != w || m_frame.Height() != h) m_frame.Allocate(w, h);
    m_line.resize(static_cast<size_t>(w));
    for (int y = 0; y < h; ++y) {
      av_read_image_line2(m_line.data(), const_cast<const uint8_t**>(f->data), f->linesize, desc, 0,
                          y, 0, w, 0, 4);
      for (int x = 0; x < w; ++x) m_frame.Px(x, y) = static_cast<Extended>(m_line[x]);
    }
    return m_out.WriteOrv(m_frame);
  }

  std::string m_path;
  bool m_orv;
  Decoder& m_d;
  FrameOutput& m_out;
  const VideoResult& m_result;
  uint8_t* m_bgr[4] = {};
  int m_bgrLines[4] = {};
  int m_bgrWidth = 0;
  int m_bgrHeight = 0;
  Raster m_raster;
  OTrame m_frame;
  std::vector<uint32_t> m_line;
};

}  // namespace

void ConvertWithFfmpeg(const std::string& path, VideoFormat format, FrameOutput& out,
                       VideoResult& result) {
  QuietLibraries();
  Decoder d;
  VideoError error = VideoError::None;
  std::string message;
  std::string detail;
  if (!OpenContainer(path, d, error, message, detail)) {
    out.Finish(error, message, detail);
    return;
  }
  const AVStream* stream = d.format->streams[d.stream];
  const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
  if (decoder == nullptr) {
    out.Finish(VideoError::BadFormat, kVideoMsgBadFormat,
               path + ": no decoder for the codec " + avcodec_get_name(stream->codecpar->codec_id));
    return;
  }
  d.codec = avcodec_alloc_context3(decoder);
  if (d.codec == nullptr) {
    out.Finish(VideoError::NoMemory, kVideoMsgNoMemory, path + ": no memory for the decoder");
    return;
  }
  int rc = avcodec_parameters_to_context(d.codec, stream->codecpar);
  if (rc >= 0) rc = avcodec_open2(d.codec, decoder, nullptr);
  if (rc < 0) {
    const Failure f = MapOpenError(rc);
    out.Finish(f.error, f.message, path + ": cannot open the decoder: " + AvText(rc));
    return;
  }

  // The container's frame count when it declares one (AVI always does), else the packets
  // of the stream counted by a first pass.
  const int64_t total = stream->nb_frames > 0 ? stream->nb_frames : CountPackets(path);
  if (!out.Begin(total)) {
    out.Finish(VideoError::None, {}, {});
    return;
  }

  FrameWriter writer(path, format, d, out, result);
  const auto frameText = [&] { return path + ": frame " + std::to_string(result.framesRead); };
  // A packet or frame the decoder refused ends the conversion; the frames before it stay.
  const auto decodeFailure = [&](int code) {
    detail = frameText() + ": " + AvText(code);
    if (code == AVERROR(ENOMEM)) {
      error = VideoError::NoMemory;
      message = kVideoMsgNoMemory;
    } else {
      error = VideoError::DecodeError;
      message = frameText() + " could not be decoded (" + AvText(code) + ")";
    }
  };

  bool draining = false;
  bool stop = false;
  while (!stop) {
    if (!draining) {
      rc = av_read_frame(d.format, d.packet);
      if (rc == AVERROR_EOF) {
        draining = true;
        rc = avcodec_send_packet(d.codec, nullptr);
      } else if (rc < 0) {
        error = rc == AVERROR(ENOMEM) ? VideoError::NoMemory : VideoError::ReadError;
        message = error == VideoError::NoMemory ? kVideoMsgNoMemory : kVideoMsgReadError;
        detail = frameText() + ": " + AvText(rc);
        break;
      } else if (d.packet->stream_index != d.stream) {
        av_packet_unref(d.packet);
        continue;
      } else {
        // The demuxer marks a packet it could not read in full: the file ends inside it.
        const bool cut = (d.packet->flags & AV_PKT_FLAG_CORRUPT) != 0;
        rc = avcodec_send_packet(d.codec, d.packet);
        av_packet_unref(d.packet);
        if (cut && rc < 0) {
          error = VideoError::ReadError;
          message = kVideoMsgReadError;
          detail = frameText() + " is cut short";
          break;
        }
      }
      // Every frame ready was taken below, so the decoder never answers EAGAIN here.
      if (rc < 0) {
        decodeFailure(rc);
        break;
      }
    }
    // Every frame the decoder has ready.
    while (true) {
      rc = avcodec_receive_frame(d.codec, d.frame);
      if (rc == AVERROR(EAGAIN)) break;
      if (rc == AVERROR_EOF) {
        stop = true;
        break;
      }
      if (rc < 0) {
        decodeFailure(rc);
        stop = true;
        break;
      }
      const bool goOn = writer.Write(d.frame);
      av_frame_unref(d.frame);
      if (!goOn) {
        if (writer.error != VideoError::None) {
          error = writer.error;
          message = writer.message;
          detail = writer.detail;
        }
        stop = true;
        break;
      }
    }
    // After the flush the decoder ends with EOF; an EAGAIN there would mean nothing more.
    if (draining) break;
  }
  out.Finish(error, message, detail);
}

}  // namespace orvek::video_detail

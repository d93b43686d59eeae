// Reading videos through the FFmpeg libraries: demux, decode, and convert each frame to
// B, G, R bytes or to values. One packet, one decoded frame, one conversion context and one
// picture buffer serve the whole video. Frames are numbered by their presentation time, so a
// frame the capture program dropped (an empty chunk of an AVI, a gap in the time stamps)
// leaves its number unused instead of shifting the numbers after it.

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

#include "series/VideoDecoder.h"

namespace orvek::video_detail {

namespace {

std::string AvText(int code) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, buf, sizeof buf);
  return buf;
}

// Errors of opening the file and reading its header:
//   ENOMEM                                   -> out of memory
//   ENOENT, EACCES, EPERM, EISDIR, ENOTDIR,
//   ENAMETOOLONG, ELOOP, EMFILE, ENFILE,
//   ENXIO, ENODEV, EBUSY                     -> the file could not be opened
//   EIO, end of file inside the header       -> the file could not be read to its end
//   anything else (unknown format, invalid data, no demuxer, unsupported feature)
//                                            -> the file couldn't be read
ErrorCode OpenErrorCode(int code) {
  if (code == AVERROR(ENOMEM)) return ErrorCode::VideoNoMemory;
  for (int e : {ENOENT, EACCES, EPERM, EISDIR, ENOTDIR, ENAMETOOLONG, ELOOP, EMFILE, ENFILE, ENXIO,
                ENODEV, EBUSY}) {
    if (code == AVERROR(e)) return ErrorCode::VideoOpenError;
  }
  if (code == AVERROR(EIO) || code == AVERROR_EOF) return ErrorCode::VideoReadError;
  return ErrorCode::VideoBadFormat;
}

void QuietLibraries() {
  // The reading reports its own errors; FFmpeg's console chatter would only duplicate
  // them on the command line's stderr.
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

bool IsPlainGrey(const AVPixFmtDescriptor* desc) {
  return desc != nullptr && desc->nb_components == 1 &&
         (desc->flags & (AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_FLOAT |
                         AV_PIX_FMT_FLAG_HWACCEL)) == 0;
}

// The recording's start from the container's metadata ("creation_time", or the "date" of an
// AVI's INFO list), when it reads as an ISO date and time. Taken as UTC.
std::optional<UtcTime> CreationTime(const AVFormatContext* format, const AVStream* stream) {
  for (const AVDictionary* dict : {format->metadata, stream->metadata}) {
    for (const char* key : {"creation_time", "date"}) {
      const AVDictionaryEntry* e = av_dict_get(dict, key, nullptr, 0);
      if (e == nullptr) continue;
      if (const Result<UtcTime> t = ParseIsoTime(e->value)) return *t;
    }
  }
  return std::nullopt;
}

// Owner of every FFmpeg object of one reading.
struct Context {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  SwsContext* sws = nullptr;
  int stream = -1;

  Context() = default;
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  ~Context() {
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
  }

  // Opens the container and finds its first video stream (attached cover pictures aside).
  Result<void> OpenContainer(const std::string& path) {
    int rc = avformat_open_input(&format, path.c_str(), nullptr, nullptr);
    if (rc >= 0) rc = avformat_find_stream_info(format, nullptr);
    if (rc < 0) return Unexpected(Error(OpenErrorCode(rc)).Path(path).Detail(AvText(rc)));
    for (unsigned i = 0; i < format->nb_streams; ++i) {
      const AVStream* s = format->streams[i];
      if (s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
          (s->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0) {
        stream = static_cast<int>(i);
        break;
      }
    }
    if (stream < 0) return Unexpected(Error(ErrorCode::VideoNoStream).Path(path));
    packet = av_packet_alloc();
    frame = av_frame_alloc();
    if (packet == nullptr || frame == nullptr)
      return Unexpected(Error(ErrorCode::VideoNoMemory).Path(path));
    return {};
  }
};

// Turns presentation times into frame numbers: (time - stream start) x frame rate, rounded.
class Numbering {
 public:
  explicit Numbering(const AVStream* s)
      : m_timeBase(s->time_base),
        m_start(s->start_time != AV_NOPTS_VALUE ? s->start_time : 0),
        m_rate(s->r_frame_rate.num > 0 && s->r_frame_rate.den > 0 ? s->r_frame_rate
                                                                  : s->avg_frame_rate) {}

  // The number of the frame at `ts`; frames without a time, or whose time would not move
  // forward, take the number after the last one.
  int64_t Number(int64_t ts) {
    int64_t n = m_last + 1;
    if (ts != AV_NOPTS_VALUE && m_rate.num > 0 && m_rate.den > 0) {
      const int64_t byTime = av_rescale_q(ts - m_start, m_timeBase, av_inv_q(m_rate));
      if (byTime > m_last) n = byTime;
    }
    m_last = n;
    return n;
  }
  // Seconds from the stream's start to `ts`.
  double Seconds(int64_t ts) const {
    return static_cast<double>(ts - m_start) * av_q2d(m_timeBase);
  }
  int64_t Last() const { return m_last; }

 private:
  AVRational m_timeBase;
  int64_t m_start;
  AVRational m_rate;
  int64_t m_last = -1;
};

// The frames of the stream, counted by a reading pass over a second opening of the file:
// the highest number its packets' times give, plus one.
int64_t CountFrames(const std::string& path) {
  Context c;
  if (!c.OpenContainer(path)) return 0;
  Numbering numbering(c.format->streams[c.stream]);
  while (av_read_frame(c.format, c.packet) >= 0) {
    if (c.packet->stream_index == c.stream && c.packet->size > 0)
      numbering.Number(c.packet->pts != AV_NOPTS_VALUE ? c.packet->pts : c.packet->dts);
    av_packet_unref(c.packet);
  }
  return numbering.Last() + 1;
}

class FfmpegDecoder : public VideoDecoder {
 public:
  explicit FfmpegDecoder(std::string path) : m_path(std::move(path)) {}
  ~FfmpegDecoder() override { av_freep(&m_bgr[0]); }

  Result<void> Open() {
    if (Result<void> r = m_c.OpenContainer(m_path); !r) return r;
    const AVStream* stream = m_c.format->streams[m_c.stream];
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (decoder == nullptr) {
      return Unexpected(Error(ErrorCode::VideoBadFormat)
                            .Path(m_path)
                            .Detail(avcodec_get_name(stream->codecpar->codec_id)));
    }
    m_c.codec = avcodec_alloc_context3(decoder);
    if (m_c.codec == nullptr) return Unexpected(Error(ErrorCode::VideoNoMemory).Path(m_path));
    int rc = avcodec_parameters_to_context(m_c.codec, stream->codecpar);
    if (rc >= 0) rc = avcodec_open2(m_c.codec, decoder, nullptr);
    if (rc < 0) return Unexpected(Error(OpenErrorCode(rc)).Path(m_path).Detail(AvText(rc)));
    m_numbering.emplace(stream);
    m_creation = CreationTime(m_c.format, stream);
    // The container's frame count when it declares one (AVI always does, dropped frames
    // included), else the frames counted by a first pass.
    m_total = stream->nb_frames > 0 ? stream->nb_frames : CountFrames(m_path);
    return {};
  }

  int64_t Total() const override { return std::max(m_total, m_numbering->Last() + 1); }
  int32_t DeclaredWidth() const override { return m_c.codec->width; }
  int32_t DeclaredHeight() const override { return m_c.codec->height; }

  Result<bool> Next(DecodedFrame& out, Decoding decoding, int64_t first) override {
    while (true) {
      int rc = avcodec_receive_frame(m_c.codec, m_c.frame);
      if (rc == 0) {
        const int64_t ts = m_c.frame->best_effort_timestamp;
        const int64_t number = m_numbering->Number(ts);
        if (number < first) {
          av_frame_unref(m_c.frame);
          continue;
        }
        Result<void> made = Convert(m_c.frame, number, decoding, out);
        av_frame_unref(m_c.frame);
        if (!made) return Unexpected(made.error());
        out.number = number;
        out.time = TimeAt(ts);
        if (decoding == Decoding::Values) out.values.Time = out.time;
        return true;
      }
      if (rc == AVERROR_EOF) return false;
      if (rc != AVERROR(EAGAIN)) return Unexpected(DecodeFailure(m_numbering->Last() + 1, rc));
      if (m_draining) return false;  // after the flush the decoder has nothing more
      if (Result<void> fed = Feed(); !fed) return Unexpected(fed.error());
    }
  }

 private:
  Error DecodeFailure(int64_t number, int code) const {
    return Error(code == AVERROR(ENOMEM) ? ErrorCode::VideoNoMemory : ErrorCode::VideoDecode)
        .Path(m_path)
        .Values({double(number)})
        .Detail(AvText(code));
  }

  // Sends the next packet of the stream to the decoder (or the flush at the end).
  Result<void> Feed() {
    while (true) {
      int rc = av_read_frame(m_c.format, m_c.packet);
      if (rc == AVERROR_EOF) {
        m_draining = true;
        avcodec_send_packet(m_c.codec, nullptr);
        return {};
      }
      if (rc < 0) {
        return Unexpected(
            Error(rc == AVERROR(ENOMEM) ? ErrorCode::VideoNoMemory : ErrorCode::VideoReadError)
                .Path(m_path)
                .Detail(AvText(rc)));
      }
      // An empty chunk is a frame the capture program dropped: its number stays unused.
      if (m_c.packet->stream_index != m_c.stream || m_c.packet->size == 0) {
        av_packet_unref(m_c.packet);
        continue;
      }
      // The demuxer marks a packet it could not read in full: the file ends inside it.
      const bool cut = (m_c.packet->flags & AV_PKT_FLAG_CORRUPT) != 0;
      const int64_t ts = m_c.packet->pts != AV_NOPTS_VALUE ? m_c.packet->pts : m_c.packet->dts;
      rc = avcodec_send_packet(m_c.codec, m_c.packet);
      av_packet_unref(m_c.packet);
      if (rc >= 0) return {};
      if (cut) {
        return Unexpected(
            Error(ErrorCode::VideoReadError).Path(m_path).Detail(AvText(AVERROR(EIO))));
      }
      if (rc == AVERROR(ENOMEM)) return Unexpected(DecodeFailure(0, rc));
      // A packet the decoder refuses: that frame is missing, the next ones follow.
      warnings.push_back(DecodeFailure(m_numbering->Number(ts), rc));
    }
  }

  std::optional<FrameTime> TimeAt(int64_t ts) const {
    if (!m_creation || ts == AV_NOPTS_VALUE) return std::nullopt;
    const Result<UtcTime> t = AddSeconds(*m_creation, m_numbering->Seconds(ts));
    if (!t) return std::nullopt;
    FrameTime f;
    f.utc = *t;
    f.source = TimeSource::Avi;
    return f;
  }

  Result<void> Convert(const AVFrame* f, int64_t number, Decoding decoding, DecodedFrame& out) {
    const int w = f->width;
    const int h = f->height;
    const auto pixFormat = static_cast<AVPixelFormat>(f->format);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(pixFormat);
    if (w <= 0 || h <= 0 || desc == nullptr || static_cast<int64_t>(w) * h > kMaxPixels) {
      return Unexpected(Error(ErrorCode::VideoDecode)
                            .Path(m_path)
                            .Values({double(number), double(w), double(h)}));
    }
    if (decoding == Decoding::Values && IsPlainGrey(desc)) {
      // Grey frames: each sample as decoded, at its own depth (8 to 16 bits).
      OTrame& frame = out.values;
      if (frame.Width() != w || frame.Height() != h) frame.AllocateUninitialized(w, h);
      m_line.resize(static_cast<size_t>(w));
      for (int y = 0; y < h; ++y) {
        av_read_image_line2(m_line.data(), const_cast<const uint8_t**>(f->data), f->linesize, desc,
                            0, y, 0, w, 0, 4);
        for (int x = 0; x < w; ++x) frame.Px(x, y) = static_cast<Extended>(m_line[x]);
      }
      return {};
    }
    Raster& raster = decoding == Decoding::Bgr ? out.bgr : m_raster;
    if (Result<void> r = ToBgr(f, pixFormat, number, raster); !r) return r;
    if (decoding == Decoding::Bgr) return {};
    // Colour to values: the sum of B, G and R, the value the BMP reader gives for this frame.
    OTrame& frame = out.values;
    if (frame.Width() != w || frame.Height() != h) frame.AllocateUninitialized(w, h);
    for (int y = 0; y < h; ++y) {
      const uint8_t* row = raster.Row(y);
      for (int x = 0; x < w; ++x) {
        frame.Px(x, y) = static_cast<Extended>(row[3 * x] + row[3 * x + 1] + row[3 * x + 2]);
      }
    }
    return {};
  }

  Result<void> ToBgr(const AVFrame* f, AVPixelFormat pixFormat, int64_t number, Raster& raster) {
    const int w = f->width;
    const int h = f->height;
    m_c.sws = sws_getCachedContext(m_c.sws, w, h, pixFormat, w, h, AV_PIX_FMT_BGR24,
                                   SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr,
                                   nullptr, nullptr);
    if (m_c.sws == nullptr) {
      return Unexpected(Error(ErrorCode::VideoDecode)
                            .Path(m_path)
                            .Values({double(number)})
                            .Detail(av_get_pix_fmt_name(pixFormat)));
    }
    if (w != m_bgrWidth || h != m_bgrHeight) {
      av_freep(&m_bgr[0]);
      // An aligned picture for the scaler, copied row by row into the packed raster.
      if (av_image_alloc(m_bgr, m_bgrLines, w, h, AV_PIX_FMT_BGR24, 64) < 0) {
        m_bgrWidth = m_bgrHeight = 0;
        return Unexpected(Error(ErrorCode::VideoNoMemory).Path(m_path));
      }
      m_bgrWidth = w;
      m_bgrHeight = h;
    }
    if (raster.width != w || raster.height != h) raster = Raster(w, h);
    sws_scale(m_c.sws, f->data, f->linesize, 0, h, m_bgr, m_bgrLines);
    for (int y = 0; y < h; ++y) {
      std::memcpy(raster.Row(y), m_bgr[0] + static_cast<ptrdiff_t>(y) * m_bgrLines[0],
                  static_cast<size_t>(w) * 3);
    }
    return {};
  }

  std::string m_path;
  Context m_c;
  std::optional<Numbering> m_numbering;
  std::optional<UtcTime> m_creation;
  int64_t m_total = 0;
  bool m_draining = false;
  uint8_t* m_bgr[4] = {};
  int m_bgrLines[4] = {};
  int m_bgrWidth = 0;
  int m_bgrHeight = 0;
  Raster m_raster;
  std::vector<uint32_t> m_line;
};

}  // namespace

Result<std::unique_ptr<VideoDecoder>> OpenFfmpegDecoder(const std::string& path) {
  QuietLibraries();
  auto decoder = std::make_unique<FfmpegDecoder>(path);
  if (Result<void> r = decoder->Open(); !r) return Unexpected(r.error());
  return std::unique_ptr<VideoDecoder>(std::move(decoder));
}

}  // namespace orvek::video_detail

#include "series/FrameSource.h"

#include <algorithm>
#include <charconv>

#include "series/VideoDecoder.h"

namespace orvek {

namespace {

using video_detail::DecodedFrame;
using video_detail::Decoding;
using video_detail::VideoDecoder;

bool IsImageExtension(const std::string& upperExt) {
  return upperExt == ".BMP" || upperExt == ".FIT" || upperExt == ".FITS" || upperExt == ".FTS" ||
         IsOrvExtension(upperExt);
}

Error TooSmall(const std::string& path, int64_t number, int32_t w, int32_t h, int32_t minSide) {
  return Error(ErrorCode::FrameTooSmall)
      .Path(path)
      .Values({double(number), double(w), double(h), double(minSide)});
}

bool Small(int32_t w, int32_t h, int32_t minSide) {
  return w < minSide || h < minSide;
}

// Extremes, statistics and star of a frame decoded from a video, as LoadFile computes them
// for a file (its readers set the extremes).
void Measure(OTrame& frame) {
  const auto [low, high] = std::minmax_element(frame.Data().begin(), frame.Data().end());
  frame.MinValue = frame.Empty() ? 0 : *low;
  frame.MaxValue = frame.Empty() ? 0 : *high;
  frame.ComputeStats();
  frame.FindStar(Point(0, 0), Point(frame.LastX, frame.LastY), frame.Star);
}

class VideoSource : public FrameSource {
 public:
  VideoSource(std::unique_ptr<VideoDecoder> decoder, std::string path, int64_t first, int64_t last,
              int32_t minSide)
      : m_decoder(std::move(decoder)),
        m_path(std::move(path)),
        m_first(first),
        m_last(last),
        m_expected(first),
        m_minSide(minSide) {}

  int64_t Count() const override { return m_last - m_first + 1; }

  Result<bool> Next(SourceFrame& out) override {
    if (m_done) return false;
    // The decoder fills the caller's frame, so one pixel buffer serves the whole video.
    std::swap(out.frame, m_decoded.values);
    const Result<bool> got = m_decoder->Next(m_decoded, Decoding::Values, m_first);
    std::swap(out.frame, m_decoded.values);
    for (const Error& w : m_decoder->warnings) {
      if (!w.values.empty() && w.values[0] <= m_last) m_warnings.push_back(w);
    }
    m_decoder->warnings.clear();
    if (!got) {
      m_done = true;
      return Unexpected(got.error());
    }
    if (!*got || m_decoded.number > m_last) return End();
    MissingUpTo(m_decoded.number);
    m_expected = m_decoded.number + 1;
    OTrame& frame = out.frame;
    if (Small(frame.Width(), frame.Height(), m_minSide)) {
      m_done = true;
      return Unexpected(
          TooSmall(m_path, m_decoded.number, frame.Width(), frame.Height(), m_minSide));
    }
    frame.FileName = m_path;
    frame.FormatText.clear();
    frame.HeaderText.clear();
    frame.TimeProblem = Error();
    Measure(frame);
    out.number = m_decoded.number;
    out.name = m_path;
    m_given = true;
    return true;
  }

 private:
  // The frames of the range after the last one given are missing.
  Result<bool> End() {
    m_done = true;
    if (!m_given) return Unexpected(Error(ErrorCode::VideoNoFrame).Path(m_path));
    MissingUpTo(m_last + 1);
    return false;
  }

  void MissingUpTo(int64_t number) {
    for (int64_t k = m_expected; k < number; ++k) {
      const bool reported = std::any_of(m_warnings.begin(), m_warnings.end(), [k](const Error& e) {
        return !e.values.empty() && e.values[0] == static_cast<double>(k);
      });
      if (reported) continue;
      m_warnings.push_back(Error(ErrorCode::VideoFrameMissing)
                               .Path(m_path)
                               .Values({double(k), double(m_decoder->Total())}));
    }
  }

  std::unique_ptr<VideoDecoder> m_decoder;
  std::string m_path;
  int64_t m_first;
  int64_t m_last;
  int64_t m_expected;
  int32_t m_minSide;
  DecodedFrame m_decoded;
  bool m_done = false;
  bool m_given = false;
};

class ListSource : public FrameSource {
 public:
  ListSource(std::vector<std::string> files, int64_t first, int64_t last,
             const FrameSourceOptions& options)
      : m_files(std::move(files)),
        m_first(first),
        m_next(first),
        m_last(last),
        m_options(options) {}

  int64_t Count() const override { return m_last - m_first + 1; }

  Result<bool> Next(SourceFrame& out) override {
    if (m_next > m_last) return false;
    const int64_t k = m_next++;
    const std::string& name = m_files[static_cast<size_t>(k)];
    const LoadResult loaded = out.frame.LoadFile(name, nullptr, m_options.fits);
    if (!loaded.ok()) {
      m_next = m_last + 1;
      // The reader's own typed failure; an unknown extension names the extension.
      if (loaded.status != LoadStatus::UnknownExtension) return Unexpected(loaded.error);
      return Unexpected(Error(ErrorCode::FileRead).Path(name).Detail(UpperExtension(name)));
    }
    const OTrame& f = out.frame;
    if (Small(f.Width(), f.Height(), m_options.minSide)) {
      m_next = m_last + 1;
      return Unexpected(TooSmall(name, k, f.Width(), f.Height(), m_options.minSide));
    }
    out.number = k;
    out.name = name;
    return true;
  }

 private:
  std::vector<std::string> m_files;
  int64_t m_first;
  int64_t m_next;
  int64_t m_last;
  FrameSourceOptions m_options;
};

// The range's last number, or FrameRange when it does not lie within 0..count - 1.
Result<int64_t> LastOf(const FrameRange& range, int64_t count, const std::string& path) {
  const int64_t last = range.last < 0 ? count - 1 : range.last;
  if (range.first < 0 || range.first > last || last >= count) {
    return Unexpected(Error(ErrorCode::FrameRange)
                          .Path(path)
                          .Values({double(range.first), double(last), double(count - 1)}));
  }
  return last;
}

}  // namespace

Result<FrameRange> ParseFrameRange(std::string_view text) {
  const auto bad = [&] {
    return Unexpected(Error(ErrorCode::BadFrameRange).Text(std::string(text)));
  };
  const auto number = [](std::string_view s, int64_t& out) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return !s.empty() && r.ec == std::errc() && r.ptr == s.data() + s.size() && out >= 0;
  };
  FrameRange range;
  const size_t dash = text.find('-');
  if (dash == std::string_view::npos) {
    if (!number(text, range.first)) return bad();
    range.last = range.first;
    return range;
  }
  if (!number(text.substr(0, dash), range.first)) return bad();
  const std::string_view tail = text.substr(dash + 1);
  if (tail.empty()) return range;
  if (!number(tail, range.last) || range.last < range.first) return bad();
  return range;
}

bool IsVideoInput(const std::string& path) {
  const std::string ext = UpperExtension(path);
  if (ext == ".SER" || IsSerFile(path)) return true;
  return !IsImageExtension(ext);
}

Result<std::unique_ptr<FrameSource>> OpenFrameSource(const std::vector<std::string>& inputs,
                                                     const FrameSourceOptions& options) {
  if (inputs.size() == 1 && IsVideoInput(inputs[0])) {
    const std::string& path = inputs[0];
    Result<std::unique_ptr<VideoDecoder>> opened =
        video_detail::OpenVideoDecoder(path, options.serByteOrder);
    if (!opened) return Unexpected(opened.error());
    std::unique_ptr<VideoDecoder> decoder = std::move(*opened);
    const int64_t total = decoder->Total();
    if (total == 0) return Unexpected(Error(ErrorCode::VideoNoFrame).Path(path));
    const Result<int64_t> last = LastOf(options.range, total, path);
    if (!last) return Unexpected(last.error());
    const int32_t w = decoder->DeclaredWidth();
    const int32_t h = decoder->DeclaredHeight();
    if (w > 0 && h > 0 && Small(w, h, options.minSide)) {
      return Unexpected(TooSmall(path, options.range.first, w, h, options.minSide));
    }
    return std::unique_ptr<FrameSource>(std::make_unique<VideoSource>(
        std::move(decoder), path, options.range.first, *last, options.minSide));
  }
  const Result<int64_t> last =
      LastOf(options.range, static_cast<int64_t>(inputs.size()), std::string());
  if (!last) return Unexpected(last.error());
  return std::unique_ptr<FrameSource>(
      std::make_unique<ListSource>(inputs, options.range.first, *last, options));
}

}  // namespace orvek

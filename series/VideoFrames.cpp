#include "series/VideoFrames.h"

#include "core/Utils.h"
#include "series/VideoDecoder.h"
#include "series/VideoImport.h"

namespace orvek {

namespace {

// Frames decoded ahead of the one asked for that are kept: as many as the readers that run
// ahead may ask for out of turn.
constexpr size_t kKeptFrames = 8;

// The path without its extension, as the import's base name.
std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
  return path.substr(0, dot);
}

}  // namespace

Result<std::unique_ptr<VideoFrames>> VideoFrames::Open(const std::string& path,
                                                       const FrameSourceOptions& options) {
  Result<std::unique_ptr<video_detail::VideoDecoder>> decoder =
      video_detail::OpenVideoDecoder(path, options.serByteOrder);
  if (!decoder) return Unexpected(decoder.error());
  const std::string extension = (*decoder)->DeepSamples() ? ".orv" : ".bmp";
  decoder->reset();
  Result<std::unique_ptr<FrameSource>> source = OpenFrameSource({path}, options);
  if (!source) return Unexpected(source.error());
  std::unique_ptr<VideoFrames> frames(new VideoFrames(path, options, std::move(*source)));
  frames->m_last = options.range.first + frames->m_source->Count() - 1;
  const std::string base = BaseName(path);
  for (int64_t k = options.range.first; k <= frames->m_last; ++k) {
    frames->m_names.push_back(FrameFileName(base, k, extension));
    frames->m_numbers.emplace(frames->m_names.back(), k);
  }
  // The first frame the video holds in the range, kept for its first reader.
  Result<bool> first = frames->m_source->Next(frames->m_decoded);
  if (!first) return Unexpected(first.error());
  frames->m_next = frames->m_decoded.number + 1;
  frames->Keep(frames->m_decoded.number, frames->m_decoded.frame);
  return frames;
}

VideoFrames::VideoFrames(std::string path, FrameSourceOptions options,
                         std::unique_ptr<FrameSource> source)
    : m_path(std::move(path)),
      m_options(std::move(options)),
      m_source(std::move(source)),
      m_next(m_options.range.first) {}

bool VideoFrames::Provides(const std::string& name) const {
  return m_numbers.count(name) != 0;
}

std::vector<Error> VideoFrames::Warnings() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<Error> all = m_warnings;
  if (m_source) {
    for (const Error& w : m_source->Warnings()) all.push_back(w);
  }
  return all;
}

Result<void> VideoFrames::Restart(int64_t first) {
  if (m_source) {
    for (const Error& w : m_source->Warnings()) m_warnings.push_back(w);
  }
  FrameSourceOptions o = m_options;
  o.range.first = first;
  o.range.last = m_last;
  Result<std::unique_ptr<FrameSource>> source = OpenFrameSource({m_path}, o);
  if (!source) {
    m_source.reset();
    return Unexpected(source.error());
  }
  m_source = std::move(*source);
  m_next = first;
  return {};
}

void VideoFrames::Keep(int64_t number, const OTrame& frame) {
  m_kept[number] = frame;
  while (m_kept.size() > kKeptFrames) m_kept.erase(m_kept.begin());
}

Status VideoFrames::Read(const std::string& name, OTrame& frame) {
  const auto found = m_numbers.find(name);
  if (found == m_numbers.end()) return Status::Fail(Error(ErrorCode::FileNotFound).Path(name));
  const int64_t k = found->second;
  std::lock_guard<std::mutex> lock(m_mutex);
  auto give = [&](const OTrame& decoded) {
    frame = decoded;
    frame.FileName = name;
    return Status::Ok();
  };
  if (const auto kept = m_kept.find(k); kept != m_kept.end()) return give(kept->second);
  if (k < m_next || !m_source) {
    if (Result<void> r = Restart(k); !r) return Status::Fail(r.error());
  }
  const Error missing =
      Error(ErrorCode::VideoFrameMissing).Path(m_path).Values({double(k), double(m_last + 1)});
  while (m_next <= k) {
    Result<bool> next = m_source->Next(m_decoded);
    if (!next) {
      // The decoder cannot go on from here: a later frame starts again after this one.
      m_next = k + 1;
      m_source.reset();
      return Status::Fail(next.error());
    }
    if (!*next) {
      m_next = m_last + 1;
      return Status::Fail(missing);
    }
    m_next = m_decoded.number + 1;
    if (m_decoded.number == k) {
      Keep(k, m_decoded.frame);
      return give(m_decoded.frame);
    }
    Keep(m_decoded.number, m_decoded.frame);
  }
  return Status::Fail(missing);
}

}  // namespace orvek

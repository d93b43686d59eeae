#include "series/SerReader.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "core/OTrame.h"

namespace orvek {

namespace {

int32_t ReadLe32(const uint8_t* p) {
  const uint32_t u = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                     (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
  return static_cast<int32_t>(u);
}

int64_t ReadLe64(const uint8_t* p) {
  uint64_t u = 0;
  for (int i = 7; i >= 0; --i) u = (u << 8) | p[i];
  return static_cast<int64_t>(u);
}

// A fixed text field: up to its first NUL, trailing blanks removed.
std::string FixedText(const uint8_t* p, size_t width) {
  size_t n = 0;
  while (n < width && p[n] != 0) ++n;
  while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\t')) --n;
  return std::string(reinterpret_cast<const char*>(p), n);
}

bool KnownColorId(int32_t id) {
  return id == 0 || (id >= 8 && id <= 11) || (id >= 16 && id <= 19) || id == 100 || id == 101;
}

std::string Num(int64_t v) {
  return std::to_string(v);
}

}  // namespace

bool HasSerFileId(const uint8_t* data, size_t size) {
  return size >= 14 && std::memcmp(data, kSerFileId, 14) == 0;
}

bool IsSerFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  uint8_t id[14];
  const size_t n = std::fread(id, 1, sizeof id, f);
  std::fclose(f);
  return HasSerFileId(id, n);
}

Status ParseSerHeader(const uint8_t* data, size_t size, int64_t fileSize, const std::string& name,
                      SerByteOrder order, SerHeader& out) {
  const auto bad = [&](const char* field, const std::string& value) {
    return Status::Fail(Error(ErrorCode::SerBadHeader).Path(name).Field(field).Text(value));
  };
  if (size < static_cast<size_t>(kSerHeaderBytes) || fileSize < kSerHeaderBytes) {
    return bad("FileID", Num(fileSize));
  }
  if (!HasSerFileId(data, size)) return bad("FileID", FixedText(data, 14));
  SerHeader h;
  h.luId = ReadLe32(data + 14);
  h.colorId = ReadLe32(data + 18);
  h.littleEndianField = ReadLe32(data + 22);
  h.width = ReadLe32(data + 26);
  h.height = ReadLe32(data + 30);
  h.depth = ReadLe32(data + 34);
  h.frameCount = ReadLe32(data + 38);
  h.observer = FixedText(data + 42, 40);
  h.instrument = FixedText(data + 82, 40);
  h.telescope = FixedText(data + 122, 40);
  h.dateTime = ReadLe64(data + 162);
  h.dateTimeUtc = ReadLe64(data + 170);
  h.fileSize = fileSize;

  if (h.width <= 0) return bad("ImageWidth", Num(h.width));
  if (h.height <= 0) return bad("ImageHeight", Num(h.height));
  if (h.width > kMaxSide || h.height > kMaxSide ||
      static_cast<int64_t>(h.width) * h.height > kMaxPixels) {
    return bad("ImageWidth x ImageHeight", Num(h.width) + " x " + Num(h.height));
  }
  if (h.depth < 1 || h.depth > 16) return bad("PixelDepthPerPlane", Num(h.depth));
  if (!KnownColorId(h.colorId)) return bad("ColorID", Num(h.colorId));
  if (h.frameCount < 0) return bad("FrameCount", Num(h.frameCount));
  h.planes = (h.colorId == 100 || h.colorId == 101) ? 3 : 1;
  h.bytesPerSample = h.depth <= 8 ? 1 : 2;
  h.frameBytes = static_cast<int64_t>(h.width) * h.height * h.planes * h.bytesPerSample;

  const int64_t dataBytes = fileSize - kSerHeaderBytes;
  const int64_t wholeFrames = dataBytes / h.frameBytes;
  if (h.frameCount > wholeFrames) {
    return Status::Fail(
        Error(ErrorCode::SerTruncated)
            .Path(name)
            .Values({double(h.frameCount), double(wholeFrames), double(h.frameBytes)}));
  }
  h.trailerBytes = dataBytes - h.frameCount * h.frameBytes;
  h.hasTimestamps = h.frameCount > 0 && h.trailerBytes >= 8 * static_cast<int64_t>(h.frameCount);
  switch (order) {
    case SerByteOrder::FromHeader: h.bigEndianData = h.littleEndianField != 0; break;
    case SerByteOrder::Little: h.bigEndianData = false; break;
    case SerByteOrder::Big: h.bigEndianData = true; break;
  }
  out = h;
  return Status::Ok();
}

SerReader::~SerReader() {
  Close();
}

void SerReader::Close() {
  if (m_file != nullptr) std::fclose(m_file);
  m_file = nullptr;
}

Status SerReader::Open(const std::string& path, SerByteOrder order) {
  Close();
  m_path = path;
  m_file = std::fopen(path.c_str(), "rb");
  if (m_file == nullptr) {
    return Status::Fail(Error(ErrorCode::FileOpen).Path(path).Detail(std::strerror(errno)));
  }
  struct stat st {};
  if (fstat(fileno(m_file), &st) != 0 || !S_ISREG(st.st_mode)) {
    Close();
    return Status::Fail(Error(ErrorCode::FileOpen).Path(path).Detail(std::strerror(EISDIR)));
  }
  const int64_t fileSize = st.st_size;
  uint8_t head[kSerHeaderBytes] = {};
  const size_t got = std::fread(head, 1, sizeof head, m_file);
  Status s = ParseSerHeader(head, got, fileSize, path, order, m_header);
  if (!s) Close();
  return s;
}

Status SerReader::ReadAt(int64_t offset, size_t count, uint8_t* to) {
  const auto failed = [&](int err) {
    return Status::Fail(Error(ErrorCode::FileRead).Path(m_path).Detail(std::strerror(err)));
  };
  if (m_file == nullptr) return failed(EBADF);
  if (fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) != 0) return failed(errno);
  const size_t got = std::fread(to, 1, count, m_file);
  // A file cut short after it was opened reads as an input/output error.
  if (got != count) return failed(std::ferror(m_file) ? errno : EIO);
  return Status::Ok();
}

Status SerReader::ReadFrame(int64_t index, std::vector<uint16_t>& samples) {
  const SerHeader& h = m_header;
  if (index < 0 || index >= h.frameCount) {
    return Status::Fail(Error(ErrorCode::FrameRange)
                            .Path(m_path)
                            .Values({double(index), double(index), double(h.frameCount - 1)}));
  }
  const size_t bytes = static_cast<size_t>(h.frameBytes);
  if (m_raw.size() != bytes) m_raw.resize(bytes);
  Status s = ReadAt(kSerHeaderBytes + index * h.frameBytes, bytes, m_raw.data());
  if (!s) return s;
  const size_t count = bytes / static_cast<size_t>(h.bytesPerSample);
  if (samples.size() != count) samples.resize(count);
  const uint8_t* p = m_raw.data();
  if (h.bytesPerSample == 1) {
    for (size_t i = 0; i < count; ++i) samples[i] = p[i];
  } else if (h.bigEndianData) {
    for (size_t i = 0; i < count; ++i) {
      samples[i] = static_cast<uint16_t>((p[2 * i] << 8) | p[2 * i + 1]);
    }
  } else {
    for (size_t i = 0; i < count; ++i) {
      samples[i] = static_cast<uint16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    }
  }
  return Status::Ok();
}

Status SerReader::ReadTimestamps(std::vector<int64_t>& out) {
  out.clear();
  const SerHeader& h = m_header;
  if (!h.hasTimestamps) {
    if (h.trailerBytes == 0 || h.frameCount == 0) return Status::Ok();
    return Status::Fail(Error(ErrorCode::SerTrailerShort)
                            .Path(m_path)
                            .Values({double(h.trailerBytes / 8), double(h.frameCount)}));
  }
  std::vector<uint8_t> raw(static_cast<size_t>(h.frameCount) * 8);
  Status s = ReadAt(kSerHeaderBytes + h.frameCount * h.frameBytes, raw.size(), raw.data());
  if (!s) return s;
  out.resize(static_cast<size_t>(h.frameCount));
  for (size_t i = 0; i < out.size(); ++i) out[i] = ReadLe64(raw.data() + 8 * i);
  return Status::Ok();
}

}  // namespace orvek

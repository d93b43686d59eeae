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
  if (size < static_cast<size_t>(kSerHeaderBytes) || fileSize < kSerHeaderBytes) {
    return Status::Error(name + ": a SER header needs " + Num(kSerHeaderBytes) +
                         " bytes but the file holds " + Num(fileSize));
  }
  if (!HasSerFileId(data, size)) {
    return Status::Error(name + ": not a SER video (FileID is not \"LUCAM-RECORDER\")");
  }
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

  if (h.width <= 0 || h.height <= 0) {
    return Status::Error(name + ": ImageWidth = " + Num(h.width) + " and ImageHeight = " +
                         Num(h.height) + ": a frame needs at least one pixel");
  }
  if (h.width > kMaxSide || h.height > kMaxSide ||
      static_cast<int64_t>(h.width) * h.height > kMaxPixels) {
    return Status::Error(name + ": frames of " + Num(h.width) + " x " + Num(h.height) +
                         " pixels are larger than Orvek accepts (" + Num(kMaxPixels) + " pixels)");
  }
  if (h.depth < 1 || h.depth > 16) {
    return Status::Error(name + ": PixelDepthPerPlane = " + Num(h.depth) +
                         " (must be 1 to 16 bits)");
  }
  if (!KnownColorId(h.colorId)) {
    return Status::Error(name + ": ColorID = " + Num(h.colorId) +
                         " is not a known SER colour layout");
  }
  if (h.frameCount < 0) {
    return Status::Error(name + ": FrameCount = " + Num(h.frameCount) + " is negative");
  }
  h.planes = (h.colorId == 100 || h.colorId == 101) ? 3 : 1;
  h.bytesPerSample = h.depth <= 8 ? 1 : 2;
  h.frameBytes = static_cast<int64_t>(h.width) * h.height * h.planes * h.bytesPerSample;

  const int64_t dataBytes = fileSize - kSerHeaderBytes;
  const int64_t wholeFrames = dataBytes / h.frameBytes;
  if (h.frameCount > wholeFrames) {
    return Status::Error(name + ": FrameCount = " + Num(h.frameCount) + " but the file holds " +
                         Num(wholeFrames) + " whole frame(s) of " + Num(h.frameBytes) + " bytes (" +
                         Num(dataBytes) + " data bytes)");
  }
  const int64_t trailer = dataBytes - h.frameCount * h.frameBytes;
  h.hasTimestamps = h.frameCount > 0 && trailer >= 8 * static_cast<int64_t>(h.frameCount);
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
    return Status::Error(path + ": cannot open: " + std::strerror(errno));
  }
  struct stat st {};
  if (fstat(fileno(m_file), &st) != 0 || !S_ISREG(st.st_mode)) {
    Close();
    return Status::Error(path + ": not a plain file");
  }
  const int64_t fileSize = st.st_size;
  uint8_t head[kSerHeaderBytes] = {};
  const size_t got = std::fread(head, 1, sizeof head, m_file);
  Status s = ParseSerHeader(head, got, fileSize, path, order, m_header);
  if (!s) Close();
  return s;
}

Status SerReader::ReadAt(int64_t offset, size_t count, uint8_t* to, const char* what) {
  if (m_file == nullptr) return Status::Error(m_path + ": the SER file is not open");
  if (fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) != 0) {
    return Status::Error(m_path + ": cannot reach " + what + ": " + std::strerror(errno));
  }
  const size_t got = std::fread(to, 1, count, m_file);
  if (got != count) {
    return Status::Error(m_path + ": " + what + " is cut short (" + Num(static_cast<int64_t>(got)) +
                         " of " + Num(static_cast<int64_t>(count)) + " bytes read)");
  }
  return Status::Ok();
}

Status SerReader::ReadFrame(int64_t index, std::vector<uint16_t>& samples) {
  const SerHeader& h = m_header;
  if (index < 0 || index >= h.frameCount) {
    return Status::Error(m_path + ": frame " + Num(index) +
                         " does not exist (FrameCount = " + Num(h.frameCount) + ")");
  }
  const size_t bytes = static_cast<size_t>(h.frameBytes);
  if (m_raw.size() != bytes) m_raw.resize(bytes);
  const std::string what = "frame " + Num(index);
  Status s = ReadAt(kSerHeaderBytes + index * h.frameBytes, bytes, m_raw.data(), what.c_str());
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
  if (!h.hasTimestamps) return Status::Ok();
  std::vector<uint8_t> raw(static_cast<size_t>(h.frameCount) * 8);
  Status s = ReadAt(kSerHeaderBytes + h.frameCount * h.frameBytes, raw.size(), raw.data(),
                    "the timestamp trailer");
  if (!s) return s;
  out.resize(static_cast<size_t>(h.frameCount));
  for (size_t i = 0; i < out.size(); ++i) out[i] = ReadLe64(raw.data() + 8 * i);
  return Status::Ok();
}

}  // namespace orvek

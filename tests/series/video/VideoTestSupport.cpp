#include "VideoTestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace orvek::videotest {

TempFolder::TempFolder() {
  std::string pattern = (fs::temp_directory_path() / "orvek-video-XXXXXX").string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  const char* made = mkdtemp(buf.data());
  if (made == nullptr) {
    ADD_FAILURE() << "cannot create a temporary folder";
    m_path = "/nonexistent/";
    return;
  }
  m_path = std::string(made) + "/";
  fs::create_directories(m_path + "home");
  setenv("ORVEK_HOME", (m_path + "home").c_str(), 1);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  if (m_path != "/nonexistent/") fs::remove_all(m_path, ec);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

namespace {
uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
void PutLe32(std::vector<uint8_t>& b, size_t at, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(u >> (8 * i));
}
void PutLe64(std::vector<uint8_t>& b, size_t at, int64_t v) {
  const auto u = static_cast<uint64_t>(v);
  for (int i = 0; i < 8; ++i) b[at + i] = static_cast<uint8_t>(u >> (8 * i));
}
void PutText(std::vector<uint8_t>& b, size_t at, size_t width, const std::string& s) {
  for (size_t i = 0; i < width && i < s.size(); ++i) b[at + i] = static_cast<uint8_t>(s[i]);
}

// The 10-byte x87 layout, decoded arithmetically: significand x 2^(exponent - 16383 - 63).
long double DecodeX87(const uint8_t* p) {
  uint64_t significand = 0;
  for (int i = 7; i >= 0; --i) significand = (significand << 8) | p[i];
  const int signExp = p[8] | (p[9] << 8);
  const int exponent = signExp & 0x7FFF;
  const bool negative = (signExp & 0x8000) != 0;
  if (exponent == 0 && significand == 0) return negative ? -0.0L : 0.0L;
  const long double v = std::ldexp(static_cast<long double>(significand), exponent - 16383 - 63);
  return negative ? -v : v;
}
}  // namespace

Bmp ReadBmpFile(const std::string& path) {
  Bmp bmp;
  const std::vector<uint8_t> b = ReadBytes(path);
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') {
    ADD_FAILURE() << path << ": not a BMP file (" << b.size() << " bytes)";
    return bmp;
  }
  const uint32_t dataOffset = Le32(b, 10);
  const int32_t width = static_cast<int32_t>(Le32(b, 18));
  const int32_t heightField = static_cast<int32_t>(Le32(b, 22));
  bmp.bitsPerPixel = Le16(b, 28);
  const uint32_t compression = Le32(b, 30);
  if (bmp.bitsPerPixel != 24 || compression != 0 || width <= 0 || heightField == 0) {
    ADD_FAILURE() << path << ": not an uncompressed 24-bit BMP (bits " << bmp.bitsPerPixel
                  << ", compression " << compression << ")";
    return bmp;
  }
  const bool bottomUp = heightField > 0;
  const int height = bottomUp ? heightField : -heightField;
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
  if (b.size() < dataOffset + stride * height) {
    ADD_FAILURE() << path << ": pixel data cut short";
    return bmp;
  }
  bmp.width = width;
  bmp.height = height;
  bmp.bgr.resize(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    const int fileRow = bottomUp ? height - 1 - y : y;
    std::memcpy(&bmp.bgr[static_cast<size_t>(y) * width * 3], &b[dataOffset + stride * fileRow],
                static_cast<size_t>(width) * 3);
  }
  return bmp;
}

Orv ReadOrvFile(const std::string& path) {
  Orv orv;
  const std::vector<uint8_t> b = ReadBytes(path);
  if (b.size() < 20) {
    ADD_FAILURE() << path << ": ORV file of " << b.size() << " bytes";
    return orv;
  }
  orv.width = static_cast<int>(DecodeX87(&b[0]));
  orv.height = static_cast<int>(DecodeX87(&b[10]));
  const size_t n = static_cast<size_t>(orv.width) * orv.height;
  if (b.size() != 10 * (n + 2)) {
    ADD_FAILURE() << path << ": " << b.size() << " bytes for " << orv.width << " x " << orv.height;
    orv.width = orv.height = 0;
    return orv;
  }
  orv.values.resize(n);
  for (size_t i = 0; i < n; ++i) orv.values[i] = DecodeX87(&b[20 + 10 * i]);
  return orv;
}

std::vector<uint8_t> SerHeaderBytes(const SerSpec& s) {
  std::vector<uint8_t> h(178, 0);
  PutText(h, 0, 14, s.fileId);
  PutLe32(h, 14, s.luId);
  PutLe32(h, 18, s.colorId);
  PutLe32(h, 22, s.littleEndian);
  PutLe32(h, 26, s.width);
  PutLe32(h, 30, s.height);
  PutLe32(h, 34, s.depth);
  PutLe32(h, 38, s.frameCount);
  PutText(h, 42, 40, s.observer);
  PutText(h, 82, 40, s.instrument);
  PutText(h, 122, 40, s.telescope);
  PutLe64(h, 162, s.dateTime);
  PutLe64(h, 170, s.dateTimeUtc);
  return h;
}

void WriteSer(const std::string& path, const SerSpec& spec, const std::vector<uint16_t>& samples,
              int bytesPerSample, bool bigEndian, const std::vector<int64_t>& timestamps) {
  std::vector<uint8_t> bytes = SerHeaderBytes(spec);
  for (uint16_t v : samples) {
    if (bytesPerSample == 1) {
      bytes.push_back(static_cast<uint8_t>(v));
    } else if (bigEndian) {
      bytes.push_back(static_cast<uint8_t>(v >> 8));
      bytes.push_back(static_cast<uint8_t>(v));
    } else {
      bytes.push_back(static_cast<uint8_t>(v));
      bytes.push_back(static_cast<uint8_t>(v >> 8));
    }
  }
  for (int64_t t : timestamps) {
    const size_t at = bytes.size();
    bytes.resize(at + 8);
    PutLe64(bytes, at, t);
  }
  WriteBytes(path, bytes);
}

int Run(const std::string& command) {
  const int status = std::system(command.c_str());
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

void Ffmpeg(const std::string& arguments) {
  const std::string command =
      "ffmpeg -hide_banner -loglevel error -nostdin -y " + arguments + " 2>&1";
  ASSERT_EQ(Run(command), 0) << "ffmpeg failed: " << command;
}

}  // namespace orvek::videotest

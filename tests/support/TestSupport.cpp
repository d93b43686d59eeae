#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace orvek::test {

namespace {
std::string WithSlash(std::string s) {
  if (!s.empty() && s.back() != '/') s += '/';
  return s;
}
std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v == nullptr ? std::string{} : std::string(v);
}
}  // namespace

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "orvek-test-XXXXXX").string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (::mkdtemp(buf.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  m_path = WithSlash(buf.data());
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(m_path, ec);
}

TempHome::TempHome() {
  const char* previous = std::getenv("ORVEK_HOME");
  m_hadPrevious = previous != nullptr;
  if (m_hadPrevious) m_previous = previous;
  ::setenv("ORVEK_HOME", Path().c_str(), 1);
}

TempHome::~TempHome() {
  if (m_hadPrevious)
    ::setenv("ORVEK_HOME", m_previous.c_str(), 1);
  else
    ::unsetenv("ORVEK_HOME");
}

std::string SourceDir() {
  std::string s = Env("ORVEK_SOURCE_DIR");
  return s.empty() ? WithSlash(ORVEK_DEFAULT_SOURCE_DIR) : WithSlash(s);
}
std::string RealDataDir() {
  std::string s = Env("ORVEK_REALDATA");
  if (!s.empty()) return WithSlash(s);
  // Beside the checkout, as the workplace lays it out; the fixed place as a last resort.
  const std::string beside = SourceDir() + "../shared/realdata/";
  std::error_code ec;
  if (fs::is_directory(beside, ec)) return beside;
  return "/work/shared/realdata/";
}
std::string BuildDir() {
  std::string s = Env("ORVEK_BUILD_DIR");
  return s.empty() ? WithSlash(ORVEK_DEFAULT_BUILD_DIR) : WithSlash(s);
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary);
  ASSERT_TRUE(out.good()) << path;
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
}

OTrame MakeFrame(int width, int height, Extended value) {
  OTrame f;
  f.Allocate(width, height);
  for (Extended& v : f.Data()) v = value;
  return f;
}

void AddMoffat(OTrame& frame, double x, double y, double peak, double fwhm) {
  const double beta = 2.5;
  const double alpha = fwhm / (2.0 * std::sqrt(std::pow(2.0, 1.0 / beta) - 1.0));
  const int reach = static_cast<int>(std::ceil(fwhm * 6));
  for (int px = static_cast<int>(x) - reach; px <= static_cast<int>(x) + reach; ++px) {
    for (int py = static_cast<int>(y) - reach; py <= static_cast<int>(y) + reach; ++py) {
      if (px < 0 || py < 0 || px >= frame.Width() || py >= frame.Height()) continue;
      double sum = 0;
      for (int sx = 0; sx < 4; ++sx) {
        for (int sy = 0; sy < 4; ++sy) {
          const double dx = px - 0.375 + sx * 0.25 - x;
          const double dy = py - 0.375 + sy * 0.25 - y;
          sum += std::pow(1.0 + (dx * dx + dy * dy) / (alpha * alpha), -beta);
        }
      }
      frame.Px(px, py) += peak * sum / 16.0;
    }
  }
}

int Run(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Capture(const std::string& command, int* status) {
  std::string out;
  FILE* p = ::popen(command.c_str(), "r");
  if (p == nullptr) return out;
  char buf[4096];
  size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int st = ::pclose(p);
  if (status != nullptr) *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return out;
}

}  // namespace orvek::test

namespace orvek::test {
bool FileExistsForTest(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}
}  // namespace orvek::test

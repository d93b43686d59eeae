#pragma once
// Helpers of the video import tests: a temporary folder, independent readers of the BMP and
// ORV files the conversion writes, a SER writer, and the ffmpeg tool that makes AVI files.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "series/VideoImport.h"

namespace orvek::videotest {

/// A fresh folder under the system's temporary folder, removed with its content at the end.
/// ORVEK_HOME points into it for the lifetime of the object.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& Path() const { return m_path; }  ///< ends with "/"
  std::string operator/(const std::string& name) const { return m_path + name; }

 private:
  std::string m_path;
};

/// A decoded 24-bit BMP, read by the tests' own parser (not Orvek's reader).
struct Bmp {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  std::vector<uint8_t> bgr;  ///< top row first, 3 bytes per pixel B, G, R
  uint8_t B(int x, int y) const { return bgr[(static_cast<size_t>(y) * width + x) * 3]; }
  uint8_t G(int x, int y) const { return bgr[(static_cast<size_t>(y) * width + x) * 3 + 1]; }
  uint8_t R(int x, int y) const { return bgr[(static_cast<size_t>(y) * width + x) * 3 + 2]; }
};
/// Parses an uncompressed 24-bit BMP (bottom-up or top-down); fails the test otherwise.
Bmp ReadBmpFile(const std::string& path);

/// An ORV file decoded by the tests' own 80-bit decoder.
struct Orv {
  int width = 0;
  int height = 0;
  std::vector<long double> values;  ///< x outer, y inner, as stored
  long double At(int x, int y) const { return values[static_cast<size_t>(x) * height + y]; }
};
Orv ReadOrvFile(const std::string& path);

/// Fields of a SER header as the tests write them.
struct SerSpec {
  std::string fileId = "LUCAM-RECORDER";
  int32_t luId = 0;
  int32_t colorId = 0;
  int32_t littleEndian = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t depth = 8;
  int32_t frameCount = 0;
  std::string observer = "Observer";
  std::string instrument = "Camera";
  std::string telescope = "Scope";
  int64_t dateTime = 0;
  int64_t dateTimeUtc = 0;
};
/// The 178 header bytes of `spec`.
std::vector<uint8_t> SerHeaderBytes(const SerSpec& spec);
/// A SER file: header, then `samples` (already frames x height x width x planes values)
/// encoded with `bytesPerSample` bytes, big-endian when `bigEndian`, then the timestamps.
void WriteSer(const std::string& path, const SerSpec& spec, const std::vector<uint16_t>& samples,
              int bytesPerSample, bool bigEndian, const std::vector<int64_t>& timestamps = {});

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);
bool Exists(const std::string& path);

/// Runs a shell command; returns its exit status.
int Run(const std::string& command);
/// Runs the ffmpeg tool with `arguments` (quiet, overwrite); fails the test when it fails.
void Ffmpeg(const std::string& arguments);
/// Shell-quoted text.
std::string Quote(const std::string& s);

/// Records every progress call.
class RecordingProgress : public VideoProgress {
 public:
  bool Step(int64_t done, int64_t total, const std::string& text) override {
    texts.push_back(text);
    dones.push_back(done);
    totals.push_back(total);
    return stopAfter < 0 || done < stopAfter;
  }
  void Warning(const Error& problem) override { warnings.push_back(problem); }
  std::vector<std::string> texts;
  std::vector<int64_t> dones;
  std::vector<int64_t> totals;
  std::vector<Error> warnings;
  int64_t stopAfter = -1;  ///< Step returns false once done reaches this
};

}  // namespace orvek::videotest

#pragma once
// Helpers shared by the tests: a temporary folder that is ORVEK_HOME, fixture paths,
// and small synthetic images.

#include <string>
#include <vector>

#include "core/OTrame.h"

namespace orvek::test {

/// A fresh temporary folder, removed with its contents when the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  /// The folder, ending in "/".
  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + name; }

 private:
  std::string m_path;
};

/// A temporary folder that is also $ORVEK_HOME for the lifetime of the object (the previous
/// value is restored afterwards).
class TempHome : public TempDir {
 public:
  TempHome();
  ~TempHome();

 private:
  std::string m_previous;
  bool m_hadPrevious = false;
};

/// The source tree (ORVEK_SOURCE_DIR, set by the test runner) with a trailing "/".
std::string SourceDir();
/// The shared real-data folder (ORVEK_REALDATA) with a trailing "/".
std::string RealDataDir();
/// The build folder (ORVEK_BUILD_DIR) with a trailing "/".
std::string BuildDir();

/// Writes bytes to a file (fails the current test when it cannot).
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> ReadBytes(const std::string& path);

/// A frame of the given size filled with `value`.
OTrame MakeFrame(int width, int height, Extended value = 0);

/// Adds a circular Moffat star (beta 2.5) of the given peak and FWHM, centred at (x, y),
/// integrated over each pixel by 4 x 4 sub-sampling.
void AddMoffat(OTrame& frame, double x, double y, double peak, double fwhm);

/// True when a plain file exists.
bool FileExistsForTest(const std::string& path);

/// Runs a shell command; returns its exit status.
int Run(const std::string& command);
/// Runs a command and captures its standard output.
std::string Capture(const std::string& command, int* status = nullptr);

}  // namespace orvek::test

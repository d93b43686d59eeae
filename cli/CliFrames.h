#pragma once
// Frames, folders and file lists shared by the verbs of orvek-cli.

#include <string>
#include <vector>

#include "core/OTrame.h"

namespace orvek::cli {

/// Reads a frame the way the window does (bias, FITS orientation); a missing file, an
/// unknown extension or a malformed file ends the command with exit status 1.
void LoadFrameOrFail(OTrame& frame, const std::string& path, const OTrame* bias = nullptr,
                     const FitsOptions& fits = {}, LoadResult* result = nullptr);
/// The same, returning the frame.
OTrame LoadFrame(const std::string& path, const OTrame* bias = nullptr,
                 const FitsOptions& fits = {});

/// Prints the files a verb wrote, one per line (the warnings to stderr), or with `json` an
/// object {"frames" (when not negative), "files", "warnings"}.
void PrintFiles(const std::vector<std::string>& files, const std::vector<std::string>& warnings,
                bool json, int frames = -1);

/// A private working folder, removed with its contents at the end of the command.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  /// The folder, ending in "/".
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

}  // namespace orvek::cli

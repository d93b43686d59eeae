#pragma once
// Frames, folders and file lists shared by the verbs of orvek-cli.

#include <string>
#include <vector>

#include "cli/Cli.h"
#include "core/OTrame.h"
#include "core/Output.h"

namespace orvek::cli {

/// Reads a frame the way the window does (bias, FITS orientation); a missing file, an
/// unknown extension or a malformed file ends the command with exit status 1.
void LoadFrameOrFail(OTrame& frame, const std::string& path, const OTrame* bias = nullptr,
                     const FitsOptions& fits = {}, LoadResult* result = nullptr);
/// The same, returning the frame.
OTrame LoadFrame(const std::string& path, const OTrame* bias = nullptr,
                 const FitsOptions& fits = {});

/// The FITS orientation options of the settings file (PARAMS/FitsSwapV, FitsSwapH).
FitsOptions StoredFitsOptions();

/// Prints the files a verb wrote, one per line (the warnings to stderr), or with `json` an
/// object {"frames" (when not negative), "files", "warnings"}.
void PrintFiles(const Verb& verb, const std::string& name, const std::vector<std::string>& files,
                const std::vector<Error>& warnings, int frames = -1);

/// Writes `frame` whole as the ORV file `path` the user named: refused when it exists, unless
/// --overwrite.
void SaveUserOrv(const Verb& verb, const OTrame& frame, const std::string& path);

/// A private working folder of the command, removed with its contents at the end. The library
/// commands that empty their folder as the program's working folders are emptied run here;
/// their results are then delivered into the user's folder.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  /// The folder, ending in "/".
  const std::string& Path() const { return m_path; }
  /// The folder as the program's own output: the commands may empty it.
  OutputFolder Output() const { return ProgramOutput(m_path); }

 private:
  std::string m_path;
};

/// Copies the named files of `work` into `out`, all of them refused at once when one exists
/// (unless overwrite), each written to a temporary file and renamed; returns their new paths.
std::vector<std::string> Deliver(const ScratchFolder& work, const std::vector<std::string>& names,
                                 const OutputFolder& out);
/// Refuses at once when one of the names exists in `out` (unless overwrite).
void CheckNew(const OutputFolder& out, const std::vector<std::string>& names);

}  // namespace orvek::cli

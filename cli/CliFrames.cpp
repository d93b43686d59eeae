#include "cli/CliFrames.h"

#include <stdlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "core/IniFile.h"
#include "core/Utils.h"
#include "wording/Wording.h"

namespace fs = std::filesystem;

namespace orvek::cli {

void LoadFrameOrFail(OTrame& frame, const std::string& path, const OTrame* bias,
                     const FitsOptions& fits, LoadResult* result) {
  if (!FileExists(path)) throw CommandError(Error(ErrorCode::FileNotFound).Path(path));
  const LoadResult r = frame.LoadFile(path, bias, fits);
  if (!r.ok()) throw CommandError(ReadFailure(path, r));
  if (result != nullptr) *result = r;
}

OTrame LoadFrame(const std::string& path, const OTrame* bias, const FitsOptions& fits) {
  OTrame frame;
  LoadFrameOrFail(frame, path, bias, fits);
  return frame;
}

FitsOptions StoredFitsOptions() {
  const IniFile ini(SettingsPath());
  FitsOptions fits;
  fits.swapVert = ini.ReadString("PARAMS", "FitsSwapV", "0") == "1";
  fits.swapHoriz = ini.ReadString("PARAMS", "FitsSwapH", "0") == "1";
  return fits;
}

void PrintFiles(const Verb& verb, const std::string& name, const std::vector<std::string>& files,
                const std::vector<Error>& warnings, int frames) {
  if (verb.IsSet("--json")) {
    Json j = Json::object();
    if (frames >= 0) j["frames"] = frames;
    j["files"] = files;
    j["warnings"] = Json::array();
    for (const Error& w : warnings) j["warnings"].push_back(verb.Words().DescribeForJson(w));
    PrintJson(j);
  } else {
    for (const Error& w : warnings)
      Note(name, verb.Words().Text("Warning", Error().Text(verb.Words().Describe(w))));
    for (const std::string& f : files) Print(f);
  }
}

void SaveUserOrv(const Verb& verb, const OTrame& frame, const std::string& path) {
  const OutputFolder out = verb.FileFolder(path);
  Check(MayWrite(out, path));
  Check(PrepareOutput(out));
  Check(frame.SaveOrv(0, 0, frame.LastX, frame.LastY, path));
}

ScratchFolder::ScratchFolder() {
  std::string pattern = (fs::temp_directory_path() / "orvek-cli-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr)
    throw CommandError(Error(ErrorCode::FolderCreate).Path(pattern).Detail(std::strerror(errno)));
  m_path = pattern + "/";
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  fs::remove_all(m_path, ec);
}

void CheckNew(const OutputFolder& out, const std::vector<std::string>& names) {
  Check(MayWriteAll(out, names));
}

std::vector<std::string> Deliver(const ScratchFolder& work, const std::vector<std::string>& names,
                                 const OutputFolder& out) {
  CheckNew(out, names);
  Check(PrepareOutput(out));
  std::vector<std::string> delivered;
  for (const std::string& name : names) {
    Check(DeliverCopy(work.Path() + name, out, name));
    delivered.push_back(OutputPath(out, name));
  }
  return delivered;
}

}  // namespace orvek::cli

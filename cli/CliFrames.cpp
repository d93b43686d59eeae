#include "cli/CliFrames.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "cli/Cli.h"
#include "core/Utils.h"
#include "wording/Wording.h"

namespace fs = std::filesystem;

namespace orvek::cli {

void LoadFrameOrFail(OTrame& frame, const std::string& path, const OTrame* bias,
                     const FitsOptions& fits, LoadResult* result) {
  if (!FileExists(path)) throw CommandError(path + ": File not found");
  const LoadResult r = frame.LoadFile(path, bias, fits);
  if (r.status == LoadStatus::UnknownExtension)
    throw CommandError(path + ": unknown image extension (BMP, FIT, FITS, FTS or ORV expected)");
  if (!r.ok()) throw CommandError(Describe(r.AsStatus()));
  if (result != nullptr) *result = r;
}

OTrame LoadFrame(const std::string& path, const OTrame* bias, const FitsOptions& fits) {
  OTrame frame;
  LoadFrameOrFail(frame, path, bias, fits);
  return frame;
}

ScratchFolder::ScratchFolder() {
  const std::string pattern = (fs::temp_directory_path() / "orvek-cli-XXXXXX").string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (::mkdtemp(buf.data()) == nullptr) throw CommandError("cannot create a working folder");
  m_path = std::string(buf.data()) + "/";
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  fs::remove_all(m_path, ec);
}

void PrintFiles(const std::vector<std::string>& files, const std::vector<std::string>& warnings,
                bool json, int frames) {
  if (json) {
    Json j;
    j.BeginObject();
    if (frames >= 0) j.FieldInt("frames", frames);
    j.Key("files").BeginArray();
    for (const std::string& f : files) j.String(f);
    j.EndArray();
    j.Key("warnings").BeginArray();
    for (const std::string& w : warnings) j.String(w);
    j.EndArray();
    j.EndObject();
    Print(j.Text());
  } else {
    for (const std::string& w : warnings) std::fprintf(stderr, "warning: %s\n", w.c_str());
    for (const std::string& f : files) Print(f);
  }
}

}  // namespace orvek::cli

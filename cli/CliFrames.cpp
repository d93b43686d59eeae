#include "cli/CliFrames.h"

#include <stdlib.h>

#include <filesystem>
#include <vector>

#include "cli/Cli.h"
#include "core/Utils.h"

namespace fs = std::filesystem;

namespace orvek::cli {

void LoadFrameOrFail(OTrame& frame, const std::string& path, const OTrame* bias,
                     const FitsOptions& fits, LoadResult* result) {
  if (!FileExists(path)) throw CommandError(path + ": File not found");
  const LoadResult r = frame.LoadFile(path, bias, fits);
  if (r.status == LoadStatus::UnknownExtension)
    throw CommandError(path + ": unknown image extension (BMP, FIT, FITS, FTS or ORV expected)");
  if (!r.ok()) throw CommandError(r.message.empty() ? path + ": cannot be read" : r.message);
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

}  // namespace orvek::cli

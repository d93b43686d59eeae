// The FFmpeg decoder as the programs reach it: the plugin orvek-video-ffmpeg.so is loaded on
// the first video that is not SER, and its decoder opened through the plugin's entry.

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "series/VideoDecoder.h"

namespace orvek::video_detail {

namespace {

using OpenFunction = Result<std::unique_ptr<VideoDecoder>> (*)(const std::string& path);

constexpr const char* kPluginName = "orvek-video-ffmpeg.so";
constexpr const char* kEntryName = "OrvekOpenFfmpegDecoder";

// The folder of the running program, with a final "/".
std::string ProgramDirectory() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  std::string path(buf, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

struct Plugin {
  OpenFunction open = nullptr;
  std::string tried;   // the places looked at, for the failure
  std::string reason;  // the loader's last complaint
};

// Where the plugin may lie: beside the program (an unpacked archive), in the installed
// layout's library folder, and where this build made it.
Plugin Load() {
  Plugin plugin;
  const std::string here = ProgramDirectory();
  std::vector<std::string> places = {here + kPluginName,
                                     here + ORVEK_VIDEO_PLUGIN_FROM_BINDIR + "/" + kPluginName};
#ifdef ORVEK_VIDEO_PLUGIN_BUILD_PATH
  places.push_back(ORVEK_VIDEO_PLUGIN_BUILD_PATH);
#endif
  for (const std::string& place : places) {
    if (!plugin.tried.empty()) plugin.tried += ", ";
    plugin.tried += place;
    if (access(place.c_str(), R_OK) != 0) continue;
    // Never closed: the decoders it makes live in its code.
    void* handle = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      plugin.reason = dlerror();
      continue;
    }
    plugin.open = reinterpret_cast<OpenFunction>(dlsym(handle, kEntryName));
    if (plugin.open != nullptr) return plugin;
    plugin.reason = place + ": no " + kEntryName;
  }
  if (plugin.reason.empty()) plugin.reason = "not found in " + plugin.tried;
  return plugin;
}

}  // namespace

Result<std::unique_ptr<VideoDecoder>> OpenFfmpegDecoder(const std::string& path) {
  // Loaded once for the whole run, on the first use (the dynamic loader keeps it anyway).
  static const Plugin plugin = Load();
  if (plugin.open == nullptr) {
    return Unexpected(Error(ErrorCode::VideoNoDecoder).Path(path).Detail(plugin.reason));
  }
  return plugin.open(path);
}

}  // namespace orvek::video_detail

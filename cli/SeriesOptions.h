#pragma once
// Options shared by the series and drift verbs of orvek-cli: how each frame is loaded and
// measured, as the main window would with its stored settings.
//   --bias FILE        subtract this bias frame at every load (frames of its size, not ORV)
//   --half P           measurement window half-size, 1..30 (default: PARAMS/HScroll1, 6)
//   --framing auto|manual   "Automatique" (default) or "Manuel" framing

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "core/IniFile.h"
#include "core/OTrame.h"
#include "core/Progress.h"
#include "core/Utils.h"
#include "measure/FrameLoader.h"
#include "wording/Wording.h"

namespace orvek::cli {

/// The valued options every series verb accepts.
inline const std::vector<std::string> kSeriesLoadOptions = {"--bias", "--half", "--framing"};

/// A load context with the bias frame it points to.
struct SeriesLoad {
  std::unique_ptr<OTrame> bias;  ///< owned here; context.bias points to it
  LoadContext context;
};

/// Appends the shared options to a verb's own list.
inline std::vector<std::string> WithSeriesOptions(std::vector<std::string> valued) {
  valued.insert(valued.end(), kSeriesLoadOptions.begin(), kSeriesLoadOptions.end());
  return valued;
}

/// Builds the load context from the settings file and the options; series loops read ahead
/// on `pool`.
inline SeriesLoad MakeSeriesLoad(const Args& args, WorkerPool& pool) {
  SeriesLoad load;
  load.context.pool = &pool;
  const IniFile ini(SettingsPath());
  load.context.fits.swapVert = ini.ReadString("PARAMS", "FitsSwapV", "0") == "1";
  load.context.fits.swapHoriz = ini.ReadString("PARAMS", "FitsSwapH", "0") == "1";
  long long half = ini.ReadInteger("PARAMS", "HScroll1", 6);
  if (half < 1 || half > 30) half = 6;
  half = args.Integer("--half", half);
  if (half < 1 || half > 30)
    throw UsageError("--half: the half-size is 1 to 30, got " + args.Value("--half"));
  load.context.measure.half = static_cast<int>(half);
  const std::string framing = args.Value("--framing", "auto");
  if (framing == "auto") {
    load.context.measure.automatic = true;
  } else if (framing == "manual") {
    load.context.measure.automatic = false;
  } else {
    throw UsageError("--framing must be auto or manual, not " + framing);
  }
  if (args.Has("--bias")) {
    const std::string path = args.Value("--bias");
    load.bias = std::make_unique<OTrame>();
    const LoadResult read = load.bias->LoadFile(path, nullptr, load.context.fits, nullptr);
    if (!read.ok())
      throw CommandError(path + ": " +
                         (read.status == LoadStatus::UnknownExtension
                              ? std::string("not an image file")
                              : Describe(read.AsStatus())));
    load.context.bias = load.bias.get();
  }
  return load;
}

/// Prints warnings on stderr as they come; never stops.
class CliSeriesObserver : public SeriesObserver {
 public:
  explicit CliSeriesObserver(std::string verb) : m_verb(std::move(verb)) {}
  void Warning(const std::string& text) override {
    std::fprintf(stderr, "orvek-cli %s: %s\n", m_verb.c_str(), text.c_str());
  }

 private:
  std::string m_verb;
};

}  // namespace orvek::cli

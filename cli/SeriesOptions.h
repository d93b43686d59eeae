#pragma once
// Options shared by the series and drift verbs of orvek-cli: how each frame is loaded and
// measured, as the main window would with its stored settings.
//   --bias FILE        subtract this bias frame at every load (frames of its size, not ORV)
//   --half P           measurement window half-size, 1..30 (default: PARAMS/HScroll1, 6)
//   --framing auto|manual   "Automatique" (default) or "Manuel" framing

#include <memory>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/CliFrames.h"
#include "core/IniFile.h"
#include "core/OTrame.h"
#include "core/Progress.h"
#include "core/Utils.h"
#include "measure/FrameLoader.h"
#include "wording/Wording.h"

namespace orvek::cli {

/// Declares the options every series verb accepts.
inline void SeriesLoadOptions(Verb& verb) {
  verb.Option("--bias", "FILE").Option("--half", "P").Option("--framing", "auto|manual");
}

/// A load context with the bias frame it points to.
struct SeriesLoad {
  std::unique_ptr<OTrame> bias;  ///< owned here; context.bias points to it
  LoadContext context;
};

/// Builds the load context from the settings file and the options.
inline SeriesLoad MakeSeriesLoad(const Verb& verb) {
  SeriesLoad load;
  load.context.pool = &verb.Pool();
  load.context.fits = StoredFitsOptions();
  long long half = IniFile(SettingsPath()).ReadInteger("PARAMS", "HScroll1", 6);
  if (half < 1 || half > 30) half = 6;
  load.context.measure.half = static_cast<int>(verb.Integer("--half", half, 1, 30));
  load.context.measure.automatic = verb.Choice("--framing", {"auto", "manual"}, "auto") == "auto";
  if (verb.Has("--bias")) {
    load.bias = std::make_unique<OTrame>();
    LoadFrameOrFail(*load.bias, verb.Value("--bias"), nullptr, load.context.fits);
    load.context.bias = load.bias.get();
  }
  return load;
}

/// Prints the frames a loop could not use on stderr as they come, in the interface language;
/// never stops.
class CliSeriesObserver : public SeriesObserver {
 public:
  CliSeriesObserver(const Verb& verb, std::string name) : m_verb(verb), m_name(std::move(name)) {}
  void Warning(const std::string& text) override { Note(m_name, text); }
  void Problem(const Error& error) override { Note(m_name, m_verb.Words().Describe(error)); }
  bool WantsFrames() const override { return false; }

 private:
  const Verb& m_verb;
  std::string m_name;
};

}  // namespace orvek::cli

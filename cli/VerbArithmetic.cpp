// orvek-cli quadpx, div, mult, lowpass, conv, speckle-mask and suppress: the image arithmetic,
// the speckle mask and the peak suppression without the window.
//
// Input images are read as files alone (no bias frame). Results are the files the window's
// commands write, under the names given; a file the user names is refused when it exists,
// unless --overwrite. The speckle mask runs in a private working folder (the command empties
// its folder) and its files are then delivered into --out-dir, so that nothing else in that
// folder is touched.

#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/CliFrames.h"
#include "core/OTrame.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "fourier/ImageArithmetic.h"
#include "fourier/SpeckleMask.h"
#include "wording/Wording.h"

namespace orvek::cli {

namespace {

using fourier::ArithmeticResult;

void PrintFrame(const Verb& v, const std::string& out, const OTrame& frame) {
  if (v.IsSet("--json")) {
    PrintJson({{"file", out}, {"width", frame.Width()}, {"height", frame.Height()}});
  } else {
    Print(out);
  }
}

void DeclareQuadPx(Verb& v) {
  v.Files({"FILE"}).Option("--out", "FILE.orvc").Option("--k", "K").Overwrite().JsonOutput();
}

int QuadPxVerb(Verb& v) {
  const std::string out = v.OrvFile("--out");
  // Read in extended precision, as the window reads hQuadPx.
  Extended k = 0;
  if (v.Has("--k") && !ParseNumber(v.Value("--k"), k))
    throw UsageError("NotANumber", Error().Field("--k").Text(v.Value("--k")));
  const OTrame source = LoadFrame(v.Positional()[0]);
  OTrame q;
  Check(fourier::QuadPxFrame(source, k, q));
  SaveUserOrv(v, q, out);
  PrintFrame(v, out, q);
  return 0;
}

void DeclareTwoImages(Verb& v, const char* second) {
  v.Files({"FILE", second}).Option("--out", "FILE.orv").Overwrite().JsonOutput();
}
void DeclareDiv(Verb& v) {
  DeclareTwoImages(v, "DIVISOR");
}
void DeclareMult(Verb& v) {
  DeclareTwoImages(v, "OTHER");
}

// div and mult: the current image and a second one read at the same indices.
int TwoImages(Verb& v, bool divide) {
  const std::string out = v.OrvFile("--out");
  OTrame frame = LoadFrame(v.Positional()[0]);
  const OTrame second = LoadFrame(v.Positional()[1]);
  Check(divide ? fourier::DivideFrame(frame, second) : fourier::MultiplyFrame(frame, second));
  SaveUserOrv(v, frame, out);
  PrintFrame(v, out, frame);
  return 0;
}

int DivVerb(Verb& v) {
  return TwoImages(v, true);
}
int MultVerb(Verb& v) {
  return TwoImages(v, false);
}

void DeclareLowPass(Verb& v) {
  v.Files({"FILE"}).Option("--out", "FILE.orv").Overwrite().JsonOutput();
}

int LowPassVerb(Verb& v) {
  const std::string out = v.OrvFile("--out");
  OTrame frame = LoadFrame(v.Positional()[0]);
  fourier::LowPassFrame(frame);
  SaveUserOrv(v, frame, out);
  PrintFrame(v, out, frame);
  return 0;
}

void DeclareConv(Verb& v) {
  v.Files({"FILE", "OTHER"}).Option("--out-dir", "DIR").Overwrite().JsonOutput();
}

int ConvVerb(Verb& v) {
  const OutputFolder out = v.OutFolder("--out-dir");
  const OTrame current = LoadFrame(v.Positional()[0]);
  const OTrame second = LoadFrame(v.Positional()[1]);
  // The stage files are written straight into the folder; nothing there is emptied.
  const ArithmeticResult r = fourier::ConvCommand(current, second, out, &v.Pool());
  if (!r.ok()) throw CommandError(r.error);
  PrintFiles(v, "conv", r.written, {});
  return 0;
}

void DeclareSpeckleMask(Verb& v) {
  v.Files({"FILE..."}).Option("--dx", "DX").Option("--dy", "DY").Option("--out-dir", "DIR");
  v.Overwrite().JsonOutput();
}

int SpeckleMaskVerb(Verb& v) {
  fourier::SpeckleShift shift;
  v.Required("--dx");
  v.Required("--dy");
  constexpr long long kFar = 1LL << 40;
  shift.dx = v.Integer("--dx", 0, -kFar, kFar);
  shift.dy = v.Integer("--dy", 0, -kFar, kFar);
  const OutputFolder out = v.OutFolder("--out-dir");
  fourier::SeriesInput in;
  in.pool = &v.Pool();
  in.files = v.Positional();
  std::vector<std::string> names;
  for (const std::string& f : in.files) {
    for (const char* ext :
         {fourier::kSpeckleOriginalExt, fourier::kSpeckleMaskedExt, fourier::kSpeckleAveragedExt})
      names.push_back(BaseNameOf(f) + ext);
  }
  CheckNew(out, names);
  ScratchFolder work;
  const fourier::FourierResult r = fourier::SpeckleMaskCommand(in, shift, work.Output());
  if (!r.ok()) throw CommandError(r.error);
  if (r.written.empty()) {
    for (const Error& w : r.warnings) Note("speckle-mask", v.Words().Describe(w));
    throw CommandError(Error(ErrorCode::NoFrameUsable));
  }
  std::vector<std::string> written;
  for (const std::string& path : r.written) written.push_back(FileNameOf(path));
  PrintFiles(v, "speckle-mask", Deliver(work, written, out), r.warnings);
  return 0;
}

void DeclareSuppress(Verb& v) {
  v.Files({"FILE"}).Option("--ring", "0|1|2").Option("--out", "FILE.orv").Overwrite().JsonOutput();
}

int SuppressVerb(Verb& v) {
  const std::string out = v.OrvFile("--out");
  v.Required("--ring");
  const long long ring = v.Integer("--ring", 0, 0, 2);
  OTrame frame = LoadFrame(v.Positional()[0]);
  const int zeroed = fourier::SuppressPeak(frame, static_cast<int>(ring));
  SaveUserOrv(v, frame, out);
  if (v.IsSet("--json")) {
    PrintJson({{"file", out}, {"centre", fourier::PeakCentre(frame)}, {"zeroed", zeroed}});
  } else {
    Print(out);
  }
  return 0;
}

}  // namespace

ORVEK_CLI_VERB(quadpx, "quadpx", "quadpx FILE --out FILE.orvc [--k K] [--overwrite] [--json]",
               DeclareQuadPx, QuadPxVerb);
ORVEK_CLI_VERB(div, "div", "div FILE DIVISOR --out FILE.orv [--overwrite] [--json]", DeclareDiv,
               DivVerb);
ORVEK_CLI_VERB(mult, "mult", "mult FILE OTHER --out FILE.orv [--overwrite] [--json]", DeclareMult,
               MultVerb);
ORVEK_CLI_VERB(lowpass, "lowpass", "lowpass FILE --out FILE.orv [--overwrite] [--json]",
               DeclareLowPass, LowPassVerb);
ORVEK_CLI_VERB(conv, "conv", "conv FILE OTHER --out-dir DIR [--overwrite] [--json]", DeclareConv,
               ConvVerb);
ORVEK_CLI_VERB(speckle_mask, "speckle-mask",
               "speckle-mask --dx DX --dy DY --out-dir DIR [--overwrite] [--json] FILE...",
               DeclareSpeckleMask, SpeckleMaskVerb);
ORVEK_CLI_VERB(suppress, "suppress",
               "suppress FILE --ring 0|1|2 --out FILE.orv [--overwrite] [--json]", DeclareSuppress,
               SuppressVerb);

}  // namespace orvek::cli

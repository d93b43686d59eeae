// orvek-cli quadpx, div, mult, lowpass, conv, speckle-mask and suppress: the image arithmetic,
// the speckle mask and the peak suppression without the window.
//
// Input images are read as files alone (no bias frame). Results are the files the window's
// commands write, under the names given; the speckle mask runs in a private working folder
// (the command empties its folder) and its files are then copied into --out-dir, so that
// nothing else in that folder is ever deleted.

#include <unistd.h>

#include <filesystem>
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

namespace fs = std::filesystem;

namespace orvek::cli {

namespace {

using fourier::ArithmeticResult;

std::string OutFile(const Args& args) {
  if (!args.Has("--out")) throw UsageError("--out FILE is required");
  const std::string out = args.Value("--out");
  if (!IsOrvExtension(UpperExtension(out))) throw UsageError("--out must end in .orv, .orvc, ...");
  return out;
}

std::string OutDir(const Args& args) {
  if (!args.Has("--out-dir")) throw UsageError("--out-dir DIR is required");
  std::string dir = args.Value("--out-dir");
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (!fs::is_directory(dir)) throw CommandError(dir + ": cannot create the folder");
  if (dir.back() != '/') dir += '/';
  return dir;
}

void Save(const OTrame& frame, const std::string& out) {
  const Status s = frame.SaveOrv(0, 0, frame.LastX, frame.LastY, out);
  if (!s) throw CommandError(Describe(s));
}

void PrintFrame(const std::string& out, const OTrame& frame, bool json) {
  if (json) {
    Json j;
    j.BeginObject()
        .FieldStr("file", out)
        .FieldInt("width", frame.Width())
        .FieldInt("height", frame.Height())
        .EndObject();
    Print(j.Text());
  } else {
    Print(out);
  }
}

int QuadPxVerb(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--json"}, {"--out", "--k"});
  if (args.Positional().size() != 1) throw UsageError("one FILE expected");
  const std::string out = OutFile(args);
  Extended k = 0;
  if (args.Has("--k") && !ParseNumber(args.Value("--k"), k)) {
    throw UsageError("--k: not a number: " + args.Value("--k"));
  }
  const OTrame source = LoadFrame(args.Positional()[0]);
  OTrame q;
  const Status s = fourier::QuadPxFrame(source, k, q);
  if (!s) throw CommandError(Describe(s));
  Save(q, out);
  PrintFrame(out, q, args.Flag("--json"));
  return 0;
}

// div and mult: the current image and a second one read at the same indices.
int TwoImages(const std::vector<std::string>& raw, bool divide) {
  Args args(raw, {"--json"}, {"--out"});
  if (args.Positional().size() != 2) throw UsageError("FILE and a second image expected");
  const std::string out = OutFile(args);
  OTrame frame = LoadFrame(args.Positional()[0]);
  const OTrame second = LoadFrame(args.Positional()[1]);
  const Status s =
      divide ? fourier::DivideFrame(frame, second) : fourier::MultiplyFrame(frame, second);
  if (!s) throw CommandError(Describe(s));
  Save(frame, out);
  PrintFrame(out, frame, args.Flag("--json"));
  return 0;
}

int DivVerb(const std::vector<std::string>& raw, WorkerPool& pool) {
  return TwoImages(raw, true);
}
int MultVerb(const std::vector<std::string>& raw, WorkerPool& pool) {
  return TwoImages(raw, false);
}

int LowPassVerb(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--json"}, {"--out"});
  if (args.Positional().size() != 1) throw UsageError("one FILE expected");
  const std::string out = OutFile(args);
  OTrame frame = LoadFrame(args.Positional()[0]);
  fourier::LowPassFrame(frame);
  Save(frame, out);
  PrintFrame(out, frame, args.Flag("--json"));
  return 0;
}

int ConvVerb(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--json"}, {"--out-dir"});
  if (args.Positional().size() != 2) throw UsageError("FILE and a second image expected");
  const std::string dir = OutDir(args);
  const OTrame current = LoadFrame(args.Positional()[0]);
  const OTrame second = LoadFrame(args.Positional()[1]);
  // The stage files are written straight into the folder: the command empties nothing.
  const ArithmeticResult r = fourier::ConvCommand(current, second, dir, &pool);
  if (!r.ok()) throw CommandError(r.message);
  PrintFiles(r.written, {}, args.Flag("--json"));
  return 0;
}

int SpeckleMaskVerb(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--json"}, {"--dx", "--dy", "--out-dir"});
  if (!args.Has("--dx") || !args.Has("--dy")) throw UsageError("--dx DX and --dy DY are required");
  fourier::SpeckleShift shift;
  shift.dx = args.Integer("--dx", 0);
  shift.dy = args.Integer("--dy", 0);
  const std::string dir = OutDir(args);
  fourier::SeriesInput in;
  in.files = args.Positional();
  if (in.files.empty()) throw UsageError("at least one FILE expected");
  ScratchFolder work;
  const fourier::FourierResult r = fourier::SpeckleMaskCommand(in, shift, work.Path());
  if (!r.ok()) throw CommandError(r.message.empty() ? "failed" : r.message);
  if (r.written.empty()) {
    for (const std::string& w : r.warnings) std::fprintf(stderr, "%s\n", w.c_str());
    throw CommandError("no image could be read");
  }
  std::vector<std::string> delivered;
  for (const std::string& path : r.written) {
    const std::string target = dir + FileNameOf(path);
    std::error_code ec;
    fs::copy_file(path, target, fs::copy_options::overwrite_existing, ec);
    if (ec) throw CommandError(target + ": " + ec.message());
    delivered.push_back(target);
  }
  PrintFiles(delivered, r.warnings, args.Flag("--json"));
  return 0;
}

int SuppressVerb(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--json"}, {"--ring", "--out"});
  if (args.Positional().size() != 1) throw UsageError("one FILE expected");
  const std::string out = OutFile(args);
  if (!args.Has("--ring")) throw UsageError("--ring 0|1|2 is required");
  const long long ring = args.Integer("--ring", 0);
  if (ring < 0 || ring > 2) throw UsageError("--ring must be 0, 1 or 2");
  OTrame frame = LoadFrame(args.Positional()[0]);
  const int zeroed = fourier::SuppressPeak(frame, static_cast<int>(ring));
  Save(frame, out);
  if (args.Flag("--json")) {
    Json j;
    j.BeginObject()
        .FieldStr("file", out)
        .FieldInt("centre", fourier::PeakCentre(frame))
        .FieldInt("zeroed", zeroed)
        .EndObject();
    Print(j.Text());
  } else {
    Print(out);
  }
  return 0;
}

}  // namespace

ORVEK_CLI_VERB(quadpx, "quadpx", "quadpx FILE --out FILE.orvc [--k K] [--json]", QuadPxVerb);
ORVEK_CLI_VERB(div, "div", "div FILE DIVISOR --out FILE.orv [--json]", DivVerb);
ORVEK_CLI_VERB(mult, "mult", "mult FILE OTHER --out FILE.orv [--json]", MultVerb);
ORVEK_CLI_VERB(lowpass, "lowpass", "lowpass FILE --out FILE.orv [--json]", LowPassVerb);
ORVEK_CLI_VERB(conv, "conv", "conv FILE OTHER --out-dir DIR [--json]", ConvVerb);
ORVEK_CLI_VERB(speckle_mask, "speckle-mask",
               "speckle-mask --dx DX --dy DY --out-dir DIR [--json] FILE...", SpeckleMaskVerb);
ORVEK_CLI_VERB(suppress, "suppress", "suppress FILE --ring 0|1|2 --out FILE.orv [--json]",
               SuppressVerb);

}  // namespace orvek::cli

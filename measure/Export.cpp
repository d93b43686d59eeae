#include "measure/Export.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <regex>
#include <tuple>
#include <utility>
#include <vector>

#include "core/ObsTime.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "measure/CsvText.h"

namespace orvek {

namespace {

constexpr const char* kNoEpoch = "no epoch";
constexpr const char* kUnknown = "-";

Unexpected<Error> TooLong(std::string field, const std::string& text, size_t width) {
  return Unexpected(
      Error(ErrorCode::FieldTooLong).Field(std::move(field)).Text(text).Values({double(width)}));
}

Result<void> CheckDetails(std::span<const ExportFrame> frames, const ObservationSummary& s,
                          const ExportDetails& d) {
  if (s.all.n == 0 && frames.empty()) return Unexpected(Error(ErrorCode::NoMeasures));
  static const std::regex kWds(R"(\d{5}[+-]\d{4})");
  if (!d.wds.empty() && !std::regex_match(d.wds, kWds))
    return Unexpected(Error(ErrorCode::WdsCoordinates).Text(d.wds));
  const std::tuple<const char*, std::optional<double>, double> numbers[] = {
      {"mag-a", d.magA, -HUGE_VAL}, {"mag-b", d.magB, -HUGE_VAL}, {"aperture-cm", d.apertureCm, 0}};
  for (const auto& [field, v, low] : numbers) {
    if (v && !(std::isfinite(*v) && *v > low))
      return Unexpected(Error(ErrorCode::OutOfRange).Field(field).Values({*v, low, HUGE_VAL}));
  }
  return {};
}

std::string Fixed(const std::optional<double>& v, int decimals) {
  return v ? FormatFixed(*v, decimals) : std::string(kUnknown);
}

/// A position angle with `decimals` decimals; one that rounds up to a full turn reads 0.
std::string Angle(double deg, int decimals) {
  const std::string s = FormatFixed(deg, decimals);
  return RoundTo(deg, decimals) >= 360 ? FormatFixed(0, decimals) : s;
}

std::string Epoch(const std::optional<double>& epoch) {
  return epoch ? FormatFixed(*epoch, 3) : std::string(kNoEpoch);
}

// ---- jdso ------------------------------------------------------------------------------------

std::vector<std::string> JdsoLine(const ExportDetails& d, const std::string& mags,
                                  const SeriesStats& s, int count, const std::string& notes) {
  return {d.pair.empty() ? kUnknown : d.pair,
          d.wds.empty() ? kUnknown : d.wds,
          mags,
          Angle(s.thetaDeg, 1),
          Fixed(s.thetaSdDeg, 2),
          Fixed(s.thetaSemDeg, 2),
          FormatFixed(s.rhoArcsec, 2),
          Fixed(s.rhoSdArcsec, 3),
          Fixed(s.rhoSemArcsec, 3),
          Epoch(s.epoch),
          std::to_string(count),
          notes};
}

// ---- wds -------------------------------------------------------------------------------------

/// `text` left-aligned in `width` columns, refused when wider.
Result<std::string> Left(const char* field, const std::string& text, size_t width) {
  if (text.size() > width) return TooLong(field, text, width);
  return text + std::string(width - text.size(), ' ');
}
/// `text` right-aligned in `width` columns, refused when wider.
Result<std::string> Right(const char* field, const std::string& text, size_t width) {
  if (text.size() > width) return TooLong(field, text, width);
  return std::string(width - text.size(), ' ') + text;
}

/// Columns 11-22: the discoverer code left and its number right in 7 columns, then the
/// components in 5 ("STF 1234AB" -> "STF1234AB   ", "STT 547" -> "STT 547     "). A name of
/// another form is written as it is, left-aligned in the 12 columns.
Result<std::string> Designation(const std::string& pair) {
  static const std::regex kDiscoverer(R"(\s*([A-Za-z]{1,4})\s*(\d{1,6})\s*([A-Za-z][\w,]*)?\s*)");
  std::smatch m;
  if (!std::regex_match(pair, m, kDiscoverer)) return Left("pair", pair, 12);
  const std::string code = m[1], number = m[2], components = m[3];
  if (code.size() + number.size() > 7) return TooLong("pair", pair, 7);
  if (components.size() > 5) return TooLong("pair", pair, 12);
  return code + std::string(7 - code.size() - number.size(), ' ') + number + components +
         std::string(5 - components.size(), ' ');
}

}  // namespace

std::optional<ExportFormat> ExportFormatNamed(std::string_view name) {
  if (name == "jdso") return ExportFormat::Jdso;
  if (name == "wds") return ExportFormat::Wds;
  if (name == "csv") return ExportFormat::Csv;
  return std::nullopt;
}

Result<std::string> FormatJdso(const ObservationSummary& summary, const ExportDetails& details) {
  if (Result<void> ok = CheckDetails({}, summary, details); !ok) return Unexpected(ok.error());
  std::string mags = kUnknown;
  if (details.magA || details.magB) {
    mags = (details.magA ? FormatGeneral(*details.magA) : kUnknown) + ", " +
           (details.magB ? FormatGeneral(*details.magB) : kUnknown);
  }
  std::vector<std::vector<std::string>> table = {{"Name", "WDS", "Mags", "PA", "PA sd", "PA se",
                                                  "Sep", "Sep sd", "Sep se", "Date", "N", "Notes"}};
  for (const SeriesStats& night : summary.nights)
    table.push_back(JdsoLine(details, mags, night, night.n, ""));
  const std::string notes = details.notes.empty() ? "mean" : "mean; " + details.notes;
  table.push_back(
      JdsoLine(details, mags, summary.all, static_cast<int>(summary.nights.size()), notes));

  // Text columns left-aligned, number columns right-aligned, two blanks apart.
  const std::vector<bool> numeric = {false, false, false, true, true, true,
                                     true,  true,  true,  true, true, false};
  std::vector<size_t> width(numeric.size(), 0);
  for (const auto& row : table) {
    for (size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], row[c].size());
  }
  std::string out;
  for (const auto& row : table) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      const std::string pad(width[c] - row[c].size(), ' ');
      if (c > 0) line += "  ";
      line += numeric[c] ? pad + row[c] : row[c] + pad;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
  }
  return out;
}

Result<std::string> FormatWds(const ObservationSummary& summary, const ExportDetails& details) {
  if (Result<void> ok = CheckDetails({}, summary, details); !ok) return Unexpected(ok.error());
  if (!details.method.empty() && details.method != "C" && details.method != "Cl" &&
      details.method != "S")
    return Unexpected(Error(ErrorCode::MethodCode).Text(details.method));
  const SeriesStats& s = summary.all;
  const std::string aperture =
      details.apertureCm ? FormatFixed(*details.apertureCm / 100.0, 2) : std::string();
  // The fields in column order, each after the blank columns that precede it.
  const std::pair<const char*, Result<std::string>> fields[] = {
      {"", Left("wds", details.wds, 10)},                                // 1-10
      {"", Designation(details.pair)},                                   // 11-22
      {" ", Right("epoch", Epoch(s.epoch), 9)},                          // 24-32
      {" ", Right("theta", Angle(s.thetaDeg, 1), 5)},                    // 34-38
      {" ", Right("rho", FormatFixed(s.rhoArcsec, 3), 7)},               // 40-46
      {" ", Right("nights", std::to_string(summary.nights.size()), 3)},  // 48-50
      {" ", Right("aperture-cm", aperture, 5)},                          // 52-56
      {" ", Left("method", details.method, 2)},                          // 58-59
      {" ", Left("observer", details.observer, 7)},                      // 61-67
  };
  std::string line;
  for (const auto& [blank, field] : fields) {
    if (!field) return Unexpected(field.error());
    line += blank + field.value();
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line + "\n";
}

Result<std::string> FormatCsv(std::span<const ExportFrame> frames,
                              const ObservationSummary& summary) {
  if (Result<void> ok = CheckDetails(frames, summary, {}); !ok) return Unexpected(ok.error());
  const auto number = [](const std::optional<double>& v) {
    return v ? FormatRoundTrip(*v) : std::string();
  };
  std::string out = "file,time_utc,epoch,xA,yA,xB,yB,theta,rho,dm,r_theta,r_rho\n";
  for (const ExportFrame& f : frames) {
    out += CsvLine({f.file, f.timeUtc, number(f.measure.epoch), number(f.xA), number(f.yA),
                    number(f.xB), number(f.yB), number(f.measure.thetaDeg),
                    number(f.measure.rhoArcsec), number(f.dM), number(f.rThetaDeg),
                    number(f.rRhoArcsec)}) +
           "\n";
  }
  const SeriesStats& s = summary.all;
  const auto summaryRow = [&](const char* name, const std::optional<double>& epoch,
                              const std::optional<double>& theta,
                              const std::optional<double>& rho) {
    out +=
        CsvLine({name, "", number(epoch), "", "", "", "", number(theta), number(rho), "", "", ""}) +
        "\n";
  };
  summaryRow("mean", s.epoch, s.thetaDeg, s.rhoArcsec);
  summaryRow("sd", std::nullopt, s.thetaSdDeg, s.rhoSdArcsec);
  summaryRow("sem", std::nullopt, s.thetaSemDeg, s.rhoSemArcsec);
  if (summary.thetaErrDeg || summary.rhoErrArcsec)
    summaryRow("err", std::nullopt, summary.thetaErrDeg, summary.rhoErrArcsec);
  return out;
}

std::vector<ExportFrame> ExportFrames(std::span<const MeasuredPair> pairs, const Reduction& shown,
                                      std::span<const ObservedRow> observed) {
  const auto d = [](Extended v) { return static_cast<double>(v); };
  std::vector<ExportFrame> frames;
  for (size_t i = 0; i < pairs.size() && i < shown.pairs.size() && i < observed.size(); ++i) {
    const MeasuredPair& p = pairs[i];
    const ReducedPair& v = shown.pairs[i];
    ExportFrame f;
    f.file = FileNameOf(p.frame);
    if (p.time) f.timeUtc = FormatIsoTime(p.time->utc);
    f.measure = {d(v.thetaDeg), d(v.rho), observed[i].epoch};
    f.xA = d(p.xA);
    f.yA = d(p.yA);
    f.xB = d(p.xB);
    f.yB = d(p.yB);
    if (v.dM) f.dM = d(*v.dM);
    f.rThetaDeg = d(v.rThetaDeg);
    f.rRhoArcsec = d(v.rRho);
    frames.push_back(std::move(f));
  }
  return frames;
}

Result<std::string> FormatExport(ExportFormat format, std::span<const ExportFrame> frames,
                                 const ObservationSummary& summary, const ExportDetails& details) {
  switch (format) {
    case ExportFormat::Jdso: return FormatJdso(summary, details);
    case ExportFormat::Wds: return FormatWds(summary, details);
    case ExportFormat::Csv: return FormatCsv(frames, summary);
  }
  return FormatCsv(frames, summary);
}

}  // namespace orvek

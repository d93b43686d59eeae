#include "measure/CalibrationBook.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "core/Rounding.h"
#include "core/Utils.h"
#include "measure/CsvText.h"

namespace orvek {

namespace {

const std::vector<std::string> kColumns = {"date",
                                           "camera",
                                           "binning",
                                           "delta_deg",
                                           "delta_se_deg",
                                           "epsilon_arcsec_px",
                                           "epsilon_se_arcsec_px",
                                           "pair"};

constexpr double kInf = std::numeric_limits<double>::infinity();

std::string Number(const std::optional<double>& v) {
  return v ? FormatRoundTrip(*v) : std::string();
}

bool ReadNumber(const std::string& text, double& out) {
  Extended v = 0;
  if (!ParseNumber(text, v) || !std::isfinite(static_cast<double>(v))) return false;
  out = static_cast<double>(v);
  return true;
}

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

/// Checks the values of an entry: the first column at fault, or empty.
std::string FaultyColumn(const CalibrationEntry& e) {
  if (e.binning < 1) return "binning";
  if (!std::isfinite(e.deltaDeg)) return "delta_deg";
  if (e.deltaSeDeg && !(*e.deltaSeDeg >= 0 && *e.deltaSeDeg < kInf)) return "delta_se_deg";
  if (!(e.epsilon > 0 && e.epsilon < kInf)) return "epsilon_arcsec_px";
  if (e.epsilonSe && !(*e.epsilonSe >= 0 && *e.epsilonSe < kInf)) return "epsilon_se_arcsec_px";
  return {};
}

Result<std::vector<CalibrationEntry>> ParseBook(const std::string& path, const std::string& text) {
  std::vector<CalibrationEntry> entries;
  if (IsBlank(text)) return entries;
  std::istringstream in(text);
  std::string line;
  long long number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto bad = [&](const std::string& column) {
      return Unexpected(Error(ErrorCode::BookLine).Path(path).Row(number).Field(column));
    };
    const auto fields = SplitCsvLine(line);
    if (number == 1) {
      if (!fields || *fields != kColumns) return bad("header");
      continue;
    }
    if (IsBlank(line)) continue;
    if (!fields || fields->size() != kColumns.size())
      return bad(fields && fields->size() < kColumns.size() ? kColumns[fields->size()] : "pair");
    const std::vector<std::string>& f = *fields;
    CalibrationEntry e;
    e.date = f[0];
    e.camera = f[1];
    int64_t binning = 0;
    if (!ParseInt(f[2], binning) || binning < 1 || binning > 64) return bad(kColumns[2]);
    e.binning = static_cast<int>(binning);
    if (!ReadNumber(f[3], e.deltaDeg)) return bad(kColumns[3]);
    if (!f[4].empty() && !ReadNumber(f[4], e.deltaSeDeg.emplace())) return bad(kColumns[4]);
    if (!ReadNumber(f[5], e.epsilon)) return bad(kColumns[5]);
    if (!f[6].empty() && !ReadNumber(f[6], e.epsilonSe.emplace())) return bad(kColumns[6]);
    e.pair = f[7];
    if (const std::string column = FaultyColumn(e); !column.empty()) return bad(column);
    entries.push_back(std::move(e));
  }
  return entries;
}

/// The file's bytes; none (and no error) when it does not exist.
Result<std::optional<std::string>> ReadIfPresent(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::status(path, ec).type() == std::filesystem::file_type::not_found)
    return std::optional<std::string>();
  std::ifstream in(path, std::ios::binary);
  if (!in) return Unexpected(Error(ErrorCode::FileRead).Path(path).Detail(std::strerror(errno)));
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return Unexpected(Error(ErrorCode::FileRead).Path(path));
  return std::optional<std::string>(bytes.str());
}

/// Delta folded to within half a turn of `reference`.
double Near(double delta, double reference) {
  double d = std::fmod(delta - reference, 360.0);
  if (d > 180) d -= 360;
  if (d <= -180) d += 360;
  return reference + d;
}

}  // namespace

Result<std::vector<CalibrationEntry>> ReadCalibrationBook(const std::string& path) {
  const auto bytes = ReadIfPresent(path);
  if (!bytes) return Unexpected(bytes.error());
  if (!*bytes) return std::vector<CalibrationEntry>();
  return ParseBook(path, **bytes);
}

Status AppendCalibration(const std::string& path, const CalibrationEntry& entry) {
  if (const std::string column = FaultyColumn(entry); !column.empty())
    return Status::Fail(Error(ErrorCode::OutOfRange).Field(column));
  const auto bytes = ReadIfPresent(path);
  if (!bytes) return Status::Fail(bytes.error());
  std::string text = bytes->value_or("");
  // A book not made yet, or left empty, starts with its header.
  if (IsBlank(text)) text = CsvLine(kColumns) + "\n";
  if (const auto old = ParseBook(path, text); !old) return Status::Fail(old.error());
  if (!text.empty() && text.back() != '\n') text += '\n';
  text += CsvLine({entry.date, entry.camera, std::to_string(entry.binning),
                   FormatRoundTrip(entry.deltaDeg), Number(entry.deltaSeDeg),
                   FormatRoundTrip(entry.epsilon), Number(entry.epsilonSe), entry.pair});
  text += '\n';
  return ReplaceFile(path, text.data(), text.size());
}

Result<CombinedCalibration> CombineCalibrations(std::span<const CalibrationEntry> entries,
                                                const std::string& camera, int binning) {
  std::vector<const CalibrationEntry*> set;
  for (const CalibrationEntry& e : entries) {
    if (e.camera == camera && e.binning == binning) set.push_back(&e);
  }
  if (set.empty())
    return Unexpected(Error(ErrorCode::NoCalibration).Text(camera).Values({double(binning)}));

  CombinedCalibration c;
  c.count = static_cast<int>(set.size());
  c.weighted = true;
  for (const CalibrationEntry* e : set) {
    c.weighted =
        c.weighted && e->deltaSeDeg && *e->deltaSeDeg > 0 && e->epsilonSe && *e->epsilonSe > 0;
  }
  const double reference = set.front()->deltaDeg;
  // Weighted means of Delta and Epsilon with their errors; weights all 1 when not weighted.
  double wDelta = 0, sDelta = 0, wEps = 0, sEps = 0;
  for (const CalibrationEntry* e : set) {
    const double wd = c.weighted ? 1 / (*e->deltaSeDeg * *e->deltaSeDeg) : 1;
    const double we = c.weighted ? 1 / (*e->epsilonSe * *e->epsilonSe) : 1;
    wDelta += wd;
    sDelta += wd * Near(e->deltaDeg, reference);
    wEps += we;
    sEps += we * e->epsilon;
  }
  c.deltaDeg = sDelta / wDelta;
  c.epsilon = sEps / wEps;
  if (c.weighted) {
    c.deltaSeDeg = 1 / std::sqrt(wDelta);
    c.epsilonSe = 1 / std::sqrt(wEps);
  } else if (c.count >= 2) {
    double qDelta = 0, qEps = 0;
    for (const CalibrationEntry* e : set) {
      qDelta += std::pow(Near(e->deltaDeg, reference) - c.deltaDeg, 2);
      qEps += std::pow(e->epsilon - c.epsilon, 2);
    }
    const double n = c.count;
    c.deltaSeDeg = std::sqrt(qDelta / (n - 1)) / std::sqrt(n);
    c.epsilonSe = std::sqrt(qEps / (n - 1)) / std::sqrt(n);
  }
  return c;
}

}  // namespace orvek

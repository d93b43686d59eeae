#include "measure/ReductionTable.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "core/Rounding.h"
#include "core/Utils.h"

namespace orvek {

namespace {

constexpr const char* kParams = "PARAMS";
constexpr long double kPi = 3.14159265358979323846264338327950288L;
constexpr long double kRadToDeg = 180.0L / kPi;

std::string Quoted(const std::string& s) {
  return "\"" + s + "\"";
}

std::string CellError(int row, const char* column, const std::string& text) {
  return "Row " + std::to_string(row) + ", column " + Quoted(column) + ": " + Quoted(text) +
         " is not a number";
}

std::string ResultCellError(int row, const char* column, const std::string& text) {
  return "Results row " + std::to_string(row) + ", column " + Quoted(column) + ": " + Quoted(text) +
         " is not a number";
}

const char* FieldName(ReductionField f) {
  switch (f) {
    case ReductionField::txtDelta: return "txtDelta";
    case ReductionField::txtEps: return "txtEps";
    case ReductionField::txtTheta: return "txtTheta";
    case ReductionField::txtRho: return "txtRho";
    case ReductionField::sigTh: return "sigTh";
    case ReductionField::sigRh: return "sigRh";
    case ReductionField::txtDm: return "txtDm";
    case ReductionField::LPix: return "LPix";
    case ReductionField::HPix: return "HPix";
    case ReductionField::FacteurRejet: return "FacteurRejet";
    case ReductionField::CentroidX: return "CentroidX";
    case ReductionField::CentroidY: return "CentroidY";
    case ReductionField::CentroidI: return "CentroidI";
    case ReductionField::CentroidN: return "CentroidN";
  }
  return "?";
}

std::string FieldError(ReductionField f, const std::string& text) {
  return std::string("Field ") + Quoted(FieldName(f)) + ": " + Quoted(text) + " is not a number";
}

/// The six edit fields whose change recomputes the table.
bool IsTriggerField(ReductionField f) {
  return f == ReductionField::txtDelta || f == ReductionField::txtEps ||
         f == ReductionField::txtTheta || f == ReductionField::txtRho ||
         f == ReductionField::LPix || f == ReductionField::HPix;
}

std::string CommaToPoint(std::string s) {
  std::replace(s.begin(), s.end(), ',', '.');
  return s;
}

/// Shown text of an extended value rounded to k decimals.
std::string Shown(Extended x, int decimals) {
  return FormatGeneral(RoundTo(static_cast<double>(x), decimals));
}

std::string BinOf(const std::string& fileName) {
  if (fileName.rfind("quad_quad_", 0) == 0) return "4";
  if (fileName.rfind("quad_", 0) == 0) return "2";
  return "1";
}

std::vector<std::string> RawHeaderRow() {
  return std::vector<std::string>(kRawHeaders.begin(), kRawHeaders.end());
}
std::vector<std::string> ResultHeaderRow() {
  return std::vector<std::string>(kResultHeaders.begin(), kResultHeaders.end());
}

}  // namespace

std::string RowRejection::Text() const {
  std::string out;
  for (const auto& r : reasons) out += r + "\r\n";
  return out;
}

std::string RejectReport::StatusText() const {
  if (!status) return status.message;
  return "Rejets : " + std::to_string(removed) + " ligne(s) supprimée(s) sur " +
         std::to_string(rows.size());
}

ReductionTable::ReductionTable(std::string settingsPath) : m_settingsPath(std::move(settingsPath)) {
  ResetGrids();
}

void ReductionTable::ResetGrids() {
  m_raw.assign(1, RawHeaderRow());
  m_results.assign(1, ResultHeaderRow());
}

MainWindowParams ReductionTable::Initialise(Status* status) {
  LoadCameras();
  RecomputeResult sel = SelectCamera(m_cameraIndex);
  MainWindowParams params = LoadParams();
  RAZ();
  if (status) *status = sel.status;
  return params;
}

// ---- Grids ---------------------------------------------------------------------------

const std::string& ReductionTable::Cell(int row, int col) const {
  return m_raw.at(static_cast<size_t>(row)).at(static_cast<size_t>(col));
}

bool ReductionTable::SetCell(int row, int col, const std::string& text) {
  if (row < 1 || row >= RowCount() || col < 0 || col >= kRawColumnCount) return false;
  m_raw[static_cast<size_t>(row)][static_cast<size_t>(col)] = text;
  return true;
}

const std::string& ReductionTable::ResultCell(int row, int col) const {
  return m_results.at(static_cast<size_t>(row)).at(static_cast<size_t>(col));
}

// ---- Fields ----------------------------------------------------------------------------

std::string& ReductionTable::FieldRef(ReductionField f) {
  switch (f) {
    case ReductionField::txtDelta: return m_txtDelta;
    case ReductionField::txtEps: return m_txtEps;
    case ReductionField::txtTheta: return m_txtTheta;
    case ReductionField::txtRho: return m_txtRho;
    case ReductionField::sigTh: return m_sigTh;
    case ReductionField::sigRh: return m_sigRh;
    case ReductionField::txtDm: return m_txtDm;
    case ReductionField::LPix: return m_lPix;
    case ReductionField::HPix: return m_hPix;
    case ReductionField::FacteurRejet: return m_facteurRejet;
    case ReductionField::CentroidX: return m_centroidX;
    case ReductionField::CentroidY: return m_centroidY;
    case ReductionField::CentroidI: return m_centroidI;
    case ReductionField::CentroidN: return m_centroidN;
  }
  return m_txtDelta;
}

const std::string& ReductionTable::Field(ReductionField f) const {
  return const_cast<ReductionTable*>(this)->FieldRef(f);
}

RecomputeResult ReductionTable::EditField(ReductionField f, const std::string& text) {
  std::string& ref = FieldRef(f);
  const std::string t = IsTriggerField(f) ? CommaToPoint(text) : text;
  if (ref == t) return {};
  ref = t;
  if (IsTriggerField(f) && !t.empty() && t != "-") return Recompute();
  return {};
}

std::optional<char> ReductionTable::FilterKey(ReductionField f, char key) {
  if (!IsTriggerField(f)) return key;
  if ((key >= '0' && key <= '9') || key == '\b' || key == '.') return key;
  if (key == ',') return '.';
  if (key == '-' && f != ReductionField::LPix && f != ReductionField::HPix) return key;
  return std::nullopt;
}

// ---- Measurement entry -----------------------------------------------------------------

void ReductionTable::RefreshZoomCent(const rStarPos& point) {
  m_centroidX = Shown(point.X, 3);
  m_centroidY = Shown(point.Y, 3);
  m_centroidI = FormatGeneral(static_cast<double>(point.Value));
  m_centroidN = FormatInt(point.Count);
}

void ReductionTable::AddRow() {
  m_raw.emplace_back(kRawColumnCount);
}

RecomputeResult ReductionTable::SaveCentroid(const rStarPos& point, const std::string& framePath) {
  RefreshZoomCent(point);
  if (!m_raw.back()[kColImage].empty()) {
    AddRow();
    auto& row = m_raw.back();
    row[kColXA] = m_centroidX;
    row[kColYA] = m_centroidY;
    row[kColIntA] = m_centroidI;
    row[kColNA] = m_centroidN;
    return {};
  }
  auto& row = m_raw.back();
  row[kColXB] = m_centroidX;
  row[kColYB] = m_centroidY;
  row[kColIntB] = m_centroidI;
  row[kColNB] = m_centroidN;
  const std::string name = FileNameOf(framePath);
  row[kColImage] = name;
  row[kColPath] = FolderOf(framePath);
  row[kColBin] = BinOf(name);
  return Recompute();
}

// ---- Computation -----------------------------------------------------------------------

Extended ReductionTable::Normalize360(Extended a) {
  if (!std::isfinite(a)) return a;
  // Huge angles are first brought near the range in one step; every subtraction of 360 is
  // exact, so this gives the same value as the loop would, without looping for ever.
  if (a > 1e9L) {
    a = std::fmod(a, 360.0L);
    if (a == 0) a = 360;
  } else if (a < -1e9L) {
    a = std::fmod(a, 360.0L);
  }
  while (a > 360) a -= 360;
  while (a < 0) a += 360;
  if (a == 0) a = 0;  // no "-0"
  return a;
}

double ReductionTable::RawAngle(Extended dx, Extended dy) const {
  if (m_orientV == "ns") dy = -dy;
  if (m_orientH == "we") dx = -dx;
  const Extended a = 360 - std::atan2(dx, dy) * kRadToDeg;
  return RoundTo(static_cast<double>(Normalize360(a)), 2);
}

RecomputeResult ReductionTable::Recompute() {
  RecomputeResult total;
  // A computation that writes a different text into a field is followed by another, as the
  // fields' change events do in the window; the second one always writes the same texts.
  for (int pass = 0; pass < 8; ++pass) {
    RecomputeResult one = RecomputeOnce();
    total.status = one.status;
    total.ran = total.ran || one.ran;
    total.fieldsChanged = total.fieldsChanged || one.fieldsChanged;
    total.passes += one.passes;
    if (!one.status || !one.fieldsChanged) break;
  }
  return total;
}

RecomputeResult ReductionTable::RecomputeOnce() {
  RecomputeResult res;
  if (m_raw[0][kColImage].empty()) return res;
  res.passes = 1;
  const int n = DataRows();
  const std::string caption = "Reduction (" + std::to_string(n) + " images)";
  if (n == 0) {
    m_caption = caption;
    res.ran = true;
    return res;
  }
  const bool measuring = m_mode == ReductionMode::Mesure;

  auto field = [&](ReductionField f, Extended& v) -> bool {
    if (ParseNumber(Field(f), v)) return true;
    res.status = Status::Error(FieldError(f, Field(f)));
    return false;
  };

  struct RowValues {
    Extended theta = 0;
    Extended rho = 0;
    Extended dM = 0;
  };
  std::vector<RowValues> rows(static_cast<size_t>(n));
  Extended sumD = 0, sumIntA = 0, sumIntB = 0, sumTheta = 0;

  // Everything is read and computed first; the grid and the fields are written only when
  // every value is known, so a bad cell leaves the table as it was.
  for (int r = 1; r <= n; ++r) {
    const auto& cells = m_raw[static_cast<size_t>(r)];
    Extended xA, yA, xB, yB;
    for (auto [col, out] : {std::pair{kColXA, &xA}, std::pair{kColYA, &yA}, std::pair{kColXB, &xB},
                            std::pair{kColYB, &yB}}) {
      if (!ParseNumber(cells[col], *out)) {
        res.status = Status::Error(CellError(r, kRawHeaders[col], cells[col]));
        return res;
      }
    }
    Extended lPix, hPix;
    if (!field(ReductionField::LPix, lPix) || !field(ReductionField::HPix, hPix)) return res;
    if (hPix == 0) {
      res.status = Status::Error("Field \"HPix\": " + Quoted(m_hPix) + " is not a pixel size");
      return res;
    }
    const Extended dx = (xB - xA) * lPix / hPix;
    const Extended dy = yB - yA;
    int64_t bin = 0;
    if (!ParseInt(cells[kColBin], bin)) {
      res.status =
          Status::Error("Row " + std::to_string(r) + ", column \"Bin\": " + Quoted(cells[kColBin]) +
                        " is not an integer");
      return res;
    }
    if (bin == 0) {
      res.status =
          Status::Error("Row " + std::to_string(r) + ", column \"Bin\": 0 is not a binning factor");
      return res;
    }
    const Extended d = std::sqrt(dx * dx + dy * dy) / static_cast<Extended>(bin);
    RowValues& v = rows[static_cast<size_t>(r - 1)];
    if (measuring) {
      Extended eps, delta;
      if (!field(ReductionField::txtEps, eps) || !field(ReductionField::txtDelta, delta))
        return res;
      v.rho = eps * d;
      v.theta = RawAngle(dx, dy) - delta;
    } else {
      Extended knownRho;
      if (!field(ReductionField::txtRho, knownRho)) return res;
      if (d == 0) {
        res.status = Status::Error("Row " + std::to_string(r) +
                                   ": A and B are at the same place, the row gives no scale");
        return res;
      }
      v.rho = knownRho / d;
      v.theta = RawAngle(dx, dy);
    }
    v.theta = Normalize360(v.theta);
    sumTheta += v.theta;
    Extended intA, intB;
    if (!ParseNumber(cells[kColIntA], intA)) {
      res.status = Status::Error(CellError(r, "intA", cells[kColIntA]));
      return res;
    }
    if (!ParseNumber(cells[kColIntB], intB)) {
      res.status = Status::Error(CellError(r, "intB", cells[kColIntB]));
      return res;
    }
    if (intA > 0 && intB > 0) {
      v.dM = 2.5L * std::fabs(std::log(intA / intB)) / std::log(10.0L);
    } else {
      v.dM = -1;
    }
    sumD += d;
    sumIntA += intA;
    sumIntB += intB;
  }

  const Extended meanTheta = RoundTo(static_cast<double>(Normalize360(sumTheta / n)), 2);
  Extended meanRho = 0;
  std::string newTheta = m_txtTheta, newRho = m_txtRho, newEps = m_txtEps, newDelta = m_txtDelta;
  if (measuring) {
    Extended eps;
    if (!field(ReductionField::txtEps, eps)) return res;
    meanRho = eps * (sumD / n);
    newRho = Shown(meanRho, 3);
    newTheta = FormatGeneral(static_cast<double>(meanTheta));
  } else {
    Extended knownRho, knownTheta;
    if (!field(ReductionField::txtRho, knownRho) || !field(ReductionField::txtTheta, knownTheta))
      return res;
    meanRho = 0;
    newEps = Shown(knownRho / (sumD / n), 5);
    newDelta = Shown(meanTheta - knownTheta, 2);
  }

  std::vector<std::vector<std::string>> results;
  results.reserve(static_cast<size_t>(n) + 1);
  results.push_back(ResultHeaderRow());
  float sumTh2 = 0;
  float sumRh2 = 0;
  for (int r = 1; r <= n; ++r) {
    const RowValues& v = rows[static_cast<size_t>(r - 1)];
    Extended rt;
    if (meanTheta > 270 && v.theta < 90) {
      rt = v.theta + 360 - meanTheta;
    } else if (meanTheta < 90 && v.theta > 270) {
      rt = v.theta - 360 - meanTheta;
    } else {
      rt = v.theta - meanTheta;
    }
    // Residuals and their sums of squares are single precision; each square is formed in
    // extended and rounded once when it is added.
    const float rThe = static_cast<float>(rt);
    const float rRho = static_cast<float>(v.rho - meanRho);
    sumTh2 = static_cast<float>(static_cast<Extended>(sumTh2) +
                                static_cast<Extended>(rThe) * static_cast<Extended>(rThe));
    sumRh2 = static_cast<float>(static_cast<Extended>(sumRh2) +
                                static_cast<Extended>(rRho) * static_cast<Extended>(rRho));
    std::vector<std::string> row(kResultColumnCount);
    row[kResTheta] = Shown(v.theta, 2);
    row[kResRho] = Shown(v.rho, 3);
    row[kResDm] = v.dM < 0 ? kNoMagnitude : Shown(v.dM, 2);
    row[kResRThe] = Shown(rThe, 3);
    row[kResRRho] = Shown(rRho, 3);
    row[kResImage] = m_raw[static_cast<size_t>(r)][kColImage];
    results.push_back(std::move(row));
  }

  std::string newDm = kNoMagnitude;
  if (sumIntA > 0 && sumIntB > 0)
    newDm = Shown(2.5L * std::fabs(std::log(sumIntA / sumIntB)) / std::log(10.0L), 2);
  const int k = n == 1 ? 1 : n - 1;
  const std::string newSigTh = Shown(std::sqrt(static_cast<Extended>(sumTh2) / k), 2);
  const std::string newSigRh = Shown(std::sqrt(static_cast<Extended>(sumRh2) / k), 3);

  // Everything is known: write it.
  res.fieldsChanged =
      newTheta != m_txtTheta || newRho != m_txtRho || newEps != m_txtEps || newDelta != m_txtDelta;
  m_caption = caption;
  m_txtTheta = newTheta;
  m_txtRho = newRho;
  m_txtEps = newEps;
  m_txtDelta = newDelta;
  m_results = std::move(results);
  m_txtDm = newDm;
  m_sigTh = newSigTh;
  m_sigRh = newSigRh;
  res.ran = true;
  return res;
}

std::optional<CellColour> ReductionTable::ResidualColour(int row, int col) const {
  if (row < 1 || row >= ResultRowCount()) return std::nullopt;
  if (col != kResRThe && col != kResRRho) return std::nullopt;
  Extended residual, sigma;
  if (!ParseNumber(ResultCell(row, col), residual)) return std::nullopt;
  if (!ParseNumber(col == kResRThe ? m_sigTh : m_sigRh, sigma)) return std::nullopt;
  return ResidualColourFor(residual, sigma);
}

CellColour ReductionTable::ResidualColourFor(Extended residual, Extended sigma) {
  const Extended a = std::fabs(residual);
  const Extended s = std::fabs(sigma);
  if (a >= 2 * s) return kResidualBad;
  if (a > 0.674L * s) return kResidualFair;
  return kResidualGood;
}

// ---- Table commands --------------------------------------------------------------------

RecomputeResult ReductionTable::SortGrid(int column, bool descending) {
  RecomputeResult res;
  const int n = DataRows();
  if (n == 0) return res;
  if (column < 0 || column > kResRRho) {
    res.status = Status::Error("No results column " + std::to_string(column) + " to sort by");
    return res;
  }
  std::vector<Extended> keys(static_cast<size_t>(n));
  for (int r = 1; r <= n; ++r) {
    const std::string text = r < ResultRowCount() ? ResultCell(r, column) : std::string();
    Extended v;
    if (!ParseNumber(text, v)) {
      res.status = Status::Error(ResultCellError(r, kResultHeaders[column], text));
      return res;
    }
    keys[static_cast<size_t>(r - 1)] = std::fabs(v);
  }
  std::vector<int> order(static_cast<size_t>(n));
  std::iota(order.begin(), order.end(), 1);

  int gap = std::max((n - 1) / 2, 1);
  for (;;) {
    bool exchanged;
    do {
      exchanged = false;
      for (int i = 0; i + gap < n; ++i) {
        const Extended a = keys[static_cast<size_t>(i)];
        const Extended b = keys[static_cast<size_t>(i + gap)];
        if (descending ? a < b : a > b) {
          std::swap(keys[static_cast<size_t>(i)], keys[static_cast<size_t>(i + gap)]);
          std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(i + gap)]);
          exchanged = true;
        }
      }
    } while (exchanged);
    if (gap == 1) break;
    gap /= 2;
  }

  std::vector<std::vector<std::string>> raw;
  std::vector<std::vector<std::string>> results;
  raw.push_back(m_raw[0]);
  results.push_back(m_results[0]);
  for (int src : order) {
    raw.push_back(m_raw[static_cast<size_t>(src)]);
    results.push_back(m_results[static_cast<size_t>(src)]);
  }
  for (size_t r = static_cast<size_t>(n) + 1; r < m_results.size(); ++r)
    results.push_back(m_results[r]);
  m_raw = std::move(raw);
  m_results = std::move(results);
  return Recompute();
}

RejectReport ReductionTable::RejectOutliers() {
  RejectReport rep;
  const int n = DataRows();
  if (n == 0) return rep;

  Extended eps, factor, sigTh, sigRh;
  for (auto [f, out] :
       {std::pair{ReductionField::txtEps, &eps}, std::pair{ReductionField::FacteurRejet, &factor},
        std::pair{ReductionField::sigTh, &sigTh}, std::pair{ReductionField::sigRh, &sigRh}}) {
    if (!ParseNumber(Field(f), *out)) {
      rep.status = Status::Error(FieldError(f, Field(f)));
      return rep;
    }
  }
  const Extended limitTh = factor * std::fabs(sigTh);
  const Extended limitRh = factor * std::fabs(sigRh);

  // Every row is judged against the dispersions of the table as it is now.
  for (int r = 1; r <= n; ++r) {
    const auto& cells = m_raw[static_cast<size_t>(r)];
    int64_t nA, nB;
    Extended intA, intB, rho, rThe, rRho;
    if (!ParseInt(cells[kColNA], nA)) {
      rep.status =
          Status::Error("Row " + std::to_string(r) + ", column \"nA\": " + Quoted(cells[kColNA]) +
                        " is not an integer");
      return rep;
    }
    if (!ParseInt(cells[kColNB], nB)) {
      rep.status =
          Status::Error("Row " + std::to_string(r) + ", column \"nB\": " + Quoted(cells[kColNB]) +
                        " is not an integer");
      return rep;
    }
    if (!ParseNumber(cells[kColIntA], intA)) {
      rep.status = Status::Error(CellError(r, "intA", cells[kColIntA]));
      return rep;
    }
    if (!ParseNumber(cells[kColIntB], intB)) {
      rep.status = Status::Error(CellError(r, "intB", cells[kColIntB]));
      return rep;
    }
    for (auto [col, out] :
         {std::pair{kResRho, &rho}, std::pair{kResRThe, &rThe}, std::pair{kResRRho, &rRho}}) {
      const std::string text = r < ResultRowCount() ? ResultCell(r, col) : std::string();
      if (!ParseNumber(text, *out)) {
        rep.status = Status::Error(ResultCellError(r, kResultHeaders[col], text));
        return rep;
      }
    }
    RowRejection v;
    v.row = r;
    v.image = cells[kColImage];
    if (nA < 3) v.reasons.push_back("comp A : nb pixels faible (" + FormatInt(nA) + ")");
    if (nB < 3) v.reasons.push_back("comp B : nb pixels faible (" + FormatInt(nB) + ")");
    if (!(intA > 0)) v.reasons.push_back("comp A : signal insuffisant");
    if (!(intB > 0)) v.reasons.push_back("comp B : signal insuffisant");
    if (rho == 0) v.reasons.push_back("Rho = 0 !");
    if (rho < eps) v.reasons.push_back("Rho < Echantillonnage !!!");
    if (std::fabs(rThe) > limitTh) v.reasons.push_back("Résidu Theta > 3*sigma");
    if (std::fabs(rRho) > limitRh) v.reasons.push_back("Résidu Rho > 3*sigma");
    rep.rows.push_back(std::move(v));
  }

  for (const RowRejection& v : rep.rows) {
    if (v.reasons.empty()) continue;
    m_raw[static_cast<size_t>(v.row)][kColImage] = kDeletedMark;
    if (v.row < ResultRowCount()) m_results[static_cast<size_t>(v.row)][kResImage] = kDeletedMark;
  }
  int r = 1;
  while (r <= DataRows()) {
    if (m_raw[static_cast<size_t>(r)][kColImage] == kDeletedMark) {
      rep.recompute = DeleteRow(r).status;
      ++rep.removed;
    } else {
      ++r;
    }
  }
  return rep;
}

RecomputeResult ReductionTable::DeleteRow(int row) {
  RecomputeResult res;
  if (row < 1 || row > DataRows()) {
    res.status = Status::Error("No row " + std::to_string(row) + " to delete");
    return res;
  }
  m_raw.erase(m_raw.begin() + row);
  if (row < ResultRowCount()) m_results.erase(m_results.begin() + row);
  if (ResultRowCount() > RowCount()) m_results.resize(m_raw.size());
  m_currentRow = std::min(m_currentRow, DataRows());
  return Recompute();
}

RecomputeResult ReductionTable::CutFrom(int row) {
  RecomputeResult res;
  if (row < 1 || row > DataRows()) {
    res.status = Status::Error("No row " + std::to_string(row) + " to cut from");
    return res;
  }
  m_raw.resize(static_cast<size_t>(row));
  if (ResultRowCount() > row) m_results.resize(static_cast<size_t>(row));
  m_currentRow = std::min(m_currentRow, DataRows());
  return Recompute();
}

RecomputeResult ReductionTable::RAZ() {
  ResetGrids();
  m_tab = 0;
  m_currentRow = 0;
  return Recompute();
}

RecallData ReductionTable::RecallFrame(int row) {
  RecallData data;
  data.row = row;
  if (row < 1 || row > DataRows()) return data;
  m_currentRow = row;
  const auto& cells = m_raw[static_cast<size_t>(row)];
  if (!cells[kColImage].empty()) {
    data.load = true;
    data.path = cells[kColPath] + cells[kColImage];
  }
  data.positionsValid = ParseNumber(cells[kColXA], data.xA) &&
                        ParseNumber(cells[kColYA], data.yA) &&
                        ParseNumber(cells[kColXB], data.xB) && ParseNumber(cells[kColYB], data.yB);
  if (data.positionsValid) {
    data.crossAX = Nearest32(data.xA);
    data.crossAY = Nearest32(data.yA);
    data.crossBX = Nearest32(data.xB);
    data.crossBY = Nearest32(data.yB);
  }
  return data;
}

// ---- Mode, tabs, orientation, binning ------------------------------------------------------

RecomputeResult ReductionTable::SetMode(ReductionMode mode) {
  m_mode = mode;
  if (m_mode == ReductionMode::Etalonnage) m_tab = 0;
  return Recompute();
}

void ReductionTable::SelectTab(int tab) {
  m_tab = (m_mode == ReductionMode::Etalonnage || tab != 1) ? 0 : 1;
}

void ReductionTable::SetOrientation(const std::string& orientV, const std::string& orientH) {
  m_orientV = orientV == "ns" ? "ns" : "sn";
  m_orientH = orientH == "ew" ? "ew" : "we";
}

RecomputeResult ReductionTable::ShowOrientation() {
  const bool ns = m_orientV == "ns";
  m_button1 = ns ? "N" : "S";
  m_button4 = ns ? "S" : "N";
  const bool ew = m_orientH == "ew";
  m_button2 = ew ? "E" : "W";
  m_button3 = ew ? "W" : "E";
  return Recompute();
}

RecomputeResult ReductionTable::ToggleNS() {
  m_orientV = m_button1 == "N" ? "sn" : "ns";
  return ShowOrientation();
}

RecomputeResult ReductionTable::ToggleEW() {
  m_orientH = m_button2 == "E" ? "we" : "ew";
  return ShowOrientation();
}

RecomputeResult ReductionTable::SetBinning(bool ticked) {
  if (ticked == m_bin2x) return {};
  Extended eps;
  if (!ParseNumber(m_txtEps, eps)) {
    RecomputeResult res;
    res.status = Status::Error(FieldError(ReductionField::txtEps, m_txtEps));
    return res;
  }
  m_bin2x = ticked;
  m_txtEps = FormatGeneral(static_cast<double>(ticked ? eps * 2 : eps / 2));
  return Recompute();
}

// ---- Cameras ---------------------------------------------------------------------------

void ReductionTable::LoadCameras() {
  const IniFile ini(m_settingsPath);
  m_cameras = orvek::LoadCameras(ini);
  const long long stored = ini.ReadInteger(kCameraSection, kCameraKey, 0);
  m_cameraIndex = (stored >= 0 && stored < static_cast<long long>(m_cameras.size()))
                      ? static_cast<int>(stored)
                      : -1;
}

std::string ReductionTable::CameraName() const {
  if (m_cameraIndex < 0 || m_cameraIndex >= static_cast<int>(m_cameras.size())) return {};
  return m_cameras[static_cast<size_t>(m_cameraIndex)].Name;
}

RecomputeResult ReductionTable::ApplySelectedCamera() {
  if (m_cameraIndex < 0 || m_cameraIndex >= static_cast<int>(m_cameras.size())) return {};
  const rTableauCam& cam = m_cameras[static_cast<size_t>(m_cameraIndex)];
  const std::string w = CommaToPoint(cam.Width);
  const std::string h = CommaToPoint(cam.Height);
  const bool changedW = w != m_lPix;
  const bool changedH = h != m_hPix;
  m_lPix = w;
  m_hPix = h;
  const bool trigger = (changedW && !w.empty() && w != "-") || (changedH && !h.empty() && h != "-");
  if (trigger) return Recompute();
  return {};
}

RecomputeResult ReductionTable::SelectCamera(int index) {
  m_cameraIndex = (index >= 0 && index < static_cast<int>(m_cameras.size())) ? index : -1;
  RecomputeResult res = ApplySelectedCamera();
  Status w = IniFile(m_settingsPath)
                 .WriteString(kCameraSection, kCameraKey, std::to_string(m_cameraIndex));
  if (res.status && !w) res.status = w;
  return res;
}

// ---- Settings --------------------------------------------------------------------------

MainWindowParams ReductionTable::LoadParams() {
  const IniFile ini(m_settingsPath);
  m_txtDelta = ini.ReadString(kParams, "Delta", "0");
  m_txtEps = ini.ReadString(kParams, "Epsilon", "1");
  SetOrientation(ini.ReadString(kParams, "OrientV", "ns"),
                 ini.ReadString(kParams, "OrientH", "ew"));
  m_facteurRejet = ini.ReadString(kParams, "FacteurRejet", "3");
  MainWindowParams p;
  p.fitsSwapV = ini.ReadString(kParams, "FitsSwapV", "0") == "1";
  p.fitsSwapH = ini.ReadString(kParams, "FitsSwapH", "0") == "1";
  p.menuInterferometry = ini.ReadString(kParams, "MenuInterfromtrie1", "0") == "1";
  p.halfSize =
      static_cast<int>(std::clamp<long long>(ini.ReadInteger(kParams, "HScroll1", 6), 1, 30));
  ShowOrientation();
  return p;
}

Status ReductionTable::SauveParams(const MainWindowParams& main) const {
  const IniFile ini(m_settingsPath);
  Status first = Status::Ok();
  auto write = [&](const char* key, const std::string& value) {
    Status s = ini.WriteString(kParams, key, value);
    if (first && !s) first = s;
  };
  write("Delta", m_txtDelta);
  if (m_bin2x) {
    // The stored scale is the unbinned one.
    Extended eps;
    if (ParseNumber(m_txtEps, eps)) {
      write("Epsilon", FormatGeneral(static_cast<double>(eps / 2)));
    } else if (first) {
      first =
          Status::Error(FieldError(ReductionField::txtEps, m_txtEps) + "; Epsilon was not saved");
    }
  } else {
    write("Epsilon", m_txtEps);
  }
  write("OrientV", m_orientV);
  write("OrientH", m_orientH);
  write("FitsSwapV", main.fitsSwapV ? "1" : "0");
  write("FitsSwapH", main.fitsSwapH ? "1" : "0");
  write("MenuInterfromtrie1", main.menuInterferometry ? "1" : "0");
  write("HScroll1", std::to_string(main.halfSize));
  return first;
}

}  // namespace orvek

#include "measure/ReductionTable.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "core/Rounding.h"
#include "core/Utils.h"

namespace orvek {

namespace {

constexpr const char* kParams = "PARAMS";

constexpr std::initializer_list<RawColumn> kAllPairColumns = {
    kColXA, kColYA, kColXB, kColYB, kColBin, kColIntA, kColIntB, kColNA, kColNB};

/// A cell of the raw or results grid (named by its column header) that is not a number.
Error CellError(int row, const char* column, const std::string& text) {
  return Error(ErrorCode::NotANumber).Row(row).Field(column).Text(text);
}

Error IntegerCellError(int row, const char* column, const std::string& text) {
  return Error(ErrorCode::NotAnInteger).Row(row).Field(column).Text(text);
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

Error FieldError(ReductionField f, const std::string& text) {
  return Error(ErrorCode::BadNumber).Field(FieldName(f)).Text(text);
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

// Decimals of the values as the grids and fields show them.
constexpr int kThetaDecimals = 2;
constexpr int kRhoDecimals = 3;
constexpr int kDmDecimals = 2;
constexpr int kResidualDecimals = 3;
constexpr int kEpsilonDecimals = 5;
constexpr int kDeltaDecimals = 2;

/// The number the text of a value shown with `decimals` reads as.
Extended AsShown(Extended x, int decimals) {
  Extended v = 0;
  ParseNumber(Shown(x, decimals), v);
  return v;
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

std::string RejectReasonText(const RejectReason& reason) {
  switch (reason.code) {
    case RejectCode::FewPixelsA:
      return "comp A : nb pixels faible (" + FormatInt(static_cast<int64_t>(reason.value)) + ")";
    case RejectCode::FewPixelsB:
      return "comp B : nb pixels faible (" + FormatInt(static_cast<int64_t>(reason.value)) + ")";
    case RejectCode::NoSignalA: return "comp A : signal insuffisant";
    case RejectCode::NoSignalB: return "comp B : signal insuffisant";
    case RejectCode::ZeroRho: return "Rho = 0 !";
    case RejectCode::BelowSampling: return "Rho < Echantillonnage !!!";
    case RejectCode::ThetaResidual: return "Résidu Theta > 3*sigma";
    case RejectCode::RhoResidual: return "Résidu Rho > 3*sigma";
  }
  return {};
}

ReductionTable::ReductionTable(std::string settingsPath) : m_settingsPath(std::move(settingsPath)) {
  ResetGrids();
}

void ReductionTable::ResetGrids() {
  m_raw.assign(1, RawHeaderRow());
  m_results.assign(1, ResultHeaderRow());
  m_extras.clear();
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
  m_extras.emplace_back();
}

RecomputeResult ReductionTable::SaveCentroid(const rStarPos& point, const std::string& framePath,
                                             PairKind kind, const std::optional<FrameTime>& time) {
  RefreshZoomCent(point);
  if (!m_raw.back()[kColImage].empty()) {
    AddRow();
    m_extras.back().kind = kind;
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
  if (!m_extras.empty()) {
    if (kind != PairKind::Direct) m_extras.back().kind = kind;
    m_extras.back().time = time;
  }
  return Recompute();
}

// ---- The table as values ---------------------------------------------------------------

PairKind ReductionTable::RowKind(int row) const {
  if (row < 1 || row > static_cast<int>(m_extras.size())) return PairKind::Direct;
  return m_extras[static_cast<size_t>(row - 1)].kind;
}

std::optional<FrameTime> ReductionTable::RowTime(int row) const {
  if (row < 1 || row > static_cast<int>(m_extras.size())) return std::nullopt;
  return m_extras[static_cast<size_t>(row - 1)].time;
}

bool ReductionTable::SetRowTime(int row, std::optional<FrameTime> time) {
  if (row < 1 || row > static_cast<int>(m_extras.size())) return false;
  m_extras[static_cast<size_t>(row - 1)].time = std::move(time);
  return true;
}

Result<MeasuredPair> ReductionTable::ReadRow(int r,
                                             std::initializer_list<RawColumn> columns) const {
  if (r < 1 || r > DataRows()) {
    return Unexpected<Error>(Error(ErrorCode::NoTableRow).Row(r));
  }
  const auto& cells = m_raw[static_cast<size_t>(r)];
  MeasuredPair p;
  auto wanted = [&](RawColumn c) {
    return std::find(columns.begin(), columns.end(), c) != columns.end();
  };
  // In the order the recomputation has always read them, so that the first bad cell named
  // is the same.
  for (auto [col, out] : {std::pair{kColXA, &p.xA}, std::pair{kColYA, &p.yA},
                          std::pair{kColXB, &p.xB}, std::pair{kColYB, &p.yB}}) {
    if (wanted(col) && !ParseNumber(cells[col], *out))
      return Unexpected<Error>(CellError(r, kRawHeaders[col], cells[col]));
  }
  if (wanted(kColBin) && !ParseInt(cells[kColBin], p.bin))
    return Unexpected<Error>(IntegerCellError(r, "Bin", cells[kColBin]));
  for (auto [col, out] : {std::pair{kColIntA, &p.intA}, std::pair{kColIntB, &p.intB}}) {
    if (wanted(col) && !ParseNumber(cells[col], *out))
      return Unexpected<Error>(CellError(r, kRawHeaders[col], cells[col]));
  }
  for (auto [col, out] : {std::pair{kColNA, &p.nA}, std::pair{kColNB, &p.nB}}) {
    if (wanted(col) && !ParseInt(cells[col], *out))
      return Unexpected<Error>(IntegerCellError(r, kRawHeaders[col], cells[col]));
  }
  p.frame = cells[kColPath] + cells[kColImage];
  p.kind = RowKind(r);
  p.time = RowTime(r);
  return p;
}

Result<MeasuredPair> ReductionTable::Pair(int row) const {
  return ReadRow(row, kAllPairColumns);
}

Result<MeasuredPair> ReductionTable::Pair(int row, std::initializer_list<RawColumn> columns) const {
  return ReadRow(row, columns);
}

Result<std::vector<MeasuredPair>> ReductionTable::Pairs() const {
  std::vector<MeasuredPair> pairs;
  for (int r = 1; r <= DataRows(); ++r) {
    Result<MeasuredPair> p = ReadRow(r, kAllPairColumns);
    if (!p) return Unexpected<Error>(p.error());
    pairs.push_back(std::move(p).value());
  }
  return pairs;
}

Result<Calibration> ReductionTable::ReadCalibration(bool scaleAndDelta) const {
  Calibration c;
  std::vector<std::pair<ReductionField, Extended*>> fields = {
      {ReductionField::LPix, &c.pixelWidth}, {ReductionField::HPix, &c.pixelHeight}};
  if (scaleAndDelta) {
    fields.push_back({ReductionField::txtEps, &c.epsilonArcsecPerPx});
    fields.push_back({ReductionField::txtDelta, &c.deltaDeg});
  }
  for (auto [f, out] : fields) {
    if (!ParseNumber(Field(f), *out)) return Unexpected<Error>(FieldError(f, Field(f)));
  }
  c.northUp = m_orientV == "ns";
  c.eastLeft = m_orientH == "ew";
  c.binning = m_bin2x;
  return c;
}

Result<Calibration> ReductionTable::CurrentCalibration() const {
  return ReadCalibration(true);
}

Result<Reduction> ReductionTable::ComputeReduction() const {
  // What cannot be read is named in the order the table has always read it: row 1's
  // positions, the fields the computation uses, the other cells row by row, and last the
  // known theta of the calibration mode.
  const bool measuring = m_mode == ReductionMode::Mesure;
  if (DataRows() >= 1) {
    const Result<MeasuredPair> first = ReadRow(1, {kColXA, kColYA, kColXB, kColYB});
    if (!first) return Unexpected<Error>(first.error());
  }
  Result<Calibration> calibration = ReadCalibration(measuring);
  if (!calibration) return Unexpected<Error>(calibration.error());
  KnownPair known;
  if (!measuring && !ParseNumber(m_txtRho, known.rhoArcsec))
    return Unexpected<Error>(FieldError(ReductionField::txtRho, m_txtRho));
  std::vector<MeasuredPair> pairs;
  for (int r = 1; r <= DataRows(); ++r) {
    // The recomputation never reads the pixel counts.
    Result<MeasuredPair> p =
        ReadRow(r, {kColXA, kColYA, kColXB, kColYB, kColBin, kColIntA, kColIntB});
    if (!p) return Unexpected<Error>(p.error());
    pairs.push_back(std::move(p).value());
  }
  if (!measuring && !ParseNumber(m_txtTheta, known.thetaDeg))
    return Unexpected<Error>(FieldError(ReductionField::txtTheta, m_txtTheta));
  return Reduce(pairs, *calibration, m_mode, known);
}

// ---- Computation -----------------------------------------------------------------------

RecomputeResult ReductionTable::Recompute() {
  RecomputeResult res;
  if (m_raw[0][kColImage].empty()) return res;
  const int n = DataRows();
  const std::string caption = "Reduction (" + std::to_string(n) + " images)";
  if (n == 0) {
    // No row, no mean: what the last rows gave is not left standing.
    if (m_computedRows > 0) EmptyResultFields();
    m_computedRows = 0;
    m_caption = caption;
    res.ran = true;
    return res;
  }
  // Everything is read and computed first; the grid and the fields are written only when
  // every value is known, so a bad cell leaves the table as it was.
  const Result<Reduction> reduction = ComputeReduction();
  if (!reduction) {
    res.status = Status::Fail(reduction.error());
    return res;
  }
  Show(*reduction);
  m_computedRows = n;
  m_caption = caption;
  res.ran = true;
  return res;
}

void ReductionTable::Show(const Reduction& red) {
  const int n = static_cast<int>(red.pairs.size());
  std::vector<std::vector<std::string>> results;
  results.reserve(static_cast<size_t>(n) + 1);
  results.push_back(ResultHeaderRow());
  for (int r = 1; r <= n; ++r) {
    const ReducedPair& v = red.pairs[static_cast<size_t>(r - 1)];
    std::vector<std::string> row(kResultColumnCount);
    row[kResTheta] = Shown(v.thetaDeg, kThetaDecimals);
    row[kResRho] = Shown(v.rho, kRhoDecimals);
    row[kResDm] = v.dM ? Shown(*v.dM, kDmDecimals) : kNoMagnitude;
    row[kResRThe] = Shown(v.rThetaDeg, kResidualDecimals);
    row[kResRRho] = Shown(v.rRho, kResidualDecimals);
    row[kResImage] = m_raw[static_cast<size_t>(r)][kColImage];
    results.push_back(std::move(row));
  }
  m_results = std::move(results);
  if (m_mode == ReductionMode::Mesure) {
    m_txtRho = Shown(red.meanRho, kRhoDecimals);
    m_txtTheta = FormatGeneral(red.meanThetaDeg);
  } else {
    if (red.epsilon) m_txtEps = Shown(*red.epsilon, kEpsilonDecimals);
    if (red.deltaDeg) m_txtDelta = Shown(*red.deltaDeg, kDeltaDecimals);
  }
  m_txtDm = red.dM ? Shown(*red.dM, kDmDecimals) : kNoMagnitude;
  m_sigTh = Shown(red.sigmaThetaDeg, kThetaDecimals);
  m_sigRh = Shown(red.sigmaRho, kRhoDecimals);
}

Result<Reduction> ReductionTable::ShownReduction() const {
  Result<Reduction> computed = ComputeReduction();
  if (!computed) return computed;
  Reduction red = std::move(computed).value();
  for (ReducedPair& v : red.pairs) {
    v.thetaDeg = AsShown(v.thetaDeg, kThetaDecimals);
    v.rho = AsShown(v.rho, kRhoDecimals);
    if (v.dM) v.dM = AsShown(*v.dM, kDmDecimals);
    v.rThetaDeg = AsShown(v.rThetaDeg, kResidualDecimals);
    v.rRho = AsShown(v.rRho, kResidualDecimals);
  }
  Extended meanTheta = 0;
  ParseNumber(FormatGeneral(red.meanThetaDeg), meanTheta);
  red.meanThetaDeg = static_cast<double>(meanTheta);
  red.meanRho = AsShown(red.meanRho, kRhoDecimals);
  if (red.epsilon) red.epsilon = AsShown(*red.epsilon, kEpsilonDecimals);
  if (red.deltaDeg) red.deltaDeg = AsShown(*red.deltaDeg, kDeltaDecimals);
  if (red.dM) red.dM = AsShown(*red.dM, kDmDecimals);
  red.sigmaThetaDeg = AsShown(red.sigmaThetaDeg, kThetaDecimals);
  red.sigmaRho = AsShown(red.sigmaRho, kRhoDecimals);
  return red;
}

void ReductionTable::EmptyResultFields() {
  // In calibration mode theta and rho are the known values the user typed: they stay.
  if (m_mode == ReductionMode::Mesure) {
    m_txtTheta.clear();
    m_txtRho.clear();
  }
  m_sigTh.clear();
  m_sigRh.clear();
  m_txtDm.clear();
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
  // Without a spread there is nothing to measure a residual against.
  if (s == 0) return kResidualGood;
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
    res.status =
        Status::Fail(Error(ErrorCode::OutOfRange).Field("column").Values({double(column), 0, 4}));
    return res;
  }
  std::vector<Extended> keys(static_cast<size_t>(n));
  for (int r = 1; r <= n; ++r) {
    const std::string text = r < ResultRowCount() ? ResultCell(r, column) : std::string();
    Extended v;
    if (!ParseNumber(text, v)) {
      res.status = Status::Fail(CellError(r, kResultHeaders[column], text));
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
  std::vector<RowExtras> extras;
  raw.push_back(m_raw[0]);
  results.push_back(m_results[0]);
  for (int src : order) {
    raw.push_back(m_raw[static_cast<size_t>(src)]);
    results.push_back(m_results[static_cast<size_t>(src)]);
    extras.push_back(m_extras[static_cast<size_t>(src - 1)]);
  }
  for (size_t r = static_cast<size_t>(n) + 1; r < m_results.size(); ++r)
    results.push_back(m_results[r]);
  m_raw = std::move(raw);
  m_results = std::move(results);
  m_extras = std::move(extras);
  return Recompute();
}

RejectReport ReductionTable::RejectOutliers() {
  RejectReport rep;
  const int n = DataRows();
  if (n == 0) return rep;

  RejectionLimits limits;
  for (auto [f, out] : {std::pair{ReductionField::txtEps, &limits.epsilon},
                        std::pair{ReductionField::FacteurRejet, &limits.factor},
                        std::pair{ReductionField::sigTh, &limits.sigmaThetaDeg},
                        std::pair{ReductionField::sigRh, &limits.sigmaRho}}) {
    if (!ParseNumber(Field(f), *out)) {
      rep.status = Status::Fail(FieldError(f, Field(f)));
      return rep;
    }
  }

  // Every row is judged against the dispersions of the table as it is now, with the values
  // the grids show.
  std::vector<MeasuredPair> pairs(static_cast<size_t>(n));
  std::vector<ReducedPair> shown(static_cast<size_t>(n));
  for (int r = 1; r <= n; ++r) {
    const auto& cells = m_raw[static_cast<size_t>(r)];
    MeasuredPair& p = pairs[static_cast<size_t>(r - 1)];
    for (auto [col, out] : {std::pair{kColNA, &p.nA}, std::pair{kColNB, &p.nB}}) {
      if (!ParseInt(cells[col], *out)) {
        rep.status = Status::Fail(IntegerCellError(r, kRawHeaders[col], cells[col]));
        return rep;
      }
    }
    for (auto [col, out] : {std::pair{kColIntA, &p.intA}, std::pair{kColIntB, &p.intB}}) {
      if (!ParseNumber(cells[col], *out)) {
        rep.status = Status::Fail(CellError(r, kRawHeaders[col], cells[col]));
        return rep;
      }
    }
    ReducedPair& v = shown[static_cast<size_t>(r - 1)];
    for (auto [col, out] : {std::pair{kResRho, &v.rho}, std::pair{kResRThe, &v.rThetaDeg},
                            std::pair{kResRRho, &v.rRho}}) {
      const std::string text = r < ResultRowCount() ? ResultCell(r, col) : std::string();
      if (!ParseNumber(text, *out)) {
        rep.status = Status::Fail(CellError(r, kResultHeaders[col], text));
        return rep;
      }
    }
  }
  const auto verdicts = Reject(pairs, shown, limits);
  for (int r = 1; r <= n; ++r) {
    RowRejection v;
    v.row = r;
    v.image = m_raw[static_cast<size_t>(r)][kColImage];
    v.why = verdicts[static_cast<size_t>(r - 1)];
    for (const RejectReason& reason : v.why) v.reasons.push_back(RejectReasonText(reason));
    rep.rows.push_back(std::move(v));
  }

  for (const RowRejection& v : rep.rows) {
    if (v.why.empty()) continue;
    m_raw[static_cast<size_t>(v.row)][kColImage] = kDeletedMark;
    if (v.row < ResultRowCount()) m_results[static_cast<size_t>(v.row)][kResImage] = kDeletedMark;
  }
  // Every marked row goes; the table is computed once over the rows that stay.
  for (int r = DataRows(); r >= 1; --r) {
    if (m_raw[static_cast<size_t>(r)][kColImage] != kDeletedMark) continue;
    EraseRow(r);
    ++rep.removed;
  }
  if (rep.removed > 0) rep.recompute = Recompute().status;
  return rep;
}

void ReductionTable::EraseRow(int row) {
  m_raw.erase(m_raw.begin() + row);
  m_extras.erase(m_extras.begin() + (row - 1));
  if (row < ResultRowCount()) m_results.erase(m_results.begin() + row);
  if (ResultRowCount() > RowCount()) m_results.resize(m_raw.size());
  m_currentRow = std::min(m_currentRow, DataRows());
}

RecomputeResult ReductionTable::DeleteRow(int row) {
  RecomputeResult res;
  if (row < 1 || row > DataRows()) {
    res.status = Status::Fail(Error(ErrorCode::NoTableRow).Row(row));
    return res;
  }
  EraseRow(row);
  return Recompute();
}

RecomputeResult ReductionTable::CutFrom(int row) {
  RecomputeResult res;
  if (row < 1 || row > DataRows()) {
    res.status = Status::Fail(Error(ErrorCode::NoTableRow).Row(row));
    return res;
  }
  m_raw.resize(static_cast<size_t>(row));
  m_extras.resize(static_cast<size_t>(row - 1));
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
    res.status = Status::Fail(FieldError(ReductionField::txtEps, m_txtEps));
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
      // Epsilon is not saved: the failure names the field.
      first = Status::Fail(FieldError(ReductionField::txtEps, m_txtEps));
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

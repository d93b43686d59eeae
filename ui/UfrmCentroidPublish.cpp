// The measurement table's publication commands: the known pair, the calibration book, the
// plot of the rows and the rows as an export writes them.

#include <QApplication>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "core/ObsTime.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "measure/CalibrationBook.h"
#include "measure/Observation.h"
#include "ui/CalibrationBookWindow.h"
#include "ui/KnownPairForm.h"
#include "ui/Langue.h"
#include "ui/MeasurePlot.h"
#include "ui/Prompter.h"
#include "ui/UfrmCentroid.h"
#include "ui/Workbench.h"

namespace orvek {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

// ---- Publication ------------------------------------------------------------------------------

bool TformCentroid::OpenKnownPair() {
  if (m_table.Mode() != ReductionMode::Etalonnage) return false;
  if (m_knownPairWindow == nullptr) {
    m_knownPairWindow = new QWidget(this, Qt::Tool);
    m_knownPairWindow->setObjectName("KnownPairWindow");
    auto* box = new QVBoxLayout(m_knownPairWindow);
    m_knownPairForm = new KnownPairForm(
        m_workbench.prompter, [this](const PairGeometry& g) { FillKnownPair(g); },
        m_knownPairWindow);
    box->addWidget(m_knownPairForm);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, m_knownPairWindow);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("btnKnownPairCancel");
    box->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, m_knownPairWindow, &QWidget::close);
    m_knownPairWindow->setWindowTitle(LangText("Publish", "kpTIT"));
  }
  std::optional<double> epoch;
  if (const Result<std::vector<MeasuredPair>> pairs = m_table.Pairs()) {
    if (const Result<SeriesTimes> times = TimesOf(*pairs)) epoch = times->meanEpoch;
  }
  m_knownPairForm->SetEpoch(epoch);
  m_knownPairWindow->show();
  m_knownPairWindow->raise();
  return true;
}

void TformCentroid::FillKnownPair(const PairGeometry& pair) {
  // Finer than the table shows them, so that the calibration is not rounded twice. Both
  // values go in before the one computation that counts: theta alone, with the known rho
  // not typed yet, would not compute.
  const RecomputeResult theta =
      m_table.EditField(ReductionField::txtTheta, FormatFixed(pair.thetaDeg, 3));
  const RecomputeResult rho =
      m_table.EditField(ReductionField::txtRho, FormatFixed(pair.rhoArcsec, 4));
  Apply(rho.ran || !rho.status ? rho : theta);
  m_knownPairWindow->close();
}

PlotWindow* TformCentroid::OpenPlot() {
  if (!m_plotWindow)
    m_plotWindow =
        std::make_unique<PlotWindow>(m_workbench.prompter, [this] { return PlotRows(); });
  m_plotWindow->show();
  m_plotWindow->raise();
  return m_plotWindow.get();
}

PlotData TformCentroid::PlotRows() const {
  PlotData data;
  const Result<std::vector<MeasuredPair>> pairs = m_table.Pairs();
  if (!pairs) return data;
  const Result<Reduction> red = m_table.ComputeReduction();
  if (!red || red->pairs.size() != pairs->size()) return data;
  const Result<SeriesTimes> times = TimesOf(*pairs);
  data.timeAxis = times && times->first &&
                  std::all_of(pairs->begin(), pairs->end(),
                              [](const MeasuredPair& p) { return p.time.has_value(); });
  // What "Rejets" would remove, judged on a copy so that the table stays as it is.
  ReductionTable judged = m_table;
  const RejectReport rejection = judged.RejectOutliers();
  for (size_t i = 0; i < pairs->size(); ++i) {
    PlotPoint p;
    p.x = static_cast<double>(i + 1);
    if (data.timeAxis) {
      const Result<double> s = SecondsBetween(times->first->utc, (*pairs)[i].time->utc);
      p.x = s ? *s / 3600 : 0;
    }
    p.thetaDeg = static_cast<double>(red->pairs[i].thetaDeg);
    p.rhoArcsec = static_cast<double>(red->pairs[i].rho);
    p.rejected = rejection.status && i < rejection.rows.size() && !rejection.rows[i].why.empty();
    data.points.push_back(p);
  }
  data.meanThetaDeg = static_cast<double>(red->meanThetaDeg);
  data.sdThetaDeg = static_cast<double>(red->sigmaThetaDeg);
  data.meanRhoArcsec = static_cast<double>(red->meanRho);
  data.sdRhoArcsec = static_cast<double>(red->sigmaRho);
  return data;
}

Result<ExportInput> TformCentroid::ExportData() const {
  const Result<std::vector<MeasuredPair>> pairs = m_table.Pairs();
  if (!pairs) return Unexpected(pairs.error());
  if (pairs->empty()) return Unexpected(Error(ErrorCode::NoMeasures));
  const Result<Reduction> shown = m_table.ShownReduction();
  if (!shown) return Unexpected(shown.error());
  const Result<Reduction> exact = m_table.ComputeReduction();
  if (!exact) return Unexpected(exact.error());
  const Result<std::vector<ObservedRow>> observed = ObservedRows(*pairs, *exact);
  if (!observed) return Unexpected(observed.error());
  Result<ObservationSummary> summary = Summarize(*observed);
  if (!summary) return Unexpected(summary.error());
  return ExportInput{ExportFrames(*pairs, *shown, *observed), std::move(summary).value()};
}

std::string TformCentroid::CalibrationBookPath() const {
  return (std::filesystem::path(FolderOf(m_table.SettingsPath())) / kCalibrationBookName).string();
}

bool TformCentroid::OpenCalibrationBook() {
  if (m_bookWindow == nullptr) {
    m_bookWindow = new CalibrationBookWindow(
        m_workbench.prompter, [this](const CalibrationEntry& e) { UseCalibration(e); }, this);
  }
  if (!m_bookWindow->Load(CalibrationBookPath(), m_table.CameraName(), m_table.Bin2x() ? 2 : 1))
    return false;
  m_bookWindow->show();
  m_bookWindow->raise();
  return true;
}

RecomputeResult TformCentroid::UseCalibration(const CalibrationEntry& entry) {
  // Each step may compute; the last computation, or the first failure, is the one shown.
  RecomputeResult shown;
  const auto step = [&shown](const RecomputeResult& r) {
    if (shown.status && (r.ran || !r.status)) shown = r;
  };
  if (m_table.Mode() != ReductionMode::Mesure) step(m_table.SetMode(ReductionMode::Mesure));
  if ((entry.binning == 1 || entry.binning == 2) && m_table.Bin2x() != (entry.binning == 2))
    step(m_table.SetBinning(entry.binning == 2));
  step(m_table.EditField(ReductionField::txtDelta, FormatFixed(entry.deltaDeg, 3)));
  step(m_table.EditField(ReductionField::txtEps, FormatFixed(entry.epsilon, 5)));
  return Apply(shown);
}

bool TformCentroid::EnterInBook() {
  if (m_table.Mode() != ReductionMode::Etalonnage) return false;
  const auto fail = [this](const Error& e) {
    m_workbench.prompter.Error(Worded(e));
    return false;
  };
  Extended theta = 0, rho = 0;
  for (auto [field, out] :
       {std::pair{ReductionField::txtTheta, &theta}, std::pair{ReductionField::txtRho, &rho}}) {
    if (!ParseNumber(m_table.Field(field), *out))
      return fail(Error(ErrorCode::BadNumber)
                      .Field(field == ReductionField::txtTheta ? "txtTheta" : "txtRho")
                      .Text(m_table.Field(field)));
  }
  const Result<std::vector<MeasuredPair>> pairs = m_table.Pairs();
  if (!pairs) return fail(pairs.error());
  const Result<Calibration> calibration = m_table.CurrentCalibration();
  if (!calibration) return fail(calibration.error());
  const Result<SeriesCalibration> c =
      CalibrateMeasured(*pairs, *calibration, static_cast<double>(theta), static_cast<double>(rho));
  if (!c) return fail(c.error());
  const Result<SeriesTimes> times = TimesOf(*pairs);
  if (!times) return fail(times.error());

  CalibrationEntry entry;
  entry.date =
      times->first
          ? FormatIsoTime(times->first->utc)
          : QDateTime::currentDateTimeUtc().toString("yyyy-MM-ddTHH:mm:ss.zzz").toStdString();
  entry.camera = m_table.CameraName();
  entry.binning = m_table.Bin2x() ? 2 : 1;
  entry.deltaDeg = c->deltaDeg;
  entry.deltaSeDeg = c->deltaSeDeg;
  entry.epsilon = c->epsilon;
  entry.epsilonSe = c->epsilonSe;
  const std::string book = CalibrationBookPath();
  if (const Status s = AppendCalibration(book, entry); !s) {
    m_workbench.prompter.Error(Worded(s));
    return false;
  }
  m_workbench.prompter.Info(
      Fill(LangText("Publish", "bkEntered"), {{"path", Q(book)},
                                              {"delta", Q(FormatFixed(entry.deltaDeg, 3))},
                                              {"eps", Q(FormatFixed(entry.epsilon, 5))},
                                              {"n", QString::number(c->n)}}));
  if (m_bookWindow != nullptr && m_bookWindow->isVisible())
    m_bookWindow->Load(book, entry.camera, entry.binning);
  return true;
}

}  // namespace orvek

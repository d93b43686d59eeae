#include "ui/UfrmClosePair.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <utility>

#include "core/ObsTime.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "fourier/Interferometry.h"
#include "measure/ReductionTable.h"
#include "ui/Langue.h"
#include "ui/Prompter.h"
#include "ui/UfrmCentroid.h"
#include "ui/Workbench.h"

namespace orvek {

namespace {

// Side of the pictures on the screen, in screen pixels (frames are magnified by whole steps).
constexpr int kPictureSide = 256;
// Pixels each peak position was fitted on (the 3 x 3 paraboloid).
constexpr int64_t kFittedPixels = 9;

QString Text(const char* key) {
  return LangText("ClosePair", key);
}

// A position as the table stores it: written with 3 decimals and read back.
Extended AsStored(double x) {
  Extended v = 0;
  ParseNumber(FormatGeneral(RoundTo(x, 3)), v);
  return v;
}

Extended AsStoredValue(double x) {
  Extended v = 0;
  ParseNumber(FormatGeneral(x), v);
  return v;
}

QString Fixed(double x, int decimals) {
  return std::isfinite(x) ? QString::fromStdString(FormatFixed(x, decimals)) : QString("-");
}

// `frame` in grey from `low` (black) to `high` (white), magnified by `zoom`.
QImage Grey(const OTrame& frame, double low, double high, int zoom) {
  const int w = frame.Width(), h = frame.Height();
  QImage image(w * zoom, h * zoom, QImage::Format_RGB32);
  const double span = high > low ? high - low : 1;
  for (int y = 0; y < h * zoom; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < w * zoom; ++x) {
      const double v = (static_cast<double>(frame.Px(x / zoom, y / zoom)) - low) / span;
      const int g = static_cast<int>(std::clamp(v, 0.0, 1.0) * 255 + 0.5);
      line[x] = qRgb(g, g, g);
    }
  }
  return image;
}

// The smallest and largest pixel values of a frame that holds pixels.
std::pair<double, double> Range(const OTrame& frame) {
  const auto [low, high] = std::minmax_element(frame.Data().begin(), frame.Data().end());
  return {static_cast<double>(*low), static_cast<double>(*high)};
}

int ZoomFor(const OTrame& frame) {
  return std::max(1, kPictureSide / std::max(1, frame.Width()));
}

}  // namespace

Result<ClosePairEntry> MakeClosePairEntry(const speckle::SpeckleResult& result,
                                          const Calibration& calibration) {
  const double centre = result.side / 2;
  const double r = speckle::IntensityRatioFromPeaks(result.peakRatio);
  ClosePairEntry e;
  MeasuredPair& p = e.pair;
  p.kind = PairKind::Speckle;
  p.xA = AsStored(centre);
  p.yA = AsStored(centre);
  p.intA = AsStoredValue(1 / (1 + r));
  p.intB = AsStoredValue(r / (1 + r));
  p.nA = p.nB = kFittedPixels;
  auto reduce = [&](double sign) -> orvek::Result<ReducedPair> {
    p.xB = AsStored(centre + sign * result.dxPx);
    p.yB = AsStored(centre + sign * result.dyPx);
    const orvek::Result<Reduction, ReductionError> reduced = Reduce({&p, 1}, calibration);
    if (!reduced) return Unexpected<Error>(reduced.error());
    return reduced->pairs[0];
  };
  orvek::Result<ReducedPair> reduced = reduce(1);
  // An ambiguous quadrant gives theta modulo 180: B goes to the other side when it is beyond.
  if (reduced && !result.resolved && reduced->thetaDeg >= 180) reduced = reduce(-1);
  if (!reduced) return Unexpected<Error>(reduced.error());
  e.reduced = *reduced;
  const double scale =
      result.rhoPx > 0 ? static_cast<double>(e.reduced.separationPx) / result.rhoPx : 0;
  e.rhoErrPx = result.rhoErrPx * scale;
  e.rhoErrArcsec = e.rhoErrPx * static_cast<double>(calibration.epsilonArcsecPerPx);
  return e;
}

TfrmClosePair::TfrmClosePair(Workbench& workbench) : m_workbench(workbench) {
  setObjectName("TfrmClosePair");
  setWindowFlag(Qt::Window);
  auto* layout = new QVBoxLayout(this);
  auto* pictures = new QGridLayout;
  m_lblAcf = new QLabel(this);
  m_lblSaa = new QLabel(this);
  m_acf = new QLabel(this);
  m_acf->setObjectName("imgAutocorrelation");
  m_saa = new QLabel(this);
  m_saa->setObjectName("imgShiftAndAdd");
  for (QLabel* l : {m_acf, m_saa}) {
    l->setFixedSize(kPictureSide, kPictureSide);
    l->setAlignment(Qt::AlignCenter);
  }
  pictures->addWidget(m_lblAcf, 0, 0);
  pictures->addWidget(m_lblSaa, 0, 1);
  pictures->addWidget(m_acf, 1, 0);
  pictures->addWidget(m_saa, 1, 1);
  layout->addLayout(pictures);
  m_figures = new QLabel(this);
  m_figures->setObjectName("lblFigures");
  m_figures->setTextFormat(Qt::PlainText);
  m_figures->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(m_figures);
  auto* buttons = new QHBoxLayout;
  m_enter = new QPushButton(this);
  m_enter->setObjectName("btnEnterInTable");
  m_close = new QPushButton(this);
  m_close->setObjectName("btnClose");
  buttons->addStretch();
  buttons->addWidget(m_enter);
  buttons->addWidget(m_close);
  layout->addLayout(buttons);
  connect(m_enter, &QPushButton::clicked, this, [this] { EnterInTable(); });
  connect(m_close, &QPushButton::clicked, this, &QWidget::close);
  m_enter->setEnabled(false);
  ChangeLangue();
}

void TfrmClosePair::ChangeLangue() {
  setWindowTitle(Text("caption"));
  m_lblAcf->setText(Text("acf"));
  m_lblSaa->setText(Text("saa"));
  m_enter->setText(Text("enter"));
  m_close->setText(Text("close"));
  m_figures->setText(FiguresText());
}

bool TfrmClosePair::ShowResult(const speckle::SpeckleResult& result, const QString& seriesName) {
  m_result = result;
  m_seriesName = seriesName;
  m_entry.reset();
  if (!Refresh()) return false;
  ShowImages();
  show();
  raise();
  return true;
}

bool TfrmClosePair::Refresh() {
  const orvek::Result<Calibration> calibration =
      m_workbench.formCentroid->Table().CurrentCalibration();
  orvek::Result<ClosePairEntry> entry =
      calibration ? MakeClosePairEntry(m_result, *calibration)
                  : orvek::Result<ClosePairEntry>(Unexpected<Error>(calibration.error()));
  if (!entry) {
    m_workbench.prompter.Error(Worded(entry.error()));
    return false;
  }
  m_entry = *entry;
  m_epsilon = calibration->epsilonArcsecPerPx;
  m_figures->setText(FiguresText());
  m_enter->setEnabled(true);
  return true;
}

void TfrmClosePair::ShowImages() {
  const speckle::SpeckleResult& r = m_result;
  const OTrame& acf = r.autocorrelation;
  if (!acf.Empty()) {
    // The central peak outshines the rest: white is half as high again as the brighter of
    // the two secondary peaks.
    const int c = acf.Width() / 2;
    auto at = [&](const fourier::PeakFit& p) {
      const int x = std::clamp(c + static_cast<int>(std::lround(p.dx)), 0, acf.Width() - 1);
      const int y = std::clamp(c + static_cast<int>(std::lround(p.dy)), 0, acf.Height() - 1);
      return static_cast<double>(acf.Px(x, y));
    };
    const auto [low, high] = Range(acf);
    const double top = std::max(at(r.companion), at(r.mirror));
    const int zoom = ZoomFor(acf);
    QImage image = Grey(acf, low, top > low ? low + 1.5 * (top - low) : high, zoom);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    auto mark = [&](const fourier::PeakFit& p, const QColor& colour) {
      painter.setPen(QPen(colour, 2));
      const QPointF centre((c + p.dx + 0.5) * zoom, (c + p.dy + 0.5) * zoom);
      painter.drawEllipse(centre, 3.0 * zoom, 3.0 * zoom);
    };
    // Both peaks are marked: the companion's in red, its mirror in grey; both in amber when
    // the quadrant is ambiguous.
    const QColor amber(255, 200, 0);
    mark(r.mirror, r.resolved ? QColor(160, 160, 160) : amber);
    mark(r.companion, r.resolved ? QColor(255, 40, 40) : amber);
    painter.end();
    m_acf->setPixmap(QPixmap::fromImage(image));
  }
  const OTrame& saa = r.shiftAndAddImage;
  if (!saa.Empty()) {
    const auto [low, high] = Range(saa);
    m_saa->setPixmap(QPixmap::fromImage(Grey(saa, low, high, ZoomFor(saa))));
  }
}

QString TfrmClosePair::FiguresText() const {
  if (!m_entry) return {};
  const speckle::SpeckleResult& r = m_result;
  const ReducedPair& v = m_entry->reduced;
  QStringList lines;
  lines << Fill(Text("series"), {{"name", m_seriesName}});
  lines << Fill(Text("theta"), {{"theta", Fixed(static_cast<double>(v.thetaDeg), 2)},
                                {"err", Fixed(r.angleErrDeg, 2)}});
  lines << Fill(Text("rho"),
                {{"rho", Fixed(static_cast<double>(v.rho), 3)},
                 {"err", Fixed(m_entry->rhoErrArcsec, 3)},
                 {"eps", QString::fromStdString(FormatGeneral(static_cast<double>(m_epsilon)))}});
  lines << Fill(Text("rhoPx"), {{"rho", Fixed(static_cast<double>(v.separationPx), 3)},
                                {"err", Fixed(m_entry->rhoErrPx, 3)}});
  lines << Fill(Text("dm"), {{"dm", Fixed(r.dm, 2)}});
  lines << Fill(Text(r.resolved ? "resolved" : "ambiguous"),
                {{"margin", Fixed(r.quadrantMargin, 1)}});
  lines << Fill(Text("frames"), {{"used", QString::number(r.framesUsed)},
                                 {"rejected", QString::number(r.framesRejected)},
                                 {"left", QString::number(r.framesNotSelected)}});
  if (r.meanTime) {
    if (const orvek::Result<double> epoch = BesselianEpoch(*r.meanTime); epoch) {
      lines << Fill(Text(r.timeApproximate ? "epochApprox" : "epoch"),
                    {{"epoch", Fixed(*epoch, 4)}});
    }
  } else {
    lines << Text("noEpoch");
  }
  return lines.join('\n');
}

bool TfrmClosePair::EnterInTable() {
  if (!m_entry || !Refresh()) return false;
  TformCentroid& window = *m_workbench.formCentroid;
  ReductionTable& table = window.Table();
  if (table.DataRows() > 0 && table.LastRowOpen()) {
    m_workbench.prompter.Error(Text("openRow"));
    return false;
  }
  if (!m_result.resolved && !m_workbench.prompter.AskYesNo(Text("askAmbiguous"))) return false;

  // The autocorrelation the positions refer to, as a new file of the interferometry folder.
  const OutputFolder folder = WorkingOutput(fourier::kInterferometryFolder);
  if (const Status made = PrepareOutput(folder); !made.ok) {
    m_workbench.prompter.Error(Worded(made));
    return false;
  }
  std::string path;
  for (int n = 1;; ++n) {
    path = OutputPath(folder, "ClosePair" + std::to_string(n) + ".orvc");
    if (!FileExists(path)) break;
  }
  const OTrame& acf = m_result.autocorrelation;
  if (const Status saved = acf.SaveOrv(0, 0, acf.Width() - 1, acf.Height() - 1, path); !saved.ok) {
    m_workbench.prompter.Error(Worded(saved));
    return false;
  }

  const MeasuredPair& p = m_entry->pair;
  rStarPos a;
  a.X = p.xA;
  a.Y = p.yA;
  a.Value = p.intA;
  a.Count = p.nA;
  rStarPos b = a;
  b.X = p.xB;
  b.Y = p.yB;
  b.Value = p.intB;
  b.Count = p.nB;
  table.SaveCentroid(a, path, PairKind::Speckle);
  const RecomputeResult done = table.SaveCentroid(b, path, PairKind::Speckle);
  window.UpdateView();
  window.ShowTable();
  if (!done.status.ok) {
    m_workbench.prompter.Error(Worded(done.status));
    return false;
  }
  return true;
}

}  // namespace orvek

#include "ui/DriftCommands.h"

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QPainter>
#include <QSlider>

#include "core/Rounding.h"
#include "core/Utils.h"
#include "measure/ReductionTable.h"
#include "ui/CommandSupport.h"
#include "ui/Controls.h"
#include "ui/Langue.h"
#include "ui/Prompter.h"
#include "ui/UdlgSynthDrift.h"
#include "ui/UfrmCentroid.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"
#include "wording/Wording.h"

namespace orvek {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// The window's cross pen, remembered and put back however the drawing ends.
class SavedCrossPen {
 public:
  explicit SavedCrossPen(TFormMain& main)
      : m_main(main), m_pen(main.CrossPen()), m_xor(main.CrossPenExclusiveOr()) {}
  ~SavedCrossPen() { m_main.SetCrossPen(m_pen, m_xor); }
  SavedCrossPen(const SavedCrossPen&) = delete;
  SavedCrossPen& operator=(const SavedCrossPen&) = delete;

 private:
  TFormMain& m_main;
  QPen m_pen;
  bool m_xor;
};

}  // namespace

DriftCommands::DriftCommands(Workbench& workbench) : m_workbench(workbench) {
  Main().InstallCommand(MainCommand::btnDriftSingle, [this] { btnDriftSingleClick(); });
  Main().InstallCommand(MainCommand::btnDriftMulti, [this] { btnDriftMultiClick(); });
}

TFormMain& DriftCommands::Main() const {
  return *m_workbench.FormMain;
}

LoadContext DriftCommands::CurrentLoadContext() const {
  LoadContext context;
  context.bias = Main().BiasFrame();
  context.fits = Main().CurrentFitsOptions();
  context.measure = Main().CurrentMeasureSettings();
  context.pool = m_workbench.pool;
  return context;
}

void DriftCommands::DrawFittedLine(const DriftLine& line, int32_t lastX) {
  TFormMain& main = Main();
  QImage& picture = main.Image1()->Picture();
  if (picture.isNull()) return;
  // The picture's pen is saved, the line drawn solid red in copy mode, the pen put back.
  const SavedCrossPen saved(main);
  main.SetCrossPen(QPen(LineColour(), 1, Qt::SolidLine), false);
  const DriftSegment s = DriftLineSegment(line, lastX);
  QPainter p(&picture);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(main.CrossPen());
  p.drawLine(s.x1, s.y1, s.x2, s.y2);
  p.end();
  main.Image1()->update();
}

void DriftCommands::DrawCrosses(const std::vector<DriftPoint>& points) {
  TFormMain& main = Main();
  for (const DriftPoint& p : points) main.DrawCross(Nearest32(p.x), Nearest32(p.y), false, true, 5);
}

void DriftCommands::btnDriftSingleClick() {
  TFormMain& main = Main();
  main.Redisplay();  // earlier marks leave the picture
  const DriftTrailResult r = DriftTrail(main.CurrentFrame(), main.CapturedA(), main.CapturedB(),
                                        main.CurrentMeasureSettings());
  m_lastPoints = r.points;
  if (r.columns == 0) {
    // The ends share a column (or no image is shown): no direction to follow.
    main.ProcessPendingEvents();
    m_workbench.prompter.Info(kDriftImpossible);
    return;
  }
  main.SetCurrentPoint(r.current);
  {
    // Green crosses in copy mode with the window's kept pen, which is put back afterwards.
    const SavedCrossPen saved(main);
    main.SetCrossPen(QPen(CrossColour(), 1, Qt::SolidLine), false);
    DrawCrosses(r.points);
    if (r.status) DrawFittedLine(r.line, r.lastX);
  }
  if (!r.status) {
    // Every column fell on one centroid, or the centroids stand in one column: the points
    // give no line, and the table is left as it was.
    m_workbench.prompter.Info(kDriftImpossible);
    return;
  }
  m_lastLine = r.line;
  OrientAndFeed(r.line, r.lastX, r.current, main.CurrentFrame().FileName);
}

void DriftCommands::btnDriftMultiClick() {
  SyntheticDrift();
}

bool DriftCommands::SyntheticDrift() {
  TFormMain& main = Main();
  if (main.RefreshSelection() == 0) return false;
  main.FirstTicked();
  std::vector<SeriesItem> items;
  const QString folder = Q(main.ListeFic().Dossier);
  for (int i = 0; i < main.ItemCount(); ++i) {
    items.push_back(SeriesItem{(folder + main.ItemText(i)).toStdString(), main.IsTicked(i)});
  }
  BusyCursor busy;
  // There is no STOP here.
  FrameShowingObserver observer(
      main, {.listRows = AllRows(static_cast<int>(items.size())), .showCount = false});
  const SyntheticDriftResult r = orvek::SyntheticDrift(
      items, CurrentLoadContext(), WorkingOutput("tempc"), "drift.orvc", observer);
  m_lastPoints = r.points;
  if (!r.imagePath.empty()) {
    main.LoadAndShow(Q(r.imagePath));
    main.ProcessPendingEvents();
  }
  busy.Restore();

  ReportProblems(m_workbench.prompter, MainText("lstUnread"), observer.Problems());
  if (!r.status) {
    if (r.status.error.code == ErrorCode::DriftImpossible) {
      // Frames all at one spot, or all in one column: no line, nothing fed to the table.
      m_workbench.prompter.Info(kDriftImpossible);
    } else {
      m_workbench.prompter.Error(Worded(r.status));
    }
    return false;
  }

  // The upper threshold at the top of the display range: the crosses stand out in full.
  main.UpperThresholdToRangeTop();
  DrawFittedLine(r.line, r.lastX);
  m_lastLine = r.line;
  OrientAndFeed(r.line, r.lastX, main.CurrentPoint(), main.CurrentFrame().FileName);
  return true;
}

void DriftCommands::OrientAndFeed(const DriftLine& line, int32_t lastX, const rStarPos& current,
                                  const std::string& framePath) {
  const DriftDialogResult answer = m_workbench.dlgSynthDrift->Execute();
  const DriftOrientation o = OrientationFromDialog(answer);
  TformCentroid& table = *m_workbench.formCentroid;
  // The new Delta is computed on a copy first: the table, its fields and its orientation
  // change only when the user accepts it, since feeding the calibration empties the table.
  ReductionTable trial = table.Table();
  const FeedResult tried =
      FeedCalibration(trial, line, o.eastLeft, o.northUp, lastX, current, framePath);
  if (!tried.status) {
    m_workbench.prompter.Error(Q(tried.status.message));
    return;
  }
  const int rows = table.Table().DataRows();
  const QString question = Fill(MainText(rows > 0 ? "dqDeltaRows" : "dqDelta"),
                                {{"new", Q(tried.delta)},
                                 {"old", Q(table.Table().Field(ReductionField::txtDelta))},
                                 {"rows", QString::number(rows)}});
  if (!m_workbench.prompter.AskYesNo(question)) return;
  const FeedResult fed =
      FeedCalibration(table.Table(), line, o.eastLeft, o.northUp, lastX, current, framePath);
  if (!fed.status) m_workbench.prompter.Error(Worded(fed.status));
  table.UpdateView();  // the new txtDelta and the orientation buttons
  table.ShowTable();
}

}  // namespace orvek

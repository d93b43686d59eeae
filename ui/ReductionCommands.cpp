#include "ui/ReductionCommands.h"

#include <QStringList>

#include "core/Utils.h"
#include "measure/AutoOrvek.h"
#include "ui/CommandSupport.h"
#include "ui/Langue.h"
#include "ui/Prompter.h"
#include "ui/UfrmCentroid.h"
#include "ui/UfrmInfosLog.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"
#include "wording/Wording.h"

namespace orvek {

namespace {

/// A text of section language + "Reduction" with its placeholders filled from `values`.
QString Worded(const char* key, const Error& values) {
  return QString::fromStdString(FillPlaceholders(LangText("Reduction", key).toStdString(), values));
}

}  // namespace

ReductionCommands::ReductionCommands(Workbench& workbench) : m_workbench(workbench) {
  TFormMain& main = *m_workbench.FormMain;
  main.InstallCommand(MainCommand::AutoOrvek, [this] { AutoOrvekClick(); });
  main.InstallCommand(MainCommand::CentroideMenuitem, [this] { CentroideMenuitemClick(); });
  main.InstallCommand(MainCommand::Rapport1, [this] { Rapport1Click(); });
}

void ReductionCommands::AutoOrvekClick() {
  TFormMain& main = *m_workbench.FormMain;
  TformCentroid* table = m_workbench.formCentroid.get();
  if (table == nullptr) return;
  // Pending events run inside the loop: a second press must not start a second run.
  const ReentryGuard guard(m_running);
  if (!guard.Entered()) return;
  main.SetAutoOrvekAllowed(false);

  bool offsetKnown = false;
  Extended dx = 0, dy = 0;
  int sizeA = main.SizeA(), sizeB = main.SizeB();
  QStringList skipped;
  const int count = main.ItemCount();
  for (int i = 0; i < count; ++i) {
    main.SelectItem(i);
    if (!main.IsTicked(i)) continue;
    // A frame that cannot be read would enter the previous frame's measurement again.
    if (!main.LoadAndShow(main.CurrentItemPath())) continue;
    main.ProcessPendingEvents();
    if (!offsetKnown) {
      const OTrame& frame = main.CurrentFrame();
      const QSize size(frame.Width(), frame.Height());
      const rStarPos& a = main.CapturedA();
      const rStarPos& b = main.CapturedB();
      if (main.CapturedAFrame() == size && main.CapturedBFrame() == size &&
          !SameTablePosition(a, b)) {
        dx = b.X - a.X;
        dy = b.Y - a.Y;
      } else {
        // Nothing usable captured: the pair as the command line finds it on this frame.
        sizeA = sizeB = main.HalfSize();
        const StarPair pair = FindBrightestPair(frame, main.CurrentMeasureSettings(), sizeA, sizeB);
        if (!pair.found) {
          Error where = pair.error;
          where.Path(FileNameOf(frame.FileName)).Detail(Worded(pair.error).toStdString());
          m_workbench.prompter.Error(Worded("msgAutoNoPair", where));
          main.SetAutoOrvekAllowed(true);
          return;
        }
        dx = pair.b.point.X - pair.a.point.X;
        dy = pair.b.point.Y - pair.a.point.Y;
      }
      offsetKnown = true;
    }
    main.SetHalfSize(sizeA);
    const rStarPos a = main.CurrentPoint();
    const rStarPos predicted = Point(a.X + dx, a.Y + dy);
    main.SetHalfSize(sizeB);
    main.MeasureAt(predicted);
    const rStarPos b = main.CurrentPoint();
    if (SameTablePosition(a, b)) {
      skipped << QString::fromStdString(FileNameOf(main.CurrentFrame().FileName));
      continue;
    }
    main.SetCurrentPoint(a);
    table->SaveCentroid(PairKind::Direct);
    main.SetCurrentPoint(b);
    table->SaveCentroid(PairKind::Direct);
    table->update();
  }
  if (count > 0) {
    main.SelectItem(0);
    main.LoadAndShow(main.CurrentItemPath());
  }
  table->ShowTable();
  main.SetAutoOrvekAllowed(true);
  if (!skipped.isEmpty()) {
    m_workbench.prompter.Info(
        Worded("msgAutoSkipped", Error().Values({static_cast<double>(skipped.size())})) + "\n" +
        skipped.join("\n"));
  }
}

void ReductionCommands::CentroideMenuitemClick() {
  if (m_workbench.formCentroid) m_workbench.formCentroid->ShowTable();
}

void ReductionCommands::Rapport1Click() {
  if (m_workbench.frmInfosLog) m_workbench.frmInfosLog->ShowLog();
}

}  // namespace orvek

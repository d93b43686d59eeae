#include "ui/SurfaceCommands.h"

#include <QFileInfo>

#include "core/Output.h"
#include "core/Utils.h"
#include "ui/CommandSupport.h"
#include "ui/Langue.h"
#include "ui/Prompter.h"
#include "ui/UfrmCentroid.h"
#include "ui/UfrmMain.h"
#include "ui/UfrmSurface.h"
#include "ui/Workbench.h"
#include "wording/Wording.h"

namespace orvek {

SurfaceCommands::SurfaceCommands(Workbench& workbench) : m_workbench(workbench) {
  m_workbench.FormMain->InstallCommand(MainCommand::Surface1, [this] { Surface1Click(); });
  m_workbench.FormMain->InstallCommand(MainCommand::SurfaceImage1,
                                       [this] { SurfaceImage1Click(); });
}

QString SurfaceCommands::ModelPath() {
  return QString::fromStdString(WorkFolder("temps") + "surface.orvc");
}

void SurfaceCommands::Surface1Click() {
  TFormMain& main = *m_workbench.FormMain;
  // The fit starts from the captured positions: they must have been taken, on a frame of
  // this one's size (positions of another frame would give a window of other pixels).
  const CapturedComponent a = main.CaptureA();
  const CapturedComponent b = main.CaptureB();
  if (!a.Taken() || !b.Taken()) {
    m_workbench.prompter.Info(MainText("srfNotTaken"));
    return;
  }
  const OTrame& frame = main.CurrentFrame();
  for (const CapturedComponent* c : {&a, &b}) {
    if (c->frameWidth != frame.Width() || c->frameHeight != frame.Height()) {
      m_workbench.prompter.Info(
          Fill(MainText("srfOtherSize"), {{"w", QString::number(c->frameWidth)},
                                          {"h", QString::number(c->frameHeight)},
                                          {"W", QString::number(frame.Width())},
                                          {"H", QString::number(frame.Height())}}));
      return;
    }
  }
  {
    BusyCursor busy;
    m_last = SurfaceFit(main.CurrentFrame(), main.CapturedA(), main.CapturedB());
  }
  if (!m_last.ok()) {
    m_workbench.prompter.Info(main.MessageText("msgErrSurface"));
    return;
  }

  TformSurface& log = *m_workbench.formSurface;
  QStringList lines;
  for (const std::string& line : m_last.log) lines << QString::fromStdString(line);
  log.SetLog(lines);
  log.Execute();

  TformCentroid& table = *m_workbench.formCentroid;
  table.ShowTable();
  // A then B, as a new pair of the table; the other fields of the point stay as measured.
  rStarPos point = main.CurrentPoint();
  point.X = m_last.fit.xA;
  point.Y = m_last.fit.yA;
  point.Value = m_last.fit.hA;
  point.Count = 9;
  main.SetCurrentPoint(point);
  table.RefreshZoomCent();
  table.SaveCentroid();
  point.X = m_last.fit.xB;
  point.Y = m_last.fit.yB;
  point.Value = m_last.fit.hB;
  point.Count = 9;
  main.SetCurrentPoint(point);
  table.RefreshZoomCent();
  table.SaveCentroid();

  const std::string path = ModelPath().toStdString();
  Status written = RemoveFile(path);
  if (written) written = WriteSurfaceModel(m_last, path);
  if (!written) m_workbench.prompter.Error(Worded(written));
}

void SurfaceCommands::SurfaceImage1Click() {
  const QString path = ModelPath();
  if (QFileInfo::exists(path)) {
    m_workbench.FormMain->LoadAndShow(path);
  } else {
    m_workbench.prompter.Info("Not avalaible");
  }
}

}  // namespace orvek

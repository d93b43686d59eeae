#include "ui/ArithmeticCommands.h"

#include <QLineEdit>
#include <string>
#include <vector>

#include "core/Output.h"
#include "core/Progress.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "fourier/ImageArithmetic.h"
#include "fourier/Interferometry.h"
#include "fourier/SpeckleMask.h"
#include "ui/CommandSupport.h"
#include "ui/Langue.h"
#include "ui/Prompter.h"
#include "ui/UfrmCentroid.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"
#include "wording/Wording.h"

namespace orvek {

using fourier::ArithmeticResult;

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

ArithmeticCommands::ArithmeticCommands(Workbench& workbench) : m_workbench(workbench) {
  TFormMain& main = Main();
  main.InstallCommand(MainCommand::Quad1, [this] { Quad1Click(); });
  main.InstallCommand(MainCommand::Div1, [this] { Div1Click(); });
  main.InstallCommand(MainCommand::Mult1, [this] { Mult1Click(); });
  main.InstallCommand(MainCommand::LowPass1, [this] { LowPass1Click(); });
  main.InstallCommand(MainCommand::Conv1, [this] { Conv1Click(); });
  main.InstallCommand(MainCommand::supprPic1, [this] { supprPic1Click(); });
  main.InstallCommand(MainCommand::supprautour1, [this] { supprautour1Click(); });
  main.InstallCommand(MainCommand::suppr21, [this] { suppr21Click(); });
  main.InstallCommand(MainCommand::SpeckleMask1, [this] { SpeckleMask1Click(); });
}

TFormMain& ArithmeticCommands::Main() const {
  return *m_workbench.FormMain;
}

// ---- QuadPx ---------------------------------------------------------------------------------

void ArithmeticCommands::Quad1Click() {
  TFormMain& main = Main();
  if (!main.HasImage()) return;
  const QString text = main.QuadPxWeightText();
  Extended k = 0;
  if (!ParseNumber(QString(text).replace(',', '.').toStdString(), k)) {
    m_workbench.prompter.Error(Fill(MainText("qpxNaN"), {{"text", text}}));
    return;
  }
  const ArithmeticResult r =
      fourier::QuadPx(main.CurrentFrame(), k, WorkingOutput(fourier::kQuadFolder));
  if (!r.ok()) {
    m_workbench.prompter.Error(Worded(r.error));
    return;
  }
  main.LoadAndShow(Q(r.shown));
}

// ---- Maths ----------------------------------------------------------------------------------

bool ArithmeticCommands::ChooseSecondImage(OTrame& second) {
  TFormMain& main = Main();
  const QStringList files = m_workbench.prompter.OpenFiles(ImageOpenFilter(), false);
  if (files.isEmpty()) return false;
  const std::string path = files.first().toStdString();
  if (!FileExists(path)) {
    m_workbench.prompter.Info("File not found");
    return false;
  }
  const LoadResult r = second.LoadFile(path, main.BiasFrame(), main.CurrentFitsOptions());
  if (r.status == LoadStatus::UnknownExtension) {
    m_workbench.prompter.Info(main.MessageText("msgExtInc"));
    return false;
  }
  if (r.status == LoadStatus::Error) {
    m_workbench.prompter.Error(Q(Describe(r.AsStatus())));
    return false;
  }
  return true;
}

void ArithmeticCommands::ShowAndRemove(const std::string& path) {
  Main().LoadAndShow(Q(path));
  if (const Status removed = RemoveFile(path); !removed)
    m_workbench.prompter.Error(Worded(removed));
}

void ArithmeticCommands::TwoImages(bool divide) {
  TFormMain& main = Main();
  if (!main.HasImage()) return;
  OTrame second;
  if (!ChooseSecondImage(second)) return;
  const OutputFolder folder = WorkingOutput(fourier::kArithmeticFolder);
  const ArithmeticResult r = divide ? fourier::DivCommand(main.CurrentFrame(), second, folder)
                                    : fourier::MultCommand(main.CurrentFrame(), second, folder);
  if (!r.ok()) {
    // A second image smaller than the current one is refused with both sizes.
    m_workbench.prompter.Error(Worded(r.error));
    return;
  }
  ShowAndRemove(r.shown);
}

void ArithmeticCommands::Div1Click() {
  TwoImages(true);
}

void ArithmeticCommands::Mult1Click() {
  TwoImages(false);
}

void ArithmeticCommands::LowPass1Click() {
  TFormMain& main = Main();
  if (!main.HasImage()) return;
  const ArithmeticResult r =
      fourier::LowPassCommand(main.CurrentFrame(), WorkingOutput(fourier::kArithmeticFolder));
  if (!r.ok()) {
    m_workbench.prompter.Error(Worded(r.error));
    return;
  }
  ShowAndRemove(r.shown);
}

void ArithmeticCommands::Conv1Click() {
  TFormMain& main = Main();
  OTrame second;
  if (!ChooseSecondImage(second)) return;
  const OutputFolder folder = WorkingOutput(fourier::kArithmeticFolder);
  const ArithmeticResult r =
      fourier::ConvCommand(main.CurrentFrame(), second, folder, m_workbench.pool);
  if (r.status == fourier::ArithmeticStatus::TooFewRows) {
    m_workbench.prompter.Error("Conv: " + Worded(r.error));
    return;
  }
  if (!r.ok()) {
    // A second image whose width is not the current image's height ends the command without
    // a message, as it always has.
    if (!r.silent) {
      m_workbench.prompter.Error(r.status == fourier::ArithmeticStatus::WrongSize
                                     ? QString(kSizeMessage)
                                     : Worded(r.error));
    }
    return;
  }
  main.LoadAndShow(Q(r.shown));
  main.FillList(Q(folder.dir) + "*.orv");
}

// ---- Peak suppression -----------------------------------------------------------------------

void ArithmeticCommands::Suppress(int ring) {
  TFormMain& main = Main();
  if (!main.HasImage()) return;
  fourier::SuppressPeak(main.CurrentFrame(), ring);
  main.Redisplay();
  const rStarPos point = main.CurrentPoint();
  main.MeasureAt(point);
}

void ArithmeticCommands::supprPic1Click() {
  Suppress(0);
}

void ArithmeticCommands::supprautour1Click() {
  Suppress(1);
}

void ArithmeticCommands::suppr21Click() {
  Suppress(2);
}

// ---- Speckle Mask ---------------------------------------------------------------------------

void ArithmeticCommands::SpeckleMask1Click() {
  const ReentryGuard running(m_running);
  if (!running.Entered()) return;
  TFormMain& main = Main();
  if (main.ItemCount() < 1) return;
  main.SelectItem(0);
  // The shift is read before anything is touched: a cell that is not a number ends the
  // command with nothing removed and nothing written.
  fourier::SpeckleShift shift;
  const Status read = fourier::SpeckleShiftFromTable(m_workbench.formCentroid->Table(), shift);
  if (!read) {
    m_workbench.prompter.Error(Worded(read));
    return;
  }
  std::vector<int> positions;
  fourier::SeriesInput input = TickedSeriesInput(main, positions);
  input.pool = m_workbench.pool;
  FrameShowingObserver observer(main, {.listRows = positions});
  input.observer = &observer;
  const OutputFolder folder = WorkingOutput(fourier::kSpeckleMaskFolder);
  const fourier::FourierResult r = fourier::SpeckleMaskCommand(input, shift, folder);
  main.RefreshSelection();
  if (!r.warnings.empty()) {
    QString text = MainText("lstSpeckle");
    for (const Error& w : r.warnings) text += "\n" + Worded(w);
    m_workbench.prompter.Info(text);
  }
  if (r.status == fourier::FourierStatus::WriteFailed) {
    m_workbench.prompter.Error(Worded(r.error));
    return;
  }
  main.FillList(Q(folder.dir) + "*.orv*");
  if (main.ItemCount() < 1) return;
  main.SelectItem(0);
  main.LoadAndShow(main.CurrentItemPath());
}

}  // namespace orvek

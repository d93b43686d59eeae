#include "ui/InterferometryCommands.h"

#include <QAction>
#include <QListWidget>

#include "core/Utils.h"
#include "speckle/SpecklePair.h"
#include "ui/CommandSupport.h"
#include "ui/Langue.h"
#include "ui/Prompter.h"
#include "ui/SeriesCommands.h"
#include "ui/UdlgAlign.h"
#include "ui/UfrmClosePair.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"

namespace orvek {

using fourier::FourierResult;
using fourier::FourierStatus;

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

InterferometryCommands::InterferometryCommands(Workbench& workbench) : m_workbench(workbench) {
  TFormMain& main = Main();
  main.MarkBuilt(MainCommand::EnhancedPowerSpectrum1);
  main.InstallCommand(MainCommand::AutocorrlationetSoustractionFond1,
                      [this] { AutocorrlationetSoustractionFond1Click(); });
  main.InstallCommand(MainCommand::InterCorrlationetSoustractionFond1,
                      [this] { InterCorrlationetSoustractionFond1Click(); });
  main.InstallCommand(MainCommand::PuissanceRfrence1, [this] { PuissanceRfrence1Click(); });
  main.InstallCommand(MainCommand::PuissanceDouble1, [this] { PuissanceDouble1Click(); });
  main.InstallCommand(MainCommand::DivisionetRetourSpatial1,
                      [this] { DivisionetRetourSpatial1Click(); });
  main.InstallCommand(MainCommand::LibrairieInterfromtrie1, [this] { ShowInterferometryFolder(); });
  main.InstallCommand(MainCommand::ClosePair1, [this] { ClosePair1Click(); });
  main.InstallCommand(MainCommand::FFT1, [this] { FFT1Click(); });
  main.InstallCommand(MainCommand::FFTdirecteargument1, [this] { FFTdirecteargument1Click(); });
  main.InstallCommand(MainCommand::AutoCorrlation1, [this] { AutoCorrlation1Click(); });
  main.InstallCommand(MainCommand::InterCorrlation1, [this] { InterCorrlation1Click(); });
  main.InstallCommand(MainCommand::SoustractionFond1, [this] { SoustractionFond1Click(); });
  main.InstallCommand(MainCommand::DV01, [this] { DV01Click(); });

  if (QListWidget* list = main.InterList()) {
    // A click on an entry opens it, and so does moving to another entry with the keyboard.
    // The press that changes the entry already opened it: the click that follows does not
    // open it a second time.
    QObject::connect(list, &QListWidget::currentRowChanged, &main, [this](int row) {
      if (row < 0) return;
      FileListBoxInterClick(row);
      m_justLoadedRow = row;
    });
    QObject::connect(list, &QListWidget::itemClicked, &main, [this, list](QListWidgetItem* item) {
      const int row = list->row(item);
      if (row == m_justLoadedRow) {
        m_justLoadedRow = -1;
        return;
      }
      FileListBoxInterClick(row);
    });
  }
}

InterferometryCommands::~InterferometryCommands() = default;

TFormMain& InterferometryCommands::Main() const {
  return *m_workbench.FormMain;
}

std::string InterferometryCommands::Folder() {
  return WorkFolder(fourier::kInterferometryFolder);
}

OutputFolder InterferometryCommands::Output() {
  return WorkingOutput(fourier::kInterferometryFolder);
}

bool InterferometryCommands::Enhanced() const {
  return Main().EnhancedPowerSpectrum();
}

template <class Run>
FourierResult InterferometryCommands::RunSeries(const Run& run) {
  TFormMain& main = Main();
  std::vector<int> positions;
  fourier::SeriesInput input = TickedSeriesInput(main, positions);
  input.pool = m_workbench.pool;
  main.FirstTicked();
  FrameShowingObserver observer(main,
                                {.listRows = positions, .showCount = false, .honourStop = true});
  input.observer = &observer;
  main.ShowStop(true);
  FourierResult r = run(input);
  main.ShowStop(false);
  m_lastStatus = r.status;
  return r;
}

QString InterferometryCommands::ResultMessage(const FourierResult& r) {
  switch (r.status) {
    case FourierStatus::Written:
    case FourierStatus::NothingTicked:
    case FourierStatus::Stopped: return {};
    case FourierStatus::WrongSize:
      // The window's own words; a frame of the series of another size is named as well.
      if (r.error.code == ErrorCode::FrameSizesDiffer)
        return QString(kSizeMessage) + "\n" + Worded(r.error);
      return kSizeMessage;
    default: return Worded(r.error);
  }
}

void InterferometryCommands::ShowResult(const FourierResult& r) {
  const QString message = ResultMessage(r);
  if (!message.isEmpty()) m_workbench.prompter.Error(message);
  if (!r.shown.empty()) Main().LoadAndShow(Q(r.shown));
}

// ---- Menu "Interférométrie" ------------------------------------------------------------------

template <class Run>
void InterferometryCommands::CorrelationSeries(const Run& run) {
  const ReentryGuard running(m_running);
  if (!running.Entered()) return;
  TFormMain& main = Main();
  const int kept = main.HalfSize();
  main.SetHalfSize(1);
  if (!main.IsCentredSpectrum()) {
    m_workbench.prompter.Error(kSizeMessage);
    m_workbench.DlgAlign->SetCropSizeText("128");
    if (!m_workbench.DlgAlign->Execute()) return;
    if (!m_workbench.seriesCommands || !m_workbench.seriesCommands->AlignList()) return;
  }
  const FourierResult r = RunSeries(run);
  ShowResult(r);
  if (!r.ok()) return;  // the measurement window stays at 1 x 1, as after a failed run
  ShowInterferometryFolder();
  main.SetHalfSize(kept);
}

void InterferometryCommands::AutocorrlationetSoustractionFond1Click() {
  CorrelationSeries([this](const fourier::SeriesInput& input) {
    return fourier::AutoCorrelationCommand(input, Output(), Enhanced());
  });
}

void InterferometryCommands::InterCorrlationetSoustractionFond1Click() {
  CorrelationSeries([](const fourier::SeriesInput& input) {
    return fourier::CrossCorrelationCommand(input, Output());
  });
}

void InterferometryCommands::PuissanceRfrence1Click() {
  const ReentryGuard running(m_running);
  if (!running.Entered()) return;
  const OutputFolder folder = Output();
  const bool enhanced = Enhanced();
  ShowResult(RunSeries([&](const fourier::SeriesInput& input) {
    return fourier::ReferencePowerSpectrum(input, folder, enhanced);
  }));
}

void InterferometryCommands::PuissanceDouble1Click() {
  const ReentryGuard running(m_running);
  if (!running.Entered()) return;
  const OutputFolder folder = Output();
  const bool enhanced = Enhanced();
  ShowResult(RunSeries([&](const fourier::SeriesInput& input) {
    return fourier::TargetPowerSpectrum(input, folder, enhanced);
  }));
}

void InterferometryCommands::DivisionetRetourSpatial1Click() {
  const ReentryGuard running(m_running);
  if (!running.Entered()) return;
  const FourierResult r = fourier::ResultCommand(Output(), m_workbench.pool);
  m_lastStatus = r.status;
  // A missing spectrum, or two of different sizes, is said plainly and nothing is written.
  ShowResult(r);
  if (r.ok()) ShowInterferometryFolder();
}

void InterferometryCommands::ShowInterferometryFolder() {
  TFormMain& main = Main();
  main.ShowInterList(true);
  QListWidget* list = main.InterList();
  const QSignalBlocker block(list);  // the first entry is selected, not opened
  list->clear();
  for (const std::string& name : fourier::InterferometryList(Folder())) list->addItem(Q(name));
  if (list->count() > 0) list->setCurrentRow(0);
  m_justLoadedRow = -1;
}

void InterferometryCommands::FileListBoxInterClick(int row) {
  const QListWidget* list = Main().InterList();
  if (row < 0 || row >= list->count()) return;
  Main().LoadAndShow(Q(Folder()) + list->item(row)->text());
}

void InterferometryCommands::ClosePair1Click() {
  const ReentryGuard running(m_running);
  if (!running.Entered()) return;
  TFormMain& main = Main();
  std::vector<int> positions;
  const fourier::SeriesInput input = TickedSeriesInput(main, positions);
  if (input.files.empty()) return;
  FrameSourceOptions source;
  source.fits = input.fits;
  speckle::SpeckleOptions options;
  options.pool = m_workbench.pool;
  // Thousands of frames: the counter and the list follow them, the picture does not.
  FrameShowingObserver observer(main, {.listRows = positions, .show = false, .honourStop = true});
  main.ShowStop(true);
  const Result<speckle::SpeckleResult> r =
      speckle::MeasureClosePair(input.files, source, options, observer);
  main.ShowStop(false);
  main.RefreshSelection();
  if (!r) {
    // STOP is the user's own doing: nothing to say.
    if (r.error().code != ErrorCode::SpeckleStopped) m_workbench.prompter.Error(Worded(r.error()));
    return;
  }
  ReportProblems(m_workbench.prompter, MainText("lstUnread"), observer.Problems());
  if (!m_closePair) m_closePair = std::make_unique<TfrmClosePair>(m_workbench);
  m_closePair->ShowResult(*r, main.SeriesName());
}

void InterferometryCommands::ChangeLangue() {
  if (m_closePair) m_closePair->ChangeLangue();
}

// ---- Menu "DEBUG" ----------------------------------------------------------------------------

void InterferometryCommands::SingleTransform(fourier::SingleTransform kind) {
  const ReentryGuard running(m_running);
  if (!running.Entered()) return;
  TFormMain& main = Main();
  if (!main.HasImage()) {
    m_workbench.prompter.Error(kSizeMessage);
    return;
  }
  // The transform works on a copy: the window's frame changes only by showing the result.
  OTrame work = main.CurrentFrame();
  const FourierResult r = fourier::SingleTransformCommand(work, kind, Output(), m_workbench.pool);
  m_lastStatus = r.status;
  ShowResult(r);
}

void InterferometryCommands::FFT1Click() {
  SingleTransform(fourier::SingleTransform::RealPart);
}

void InterferometryCommands::FFTdirecteargument1Click() {
  SingleTransform(fourier::SingleTransform::Modulus);
}

void InterferometryCommands::AutoCorrlation1Click() {
  SingleTransform(fourier::SingleTransform::AutoCorrelate);
}

void InterferometryCommands::InterCorrlation1Click() {
  SingleTransform(fourier::SingleTransform::CrossCorrelate);
}

void InterferometryCommands::SoustractionFond1Click() {
  const ReentryGuard running(m_running);
  if (!running.Entered()) return;
  TFormMain& main = Main();
  if (!main.HasImage()) return;
  const FourierResult r =
      fourier::BackgroundCommand(main.CurrentFrame(), Output(), m_workbench.pool);
  m_lastStatus = r.status;
  ShowResult(r);
  if (r.ok()) ShowInterferometryFolder();
}

void InterferometryCommands::DV01Click() {
  const ReentryGuard running(m_running);
  if (!running.Entered()) return;
  const OutputFolder folder = Output();
  const FourierResult r = RunSeries(
      [&](const fourier::SeriesInput& input) { return fourier::DvaCommand(input, folder); });
  if (!r.warnings.empty()) {
    // Images of another size than the first are left out: say which.
    QString text = MainText("lstDva");
    for (const Error& w : r.warnings) text += "\n" + Worded(w);
    m_workbench.prompter.Info(text);
  }
  if (!r.ok()) {
    const QString message = ResultMessage(r);
    if (!message.isEmpty()) m_workbench.prompter.Error(message);
    return;
  }
  if (!r.shown.empty()) Main().LoadAndShow(Q(r.shown));
  ShowInterferometryFolder();
}

}  // namespace orvek

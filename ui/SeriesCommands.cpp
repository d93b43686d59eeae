#include "ui/SeriesCommands.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <memory>

#include "core/Utils.h"
#include "series/Thumbnails.h"
#include "ui/CommandSupport.h"
#include "ui/Langue.h"
#include "ui/Prompter.h"
#include "ui/UdlgAlign.h"
#include "ui/UfrmCentroid.h"
#include "ui/UfrmMain.h"
#include "ui/UfrmVisu.h"
#include "ui/Workbench.h"
#include "wording/Wording.h"

namespace orvek {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// The window's text when frames were left out of the addition ("" when none was).
QString SkippedText(const AddResult& result) {
  QString text;
  if (!result.skipped.empty()) {
    text += QString::number(result.skipped.size()) +
            QString::fromUtf8(
                " image(s) d'une autre taille que la première n'ont pas été additionnées :");
    for (const std::string& s : result.skipped) text += "\r\n" + Q(FileNameOf(s));
  }
  if (!result.warnings.empty()) {
    if (!text.isEmpty()) text += "\r\n";
    text += WordedList(QString::number(result.warnings.size()) + " image(s) illisible(s) :",
                       result.warnings);
  }
  return text;
}

std::vector<std::string> PathsOf(const std::vector<SeriesItem>& items) {
  std::vector<std::string> paths;
  paths.reserve(items.size());
  for (const SeriesItem& item : items) paths.push_back(item.path);
  return paths;
}

}  // namespace

SeriesCommands::SeriesCommands(Workbench& workbench) : m_workbench(workbench) {
  TFormMain& main = *m_workbench.FormMain;
  main.InstallCommand(MainCommand::BestOfsn, [this] { BestOfsnClick(); });
  main.InstallCommand(MainCommand::BestOfMax1, [this] { BestOfMax1Click(); });
  main.InstallCommand(MainCommand::SlectionManuelle1, [this] { SlectionManuelle1Click(); });
  main.InstallCommand(MainCommand::Dcoupage1, [this] { Dcoupage1Click(); });
  main.InstallCommand(MainCommand::Retailler1, [this] { Retailler1Click(); });
  main.InstallCommand(MainCommand::Additioner1, [this] { Additioner1Click(); });
  main.InstallCommand(MainCommand::Compositageautomatique1,
                      [this] { Compositageautomatique1Click(); });
  main.InstallCommand(MainCommand::AdditionnerReductions1,
                      [this] { AdditionnerReductions1Click(); });
  main.InstallCommand(MainCommand::Button2, [this] { Button2Click(); });
  main.RefreshSelection();
}

// ---- Shared ---------------------------------------------------------------------------------

LoadContext SeriesCommands::CurrentLoadContext() const {
  TFormMain& main = *m_workbench.FormMain;
  LoadContext context;
  const OTrame* bias = main.BiasFrame();
  context.bias = bias != nullptr && !bias->Empty() ? bias : nullptr;
  context.fits = main.CurrentFitsOptions();
  context.measure = main.CurrentMeasureSettings();
  context.pool = m_workbench.pool;
  return context;
}

std::vector<SeriesItem> SeriesCommands::ListItems() const {
  TFormMain& main = *m_workbench.FormMain;
  const std::string folder = main.ListeFic().Dossier;
  std::vector<SeriesItem> items;
  items.reserve(static_cast<size_t>(main.ItemCount()));
  for (int i = 0; i < main.ItemCount(); ++i) {
    items.push_back(SeriesItem{folder + main.ItemText(i).toStdString(), main.IsTicked(i)});
  }
  return items;
}

void SeriesCommands::ShowCurrentFrame() {
  TFormMain& main = *m_workbench.FormMain;
  if (!main.CurrentFrame().FileName.empty()) {
    main.LoadAndShow(Q(main.CurrentFrame().FileName));
  } else if (!main.CurrentItemPath().isEmpty()) {
    main.LoadAndShow(main.CurrentItemPath());
  }
}

std::vector<std::string> SeriesCommands::TablePaths() const {
  std::vector<std::string> paths;
  const ReductionTable& table = m_workbench.formCentroid->Table();
  for (int r = 1; r <= table.DataRows(); ++r)
    paths.push_back(table.Cell(r, kColPath) + table.Cell(r, kColImage));
  return paths;
}

// ---- Best-of ---------------------------------------------------------------------------------

bool SeriesCommands::SortBestOf(BestOfMode mode) {
  TFormMain& main = *m_workbench.FormMain;
  const int count = main.ItemCount();
  if (count < 2) return false;
  const std::vector<SeriesItem> items = ListItems();
  QStringList names;
  for (int i = 0; i < count; ++i) names << main.ItemText(i);
  const std::string folder = main.ListeFic().Dossier;

  main.ShowStop(true);
  FrameShowingObserver observer(main, {.listRows = AllRows(count), .honourStop = true});
  const BestOfResult result = orvek::SortBestOf(items, mode, CurrentLoadContext(), observer);
  main.ShowStop(false);
  orvek::ReportProblems(m_workbench.prompter, MainText("lstUnread"), observer.Problems());

  // The list may have been refilled while the frames were scored (the window kept running):
  // the new order only applies to the list it was computed for.
  bool same = result.sorted && main.ItemCount() == count && main.ListeFic().Dossier == folder;
  for (int i = 0; same && i < count; ++i) same = main.ItemText(i) == names[i];
  if (!same) {
    main.RefreshSelection();
    return false;
  }
  QStringList sortedNames;
  QList<bool> ticks;
  for (int k = 0; k < count; ++k) {
    const int from = result.order[static_cast<size_t>(k)];
    sortedNames << names[from];
    ticks << main.IsTicked(from);  // the ticks as they are now, clicks during scoring included
  }
  main.SetItems(sortedNames, ticks);
  main.SelectItem(0);
  main.RefreshSelection();
  main.LoadAndShow(main.CurrentItemPath());
  return true;
}

void SeriesCommands::MakeThumbnails() {
  TFormMain& main = *m_workbench.FormMain;
  const int count = main.ItemCount();
  main.SelectItem(0);
  if (count == 0) return;
  const std::vector<SeriesItem> items = ListItems();
  FrameShowingObserver observer(main, {.listRows = AllRows(count)});
  // Each frame is on screen when its thumbnail is taken: the picture as displayed, without
  // the measurement outline.
  const FrameRenderer render = [&main](const LoadedFrame&) { return main.DisplayRendering(); };
  const ThumbnailsResult result =
      orvek::MakeThumbnails(items, CurrentLoadContext(), render, WorkingOutput("tempv"), observer);
  main.SelectItem(0);
  main.RefreshSelection();
  main.LoadAndShow(main.CurrentItemPath());
  if (!result.status) {
    m_workbench.prompter.Error(Worded(result.status));
    return;
  }
  orvek::ReportProblems(m_workbench.prompter, MainText("lstThumbs"), observer.Problems());
  m_workbench.frmVisu->ShowModal();
}

// ---- Alignment and addition ------------------------------------------------------------------

bool SeriesCommands::AlignList() {
  TFormMain& main = *m_workbench.FormMain;
  AlignSettings settings;
  if (const Status read = m_workbench.DlgAlign->ReadSettings(settings); !read) {
    m_workbench.prompter.Error(Worded(read));
    return false;
  }
  settings.subPixel = main.SubPixel();
  const std::vector<SeriesItem> items = ListItems();
  if (items.empty()) return false;

  const OutputFolder output = WorkingOutput("temp");
  FrameShowingObserver observer(
      main, {.listRows = AllRows(static_cast<int>(items.size())), .total = CountTicked(items)});
  const AlignResult result =
      orvek::AlignList(items, settings, CurrentLoadContext(), output, observer);
  if (!result.status) {
    main.RefreshSelection();
    m_workbench.prompter.Error(Worded(result.status));
    return false;
  }
  main.FillList(Q(output.dir + "*.*"));
  if (main.ItemCount() > 0) {
    main.SelectItem(0);
    main.LoadAndShow(main.CurrentItemPath());
  }
  orvek::ReportProblems(m_workbench.prompter, MainText("lstCrops"), observer.Problems());
  return true;
}

bool SeriesCommands::AlignTable(const std::vector<TableRowInput>& rows) {
  TFormMain& main = *m_workbench.FormMain;
  AlignSettings settings;
  if (const Status read = m_workbench.DlgAlign->ReadSettings(settings); !read) {
    m_workbench.prompter.Error(Worded(read));
    return false;
  }
  settings.subPixel = main.SubPixel();
  const OutputFolder output = WorkingOutput("temp");
  FrameShowingObserver observer(main, {.listRows = {}, .total = static_cast<int>(rows.size())});
  const AlignResult result =
      orvek::AlignTable(rows, settings, CurrentLoadContext(), output, observer);
  if (!result.status) {
    main.RefreshSelection();
    m_workbench.prompter.Error(Worded(result.status));
    return false;
  }
  main.FillList(Q(output.dir + "*.*"));
  if (main.ItemCount() > 0) {
    main.SelectItem(0);
    main.LoadAndShow(main.CurrentItemPath());
  }
  orvek::ReportProblems(m_workbench.prompter, MainText("lstCrops"), observer.Problems());
  return true;
}

bool SeriesCommands::AddList() {
  TFormMain& main = *m_workbench.FormMain;
  const int n = main.RefreshSelection();
  if (n == 0) return false;
  main.FirstTicked();
  const BusyCursor busy;
  const std::vector<SeriesItem> items = ListItems();
  AddOutput output;
  output.folder = WorkingOutput("tempc");
  // A composite that a row of the measurement table was measured on stays where the row
  // says it is: the new composite then takes another name.
  output.keep = TablePaths();
  FrameShowingObserver observer(main, {.listRows = {}, .total = n, .show = false});
  const AddResult result = orvek::AddList(items, CurrentLoadContext(), output, observer);
  main.RefreshSelection();
  if (!result.status) {
    QString message = Worded(result.status);
    if (!SkippedText(result).isEmpty()) message += "\r\n" + SkippedText(result);
    m_workbench.prompter.Error(message);
    return false;
  }
  main.LoadAndShow(Q(result.compositePath));
  main.ProcessPendingEvents();
  if (result.renamed) {
    const QString designed = Q(CompositeName(result.lastPosition, result.firstPath));
    m_workbench.prompter.Info(
        LangText("Series", "compositeKept").arg(designed, Q(FileNameOf(result.compositePath))));
  }
  // Frames that could not take part are named once the composite is on screen.
  if (!SkippedText(result).isEmpty()) m_workbench.prompter.Info(SkippedText(result));
  return true;
}

// ---- Commands ----------------------------------------------------------------------------------

void SeriesCommands::BestOfsnClick() {
  const ReentryGuard guard(m_running);
  if (guard.Entered()) SortBestOf(BestOfMode::SignalToNoise);
}

void SeriesCommands::BestOfMax1Click() {
  const ReentryGuard guard(m_running);
  if (guard.Entered()) SortBestOf(BestOfMode::Max);
}

void SeriesCommands::SlectionManuelle1Click() {
  const ReentryGuard guard(m_running);
  if (guard.Entered()) MakeThumbnails();
}

void SeriesCommands::Retailler1Click() {
  const ReentryGuard guard(m_running);
  if (!guard.Entered()) return;
  ShowCurrentFrame();
  if (m_workbench.DlgAlign->Execute()) AlignList();
}

void SeriesCommands::Dcoupage1Click() {
  const ReentryGuard guard(m_running);
  if (!guard.Entered()) return;
  TFormMain& main = *m_workbench.FormMain;
  // Fixed-centre cropping for this run only; the box is ticked again however the run ends.
  struct Retick {
    TFormMain& main;
    ~Retick() { main.SetSubPixel(true); }
  } retick{main};
  main.SetSubPixel(false);
  ShowCurrentFrame();
  if (m_workbench.DlgAlign->Execute()) AlignList();
}

void SeriesCommands::Additioner1Click() {
  const ReentryGuard guard(m_running);
  if (guard.Entered()) AddList();
}

void SeriesCommands::Compositageautomatique1Click() {
  const ReentryGuard guard(m_running);
  if (!guard.Entered()) return;
  ShowCurrentFrame();
  if (!m_workbench.DlgAlign->Execute()) return;
  if (!AlignList()) return;
  // A STOP during the sort leaves the crops in their order; the addition still runs.
  SortBestOf(BestOfMode::SignalToNoise);
  AddList();
}

void SeriesCommands::AdditionnerReductions1Click() {
  const ReentryGuard guard(m_running);
  if (!guard.Entered()) return;
  TFormMain& main = *m_workbench.FormMain;
  const ReductionTable& table = m_workbench.formCentroid->Table();
  if (table.DataRows() < 1) return;
  std::vector<TableRowInput> rows;
  if (const Status s = TableRowsFrom(table, rows); !s) {
    m_workbench.prompter.Error(Worded(s));
    return;
  }
  main.LoadAndShow(Q(rows.front().path));
  // The preview is centred on row 1's component A.
  rStarPos star = main.CurrentPoint();
  star.X = rows.front().xA;
  star.Y = rows.front().yA;
  main.SetCurrentPoint(star);
  if (!m_workbench.DlgAlign->Execute()) return;
  if (!AlignTable(rows)) return;
  AddList();
}

void SeriesCommands::Button2Click() {
  const ReentryGuard guard(m_running);
  if (!guard.Entered()) return;
  TFormMain& main = *m_workbench.FormMain;
  // From here on frames load without a bias, whatever the outcome.
  main.SetBiasFrame(nullptr);
  const QStringList files = m_workbench.prompter.OpenFiles(ImageOpenFilter(), true);
  if (!files.isEmpty()) {
    std::vector<std::string> paths;
    for (const QString& f : files) paths.push_back(f.toStdString());
    FrameShowingObserver observer(
        main, {.listRows = {}, .total = static_cast<int>(paths.size()), .show = false});
    BiasResult result =
        MakeBias(paths, main.CurrentFitsOptions(), WorkingOutput("temps"), "dark.orvc", observer);
    main.RefreshSelection();
    if (result.status) {
      main.SetBiasFrame(std::make_unique<OTrame>(std::move(result.bias)));
    } else if (result.status.error.code == ErrorCode::FrameSizesDiffer) {
      m_workbench.prompter.Info(QString::fromUtf8(kBiasSizeMessage));
    } else {
      m_workbench.prompter.Error(Worded(result.status));
    }
  }
  if (main.HasImage()) {
    main.ReloadCurrent();
    main.AutoThresholds();
  }
}

}  // namespace orvek

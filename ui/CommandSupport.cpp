#include "ui/CommandSupport.h"

#include <QApplication>
#include <QCursor>
#include <algorithm>

#include "core/IniFile.h"
#include "core/Utils.h"
#include "ui/Prompter.h"
#include "ui/UfrmMain.h"
#include "wording/Wording.h"

namespace orvek {

QString WordedList(const QString& heading, const std::vector<Error>& errors) {
  if (errors.empty()) return {};
  QString text = heading;
  for (const Error& e : errors) text += "\r\n" + Worded(e);
  return text;
}

QString ImageOpenFilter() {
  return QString::fromUtf8(
      "Fichiers Image (*.bmp;*.fit;*.fits;*.fts)|*.bmp;*.fit;*.fits;*.fts;*.orv*");
}

BusyCursor::BusyCursor() {
  QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  // The display server sees the new pointer only when the window's requests are sent, which
  // the work that follows would hold back until it ends: they are sent now (no user input is
  // taken meanwhile).
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void BusyCursor::Restore() {
  if (m_on) QApplication::restoreOverrideCursor();
  m_on = false;
}

FrameShowingObserver::FrameShowingObserver(TFormMain& main, Options options)
    : m_main(main), m_options(std::move(options)) {
  m_clock.start();
}

bool FrameShowingObserver::FrameLoaded(int index, int count, const OTrame& frame) {
  ++m_done;
  if (index >= 0 && index < static_cast<int>(m_options.listRows.size())) {
    m_main.SelectItem(m_options.listRows[static_cast<size_t>(index)]);
  }
  if (m_options.show) m_main.ShowFrame(frame);
  if (m_options.showCount) {
    m_main.ShowProgress(
        QString("%1/%2").arg(m_done).arg(m_options.total > 0 ? m_options.total : count));
  }
  m_main.ProcessPendingEvents();
  m_clock.restart();
  return !(m_options.honourStop && m_main.StopFlag());
}

bool FrameShowingObserver::Progress(int done, int total) {
  // Long work without frames (the median of the dark frames): the window stays responsive
  // without spending the time repainting.
  if (m_clock.elapsed() >= 40 || done == total) {
    m_main.ShowProgress(QString("%1 %").arg(total > 0 ? done * 100 / total : 100));
    m_main.ProcessPendingEvents();
    m_clock.restart();
  }
  return true;
}

std::vector<int> AllRows(int count) {
  std::vector<int> rows(static_cast<size_t>(std::max(count, 0)));
  for (int i = 0; i < count; ++i) rows[static_cast<size_t>(i)] = i;
  return rows;
}

void ReportProblems(Prompter& prompter, const QString& heading,
                    const std::vector<std::string>& texts) {
  if (texts.empty()) return;
  QString message = heading;
  for (const std::string& t : texts) message += "\n" + QString::fromStdString(t);
  prompter.Error(message);
}

fourier::SeriesInput TickedSeriesInput(TFormMain& main, std::vector<int>& positions) {
  fourier::SeriesInput input;
  const QString folder = QString::fromStdString(main.ListeFic().Dossier);
  positions.clear();
  for (int i = 0; i < main.ItemCount(); ++i) {
    if (!main.IsTicked(i)) continue;
    input.files.push_back((folder + main.ItemText(i)).toStdString());
    positions.push_back(i);
  }
  input.bias = main.BiasFrame();
  input.fits = main.CurrentFitsOptions();
  return input;
}

}  // namespace orvek

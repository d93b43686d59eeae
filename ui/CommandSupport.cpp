#include "ui/CommandSupport.h"

#include <QApplication>
#include <QCursor>

#include "core/IniFile.h"
#include "core/Utils.h"
#include "ui/UfrmMain.h"
#include "wording/Wording.h"

namespace orvek {

QString Worded(const Error& error) {
  const IniFile settings(SettingsPath());
  return QString::fromStdString(Describe(error, settings, InterfaceLanguage(settings)));
}

QString Worded(const Status& status) {
  const IniFile settings(SettingsPath());
  return QString::fromStdString(Describe(status, settings, InterfaceLanguage(settings)));
}

QString WordedList(const QString& heading, const std::vector<Error>& errors) {
  if (errors.empty()) return {};
  QString text = heading;
  for (const Error& e : errors) text += "\r\n" + Worded(e);
  return text;
}

BusyCursor::BusyCursor() {
  QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void BusyCursor::Restore() {
  if (m_on) QApplication::restoreOverrideCursor();
  m_on = false;
}

bool TickedItemsObserver::FrameLoaded(int index, int count, const OTrame&) {
  if (index >= 0 && index < static_cast<int>(m_positions.size())) {
    m_main.SelectItem(m_positions[static_cast<size_t>(index)]);
    m_main.LoadAndShow(QString::fromStdString(m_files[static_cast<size_t>(index)]));
  }
  if (m_options.showCount) m_main.ShowProgress(QString("%1/%2").arg(index + 1).arg(count));
  m_main.ProcessPendingEvents();
  return !(m_options.honourStop && m_main.StopFlag());
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

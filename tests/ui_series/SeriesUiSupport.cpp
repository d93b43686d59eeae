#include "SeriesUiSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>

#include "core/Utils.h"
#include "ui/SeriesCommands.h"
#include "ui/UdlgAlign.h"
#include "ui/UfrmVisu.h"

namespace orvek::test {

OTrame PlusStar(int width, int height, int x, int y, double peak, double background) {
  OTrame f = MakeFrame(width, height, background);
  const Extended b = background;
  f.Px(x, y) = b + peak;
  for (auto [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}})
    f.Px(x + dx, y + dy) = b + peak / 2;
  for (auto [dx, dy] : {std::pair{-1, -1}, {1, -1}, {-1, 1}, {1, 1}}) {
    f.Px(x + dx, y + dy) = b + peak / 4;
  }
  return f;
}

ModalDriver::ModalDriver(QWidget* window, std::function<void()> action)
    : m_timer(std::make_unique<QTimer>()), m_ran(std::make_shared<bool>(false)) {
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  QTimer* timer = m_timer.get();
  QObject::connect(timer, &QTimer::timeout, [timer, window, action, clock, ran = m_ran] {
    if (window->isVisible()) {
      timer->stop();
      *ran = true;
      action();
      return;
    }
    if (clock->elapsed() > 10000) {
      timer->stop();
      ADD_FAILURE() << "the window " << window->objectName().toStdString() << " never opened";
    }
  });
  timer->start(5);
}

ModalDriver::~ModalDriver() {
  m_timer->stop();
}

SeriesCommands& SeriesUiTest::Series() {
  return *Wb().seriesCommands;
}

TDlgAlign& SeriesUiTest::Dialog() {
  return *Wb().DlgAlign;
}

TfrmVisu& SeriesUiTest::Visu() {
  return *Wb().frmVisu;
}

std::string SeriesUiTest::WriteData(const std::string& name, const OTrame& frame) {
  WriteFits(frame, Data(name));
  return Data(name);
}

void SeriesUiTest::ListData(const std::string& pattern) {
  Main().FillList(QString::fromStdString(m_data->Path() + pattern));
  if (Main().ItemCount() > 0) Main().LoadAndShow(Main().CurrentItemPath());
}

std::string SeriesUiTest::Work(const std::string& name) const {
  return WorkFolder(name);
}

QStringList SeriesUiTest::Names() {
  QStringList names;
  for (int i = 0; i < Main().ItemCount(); ++i) names << Main().ItemText(i);
  return names;
}

std::vector<bool> SeriesUiTest::Ticks() {
  std::vector<bool> ticks;
  for (int i = 0; i < Main().ItemCount(); ++i) ticks.push_back(Main().IsTicked(i));
  return ticks;
}

QString SeriesUiTest::Counter() {
  return Main().findChild<QLineEdit*>("Auto_Nb")->text();
}

}  // namespace orvek::test

#include "UiFixture.h"

#include <clocale>

#include <QLocale>
#include <QPushButton>
#include <QTest>

#include "ui/Resources.h"

namespace orvek::test {

DialogAnswer::DialogAnswer(QWidget* dialog, QString button)
    : m_dialog(dialog), m_button(std::move(button)) {
  m_timer.setInterval(5);
  connect(&m_timer, &QTimer::timeout, this, [this] {
    if (!m_dialog->isVisible()) return;
    m_timer.stop();
    shown = true;
    if (m_button == "close") {
      m_dialog->close();
    } else if (m_button == "escape") {
      QTest::keyClick(m_dialog, Qt::Key_Escape);
    } else if (auto* b = m_dialog->findChild<QPushButton*>(m_button)) {
      b->click();
    } else {
      ADD_FAILURE() << "no button " << m_button.toStdString();
      m_dialog->close();
    }
  });
  m_timer.start();
}

QApplication& App() {
  static int argc = 1;
  static char name[] = "orvek_ui_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    auto* a = new QApplication(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
    QApplication::setApplicationName("ORVEK");
    return a;
  }();
  return *app;
}

OTrame StarFrame() {
  OTrame f = MakeFrame(21, 21, 100);
  f.Px(10, 10) = 1000;
  for (auto [x, y] : {std::pair{9, 10}, {11, 10}, {10, 9}, {10, 11}}) f.Px(x, y) = 500;
  for (auto [x, y] : {std::pair{9, 9}, {11, 9}, {9, 11}, {11, 11}}) f.Px(x, y) = 300;
  return f;
}

void WriteFits(const OTrame& frame, const std::string& path) {
  const Status s = frame.SaveFits(path, 2, 0, 0);
  ASSERT_TRUE(s.ok) << s.message;
}

void UiTest::SetUp() {
  App();
  m_home = std::make_unique<TempHome>();
  m_data = std::make_unique<TempDir>();
  const QStringList installed = InstallResources(QHome());
  ASSERT_TRUE(installed.contains("orvek.ini"));
  m_wb = CreateWorkbench(m_prompter, m_opener, &m_pool);
  Main().show();
  QApplication::processEvents();
}

void UiTest::TearDown() {
  m_wb.reset();
  m_data.reset();
  m_home.reset();
}

}  // namespace orvek::test

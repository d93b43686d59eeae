#include "ReductionUiSupport.h"

#include <QtTest/QTest>

#include "core/Rounding.h"

namespace orvek::test {

rStarPos Star(Extended x, Extended y, Extended value, int32_t count) {
  rStarPos p;
  p.X = x;
  p.Y = y;
  p.Value = value;
  p.Count = count;
  return p;
}

void ReductionUiTest::SetUp() {
  UiTest::SetUp();
  m_prompter.ClearCalls();
}

void ReductionUiTest::LoadFrame(const std::string& name) {
  OTrame f = MakeFrame(100, 80, 100);
  f.Px(50, 40) = 1000;
  WriteFits(f, Data(name));
  ASSERT_TRUE(Main().LoadAndShow(QData(name)));
}

void ReductionUiTest::RightClick(const rStarPos& p) {
  Main().SetCurrentPoint(p);
  Main().ImageClick(Qt::RightButton, Nearest32(p.X), Nearest32(p.Y));
}

void ReductionUiTest::EnterPair(const rStarPos& a, const rStarPos& b) {
  RightClick(a);
  RightClick(b);
}

QLineEdit* ReductionUiTest::OpenEditor(QWidget* viewport) {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  for (QLineEdit* e : viewport->findChildren<QLineEdit*>()) {
    if (e->isVisible()) return e;
  }
  return nullptr;
}

void ReductionUiTest::Type(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  QTest::keyClicks(edit, text);
}

}  // namespace orvek::test

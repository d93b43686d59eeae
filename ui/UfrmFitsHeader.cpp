#include "ui/UfrmFitsHeader.h"

#include <QFontDatabase>
#include <QVBoxLayout>

namespace orvek {

TfrmFitsHeader::TfrmFitsHeader(Workbench&) {
  setObjectName("TfrmFitsHeader");
  setWindowTitle("FITS Header");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  m_memo1 = new QPlainTextEdit(this);
  m_memo1->setObjectName("Memo1");
  m_memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  m_memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  layout->addWidget(m_memo1);
  resize(720, 480);
}

void TfrmFitsHeader::SetHeaderText(const QString& text) {
  QString lines = text;
  lines.replace("\r\n", "\n");
  if (lines.endsWith('\n')) lines.chop(1);
  m_memo1->setPlainText(lines);
}

}  // namespace orvek

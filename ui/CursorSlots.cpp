#include "ui/CursorSlots.h"

#include <QPainter>

#include "ui/CursorFile.h"

namespace orvek {

namespace {

// A picture of the system cross for its menu item.
QPixmap CrossPicture() {
  QPixmap pix(32, 32);
  pix.fill(Qt::transparent);
  QPainter p(&pix);
  p.setPen(QPen(Qt::black, 1));
  p.drawLine(16, 4, 16, 28);
  p.drawLine(4, 16, 28, 16);
  return pix;
}

}  // namespace

QString CursorSlots::SourceName(int slot) {
  if (slot == 0) return "cross";
  if (slot <= 3) return QString("MONCU%1").arg(slot);
  if (slot <= 7) return QString("red%1.cur").arg(slot - 4);
  return QString("blu%1.cur").arg(slot - 8);
}

void CursorSlots::Load(const QString& folder) {
  m_cursors[0] = QCursor(Qt::CrossCursor);
  m_pictures[0] = CrossPicture();
  for (int slot = 1; slot <= 3; ++slot) {
    QPixmap pix(QString(":/cursors/MONCU%1.png").arg(slot));
    if (pix.isNull()) {
      m_cursors[slot].reset();
      m_pictures[slot] = QPixmap();
      continue;
    }
    m_cursors[slot] = QCursor(pix, pix.width() / 2, pix.height() / 2);
    m_pictures[slot] = pix;
  }
  for (int slot = 4; slot < kCount; ++slot) {
    CursorPicture picture;
    if (ReadCursorFile(folder + SourceName(slot), picture)) {
      const QPixmap pix = QPixmap::fromImage(picture.image);
      m_cursors[slot] = QCursor(pix, picture.hotSpot.x(), picture.hotSpot.y());
      m_pictures[slot] = pix;
    } else {
      m_cursors[slot].reset();
      m_pictures[slot] = QPixmap();
    }
  }
}

}  // namespace orvek

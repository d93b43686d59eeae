#include "ui/CursorFile.h"

#include <QFile>

#include "core/CursorFormat.h"
#include "wording/Wording.h"

namespace orvek {

namespace {

bool Fail(QString* error, const QString& text) {
  if (error != nullptr) *error = text;
  return false;
}

}  // namespace

bool DecodeCursorFile(const QByteArray& bytes, CursorPicture& out, QString* error) {
  // The parsing is the library's; only the picture is made here.
  const Result<CursorImage> parsed = ParseCursor(
      reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()), "");
  if (!parsed) return Fail(error, QString::fromStdString(Describe(Status::Fail(parsed.error()))));
  const CursorImage& cursor = *parsed;
  if (!cursor.png.empty()) {
    QImage png;
    if (!png.loadFromData(cursor.png.data(), static_cast<int>(cursor.png.size()), "PNG"))
      return Fail(error, "the embedded PNG of the cursor cannot be decoded");
    out.image = png.convertToFormat(QImage::Format_ARGB32);
    out.hotSpot = QPoint(cursor.hotX, cursor.hotY);
    return true;
  }
  QImage image(cursor.width, cursor.height, QImage::Format_ARGB32);
  for (int y = 0; y < cursor.height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < cursor.width; ++x)
      line[x] = cursor.argb[static_cast<size_t>(y) * cursor.width + x];
  }
  out.image = image;
  out.hotSpot = QPoint(cursor.hotX, cursor.hotY);
  return true;
}

bool ReadCursorFile(const QString& path, CursorPicture& out, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return Fail(error, path + ": cannot be opened");
  if (file.size() > (1 << 22)) return Fail(error, path + ": too large for a cursor");
  const QByteArray bytes = file.readAll();
  QString why;
  if (!DecodeCursorFile(bytes, out, &why)) return Fail(error, path + ": " + why);
  return true;
}

}  // namespace orvek

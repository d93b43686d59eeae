#pragma once
// Cursor files (".cur") as Qt pictures: the library's ParseCursor (core/CursorFormat.h) reads
// the file, this makes the picture.

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QString>

namespace orvek {

struct CursorPicture {
  QImage image;    ///< ARGB32, transparent where the cursor shows the screen
  QPoint hotSpot;  ///< the pixel that points
};

/// Decodes the first image of a cursor (or icon) file: a BMP image of 1, 4, 8, 24 or 32 bits
/// per pixel with its AND mask, or an embedded PNG. Returns false with a message naming
/// the problem when the bytes are not such a file.
bool DecodeCursorFile(const QByteArray& bytes, CursorPicture& out, QString* error = nullptr);

/// Reads and decodes a cursor file from disk.
bool ReadCursorFile(const QString& path, CursorPicture& out, QString* error = nullptr);

}  // namespace orvek

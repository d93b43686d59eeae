// Cursor files: the shipped ones, hand-made variants and broken files; the pointer pointers.

#include <QFile>
#include <QtTest/QTest>

#include "UiFixture.h"
#include "ui/Controls.h"
#include "ui/CursorFile.h"
#include "ui/CursorSlots.h"

namespace orvek::test {
namespace {

void Put16(QByteArray& b, int at, int v) {
  b[at] = char(v & 0xFF);
  b[at + 1] = char((v >> 8) & 0xFF);
}
void Put32(QByteArray& b, int at, int v) {
  for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
}

// A 4 x 2 cursor, 24 bits per pixel, hot spot (3, 1): top row red, bottom row blue; the AND
// mask makes the top-left pixel transparent.
QByteArray SmallCursor() {
  const int w = 4, h = 2;
  const int colourStride = 12;  // 4 x 3 bytes, already a multiple of 4
  const int maskStride = 4;
  const int imageSize = 40 + colourStride * h + maskStride * h;
  QByteArray b(6 + 16 + imageSize, '\0');
  Put16(b, 2, 2);
  Put16(b, 4, 1);
  b[6] = char(w);
  b[7] = char(h);
  Put16(b, 10, 3);
  Put16(b, 12, 1);
  Put32(b, 14, imageSize);
  Put32(b, 18, 22);
  Put32(b, 22, 40);
  Put32(b, 26, w);
  Put32(b, 30, 2 * h);
  Put16(b, 34, 1);
  Put16(b, 36, 24);
  const int colour = 22 + 40;
  for (int x = 0; x < w; ++x) {
    b[colour + 3 * x] = char(0xFF);                     // bottom row (stored first): blue
    b[colour + colourStride + 3 * x + 2] = char(0xFF);  // top row: red
  }
  const int mask = colour + colourStride * h;
  b[mask + maskStride] = char(0x80);  // top row, first pixel transparent
  return b;
}

TEST(CursorFile, ShippedCursorDecodesWithItsHotSpot) {
  QFile f(QString::fromStdString(SourceDir()) + "resources/red0.cur");
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  CursorPicture picture;
  QString error;
  ASSERT_TRUE(DecodeCursorFile(f.readAll(), picture, &error)) << error.toStdString();
  EXPECT_EQ(picture.image.size(), QSize(32, 32));
  EXPECT_EQ(picture.hotSpot, QPoint(16, 16));
  // The thin cross passes through the hot spot; the corner is transparent.
  EXPECT_EQ(qAlpha(picture.image.pixel(16, 16)), 255);
  EXPECT_EQ(qAlpha(picture.image.pixel(0, 0)), 0);
}

TEST(CursorFile, TwentyFourBitCursorUsesItsMask) {
  CursorPicture picture;
  ASSERT_TRUE(DecodeCursorFile(SmallCursor(), picture));
  ASSERT_EQ(picture.image.size(), QSize(4, 2));
  EXPECT_EQ(picture.hotSpot, QPoint(3, 1));
  EXPECT_EQ(qAlpha(picture.image.pixel(0, 0)), 0);
  EXPECT_EQ(picture.image.pixel(1, 0), qRgba(255, 0, 0, 255));
  EXPECT_EQ(picture.image.pixel(2, 1), qRgba(0, 0, 255, 255));
}

TEST(CursorFile, BrokenFilesAreRefusedAtEveryCut) {
  const QByteArray good = SmallCursor();
  CursorPicture picture;
  for (int n = 0; n < good.size(); ++n) {
    EXPECT_FALSE(DecodeCursorFile(good.left(n), picture)) << "cut at " << n;
  }
  QByteArray wrongType = good;
  Put16(wrongType, 2, 7);
  QString error;
  EXPECT_FALSE(DecodeCursorFile(wrongType, picture, &error));
  EXPECT_FALSE(error.isEmpty());
  QByteArray hugeOffset = good;
  Put32(hugeOffset, 18, 0x7FFFFFF0);
  EXPECT_FALSE(DecodeCursorFile(hugeOffset, picture));
  QByteArray hugeSize = good;
  Put32(hugeSize, 26, 100000);
  EXPECT_FALSE(DecodeCursorFile(hugeSize, picture));
  QByteArray compressed = good;
  Put32(compressed, 22 + 16, 1);
  EXPECT_FALSE(DecodeCursorFile(compressed, picture));
}

TEST_F(UiTest, CursorSlotsComeFromResourcesAndFiles) {
  QFile::remove(QHome() + "blu3.cur");
  CursorSlots pointers;
  pointers.Load(QHome());
  for (int slot = 0; slot < 11; ++slot) {
    EXPECT_TRUE(pointers.Cursor(slot).has_value()) << slot;
    EXPECT_FALSE(pointers.Picture(slot).isNull()) << slot;
  }
  EXPECT_FALSE(pointers.Cursor(11).has_value());  // blu3.cur is missing
  // The image shows the chosen pointer; an empty slot gives the arrow.
  Main().Action("cur2")->trigger();
  EXPECT_EQ(Main().CursorSlot(), 6);
  EXPECT_EQ(Main().Image1()->cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(Main().Image1()->cursor().hotSpot(), QPoint(16, 16));
  Main().Action("cu0")->trigger();
  EXPECT_EQ(Main().Image1()->cursor().shape(), Qt::CrossCursor);
}

TEST_F(UiTest, MissingCursorFileLeavesTheArrow) {
  m_wb.reset();
  QFile::remove(QHome() + "blu3.cur");
  m_wb = CreateWorkbench(m_prompter, m_opener);
  Main().Action("cub3")->trigger();
  EXPECT_EQ(Main().Image1()->cursor().shape(), Qt::ArrowCursor);
}

}  // namespace
}  // namespace orvek::test

// TFormMain: measuring the stars of the pair on the image shown, the outline, the
// magnifier, the profiles, the captured positions of A and B and the interferometric fast
// measurement.

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>

#include "core/Rounding.h"
#include "ui/Controls.h"
#include "ui/Prompter.h"
#include "ui/UfrmCentroid.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"

namespace orvek {

namespace {

QString IntText(Extended v) {
  return QString::fromStdString(FormatInt(Trunc(v)));
}

QImage ToImage(const Raster& raster) {
  if (raster.Empty()) return QImage();
  const QImage view(raster.bgr.data(), raster.width, raster.height, raster.width * 3,
                    QImage::Format_BGR888);
  return view.convertToFormat(QImage::Format_RGB32);
}

int Round(double v) {
  return Nearest32(static_cast<Extended>(v));
}

}  // namespace

MeasureSettings TFormMain::CurrentMeasureSettings() const {
  MeasureSettings s;
  s.half = m_HScroll1->value();
  s.automatic = m_CadrageGroup->checkedId() == 1;
  const int method = m_MethodGroup->checkedId();
  s.method = method == 0   ? ThresholdMethod::None
             : method == 2 ? ThresholdMethod::Background
                           : ThresholdMethod::HalfHeight;
  s.connected = m_CtlAdj->isChecked();
  s.manualThreshold = m_manualThreshold;
  s.manualThresholdValue = m_lastThreshold;
  return s;
}

int TFormMain::HalfSize() const {
  return m_HScroll1->value();
}

void TFormMain::SetHalfSize(int half) {
  m_HScroll1->setValue(std::clamp(half, 1, 30));
}

bool TFormMain::FastMeasurement() const {
  return Action("InterferometryFastmeasurement1")->isChecked();
}

bool TFormMain::IsCentredSpectrum() const {
  return orvek::IsCentredSpectrum(*m_frame);
}

void TFormMain::MeasureAt(const rStarPos& point) {
  if (!HasImage()) return;
  Raster region;
  const MeasurePass pass =
      orvek::MeasureAt(*m_frame, m_mat, point, CurrentMeasureSettings(), &region);
  ShowMeasurement(pass, region);
  if (m_workbench.formCentroid) m_workbench.formCentroid->RefreshZoomCent();
}

void TFormMain::ShowMeasurement(const MeasurePass& pass, const Raster& region) {
  // The outline stands round the previous point (none yet on a new image): it moves to the
  // new one, so that exactly one outline shows.
  if (m_noPoint) {
    m_noPoint = false;
  } else if (m_outlineValid) {
    XorOutline(m_outline);
  }
  m_currentPoint = pass.point;
  m_Label2->setText("Max :" + IntText(m_mat.Peak.Value) + "\n" + "Moy :" + IntText(pass.mean) +
                    "\n" + "Min : " + IntText(m_mat.Min) + "\n" +
                    "Seuil :" + IntText(pass.threshold));
  if (pass.pictureValid) {
    m_Image4->SetPicture(
        ToImage(region).scaled(m_Image4->size(), Qt::IgnoreAspectRatio, Qt::FastTransformation),
        false);
  }
  m_lastThreshold = pass.threshold;
  DrawProfiles();
  DrawWindowFrame(false);
  m_livePixel = QPoint(-1, -1);
}

void TFormMain::XorOutline(const QRect& c) {
  // c holds the corners: left = c.left(), top = c.top(), right = c.right(), bottom = c.bottom().
  QImage& picture = m_Image1->Picture();
  if (picture.isNull()) return;
  QPainter p(&picture);
  p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  const QColor green(0, 128, 0);
  const int l = c.left(), t = c.top(), r = c.right(), b = c.bottom();
  // Four edges that do not overlap, so that every pixel of the outline flips once.
  p.fillRect(QRect(l, t, r - l + 1, 1), green);
  if (b != t) p.fillRect(QRect(l, b, r - l + 1, 1), green);
  if (b - t - 1 > 0) {
    p.fillRect(QRect(l, t + 1, 1, b - t - 1), green);
    if (r != l) p.fillRect(QRect(r, t + 1, 1, b - t - 1), green);
  }
}

void TFormMain::DrawWindowFrame(bool eraseFirst) {
  if (eraseFirst && m_outlineValid) XorOutline(m_outline);
  const Extended p = m_HScroll1->value();
  const int left = Nearest32(m_currentPoint.X - p), top = Nearest32(m_currentPoint.Y - p);
  const int right = Nearest32(m_currentPoint.X + p), bottom = Nearest32(m_currentPoint.Y + p);
  m_outline = QRect(QPoint(left, top), QPoint(right, bottom));
  m_outlineValid = true;
  XorOutline(m_outline);
  m_Image1->update();
  ShowMagnifier(Nearest32(m_currentPoint.X), Nearest32(m_currentPoint.Y));
}

void TFormMain::ShowMagnifier(int x, int y) {
  const QSize size = m_Image3->size();
  QImage zoom(size, QImage::Format_RGB32);
  zoom.fill(Qt::black);
  {
    QPainter p(&zoom);
    p.drawImage(QRect(QPoint(0, 0), size), m_Image1->Picture(), QRect(x - 15, y - 15, 30, 30));
  }
  if (m_CheckBox1->isChecked()) zoom.invertPixels();
  {
    QPainter p(&zoom);
    const int w = size.width(), h = size.height();
    p.setPen(QColor(0, 0, 255));
    p.drawLine(0, h / 2 + 1, w - 1, h / 2 + 1);
    p.setPen(QColor(255, 0, 0));
    p.drawLine(w / 2 + 1, 0, w / 2 + 1, h - 1);
  }
  m_Image3->SetPicture(zoom, false);
}

void TFormMain::DrawProfiles() {
  const int cx = Nearest32(m_currentPoint.X), cy = Nearest32(m_currentPoint.Y);
  const Extended min = m_mat.Min, max = m_mat.Peak.Value;
  const int w = m_Image2->width(), h = m_Image2->height();
  m_Image2->show();
  QImage picture(w, h, QImage::Format_RGB32);
  picture.fill(QColor(255, 255, 0));
  m_profileScaleX = w / 25.0;
  m_profileScaleY = static_cast<double>(h / (max + 1 - min));
  m_profileMin = min;
  const double hs = m_profileScaleX, vs = m_profileScaleY;
  auto row = [&](Extended v) { return Round(h - static_cast<double>(v - min) * vs); };
  QPainter p(&picture);
  QPolygon line;
  for (int col = cx - 12; col <= cx + 12; ++col) {
    line << QPoint(Round((col - (cx - 12)) * hs), row(m_frame->GetPixel(col, cy)));
  }
  p.setPen(QPen(QColor(0, 0, 255), 0, Qt::SolidLine));
  p.drawPolyline(line);
  p.setPen(QPen(Qt::black, 0, Qt::DotLine));
  const int threshold = row(m_lastThreshold);
  p.drawLine(0, threshold, w, threshold);
  const int half = m_HScroll1->value();
  const int e1 = Round((-half + 12) * hs), e2 = Round((half + 12) * hs);
  p.drawLine(e1, 0, e1, h);
  p.drawLine(e2, 0, e2, h);
  line.clear();
  for (int r = cy - 12; r <= cy + 12; ++r) {
    line << QPoint(Round((r - (cy - 12)) * hs), row(m_frame->GetPixel(cx, r)));
  }
  p.setPen(QPen(QColor(255, 0, 0), 0, Qt::SolidLine));
  p.drawPolyline(line);
  p.end();
  m_Image2->SetPicture(picture, false);
}

void TFormMain::DrawCross(int x, int y, bool withSquare, bool keepPen, int halfSize) {
  QImage& picture = m_Image1->Picture();
  if (picture.isNull()) return;
  if (!keepPen) SetCrossPen(QPen(QColor(255, 0, 0), 0, Qt::DotLine), true);
  const int s = halfSize;
  QPainter p(&picture);
  p.setCompositionMode(m_crossXor ? QPainter::RasterOp_SourceXorDestination
                                  : QPainter::CompositionMode_SourceOver);
  p.setPen(m_crossPen);
  p.drawLine(x - s, y, x + s, y);
  p.drawLine(x, y - s, x, y + s);
  if (withSquare) {
    const QPoint square[] = {
        {x - s, y - s}, {x + s, y - s}, {x + s, y + s}, {x - s, y + s}, {x - s, y - s}};
    p.drawPolyline(square, 5);
  }
  p.end();
  m_Image1->update();
}

void TFormMain::SetCrossPen(const QPen& pen, bool exclusiveOr) {
  m_crossPen = pen;
  m_crossXor = exclusiveOr;
}

void TFormMain::ImageClick(Qt::MouseButton button, int x, int y) {
  if (button == Qt::LeftButton || button == Qt::MiddleButton) {
    MeasureAt(Point(x, y));
    return;
  }
  if (button != Qt::RightButton) return;
  TformCentroid* table = m_workbench.formCentroid.get();
  if (table == nullptr) return;
  if (!FastMeasurement()) {
    table->ShowTable();
    table->SaveCentroid();
    RefreshGuidance();
    return;
  }
  if (!IsCentredSpectrum()) {
    m_workbench.prompter.Error(QString::fromUtf8(
        "Interferometric Fast Measurement inutilisable, le pic n'est pas centré"));
    return;
  }
  table->ShowTable();
  // A is the centre of the autocorrelation, B the peak measured last.
  const Extended keptX = m_currentPoint.X, keptY = m_currentPoint.Y;
  m_currentPoint.X = static_cast<Extended>(m_frame->Width()) / 2;
  m_currentPoint.Y = static_cast<Extended>(m_frame->Height()) / 2;
  table->SaveCentroid(PairKind::Correlation);
  m_currentPoint.X = keptX;
  m_currentPoint.Y = keptY;
  table->SaveCentroid(PairKind::Correlation);
  RefreshGuidance();
}

void TFormMain::SetCapturedA(Extended x, Extended y) {
  m_capturedA.X = x;
  m_capturedA.Y = y;
  m_capturedAFrame = QSize(m_frame->Width(), m_frame->Height());
  RefreshGuidance();
}

void TFormMain::SetCapturedB(Extended x, Extended y) {
  m_capturedB.X = x;
  m_capturedB.Y = y;
  m_capturedBFrame = QSize(m_frame->Width(), m_frame->Height());
  RefreshGuidance();
}

void TFormMain::SetAutoOrvekAllowed(bool allowed) {
  SetAllowed(m_AutoOrvek, allowed);
}

void TFormMain::Capture_AClick() {
  m_sizeA = m_HScroll1->value();
  SetCapturedA(m_currentPoint.X, m_currentPoint.Y);
  DrawCross(Nearest32(m_currentPoint.X), Nearest32(m_currentPoint.Y), false, false, 15);
}

void TFormMain::Capture_BClick() {
  m_sizeB = m_HScroll1->value();
  SetCapturedB(m_currentPoint.X, m_currentPoint.Y);
  DrawCross(Nearest32(m_currentPoint.X), Nearest32(m_currentPoint.Y), false, false, 10);
}

void TFormMain::ProfileDrag(int y) {
  const int h = m_Image2->height();
  const int row = std::clamp(y, 0, h - 1);
  m_lastThreshold = m_profileMin - 1 + static_cast<Extended>(h - row) / m_profileScaleY;
  m_manualThreshold = true;
  MeasureAt(m_currentPoint);
  m_manualThreshold = false;
}

}  // namespace orvek

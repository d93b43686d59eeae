// TFormMain: loading and showing an image, the display thresholds and their popup menu,
// the mouse read-out, Open and the save commands.

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QSlider>

#include "core/BmpWriter.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "ui/CommandSupport.h"
#include "ui/Controls.h"
#include "ui/ImageZoom.h"
#include "ui/Prompter.h"
#include "ui/UfrmFitsHeader.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"
#include "wording/Wording.h"

namespace orvek {

namespace {

const QString kSaveFilter = "Fichiers Image|*.bmp;*.fit;*.fits;*.orv*";

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}
std::string S(const QString& s) {
  return s.toStdString();
}

// The extension of a file name from its last dot, dot included ("" when none).
QString ExtensionOf(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  const int dot = name.lastIndexOf('.');
  return dot < 0 ? QString() : name.mid(dot);
}

QImage ToImage(const Raster& raster) {
  if (raster.Empty()) return QImage();
  const QImage view(raster.bgr.data(), raster.width, raster.height, raster.width * 3,
                    QImage::Format_BGR888);
  return view.convertToFormat(QImage::Format_RGB32);
}

Raster ToRaster(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  Raster r(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x) {
      r.Set(x, y, uint8_t(qRed(line[x])), uint8_t(qGreen(line[x])), uint8_t(qBlue(line[x])));
    }
  }
  return r;
}

}  // namespace

// ---- Caption --------------------------------------------------------------------------------

void TFormMain::RefreshCaption() {
  setWindowTitle(m_captionFile + "  [" + m_captionFolder + "]");
}

void TFormMain::SetCaptionFile(const QString& text) {
  m_captionFile = text;
  RefreshCaption();
}

void TFormMain::SetCaptionFolder(const QString& text) {
  m_captionFolder = text;
  m_seriesName = text;
  RefreshCaption();
}

// ---- Loading --------------------------------------------------------------------------------

bool TFormMain::LoadAndShow(const QString& fileName) {
  bool ok = false;
  if (!FileExists(S(fileName))) {
    m_workbench.prompter.Info("File not found");
  } else {
    BusyCursor busy;
    m_frame = std::make_unique<OTrame>();
    m_darkfile->hide();
    const LoadResult result = m_frame->LoadFile(S(fileName), m_bias.get(), CurrentFitsOptions());
    if (result.status == LoadStatus::UnknownExtension) {
      busy.Restore();
      m_workbench.prompter.Info(MessageText("msgExtInc"));
      m_Image1->hide();
      m_imageShown = false;
    } else if (result.status == LoadStatus::Error) {
      busy.Restore();
      m_workbench.prompter.Error(Q(Describe(result.AsStatus())));
      m_Image1->hide();
      m_imageShown = false;
    } else {
      ok = true;
      ShowNewFrame(result.biasApplied);
    }
    if (m_workbench.frmFitsHeader) m_workbench.frmFitsHeader->SetHeaderText(Q(m_frame->HeaderText));
  }
  SetAllowed("Quad1", !QFileInfo(fileName).fileName().startsWith("quad_quad_"));
  RefreshGuidance();
  return ok;
}

void TFormMain::ShowFrame(const OTrame& frame) {
  // A file the command could not read leaves an empty frame, or, for an extension that is no
  // image's, the pixels of the frame read before it under the new name: neither is shown.
  const std::string ext = UpperExtension(frame.FileName);
  const bool image =
      ext == ".BMP" || ext == ".FIT" || ext == ".FITS" || ext == ".FTS" || IsOrvExtension(ext);
  if (frame.Empty() || !image) return;
  BusyCursor busy;
  m_frame = std::make_unique<OTrame>(frame);
  // The frame was read with the window's bias frame, which applies to a frame of its size
  // that is not an ORV file.
  const OTrame* bias = m_bias.get();
  const bool biasApplied = bias != nullptr && !bias->Empty() && bias->LastX == frame.LastX &&
                           bias->LastY == frame.LastY &&
                           !IsOrvExtension(UpperExtension(frame.FileName));
  ShowNewFrame(biasApplied);
  if (m_workbench.frmFitsHeader) m_workbench.frmFitsHeader->SetHeaderText(Q(m_frame->HeaderText));
  SetAllowed("Quad1", !QFileInfo(Q(frame.FileName)).fileName().startsWith("quad_quad_"));
  RefreshGuidance();
}

void TFormMain::ShowNewFrame(bool biasApplied) {
  m_darkfile->setVisible(biasApplied);
  // The picture is rendered by AutoThresholds below; until then it has the frame's size.
  ShowRaster(Raster(m_frame->Width(), m_frame->Height()));
  m_Image1->show();
  m_imageShown = true;
  ShowStatus();
  m_HScroll1->show();
  m_noPoint = true;
  MeasureAt(m_frame->Star);
  AutoThresholds();
  m_zoom->PictureChanged();
}

void TFormMain::ReloadCurrent() {
  if (!m_frame->FileName.empty()) LoadAndShow(Q(m_frame->FileName));
}

void TFormMain::ShowStatus() {
  const OTrame& f = *m_frame;
  SetCaptionFile("Orvek : " + Q(f.FileName));
  const QStringList lines = {
      QString("%1 x %2 pixels").arg(f.LastX + 1).arg(f.LastY + 1),
      "Max/Min :" + Q(FormatInt(Trunc(f.MaxValue))) + "/" + Q(FormatInt(Trunc(f.MinValue))),
      "Moy / Sig :" + Q(FormatInt(Trunc(f.Mean))) + " / " +
          Q(FormatGeneral(RoundTo(static_cast<double>(f.Sigma), 2))),
      "Med :" + Q(FormatInt(Trunc(f.Median)))};
  m_lblFormatImage->setText(lines.join("\n"));
}

void TFormMain::ShowRaster(const Raster& raster) {
  m_Image1->SetPicture(ToImage(raster));
  m_Image1->adjustSize();
}

// ---- Thresholds -----------------------------------------------------------------------------

bool TFormMain::ReadRange(Extended& low, Extended& high) const {
  const bool a = ParseNumber(S(m_TrackBarsMin->text()), low);
  const bool b = ParseNumber(S(m_TrackBarsMax->text()), high);
  if (!a) low = 0;
  if (!b) high = 0;
  return a && b;
}

int TFormMain::ValueToPosition(Extended value) const {
  Extended min, max;
  ReadRange(min, max);
  const Extended top = m_TrackBar1->maximum();
  if (max == min) return Nearest32(top * (value - min));
  return Nearest32(top * (value - min) / (max - min));
}

Extended TFormMain::PositionToValue(int position) const {
  Extended min, max;
  ReadRange(min, max);
  return static_cast<Extended>(position) / m_TrackBar1->maximum() * (max - min) + min;
}

Extended TFormMain::ThresholdValue(const QLineEdit* edit) const {
  Extended v = 0;
  ParseNumber(S(edit->text()), v);
  return v;
}

void TFormMain::AutoThresholds() {
  if (!HasImage()) return;
  if (m_VisuAuto->isChecked()) {
    const OTrame& f = *m_frame;
    const int64_t m = Nearest(f.Median);
    int64_t top = Nearest(f.MaxValue * 1.2L);
    if (top == m) top = Nearest(f.MaxValue);
    m_TrackBarsMax->setText(Q(FormatInt(top)));
    m_TrackBarsMin->setText(Q(FormatInt(Nearest(f.MinValue * 0.8L))));
    const Extended w = m_mat.Peak.Value;
    Extended upper = static_cast<Extended>(m + Nearest((w - m) * 0.6L));
    if (static_cast<Extended>(top) < upper) upper = static_cast<Extended>(top);
    const QSignalBlocker b1(m_TrackBar1);
    const QSignalBlocker b2(m_TrackBar2);
    m_TrackBar1->setValue(ValueToPosition(upper));
    m_TrackBar2->setValue(ValueToPosition(static_cast<Extended>(m)));
    // Fourier results: a narrow window round the background shows the faint peaks.
    const QString folder = QFileInfo(Q(f.FileName)).absolutePath();
    const QString tempf = QDir(Q(WorkingFolder()) + "tempf").absolutePath();
    if (QDir::cleanPath(folder) == QDir::cleanPath(tempf)) {
      m_TrackBar1->setValue(ValueToPosition(m * 1.1L));
      m_TrackBar2->setValue(ValueToPosition(m * 0.8L));
    }
  }
  Redisplay();
}

void TFormMain::Redisplay() {
  Action("MaxMin1")->setText("Max: " + m_TrackBarsMax->text() +
                             "   Min: " + m_TrackBarsMin->text());
  m_niv1->setText(Q(FormatGeneral(static_cast<double>(PositionToValue(m_TrackBar1->value())))));
  m_niv2->setText(Q(FormatGeneral(static_cast<double>(PositionToValue(m_TrackBar2->value())))));
  if (!HasImage()) return;
  const Extended high = ThresholdValue(m_niv1);
  const Extended low = ThresholdValue(m_niv2);
  const int lut = m_UpDown1->Position();
  ShowRaster(m_frame->Render(m_VisuLog->isChecked(), m_VisuColor->isChecked(), lut, low, high));
  // The new picture replaced the outline and the magnifier.
  if (!m_noPoint) DrawWindowFrame(false);
}

Raster TFormMain::DisplayRendering() const {
  if (!HasImage()) return Raster();
  return m_frame->Render(m_VisuLog->isChecked(), m_VisuColor->isChecked(), m_UpDown1->Position(),
                         ThresholdValue(m_niv2), ThresholdValue(m_niv1));
}

void TFormMain::UpperThresholdToRangeTop() {
  Extended top = 0;
  if (ParseNumber(S(m_TrackBarsMax->text()), top)) m_TrackBar1->setValue(ValueToPosition(top));
}

void TFormMain::Stretch1Click() {
  Extended min, max;
  ReadRange(min, max);
  const Extended d = (max - min) * 0.2L;
  if (!(max >= 3 * m_frame->MaxValue)) {
    m_TrackBarsMax->setText(Q(FormatGeneral(static_cast<double>(max + d))));
  }
  m_TrackBar1->setValue(m_TrackBar1->minimum());
  m_TrackBar1->setValue(m_TrackBar1->maximum());
}

void TFormMain::N9Click() {
  Extended min, max;
  ReadRange(min, max);
  const Extended d = (max - min) * 0.2L;
  const Extended newMax = max - static_cast<Extended>(Nearest(d));
  m_TrackBarsMax->setText(Q(FormatGeneral(static_cast<double>(newMax))));
  m_TrackBar1->setValue(m_TrackBar1->minimum());
  m_TrackBar1->setValue(ValueToPosition(newMax));
}

void TFormMain::N13Click() {
  const Extended a = ThresholdValue(m_niv1), b = ThresholdValue(m_niv2);
  m_TrackBarsMax->setText(Q(FormatGeneral(static_cast<double>(std::max(a, b)))));
  m_TrackBar1->setValue(m_TrackBar1->maximum());
  Redisplay();  // the bar may already stand at its maximum: show the new range anyway
}

void TFormMain::N10Click() {
  Extended min, max;
  ReadRange(min, max);
  const Extended d = (max - min) * 0.2L;
  m_TrackBarsMin->setText(Q(FormatGeneral(static_cast<double>(min + d))));
  m_TrackBar2->setValue(m_TrackBar2->maximum());
  m_TrackBar2->setValue(ValueToPosition(d));
}

void TFormMain::N11Click() {
  Extended min, max;
  ReadRange(min, max);
  const Extended d = (max - min) * 0.2L;
  m_TrackBarsMin->setText(Q(FormatGeneral(static_cast<double>(min - d))));
  m_TrackBar2->setValue(m_TrackBar2->maximum());
  m_TrackBar2->setValue(m_TrackBar2->minimum());
}

void TFormMain::N12Click() {
  const Extended a = ThresholdValue(m_niv1), b = ThresholdValue(m_niv2);
  m_TrackBarsMin->setText(Q(FormatGeneral(static_cast<double>(std::min(a, b)))));
  m_TrackBar2->setValue(m_TrackBar2->minimum());
  Redisplay();  // the bar may already stand at its minimum: show the new range anyway
}

// ---- Mouse read-out -------------------------------------------------------------------------

void TFormMain::ImageMouseMove(int x, int y) {
  m_Label4->setText(QString("(X,Y) : (%1, %2)").arg(x).arg(y) + "\n" +
                    "Lum : " + Q(FormatFixed(static_cast<double>(m_frame->GetPixel(x, y)), 2)));
  ShowMagnifier(x, y);
}

// ---- Open -----------------------------------------------------------------------------------

void TFormMain::OuvrirClick() {
  const QStringList files = m_workbench.prompter.OpenFiles(ImageOpenFilter(), true);
  if (files.isEmpty()) return;
  OpenFiles(files);
}

void TFormMain::OpenFiles(const QStringList& files) {
  if (!files.isEmpty() && LoadAndShow(files.first())) {
    QStringList names;
    for (const QString& f : files) names << QFileInfo(f).fileName();
    SetItems(names, QList<bool>(names.size(), true));
    {
      const QSignalBlocker block(m_CheckListBox);
      m_CheckListBox->setCurrentRow(0);
    }
    m_listeFic.Dossier = FolderOf(S(files.first()));
    SetCaptionFolder(Q(LastFolderName(m_listeFic.Dossier)));
  }
  RefreshSelection();
}

// ---- Saves ----------------------------------------------------------------------------------

bool TFormMain::SaveCheckFrame() {
  return HasImage();
}

void TFormMain::SaveFitsClick() {
  if (!SaveCheckFrame()) return;
  QString name = m_workbench.prompter.SaveFile(m_seriesName + ".fit", kSaveFilter);
  if (name.isEmpty()) return;
  if (ExtensionOf(name) != ".fit") name += ".fit";
  const Status s = m_VisuColor->isChecked() ? m_frame->SaveFits(S(name), 0, ThresholdValue(m_niv2),
                                                                ThresholdValue(m_niv1))
                                            : m_frame->SaveFits(S(name), 1, 0, 0);
  if (!s) m_workbench.prompter.Error(Q(Describe(s)));
}

void TFormMain::SaveBmpClick() {
  if (!SaveCheckFrame()) return;
  QString name = m_workbench.prompter.SaveFile(m_seriesName + ".bmp", kSaveFilter);
  if (name.isEmpty()) return;
  if (ExtensionOf(name) != ".bmp") name += ".bmp";
  // The file holds the picture without the measurement outline.
  const bool outline = !m_noPoint && m_outlineValid;
  if (outline) XorOutline(m_outline);
  const Status s = WriteBmp24(S(name), ToRaster(m_Image1->Picture()));
  if (outline) XorOutline(m_outline);
  m_Image1->update();
  if (!s) m_workbench.prompter.Error(Q(Describe(s)));
}

void TFormMain::SaveOrvClick() {
  if (!SaveCheckFrame()) return;
  QString name = m_workbench.prompter.SaveFile(m_seriesName + ".orv", kSaveFilter);
  if (name.isEmpty()) return;
  name = Q(ChangeExtension(S(name), ".orv"));
  const Status s = m_frame->SaveOrv(0, 0, m_frame->LastX, m_frame->LastY, S(name));
  if (!s) m_workbench.prompter.Error(Q(Describe(s)));
}

void TFormMain::SaveSeries(SeriesKind kind) {
  if (RefreshSelection() == 0) return;
  const QString typed = m_workbench.prompter.SaveFile(QString(), kSaveFilter);
  if (typed.isEmpty()) return;
  const QString ext = kind == SeriesKind::Fits ? ".fit" : kind == SeriesKind::Bmp ? ".bmp" : ".orv";
  int counter = 1;
  bool erased = false;  // the outline of the frame shown is rubbed out for the BMP file
  if (kind == SeriesKind::Fits) ShowStop(true);
  const int count = ItemCount();
  for (int i = 0; i < count; ++i) {
    if (!IsTicked(i)) continue;
    SelectItem(i);
    const bool loaded = LoadAndShow(CurrentItemPath());
    erased = false;
    ProcessPendingEvents();
    if (kind == SeriesKind::Fits && m_stopFlag) break;
    // A frame that could not be read is not written: the file would hold nothing of it.
    if (!loaded) continue;
    const std::string path = S(typed + QString::number(counter) + ext);
    Status s;
    if (kind == SeriesKind::Fits) {
      s = m_frame->SaveFits(path, 1, 0, 0);
    } else if (kind == SeriesKind::Bmp) {
      if (!m_noPoint && m_outlineValid) {
        XorOutline(m_outline);
        erased = true;
      }
      s = WriteBmp24(path, ToRaster(m_Image1->Picture()));
    } else {
      s = m_frame->SaveOrv(0, 0, m_frame->LastX, m_frame->LastY, path);
    }
    if (!s) {
      m_workbench.prompter.Error(Q(Describe(s)));
      break;
    }
    ++counter;
  }
  if (erased) {
    XorOutline(m_outline);
    m_Image1->update();
  }
  if (kind == SeriesKind::Fits) ShowStop(false);
}

}  // namespace orvek

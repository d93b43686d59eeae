#pragma once
// A picture of the measures: theta (upper panel) and rho (lower panel) of every frame against
// its time or its number, with the mean and the mean +- sigma lines, the frames that the
// rejection would remove marked by a red cross. Drawn with QPainter; saved as PNG.

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

#include "core/Status.h"

class QPushButton;

namespace orvek {

/// One frame's point.
struct PlotPoint {
  double x = 0;  ///< hours from the first timed frame, or the frame's number (1..n)
  double thetaDeg = 0;
  double rhoArcsec = 0;
  bool rejected = false;
};

struct PlotData {
  std::vector<PlotPoint> points;
  bool timeAxis = false;  ///< x is time (hours), else frame numbers
  double meanThetaDeg = 0, sdThetaDeg = 0;
  double meanRhoArcsec = 0, sdRhoArcsec = 0;
};

/// Axis captions in the interface language.
struct PlotWords {
  QString theta = "theta", rho = "rho", frame = "#", hours = "h";
};

class Prompter;

class MeasurePlot : public QWidget {
 public:
  explicit MeasurePlot(QWidget* parent = nullptr);
  void SetData(PlotData data);
  const PlotData& Data() const { return m_data; }
  void SetWords(PlotWords words);
  /// The picture at `size` on a white ground.
  QImage Render(QSize size) const;
  /// Render(size) written as the PNG file `path` (through a temporary file renamed over it).
  /// FileWrite when the picture cannot be encoded, else as ReplaceFile.
  Status SavePng(const QString& path, QSize size) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Draw(QPainter& painter, const QRect& area) const;

  PlotData m_data;
  PlotWords m_words;
};

/// The plot's window: the picture of the table's current rows, and "Save PNG...".
class PlotWindow : public QWidget {
 public:
  /// `source` gives the rows each time the window is refreshed.
  PlotWindow(Prompter& prompter, std::function<PlotData()> source);
  /// Redraws from the source (at every show, and when the table changes while shown).
  void Refresh();
  MeasurePlot& Plot() { return *m_plot; }
  /// A save dialog, the question whether to replace a file already there, then the picture at the
  /// size shown (at least 640 x 480). False when cancelled or failed (the failure shown).
  bool SavePng();
  void ChangeLangue();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  Prompter& m_prompter;
  std::function<PlotData()> m_source;
  MeasurePlot* m_plot = nullptr;
  QPushButton* m_btnSavePng = nullptr;
};

}  // namespace orvek

#include "ui/MeasurePlot.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/Utils.h"
#include "ui/ExportDialog.h"
#include "ui/Langue.h"
#include "ui/Prompter.h"

namespace orvek {

namespace {

const QColor kPoint(30, 80, 200);
const QColor kRejected(220, 0, 0);
const QColor kMean(0, 130, 0);

/// `theta` brought within half a turn of `mean`, so that a series across 0/360 stays together.
double Near(double theta, double mean) {
  double d = std::fmod(theta - mean, 360.0);
  if (d > 180) d -= 360;
  if (d <= -180) d += 360;
  return mean + d;
}

struct Range {
  double low = 0, high = 1;
  void Widen() {
    const double span = high - low;
    const double pad = span > 0 ? span * 0.08 : std::max(std::abs(low) * 0.01, 0.5);
    low -= pad;
    high += pad;
  }
};

/// One panel: the values against x with the mean and +- sigma lines.
void Panel(QPainter& p, const QRect& box, const Range& xs, const std::vector<double>& ys,
           const std::vector<PlotPoint>& points, double mean, double sd, const QString& caption) {
  Range yr{mean - sd, mean + sd};
  for (double y : ys) {
    yr.low = std::min(yr.low, y);
    yr.high = std::max(yr.high, y);
  }
  yr.Widen();
  const auto X = [&](double x) {
    return box.left() + (x - xs.low) / (xs.high - xs.low) * box.width();
  };
  const auto Y = [&](double y) {
    return box.bottom() - (y - yr.low) / (yr.high - yr.low) * box.height();
  };
  p.setPen(Qt::black);
  p.drawRect(box);
  p.drawText(box.adjusted(4, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, caption);
  p.drawText(QRectF(0, box.top() - 6, box.left() - 4, 12), Qt::AlignRight | Qt::AlignVCenter,
             QString::number(yr.high, 'g', 6));
  p.drawText(QRectF(0, box.bottom() - 6, box.left() - 4, 12), Qt::AlignRight | Qt::AlignVCenter,
             QString::number(yr.low, 'g', 6));

  p.setPen(QPen(kMean, 1.5));
  p.drawLine(QPointF(box.left(), Y(mean)), QPointF(box.right(), Y(mean)));
  p.setPen(QPen(kMean, 1, Qt::DashLine));
  for (double line : {mean - sd, mean + sd})
    p.drawLine(QPointF(box.left(), Y(line)), QPointF(box.right(), Y(line)));

  for (size_t i = 0; i < points.size(); ++i) {
    const QPointF c(X(points[i].x), Y(ys[i]));
    if (points[i].rejected) {
      p.setPen(QPen(kRejected, 2));
      p.drawLine(c + QPointF(-4, -4), c + QPointF(4, 4));
      p.drawLine(c + QPointF(-4, 4), c + QPointF(4, -4));
    } else {
      p.setPen(kPoint);
      p.setBrush(kPoint);
      p.drawEllipse(c, 2.5, 2.5);
      p.setBrush(Qt::NoBrush);
    }
  }
}

}  // namespace

MeasurePlot::MeasurePlot(QWidget* parent) : QWidget(parent) {
  setObjectName("MeasurePlot");
  setMinimumSize(320, 240);
}

void MeasurePlot::SetData(PlotData data) {
  m_data = std::move(data);
  update();
}

void MeasurePlot::SetWords(PlotWords words) {
  m_words = std::move(words);
  update();
}

QImage MeasurePlot::Render(QSize size) const {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  Draw(p, image.rect());
  return image;
}

Status MeasurePlot::SavePng(const QString& path, QSize size) const {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!Render(size).save(&buffer, "PNG"))
    return Status::Fail(Error(ErrorCode::FileWrite).Path(path.toStdString()));
  return ReplaceFile(path.toStdString(), bytes.constData(), static_cast<size_t>(bytes.size()));
}

void MeasurePlot::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  Draw(p, rect());
}

void MeasurePlot::Draw(QPainter& p, const QRect& area) const {
  p.setRenderHint(QPainter::Antialiasing);
  const int left = 70, right = 12, top = 10, bottom = 36, gap = 24;
  const int height = (area.height() - top - bottom - gap) / 2;
  if (height < 20 || area.width() < left + right + 20) return;
  const QRect upper(area.left() + left, area.top() + top, area.width() - left - right, height);
  const QRect lower(upper.left(), upper.bottom() + gap, upper.width(), height);

  Range xs{1, 1};
  if (!m_data.points.empty()) {
    xs.low = xs.high = m_data.points.front().x;
    for (const PlotPoint& pt : m_data.points) {
      xs.low = std::min(xs.low, pt.x);
      xs.high = std::max(xs.high, pt.x);
    }
  }
  const Range data = xs;
  xs.Widen();
  std::vector<double> thetas, rhos;
  for (const PlotPoint& pt : m_data.points) {
    thetas.push_back(Near(pt.thetaDeg, m_data.meanThetaDeg));
    rhos.push_back(pt.rhoArcsec);
  }
  Panel(p, upper, xs, thetas, m_data.points, m_data.meanThetaDeg, m_data.sdThetaDeg, m_words.theta);
  Panel(p, lower, xs, rhos, m_data.points, m_data.meanRhoArcsec, m_data.sdRhoArcsec, m_words.rho);
  p.setPen(Qt::black);
  // The first and last x under their points, the axis caption between them.
  const auto X = [&](double x) {
    return lower.left() + (x - xs.low) / (xs.high - xs.low) * lower.width();
  };
  for (double x : {data.low, data.high}) {
    p.drawLine(QPointF(X(x), lower.bottom()), QPointF(X(x), lower.bottom() + 3));
    p.drawText(QRectF(X(x) - 40, lower.bottom() + 4, 80, 14), Qt::AlignHCenter | Qt::AlignTop,
               QString::number(x, 'g', 6));
  }
  p.drawText(QRectF(lower.left(), lower.bottom() + 18, lower.width(), 14),
             Qt::AlignHCenter | Qt::AlignTop, m_data.timeAxis ? m_words.hours : m_words.frame);
}

PlotWindow::PlotWindow(Prompter& prompter, std::function<PlotData()> source)
    : QWidget(nullptr, Qt::Window), m_prompter(prompter), m_source(std::move(source)) {
  setObjectName("PlotWindow");
  auto* box = new QVBoxLayout(this);
  m_plot = new MeasurePlot(this);
  box->addWidget(m_plot, 1);
  m_btnSavePng = new QPushButton(this);
  m_btnSavePng->setObjectName("btnSavePng");
  box->addWidget(m_btnSavePng, 0, Qt::AlignRight);
  connect(m_btnSavePng, &QPushButton::clicked, this, [this] { SavePng(); });
  ChangeLangue();
  resize(720, 520);
}

void PlotWindow::Refresh() {
  if (m_source) m_plot->SetData(m_source());
}

void PlotWindow::showEvent(QShowEvent* event) {
  Refresh();
  QWidget::showEvent(event);
}

bool PlotWindow::SavePng() {
  const QString path = m_prompter.SaveFile("orvek-plot.png", LangText("Publish", "plFilter"));
  if (path.isEmpty() || !MayReplace(m_prompter, path)) return false;
  const QSize size = m_plot->size().expandedTo(QSize(640, 480));
  if (const Status s = m_plot->SavePng(path, size); !s) {
    m_prompter.Error(Worded(s));
    return false;
  }
  return true;
}

void PlotWindow::ChangeLangue() {
  setWindowTitle(LangText("Publish", "plTIT"));
  m_btnSavePng->setText(LangText("Publish", "plSave"));
  m_plot->SetWords({LangText("Publish", "plTheta"), LangText("Publish", "plRho"),
                    LangText("Publish", "plFrame"), LangText("Publish", "plHours")});
}

}  // namespace orvek

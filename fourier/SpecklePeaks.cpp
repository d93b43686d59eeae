#include "fourier/SpecklePeaks.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace orvek::fourier {

ShiftWindow::ShiftWindow(int radius)
    : m_radius(radius), m_values(static_cast<size_t>(2 * radius + 1) * (2 * radius + 1), 0.0) {}

ShiftWindow ShiftWindow::Cut(const OTrame& image, int cx, int cy, int radius) {
  ShiftWindow w(radius);
  for (int dx = -radius; dx <= radius; ++dx) {
    const int x = cx + dx;
    if (x < 0 || x > image.LastX) continue;
    for (int dy = -radius; dy <= radius; ++dy) {
      const int y = cy + dy;
      if (y >= 0 && y <= image.LastY) w.At(dx, dy) = static_cast<double>(image.Px(x, y));
    }
  }
  return w;
}

ShiftWindow& ShiftWindow::operator+=(const ShiftWindow& other) {
  if (other.m_radius != m_radius) throw std::invalid_argument("ShiftWindow: radii differ");
  for (size_t i = 0; i < m_values.size(); ++i) m_values[i] += other.m_values[i];
  return *this;
}

ShiftWindow& ShiftWindow::operator-=(const ShiftWindow& other) {
  if (other.m_radius != m_radius) throw std::invalid_argument("ShiftWindow: radii differ");
  for (size_t i = 0; i < m_values.size(); ++i) m_values[i] -= other.m_values[i];
  return *this;
}

PeakFit FitPeak(const ShiftWindow& w, int ix, int iy) {
  // Sums over the 3 x 3 points at offsets u, v = -1, 0, 1 (cells outside the window read 0).
  double v[3][3];
  for (int u = -1; u <= 1; ++u) {
    for (int t = -1; t <= 1; ++t) {
      v[u + 1][t + 1] = w.Contains(ix + u, iy + t) ? w.At(ix + u, iy + t) : 0.0;
    }
  }
  double all = 0;
  double colSum[3] = {0, 0, 0};
  double rowSum[3] = {0, 0, 0};
  for (int u = 0; u < 3; ++u) {
    for (int t = 0; t < 3; ++t) {
      all += v[u][t];
      colSum[u] += v[u][t];
      rowSum[t] += v[u][t];
    }
  }
  const double b = (colSum[2] - colSum[0]) / 6;
  const double c = (rowSum[2] - rowSum[0]) / 6;
  const double d = (colSum[2] + colSum[0] - 2 * colSum[1]) / 6;
  const double f = (rowSum[2] + rowSum[0] - 2 * rowSum[1]) / 6;
  const double e = (v[2][2] + v[0][0] - v[2][0] - v[0][2]) / 4;
  const double a = (all - 6 * d - 6 * f) / 9;
  // Summit: [2d e; e 2f] (x, y) = -(b, c), a maximum only when the matrix is negative definite.
  const double det = 4 * d * f - e * e;
  double x = 0;
  double y = 0;
  if (d < 0 && det > 0) {
    x = (-2 * f * b + e * c) / det;
    y = (-2 * d * c + e * b) / det;
    x = std::clamp(x, -0.5, 0.5);
    y = std::clamp(y, -0.5, 0.5);
  }
  PeakFit fit;
  fit.dx = ix + x;
  fit.dy = iy + y;
  fit.height = a + b * x + c * y + d * x * x + e * x * y + f * y * y;
  return fit;
}

namespace {
bool StrictMaximum(const ShiftWindow& w, int dx, int dy) {
  const double v = w.At(dx, dy);
  for (int u = -1; u <= 1; ++u) {
    for (int t = -1; t <= 1; ++t) {
      if ((u != 0 || t != 0) && w.Contains(dx + u, dy + t) && !(w.At(dx + u, dy + t) < v))
        return false;
    }
  }
  return true;
}
}  // namespace

std::optional<PeakPair> StrongestSymmetricPair(const ShiftWindow& w, double minRho, double maxRho) {
  const int r = w.Radius() - 1;  // a maximum needs its eight neighbours inside the window
  std::optional<PeakPair> best;
  for (int dx = -r; dx <= r; ++dx) {
    for (int dy = 0; dy <= r; ++dy) {
      if (dy == 0 && dx <= 0) continue;
      const double rho = std::hypot(dx, dy);
      if (rho < minRho || rho > maxRho || !StrictMaximum(w, dx, dy)) continue;
      // The mirror maximum, at (-dx, -dy) or one pixel beside it.
      int mx = 0;
      int my = 0;
      bool found = false;
      for (int u = -1; u <= 1 && !found; ++u) {
        for (int t = -1; t <= 1 && !found; ++t) {
          const int x = -dx + u;
          const int y = -dy + t;
          if (std::abs(x) <= r && std::abs(y) <= r && StrictMaximum(w, x, y)) {
            mx = x;
            my = y;
            found = true;
          }
        }
      }
      if (!found) continue;
      const double strength = w.At(dx, dy) + w.At(mx, my);
      if (w.At(dx, dy) <= 0 || w.At(mx, my) <= 0) continue;
      if (!best || strength > best->strength) {
        PeakPair pair;
        pair.peak = FitPeak(w, dx, dy);
        pair.mirror = FitPeak(w, mx, my);
        pair.strength = strength;
        best = pair;
      }
    }
  }
  return best;
}

PeakFit FitPeakNear(const ShiftWindow& w, double dx, double dy, int reach) {
  const int r = w.Radius() - 1;
  const int cx = std::clamp(static_cast<int>(std::lround(dx)), -r, r);
  const int cy = std::clamp(static_cast<int>(std::lround(dy)), -r, r);
  int bx = cx;
  int by = cy;
  for (int u = -reach; u <= reach; ++u) {
    for (int t = -reach; t <= reach; ++t) {
      const int x = cx + u;
      const int y = cy + t;
      if (std::abs(x) <= r && std::abs(y) <= r && w.At(x, y) > w.At(bx, by)) {
        bx = x;
        by = y;
      }
    }
  }
  return FitPeak(w, bx, by);
}

double Bilinear(const ShiftWindow& w, double dx, double dy) {
  const int r = w.Radius();
  dx = std::clamp(dx, static_cast<double>(-r), static_cast<double>(r));
  dy = std::clamp(dy, static_cast<double>(-r), static_cast<double>(r));
  const int x0 = std::min(static_cast<int>(std::floor(dx)), r - 1);
  const int y0 = std::min(static_cast<int>(std::floor(dy)), r - 1);
  const double fx = dx - x0;
  const double fy = dy - y0;
  return (1 - fx) * (1 - fy) * w.At(x0, y0) + fx * (1 - fy) * w.At(x0 + 1, y0) +
         (1 - fx) * fy * w.At(x0, y0 + 1) + fx * fy * w.At(x0 + 1, y0 + 1);
}

double RingMedian(const ShiftWindow& w, double rho) {
  std::vector<double> ring;
  const int r = w.Radius();
  for (int dx = -r; dx <= r; ++dx) {
    for (int dy = -r; dy <= r; ++dy) {
      if (std::fabs(std::hypot(dx, dy) - rho) <= 0.5) ring.push_back(w.At(dx, dy));
    }
  }
  if (ring.empty()) return 0;
  const size_t mid = ring.size() / 2;
  std::nth_element(ring.begin(), ring.begin() + mid, ring.end());
  return ring[mid];
}

}  // namespace orvek::fourier

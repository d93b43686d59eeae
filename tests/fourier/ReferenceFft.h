#pragma once
// The straightforward transform, written line by line from the procedure the engine must match:
// one vector at a time, copied into 1-based work vectors, radix-2 decimation in frequency with
// cosine and sine tables, bit reversal, division by N for the direct direction; all rows, then
// all columns. Kept apart from the library so that the fast engine is checked against an
// independent transcription, bit for bit.

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace orvek::test {

class ReferenceFft {
 public:
  using E = long double;
  explicit ReferenceFft(int n)
      : N(n),
        wr(n + 1),
        wi(n + 1),
        cosine(n + 1),
        sine(n + 1),
        real(size_t(n) * n),
        imag(size_t(n) * n) {}

  int N;
  std::vector<E> wr, wi, cosine, sine;
  std::vector<E> real, imag;  // [x][y] at x * N + y

  E& Re(int x, int y) { return real[size_t(x) * N + y]; }
  E& Im(int x, int y) { return imag[size_t(x) * N + y]; }

  void Transform(bool back) {
    const E s = back ? -1.0L : 1.0L;
    for (int k = 0; k <= N; ++k) {
      cosine[k] = std::cos(6.283185307179586477L * k / N);
      sine[k] = -s * std::sin(6.283185307179586477L * k / N);
    }
    const int L = static_cast<int>(std::nearbyint(std::log(static_cast<E>(N)) / std::log(2.0L)));
    for (int x = 0; x < N; ++x) {
      for (int y = 0; y < N; ++y) {
        wr[y + 1] = Re(x, y);
        wi[y + 1] = Im(x, y);
      }
      Transform1D(back, L);
      for (int y = 0; y < N; ++y) {
        Re(x, y) = wr[y + 1];
        Im(x, y) = wi[y + 1];
      }
    }
    for (int y = 0; y < N; ++y) {
      for (int x = 0; x < N; ++x) {
        wr[x + 1] = Re(x, y);
        wi[x + 1] = Im(x, y);
      }
      Transform1D(back, L);
      for (int x = 0; x < N; ++x) {
        Re(x, y) = wr[x + 1];
        Im(x, y) = wi[x + 1];
      }
    }
  }

  void SwapQuadrants() {
    const int h = N / 2;
    std::vector<E> r2(real.size()), i2(imag.size());
    for (int x = 0; x < N; ++x)
      for (int y = 0; y < N; ++y) {
        r2[size_t(x) * N + y] = Re((x + h) % N, (y + h) % N);
        i2[size_t(x) * N + y] = Im((x + h) % N, (y + h) % N);
      }
    real.swap(r2);
    imag.swap(i2);
  }

  void ToPowerSpectrum() {
    for (size_t i = 0; i < real.size(); ++i) {
      real[i] = real[i] * real[i] + imag[i] * imag[i];
      imag[i] = 0;
    }
  }

  void MultiplyByConjugate(const ReferenceFft& o) {
    for (size_t i = 0; i < real.size(); ++i) {
      const E p = real[i], q = imag[i], r = o.real[i], t = o.imag[i];
      real[i] = p * r + q * t;
      imag[i] = q * r - p * t;
    }
  }

  E MaxReal() const {
    E m = 3.4e-4932L;
    for (int y = 0; y < N; ++y)
      for (int x = 0; x < N; ++x)
        if (real[size_t(x) * N + y] > m) m = real[size_t(x) * N + y];
    return m;
  }

  /// scale x real as WriteToFrame computes it (top != -1 and a maximum above the floor).
  std::vector<E> Scaled(E top) const {
    const E m = MaxReal();
    const E scale = (top != -1.0L && m != 3.4e-4932L) ? top / m : 1.0L;
    std::vector<E> out(real.size());
    for (size_t i = 0; i < real.size(); ++i) out[i] = scale * real[i];
    return out;
  }

 private:
  void Transform1D(bool back, int L) {
    E* a = wr.data();
    E* b = wi.data();
    for (int t = 1; t <= L; ++t) {
      const int n = 1 << (L - t), f = 1 << (t - 1), g = 2 * n;
      for (int j = 1; j <= n; ++j) {
        const E co = cosine[(j - 1) * f], si = sine[(j - 1) * f];
        for (int base = 0; base + g <= N; base += g) {
          const int p = base + j, q = p + n;
          const E dr = a[p] - a[q], di = b[p] - b[q];
          a[p] = a[p] + a[q];
          b[p] = b[p] + b[q];
          a[q] = co * dr + si * di;
          b[q] = co * di - si * dr;
        }
      }
    }
    int j = 1;
    for (int i = 1; i <= N - 1; ++i) {
      if (i < j) {
        std::swap(a[i], a[j]);
        std::swap(b[i], b[j]);
      }
      int k = N / 2;
      while (k < j) {
        j -= k;
        k /= 2;
      }
      j += k;
    }
    if (!back) {
      for (int i = 1; i <= N; ++i) {
        a[i] /= N;
        b[i] /= N;
      }
    }
  }
};

/// The 80 significant bits of two extended values are the same.
inline bool SameBits(long double a, long double b) {
  return std::memcmp(&a, &b, 10) == 0;
}

}  // namespace orvek::test

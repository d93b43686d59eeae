// Writes the bundled sample series: a synthetic double star seen through changing seeing,
// drifting slowly across the field, as a series of 16-bit FITS frames (BZERO 32768, as
// capture programs write them), with the true position angle and separation beside it.
//
// usage: orvek_make_samples OUTPUT_FOLDER
//
// The output is fully deterministic (own random generator, fixed seed), so the committed
// files can be checked against a fresh run.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 256;
constexpr int kHeight = 256;
constexpr int kFrames = 12;
constexpr double kThetaDeg = 62.0;   // position angle of B from A, north up, east left
constexpr double kRhoPixels = 14.5;  // separation in pixels (1 arc-second per pixel)
constexpr double kPeakA = 20000.0;
constexpr double kPeakB = 7000.0;
constexpr double kSky = 800.0;
constexpr double kReadNoise = 8.0;
constexpr double kPi = 3.14159265358979323846;

// splitmix64: small, fast and identical everywhere.
struct Random {
  uint64_t state;
  uint64_t Next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  double Uniform() { return (static_cast<double>(Next() >> 11) + 0.5) / 9007199254740992.0; }
  double Gauss() {
    const double u1 = Uniform();
    const double u2 = Uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * kPi * u2);
  }
};

// Moffat profile (beta 2.5) integrated over the pixel by 5 x 5 sub-sampling.
double Moffat(double px, double py, double x, double y, double fwhm) {
  const double beta = 2.5;
  const double alpha = fwhm / (2.0 * std::sqrt(std::pow(2.0, 1.0 / beta) - 1.0));
  double sum = 0;
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 5; ++j) {
      const double dx = px - 0.4 + 0.2 * i - x;
      const double dy = py - 0.4 + 0.2 * j - y;
      sum += std::pow(1.0 + (dx * dx + dy * dy) / (alpha * alpha), -beta);
    }
  }
  return sum / 25.0;
}

std::string Card(const std::string& key, const std::string& value, const std::string& comment) {
  std::string card = key;
  card.resize(8, ' ');
  card += "= ";
  std::string v = value;
  if (v.size() < 20) v = std::string(20 - v.size(), ' ') + v;
  card += v;
  if (!comment.empty()) card += " / " + comment;
  card.resize(80, ' ');
  return card;
}

bool WriteFits(const std::string& path, const std::vector<double>& image, int frame) {
  std::string header;
  header += Card("SIMPLE", "T", "conforms to FITS standard");
  header += Card("BITPIX", "16", "16-bit samples");
  header += Card("NAXIS", "2", "");
  header += Card("NAXIS1", std::to_string(kWidth), "");
  header += Card("NAXIS2", std::to_string(kHeight), "");
  header += Card("BZERO", "32768", "unsigned 16-bit data");
  header += Card("BSCALE", "1", "");
  char date[64];
  std::snprintf(date, sizeof date, "'2026-06-18T22:%02d:%02d.000'", 10 + frame / 60, frame % 60);
  header += Card("DATE-OBS", date, "synthetic");
  header += Card("OBJECT", "'ORV 1   '", "synthetic double star");
  header += Card("EXPTIME", "0.05", "seconds");
  std::string end = "END";
  end.resize(80, ' ');
  header += end;
  header.resize(2880, ' ');

  std::vector<unsigned char> data(static_cast<size_t>(kWidth) * kHeight * 2);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      double v = std::nearbyint(image[static_cast<size_t>(y) * kWidth + x]);
      if (v < 0) v = 0;
      if (v > 65535) v = 65535;
      const int s = static_cast<int>(v) - 32768;
      const auto u = static_cast<uint16_t>(static_cast<int16_t>(s));
      data[2 * (static_cast<size_t>(y) * kWidth + x)] = static_cast<unsigned char>(u >> 8);
      data[2 * (static_cast<size_t>(y) * kWidth + x) + 1] = static_cast<unsigned char>(u & 0xFF);
    }
  }
  data.resize((data.size() + 2879) / 2880 * 2880, 0);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size() &&
                  std::fwrite(data.data(), 1, data.size(), f) == data.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: orvek_make_samples OUTPUT_FOLDER\n");
    return 2;
  }
  std::string folder = argv[1];
  if (folder.back() != '/') folder += '/';
  Random rng{20110618};

  // North up, east left: B lies at -sin(theta) rho in x and -cos(theta) rho in y from A.
  const double theta = kThetaDeg * kPi / 180.0;
  const double dx = -std::sin(theta) * kRhoPixels;
  const double dy = -std::cos(theta) * kRhoPixels;

  for (int k = 0; k < kFrames; ++k) {
    const double ax = 121.3 + 0.37 * k;  // slow drift of the mount, a fraction of a pixel
    const double ay = 138.6 - 0.23 * k;
    const double fwhm = 4.0 + 1.5 * rng.Uniform();  // seeing changes from frame to frame
    std::vector<double> image(static_cast<size_t>(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        double signal = kSky + 0.15 * x - 0.1 * y;  // a faint sky gradient
        const double ra = std::hypot(x - ax, y - ay);
        const double rb = std::hypot(x - (ax + dx), y - (ay + dy));
        if (ra < 40) signal += kPeakA * Moffat(x, y, ax, ay, fwhm);
        if (rb < 40) signal += kPeakB * Moffat(x, y, ax + dx, ay + dy, fwhm);
        // Photon noise (gain 1) and read noise.
        const double noise = std::sqrt(signal + kReadNoise * kReadNoise) * rng.Gauss();
        image[static_cast<size_t>(y) * kWidth + x] = signal + noise;
      }
    }
    char name[64];
    std::snprintf(name, sizeof name, "orv1_%03d.fit", k + 1);
    if (!WriteFits(folder + name, image, k)) {
      std::fprintf(stderr, "cannot write %s%s\n", folder.c_str(), name);
      return 1;
    }
  }

  const std::string truthPath = folder + "truth.txt";
  FILE* t = std::fopen(truthPath.c_str(), "w");
  if (t == nullptr) return 1;
  std::fprintf(t,
               "# Synthetic double star ORV 1, written by tools/make_samples.\n"
               "# Orientation: north up, east left (OrientV=ns, OrientH=ew); square pixels.\n"
               "# With Delta = 0 and Epsilon = 1 arc-second per pixel, theta and rho below are\n"
               "# what a measurement should give.\n"
               "theta=%.2f\nrho=%.3f\nepsilon=1\ndelta=0\nframes=%d\n"
               "peak_a=%.0f\npeak_b=%.0f\n",
               kThetaDeg, kRhoPixels, kFrames, kPeakA, kPeakB);
  return std::fclose(t) == 0 ? 0 : 1;
}

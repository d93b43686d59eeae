// Writes a series of 16-bit FITS frames with CFITSIO, for the command benchmarks and the soak
// runs: a double star (two Gaussian peaks of 20000 and 7000 above a sky of 900, 6 and 4 pixels
// apart) drifting slowly across the field, with Gaussian noise of 12.
//
//   orvek_bench_series FOLDER COUNT SIDE     writes FOLDER/f0001.fit ... (existing files kept)

#include <fitsio.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: orvek_bench_series FOLDER COUNT SIDE\n");
    return 2;
  }
  const std::string folder = argv[1];
  const int count = std::atoi(argv[2]);
  const int side = std::atoi(argv[3]);
  if (count < 1 || side < 16) {
    std::fprintf(stderr, "orvek_bench_series: COUNT >= 1 and SIDE >= 16 expected\n");
    return 2;
  }
  std::mt19937 random(20240611);
  std::normal_distribution<double> noise(0.0, 12.0);
  std::vector<short> pixels(static_cast<size_t>(side) * side);
  for (int k = 0; k < count; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "/f%04d.fit", k + 1);
    const std::string path = folder + name;
    if (FILE* existing = std::fopen(path.c_str(), "rb")) {
      std::fclose(existing);
      continue;
    }
    const double sx = side / 2.0 + 0.05 * (k % 200), sy = side / 2.0 - 0.03 * (k % 200);
    for (int y = 0; y < side; ++y) {
      for (int x = 0; x < side; ++x) {
        const double a = (x - sx) * (x - sx) + (y - sy) * (y - sy);
        const double b = (x - sx - 6) * (x - sx - 6) + (y - sy + 4) * (y - sy + 4);
        double v = 900 + noise(random) + 20000 * std::exp(-a / 4.5) + 7000 * std::exp(-b / 4.5);
        v = std::fmin(65535, std::fmax(0, std::nearbyint(v)));
        pixels[static_cast<size_t>(y) * side + x] = static_cast<short>(v - 32768);
      }
    }
    fitsfile* file = nullptr;
    int status = 0;
    long axes[2] = {side, side};
    fits_create_file(&file, path.c_str(), &status);
    fits_create_img(file, SHORT_IMG, 2, axes, &status);
    double zero = 32768;
    fits_update_key(file, TDOUBLE, "BZERO", &zero, "unsigned 16-bit samples", &status);
    fits_set_bscale(file, 1.0, 0.0, &status);  // the samples are written as they are
    fits_write_img(file, TSHORT, 1, static_cast<LONGLONG>(pixels.size()), pixels.data(), &status);
    fits_close_file(file, &status);
    if (status != 0) {
      std::fprintf(stderr, "%s: CFITSIO status %d\n", path.c_str(), status);
      return 1;
    }
  }
  return 0;
}

// The yardstick of `orvek-cli stack`: reads the same FITS files with CFITSIO and averages
// them in double precision, on one thread. Nothing is written; the mean's central value is
// printed so that the work is kept.
//
//   orvek_yardstick_stack FILE...

#include <fitsio.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: orvek_yardstick_stack FILE...\n");
    return 2;
  }
  std::vector<double> sum;
  std::vector<double> pixels;
  long width = 0, height = 0;
  for (int f = 1; f < argc; ++f) {
    fitsfile* file = nullptr;
    int status = 0;
    long axes[2] = {0, 0};
    int anynul = 0;
    fits_open_file(&file, argv[f], READONLY, &status);
    fits_get_img_size(file, 2, axes, &status);
    if (status == 0 && sum.empty()) {
      width = axes[0];
      height = axes[1];
      sum.assign(static_cast<size_t>(width * height), 0.0);
      pixels.resize(sum.size());
    }
    if (status == 0 && (axes[0] != width || axes[1] != height)) status = BAD_NAXES;
    fits_read_img(file, TDOUBLE, 1, static_cast<LONGLONG>(pixels.size()), nullptr, pixels.data(),
                  &anynul, &status);
    fits_close_file(file, &status);
    if (status != 0) {
      std::fprintf(stderr, "%s: CFITSIO status %d\n", argv[f], status);
      return 1;
    }
    for (size_t i = 0; i < sum.size(); ++i) sum[i] += pixels[i];
  }
  const double count = argc - 1;
  for (double& v : sum) v /= count;
  std::printf("%.17g\n", sum[sum.size() / 2 + static_cast<size_t>(width) / 2]);
  return 0;
}

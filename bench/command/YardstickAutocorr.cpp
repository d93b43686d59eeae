// The yardstick of `orvek-cli autocorr`: a bare loop that reads the same FITS files with
// CFITSIO and sums their power spectra with FFTW's long double real-input transform, on one
// thread. Nothing is written; the sum's largest value is printed so that the work is kept.
//
//   orvek_yardstick_autocorr FILE...

#include <fftw3.h>
#include <fitsio.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: orvek_yardstick_autocorr FILE...\n");
    return 2;
  }
  int n = 0;
  long double* in = nullptr;
  fftwl_complex* spectrum = nullptr;
  fftwl_plan plan = nullptr;
  std::vector<long double> sum;
  std::vector<double> pixels;
  for (int f = 1; f < argc; ++f) {
    fitsfile* file = nullptr;
    int status = 0;
    long axes[2] = {0, 0};
    int anynul = 0;
    fits_open_file(&file, argv[f], READONLY, &status);
    fits_get_img_size(file, 2, axes, &status);
    if (status == 0 && n == 0) {
      n = static_cast<int>(axes[0]);
      const size_t half = static_cast<size_t>(n) * (n / 2 + 1);
      in = fftwl_alloc_real(static_cast<size_t>(n) * n);
      spectrum = fftwl_alloc_complex(half);
      plan = fftwl_plan_dft_r2c_2d(n, n, in, spectrum, FFTW_ESTIMATE);
      sum.assign(half, 0.0L);
      pixels.resize(static_cast<size_t>(n) * n);
    }
    if (status == 0 && (axes[0] != n || axes[1] != n)) status = BAD_NAXES;
    fits_read_img(file, TDOUBLE, 1, static_cast<LONGLONG>(pixels.size()), nullptr, pixels.data(),
                  &anynul, &status);
    fits_close_file(file, &status);
    if (status != 0) {
      std::fprintf(stderr, "%s: CFITSIO status %d\n", argv[f], status);
      return 1;
    }
    for (size_t i = 0; i < pixels.size(); ++i) in[i] = pixels[i];
    fftwl_execute(plan);
    for (size_t i = 0; i < sum.size(); ++i)
      sum[i] += spectrum[i][0] * spectrum[i][0] + spectrum[i][1] * spectrum[i][1];
  }
  long double top = 0;
  for (long double v : sum) top = v > top ? v : top;
  std::printf("%Lg\n", top);
  fftwl_destroy_plan(plan);
  fftwl_free(in);
  fftwl_free(spectrum);
  return 0;
}

// FITS files written by other programs load with the values those programs wrote. The
// expected values come from astropy, an independent FITS implementation, run at test time.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/OTrame.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

const char* kPython = "/usr/bin/python3";

std::string Script() {
  return test::SourceDir() + "tests/core/make_fits_fixtures.py";
}

bool AstropyAvailable() {
  return test::Run(std::string(kPython) + " -c 'import astropy, numpy' 2>/dev/null") == 0;
}

struct Dump {
  int64_t width = 0, height = 0, bitpix = 0;
  std::vector<double> values;  // row after row
};

Dump AstropyDump(const std::string& fitsPath, const test::TempDir& dir) {
  Dump d;
  const std::string out = dir.File("dump.bin");
  const int status =
      test::Run(std::string(kPython) + " '" + Script() + "' dump '" + fitsPath + "' '" + out + "'");
  EXPECT_EQ(status, 0) << fitsPath;
  const auto bytes = test::ReadBytes(out);
  if (bytes.size() < 24) return d;
  std::memcpy(&d.width, bytes.data(), 8);
  std::memcpy(&d.height, bytes.data() + 8, 8);
  std::memcpy(&d.bitpix, bytes.data() + 16, 8);
  d.values.resize((bytes.size() - 24) / 8);
  std::memcpy(d.values.data(), bytes.data() + 24, d.values.size() * 8);
  return d;
}

// Compares Orvek's frame with astropy's values: non-finite samples count as 0, and a frame
// with negative values is shifted so that its minimum is 0.
void ExpectSameValues(const OTrame& f, const Dump& d, const std::string& what) {
  ASSERT_EQ(f.Width(), d.width) << what;
  ASSERT_EQ(f.Height(), d.height) << what;
  ASSERT_EQ(d.values.size(), static_cast<size_t>(d.width * d.height)) << what;
  double minimum = 0;
  bool first = true;
  for (double v : d.values) {
    const double s = std::isfinite(v) ? v : 0.0;
    if (first || s < minimum) minimum = s;
    first = false;
  }
  const double shift = minimum < 0 ? minimum : 0;
  int mismatches = 0;
  for (int64_t y = 0; y < d.height; ++y) {
    for (int64_t x = 0; x < d.width; ++x) {
      double expected = d.values[static_cast<size_t>(y * d.width + x)];
      if (!std::isfinite(expected)) expected = 0;
      expected -= shift;
      const double got =
          static_cast<double>(f.Px(static_cast<int32_t>(x), static_cast<int32_t>(y)));
      const double tolerance = 1e-9 * std::max(1.0, std::fabs(expected));
      if (std::fabs(got - expected) > tolerance && ++mismatches <= 3) {
        ADD_FAILURE() << what << " at (" << x << ", " << y << "): " << got << " vs astropy "
                      << expected;
      }
    }
  }
  EXPECT_EQ(mismatches, 0) << what;
}

class FitsInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!AstropyAvailable()) GTEST_SKIP() << "python3-astropy is not installed";
  }
  test::TempDir dir;
};

TEST_F(FitsInterop, FixturesWrittenByAstropy) {
  ASSERT_EQ(test::Run(std::string(kPython) + " '" + Script() + "' write '" + dir.Path() + "'"), 0);
  for (const char* name :
       {"u8.fits", "u16.fits", "i32.fits", "f32.fits", "f64.fits", "scaled_i16_blocks.fits"}) {
    const std::string path = dir.File(name);
    OTrame f;
    const LoadResult r = f.LoadFile(path);
    ASSERT_TRUE(r.ok()) << name << ": " << r.message;
    EXPECT_EQ(f.FormatText, "Format FIT");
    ExpectSameValues(f, AstropyDump(path, dir), name);
  }
}

TEST_F(FitsInterop, RealFilesFromOtherPrograms) {
  const std::string root = test::RealDataDir();
  const std::string astropyData = "debian-python3-astropy/usr/lib/python3/dist-packages/astropy/";
  const std::vector<std::string> files = {
      "speckles-interferometry/images/a258_f0001.fit",
      "speckles-interferometry/images/a258_f0012.fit",
      astropyData + "io/fits/tests/data/scale.fits",
      astropyData + "io/fits/tests/data/arange.fits",
      astropyData + "io/fits/tests/data/fixed-1890.fits",
      astropyData + "wcs/tests/data/header_newlines.fits",
      astropyData + "modeling/tests/data/1904-66_AZP.fits",
      "debian-python3-ccdproc/usr/lib/python3/dist-packages/ccdproc/tests/data/a8280271.fits",
      "debian-python3-ccdproc/usr/lib/python3/dist-packages/ccdproc/tests/data/sip-wcs.fit",
      "debian-python3-astroquery/usr/lib/python3/dist-packages/astroquery/ipac/ned/tests/data/"
      "query_images.fits",
      "debian-python3-astroquery/usr/lib/python3/dist-packages/astroquery/cadc/tests/data/"
      "query_images.fits",
      "debian-python3-sunpy/usr/lib/python3/dist-packages/sunpy/data/test/EIT/"
      "efz20040301.000010_s.fits",
      "debian-python3-reproject/usr/lib/python3/dist-packages/reproject/tests/data/"
      "equatorial_3d.fits",
      "debian-python3-spectral-cube/usr/lib/python3/dist-packages/spectral_cube/tests/data/"
      "example_cube.fits",
      "debian-iraf-noao/usr/lib/iraf/noao/digiphot/apphot/test/fits1.fits",
      "debian-iraf-noao/usr/lib/iraf/noao/digiphot/apphot/test/fits3.fits",
      "debian-iraf-noao/usr/lib/iraf/noao/digiphot/apphot/test/fits4.fits",
      "nom-tam-fits/src/test/resources/nom/tam/image/provided/m13.fits",
      "nom-tam-fits/src/test/resources/nom/tam/image/provided/m13real.fits",
      "nom-tam-fits/src/test/resources/nom/tam/fits/test/test_dup.fits",
  };
  int checked = 0;
  for (const std::string& rel : files) {
    const std::string path = root + rel;
    if (!test::FileExistsForTest(path)) {
      ADD_FAILURE() << "real data file missing: " << path;
      continue;
    }
    OTrame f;
    const LoadResult r = f.LoadFile(path);
    ASSERT_TRUE(r.ok()) << rel << ": " << r.message;
    ExpectSameValues(f, AstropyDump(path, dir), rel);
    ++checked;
  }
  EXPECT_EQ(checked, static_cast<int>(files.size()));
}

TEST_F(FitsInterop, FilesWithoutAPrimaryImageAreRefusedClearly) {
  const std::string root = test::RealDataDir();
  const std::string data =
      "debian-python3-astropy/usr/lib/python3/dist-packages/astropy/io/fits/tests/data/";
  struct Case {
    std::string file;
    ErrorCode code;
    std::string field;
  };
  const std::vector<Case> cases = {
      {data + "test0.fits", ErrorCode::NoImageCard, "NAXIS1"},          // multi-extension
      {data + "o4sp040b0_raw.fits", ErrorCode::NoImageCard, "NAXIS1"},  // six header blocks
      {data + "comp.fits", ErrorCode::NoImageCard, "NAXIS1"},  // tile-compressed, in a table
      {data + "group.fits", ErrorCode::ImageSizeInvalid, ""},  // random groups, NAXIS1 = 0
      {data + "blank.fits", ErrorCode::UnsupportedValue, "BITPIX"},
      {"debian-python3-astroscrappy/usr/lib/python3/dist-packages/astroscrappy/tests/data/"
       "gmos.fits",
       ErrorCode::NoImageCard, "NAXIS1"},
  };
  for (const Case& c : cases) {
    OTrame f;
    const LoadResult r = f.LoadFile(root + c.file);
    EXPECT_EQ(r.status, LoadStatus::Error) << c.file;
    EXPECT_EQ(r.error.code, c.code) << c.file << ": " << DebugText(r.error);
    EXPECT_EQ(r.error.field, c.field) << c.file;
    EXPECT_EQ(r.error.path, root + c.file) << "the failure names the file";
  }
}

}  // namespace
}  // namespace orvek

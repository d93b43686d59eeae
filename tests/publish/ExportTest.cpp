// The three export layouts against lines written by hand from the values given.

#include <gtest/gtest.h>

#include <vector>

#include "measure/Export.h"

namespace orvek {
namespace {

// A series of two nights, the second without time stamps.
ObservationSummary TwoNights() {
  ObservationSummary s;
  s.all = {5, 2024.56749, 123.456, 12.3456, 0.3456, 0.02345, 0.1546, 0.01049};
  s.nights = {{3, 2024.5612, 123.40, 12.341, 0.31, 0.021, 0.179, 0.0121},
              {2, std::nullopt, 123.54, 12.352, 0.44, 0.028, 0.311, 0.0198}};
  return s;
}

ExportDetails Details() {
  return {"STF 1234AB", "12345+6789", 7.5, 8.1, 20, "C", "XyZ", "seeing 2"};
}

TEST(Export, WdsLineColumnByColumn) {
  EXPECT_EQ(*FormatWds(TwoNights(), Details()),
            "12345+6789STF1234AB     2024.567 123.5  12.346   2  0.20 C  XyZ\n");
  // No epoch: the line says so. Unknown fields stay blank; another designation form.
  ObservationSummary untimed = TwoNights();
  untimed.all.epoch.reset();
  ExportDetails few;
  few.pair = "STT 547";
  EXPECT_EQ(*FormatWds(untimed, few), "          STT 547       no epoch 123.5  12.346   2\n");
}

TEST(Export, JdsoTableHasALinePerNightAndTheMean) {
  EXPECT_EQ(*FormatJdso(TwoNights(), Details()),
            "Name        WDS         Mags         PA  PA sd  PA se    Sep  Sep sd  Sep se      "
            "Date  N  Notes\n"
            "STF 1234AB  12345+6789  7.5, 8.1  123.4   0.31   0.18  12.34   0.021   0.012  "
            "2024.561  3\n"
            "STF 1234AB  12345+6789  7.5, 8.1  123.5   0.44   0.31  12.35   0.028   0.020  "
            "no epoch  2\n"
            "STF 1234AB  12345+6789  7.5, 8.1  123.5   0.35   0.15  12.35   0.023   0.010  "
            "2024.567  2  mean; seeing 2\n");
}

TEST(Export, CsvRowsPerFrameThenTheSummary) {
  std::vector<ExportFrame> frames(2);
  frames[0] = {"a,1.fits",
               "2024-07-24T21:00:00.000",
               {123.4, 12.34, 2024.5612},
               10.5,
               20.25,
               30,
               40.125,
               0.5,
               -0.05,
               0.01};
  frames[1] = {"b.fits", "", {100, 10, {}}, 1, 2, 3, 4, {}, 0, 0};
  ObservationSummary s = TwoNights();
  s.thetaErrDeg = 0.4;
  EXPECT_EQ(*FormatCsv(frames, s),
            "file,time_utc,epoch,xA,yA,xB,yB,theta,rho,dm,r_theta,r_rho\n"
            "\"a,1.fits\",2024-07-24T21:00:00.000,2024.5612,10.5,20.25,30,40.125,123.4,12.34,"
            "0.5,-0.05,0.01\n"
            "b.fits,,,1,2,3,4,100,10,,0,0\n"
            "mean,,2024.56749,,,,,123.456,12.3456,,,\n"
            "sd,,,,,,,0.3456,0.02345,,,\n"
            "sem,,,,,,,0.1546,0.01049,,,\n"
            "err,,,,,,,0.4,,,,\n");
}

TEST(Export, RefusesWhatItCannotWriteFaithfully) {
  struct Bad {
    ExportFormat format;
    ExportDetails details;
    ErrorCode code;
  };
  ExportDetails wds = Details(), method = Details(), pair = Details(), aperture = Details();
  wds.wds = "1234+567";
  method.method = "X";
  pair.pair = "STFA 123456AB";
  aperture.apertureCm = -20;
  for (const Bad& bad : {Bad{ExportFormat::Jdso, wds, ErrorCode::WdsCoordinates},
                         Bad{ExportFormat::Wds, method, ErrorCode::MethodCode},
                         Bad{ExportFormat::Wds, pair, ErrorCode::FieldTooLong},
                         Bad{ExportFormat::Wds, aperture, ErrorCode::OutOfRange}}) {
    const Result<std::string> r = FormatExport(bad.format, {}, TwoNights(), bad.details);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, bad.code) << DebugText(r.error());
  }
  for (ExportFormat f : {ExportFormat::Jdso, ExportFormat::Wds, ExportFormat::Csv})
    EXPECT_EQ(FormatExport(f, {}, {}, Details()).error().code, ErrorCode::NoMeasures);
}

}  // namespace
}  // namespace orvek

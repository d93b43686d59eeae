// The series commands in a temporary working folder: power spectra, cross-spectra, STOP,
// the size message, the background series and "Result".

#include <gtest/gtest.h>

#include "core/Output.h"

#include <filesystem>
#include <random>

#include "core/FitsBuilder.h"
#include "core/Utils.h"
#include "fourier/FourierTestSupport.h"
#include "fourier/Interferometry.h"
#include "fourier/OFFT.h"
#include "support/TestSupport.h"

namespace orvek::fourier {
namespace {

using E = long double;
using test::LoadOrv;
using test::RecordingObserver;
using test::SameBits;
using test::WriteOrv;

OTrame Speckles(int n, unsigned seed) {
  // A few bright blobs on a dim background, integer values as a camera gives.
  std::mt19937 rng(seed);
  OTrame f = test::MakeFrame(n, n, 100);
  for (int k = 0; k < 12; ++k) {
    const int cx = 10 + rng() % (n - 20), cy = 10 + rng() % (n - 20);
    for (int dx = -2; dx <= 2; ++dx)
      for (int dy = -2; dy <= 2; ++dy) f.Px(cx + dx, cy + dy) += 3000 / (1 + dx * dx + dy * dy);
  }
  return f;
}

class InterferometryFolder : public ::testing::Test {
 protected:
  test::TempHome home;
  std::string folder = WorkFolder(kInterferometryFolder);
  std::string inputs = home.Path();  // the images live beside the working folder

  std::string Image(const std::string& name, const OTrame& f) { return WriteOrv(f, inputs + name); }
  std::vector<std::string> Orvc() { return InterferometryList(folder); }
};

TEST_F(InterferometryFolder, OneFrameGivesItsCentredAutocorrelation) {
  const OTrame frame = Speckles(128, 1);
  SeriesInput in;
  in.files = {Image("a.orv", frame)};
  const FourierResult r = SumPowerSpectra(in, ProgramOutput(folder), "PuisDouble", false);
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  ASSERT_EQ(r.written, std::vector<std::string>{folder + "PuisDouble.orvc"});
  EXPECT_EQ(r.shown, folder + "PuisDouble.orvc");
  const OTrame out = LoadOrv(folder + "PuisDouble.orvc");
  ASSERT_EQ(out.Width(), 128);
  // The autocorrelation peaks at zero shift, which the swap puts at [64][64]; it is written as
  // (65535 / max) x max, 65535 within one rounding.
  EXPECT_NEAR(static_cast<double>(out.Px(64, 64)), 65535.0, 1e-10);
  E maxValue = 0;
  for (E v : out.Data()) maxValue = std::max(maxValue, v);
  EXPECT_EQ(maxValue, out.Px(64, 64));
  const std::vector<E> expected = test::ReferenceAutocorrelation({frame});
  for (int x = 0; x < 128; ++x)
    for (int y = 0; y < 128; ++y) ASSERT_TRUE(SameBits(out.Px(x, y), expected[x * 128 + y]));
}

TEST_F(InterferometryFolder, SeveralFramesAndEnhancedMode) {
  // Without a pool the images are summed one after the other; with one and no observer each
  // image is transformed on a task of its own and added in turn: the same sum bit for bit.
  // The second image is a FITS file behind a long header, read much more slowly than the
  // images after it: they must still wait for their turn.
  std::vector<OTrame> frames;
  for (unsigned k = 2; k <= 6; ++k) frames.push_back(Speckles(64, k));
  SeriesInput in;
  for (size_t i = 0; i < frames.size(); ++i)
    in.files.push_back(Image("f" + std::to_string(i) + ".orv", frames[i]));
  test::FitsBuilder slow;
  slow.Image(16, 64, 64).Card("BZERO", "32768");
  for (int c = 0; c < 40000; ++c) slow.Raw("COMMENT a header that takes long to read");
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) slow.I16(static_cast<int>(frames[1].Px(x, y)) - 32768);
  in.files[1] = inputs + "f1.fit";
  test::WriteBytes(in.files[1], slow.Bytes());
  ASSERT_TRUE(frames[1].LoadFile(in.files[1]).ok());
  const std::vector<E> expected = test::ReferenceAutocorrelation(frames);
  std::vector<OTrame> squared = frames;
  for (OTrame& f : squared) f.SquarePixels();
  const std::vector<E> expectedEnhanced = test::ReferenceAutocorrelation(squared);
  const auto before = test::ReadBytes(in.files[0]);
  for (int tasks : {1, 2, 3}) {
    WorkerPool pool(tasks);
    in.pool = tasks > 1 ? &pool : nullptr;
    ASSERT_TRUE(SumPowerSpectra(in, ProgramOutput(folder), "PuisDouble", false).ok());
    OTrame out = LoadOrv(folder + "PuisDouble.orvc");
    for (size_t i = 0; i < expected.size(); ++i)
      ASSERT_TRUE(SameBits(out.Data()[i], expected[i])) << tasks << " tasks, at " << i;

    // Enhanced: each image is squared in memory before its transform; its file is unchanged.
    ASSERT_TRUE(SumPowerSpectra(in, ProgramOutput(folder), "PuisDouble", true).ok());
    EXPECT_EQ(test::ReadBytes(in.files[0]), before);
    out = LoadOrv(folder + "PuisDouble.orvc");
    for (size_t i = 0; i < expectedEnhanced.size(); ++i)
      ASSERT_TRUE(SameBits(out.Data()[i], expectedEnhanced[i])) << tasks << " tasks, at " << i;
  }
}

TEST_F(InterferometryFolder, WrongSizeWritesNothing) {
  SeriesInput in;
  in.files = {Image("odd.orv", test::MakeFrame(100, 100, 5))};
  const FourierResult r = AutoCorrelationCommand(in, ProgramOutput(folder), false);
  EXPECT_EQ(r.status, FourierStatus::WrongSize);
  EXPECT_EQ(r.error.code, ErrorCode::NotCentredSize);
  EXPECT_EQ(r.error.values, (std::vector<double>{100, 100}));
  EXPECT_TRUE(r.written.empty());
  EXPECT_TRUE(ListFiles(folder, "*.*").empty());
}

TEST_F(InterferometryFolder, FramesOfAnotherSizeLaterInTheSeriesAreRefused) {
  // The first image in list order that cannot be added names the failure, also when the
  // images are read on several tasks and a later one fails sooner (the third image is slow
  // to read: a FITS file of another size behind a long header).
  test::FitsBuilder slow;
  slow.Image(16, 64, 64);
  for (int c = 0; c < 40000; ++c) slow.Raw("COMMENT a header that takes long to read");
  for (int i = 0; i < 64 * 64; ++i) slow.I16(i % 300);
  test::WriteBytes(inputs + "c.fit", slow.Bytes());
  SeriesInput in;
  in.files = {Image("a.orv", Speckles(128, 5)), Image("b.orv", Speckles(128, 6)), inputs + "c.fit",
              inputs + "missing.orv", Image("e.orv", Speckles(128, 7))};
  for (int tasks : {1, 2, 3}) {
    WorkerPool pool(tasks);
    in.pool = tasks > 1 ? &pool : nullptr;
    const FourierResult r = SumPowerSpectra(in, ProgramOutput(folder), "PuisDouble", false);
    EXPECT_EQ(r.status, FourierStatus::WrongSize) << tasks;
    EXPECT_EQ(r.error.code, ErrorCode::FrameSizesDiffer) << tasks;
    EXPECT_EQ(r.error.path, in.files[2]) << tasks;
    EXPECT_FALSE(FileExists(folder + "PuisDouble.orvc"));
  }
}

TEST_F(InterferometryFolder, StopKeepsTheOlderFile) {
  SeriesInput in;
  in.files = {Image("a.orv", Speckles(64, 7)), Image("b.orv", Speckles(64, 8))};
  ASSERT_TRUE(TargetPowerSpectrum(in, ProgramOutput(folder), false).ok());
  const auto older = test::ReadBytes(folder + "PuisDouble.orvc");
  in.files = {Image("c.orv", Speckles(64, 9)), Image("d.orv", Speckles(64, 10))};
  RecordingObserver stop;
  stop.stopAt = 1;
  in.observer = &stop;
  const FourierResult r = TargetPowerSpectrum(in, ProgramOutput(folder), false);
  EXPECT_EQ(r.status, FourierStatus::Stopped);
  EXPECT_TRUE(r.written.empty());
  EXPECT_EQ(test::ReadBytes(folder + "PuisDouble.orvc"), older);
}

TEST_F(InterferometryFolder, NothingTickedDoesNothing) {
  SeriesInput in;
  EXPECT_EQ(SumPowerSpectra(in, ProgramOutput(folder), "PuisDouble", false).status,
            FourierStatus::NothingTicked);
  EXPECT_EQ(SumCrossSpectra(in, ProgramOutput(folder), "PuisDouble").status,
            FourierStatus::NothingTicked);
}

TEST_F(InterferometryFolder, ConstantImageGivesZeroBackgroundSeries) {
  // The box mean of a constant 1000 is (2r+1)^2 x 1000 / (2r+1)^2 = 1000 exactly and the
  // border keeps the image itself, so every S1..S9 is 0 everywhere; S0 is the image.
  const OTrame constant = test::MakeFrame(64, 64, 1000);
  const FourierResult r = BuildBackgroundSeries(constant, ProgramOutput(folder), "AutoSous");
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  const std::vector<std::string> list = Orvc();
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(list.front(), "S0_AutoSous.orvc");
  EXPECT_TRUE(FileExists(folder + "Back.orva"));
  EXPECT_EQ(r.shown, folder + "S0_AutoSous.orvc");
  for (int d = 1; d <= 9; ++d) {
    const OTrame s = LoadOrv(folder + "S" + std::to_string(d) + "_AutoSous.orvc");
    for (E v : s.Data()) ASSERT_EQ(v, 0.0L) << d;
  }
  const OTrame s0 = LoadOrv(folder + "S0_AutoSous.orvc");
  for (E v : s0.Data()) ASSERT_EQ(v, 1000.0L);
}

TEST_F(InterferometryFolder, BackgroundOfOneBrightPixel) {
  // A single 900 on 0 at [20][20] of a 64 x 64 image, radius 1: the box mean is 100 on the
  // 3 x 3 block round it, so the difference is 800 at the pixel and -100 on its 8 neighbours;
  // shifted by +100: 900 at the pixel, 0 on the neighbours, 100 everywhere else.
  OTrame f = test::MakeFrame(64, 64, 0);
  f.Px(20, 20) = 900;
  ASSERT_TRUE(BuildBackgroundSeries(f, ProgramOutput(folder), "X").ok());
  const OTrame s1 = LoadOrv(folder + "S1_X.orvc");
  EXPECT_EQ(s1.Px(20, 20), 900.0L);
  EXPECT_EQ(s1.Px(21, 21), 0.0L);
  EXPECT_EQ(s1.Px(19, 20), 0.0L);
  EXPECT_EQ(s1.Px(40, 40), 100.0L);
  EXPECT_EQ(s1.Px(0, 0), 100.0L);  // outermost ring: 0 before the shift
}

TEST_F(InterferometryFolder, BackgroundSeriesHasTheSumsOfThePlainLoop) {
  // Long fractions make every box sum depend on the order of its additions; the series built
  // on one thread and shared between two tasks must both give the sums of the loop as written
  // (i outer, j inner, one pixel after the other), bit for bit. Odd sides leave a last row
  // and column of their own.
  std::mt19937_64 rng(5);
  OTrame f;
  f.Allocate(41, 37);
  for (E& v : f.Data()) v = static_cast<E>(rng() % 100000) / 7.0L + 1e-9L * (rng() % 1000);
  // The plain loop.
  const int w = f.Width(), h = f.Height();
  std::vector<OTrame> expected;
  OTrame b = f;
  for (int r = 1; r <= 9; ++r) {
    OTrame cur = f;
    for (int x = r; x <= w - 1 - r; ++x) {
      for (int y = r; y <= h - 1 - r; ++y) {
        E sum = 0;
        for (int i = -r; i <= r; ++i)
          for (int j = -r; j <= r; ++j) sum += f.Px(x + i, y + j);
        b.Px(x, y) = sum / static_cast<E>((2 * r + 1) * (2 * r + 1));
      }
    }
    E m = 0;
    for (int x = 0; x < w; ++x)
      for (int y = 0; y < h; ++y) {
        cur.Px(x, y) = cur.Px(x, y) - b.Px(x, y);
        if (cur.Px(x, y) < m) m = cur.Px(x, y);
      }
    if (m < 0)
      for (E& v : cur.Data()) v = v - m;
    expected.push_back(cur);
  }
  WorkerPool pool(2);
  for (WorkerPool* shared : {static_cast<WorkerPool*>(nullptr), &pool}) {
    ASSERT_TRUE(BuildBackgroundSeries(f, ProgramOutput(folder), "P", shared).ok());
    for (int r = 1; r <= 9; ++r) {
      const OTrame got = LoadOrv(folder + "S" + std::to_string(r) + "_P.orvc");
      ASSERT_EQ(got.Data().size(), expected[r - 1].Data().size());
      for (size_t i = 0; i < got.Data().size(); ++i)
        ASSERT_TRUE(SameBits(got.Data()[i], expected[r - 1].Data()[i])) << r << " at " << i;
    }
  }
}

TEST_F(InterferometryFolder, AutoCorrelationCommandLeavesTheTenFiles) {
  SeriesInput in;
  in.files = {Image("a.orv", Speckles(64, 11)), Image("b.orv", Speckles(64, 12))};
  const FourierResult r = AutoCorrelationCommand(in, ProgramOutput(folder), false);
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  const std::vector<std::string> list = Orvc();
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(list.front(), "S0_AutoSous.orvc");
  EXPECT_FALSE(FileExists(folder + "PuisDouble.orvc"));
  // S0 is the autocorrelation itself.
  const OTrame s0 = LoadOrv(folder + "S0_AutoSous.orvc");
  EXPECT_NEAR(static_cast<double>(s0.Px(32, 32)), 65535.0, 1e-10);
}

TEST_F(InterferometryFolder, CrossCorrelationSeriesIsTheReflectionOfTheSingleImageOne) {
  // SumCrossSpectra uses FFT(image) x conj(FFT(image^2)), CrossCorrelateFrame the opposite
  // order: for one image the two results are point reflections through the centre.
  const int n = 64;
  const OTrame frame = Speckles(n, 13);
  SeriesInput in;
  in.files = {Image("a.orv", frame)};
  const FourierResult r = CrossCorrelationCommand(in, ProgramOutput(folder));
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  EXPECT_EQ(Orvc().size(), 10u);
  EXPECT_EQ(Orvc().front(), "S0_InterSous.orvc");
  const OTrame series = LoadOrv(folder + "S0_InterSous.orvc");
  OTrame single = frame;
  ASSERT_TRUE(CrossCorrelateFrame(single));
  for (int x = 1; x < n; ++x)
    for (int y = 1; y < n; ++y)
      ASSERT_NEAR(static_cast<double>(series.Px(x, y)),
                  static_cast<double>(single.Px(n - x, n - y)), 1e-9);
}

TEST_F(InterferometryFolder, ResultSubtractsTheReference) {
  SeriesInput ref, target;
  ref.files = {Image("r.orv", Speckles(64, 14))};
  target.files = {Image("t.orv", Speckles(64, 15))};
  ASSERT_TRUE(ReferencePowerSpectrum(ref, ProgramOutput(folder), false).ok());
  ASSERT_TRUE(TargetPowerSpectrum(target, ProgramOutput(folder), false).ok());
  const OTrame r = LoadOrv(folder + "PuisRef.orvc");
  const OTrame t = LoadOrv(folder + "PuisDouble.orvc");
  const FourierResult res = ResultCommand(ProgramOutput(folder));
  ASSERT_TRUE(res.ok()) << DebugText(res.error);
  const OTrame div = LoadOrv(folder + "S0_Div.orvc");
  for (size_t i = 0; i < div.Data().size(); ++i)
    ASSERT_TRUE(SameBits(div.Data()[i], t.Data()[i] - r.Data()[i]));
  // Both peaks are 65535 within one rounding: the difference is about 0 at the centre.
  EXPECT_NEAR(static_cast<double>(div.Px(32, 32)), 0.0, 1e-10);
}

TEST_F(InterferometryFolder, ResultWithAMissingSpectrumWritesNothing) {
  SeriesInput target;
  target.files = {Image("t.orv", Speckles(64, 16))};
  ASSERT_TRUE(TargetPowerSpectrum(target, ProgramOutput(folder), false).ok());
  const FourierResult r = ResultCommand(ProgramOutput(folder));
  EXPECT_EQ(r.status, FourierStatus::MissingInput);
  EXPECT_EQ(r.error.code, ErrorCode::SpectrumMissing);
  EXPECT_EQ(r.error.path, folder + "PuisRef.orvc");
  EXPECT_TRUE(r.written.empty());
  EXPECT_EQ(ListFiles(folder, "*.*"), std::vector<std::string>{"PuisDouble.orvc"});
}

TEST_F(InterferometryFolder, ResultWithSpectraOfDifferentSizesWritesNothing) {
  SeriesInput ref, target;
  ref.files = {Image("r.orv", Speckles(64, 17))};
  target.files = {Image("t.orv", Speckles(128, 18))};
  ASSERT_TRUE(ReferencePowerSpectrum(ref, ProgramOutput(folder), false).ok());
  ASSERT_TRUE(TargetPowerSpectrum(target, ProgramOutput(folder), false).ok());
  const FourierResult r = ResultCommand(ProgramOutput(folder));
  EXPECT_EQ(r.status, FourierStatus::MissingInput);
  EXPECT_EQ(r.error.code, ErrorCode::SpectraSizesDiffer);
  EXPECT_EQ(r.error.values, (std::vector<double>{128, 128, 64, 64}));
  EXPECT_EQ(ListFiles(folder, "*.*").size(), 2u);
}

TEST_F(InterferometryFolder, SingleImageTransforms) {
  OTrame f = Speckles(64, 19);
  const FourierResult mod =
      SingleTransformCommand(f, SingleTransform::Modulus, ProgramOutput(folder));
  ASSERT_TRUE(mod.ok());
  const OTrame written = LoadOrv(folder + "Fourier.orvc");
  ASSERT_EQ(written.Width(), 64);
  E maxValue = 0;
  for (E v : written.Data()) maxValue = std::max(maxValue, v);
  EXPECT_NEAR(static_cast<double>(maxValue), 32766.0, 32766 * 1e-15);

  OTrame odd = test::MakeFrame(100, 100, 3);
  const FourierResult wrong =
      SingleTransformCommand(odd, SingleTransform::AutoCorrelate, ProgramOutput(folder));
  EXPECT_EQ(wrong.status, FourierStatus::WrongSize);
  EXPECT_TRUE(wrong.written.empty());
  // The cross-correlation writes the unchanged frame, and still says the size is wrong.
  const FourierResult cross =
      SingleTransformCommand(odd, SingleTransform::CrossCorrelate, ProgramOutput(folder));
  EXPECT_EQ(cross.status, FourierStatus::WrongSize);
  EXPECT_EQ(cross.error.code, ErrorCode::NotCentredSize);
  EXPECT_EQ(LoadOrv(folder + "InterCorr.orvc").Px(50, 50), 3.0L);
}

}  // namespace
}  // namespace orvek::fourier

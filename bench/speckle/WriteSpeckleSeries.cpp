// Writes a synthetic speckle series of a close pair as a 16-bit SER video with time stamps:
//   orvek_speckle_series OUTPUT.ser FRAMES SIDE
// The pair: B 6 px right and 3 px up of A at the centre, dm 0.8, D / r0 = 4.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "speckle/SyntheticSpeckle.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s OUTPUT.ser FRAMES SIDE\n", argv[0]);
    return 2;
  }
  const int frames = std::atoi(argv[2]);
  const int side = std::atoi(argv[3]);
  if (frames < 1 || side < 64) {
    std::fprintf(stderr, "FRAMES must be at least 1 and SIDE at least 64\n");
    return 2;
  }
  orvek::speckletest::SpeckleScene scene;
  scene.width = scene.height = side;
  scene.ax = scene.ay = side / 2;
  scene.dx = 6;
  scene.dy = -3;
  scene.dm = 0.8;
  scene.dOverR0 = 4;
  scene.seed = 2000;
  try {
    // 2024-01-01 00:00 UTC in 100 ns ticks from year 1, one frame every 10 ms.
    orvek::speckletest::WriteSpeckleSer(argv[1], scene, frames, 638396640000000000LL, 100000);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}

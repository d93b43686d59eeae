// The program's pool of worker threads.

#include <gtest/gtest.h>

#include <vector>

#include "core/WorkerPool.h"

namespace orvek {
namespace {

TEST(WorkerPool, RunsEveryTaskOnceEvenBeyondItsThreads) {
  // A pool of two runs five tasks: 0 and 2..4 on the caller, 1 on its thread.
  WorkerPool pool(2);
  std::vector<int> runs(5, 0);
  for (int round = 0; round < 50; ++round) pool.Run(5, [&](int t) { ++runs[t]; });
  EXPECT_EQ(runs, std::vector<int>(5, 50));
  WorkerPool single(1);
  std::vector<int> once(3, 0);
  single.Run(3, [&](int t) { ++once[t]; });
  EXPECT_EQ(once, std::vector<int>(3, 1));
  // Without a pool the tasks run one after the other on the caller.
  std::vector<int> order;
  RunTasks(nullptr, 3, [&](int t) { order.push_back(t); });
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

}  // namespace
}  // namespace orvek

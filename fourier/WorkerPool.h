#pragma once
// A small fork-join pool for the Fourier code: the caller runs task 0 itself and the
// pool's threads run the others, so a two-core machine uses both cores without creating
// threads for every transform.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace orvek::fourier {

class WorkerPool {
 public:
  /// A pool able to run `maxTasks` tasks at once (maxTasks - 1 threads are started lazily).
  explicit WorkerPool(int maxTasks);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  /// Runs task(0) .. task(count - 1) and returns when all have finished. Task 0, and the tasks
  /// beyond MaxTasks(), run on the calling thread; the others on the pool's threads. Calls from
  /// several threads are serialised; a task must not call Run on the same pool, nor throw.
  void Run(int count, const std::function<void(int)>& task);

  int MaxTasks() const { return m_maxTasks; }

  /// The process-wide pool sized for this machine (DefaultThreads() tasks).
  static WorkerPool& Shared();

 private:
  void Worker(int index);
  void StartThreads();

  const int m_maxTasks;
  std::mutex m_runMutex;  // one Run at a time
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_done;
  const std::function<void(int)>* m_task = nullptr;
  int m_count = 0;
  int m_pending = 0;
  uint64_t m_generation = 0;
  std::atomic<uint64_t> m_published{0};  // m_generation, readable without the lock
  std::atomic<bool> m_finished{true};    // every thread of the current job is done
  bool m_quit = false;
  std::vector<std::thread> m_threads;
};

/// Threads the Fourier code uses by default: the machine's hardware threads, 1 to 8.
int DefaultThreads();

}  // namespace orvek::fourier

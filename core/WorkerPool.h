#pragma once
// The program's one pool of worker threads: created by the program at start (the window
// program and orvek-cli), handed to the library functions that share work among cores, and
// joined when the program ends. A fork-join pool: the caller runs task 0 itself and the pool's
// threads run the others, so a two-core machine uses both cores without creating threads for
// every transform or every series.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace orvek {

class WorkerPool {
 public:
  /// A pool able to run `maxTasks` tasks at once: the calling thread and maxTasks - 1 threads,
  /// started on the first Run that needs them.
  explicit WorkerPool(int maxTasks);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  /// Runs task(0) .. task(count - 1) and returns when all have finished. Task 0, and the tasks
  /// beyond MaxTasks(), run on the calling thread; the others on the pool's threads, each on
  /// its own. Calls from several threads are serialised; a task must not call Run on the same
  /// pool, nor throw.
  void Run(int count, const std::function<void(int)>& task);

  /// Tasks that run at the same time.
  int MaxTasks() const { return m_maxTasks; }

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

/// The tasks a pool runs at once; 1 without a pool.
inline int TasksOf(const WorkerPool* pool) {
  return pool == nullptr ? 1 : pool->MaxTasks();
}

/// Runs task(0) .. task(count - 1) on `pool`, or one after the other on the calling thread
/// when there is none.
void RunTasks(WorkerPool* pool, int count, const std::function<void(int)>& task);

/// Threads a program's pool gets by default: the machine's hardware threads, 1 to 8.
int DefaultThreads();

}  // namespace orvek

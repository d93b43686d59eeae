#include "core/WorkerPool.h"

#include <algorithm>

namespace orvek {

int DefaultThreads() {
  const unsigned hw = std::thread::hardware_concurrency();
  return std::clamp(static_cast<int>(hw == 0 ? 1 : hw), 1, 8);
}

void RunTasks(WorkerPool* pool, int count, const std::function<void(int)>& task) {
  if (pool != nullptr) {
    pool->Run(count, task);
    return;
  }
  for (int i = 0; i < count; ++i) task(i);
}

WorkerPool::WorkerPool(int maxTasks) : m_maxTasks(std::max(1, maxTasks)) {}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_quit = true;
  }
  m_wake.notify_all();
  for (std::thread& t : m_threads) t.join();
}

void WorkerPool::StartThreads() {
  for (int i = 1; i < m_maxTasks; ++i) m_threads.emplace_back([this, i] { Worker(i); });
}

namespace {
// A series sends jobs back to back: a thread that has just finished looks for the next one for
// a few tens of microseconds before going to sleep, which saves the wake-up latency.
constexpr int kSpins = 4000;
inline void Pause() {
  __builtin_ia32_pause();
}
}  // namespace

void WorkerPool::Worker(int index) {
  uint64_t seen = 0;
  for (;;) {
    const std::function<void(int)>* task = nullptr;
    for (int i = 0; i < kSpins && m_published.load(std::memory_order_acquire) == seen; ++i) Pause();
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_wake.wait(lock, [&] { return m_quit || m_generation != seen; });
      if (m_quit) return;
      seen = m_generation;
      if (index >= m_count) continue;
      task = m_task;
    }
    (*task)(index);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (--m_pending == 0) {
        m_finished.store(true, std::memory_order_release);
        m_done.notify_one();
      }
    }
  }
}

void WorkerPool::Run(int count, const std::function<void(int)>& task) {
  if (count <= 0) return;
  // Tasks beyond the pool's threads run on the calling thread after its own.
  const int parallel = std::min(count, m_maxTasks);
  if (parallel == 1) {
    for (int i = 0; i < count; ++i) task(i);
    return;
  }
  std::lock_guard<std::mutex> runLock(m_runMutex);
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_threads.empty()) StartThreads();
    m_task = &task;
    m_count = parallel;
    m_pending = parallel - 1;
    m_finished.store(false, std::memory_order_relaxed);
    ++m_generation;
    m_published.store(m_generation, std::memory_order_release);
  }
  m_wake.notify_all();
  task(0);
  for (int i = parallel; i < count; ++i) task(i);
  for (int i = 0; i < kSpins && !m_finished.load(std::memory_order_acquire); ++i) Pause();
  std::unique_lock<std::mutex> lock(m_mutex);
  m_done.wait(lock, [&] { return m_pending == 0; });
  m_task = nullptr;
}

}  // namespace orvek

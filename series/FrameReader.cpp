#include "series/FrameReader.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>

#include "core/FrameProvider.h"
#include "core/Utils.h"
#include "core/WorkerPool.h"

namespace orvek {

namespace {

bool IsFitsName(const std::string& path) {
  const std::string ext = UpperExtension(path);
  return ext == ".FIT" || ext == ".FITS" || ext == ".FTS";
}

// Reads the whole values of a FITS frame in the file's order: true when they stand for the
// frame (slot.rowsOk), or when the read failed (slot.read); false to read the frame.
bool ReadRows(const std::string& path, const LoadContext& context, ReadSlot& slot) {
  const Result<bool> whole = ReadFitsRows(path, slot.rows);
  if (!whole) {
    slot.read.status = LoadStatus::Error;
    slot.read.error = whole.error();
    return true;
  }
  // A bias frame of the same size would be subtracted: then the values are not those read.
  const OTrame* bias = context.bias;
  const bool biased = bias != nullptr && !bias->Empty() && bias->Width() == slot.rows.width &&
                      bias->Height() == slot.rows.height;
  if (!whole.value() || biased) return false;
  slot.rowsOk = true;
  slot.frame = OTrame();
  return true;
}

void ReadEntry(const std::string& path, const LoadContext& context, ReadWhat what, ReadSlot& slot) {
  slot.read = LoadResult{};
  slot.wholeOk = false;
  slot.rowsOk = false;
  if (path.empty()) {
    slot.frame = OTrame();
    return;
  }
  const bool wholeValues = what != ReadWhat::Frame;
  try {
    // A frame given by the context's provider is read through it, whatever its name.
    const bool provided = context.frames != nullptr && context.frames->Provides(path);
    if (what == ReadWhat::WholeRows && !provided && IsFitsName(path) &&
        ReadRows(path, context, slot))
      return;
    slot.read = slot.frame.LoadFile(path, context.bias, context.fits, nullptr,
                                    wholeValues ? &slot.whole : nullptr, context.frames);
    // Frames the reader did not give as whole values may still be (8-bit BMP...).
    slot.wholeOk =
        wholeValues && slot.read.ok() &&
        (slot.whole.size() == slot.frame.Data().size() || slot.frame.WholeValues(slot.whole));
  } catch (const std::exception& e) {
    slot.read.status = LoadStatus::Error;
    slot.read.message = e.what();
  }
}

// The shared state of a read-ahead run.
class Ring {
 public:
  Ring(const std::vector<std::string>& paths, const LoadContext& context, ReadWhat what,
       const std::function<void(size_t, ReadSlot&)>& inTurn,
       const std::function<void(size_t, const ReadSlot&)>& consume, size_t slots)
      : m_paths(paths),
        m_context(context),
        m_what(what),
        m_inTurn(inTurn),
        m_consume(consume),
        m_slots(slots),
        m_owner(slots),
        m_ready(slots, false) {
    for (size_t s = 0; s < slots; ++s) m_owner[s] = s;  // slot s first serves entry s
  }

  // A task of the pool other than the caller's: reads entries until none is left.
  void Reader() {
    for (;;) {
      size_t t = 0;
      {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_stop || m_next >= m_paths.size()) return;
        t = m_next++;
        m_changed.wait(lock, [&] { return m_stop || m_owner[t % m_slots.size()] == t; });
        if (m_stop) return;
      }
      if (!Read(t)) return;
    }
  }

  // The caller's task: consumes the entries in order, and reads one whenever the next to
  // consume is not ready and the next to read has a free slot.
  void Caller() {
    try {
      std::unique_lock<std::mutex> lock(m_mutex);
      while (m_consumed < m_paths.size()) {
        const size_t s = m_consumed % m_slots.size();
        if (m_ready[s] && m_owner[s] == m_consumed) {
          lock.unlock();
          m_consume(m_consumed, m_slots[s]);
          lock.lock();
          m_ready[s] = false;
          m_owner[s] += m_slots.size();
          ++m_consumed;
          m_changed.notify_all();
        } else if (m_next < m_paths.size() && m_owner[m_next % m_slots.size()] == m_next) {
          // Its slot is free, so every entry claimed before it has a free slot too: the
          // readers of those never wait for this thread, and the turn comes.
          const size_t t = m_next++;
          lock.unlock();
          Read(t);
          lock.lock();
        } else {
          m_changed.wait(lock);
        }
      }
    } catch (...) {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_error = std::current_exception();
      m_stop = true;
      m_changed.notify_all();
    }
  }

  std::exception_ptr Error() const { return m_error; }

 private:
  // Reads entry t into its slot, then runs its in-turn work once every earlier entry's is
  // done. False when the run was stopped meanwhile.
  bool Read(size_t t) {
    ReadSlot& slot = m_slots[t % m_slots.size()];
    ReadEntry(m_paths[t], m_context, m_what, slot);
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_changed.wait(lock, [&] { return m_stop || m_turn == t; });
      if (m_stop) return false;
    }
    if (m_inTurn) m_inTurn(t, slot);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      ++m_turn;
      m_ready[t % m_slots.size()] = true;
    }
    m_changed.notify_all();
    return true;
  }

  const std::vector<std::string>& m_paths;
  const LoadContext& m_context;
  const ReadWhat m_what;
  const std::function<void(size_t, ReadSlot&)>& m_inTurn;
  const std::function<void(size_t, const ReadSlot&)>& m_consume;
  std::vector<ReadSlot> m_slots;
  std::vector<size_t> m_owner;  // per slot: the entry it may take next
  std::vector<bool> m_ready;    // per slot: its entry is read and done in turn
  std::mutex m_mutex;
  std::condition_variable m_changed;
  size_t m_next = 0;      // the next entry to read
  size_t m_turn = 0;      // the entry whose in-turn work comes next
  size_t m_consumed = 0;  // the next entry to consume
  bool m_stop = false;
  std::exception_ptr m_error;
};

}  // namespace

void ReadInOrder(const std::vector<std::string>& paths, const LoadContext& context, ReadWhat what,
                 const std::function<void(size_t, ReadSlot&)>& inTurn,
                 const std::function<void(size_t, const ReadSlot&)>& consume) {
  const int tasks =
      static_cast<int>(std::min<size_t>(static_cast<size_t>(TasksOf(context.pool)), paths.size()));
  if (tasks <= 1) {
    ReadSlot slot;
    for (size_t t = 0; t < paths.size(); ++t) {
      ReadEntry(paths[t], context, what, slot);
      if (inTurn) inTurn(t, slot);
      consume(t, slot);
    }
    return;
  }
  Ring ring(paths, context, what, inTurn, consume, static_cast<size_t>(tasks) + 1);
  context.pool->Run(tasks, [&](int task) {
    if (task == 0) {
      ring.Caller();
    } else {
      ring.Reader();
    }
  });
  if (ring.Error()) std::rethrow_exception(ring.Error());
}

}  // namespace orvek

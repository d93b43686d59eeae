#pragma once
// Reading the frames of a series ahead on the program's worker pool while the calling thread
// takes them in list order.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/OTrame.h"
#include "measure/FrameLoader.h"

namespace orvek {

/// One entry of a series as read.
struct ReadSlot {
  OTrame frame;          ///< the frame read (empty for a place-holder)
  LoadResult read;       ///< how the read ended
  WholeStore whole;      ///< with whole values asked for: the pixels as integers, column by
  bool wholeOk = false;  ///< column, when every one of them is whole (then wholeOk)
};

/// Reads paths[t], t = 0 .. n - 1, with LoadFile and the context's bias and FITS options; an
/// empty path is a place-holder that is not read (its slot reads Ok, with an empty frame).
/// inTurn(t, slot) runs right after entry t is read, on the task that read it, one entry
/// after the other in list order; consume(t, slot) then runs on the calling thread, in list
/// order. The tasks of context.pool read ahead into a ring of one slot more than the pool has
/// tasks, the calling thread reading too whenever it has nothing to consume; without a pool
/// each entry is read, given to inTurn and consumed in turn. inTurn must not throw; an
/// exception thrown by consume stops the reading and is passed on.
void ReadInOrder(const std::vector<std::string>& paths, const LoadContext& context,
                 bool wholeValues, const std::function<void(size_t, ReadSlot&)>& inTurn,
                 const std::function<void(size_t, const ReadSlot&)>& consume);

}  // namespace orvek

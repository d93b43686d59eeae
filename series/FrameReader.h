#pragma once
// Reading the frames of a series ahead on the program's worker pool while the calling thread
// takes them in list order.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/FitsRows.h"
#include "core/OTrame.h"
#include "measure/FrameLoader.h"

namespace orvek {

/// What a series loop reads of each frame.
enum class ReadWhat {
  Frame,        ///< the frame, as LoadFile reads it
  WholeValues,  ///< the frame, and its pixels as whole numbers when they all are
  /// A FITS frame that LoadFile would give as whole values, and no bias frame applies to:
  /// those values only, in the file's order (the frame, its statistics and star are not
  /// made); any other frame as for WholeValues.
  WholeRows,
};

/// One entry of a series as read.
struct ReadSlot {
  OTrame frame;          ///< the frame read (empty for a place-holder, and when rowsOk)
  LoadResult read;       ///< how the read ended
  WholeStore whole;      ///< WholeValues: the pixels as integers, column by column, when
  bool wholeOk = false;  ///< every one of them is whole (then wholeOk)
  FitsRows rows;         ///< WholeRows: the values in the file's order, when rowsOk
  bool rowsOk = false;
  /// The frame's width and height, however it was read.
  int32_t Width() const { return rowsOk ? rows.width : frame.Width(); }
  int32_t Height() const { return rowsOk ? rows.height : frame.Height(); }
};

/// Reads paths[t], t = 0 .. n - 1, as `what` says, with the context's bias and FITS options; an
/// empty path is a place-holder that is not read (its slot reads Ok, with an empty frame).
/// inTurn(t, slot) runs right after entry t is read, on the task that read it, one entry
/// after the other in list order; consume(t, slot) then runs on the calling thread, in list
/// order. The tasks of context.pool read ahead into a ring of one slot more than the pool has
/// tasks, the calling thread reading too whenever it has nothing to consume; without a pool
/// each entry is read, given to inTurn and consumed in turn. inTurn must not throw; an
/// exception thrown by consume stops the reading and is passed on.
void ReadInOrder(const std::vector<std::string>& paths, const LoadContext& context, ReadWhat what,
                 const std::function<void(size_t, ReadSlot&)>& inTurn,
                 const std::function<void(size_t, const ReadSlot&)>& consume);

}  // namespace orvek

#pragma once
// How long library loops report progress and learn that the user pressed STOP.
// The GUI implements it to show the frame, repaint and read its STOP flag; the command
// line implements it to print nothing (or a counter) and never stop.

#include <string>

#include "core/Error.h"

namespace orvek {

class OTrame;

class SeriesObserver {
 public:
  virtual ~SeriesObserver() = default;
  /// A frame of a series loop was loaded (index from 0 among the loop's items, count items).
  /// Return false to stop the loop (the STOP button), where the loop honours it.
  virtual bool FrameLoaded(int index, int count, const OTrame& frame) { return true; }
  /// A progress text for long work without frames ("12/340").
  virtual bool Progress(int done, int total) { return true; }
  /// A file of the series could not be read or written; the loop goes on.
  virtual void Warning(const std::string& text) {}
  /// The same as a typed failure, for the observer to word; by default passed on to
  /// Warning(text) in its plain developer's form.
  virtual void Problem(const Error& error) { Warning(DebugText(error)); }
  /// False when FrameLoaded never looks at the frame it is given (a counter, the command
  /// line): a loop whose own results need less than the whole frame may then pass an empty
  /// frame instead of making one.
  virtual bool WantsFrames() const { return true; }
};

/// An observer that never stops and reports nothing.
inline SeriesObserver& SilentObserver() {
  struct Silent : SeriesObserver {
    bool WantsFrames() const override { return false; }
  };
  static Silent silent;
  return silent;
}

}  // namespace orvek

#pragma once
// Frames that a series reads by name without a file: the frames of a video, named as its
// import would name their files. OTrame::LoadFile asks the provider it is given for a name the
// provider knows, and reads the file of that name otherwise.

#include <string>

#include "core/Status.h"

namespace orvek {

class OTrame;

class FrameProvider {
 public:
  virtual ~FrameProvider() = default;
  /// True when `name` is one of the provider's frames.
  virtual bool Provides(const std::string& name) const = 0;
  /// Reads the frame `name` into `frame` as a reader reads a file: LastX, LastY, the pixels,
  /// MaxValue, MinValue and the frame's Time when known. Callers may call it from several
  /// threads at once.
  virtual Status Read(const std::string& name, OTrame& frame) = 0;
};

}  // namespace orvek

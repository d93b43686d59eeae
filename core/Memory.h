#pragma once
// Process-wide memory settings for programs that load many large frames.

namespace orvek {

/// Keeps freed frame-sized blocks in the program's heap for the next frame instead of
/// handing them back to the system, so that a series loop does not pay a page fault for
/// every page of every frame. Called once by the programs at start (not by the library).
void PrepareMemoryForFrames();

}  // namespace orvek

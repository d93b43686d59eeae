#include "core/Memory.h"

#include <cstdlib>  // defines __GLIBC__ with the C library
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace orvek {

void PrepareMemoryForFrames() {
#if defined(__GLIBC__)
  // Blocks up to 32 MB (the largest the allocator allows here: a 2000 x 2000 frame) come
  // from the heap, and are reused, rather than from fresh mappings; up to 1 GB of free heap
  // is kept for the next frames.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
}

}  // namespace orvek

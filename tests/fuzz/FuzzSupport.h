#pragma once
// Shared by the fuzz targets: a scratch file for the readers that take a path.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace orvek::fuzz {

/// Writes the input to a scratch file of this process (one per extension, reused) and gives
/// its path.
inline std::string ScratchFile(const uint8_t* data, size_t size, const char* extension) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string path = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                           "/orvek-fuzz-" + std::to_string(::getpid()) + extension;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
  return path;
}

}  // namespace orvek::fuzz

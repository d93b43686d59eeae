#pragma once
// Writing a whole text file so that it is never left half-written.

#include <string>
#include <string_view>

#include "core/Status.h"

namespace orvek {

/// Writes `content` as the file `path`: into a temporary file of the same folder, flushed to
/// the disk, then renamed to `path`, so that the file holds either the new text whole or what
/// it held before. When `replace` is false an existing `path` (or anything of that name) is
/// refused with FileExists and nothing is written. Fails with FileWrite, DiskFull or
/// FileRename (path, system reason), leaving no temporary file behind.
Status DeliverText(const std::string& path, std::string_view content, bool replace);

}  // namespace orvek

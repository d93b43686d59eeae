#pragma once
// Words of the measurement table's outcomes that are not failures, shared by the table
// window and the command line.

#include <string>

namespace orvek {

/// What "Rejets" did, in the interface language of the settings file at `settingsPath`:
/// how many of the `rows` rows it removed, or that it removed none (section language +
/// "Reduction", keys "rejSome" and "rejNone", {v1} removed and {v2} rows).
std::string RejectionSummary(int removed, int rows, const std::string& settingsPath);

}  // namespace orvek

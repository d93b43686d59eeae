#pragma once
// Comma-separated text as spreadsheets and pandas read it: fields quoted only when they hold
// a comma, a double quote or a leading or trailing blank, a quote doubled inside quotes.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

/// The field as written in a line. Line breaks in it become blanks: every record is one line.
std::string CsvField(std::string_view text);
/// The fields joined by commas, each as CsvField writes it (no line end).
std::string CsvLine(const std::vector<std::string>& fields);
/// The fields of one line (without its line end); none when a quoted field is not closed or
/// a closing quote is followed by something other than a comma.
std::optional<std::vector<std::string>> SplitCsvLine(std::string_view line);

}  // namespace orvek

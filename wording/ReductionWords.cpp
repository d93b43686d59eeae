#include "wording/ReductionWords.h"

#include "core/IniFile.h"
#include "core/Rounding.h"
#include "wording/Wording.h"

namespace orvek {

std::string RejectionSummary(int removed, int rows, const std::string& settingsPath) {
  const IniFile settings(settingsPath);
  const std::string key = removed > 0 ? "rejSome" : "rejNone";
  const std::string pattern = Words(settings, InterfaceLanguage(settings), "Reduction", key);
  if (pattern.empty()) return key + " " + FormatInt(removed) + "/" + FormatInt(rows);
  return FillPlaceholders(pattern, Error().Values({double(removed), double(rows)}));
}

}  // namespace orvek

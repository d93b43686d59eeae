#include "series/ImageList.h"

#include "core/Rounding.h"

namespace orvek {

int PercentFromText(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  int64_t value = 0;
  bool any = false;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    any = true;
    if (value <= 1000) value = value * 10 + (text[i] - '0');  // beyond 100 it clamps anyway
    ++i;
  }
  if (!any) return 0;
  return value > 100 ? 100 : static_cast<int>(value);
}

int TickCountForPercent(int count, int percent) {
  if (count <= 0) return 0;
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  const Extended k = static_cast<Extended>(count) * percent / 100;
  return static_cast<int>(Nearest(k));
}

int SelectionPercent(int ticked, int count) {
  if (count <= 0) return 0;
  return static_cast<int>(Nearest(static_cast<Extended>(ticked) * 100 / count));
}

std::string CounterText(int ticked) {
  return "Sel : " + std::to_string(ticked);
}

bool DragEnters(R_ListeFic& state, int index) {
  if (index < 0 || index == state.DernierIndex) return false;
  state.DernierIndex = index;
  return true;
}

}  // namespace orvek

#pragma once
// The headless side of the image list shown at the left of the main window: the list state
// record, the percentage selection, the "Sel : " counter and the drag-toggle rule.
// The window holds the names and ticks in its list control and asks these functions what
// to show and what to tick.

#include <cstdint>
#include <string>

namespace orvek {

/// State of the image list (ListeFic).
struct R_ListeFic {
  std::string Dossier;        ///< folder of the listed files, ending in a separator ("" when none)
  int32_t DernierIndex = -1;  ///< last item toggled by dragging; -1 when none
};

/// The leading integer of a percentage text: leading blanks skipped, parsing stops at the
/// first non-digit ("100%" gives 100, " 5" gives 5, "abc" gives 0), clamped to 0..100.
int PercentFromText(const std::string& text);

/// Number of leading items ticked by a percentage: count x percent / 100 rounded to the
/// nearest integer, halves to even (5 items at 50 % give 2, 7 items at 50 % give 4).
int TickCountForPercent(int count, int percent);

/// Share of ticked items shown in the percentage box: ticked x 100 / count rounded to the
/// nearest integer, halves to even; 0 for an empty list.
int SelectionPercent(int ticked, int count);

/// The counter text: "Sel : " followed by the number of ticked items in decimal.
std::string CounterText(int ticked);

/// Dragging with the left button held: the item under the pointer is toggled when it is not
/// the last one toggled. Returns true when `index` must have its tick inverted, and then
/// remembers it in `state.DernierIndex`. A negative index (no item) toggles nothing.
bool DragEnters(R_ListeFic& state, int index);

}  // namespace orvek

#pragma once
// The image-series commands of the main window: the best-of sorts and the visual selection,
// alignment and cropping, addition, automatic compositing, compositing of the measurement
// table's images, and the bias frame.
//
// The window reads its controls and the image list, the series library does the work, and
// the window shows its results. Every frame a library loop reads is shown on the main window
// as it goes (the frame the library read, not the file read again), the counter shows the
// progress ("12/40"), pending events run between frames, and the best-of sort stops on STOP.

#include <QString>
#include <string>
#include <vector>

#include "measure/FrameLoader.h"
#include "series/BestOf.h"
#include "series/Stacking.h"

namespace orvek {

struct Workbench;

class SeriesCommands {
 public:
  /// Wires the commands of menu "&Traitement" and the "Bias" button.
  explicit SeriesCommands(Workbench& workbench);
  SeriesCommands(const SeriesCommands&) = delete;
  SeriesCommands& operator=(const SeriesCommands&) = delete;

  // ---- Commands (menu items and button) ------------------------------------------------

  void BestOfsnClick();                 ///< "BestOf (S/N)"
  void BestOfMax1Click();               ///< "BestOf (Max)"
  void SlectionManuelle1Click();        ///< "BestOf (Vis)"
  void Retailler1Click();               ///< "&Aligner Liste"
  void Dcoupage1Click();                ///< "Découpage"
  void Additioner1Click();              ///< "A&dditionner Liste"
  void Compositageautomatique1Click();  ///< "Composita&ge automatique"
  void AdditionnerReductions1Click();   ///< "Compositer &Reductions"
  void Button2Click();                  ///< "Bias"

  // ---- Steps, also for other commands ---------------------------------------------------

  /// Scores every list item (STOP shown and honoured) and reorders the list best first,
  /// ticks travelling with their items; the first item is then selected and shown. True
  /// when the list was reordered (false: fewer than 2 items, or STOP).
  bool SortBestOf(BestOfMode mode);
  /// Writes the thumbnails of every list item into "tempv" and opens the visual window.
  void MakeThumbnails();
  /// AlignList(list) with the values the alignment dialog confirmed and the main window's
  /// SubPixellaire box: crops of the ticked items into "temp", the list refilled with that
  /// folder and its first item shown. False (with a message) when nothing was aligned.
  bool AlignList();
  /// AlignList(table) over the given rows of the measurement table.
  bool AlignTable(const std::vector<TableRowInput>& rows);
  /// AddList: the mean of the ticked items into "tempc", shown; frames of another size are
  /// left out and reported. A composite that a row of the measurement table refers to is
  /// kept: the new composite then takes the next free name ("...-2.orvc"), which is said.
  /// False when no composite was written.
  bool AddList();

  /// The load settings of the main window: its bias frame, FITS options and measurement
  /// settings (what LoadAndShow uses).
  LoadContext CurrentLoadContext() const;
  /// The list as the library sees it: full paths and ticks.
  std::vector<SeriesItem> ListItems() const;
  /// True while one of these commands runs (a second one is then ignored).
  bool Running() const { return m_running; }

 private:
  /// LoadAndShow of the current frame's file (or of the selected item when none is shown).
  void ShowCurrentFrame();
  /// The files the rows of the measurement table were measured on ("Path" + "Image").
  std::vector<std::string> TablePaths() const;

  Workbench& m_workbench;
  // One series command at a time: the loops let the window run, so a second command could
  // otherwise start inside the first.
  bool m_running = false;
};

}  // namespace orvek

#pragma once

// Small pieces the menu commands share: a guard against a command starting inside itself
// while its loop lets the window run, the busy pointer, and the observer that shows each
// frame of a library loop on the main window.

#include <QElapsedTimer>
#include <QString>
#include <string>
#include <vector>

#include <QString>

#include "core/Progress.h"
#include "core/Status.h"
#include "fourier/Interferometry.h"
#include "ui/Langue.h"

namespace orvek {

class TFormMain;
class Prompter;

/// Messages whose words are the program's own, shown as they have always been written.
inline constexpr const char* kSizeMessage = "Image size = 64x64, 128x128, 256x256, 512x512";
inline constexpr const char* kBiasSizeMessage = "Les images doivent toutes avoir la même taille";
inline constexpr const char* kDriftImpossible = "Calcul impossible";

/// A heading followed by one worded failure per line ("" when there is none).
QString WordedList(const QString& heading, const std::vector<Error>& errors);

/// Sets `flag` for the life of the object; `Entered()` is false when it was set already (the
/// command is running and must not start again), and then the flag is left alone.
class ReentryGuard {
 public:
  explicit ReentryGuard(bool& flag) : m_flag(flag), m_entered(!flag) { m_flag = true; }
  ~ReentryGuard() {
    if (m_entered) m_flag = false;
  }
  ReentryGuard(const ReentryGuard&) = delete;
  ReentryGuard& operator=(const ReentryGuard&) = delete;
  bool Entered() const { return m_entered; }

 private:
  bool& m_flag;
  bool m_entered;
};

/// The filter of the open dialogs that choose images, as the windows have always written it.
QString ImageOpenFilter();

/// The busy pointer until `Restore` or the end of the scope, whatever happens.
class BusyCursor {
 public:
  BusyCursor();
  ~BusyCursor() { Restore(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
  void Restore();

 private:
  bool m_on = true;
};

/// The one observer of the window's series commands: every frame a library loop reads is
/// shown on the main window as it was read (TFormMain::ShowFrame: the file is not read a
/// second time), the list item it came from is selected, the counter shows "done/total",
/// pending events run between frames, and STOP ends the loops that honour it. The files the
/// loop could not read or write are collected for the command to name once, at the end.
class FrameShowingObserver : public SeriesObserver {
 public:
  struct Options {
    std::vector<int> listRows;  ///< list row of the loop's item `index` (empty: none)
    int total = 0;              ///< total of the counter (0: the loop's own count)
    bool show = true;           ///< show each frame (false: the counter only)
    bool showCount = true;      ///< the counter shows "done/total"
    bool honourStop = false;    ///< FrameLoaded returns false once STOP was clicked
  };
  FrameShowingObserver(TFormMain& main, Options options);
  bool FrameLoaded(int index, int count, const OTrame& frame) override;
  bool Progress(int done, int total) override;
  void Warning(const std::string& text) override { m_problems.push_back(text); }
  void Problem(const Error& error) override { m_problems.push_back(Worded(error).toStdString()); }
  /// The texts of the files the loop left out, in order.
  const std::vector<std::string>& Problems() const { return m_problems; }

 private:
  TFormMain& m_main;
  Options m_options;
  int m_done = 0;
  std::vector<std::string> m_problems;
  QElapsedTimer m_clock;
};

/// The rows 0 .. count - 1 (a loop over the whole list, item i being row i).
std::vector<int> AllRows(int count);

/// Shows `heading` followed by one line per text in an error box; nothing when `texts` is
/// empty.
void ReportProblems(Prompter& prompter, const QString& heading,
                    const std::vector<std::string>& texts);

/// The ticked items of the main list as the input of a library loop (full paths, the bias
/// frame and the FITS options of the window), with their places in the list.
fourier::SeriesInput TickedSeriesInput(TFormMain& main, std::vector<int>& positions);

}  // namespace orvek

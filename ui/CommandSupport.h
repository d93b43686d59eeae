#pragma once

// Small pieces the menu commands share: a guard against a command starting inside itself
// while its loop lets the window run, the busy pointer, and the observer that shows each
// ticked frame of a library loop on the main window.

#include <string>
#include <vector>

#include <QString>

#include "core/Progress.h"
#include "core/Status.h"
#include "fourier/Interferometry.h"

namespace orvek {

class TFormMain;

/// Messages whose words are the program's own, shown as they have always been written.
inline constexpr const char* kSizeMessage = "Image size = 64x64, 128x128, 256x256, 512x512";
inline constexpr const char* kBiasSizeMessage = "Les images doivent toutes avoir la même taille";
inline constexpr const char* kDriftImpossible = "Calcul impossible";

/// The sentence of a failure in the interface language (from the settings file).
QString Worded(const Error& error);
/// The sentence of a failed Status: its own message when it has one, else Worded(error).
QString Worded(const Status& status);
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

/// Every frame a loop over ticked list items loads is selected in the list and shown as it
/// goes; pending events run between frames. With `showCount` the counter shows "done/total";
/// with `honourStop`, FrameLoaded returns false once STOP was clicked.
class TickedItemsObserver : public SeriesObserver {
 public:
  struct Options {
    bool showCount = false;
    bool honourStop = false;
  };
  TickedItemsObserver(TFormMain& main, const std::vector<std::string>& files,
                      const std::vector<int>& positions, Options options)
      : m_main(main), m_files(files), m_positions(positions), m_options(options) {}
  bool FrameLoaded(int index, int count, const OTrame& frame) override;

 private:
  TFormMain& m_main;
  const std::vector<std::string>& m_files;
  const std::vector<int>& m_positions;
  Options m_options;
};

/// The ticked items of the main list as the input of a library loop (full paths, the bias
/// frame and the FITS options of the window), with their places in the list.
fourier::SeriesInput TickedSeriesInput(TFormMain& main, std::vector<int>& positions);

}  // namespace orvek

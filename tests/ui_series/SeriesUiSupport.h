#pragma once
// Helpers of the series window tests: frames with a star written as FITS files, a driver
// for the modal windows the commands open, and a fixture with the series windows at hand.

#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/OTrame.h"
#include "ui/UiFixture.h"

namespace orvek {
class SeriesCommands;
class TDlgAlign;
class TfrmVisu;
}  // namespace orvek

namespace orvek::test {

/// A frame of `background` with a plus-shaped star centred on the whole pixel (x, y): `peak`
/// above the background at the centre, half of it on the four sides, a quarter on the four
/// diagonals. Its centroid is exactly (x, y) by symmetry.
OTrame PlusStar(int width, int height, int x, int y, double peak, double background = 0);

/// Runs `action` once `window` is visible (a modal window a command opens), from the event
/// loop that the modal window runs. The action must close the window. Gives up after ten
/// seconds with a test failure. The polling stops when the driver goes away.
class ModalDriver {
 public:
  ModalDriver(QWidget* window, std::function<void()> action);
  ~ModalDriver();
  ModalDriver(const ModalDriver&) = delete;
  ModalDriver& operator=(const ModalDriver&) = delete;
  /// The action ran.
  bool Ran() const { return *m_ran; }

 private:
  std::unique_ptr<QTimer> m_timer;
  std::shared_ptr<bool> m_ran;
};

class SeriesUiTest : public UiTest {
 protected:
  SeriesCommands& Series();
  TDlgAlign& Dialog();
  TfrmVisu& Visu();

  /// Writes a frame as FITS into the test's data folder; returns its full path.
  std::string WriteData(const std::string& name, const OTrame& frame);
  /// Lists every file of the data folder matching `pattern` (FillList), all ticked, and
  /// shows the first.
  void ListData(const std::string& pattern);
  /// The working folder `name` beside the program, ending in "/".
  std::string Work(const std::string& name) const;
  /// The list's item texts in order.
  QStringList Names();
  /// The list's ticks in order.
  std::vector<bool> Ticks();
  /// The counter's text ("Sel : n").
  QString Counter();
};

}  // namespace orvek::test

#pragma once
// The speckle-interferometry commands of the main window (menu "Interférométrie") and the
// development transforms of the hidden menu "DEBUG". The library (fourier/Interferometry.h)
// does the work in the working folder "tempf"; the window shows every frame the series loops
// load, shows STOP during them and polls it between frames, shows the result, and lists the
// folder's ".orvc" files in FileListBoxInter, where a click opens one. The fast measurement
// (Part of the main window) then measures the secondary peak of an opened result.

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "fourier/Interferometry.h"

namespace orvek {

struct Workbench;
class TFormMain;
class TfrmClosePair;

class InterferometryCommands {
 public:
  /// Wires the items of "Interférométrie" and "DEBUG" and the interferometry list.
  explicit InterferometryCommands(Workbench& workbench);
  ~InterferometryCommands();
  InterferometryCommands(const InterferometryCommands&) = delete;
  InterferometryCommands& operator=(const InterferometryCommands&) = delete;

  // ---- Menu "Interférométrie" -------------------------------------------------------------
  void AutocorrlationetSoustractionFond1Click();   ///< "AutoCorrelation"
  void InterCorrlationetSoustractionFond1Click();  ///< "Cross-Correlation"
  void PuissanceRfrence1Click();                   ///< "Reference Power Spectrum"
  void PuissanceDouble1Click();                    ///< "Target Power Spectrum"
  void DivisionetRetourSpatial1Click();            ///< "Result"
  /// "Interferometry Folder": the list of the folder's ".orvc" files in place of the image
  /// list, its first entry selected (not opened).
  void ShowInterferometryFolder();
  /// An entry of the interferometry list chosen: LoadAndShow of that file.
  void FileListBoxInterClick(int row);
  /// "Measure close pair": the speckle measurement of the ticked frames (the counter shows
  /// the frames read, STOP ends it), its result shown in the close-pair window. Frames
  /// are read as orvek-cli speckle reads them, with the same options, on the worker pool.
  void ClosePair1Click();
  /// The close-pair window (created by the first result; nullptr before).
  TfrmClosePair* ClosePairWindow() const { return m_closePair.get(); }
  /// Reloads the texts of the close-pair window, when it exists.
  void ChangeLangue();

  // ---- Menu "DEBUG" -----------------------------------------------------------------------
  void FFT1Click();                 ///< "FFT directe, partie réelle" -> "Fourier.orvc"
  void FFTdirecteargument1Click();  ///< "FFT directe, module" -> "Fourier.orvc"
  void AutoCorrlation1Click();      ///< "Auto Corrélation" -> "Fourier.orvc"
  void InterCorrlation1Click();     ///< "Inter Corrélation" -> "InterCorr.orvc"
  void SoustractionFond1Click();    ///< "Soustraction Fond": background series of the image
  void DV01Click();                 ///< "DVA" of the ticked series

  /// The working folder of these commands, ending in "/" (created when missing).
  static std::string Folder();
  /// The same as the commands' output (the program's own, emptied as they go).
  static OutputFolder Output();
  /// The status of the last command (for tests).
  fourier::FourierStatus LastStatus() const { return m_lastStatus; }

 private:
  TFormMain& Main() const;
  /// Runs a series command with STOP shown and an observer that shows each frame; STOP is
  /// hidden again however it ends.
  template <class Run>
  fourier::FourierResult RunSeries(const Run& run);
  /// The auto- and cross-correlation commands: a series that is not square is first cut to
  /// 128 x 128 round its star (when the user agrees), the measurement window is 1 x 1 while
  /// the series runs and comes back only after a successful run.
  template <class Run>
  void CorrelationSeries(const Run& run);
  /// The message of a command that did not write its result ("" when none is shown).
  static QString ResultMessage(const fourier::FourierResult& r);
  /// Shows the result of a command: its message (error box), then its file.
  void ShowResult(const fourier::FourierResult& r);
  /// One of the four single-image transforms of the DEBUG menu.
  void SingleTransform(fourier::SingleTransform kind);
  bool Enhanced() const;

  Workbench& m_workbench;
  std::unique_ptr<TfrmClosePair> m_closePair;
  fourier::FourierStatus m_lastStatus = fourier::FourierStatus::NothingTicked;
  bool m_running = false;
  int m_justLoadedRow = -1;
};

}  // namespace orvek

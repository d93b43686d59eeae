#pragma once
// The log window (TfrmInfosLog) without its window: the observation fields, the label
// texts, and the three logs it builds from the measurement table: the readable log
// ("Log Texte", Memo1), the data lines ("Log Data", Memo2) and the fixed-column report
// lines ("EZReport", Memo3), saved as three text files with CR LF line ends.
// Widths are counted in characters (UTF-8 code points), not bytes.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/IniFile.h"
#include "core/Status.h"
#include "core/Types.h"

namespace orvek {

class ReductionTable;

/// The entry fields of the first page, named as the window's controls.
struct LogFields {
  std::string lDat;   ///< observation date
  std::string lSys;   ///< system (pair) name
  std::string lLie;   ///< place
  std::string lCon;   ///< conditions
  std::string lIns;   ///< instrument
  std::string lOpt;   ///< optics
  std::string lCam;   ///< camera (hidden; refilled when the window is shown)
  std::string lPri;   ///< acquisition details
  std::string WDSid;  ///< catalogue identifier
  std::string RA;     ///< not used in any log
  std::string DEC;    ///< not used in any log
  std::string MG1;    ///< magnitude of A
  std::string MG2;    ///< magnitude of B
  std::string lnot;   ///< notes
};

/// Label texts of the fields and captions of the four hidden check boxes, as the form
/// holds them before the language texts are read.
struct LogLabels {
  std::string lDat = "Date             ";
  std::string lSys = "Système";
  std::string lLie = "Lieu             ";
  std::string lCon = "Conditions ";
  std::string lIns = "Instrument    ";
  std::string lOpt = "Optique         ";
  std::string lCam = "Caméra         ";
  std::string lPri = "Prise de vue  ";
  std::string WDSid = " WDS id ";
  std::string RA = "         RA ";
  std::string DEC = " DEC ";
  std::string MG1 = "     Mg 1";
  std::string MG2 = " Mg 2 ";
  std::string lnot = " Notes ";
  std::string checkech = "Echantillonnage";  ///< scale line of the readable log
  std::string checkdel = "Delta";            ///< orientation line
  std::string checkdet = "Détail";           ///< heading of the results dump
  std::string CheckBru = "Brutes";           ///< heading of the raw dump
};

/// The window's other translated texts.
struct LogWindowTexts {
  std::string caption = "Log Infos";         ///< "tTIT"
  std::string addButton = "Ajouter au log";  ///< "B1"
  std::string menuSave = "&Enregistrer";     ///< "mFIC"
  std::string menuHide = "&Masquer";         ///< "mMAS"
  std::string filterLog;                     ///< "dlgSAV": filter of the first save dialog
  std::string filterData;                    ///< "dlgDAT": filter of the second
  std::array<std::string, 4> tabs = {"AutoInfo", "Log Texte", "Log Data", "EZReport"};
};

/// Outcome of "&Enregistrer".
struct LogSaveResult {
  /// Per file (log, data, report): written or cancelled (no path): ok; failed: FileWrite
  /// with the path and the system's reason.
  std::array<Status, 3> files;
  std::array<bool, 3> written = {false, false, false};
  bool allWritten = false;
  /// The first file that failed (ok when none did).
  Status Failure() const;
};

class LogComposer {
 public:
  /// Pages of the notebook.
  enum Page { kAutoInfo = 0, kLogTexte = 1, kLogData = 2, kEZReport = 3 };
  /// Names proposed by the three save dialogs.
  static constexpr std::array<const char*, 3> kProposedNames = {"OrvekLog.txt", "OrvekDat.txt",
                                                                "OrvekEZReport.txt"};

  LogFields fields;
  LogLabels labels;
  LogWindowTexts texts;

  /// Reads the texts of section language + "Log" (language from "Langage"/"Langue",
  /// default "F"); every key defaults to empty, as a missing key empties its text.
  void LoadTexts(const IniFile& ini);

  /// Showing the window: lCam = camera name + "      (pixels : " + LPix + " x " + HPix + ")".
  void RefreshCamera(const std::string& cameraName, const std::string& lPix,
                     const std::string& hPix);
  void RefreshCamera(const ReductionTable& table);

  /// "Ajouter au log": appends one entry to each log from the table's current state and
  /// brings "Log Data" to the front. Everything is composed before anything is appended,
  /// so a median cell that is not a number (NotANumber, row and column) leaves the logs
  /// unchanged.
  Status AddToLog(const ReductionTable& table);

  const std::vector<std::string>& Memo1() const { return m_memo1; }
  const std::vector<std::string>& Memo2() const { return m_memo2; }
  const std::vector<std::string>& Memo3() const { return m_memo3; }
  /// The text areas are editable in the window: it hands back their lines.
  void SetMemo(int index, std::vector<std::string> lines);

  int ActivePage() const { return m_page; }
  void SetActivePage(int page) { m_page = page; }

  /// True while nothing was added since the last complete save (true at start).
  bool LogsSaved() const { return m_saved; }
  /// The close question is asked exactly when the logs are not saved.
  bool NeedsCloseQuestion() const { return !m_saved; }

  /// "&Enregistrer": writes each log whose path is given (no path = dialog cancelled), each
  /// line ended by CR LF. The logs count as saved only when all three files were written.
  LogSaveResult Save(const std::array<std::optional<std::string>, 3>& paths);

  /// Median of the values, sorted ascending with the diminishing-gap exchange sort; for an
  /// even count the mean of the two middle values. Empty input gives 0.
  static Extended Median(std::vector<Extended> values);
  /// One dumped table row: each cell padded on the left to max(8, its length) + one space.
  static std::string DumpRow(const std::vector<std::string>& cells);
  /// Number of characters (UTF-8 code points) of a text.
  static size_t CharCount(const std::string& text);

 private:
  std::vector<std::string> m_memo1, m_memo2, m_memo3;
  bool m_saved = true;
  int m_page = kAutoInfo;
};

}  // namespace orvek

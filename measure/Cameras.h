#pragma once
// The camera list: a name and the width and height of one pixel per camera, kept in the
// settings file section "CUSTOMCAMERAS" under "cam" + i, "lar" + i and "hau" + i. The
// measurement table reads it from index 0; the editor (TformCam) shows and rewrites the
// entries from index 1, so an entry 0 shipped with the program stays untouched.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/IniFile.h"
#include "core/Status.h"

namespace orvek {

/// One camera: its name and its pixel sizes as typed (decimal texts with ".").
struct rTableauCam {
  std::string Name;
  std::string Width;   ///< pixel width ("lar")
  std::string Height;  ///< pixel height ("hau")
};

using TArrayCam = std::vector<rTableauCam>;

inline constexpr const char* kCamerasSection = "CUSTOMCAMERAS";
/// Value read for a missing "cam" key: the list ends there.
inline constexpr const char* kMissingCamera = "nocam";
/// Section and key of the selected camera's position in the table's list.
inline constexpr const char* kCameraSection = "CAMERA";
inline constexpr const char* kCameraKey = "Camera";

/// Key names of camera i: "cam" + i, "lar" + i, "hau" + i (decimal, no leading zeros).
std::string CameraNameKey(int i);
std::string CameraWidthKey(int i);
std::string CameraHeightKey(int i);

/// Reads the cameras from index `first` on, until the first missing "cam" key.
TArrayCam ReadCameras(const IniFile& ini, int first);
/// The table's list: from index 0.
inline TArrayCam LoadCameras(const IniFile& ini) {
  return ReadCameras(ini, 0);
}

/// The model of the camera editor TformCam: a grid of three text columns ("Camera",
/// "Horiz.", "Vert."), row 0 the header, holding the cameras from index 1 plus ten empty
/// rows for new ones.
class CameraEditor {
 public:
  static constexpr int kColumns = 3;
  static constexpr int kNameColumn = 0;
  static constexpr int kEmptyRows = 10;
  /// Column widths at creation; the name column becomes kShownNameWidth at every show.
  static constexpr std::array<int, kColumns> kInitialWidths = {140, 40, 40};
  static constexpr int kShownNameWidth = 180;

  CameraEditor();

  /// FormShow: header, the cameras of the settings file from index 1, ten empty rows.
  void Show(const IniFile& ini);

  int RowCount() const { return static_cast<int>(m_rows.size()); }
  const std::string& Cell(int row, int col) const;
  /// Sets a cell. In the size columns the text passes through the typing filter, so a
  /// comma becomes "." and characters the filter refuses are dropped. Row 0 is the header
  /// and cannot be edited; a row or column out of range is ignored (returns false).
  bool SetCell(int row, int col, const std::string& text);
  int ColumnWidth(int col) const { return m_widths.at(col); }

  /// Typing filter: the character to insert for a key pressed in column `col`, or nothing
  /// when the key is refused. Name column: every key. Size columns: digits, backspace
  /// (8), "-" and "."; a comma becomes ".".
  static std::optional<char> FilterKey(int col, char key);
  /// The filter applied to every character of a text (for pasted or programmatic input).
  static std::string FilterText(int col, const std::string& text);

  /// Moves a data row (1..RowCount-1) to another data position, shifting the rows between.
  bool MoveRow(int from, int to);
  /// Moves a column, header included, shifting the columns between.
  bool MoveColumn(int from, int to);

  /// OK: deletes "cam", "lar", "hau" + i for i = 1..RowCount-1, then writes every row whose
  /// trimmed name is not empty under consecutive indices from 1 (name as typed).
  Status Ok(const IniFile& ini) const;

  /// Full path of the help page opened by BitBtn1: resource folder + "pixel.htm".
  static std::string HelpPage();
  /// Caption of the help button: key "l1" of section language + "Cam" (empty when missing).
  static std::string HelpCaption(const IniFile& ini);

 private:
  std::vector<std::array<std::string, kColumns>> m_rows;
  std::array<int, kColumns> m_widths = kInitialWidths;
};

}  // namespace orvek

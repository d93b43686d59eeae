#include "measure/Cameras.h"

#include <algorithm>

#include "core/Utils.h"

namespace orvek {

std::string CameraNameKey(int i) {
  return "cam" + std::to_string(i);
}
std::string CameraWidthKey(int i) {
  return "lar" + std::to_string(i);
}
std::string CameraHeightKey(int i) {
  return "hau" + std::to_string(i);
}

TArrayCam ReadCameras(const IniFile& ini, int first) {
  TArrayCam cams;
  for (int i = first;; ++i) {
    const std::string name = ini.ReadString(kCamerasSection, CameraNameKey(i), kMissingCamera);
    if (name == kMissingCamera) break;
    rTableauCam cam;
    cam.Name = name;
    cam.Width = ini.ReadString(kCamerasSection, CameraWidthKey(i), "");
    cam.Height = ini.ReadString(kCamerasSection, CameraHeightKey(i), "");
    cams.push_back(std::move(cam));
  }
  return cams;
}

CameraEditor::CameraEditor() {
  m_rows.push_back({"Camera", "Horiz.", "Vert."});
}

void CameraEditor::Show(const IniFile& ini) {
  m_widths[kNameColumn] = kShownNameWidth;
  m_rows.assign(2, {});
  m_rows[0] = {"Camera", "Horiz.", "Vert."};
  const TArrayCam cams = ReadCameras(ini, 1);
  for (size_t k = 0; k < cams.size(); ++k) {
    // Camera i = k + 1 goes to row i; the grid holds i + 1 rows.
    if (m_rows.size() < k + 2) m_rows.resize(k + 2);
    m_rows[k + 1] = {cams[k].Name, cams[k].Width, cams[k].Height};
  }
  m_rows.resize(m_rows.size() + kEmptyRows);
}

const std::string& CameraEditor::Cell(int row, int col) const {
  return m_rows.at(static_cast<size_t>(row)).at(static_cast<size_t>(col));
}

bool CameraEditor::SetCell(int row, int col, const std::string& text) {
  if (row < 1 || row >= RowCount() || col < 0 || col >= kColumns) return false;
  m_rows[static_cast<size_t>(row)][static_cast<size_t>(col)] = FilterText(col, text);
  return true;
}

std::optional<char> CameraEditor::FilterKey(int col, char key) {
  if (col == kNameColumn) return key;
  if (key >= '0' && key <= '9') return key;
  if (key == '\b' || key == '-' || key == '.') return key;
  if (key == ',') return '.';
  return std::nullopt;
}

std::string CameraEditor::FilterText(int col, const std::string& text) {
  if (col == kNameColumn) return text;
  std::string out;
  for (char c : text) {
    if (c == '\b') continue;  // a backspace in a pasted text deletes nothing here
    if (auto k = FilterKey(col, c)) out += *k;
  }
  return out;
}

bool CameraEditor::MoveRow(int from, int to) {
  const int n = RowCount();
  if (from < 1 || from >= n || to < 1 || to >= n) return false;
  auto row = m_rows[static_cast<size_t>(from)];
  m_rows.erase(m_rows.begin() + from);
  m_rows.insert(m_rows.begin() + to, row);
  return true;
}

bool CameraEditor::MoveColumn(int from, int to) {
  if (from < 0 || from >= kColumns || to < 0 || to >= kColumns) return false;
  for (auto& row : m_rows) {
    std::string cell = row[static_cast<size_t>(from)];
    if (from < to) {
      for (int c = from; c < to; ++c) row[c] = row[c + 1];
    } else {
      for (int c = from; c > to; --c) row[c] = row[c - 1];
    }
    row[static_cast<size_t>(to)] = cell;
  }
  const int w = m_widths[static_cast<size_t>(from)];
  if (from < to) {
    for (int c = from; c < to; ++c) m_widths[c] = m_widths[c + 1];
  } else {
    for (int c = from; c > to; --c) m_widths[c] = m_widths[c - 1];
  }
  m_widths[static_cast<size_t>(to)] = w;
  return true;
}

Status CameraEditor::Ok(const IniFile& ini) const {
  const int r = RowCount();
  for (int i = 1; i <= r - 1; ++i) {
    for (const std::string& key : {CameraNameKey(i), CameraWidthKey(i), CameraHeightKey(i)}) {
      Status s = ini.DeleteKey(kCamerasSection, key);
      if (!s) return s;
    }
  }
  int k = 1;
  for (int i = 1; i <= r - 1; ++i) {
    const auto& row = m_rows[static_cast<size_t>(i)];
    if (Trim(row[0]).empty()) continue;
    Status s = ini.WriteString(kCamerasSection, CameraNameKey(k), row[0]);
    if (s) s = ini.WriteString(kCamerasSection, CameraWidthKey(k), row[1]);
    if (s) s = ini.WriteString(kCamerasSection, CameraHeightKey(k), row[2]);
    if (!s) return s;
    ++k;
  }
  return Status::Ok();
}

std::string CameraEditor::HelpPage() {
  return ResourceFolder() + "pixel.htm";
}

std::string CameraEditor::HelpCaption(const IniFile& ini) {
  const std::string lang = ini.ReadString("Langage", "Langue", "F");
  return ini.ReadString(lang + "Cam", "l1", "");
}

}  // namespace orvek

// Fuzz target: the camera list of the settings file, read as the table and the editor read
// it, then rewritten by the editor: the cameras read again are the editor's named rows.

#include <cstdlib>
#include <string>

#include "core/IniFile.h"
#include "core/Utils.h"
#include "measure/Cameras.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const orvek::IniFile ini(orvek::fuzz::ScratchFile(data, size, ".ini"));
  (void)orvek::LoadCameras(ini);
  orvek::CameraEditor editor;
  editor.Show(ini);
  // A typed width in the first empty row, through the typing filter.
  const int row = editor.RowCount() - 1;
  editor.SetCell(row, 1, std::string(reinterpret_cast<const char*>(data), size > 16 ? 16 : size));
  if (!editor.Ok(ini)) return 0;
  const orvek::TArrayCam saved = orvek::ReadCameras(ini, 1);
  size_t named = 0;
  for (int r = 1; r < editor.RowCount(); ++r) {
    if (!orvek::Trim(editor.Cell(r, 0)).empty()) {
      if (named >= saved.size() || saved[named].Name != editor.Cell(r, 0)) std::abort();
      ++named;
    }
  }
  if (named != saved.size()) std::abort();
  return 0;
}

// Fuzz target: the settings file: every read of a file of any content, then a write that
// must keep every other key and give back its own value.

#include <cstdlib>
#include <string>

#include "core/IniFile.h"
#include "core/Utils.h"
#include "tests/fuzz/FuzzSupport.h"
#include "wording/Wording.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const orvek::IniFile ini(orvek::fuzz::ScratchFile(data, size, ".ini"));
  const std::vector<std::string> sections = ini.ReadSections();
  (void)ini.ReadInteger("PARAMS", "HScroll1", 6);
  (void)orvek::InterfaceLanguage(ini);
  (void)orvek::Describe(
      orvek::Status::Fail(
          orvek::Error(orvek::ErrorCode::DataTruncated).Path("a.fits").Values({1, 2, 3, 4})),
      ini, 'E');
  const std::string before = sections.empty() ? "" : sections.front();
  const std::vector<std::string> keys =
      before.empty() ? std::vector<std::string>{} : ini.ReadKeys(before);
  if (!ini.WriteString("PARAMS", "Delta", "12.5")) return 0;
  if (ini.ReadString("PARAMS", "Delta", "") != "12.5") std::abort();
  // Keys of another section stay readable as they were.
  if (!before.empty() && orvek::ToUpper(before) != "PARAMS") {
    for (const std::string& k : keys) {
      if (!ini.KeyExists(before, k)) std::abort();
    }
  }
  return 0;
}

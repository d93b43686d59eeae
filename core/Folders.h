#pragma once
// Where the program keeps its files. Three roles:
//  - the settings folder: "orvek.ini" and the calibration book ("calibrations.*");
//  - the working folder: parent of "temp", "tempc", "temps", "tempv", "tempf", "tempr",
//    "tempspmask";
//  - the resource folder: the help pages, the cursor files and the settings template.
// An unpacked program keeps all three in one program folder: $ORVEK_HOME when set, else the
// executable's folder when it is writable. An installed program (its folder not writable)
// keeps settings under $XDG_CONFIG_HOME/orvek/ (default ~/.config/orvek/), working folders
// under $XDG_DATA_HOME/orvek/ (default ~/.local/share/orvek/) and reads its resources from
// share/orvek/ beside its bin/ folder.
//
// The folders are pure functions of the environment: nothing is cached, so a test that sets
// $ORVEK_HOME sees its own folder at once.

#include <cstddef>
#include <string>

#include "core/Status.h"

namespace orvek {

/// What the folders depend on, read from the process (CurrentFolderEnvironment) or built
/// by a test. Empty texts stand for unset variables.
struct FolderEnvironment {
  std::string orvekHome;         ///< $ORVEK_HOME
  std::string xdgConfigHome;     ///< $XDG_CONFIG_HOME
  std::string xdgDataHome;       ///< $XDG_DATA_HOME
  std::string home;              ///< $HOME
  std::string executableFolder;  ///< folder of the running program, ending in "/"
  bool executableFolderWritable = true;
};

/// The program's folders, each ending in "/".
struct ProgramFolders {
  std::string settings;
  std::string working;
  std::string resources;
  bool installed = false;  ///< the XDG layout of an installed program

  /// The settings file: settings + "orvek.ini".
  std::string SettingsFile() const { return settings + "orvek.ini"; }
  /// A working sub-folder: working + name + "/" (not created here).
  std::string Work(const std::string& name) const { return working + name + "/"; }
};

/// The environment of this process: the variables above and the executable's folder
/// (/proc/self/exe; the current folder when that cannot be read).
FolderEnvironment CurrentFolderEnvironment();

/// The folders for an environment (pure).
ProgramFolders ResolveFolders(const FolderEnvironment& env);

/// ResolveFolders(CurrentFolderEnvironment()).
ProgramFolders CurrentFolders();

/// The interface language letter of a first start, from the locale variables as the C
/// library ranks them (LC_ALL, then LC_MESSAGES, then LANG; empty texts are unset):
/// 'F' for French, 'S' for Spanish, 'I' for Italian, 'E' for anything else.
char LanguageOfLocale(const std::string& lcAll, const std::string& lcMessages,
                      const std::string& lang);
/// LanguageOfLocale of this process's variables.
char CurrentLocaleLanguage();

/// First start: creates the settings and working folders when missing (with their parents)
/// and, when the settings file does not exist yet, writes the settings template there with
/// "Langue" of "Langage" set to `language`. The template is the resource folder's
/// "orvek.ini" when the settings live elsewhere and it can be read, else `shipped`
/// (`shippedSize` bytes built into the program). An existing settings file is never touched.
/// Fails with FolderCreate or the write's error; nothing half-written is left in place.
Status PrepareFolders(const ProgramFolders& folders, const void* shipped, size_t shippedSize,
                      char language);

}  // namespace orvek

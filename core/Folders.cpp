#include "core/Folders.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "core/IniFile.h"
#include "core/Utils.h"

namespace fs = std::filesystem;

namespace orvek {

namespace {

// Where the resources of an installed program lie, seen from its executable's folder (the
// GNU layout bin/ and share/orvek/; a build may say otherwise).
#ifndef ORVEK_RESOURCES_FROM_BIN
#define ORVEK_RESOURCES_FROM_BIN "../share/orvek"
#endif

std::string Variable(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? std::string(v) : std::string();
}

std::string WithSeparator(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

// An XDG base folder: the variable when it is an absolute path (the specification tells
// to ignore a relative one), else HOME + the default.
std::string XdgFolder(const std::string& variable, const std::string& home,
                      const char* defaultBelowHome) {
  if (!variable.empty() && variable.front() == '/') return WithSeparator(variable);
  return WithSeparator(home) + defaultBelowHome;
}

}  // namespace

FolderEnvironment CurrentFolderEnvironment() {
  FolderEnvironment env;
  env.orvekHome = Variable("ORVEK_HOME");
  env.xdgConfigHome = Variable("XDG_CONFIG_HOME");
  env.xdgDataHome = Variable("XDG_DATA_HOME");
  env.home = Variable("HOME");
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  const std::string folder = ec ? fs::current_path(ec).string() : exe.parent_path().string();
  env.executableFolder = WithSeparator(folder);
  env.executableFolderWritable = ::access(env.executableFolder.c_str(), W_OK) == 0;
  return env;
}

ProgramFolders ResolveFolders(const FolderEnvironment& env) {
  ProgramFolders f;
  if (!env.orvekHome.empty() || env.executableFolderWritable) {
    const std::string folder =
        WithSeparator(env.orvekHome.empty() ? env.executableFolder : env.orvekHome);
    f.settings = f.working = f.resources = folder;
    return f;
  }
  f.installed = true;
  f.settings = XdgFolder(env.xdgConfigHome, env.home, ".config/") + "orvek/";
  f.working = XdgFolder(env.xdgDataHome, env.home, ".local/share/") + "orvek/";
  f.resources = WithSeparator(
      (fs::path(env.executableFolder) / ORVEK_RESOURCES_FROM_BIN).lexically_normal().string());
  return f;
}

ProgramFolders CurrentFolders() {
  return ResolveFolders(CurrentFolderEnvironment());
}

char LanguageOfLocale(const std::string& lcAll, const std::string& lcMessages,
                      const std::string& lang) {
  const std::string& locale = !lcAll.empty() ? lcAll : !lcMessages.empty() ? lcMessages : lang;
  // "fr", "fr_CA.UTF-8", "it_IT@euro": the language is the part before "_", "." or "@".
  const std::string language = locale.substr(0, locale.find_first_of("_.@"));
  if (language == "fr") return 'F';
  if (language == "es") return 'S';
  if (language == "it") return 'I';
  return 'E';
}

char CurrentLocaleLanguage() {
  return LanguageOfLocale(Variable("LC_ALL"), Variable("LC_MESSAGES"), Variable("LANG"));
}

Status PrepareFolders(const ProgramFolders& folders, const void* shipped, size_t shippedSize,
                      char language) {
  for (const std::string& folder : {folders.settings, folders.working}) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder)) {
      const int why = ec ? ec.value() : ENOTDIR;
      return Status::Fail(Error(ErrorCode::FolderCreate).Path(folder).Detail(SystemReason(why)));
    }
  }
  const std::string settings = folders.SettingsFile();
  std::error_code ec;
  if (fs::exists(settings, ec)) return Status::Ok();
  std::vector<unsigned char> bytes;
  if (folders.resources == folders.settings ||
      !ReadWholeFile(folders.resources + "orvek.ini", bytes)) {
    const auto* p = static_cast<const unsigned char*>(shipped);
    bytes.assign(p, p + shippedSize);
  }
  if (Status s = ReplaceFile(settings, bytes.data(), bytes.size()); !s) return s;
  const std::string letter(1, language);
  if (IniFile(settings).ReadString("Langage", "Langue", "F") == letter) return Status::Ok();
  return IniFile(settings).WriteString("Langage", "Langue", letter);
}

}  // namespace orvek

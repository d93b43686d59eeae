// Where the program keeps its settings, working folders and resources, the language of a first
// start, and files replaced without ever leaving a half-written one in place.

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Folders.h"
#include "core/IniFile.h"
#include "core/Utils.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

struct FoldersCase {
  const char* name;
  FolderEnvironment env;
  ProgramFolders expected;
};

class ResolveFoldersTest : public testing::TestWithParam<FoldersCase> {};

TEST_P(ResolveFoldersTest, GivesTheFoldersOfTheLayout) {
  const ProgramFolders f = ResolveFolders(GetParam().env);
  const ProgramFolders& e = GetParam().expected;
  EXPECT_EQ(f.settings, e.settings);
  EXPECT_EQ(f.working, e.working);
  EXPECT_EQ(f.resources, e.resources);
  EXPECT_EQ(f.installed, e.installed);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ResolveFoldersTest,
    testing::Values(
        // $ORVEK_HOME wins, writable or not, with or without its final separator.
        FoldersCase{"OrvekHome",
                    {"/data/orvek", "/x/cfg", "/x/data", "/home/u", "/usr/bin/", false},
                    {"/data/orvek/", "/data/orvek/", "/data/orvek/", false}},
        // An unpacked program keeps everything beside itself.
        FoldersCase{"UnpackedArchive",
                    {"", "", "", "/home/u", "/home/u/orvek-4.6/", true},
                    {"/home/u/orvek-4.6/", "/home/u/orvek-4.6/", "/home/u/orvek-4.6/", false}},
        // Installed: the XDG defaults below HOME, resources in share/orvek beside bin.
        FoldersCase{
            "InstalledDefaults",
            {"", "", "", "/home/u", "/usr/bin/", false},
            {"/home/u/.config/orvek/", "/home/u/.local/share/orvek/", "/usr/share/orvek/", true}},
        FoldersCase{"InstalledXdgVariables",
                    {"", "/cfg", "/xdg/data/", "/home/u", "/opt/orvek/bin/", false},
                    {"/cfg/orvek/", "/xdg/data/orvek/", "/opt/orvek/share/orvek/", true}},
        // A relative XDG variable is to be ignored, as the base-directory rules say.
        FoldersCase{
            "RelativeXdgIgnored",
            {"", "cfg", "data", "/home/u", "/usr/bin/", false},
            {"/home/u/.config/orvek/", "/home/u/.local/share/orvek/", "/usr/share/orvek/", true}}),
    [](const testing::TestParamInfo<FoldersCase>& info) { return info.param.name; });

TEST(LanguageOfLocale, FollowsTheRankingOfTheLocaleVariables) {
  struct Case {
    const char *all, *messages, *lang;
    char expected;
  } cases[] = {
      {"", "", "fr_FR.UTF-8", 'F'}, {"", "", "es_AR", 'S'},      {"", "", "it_IT@euro", 'I'},
      {"", "", "de_DE.UTF-8", 'E'}, {"", "", "C.UTF-8", 'E'},    {"", "", "", 'E'},
      {"", "", "french", 'E'},      {"", "it_CH", "fr_FR", 'I'}, {"es_ES", "it_CH", "fr_FR", 'S'},
      {"", "", "fr", 'F'},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LanguageOfLocale(c.all, c.messages, c.lang), c.expected)
        << c.all << "|" << c.messages << "|" << c.lang;
}

const std::string kShipped = "[Langage]\r\nLangue=F\r\n\r\n[PARAMS]\r\nDelta=0\r\n";

TEST(PrepareFolders, FirstStartWritesTheTemplateOnceInTheLocaleLanguage) {
  test::TempDir root;
  // A program folder that does not exist yet is created with its parents.
  ProgramFolders f;
  f.settings = f.working = f.resources = root.File("a/b/");
  ASSERT_TRUE(PrepareFolders(f, kShipped.data(), kShipped.size(), 'S').ok);
  const IniFile ini(f.SettingsFile());
  EXPECT_EQ(ini.ReadString("Langage", "Langue", ""), "S");
  EXPECT_EQ(ini.ReadString("PARAMS", "Delta", ""), "0");
  // An existing settings file is obeyed and kept as it is.
  ASSERT_TRUE(ini.WriteString("PARAMS", "Delta", "1.5").ok);
  ASSERT_TRUE(PrepareFolders(f, kShipped.data(), kShipped.size(), 'I').ok);
  EXPECT_EQ(ini.ReadString("Langage", "Langue", ""), "S");
  EXPECT_EQ(ini.ReadString("PARAMS", "Delta", ""), "1.5");

  // Installed: settings and working folders apart; the template of the resource folder,
  // when there is one, is preferred to the copy built into the program.
  ProgramFolders g{root.File("cfg/orvek/"), root.File("data/orvek/"), root.File("share/"), true};
  std::filesystem::create_directories(g.resources);
  const std::string packaged = "[Langage]\nLangue=F\n[CUSTOMCAMERAS]\ncam0=Site camera\n";
  test::WriteBytes(g.resources + "orvek.ini", {packaged.begin(), packaged.end()});
  ASSERT_TRUE(PrepareFolders(g, kShipped.data(), kShipped.size(), 'F').ok);
  EXPECT_TRUE(std::filesystem::is_directory(g.working));
  EXPECT_EQ(test::ReadBytes(g.SettingsFile()),
            std::vector<unsigned char>(packaged.begin(), packaged.end()));
}

TEST(PrepareFolders, AFolderThatCannotBeMadeIsReported) {
  test::TempDir root;
  test::WriteBytes(root.File("plain"), {1});
  ProgramFolders f;
  f.settings = f.working = f.resources = root.File("plain/orvek/");
  const Status s = PrepareFolders(f, kShipped.data(), kShipped.size(), 'F');
  EXPECT_FALSE(s.ok);
  EXPECT_EQ(s.error.code, ErrorCode::FolderCreate);
  EXPECT_EQ(s.error.path, f.settings);
  EXPECT_FALSE(s.error.detail.empty());
}

// ---- Files replaced safely ---------------------------------------------------------------------

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    out.push_back(e.path().filename().string());
  return out;
}

TEST(ReplaceFile, ReplacesWholeAndKeepsThePermissions) {
  test::TempDir dir;
  const std::string path = dir.File("OrvekLog.txt");
  test::WriteBytes(path, {'o', 'l', 'd'});
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  const std::string text = "new text\r\n";
  ASSERT_TRUE(ReplaceFile(path, text.data(), text.size()).ok);
  EXPECT_EQ(test::ReadBytes(path), std::vector<unsigned char>(text.begin(), text.end()));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"OrvekLog.txt"});  // no temporary left
}

// A write that fails part-way, in a child process so that the limits and the mount stay
// there: 0 when the old file survived and the expected code came back, 1 when it did not,
// 2 when the failure could not be arranged here.
enum class Failure { FileSizeLimit, FullDisk };

int ChildWritesPastAFailure(const std::string& folder, Failure how) {
  if (how == Failure::FullDisk) {
    // A private 64 KiB tmpfs over the folder, in a mount namespace of our own.
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0)
      return 2;
  } else {
    std::signal(SIGXFSZ, SIG_IGN);  // the write returns EFBIG instead of ending the process
    const rlimit limit{32 * 1024, 32 * 1024};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
  }
  const std::string path = folder + "composite.orvc";
  const std::vector<unsigned char> old(20000, 7);
  if (!ReplaceFile(path, old.data(), old.size()).ok) return 2;
  const std::vector<unsigned char> bigger(100000, 9);
  const Status s = ReplaceFile(path, bigger.data(), bigger.size());
  std::vector<unsigned char> after;
  const bool intact = ReadWholeFile(path, after).ok && after == old;
  const ErrorCode expected = how == Failure::FullDisk ? ErrorCode::DiskFull : ErrorCode::FileWrite;
  const bool alone = Names(folder) == std::vector<std::string>{"composite.orvc"};
  return !s.ok && s.error.code == expected && s.error.path == path && intact && alone ? 0 : 1;
}

class ReplaceFileFailure : public testing::TestWithParam<Failure> {};

TEST_P(ReplaceFileFailure, LeavesTheOldFileWholeAndSaysWhy) {
  test::TempDir dir;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(ChildWritesPastAFailure(dir.Path(), GetParam()));
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "this sandbox cannot arrange the failure";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

INSTANTIATE_TEST_SUITE_P(Failures, ReplaceFileFailure,
                         testing::Values(Failure::FileSizeLimit, Failure::FullDisk));

}  // namespace
}  // namespace orvek

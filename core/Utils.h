#pragma once
// Small shared utilities: fixed-width text, the program's folder and its working
// sub-folders, folder names, and file operations by wildcard mask.

#include <string>
#include <vector>

namespace orvek {

/// Pads `text` with `fill` on the left (left = true) or on the right up to `width`,
/// then keeps only the first `width` characters (counted in UTF-8 characters).
std::string PadText(const std::string& text, char fill, int width, bool left);

/// The program's folder, ending in "/": $ORVEK_HOME when set, else the executable's folder.
std::string ProgramFolder();
/// Full path of the settings file: ProgramFolder() + "orvek.ini".
std::string SettingsPath();
/// ProgramFolder() + name + "/", creating the folder (one level) when it does not exist.
std::string WorkFolder(const std::string& name);

/// The last folder name of a path: one trailing separator ("/" or "\") dropped, then the
/// text after the last separator; empty when no separator remains before the last character.
std::string LastFolderName(const std::string& path);

/// Deletes every ordinary, non-hidden file of `folder` whose name matches `mask`
/// ("*" and "?" wildcards, case-insensitive). Files that cannot be deleted are skipped.
/// Returns the number of files deleted.
int ClearFolder(const std::string& folder, const std::string& mask);

/// Renames every plain file folder + "*" + oldExt to the same base name with newExt.
/// Files that cannot be renamed are skipped. Returns the number renamed.
int RenameExtensions(const std::string& folder, const std::string& oldExt,
                     const std::string& newExt);

/// Wildcard match ("*" any run, "?" one character), without regard to ASCII case.
bool MatchesMask(const std::string& name, const std::string& mask);

/// "Natural" name order: digit runs compare by value, so frame2 comes before frame10;
/// otherwise case-insensitive, ties broken by the plain byte order.
bool NaturalLess(const std::string& a, const std::string& b);

/// Names (without folder) of the plain, non-hidden files of `folder` matching `mask`,
/// in natural order.
std::vector<std::string> ListFiles(const std::string& folder, const std::string& mask);

/// Folder part of a path, with its trailing separator ("" when none).
std::string FolderOf(const std::string& path);
/// File name without its folder.
std::string FileNameOf(const std::string& path);
/// File name without folder and without its extension (from the last dot).
std::string BaseNameOf(const std::string& path);
/// `path` with its extension (from the last dot of the file name) replaced by newExt.
std::string ChangeExtension(const std::string& path, const std::string& newExt);
bool FileExists(const std::string& path);
bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& out, std::string& error);
bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string& error);
/// Upper-case ASCII copy.
std::string ToUpper(std::string s);
/// Trimmed of spaces, tabs, CR and LF on both ends.
std::string Trim(const std::string& s);

}  // namespace orvek

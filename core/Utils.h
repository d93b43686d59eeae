#pragma once
// Small shared utilities: fixed-width text, the program's folders and its working
// sub-folders, folder names, whole-file reading and replacing, and file operations by
// wildcard mask.

#include <string>
#include <vector>

#include "core/Status.h"

namespace orvek {

/// Pads `text` with `fill` on the left (left = true) or on the right up to `width`,
/// then keeps only the first `width` characters (counted in UTF-8 characters).
std::string PadText(const std::string& text, char fill, int width, bool left);

/// Full path of the settings file (core/Folders.h: the settings folder + "orvek.ini").
std::string SettingsPath();
/// The folder of the shipped help pages, cursor files and settings template, ending in "/".
std::string ResourceFolder();
/// The folder that holds the working sub-folders, ending in "/".
std::string WorkingFolder();
/// WorkingFolder() + name + "/", creating it (and its parents) when it does not exist; a
/// folder that cannot be created shows up as the write error of the first file put there.
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
/// Reads a whole plain file. Fails with FileOpen or FileRead (the system's reason in detail).
Status ReadWholeFile(const std::string& path, std::vector<unsigned char>& out);
/// Makes `path` hold exactly these bytes: they are written to a new hidden file in the same
/// folder, which then replaces `path` by a rename, so that `path` is never left half
/// written (an existing file is flushed to disk first, so a crash keeps the old or the new
/// one whole). Fails with DiskFull (no space or quota left), FileWrite or FileRename; the
/// old file is then untouched and the temporary one removed.
Status ReplaceFile(const std::string& path, const void* data, size_t size);
/// Upper-case ASCII copy.
std::string ToUpper(std::string s);
/// Trimmed of spaces, tabs, CR and LF on both ends.
std::string Trim(const std::string& s);

}  // namespace orvek

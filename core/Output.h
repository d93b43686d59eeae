#pragma once
// Where a command writes. A folder is either one of the program's working folders ("temp",
// "tempc", ... beside the program), which the commands empty as they always have, or a folder
// the user named, where a command only adds its new files: it never deletes anything there,
// and it refuses to replace a file that exists unless told to.
//
// Every file operation reports its failure as a typed error; none is ignored.

#include <string>
#include <vector>

#include "core/Error.h"
#include "core/OTrame.h"
#include "core/Status.h"

namespace orvek {

struct OutputFolder {
  std::string dir;            ///< the folder, ending in "/"
  bool programOwned = false;  ///< a working folder of the program: it may be emptied
  bool overwrite = false;     ///< in a user's folder: an existing file may be replaced
};

/// The program's working folder `name` (WorkingFolder() + name + "/"): owned, and its files
/// are replaced freely.
OutputFolder WorkingOutput(const std::string& name);
/// Another folder that is the program's own (a private folder of a command): owned, and its
/// files replaced freely ("/" appended when missing).
OutputFolder ProgramOutput(std::string dir);
/// A folder the user named ("/" appended when missing).
OutputFolder UserOutput(std::string dir, bool overwrite);
/// The folder of a file the user named, for writing that file.
OutputFolder UserOutputOfFile(const std::string& filePath, bool overwrite);

/// out.dir + name.
std::string OutputPath(const OutputFolder& out, const std::string& name);

/// Creates the folder and its parents when missing: FolderCreate when it cannot be made, or
/// when the name is taken by something that is not a folder.
Status PrepareOutput(const OutputFolder& out);

/// Empties a working folder of the program of its plain, non-hidden files whose name matches
/// `mask` ("*" and "?", without regard to case), except the files of `spare` (the same file
/// under any name). In a user's folder nothing is deleted. FileOpen when the folder cannot be
/// listed; FileDelete, stopping there, when a file cannot be deleted.
Status ClearOutput(const OutputFolder& out, const std::string& mask,
                   const std::vector<std::string>& spare = {});

/// Whether a command may write the file `path` of `out`: in a user's folder an existing file
/// (or anything else of that name) is refused with FileExists naming it, unless
/// `out.overwrite`. Always allowed in a working folder of the program.
Status MayWrite(const OutputFolder& out, const std::string& path);
/// MayWrite of out.dir + each name, before anything is written: the first refusal.
Status MayWriteAll(const OutputFolder& out, const std::vector<std::string>& names);

/// Deletes a file: FileDelete when it exists and cannot be deleted; a missing file is no error.
Status RemoveFile(const std::string& path);
/// Renames `from` to `to`, replacing `to`: FileRename (path = from, text = to) on failure.
Status RenameFile(const std::string& from, const std::string& to);
/// In a working folder of the program, gives every plain file ending in `oldExt` (without
/// regard to case) the extension `newExt` instead, in name order: FileRename at the first
/// failure. Changes nothing in a user's folder.
Status RenameExtensionsIn(const OutputFolder& out, const std::string& oldExt,
                          const std::string& newExt);

/// Copies the file `source` into `out` under `name`, refused as MayWrite refuses. The copy is
/// written to a temporary file of that folder and then renamed to `name`, so that a file it
/// replaces is never left half-written. FileRead, FileWrite or FileRename on failure, with no
/// temporary file left behind.
Status DeliverCopy(const std::string& source, const OutputFolder& out, const std::string& name);

/// The failure of reading an input image: FileNotFound when the file does not exist,
/// UnknownExtension when its extension is not an image format, else the reader's own failure.
Error ReadFailure(const std::string& path, const LoadResult& read);

}  // namespace orvek

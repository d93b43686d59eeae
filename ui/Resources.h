#pragma once
// The files that ship inside the program: the settings file with every interface text, the
// help pages and the cursor files. On first start beside an unpacked program they are written
// into its folder ($ORVEK_HOME or the executable's folder, core/Folders.h) when missing; an
// installed program reads them from its share folder instead.

#include <QString>
#include <QStringList>

namespace orvek {

/// Registers the embedded resources (call once, after the application object exists).
void InitResources();

/// Names of the files installed beside the program.
QStringList InstalledFileNames();

/// Writes every missing file of InstalledFileNames() into `folder` (ending in a separator);
/// an existing file, the settings file above all, is never overwritten. Returns the names
/// written; `errors` receives one line per file that could not be written.
QStringList InstallResources(const QString& folder, QStringList* errors = nullptr);

}  // namespace orvek

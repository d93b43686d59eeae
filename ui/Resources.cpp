#include "ui/Resources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

static void InitOrvekResources() {
  static bool done = false;
  if (done) return;
  done = true;
  Q_INIT_RESOURCE(orvek);
}

namespace orvek {

void InitResources() {
  InitOrvekResources();
}

QStringList InstalledFileNames() {
  return {"orvek.ini", "tutoriel.htm", "tutorial.htm", "manual.htm", "Tutoriit.htm",
          "pixel.htm", "red0.cur",     "red1.cur",     "red2.cur",   "red3.cur",
          "blu0.cur",  "blu1.cur",     "blu2.cur",     "blu3.cur"};
}

QStringList InstallResources(const QString& folder, QStringList* errors) {
  InitResources();
  QStringList written;
  QDir().mkpath(folder);
  for (const QString& name : InstalledFileNames()) {
    const QString target = folder + name;
    if (QFileInfo::exists(target)) continue;
    QFile source(":/install/" + name);
    if (!source.open(QIODevice::ReadOnly)) {
      if (errors) *errors << name + ": not built into the program";
      continue;
    }
    const QByteArray bytes = source.readAll();
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) {
      if (errors) *errors << target + ": " + out.errorString();
      continue;
    }
    out.close();
    // Copies from the resource system are read-only; the settings file must stay writable.
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                       QFileDevice::ReadOther);
    written << name;
  }
  return written;
}

}  // namespace orvek

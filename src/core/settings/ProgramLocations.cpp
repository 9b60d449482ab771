#include "core/settings/ProgramLocations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Write permission as the folder's mode bits grant it to us. Deliberately not access(): for
// root that says yes everywhere, and root running an installed copy must not litter bin/.
bool dirWritableByMode(const QString& path) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
    return false;
  if (st.st_uid == ::geteuid())
    return (st.st_mode & S_IWUSR) != 0;
  if (st.st_gid == ::getegid())
    return (st.st_mode & S_IWGRP) != 0;
  return (st.st_mode & S_IWOTH) != 0;
}

} // namespace

ProgramLocations DecideLocations(const LocationFacts& f) {
  ProgramLocations loc;
  loc.programDir = f.exeDir;
  const QString besideIni = f.exeDir + QLatin1Char('/') + f.exeBaseName + QStringLiteral(".ini");
  const QString installedData = QDir::cleanPath(f.exeDir + QStringLiteral("/../share/wav2mp3tag"));
  const bool installedLayout =
      f.exists(installedData) && !f.exists(f.exeDir + QStringLiteral("/GenreList.txt"));
  loc.portable = f.exists(besideIni) || (f.dirWritable(f.exeDir) && !installedLayout);
  if (loc.portable) {
    loc.settingsFile = besideIni;
    loc.dataDirs = {f.exeDir};
  } else {
    const QString configDir = f.configHome + QStringLiteral("/wav2mp3tag");
    loc.settingsFile = configDir + QStringLiteral("/wav2mp3tag.ini");
    loc.dataDirs = {configDir, installedData};
  }
  return loc;
}

const ProgramLocations& Locations() {
  static const ProgramLocations loc = [] {
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    LocationFacts facts;
    facts.exeDir = exe.absolutePath();
    facts.exeBaseName = exe.completeBaseName();
    // The command line beside the program shares its settings file.
    if (facts.exeBaseName.endsWith(QLatin1String("-cli")))
      facts.exeBaseName.chop(4);
    facts.configHome = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    facts.exists = [](const QString& p) { return QFileInfo::exists(p); };
    facts.dirWritable = dirWritableByMode;
    return DecideLocations(facts);
  }();
  return loc;
}

QString SettingsFilePath() {
  return Locations().settingsFile;
}

QString DataFilePath(const QString& name) {
  const QStringList& dirs = Locations().dataDirs;
  for (const QString& d : dirs) {
    const QString p = d + QLatin1Char('/') + name;
    if (QFileInfo::exists(p))
      return p;
  }
  return dirs.first() + QLatin1Char('/') + name;
}

QString HelpDir() {
  return QFileInfo(DataFilePath(QStringLiteral("readme.txt"))).absolutePath();
}

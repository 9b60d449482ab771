// Where the program's own files live.
//
// A portable copy (the build folder, or a folder the user unpacked the program into) keeps
// everything beside the executable: the settings file "<exe>.ini" (which the command line
// "<exe>-cli" reads too), GenreList.txt, readme.txt and the encoder module. An installed copy
// (PREFIX/bin with PREFIX/share/wav2mp3tag) cannot write beside itself: its settings go to the
// user's configuration folder, and its data files are looked up there first, then in the
// installed data folder.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

struct ProgramLocations {
  bool portable = true;
  QString programDir;   // the executable's folder
  QString settingsFile; // full path of the settings file
  QStringList dataDirs; // folders searched for GenreList.txt and readme.txt, in order
};

struct LocationFacts {
  QString exeDir;                             // folder of the executable, no trailing separator
  QString exeBaseName;                        // the executable's name without extension
  QString configHome;                         // $XDG_CONFIG_HOME, or ~/.config
  std::function<bool(const QString&)> exists; // a file or folder exists
  std::function<bool(const QString&)> dirWritable; // the folder's permissions let us write
};

// The one place that decides. The executable's folder is the program's folder when it already
// holds the settings file, or when it is writable and is not an installed layout (a sibling
// share/wav2mp3tag folder without data files beside the executable).
ProgramLocations DecideLocations(const LocationFacts& facts);

// The decision for this process, made once.
const ProgramLocations& Locations();

// The settings file.
QString SettingsFilePath();

// A data file ("GenreList.txt", "readme.txt"): the first existing one of the data folders;
// when none exists, the path in the first data folder.
QString DataFilePath(const QString& name);

// The folder a help file name without folder is taken in: the folder of readme.txt.
QString HelpDir();

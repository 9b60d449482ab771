// The program's settings as stored in its INI file: what start-up reads into the windows and
// what closing writes back from them.
#pragma once

#include "core/settings/IniValues.h"
#include "core/settings/Options.h"

#include <QString>

#include <optional>

// Values read at start, already interpreted (defaults for absent or invalid values applied):
// the options, where an absent flag reads as off whatever its designed state, and an output
// folder that names no existing folder as empty; and the window's place.
struct StoredSettings : Options {
  int Left = 100;
  int Top = 100;
  int Width = 530;
  // Set only when the stored folder exists; always ends with a separator.
  std::optional<QString> FolderPath;
  // Set only when a help file was found (the stored one, else readme.txt in the program's
  // folder).
  std::optional<QString> HelpPath;
};

// nullopt when there is no settings file: nothing is read.
std::optional<StoredSettings> ReadStoredSettings(const QString& iniPath, const QString& programDir);

// Values written at close: the options in force and the window as it is.
struct SettingsToSave : Options {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  QString HelpPath;   // written as a bare name when it lies in programDir
  QString FolderPath; // the folder box's tooltip, unchanged
};

// Writes the keys in their fixed order. A read-only file is written only when `ask` agrees (asked
// once); declined, it is left whole. Returns false when some key could not be written because
// the file could not be created or written (not when the user declined a read-only file).
bool WriteStoredSettings(const QString& iniPath, const QString& programDir,
                         const SettingsToSave& values, const IniValues::AskWritable& ask);

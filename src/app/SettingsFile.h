// The program's settings as stored in its INI file: what start-up reads into the windows and
// what closing writes back from them.
#pragma once

#include "app/MyCommon.h"

#include <QString>

#include <optional>

// Values read at start, already interpreted (defaults for absent or invalid values applied).
struct StoredSettings {
  int Left = 100;
  int Top = 100;
  int Width = 530;
  bool WithFolder = false;     // CheckBox1
  bool WithFile = false;       // CheckBox4
  bool WriteId3 = false;       // CheckBox3
  bool DispMp3infp = false;    // CheckBox5
  int FormComment = 0;         // 0 free text, 1 jacket, 2 four names, 3 ID + four names
  bool Mp3WavId3ToMp3 = false; // CheckBox8
  bool Mp3DeleteWav = false;   // CheckBox2
  bool Mp3OverWriteMp3 = false; // CheckBox6
  bool Mp3UseFolder3 = false;  // CheckBox7
  QString Mp3FolderPath;       // empty unless it names an existing folder
  // Set only when the stored folder exists; always ends with a separator.
  std::optional<QString> FolderPath;
  // Set only when a help file was found (the stored one, else readme.txt in the program's
  // folder).
  std::optional<QString> HelpPath;
};

// nullopt when there is no settings file: nothing is read.
std::optional<StoredSettings> ReadStoredSettings(const QString& iniPath, const QString& programDir);

// Values written at close, taken from the windows as they are.
struct SettingsToSave {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  QString HelpPath;    // written as a bare name when it lies in programDir
  QString FolderPath;  // the folder box's tooltip, unchanged
  bool WithFolder = false;
  bool WithFile = false;
  bool WriteId3 = false;
  bool DispMp3infp = false;
  int FormComment = 0;
  bool Mp3WavId3ToMp3 = false;
  bool Mp3DeleteWav = false;
  bool Mp3OverWriteMp3 = false;
  bool Mp3UseFolder3 = false;
  QString Mp3FolderPath;
};

// Writes the sixteen keys in their fixed order (only the first may create the file). Returns
// false when some key could not be written because the file could not be created or written
// (not when the user declined a read-only file).
bool WriteStoredSettings(const QString& iniPath, const QString& programDir,
                         const SettingsToSave& values, const MyCommon::AskWritable& ask);

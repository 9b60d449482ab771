// Where the program's own files live.
#pragma once

#include <QString>

// The program's folder: settings file, GenreList.txt, readme.txt and the encoder module sit
// there. Ends without a separator.
QString ProgramDir();

// The settings file: the executable's path with its extension replaced by ".ini".
QString SettingsFilePath();

// Small services of the desktop that the windows share: opening a document with its
// associated program, the help file, and the default music folder.
#pragma once

#include "core/session/PlatformTools.h"

#include <QString>

// Opens `document` with the program the desktop associates with it. Surrounding double quotes
// are removed first (a path with blanks may come quoted). `showCommand` (1 = normal window) is
// accepted for the callers' sake; the desktop decides how the program shows itself. True when
// a program was started; false for an empty document or when nothing could open it.
bool OpenWithAssociated(const QString& document, int showCommand, PlatformTools& platform);

// The user's music folder; the home folder when the desktop names none. Neither tested for
// existence nor created.
QString DefaultMusicFolder();

// The help button: opens the file at `helpPath`, made absolute against the current folder, with
// its associated program. Empty when it did; else what to tell the user (no guide, or no
// program to open it with).
QString OpenHelpFile(const QString& helpPath, PlatformTools& platform);

// The options window's output folder button: chooses the folder for MP3 files with the
// window's folder browser.
#pragma once

#include <QString>

#include <optional>

class QWidget;
class FolderBrowser;

// The first browse starts at the music folder, later ones at the last chosen folder; with no
// remembered position the dialog goes just below `button`. The chosen folder (FsPath), which
// the browser remembers; nullopt when cancelled.
std::optional<QString> ChooseOutputFolder(FolderBrowser& browser, QWidget* button);

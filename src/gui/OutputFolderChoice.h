// The options window's output folder button: chooses the folder for MP3 files with the
// window's folder browser and shows it in the output folder box.
#pragma once

class QFont;
class QLineEdit;
class QWidget;
class FolderBrowser;

// The first browse starts at the music folder, later ones at the last chosen folder; with no
// remembered position the dialog goes just below `button`. On a choice `edit` shows the path
// shortened to its width in `font`, its tooltip the full path (which is the value), and the
// browser remembers it. Cancelling changes nothing. True when a folder was chosen.
bool ChooseOutputFolder(FolderBrowser& browser, QWidget* button, QLineEdit* edit,
                        const QFont& font);

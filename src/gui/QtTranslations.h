// Qt's own texts (the buttons of message boxes and standard dialogs, the open-file dialog, the
// context menus of text boxes) in Japanese, like the rest of the program, whatever the locale.
#pragma once

class QCoreApplication;

// Loads Qt's Japanese translations from Qt's translations folder and installs them in `app`,
// which owns them from then on. False when they are not installed on this system; Qt's texts
// then stay English.
bool InstallQtJapaneseTranslations(QCoreApplication& app);

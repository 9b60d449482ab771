// The program's entry: creates the main window, then the options window and the genre list
// window, shows the main window and runs the event loop. The encoder library is released only
// after the main window (and with it the encoder component and its worker) is gone.
#include "core/encoder/EncoderBinding.h"
#include "core/encoder/EncoderComponent.h"
#include "core/fs/FsPath.h"
#include "core/session/TerminationSignal.h"
#include "core/settings/ProgramLocations.h"
#include "gui/GenreListWindow.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"
#include "gui/Platform.h"
#include "gui/QtTranslations.h"

#include <QApplication>
#include <QStringList>

#include <memory>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The display name follows the application name; setting it separately would make some
  // platforms append it to every window title.
  QApplication::setApplicationName(QStringLiteral("wav2mp3tag"));
  InstallQtJapaneseTranslations(app);

  Platform& platform = Platform::Default();
  int result = 0;
  {
    std::unique_ptr<MainWindow> form1;
    try {
      form1 = std::make_unique<MainWindow>(platform);
    } catch (const EncoderError& e) {
      platform.ShowError(nullptr, e.Message());
      return 1;
    }
    // The other two windows come after the main window and live as long as it does: they are
    // its own windows (the options dialog and the genre tool window stay above it).
    form1->SetOptionsWindow(new OptionsDialog(form1.get()));
    form1->SetGenreListWindow(
        new GenreListWindow(platform, DataFilePath(QStringLiteral("GenreList.txt")), form1.get()));

    // The argument's bytes as given: a file name that is not UTF-8 still names its file.
    if (argc > 1)
      form1->SetCommandLineFile(FsPath::FromLocal8Bit(argv[1]));

    // Logout, shutdown or Ctrl+C close the window like its frame does: settings saved, a
    // running encode stopped. The loop is left even when the window never came up.
    TerminationSignal termination([&form1] {
      form1->CloseBySignal();
      QCoreApplication::quit();
    });

    form1->show();
    result = QApplication::exec();
    // Destroying the main window destroys the encoder component, which stops its worker.
    form1.reset();
  }
  // Only now, with no worker left inside it, is the encoder library let go.
  ReleaseEncoderLibrary();
  return result;
}

// Saves pictures of the main window and the options window as they first appear (no settings
// file), for the documentation: window_shots <folder>.
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"
#include "gui/Platform.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: window_shots <folder>\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  QTemporaryDir scratch;
  MainWindow form(Platform::Default());
  form.SetIniPath(scratch.filePath(QStringLiteral("none.ini")));
  auto* options = new OptionsDialog(&form);
  form.SetOptionsWindow(options);
  form.show();
  options->show();
  QApplication::processEvents();
  const bool ok = form.grab().save(out.filePath(QStringLiteral("main-window.png"))) &&
                  options->grab().save(out.filePath(QStringLiteral("options-window.png")));
  options->hide();
  // Keep the user's settings untouched: nothing is saved on the way out.
  form.SetIniPath(scratch.filePath(QStringLiteral("discard.ini")));
  return ok ? 0 : 1;
}

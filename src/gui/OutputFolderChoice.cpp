#include "gui/OutputFolderChoice.h"

#include "gui/FolderBrowser.h"
#include "gui/ShellServices.h"

#include <QWidget>

std::optional<QString> ChooseOutputFolder(FolderBrowser& browser, QWidget* button) {
  const QString defaultFolder = DefaultMusicFolder();
  if (browser.InitDir().isEmpty())
    browser.setInitDir(defaultFolder);
  if (browser.FormLeft() == 0 && browser.FormTop() == 0 && button != nullptr) {
    const QPoint corner = button->mapToGlobal(QPoint(0, 0));
    browser.setFormLeft(corner.x());
    browser.setFormTop(corner.y() + button->height());
  }
  if (!browser.Execute())
    return std::nullopt;
  const QString chosen = browser.Directory();
  browser.setInitDir(chosen);
  return chosen;
}

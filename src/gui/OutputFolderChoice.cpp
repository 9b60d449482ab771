#include "gui/OutputFolderChoice.h"

#include "gui/FolderBrowser.h"
#include "gui/ShellServices.h"

#include <QWidget>

std::optional<QString> ChooseOutputFolder(FolderBrowser& browser, QWidget* button) {
  const QString defaultFolder = DefaultMusicFolder();
  if (browser.InitDir().isEmpty())
    browser.setInitDir(defaultFolder);
  if (button != nullptr)
    browser.PlaceBelow(*button);
  if (!browser.Execute())
    return std::nullopt;
  const QString chosen = browser.Directory();
  browser.setInitDir(chosen);
  return chosen;
}

#include "gui/OutputFolderChoice.h"

#include "core/fs/FsPath.h"
#include "core/fs/ShortenPath.h"
#include "gui/FolderBrowser.h"
#include "gui/ShellServices.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QWidget>

bool ChooseOutputFolder(FolderBrowser& browser, QWidget* button, QLineEdit* edit,
                        const QFont& font) {
  const QString defaultFolder = DefaultMusicFolder();
  if (browser.InitDir().isEmpty())
    browser.setInitDir(defaultFolder);
  if (browser.FormLeft() == 0 && browser.FormTop() == 0 && button != nullptr) {
    const QPoint corner = button->mapToGlobal(QPoint(0, 0));
    browser.setFormLeft(corner.x());
    browser.setFormTop(corner.y() + button->height());
  }
  if (!browser.Execute())
    return false;
  const QString chosen = browser.Directory();
  const QFontMetrics metrics(font);
  const QString shown =
      ShortenPath(FsPath::Display(chosen), edit->width(),
                  [&metrics](const QString& text) { return metrics.horizontalAdvance(text); });
  browser.setInitDir(chosen);
  edit->setText(shown);
  edit->setToolTip(chosen);
  return true;
}

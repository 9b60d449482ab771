#include "gui/PathBox.h"

#include "core/fs/FsPath.h"
#include "core/fs/ShortenPath.h"

#include <QFontMetrics>
#include <QLineEdit>

void ShowPathInBox(QLineEdit& box, const QString& path, const QFont& font, int room) {
  const QString shown = FsPath::Display(path);
  const QFontMetrics metrics(font);
  box.setToolTip(shown);
  box.setText(ShortenPath(shown, room,
                          [&metrics](const QString& s) { return metrics.horizontalAdvance(s); }));
  box.setCursorPosition(0);
}

#include "gui/ShellServices.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const int ShowNormal = 1;

QString Unquoted(const QString& text) {
  if (text.size() >= 2 && text.startsWith('"') && text.endsWith('"'))
    return text.mid(1, text.size() - 2);
  return text;
}

} // namespace

bool OpenWithAssociated(const QString& document, int showCommand, PlatformTools& platform) {
  Q_UNUSED(showCommand);
  const QString path = Unquoted(document);
  if (path.isEmpty())
    return false;
  return platform.OpenDocument(path);
}

QString DefaultMusicFolder() {
  const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
  return music.isEmpty() ? QDir::homePath() : music;
}

QString OpenHelpFile(const QString& helpPath, PlatformTools& platform) {
  const QFileInfo info(Unquoted(helpPath));
  if (helpPath.isEmpty() || !info.isFile())
    return QStringLiteral("使用方法のファイル（readme.txt）が見つかりません。");
  if (!OpenWithAssociated(info.absoluteFilePath(), ShowNormal, platform))
    return QStringLiteral("%1 を開けるプログラムが見つかりません。").arg(info.absoluteFilePath());
  return QString();
}

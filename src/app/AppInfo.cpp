#include "app/AppInfo.h"

#include <QCoreApplication>
#include <QFileInfo>

QString ProgramDir() { return QCoreApplication::applicationDirPath(); }

QString SettingsFilePath() {
  const QFileInfo exe(QCoreApplication::applicationFilePath());
  return exe.absolutePath() + QLatin1Char('/') + exe.completeBaseName() + QStringLiteral(".ini");
}

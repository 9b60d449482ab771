#include "convert/ConvertPlan.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QChar kSeparator = QLatin1Char('/');

qsizetype NameStart(const QString& path) {
  return path.lastIndexOf(kSeparator) + 1;
}

} // namespace

QString ConvertPlan::ExtensionOf(const QString& path) {
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  if (dot < NameStart(path))
    return {};
  return path.mid(dot);
}

bool ConvertPlan::IsWavPath(const QString& path) {
  return ExtensionOf(path).toLower() == QLatin1String(".wav");
}

QString ConvertPlan::RefusalText(Refusal refusal) {
  switch (refusal) {
  case Refusal::MissingSource:
    return QStringLiteral("指定のWAVファイルがみつかりません");
  case Refusal::NotWav:
    return QStringLiteral("WAVファイルだけ対象です");
  case Refusal::Mp3Exists:
    return QStringLiteral("すでに同名のMP3が存在します");
  case Refusal::None:
    break;
  }
  return {};
}

ConvertPlan ConvertPlan::Make(const QString& source, bool toOutputFolder,
                              const QString& outputFolder, bool overwrite) {
  ConvertPlan plan;
  const QString extension = ExtensionOf(source);
  plan.destination = source.left(source.size() - extension.size()) + QStringLiteral(".mp3");

  if (toOutputFolder) {
    QString folder = outputFolder;
    // One trailing separator goes; the root keeps its only one.
    if (folder.size() > 1 && folder.endsWith(kSeparator))
      folder.chop(1);
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
      if (!folder.endsWith(kSeparator))
        folder += kSeparator;
      plan.destination = folder + plan.destination.mid(NameStart(plan.destination));
    }
  }

  if (!QFileInfo(source).isFile())
    plan.refusal = Refusal::MissingSource;
  else if (extension.toLower() != QLatin1String(".wav"))
    plan.refusal = Refusal::NotWav;
  else if (!overwrite && QFileInfo::exists(plan.destination))
    plan.refusal = Refusal::Mp3Exists;
  return plan;
}

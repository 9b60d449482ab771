#include "core/convert/ConvertPlan.h"
#include "core/fs/FolderScan.h"
#include "core/fs/FsPath.h"

#include <sys/stat.h>

namespace {

bool IsLink(const QString& path) {
  struct stat st {};
  return ::lstat(FsPath::Encode(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

} // namespace

QString ConvertPlan::RefusalText(Refusal refusal) {
  switch (refusal) {
  case Refusal::MissingSource:
    return QStringLiteral("指定のWAVファイルがみつかりません");
  case Refusal::NotWav:
    return QStringLiteral("WAVファイルだけ対象です");
  case Refusal::Mp3Exists:
    return QStringLiteral("すでに同名のMP3が存在します");
  case Refusal::SourceNotFile:
    return QStringLiteral("WAVファイルではなくフォルダや特殊なファイルです");
  case Refusal::DestinationNotFile:
    return QStringLiteral("MP3の名前にフォルダや特殊なファイルがあります");
  case Refusal::DestinationIsSource:
    return QStringLiteral("MP3の名前が元のWAVファイルそのものを指しています");
  case Refusal::None:
    break;
  }
  return {};
}

QString ConvertPlan::Text() const {
  switch (refusal) {
  case Refusal::SourceNotFile:
    return QStringLiteral("%1 はフォルダや特殊なファイルです（変換しません）")
        .arg(FsPath::DisplayName(source));
  case Refusal::DestinationNotFile:
    return QStringLiteral("%1 はフォルダや特殊なファイルです（MP3を書きません）")
        .arg(FsPath::DisplayName(destination));
  case Refusal::DestinationIsSource:
    return QStringLiteral("%1 は元のWAVファイル %2 そのものです（変換しません）")
        .arg(FsPath::DisplayName(destination), FsPath::DisplayName(source));
  default:
    return RefusalText(refusal);
  }
}

ConvertPlan ConvertPlan::Make(const QString& source, bool toOutputFolder,
                              const QString& outputFolder, bool overwrite) {
  ConvertPlan plan;
  plan.source = source;
  const QString extension = FsPath::Extension(source);
  plan.destination = source.left(source.size() - extension.size()) + QStringLiteral(".mp3");

  if (toOutputFolder) {
    QString folder = FsPath::WithoutTrailingSeparator(outputFolder);
    if (!folder.isEmpty() && FsPath::IsDir(folder)) {
      if (!folder.endsWith(u'/'))
        folder += u'/';
      plan.destination = folder + FsPath::BareName(plan.destination);
    }
  }

  struct stat in {};
  struct stat out {};
  const bool sourceThere = FsPath::Stat(source, in);
  const bool destinationThere = FsPath::Stat(plan.destination, out);
  const bool wavName = IsWavName(source);
  // Something not a file, under a name that is not a WAV file's, is no file to look for.
  if (!sourceThere || (!S_ISREG(in.st_mode) && !wavName))
    plan.refusal = Refusal::MissingSource;
  else if (!wavName)
    plan.refusal = Refusal::NotWav;
  else if (!S_ISREG(in.st_mode))
    plan.refusal = Refusal::SourceNotFile;
  else if (!overwrite && (destinationThere || IsLink(plan.destination)))
    plan.refusal = Refusal::Mp3Exists;
  else if (destinationThere && !S_ISREG(out.st_mode))
    plan.refusal = Refusal::DestinationNotFile;
  else if (destinationThere && in.st_dev == out.st_dev && in.st_ino == out.st_ino)
    plan.refusal = Refusal::DestinationIsSource;
  return plan;
}

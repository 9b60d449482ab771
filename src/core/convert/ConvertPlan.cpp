#include "core/convert/ConvertPlan.h"
#include "core/fs/FolderScan.h"
#include "core/fs/FsPath.h"

#include <cerrno>
#include <cstring>
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
  case Refusal::NoOutputFolder:
    return QStringLiteral("MP3を書き出すフォルダがありません");
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
  case Refusal::NoOutputFolder:
    return OutputFolderProblem(true, outputFolder);
  default:
    return RefusalText(refusal);
  }
}

QString ConvertPlan::NamedText() const {
  switch (refusal) {
  case Refusal::MissingSource:
  case Refusal::NotWav:
  case Refusal::Mp3Exists:
  case Refusal::NoOutputFolder:
    return QStringLiteral("%1：%2").arg(FsPath::DisplayName(source), Text());
  default:
    return Text();
  }
}

QString ConvertPlan::OutputFolderProblem(bool toOutputFolder, const QString& outputFolder,
                                         bool asCause) {
  if (!toOutputFolder)
    return QString();
  const QString folder = FsPath::WithoutTrailingSeparator(outputFolder);
  if (folder.isEmpty())
    return asCause ? QStringLiteral("MP3を書き出すフォルダが選ばれていないため")
                   : QStringLiteral("MP3を書き出すフォルダが選ばれていません"
                                    "（オプションで選んでください）");
  switch (FsPath::KindOf(folder)) {
  case FsPath::Kind::Directory:
    return QString();
  case FsPath::Kind::Missing:
    return (asCause ? QStringLiteral("MP3を書き出すフォルダ %1 がないため")
                    : QStringLiteral("MP3を書き出すフォルダ %1 がありません"))
        .arg(FsPath::Display(folder));
  default:
    return (asCause ? QStringLiteral("MP3を書き出すフォルダ %1 がフォルダではないため")
                    : QStringLiteral("MP3を書き出すフォルダ %1 はフォルダではありません"))
        .arg(FsPath::Display(folder));
  }
}

bool ConvertPlan::MakeDestinationFolder(QString& error) const {
  if (outputFolder.isEmpty())
    return true;
  const QString base = FsPath::WithoutTrailingSeparator(outputFolder);
  const QString folder = FsPath::FolderOf(destination);
  // Each missing folder below the output folder, from the top down, made as any new folder of
  // the user there (the umask applies).
  for (qsizetype at = base.size() + 1; at <= folder.size(); ++at) {
    if (at < folder.size() && folder.at(at) != u'/')
      continue;
    const QByteArray path = FsPath::Encode(folder.left(at));
    if (::mkdir(path.constData(), 0777) != 0 && errno != EEXIST) {
      error = QString::fromLocal8Bit(std::strerror(errno));
      return false;
    }
  }
  return true;
}

QString ConvertPlan::Place() const {
  const QString base = outputFolder.isEmpty() ? FsPath::FolderOf(destination)
                                              : FsPath::WithoutTrailingSeparator(outputFolder);
  struct stat folder {};
  if (!FsPath::Stat(base, folder))
    folder = {};
  QString below = destination.mid(base.size());
  if (!below.startsWith(u'/'))
    below.prepend(u'/');
  return QStringLiteral("%1:%2")
             .arg(static_cast<qulonglong>(folder.st_dev))
             .arg(static_cast<qulonglong>(folder.st_ino)) +
         below;
}

ConvertPlan ConvertPlan::Make(const QString& source, bool toOutputFolder,
                              const QString& outputFolder, bool overwrite,
                              const QString& sourceRoot) {
  ConvertPlan plan;
  plan.source = source;
  const QString extension = FsPath::Extension(source);
  plan.destination = source.left(source.size() - extension.size()) + QStringLiteral(".mp3");

  const bool noOutputFolder = !OutputFolderProblem(toOutputFolder, outputFolder).isEmpty();
  if (toOutputFolder && !FsPath::WithoutTrailingSeparator(outputFolder).isEmpty()) {
    plan.outputFolder = outputFolder;
    QString folder = FsPath::WithoutTrailingSeparator(outputFolder);
    if (!folder.endsWith(u'/'))
      folder += u'/';
    // The subfolders below the root, as they are named there.
    const QString root = FsPath::WithoutTrailingSeparator(sourceRoot);
    const QString below = FsPath::FolderOf(source);
    const QString prefix = root.endsWith(u'/') ? root : root + u'/';
    if (!root.isEmpty() && below.startsWith(prefix))
      folder += below.mid(prefix.size()) + u'/';
    plan.destination = folder + FsPath::BareName(plan.destination);
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
  else if (noOutputFolder)
    plan.refusal = Refusal::NoOutputFolder;
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

#include "core/tags/CoverChoice.h"

#include "core/fs/FolderScan.h"
#include "core/fs/FsPath.h"
#include "core/tags/TagCopy.h"

#include <QFile>

#include <sys/stat.h>

void CoverChoice::FileShown(const QString& path, const QByteArray& cover,
                            const std::optional<QString>& commentJacket) {
  shownFile_ = path;
  fileCover_ = cover;
  commentJacket_ = commentJacket;
  pendingImage_.clear();
}

QString CoverChoice::ImageToWrite(const TagFields& shown, bool picturesWritten) const {
  if (!picturesWritten || shownFile_.isEmpty() || !shown.Jacket)
    return QString();
  const QString image = FindImage(*shown.Jacket, images_, shownFile_);
  if (image.isEmpty())
    return QString();
  if (shown.JacketChosen)
    return image;
  const bool namedByComment = commentJacket_ && *commentJacket_ == *shown.Jacket;
  return fileCover_.isEmpty() && namedByComment ? image : QString();
}

CoverPreview CoverChoice::Preview(const TagFields& shown, bool picturesWritten) {
  pendingImage_.clear();
  CoverPreview preview;
  const QString image = ImageToWrite(shown, picturesWritten);
  if (!image.isEmpty()) {
    QByteArray bytes;
    preview.problem = ReadImageOnce(image, bytes);
    if (!preview.problem.isEmpty() || bytes != fileCover_) {
      preview.kind = CoverPreview::Kind::ToWrite;
      preview.image = bytes;
      preview.name = FsPath::BareName(image);
      pendingImage_ = bytes;
      return preview;
    }
  }
  if (!fileCover_.isEmpty()) {
    preview.kind = CoverPreview::Kind::Stored;
    preview.image = fileCover_;
  }
  return preview;
}

bool CoverChoice::ChosenCoverPending(const TagFields& shown) const {
  return shown.JacketChosen && !pendingImage_.isEmpty();
}

QString CoverChoice::FindImage(const QString& text, const QStringList& images,
                               const QString& shownFile) {
  const QString name = text.trimmed();
  if (name.isEmpty() || !IsImageName(name))
    return QString();
  for (const QString& image : images)
    if (FsPath::BareName(image) == name)
      return image;
  const QString path =
      name.startsWith(u'/') ? name : FsPath::FolderOf(shownFile) + QLatin1Char('/') + name;
  return FsPath::IsFile(path) ? path : QString();
}

QString CoverChoice::ReadImageOnce(const QString& path, QByteArray& bytes) {
  struct stat st {};
  const bool exists = FsPath::Stat(path, st);
  const qint64 size = exists ? qint64(st.st_size) : -1;
  const qint64 changed = exists ? qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec : 0;
  if (path != lastRead_.path || size != lastRead_.size || changed != lastRead_.changed ||
      size < 0) {
    lastRead_.problem = ReadImage(path, lastRead_.bytes);
    lastRead_.path = path;
    lastRead_.size = size;
    lastRead_.changed = changed;
  }
  bytes = lastRead_.bytes;
  return lastRead_.problem;
}

QString CoverChoice::ReadImage(const QString& path, QByteArray& bytes) {
  bytes.clear();
  QFile file(path);
  if (!FsPath::IsFile(path) || !file.open(QIODevice::ReadOnly))
    return QStringLiteral("%1 を読めません").arg(FsPath::DisplayName(path));
  // One byte past the limit tells a file that is too large without reading all of it.
  bytes = file.read(kMaxImageBytes + 1);
  if (bytes.size() > kMaxImageBytes) {
    bytes.clear();
    return TagCopy::CoverRefusalText(MP3INFP_PICTURE_TOO_LARGE, FsPath::DisplayName(path));
  }
  if (file.error() != QFile::NoError) {
    bytes.clear();
    return QStringLiteral("%1 を読めません").arg(FsPath::DisplayName(path));
  }
  return QString();
}

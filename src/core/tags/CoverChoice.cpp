#include "core/tags/CoverChoice.h"

#include "core/fs/FolderScan.h"
#include "core/fs/FsPath.h"
#include "core/tags/TagCopy.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void CoverChoice::FileShown(const QString& path, const QByteArray& cover,
                            const std::optional<QString>& commentJacket) {
  shownFile_ = path;
  fileCover_ = cover;
  commentJacket_ = commentJacket;
  pendingImage_.clear();
}

QString CoverChoice::ImageToWrite(const TagFields& shown, bool picturesWritten) const {
  const std::optional<QString> jacket = shown.Jacket();
  if (!picturesWritten || shownFile_.isEmpty() || !jacket)
    return QString();
  const QString image = FindImage(*jacket, images_, shownFile_);
  if (image.isEmpty())
    return QString();
  if (shown.JacketChosen)
    return image;
  const bool namedByComment = commentJacket_ && *commentJacket_ == *jacket;
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
  // The box holds names as the user reads them; an image's own name may be CP932 bytes.
  for (const QString& image : images)
    if (FsPath::DisplayName(image) == name)
      return image;
  const QString path = FsPath::FromDisplay(
      name.startsWith(u'/') ? name : FsPath::FolderOf(shownFile) + QLatin1Char('/') + name);
  return !path.isEmpty() && FsPath::IsFile(path) ? path : QString();
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
  // Opened by its bytes: an image of a folder from Windows may have a CP932 name, which QFile
  // would re-encode. Not blocking, so that a FIFO given an image's name is refused, not waited on.
  const int fd = ::open(FsPath::Encode(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat st {};
  QFile file;
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    if (fd >= 0 && !file.isOpen())
      ::close(fd);
    return QStringLiteral("%1 を読めません").arg(FsPath::DisplayName(path));
  }
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

#include "convert/EncodeTarget.h"
#include "app/FsPath.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Native(const QString& path) {
  return FsPath::Encode(path);
}

QString FolderOf(const QString& path) {
  const qsizetype slash = path.lastIndexOf(u'/');
  if (slash < 0)
    return QStringLiteral(".");
  return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString ErrnoText(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

bool IsOurTemp(const char* name) {
  const std::size_t prefix = std::strlen(EncodeTarget::kPrefix);
  return std::strncmp(name, EncodeTarget::kPrefix, prefix) == 0 &&
         std::strlen(name) == prefix + 6 + 4 && std::strcmp(name + prefix + 6, ".mp3") == 0;
}

void SyncFolder(const QString& folder) {
  const int fd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

} // namespace

EncodeTarget::EncodeTarget(QString mp3, QString temp, int fd)
    : mp3_(std::move(mp3)), temp_(std::move(temp)), fd_(fd) {}

EncodeTarget::~EncodeTarget() {
  Discard();
}

std::unique_ptr<EncodeTarget> EncodeTarget::Create(const QString& mp3Path, QString& error) {
  const QString folder = FolderOf(mp3Path);
  RemoveStale(folder);
  QByteArray pattern = Native(folder);
  if (!pattern.endsWith('/'))
    pattern += '/';
  pattern += kPrefix;
  pattern += "XXXXXX.mp3";
  const int fd = ::mkostemps(pattern.data(), 4, O_CLOEXEC);
  if (fd < 0) {
    error = ErrnoText(errno);
    return nullptr;
  }
  // Locked for as long as this encode may still use it; a stale one is one nobody locks.
  ::flock(fd, LOCK_EX | LOCK_NB);
  // The MP3 gets the permissions a new file of the user gets, not mkstemp's private ones.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  return std::unique_ptr<EncodeTarget>(new EncodeTarget(mp3Path, FsPath::Decode(pattern), fd));
}

bool EncodeTarget::Commit(bool overwrite, QString& error) {
  if (done_) {
    error = QStringLiteral("temporary file already used");
    return false;
  }
  const QByteArray temp = Native(temp_);
  const QByteArray mp3 = Native(mp3_);
  // The encoder synced what it wrote; syncing here too covers an encoder that did not.
  if (::fsync(fd_) != 0) {
    error = ErrnoText(errno);
    Discard();
    return false;
  }
  const int flags = overwrite ? 0 : RENAME_NOREPLACE;
  if (::renameat2(AT_FDCWD, temp.constData(), AT_FDCWD, mp3.constData(),
                  static_cast<unsigned>(flags)) != 0) {
    error = ErrnoText(errno);
    Discard();
    return false;
  }
  done_ = true;
  ::close(fd_);
  fd_ = -1;
  SyncFolder(FolderOf(mp3_));
  return true;
}

void EncodeTarget::Discard() {
  if (!done_) {
    ::unlink(Native(temp_).constData());
    done_ = true;
  }
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

void EncodeTarget::RemoveStale(const QString& folder) {
  const QByteArray base = Native(folder);
  DIR* dir = ::opendir(base.constData());
  if (dir == nullptr)
    return;
  const int dirFd = ::dirfd(dir);
  while (const dirent* e = ::readdir(dir)) {
    if (!IsOurTemp(e->d_name))
      continue;
    const int fd = ::openat(dirFd, e->d_name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
      continue;
    struct stat st {};
    // A lock held means an encode of this or another instance still writes it.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
      ::unlinkat(dirFd, e->d_name, 0);
    ::close(fd);
  }
  ::closedir(dir);
}

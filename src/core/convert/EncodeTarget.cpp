#include "core/convert/EncodeTarget.h"
#include "core/convert/ConvertPlan.h"
#include "core/fs/FsPath.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// How many names Create tries before it gives up.
constexpr int kCreateAttempts = 16;

QByteArray Native(const QString& path) {
  return FsPath::Encode(path);
}

QString ErrnoText(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

bool IsOurTemp(const char* name) {
  const std::size_t prefix = std::strlen(EncodeTarget::kPrefix);
  return std::strncmp(name, EncodeTarget::kPrefix, prefix) == 0 &&
         std::strlen(name) == prefix + 6 + 4 && std::strcmp(name + prefix + 6, ".mp3") == 0;
}

QByteArray RandomLetters(int count) {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  QByteArray out;
  for (int i = 0; i < count; ++i)
    out += kLetters[QRandomGenerator::global()->bounded(int{sizeof kLetters - 1})];
  return out;
}

bool SameInode(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True when `path` names the file open as `fd`.
bool Names(const QByteArray& path, int fd) {
  struct stat held {};
  struct stat named {};
  return ::fstat(fd, &held) == 0 && ::lstat(path.constData(), &named) == 0 &&
         SameInode(held, named);
}

// Locks the new temporary file for as long as this encode may still use it (a stale one is
// one nobody locks) and makes sure it is still ours: another run's cleanup may have taken it
// between its creation and the lock.
bool HoldAsOurs(int fd, const QByteArray& path) {
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && (errno == EWOULDBLOCK || errno == EINTR))
    return false;
  // Any other failure is a file system without locks: no cleanup can lock the file there
  // either, so none removes it.
  return Names(path, fd);
}

void SyncFolder(const QString& folder) {
  const int fd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

// The errors of a file system that does not offer the call or the flag at all.
bool Unsupported(int error) {
  return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

bool LinksRefused(int error) {
  return error == EPERM || error == ENOSYS || error == EOPNOTSUPP;
}

// The placements found out so far, by folder (device and inode).
using FolderKey = std::pair<dev_t, ino_t>;
std::mutex placementsLock;
std::map<FolderKey, EncodeTarget::Placement> placements;

bool KeyOf(const QString& folder, FolderKey& key) {
  struct stat st {};
  if (!FsPath::Stat(folder, st))
    return false;
  key = {st.st_dev, st.st_ino};
  return true;
}

} // namespace

EncodeTarget::EncodeTarget(QString mp3, QString temp, int fd)
    : mp3_(std::move(mp3)), temp_(std::move(temp)), fd_(fd) {}

EncodeTarget::~EncodeTarget() {
  Discard();
}

std::unique_ptr<EncodeTarget> EncodeTarget::Create(const QString& mp3Path, QString& error) {
  QByteArray base = Native(FsPath::FolderOf(mp3Path));
  if (!base.endsWith('/'))
    base += '/';
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    const QByteArray path = base + kPrefix + RandomLetters(6) + ".mp3";
    // Made with the permissions any new file of the user gets in that folder (the umask and a
    // default ACL applied by the system), which the MP3 keeps. The encoder writes through a
    // descriptor of its own; this one only holds the lock and syncs, open for reading, so that
    // closing it once the file has the MP3's name does not count as a write there.
    const int fd = ::open(path.constData(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST)
      continue;
    if (fd < 0) {
      error = ErrnoText(errno);
      return nullptr;
    }
    if (HoldAsOurs(fd, path))
      return std::unique_ptr<EncodeTarget>(new EncodeTarget(mp3Path, FsPath::Decode(path), fd));
    ::close(fd);
  }
  error = ErrnoText(EEXIST);
  return nullptr;
}

bool EncodeTarget::Commit(bool overwrite, QString& error) {
  if (done_) {
    error = QStringLiteral("temporary file already used");
    return false;
  }
  // The encoder synced what it wrote; syncing here too covers an encoder that did not.
  if (::fsync(fd_) != 0) {
    error = ErrnoText(errno);
    Discard();
    return false;
  }
  // The temporary file stays open and locked while it is renamed, so no other run's cleanup
  // takes it; only a file replaced or removed while open stays behind as a hidden file.
  int failure = 0;
  if (overwrite)
    failure = ::rename(Native(temp_).constData(), Native(mp3_).constData()) == 0 ? 0 : errno;
  else
    failure = PlaceWithoutReplacing();
  if (failure != 0) {
    error = failure == EEXIST ? ConvertPlan::RefusalText(ConvertPlan::Refusal::Mp3Exists)
                              : ErrnoText(failure);
    Discard();
    return false;
  }
  done_ = true;
  CloseFile();
  SyncFolder(FsPath::FolderOf(mp3_));
  return true;
}

int EncodeTarget::PlaceWithoutReplacing() {
  const QByteArray temp = Native(temp_);
  const QByteArray mp3 = Native(mp3_);
  const QString folder = FsPath::FolderOf(mp3_);
  Placement way = PlacementIn(folder);
  if (way == Placement::RenameNoReplace) {
    if (::renameat2(AT_FDCWD, temp.constData(), AT_FDCWD, mp3.constData(), RENAME_NOREPLACE) == 0)
      return 0;
    if (!Unsupported(errno))
      return errno;
    way = Placement::Link;
    SetPlacementIn(folder, way);
  }
  if (way == Placement::Link) {
    const int failure = ::link(temp.constData(), mp3.constData()) == 0 ? 0 : errno;
    // NFS may answer a retransmitted link that was made with EEXIST: the name then is ours.
    if (failure == 0 || Names(mp3, fd_)) {
      CloseFile();
      ::unlink(temp.constData());
      return 0;
    }
    if (!LinksRefused(failure))
      return failure;
    way = Placement::ClaimedName;
    SetPlacementIn(folder, way);
  }
  return ClaimAndRename(temp, mp3);
}

int EncodeTarget::ClaimAndRename(const QByteArray& temp, const QByteArray& mp3) {
  const int claim =
      ::open(mp3.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (claim < 0)
    return errno;
  struct stat claimed {};
  const bool known = ::fstat(claim, &claimed) == 0;
  // Closed before it is renamed over, or a file system in user space would keep it as a
  // hidden file.
  ::close(claim);
  const auto stillOurClaim = [&] {
    struct stat now {};
    return known && ::lstat(mp3.constData(), &now) == 0 && SameInode(now, claimed) &&
           now.st_size == 0;
  };
  // A file written under the name since the claim is someone else's: it stays.
  if (!stillOurClaim())
    return EEXIST;
  if (::rename(temp.constData(), mp3.constData()) == 0)
    return 0;
  const int failure = errno;
  if (stillOurClaim())
    ::unlink(mp3.constData());
  return failure;
}

void EncodeTarget::CloseFile() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

void EncodeTarget::AdoptLockedFile(int lockedFd) {
  // The old file is no longer at the name; closing it lets a file system in user space drop
  // the hidden file it kept for it.
  CloseFile();
  fd_ = lockedFd;
}

void EncodeTarget::Discard() {
  // Closed first: a file system in user space keeps a removed file that is still open as a
  // hidden ".fuse_hidden…" file.
  CloseFile();
  if (!done_) {
    ::unlink(Native(temp_).constData());
    done_ = true;
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
    const bool stale =
        ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    if (stale)
      ::unlinkat(dirFd, e->d_name, 0);
  }
  ::closedir(dir);
}

EncodeTarget::Placement EncodeTarget::PlacementIn(const QString& folder) {
  FolderKey key;
  if (!KeyOf(folder, key))
    return Placement::RenameNoReplace;
  const std::lock_guard<std::mutex> lock(placementsLock);
  const auto found = placements.find(key);
  return found != placements.end() ? found->second : Placement::RenameNoReplace;
}

void EncodeTarget::SetPlacementIn(const QString& folder, Placement placement) {
  FolderKey key;
  if (!KeyOf(folder, key))
    return;
  const std::lock_guard<std::mutex> lock(placementsLock);
  placements[key] = placement;
}

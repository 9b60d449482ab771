#include "AtomicFile.h"

#include "mp3infp.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace mp3infp {

namespace {

bool writeAll(int fd, const char* data, std::size_t length) {
  while (length > 0) {
    const ssize_t n = ::write(fd, data, length);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    data += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

bool copyRange(int fd, const FileReader& source, std::uint64_t offset, std::uint64_t length) {
  constexpr std::uint64_t kBlock = 1u << 20;
  while (length > 0) {
    const std::uint64_t n = length < kBlock ? length : kBlock;
    std::string block;
    if (!source.read(offset, static_cast<std::size_t>(n), block) ||
        !writeAll(fd, block.data(), block.size()))
      return false;
    offset += n;
    length -= n;
  }
  return true;
}

} // namespace

ScopedReadBack::ScopedReadBack(ReadBack check) : previous_(std::move(activeReadBack())) {
  activeReadBack() = std::move(check);
}

ScopedReadBack::~ScopedReadBack() {
  activeReadBack() = std::move(previous_);
}

// Per thread: handles on other threads save at the same time.
ReadBack& ScopedReadBack::activeReadBack() {
  thread_local ReadBack check;
  return check;
}

ScopedKeptLock::ScopedKeptLock(int* slot) : previous_(activeSlot()) {
  activeSlot() = slot;
}

ScopedKeptLock::~ScopedKeptLock() {
  activeSlot() = previous_;
}

int*& ScopedKeptLock::activeSlot() {
  thread_local int* slot = nullptr;
  return slot;
}

bool IsOurTemporaryName(std::string_view name) {
  const std::string_view prefix = kTemporaryPrefix, suffix = kTemporarySuffix;
  if (name.size() != prefix.size() + 6 + suffix.size() || name.substr(0, prefix.size()) != prefix ||
      name.substr(name.size() - suffix.size()) != suffix)
    return false;
  for (const char c : name.substr(prefix.size(), 6))
    if (!std::isalnum(static_cast<unsigned char>(c)))
      return false;
  return true;
}

void RemoveStaleTemporaries(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir)
    return;
  const int dirFd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsOurTemporaryName(entry->d_name))
      continue;
    const int fd =
        ::openat(dirFd, entry->d_name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
      continue;
    struct stat held {
    }, named{};
    // A save in progress holds its lock until the rename; a lock we get means its writer died.
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        named.st_ino == held.st_ino && named.st_dev == held.st_dev)
      ::unlinkat(dirFd, entry->d_name, 0);
    ::close(fd);
  }
  ::closedir(dir);
}

namespace {

// Creates and locks a new temporary file in `folder`; -1 when it cannot. The lock is taken
// after creation, so a sweeper may hold or have removed the file in between: then try again.
// Where the file system has no locks at all, no sweeper can take the file either. The lock is
// held by `*locked`: the file's descriptor itself, or with `lockReadOnly` a second one, open
// for reading only, which may outlive the writing one without its close counting as a write.
int createTemporary(const std::string& folder, std::string& name, bool lockReadOnly, int* locked) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    name = folder + kTemporaryPrefix + "XXXXXX" + kTemporarySuffix;
    const int fd =
        ::mkostemps(name.data(), static_cast<int>(std::strlen(kTemporarySuffix)), O_CLOEXEC);
    if (fd < 0)
      return -1;
    const int lock = lockReadOnly ? ::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC) : fd;
    const bool taken = lock < 0 || (::flock(lock, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK);
    struct stat held {
    }, named{};
    if (!taken && ::fstat(lock, &held) == 0 && ::lstat(name.c_str(), &named) == 0 &&
        named.st_ino == held.st_ino && named.st_dev == held.st_dev) {
      *locked = lock;
      return fd;
    }
    if (lock >= 0 && lock != fd)
      ::close(lock);
    ::close(fd);
  }
  return -1;
}

// Gives `fd`, a new file beside the original, everything of the original that a rename would
// otherwise lose: owner, group and extended attributes (SELinux labels, which the system's
// policy sets, aside). False when the process may not set one of them.
bool carryMetadata(int fd, const FileReader& source) {
  const struct stat& original = source.info();
  struct stat made {};
  if (::fstat(fd, &made) != 0)
    return false;
  if ((made.st_uid != original.st_uid || made.st_gid != original.st_gid) &&
      ::fchown(fd, original.st_uid, original.st_gid) != 0)
    return false;
  const int from = source.descriptor();
  std::string names(4096, '\0');
  ssize_t length = 0;
  while ((length = ::flistxattr(from, names.data(), names.size())) < 0 && errno == ERANGE)
    names.resize(names.size() * 4);
  if (length < 0)
    return errno == ENOTSUP; // a file system without them
  names.resize(static_cast<std::size_t>(length));
  std::string value;
  for (std::size_t at = 0; at < names.size(); at = names.find('\0', at) + 1) {
    const char* name = names.c_str() + at;
    if (std::strncmp(name, "security.", 9) == 0)
      continue;
    ssize_t size = ::fgetxattr(from, name, nullptr, 0);
    value.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
    if (size < 0 || (size = ::fgetxattr(from, name, value.data(), value.size())) < 0 ||
        ::fsetxattr(fd, name, value.data(), static_cast<std::size_t>(size), 0) != 0)
      return false;
  }
  return true;
}

void syncFolder(const std::string& folder) {
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

// Whether the written file passes the active read-back check.
bool readsBack(const std::string& path) {
  const ReadBack& check = ScopedReadBack::activeReadBack();
  try {
    return !check || check(path);
  } catch (...) { // out of memory reading it
    return false;
  }
}

bool writePieces(int fd, const FileReader& source, const std::vector<Piece>& pieces) {
  for (const Piece& p : pieces) {
    const bool ok = p.isLiteral ? writeAll(fd, p.literal.data(), p.literal.size())
                                : copyRange(fd, source, p.offset, p.length);
    if (!ok)
      return false;
  }
  return true;
}

// Makes the open file `fd` hold exactly the pieces (ranges read from `source`), on the disk.
bool overwrite(int fd, const FileReader& source, const std::vector<Piece>& pieces) {
  return ::lseek(fd, 0, SEEK_SET) == 0 && writePieces(fd, source, pieces) &&
         ::ftruncate(fd, static_cast<off_t>(TotalLength(pieces))) == 0 && ::fsync(fd) == 0;
}

// The in-place write: a safety copy of the file beside it, on the disk before anything else
// happens, then the new content over the file itself, checked, and the safety copy removed.
// When the write or the check fails, the safety copy's bytes go back into the file; only when
// that fails too does the safety copy remain, the one whole copy of the file.
int writeInPlace(const std::string& target, const std::string& folder, const FileReader& source,
                 const std::vector<Piece>& pieces) {
  const int fd = ::open(target.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0)
    return MP3INFP_SAVE_READ_ONLY;
  struct stat now {};
  if (::fstat(fd, &now) != 0 || now.st_ino != source.info().st_ino ||
      now.st_dev != source.info().st_dev || now.st_size != source.info().st_size) {
    ::close(fd);
    return MP3INFP_SAVE_CHANGED;
  }
  const std::string name = target.substr(folder.size());
  const std::string suffix = ".w2m-backup-XXXXXX";
  std::string backup = folder + (name.size() + suffix.size() <= NAME_MAX ? name : "") + suffix;
  const int copy = ::mkostemp(backup.data(), O_CLOEXEC);
  if (copy < 0) {
    ::close(fd);
    return MP3INFP_SAVE_NO_ROOM;
  }
  // The safety copy belongs to the file's owner and group where the process may say so, and
  // is readable by whoever may read the file.
  const bool owned = ::fchown(copy, now.st_uid, now.st_gid) == 0 ||
                     ::fchown(copy, static_cast<uid_t>(-1), now.st_gid) == 0;
  static_cast<void>(owned); // else the writer's: the mode below still lets the group read it
  const std::vector<Piece> whole{Piece::Range(0, source.size())};
  // Closed before the safety copy is removed: a file system in user space would keep a removed
  // file that is still open as a hidden file.
  std::optional<FileReader> original(std::in_place);
  const bool saved = ::fchmod(copy, now.st_mode & 0666) == 0 && writePieces(copy, source, whole) &&
                     ::fsync(copy) == 0 && original->open(backup) &&
                     original->size() == source.size();
  ::close(copy);
  if (!saved) {
    original.reset();
    ::unlink(backup.c_str());
    ::close(fd);
    return MP3INFP_SAVE_WRITE_FAILED;
  }
  syncFolder(folder);

  const bool written = overwrite(fd, *original, pieces);
  int result = written && readsBack(target) ? MP3INFP_SAVE_OK
               : written                    ? MP3INFP_SAVE_NOT_READ_BACK
                                            : MP3INFP_SAVE_WRITE_FAILED;
  if (result != 0 && !overwrite(fd, *original, whole))
    result = MP3INFP_SAVE_BACKUP_LEFT;
  original.reset();
  ::close(fd);
  if (result != MP3INFP_SAVE_BACKUP_LEFT) {
    ::unlink(backup.c_str());
    syncFolder(folder);
  }
  return result;
}

} // namespace

int WriteAtomically(const std::string& path, const FileReader& source,
                    const std::vector<Piece>& pieces) {
  if (const FileReader* disk = source.base())
    return WriteAtomically(path, *disk, ComposePieces(pieces, source.pieces()));
  char resolved[PATH_MAX];
  if (!::realpath(path.c_str(), resolved))
    return MP3INFP_SAVE_GONE;
  const std::string target = resolved;
  struct stat now {};
  if (::stat(target.c_str(), &now) != 0 || !S_ISREG(now.st_mode) ||
      now.st_ino != source.info().st_ino || now.st_dev != source.info().st_dev ||
      now.st_size != source.info().st_size || now.st_mtim.tv_sec != source.info().st_mtim.tv_sec ||
      now.st_mtim.tv_nsec != source.info().st_mtim.tv_nsec)
    return MP3INFP_SAVE_CHANGED; // changed since it was read: the pieces no longer describe it
  // A file its owner marked read-only is not rewritten, even by a user whom the permission
  // bits do not stop (root): the rename would replace it all the same.
  if ((now.st_mode & S_IWUSR) == 0 || ::access(target.c_str(), W_OK) != 0)
    return MP3INFP_SAVE_READ_ONLY;

  const auto slash = target.rfind('/');
  const std::string folder = target.substr(0, slash + 1);
  RemoveStaleTemporaries(folder);
  // A short fixed-length name: the file's own name may already be as long as a name can be.
  std::string temp;
  // A caller keeping the new file locked gets a read-only descriptor: the file is closed for
  // writing before it takes the name, so nothing watching the name sees it written there.
  int* const kept = ScopedKeptLock::activeSlot();
  int lock = -1;
  const int fd = createTemporary(folder, temp, kept != nullptr, &lock);
  if (fd < 0)
    return MP3INFP_SAVE_NO_ROOM;
  bool writing = true; // fd still open
  const auto closeAll = [&] {
    if (lock != fd)
      ::close(lock);
    if (writing)
      ::close(fd);
  };
  // A new file in its place must be the same file in all but its content; where it cannot be
  // (or other links would go on showing the old content), the file is written in place.
  if (now.st_nlink > 1 || !carryMetadata(fd, source)) {
    ::unlink(temp.c_str());
    closeAll();
    return writeInPlace(target, folder, source, pieces);
  }
  const bool checked = writePieces(fd, source, pieces) && readsBack(temp);
  // The mode last: changing the owner, and writing, may have cleared set-id bits.
  // The lock is held until the temporary file has its final name, so no sweep takes it.
  if (checked && ::fchmod(fd, now.st_mode & 07777) == 0 && ::fsync(fd) == 0) {
    if (lock != fd) {
      ::close(fd);
      writing = false;
    }
    if (::rename(temp.c_str(), target.c_str()) == 0) {
      if (kept != nullptr) {
        if (*kept >= 0)
          ::close(*kept);
        *kept = lock;
      } else {
        ::close(fd);
      }
      syncFolder(folder);
      return 0;
    }
  }
  ::unlink(temp.c_str());
  closeAll();
  return checked ? MP3INFP_SAVE_WRITE_FAILED : MP3INFP_SAVE_NOT_READ_BACK;
}

} // namespace mp3infp

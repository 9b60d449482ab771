#include "AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

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

std::uint64_t TotalLength(const std::vector<Piece>& pieces) {
  std::uint64_t total = 0;
  for (const Piece& p : pieces)
    total += p.length;
  return total;
}

ScopedReadBack::ScopedReadBack(ReadBack check) : previous_(std::move(activeReadBack())) {
  activeReadBack() = std::move(check);
}

ScopedReadBack::~ScopedReadBack() {
  activeReadBack() = std::move(previous_);
}

ReadBack& ScopedReadBack::activeReadBack() {
  static ReadBack check;
  return check;
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
// Where the file system has no locks at all, no sweeper can take the file either.
int createTemporary(const std::string& folder, std::string& name) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    name = folder + kTemporaryPrefix + "XXXXXX" + kTemporarySuffix;
    const int fd =
        ::mkostemps(name.data(), static_cast<int>(std::strlen(kTemporarySuffix)), O_CLOEXEC);
    if (fd < 0)
      return -1;
    const bool taken = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    struct stat held {
    }, named{};
    if (!taken && ::fstat(fd, &held) == 0 && ::lstat(name.c_str(), &named) == 0 &&
        named.st_ino == held.st_ino && named.st_dev == held.st_dev)
      return fd;
    ::close(fd);
  }
  return -1;
}

} // namespace

int WriteAtomically(const std::string& path, const FileReader& source,
                    const std::vector<Piece>& pieces) {
  char resolved[PATH_MAX];
  if (!::realpath(path.c_str(), resolved))
    return 10;
  const std::string target = resolved;
  struct stat now {};
  if (::stat(target.c_str(), &now) != 0 || !S_ISREG(now.st_mode) ||
      now.st_ino != source.info().st_ino || now.st_dev != source.info().st_dev ||
      now.st_size != source.info().st_size || now.st_mtim.tv_sec != source.info().st_mtim.tv_sec ||
      now.st_mtim.tv_nsec != source.info().st_mtim.tv_nsec)
    return 11; // changed since it was read: the pieces no longer describe it
  // A file its owner marked read-only is not rewritten, even by a user whom the permission
  // bits do not stop (root): the rename would replace it all the same.
  if ((now.st_mode & S_IWUSR) == 0 || ::access(target.c_str(), W_OK) != 0)
    return 12;

  const auto slash = target.rfind('/');
  const std::string folder = target.substr(0, slash + 1);
  RemoveStaleTemporaries(folder);
  // A short fixed-length name: the file's own name may already be as long as a name can be.
  std::string temp;
  const int fd = createTemporary(folder, temp);
  if (fd < 0)
    return 13;
  bool ok = true;
  for (const Piece& p : pieces) {
    ok = p.isLiteral ? writeAll(fd, p.literal.data(), p.literal.size())
                     : copyRange(fd, source, p.offset, p.length);
    if (!ok)
      break;
  }
  const ReadBack& check = ScopedReadBack::activeReadBack();
  bool readsBack = ok;
  try {
    readsBack = ok && (!check || check(temp));
  } catch (...) { // out of memory reading it: the temporary file must still go
    readsBack = false;
  }
  ok = readsBack;
  // Owner and group first: changing them may clear set-id bits that the mode then restores.
  // Only root (or the owner, for its groups) may do it; a file written by someone else
  // becomes theirs otherwise.
  if (ok && (now.st_uid != ::geteuid() || now.st_gid != ::getegid()) &&
      ::fchown(fd, now.st_uid, now.st_gid) != 0 && errno != EPERM && errno != EINVAL)
    ok = false;
  ok = ok && ::fchmod(fd, now.st_mode & 07777) == 0;
  ok = ok && ::fsync(fd) == 0;
  // The lock is held until the temporary file has its final name, so no sweep takes it.
  if (ok && ::rename(temp.c_str(), target.c_str()) == 0) {
    ::close(fd);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
    return 0;
  }
  ::unlink(temp.c_str());
  ::close(fd);
  return readsBack ? 14 : 15;
}

} // namespace mp3infp

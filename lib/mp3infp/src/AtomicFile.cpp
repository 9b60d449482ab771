#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

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

int WriteAtomically(const std::string& path, const FileReader& source,
                    const std::vector<Piece>& pieces) {
  char resolved[PATH_MAX];
  if (!::realpath(path.c_str(), resolved))
    return 10;
  const std::string target = resolved;
  struct stat now {};
  if (::stat(target.c_str(), &now) != 0 || now.st_ino != source.info().st_ino ||
      now.st_dev != source.info().st_dev || now.st_size != source.info().st_size ||
      now.st_mtim.tv_sec != source.info().st_mtim.tv_sec ||
      now.st_mtim.tv_nsec != source.info().st_mtim.tv_nsec)
    return 11; // changed since it was read: the pieces no longer describe it
  // A file its owner marked read-only is not rewritten, even by a user whom the permission
  // bits do not stop (root): the rename would replace it all the same.
  if ((now.st_mode & S_IWUSR) == 0 || ::access(target.c_str(), W_OK) != 0)
    return 12;

  const auto slash = target.rfind('/');
  std::string temp = target.substr(0, slash + 1) + "." + target.substr(slash + 1) + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0)
    return 13;
  bool ok = true;
  for (const Piece& p : pieces) {
    ok = p.isLiteral ? writeAll(fd, p.literal.data(), p.literal.size())
                     : copyRange(fd, source, p.offset, p.length);
    if (!ok)
      break;
  }
  ok = ok && ::fchmod(fd, now.st_mode & 07777) == 0;
  if (ok && ::fchown(fd, now.st_uid, now.st_gid) != 0) {
    // Only the owner or root can hand a file to someone else; the file stays ours then.
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok && ::rename(temp.c_str(), target.c_str()) == 0) {
    const int dir = ::open(target.substr(0, slash + 1).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
    return 0;
  }
  ::unlink(temp.c_str());
  return 14;
}

} // namespace mp3infp

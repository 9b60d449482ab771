#include "Mp3Writer.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gogo {

Mp3Writer::~Mp3Writer() {
  close();
}

bool Mp3Writer::create(const std::string& path) {
  close();
  // Non-blocking, so that a FIFO without a reader cannot hang the caller; an MP3 only ever
  // goes into a regular file, which fstat confirms before anything is written.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) {
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  fd_ = fd;
  failed_ = false;
  flushed_ = false;
  pending_.clear();
  pending_.reserve(kBlock);
  return true;
}

bool Mp3Writer::write(const unsigned char* data, std::size_t size) {
  if (fd_ < 0 || failed_) {
    return false;
  }
  pending_.insert(pending_.end(), data, data + size);
  return pending_.size() < kBlock || flush();
}

bool Mp3Writer::flush() {
  if (failed_) {
    return false;
  }
  const unsigned char* data = pending_.data();
  std::size_t size = pending_.size();
  while (size > 0) {
    const ssize_t n = ::write(fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      failed_ = true;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
    flushed_ = true;
  }
  pending_.clear();
  return true;
}

bool Mp3Writer::overwriteStart(const unsigned char* data, std::size_t size) {
  if (fd_ < 0 || failed_) {
    return false;
  }
  // A file still wholly gathered (a short one) is patched before its one write.
  if (!flushed_ && size <= pending_.size()) {
    std::copy(data, data + size, pending_.begin());
    return true;
  }
  if (!flush()) {
    return false;
  }
  off_t at = 0;
  while (size > 0) {
    const ssize_t n = ::pwrite(fd_, data, size, at);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    data += n;
    at += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool Mp3Writer::close() {
  if (fd_ < 0) {
    return true;
  }
  // fsync brings out what the system still holds, and with it any write error it could only
  // find then, before the caller goes on to treat the MP3 as complete (and perhaps throws the
  // WAV away).
  bool ok = flush();
  ok = ::fsync(fd_) == 0 && ok;
  ok = ::close(fd_) == 0 && ok;
  fd_ = -1;
  return ok;
}

} // namespace gogo

#include "Mp3Writer.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace gogo {

Mp3Writer::~Mp3Writer() {
  close();
}

bool Mp3Writer::create(const std::string& path) {
  close();
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return fd_ >= 0;
}

bool Mp3Writer::write(const unsigned char* data, std::size_t size) {
  if (fd_ < 0) {
    return false;
  }
  while (size > 0) {
    const ssize_t n = ::write(fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool Mp3Writer::overwriteStart(const unsigned char* data, std::size_t size) {
  if (fd_ < 0) {
    return false;
  }
  if (::lseek(fd_, 0, SEEK_CUR) < 0 && errno == ESPIPE) {
    return true; // a pipe or socket: nothing can be patched, and nothing needs to be
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
  const int rc = ::close(fd_);
  fd_ = -1;
  return rc == 0;
}

} // namespace gogo

#include "FileReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace mp3infp {

FileReader::~FileReader() {
  if (fd_ >= 0)
    ::close(fd_);
}

bool FileReader::open(const std::string& path) {
  // Opening a FIFO blocks until a writer comes, a device may do anything: only regular files
  // are opened, and never in a way that can wait (the path may change kind between the two
  // looks, hence the second one on the descriptor).
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    return false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0)
    return false;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  if (fd_ >= 0)
    ::close(fd_);
  fd_ = fd;
  info_ = st;
  size_ = static_cast<std::uint64_t>(st.st_size);
  return true;
}

void FileReader::openPieces(const FileReader& base, std::vector<Piece> pieces) {
  if (fd_ >= 0)
    ::close(fd_);
  fd_ = -1;
  base_ = &base;
  pieces_ = std::move(pieces);
  info_ = base.info();
  size_ = TotalLength(pieces_);
}

bool FileReader::read(std::uint64_t offset, std::size_t length, std::string& out) const {
  if (offset > size_ || length > size_ - offset)
    return false;
  out = readUpTo(offset, length);
  return out.size() == length;
}

std::string FileReader::readUpTo(std::uint64_t offset, std::size_t length) const {
  std::string out;
  if ((fd_ < 0 && !base_) || offset >= size_)
    return out;
  if (length > size_ - offset)
    length = static_cast<std::size_t>(size_ - offset);
  if (base_) {
    for (const Piece& p : ComposePieces({Piece::Range(offset, length)}, pieces_)) {
      const std::string part = p.isLiteral ? p.literal : base_->readUpTo(p.offset, p.length);
      out += part;
      if (part.size() != p.length)
        break;
    }
    return out;
  }
  out.resize(length);
  std::size_t done = 0;
  while (done < length) {
    const ssize_t n =
        ::pread(fd_, out.data() + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    done += static_cast<std::size_t>(n);
  }
  out.resize(done);
  return out;
}

} // namespace mp3infp

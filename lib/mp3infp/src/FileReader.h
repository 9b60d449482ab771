// Read-only access to one regular file by offset, or to a file that exists in memory only, made
// of pieces of one on disk.
#pragma once

#include "Piece.h"

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

namespace mp3infp {

class FileReader {
public:
  FileReader() = default;
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // False when the path names no readable regular file (FIFOs, devices and folders are
  // refused without being waited on).
  bool open(const std::string& path);
  // The file that `pieces` (ranges of `base`, literal bytes) make, read from memory and from
  // `base`, which must outlive this reader; info() and descriptor() are those of `base`.
  void openPieces(const FileReader& base, std::vector<Piece> pieces);
  // The reader the pieces come from, null for a file on disk.
  const FileReader* base() const { return base_; }
  const std::vector<Piece>& pieces() const { return pieces_; }
  std::uint64_t size() const { return size_; }
  const struct stat& info() const { return info_; }
  // The open descriptor, for reading the file's metadata (extended attributes).
  int descriptor() const { return base_ ? base_->descriptor() : fd_; }

  // Reads exactly `length` bytes at `offset`; false when the file holds fewer.
  bool read(std::uint64_t offset, std::size_t length, std::string& out) const;
  // Reads up to `length` bytes at `offset` (fewer at the end of the file).
  std::string readUpTo(std::uint64_t offset, std::size_t length) const;

private:
  int fd_ = -1;
  const FileReader* base_ = nullptr;
  std::vector<Piece> pieces_;
  std::uint64_t size_ = 0;
  struct stat info_ {};
};

} // namespace mp3infp

// The output file: a regular file created on open, written in blocks, patched at its start for
// the info frame, synced and closed once.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace gogo {

class Mp3Writer {
public:
  // The bytes gathered before they go to the file in one write: a network share answers each
  // write() in a round trip, and an MPEG frame is only a few hundred bytes.
  static constexpr std::size_t kBlock = 256 * 1024;

  Mp3Writer() = default;
  ~Mp3Writer();
  Mp3Writer(const Mp3Writer&) = delete;
  Mp3Writer& operator=(const Mp3Writer&) = delete;

  // Creates (or truncates) the file; false when it cannot be created or the path is not a
  // regular file (a folder, FIFO or device).
  bool create(const std::string& path);
  // Appends all bytes, writing a block once one is full; false when that write fails (or an
  // earlier one did): a full disk shows at the frame whose block hit it.
  bool write(const unsigned char* data, std::size_t size);
  // Overwrites the first bytes of the file (in the gathered bytes while none was written yet,
  // else after writing them); false on a failure.
  bool overwriteStart(const unsigned char* data, std::size_t size);
  // Writes what is gathered, syncs and closes the file; false when any of it fails (a delayed
  // write error included).
  bool close();
  bool isOpen() const { return fd_ >= 0; }

private:
  bool flush();

  int fd_ = -1;
  bool failed_ = false;
  // Whether any bytes went to the file yet.
  bool flushed_ = false;
  std::vector<unsigned char> pending_;
};

} // namespace gogo

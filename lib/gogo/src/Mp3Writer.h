// The output file: a regular file created on open, written through (so that a full disk shows
// at the frame that hit it), patched at its start for the info frame, synced and closed once.
#pragma once

#include <cstddef>
#include <string>

namespace gogo {

class Mp3Writer {
public:
  Mp3Writer() = default;
  ~Mp3Writer();
  Mp3Writer(const Mp3Writer&) = delete;
  Mp3Writer& operator=(const Mp3Writer&) = delete;

  // Creates (or truncates) the file; false when it cannot be created or the path is not a
  // regular file (a folder, FIFO or device).
  bool create(const std::string& path);
  // Appends all bytes; false on any failure.
  bool write(const unsigned char* data, std::size_t size);
  // Overwrites the first bytes of the file; false when the write fails.
  bool overwriteStart(const unsigned char* data, std::size_t size);
  // Syncs and closes the file; false when either fails (a delayed write error).
  bool close();
  bool isOpen() const { return fd_ >= 0; }

private:
  int fd_ = -1;
};

} // namespace gogo

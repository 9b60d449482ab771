#include "ReaderSource.h"

#include <cstring>

namespace gogo {

ReaderSource::ReaderSource(const MPGE_READER_RECORD& record) : record_(record) {}

std::int64_t ReaderSource::totalFrames() const {
  if (record_.totalSize < 0) {
    return -1;
  }
  // A trailing partial sample frame cannot be encoded and is left unread.
  return record_.totalSize / (2 * record_.channels);
}

long ReaderSource::read(void* out, long frames) {
  if (exhausted_ || frames <= 0) {
    return 0;
  }
  const auto bytes = static_cast<std::int32_t>(frames * 2 * record_.channels);
  // The reader fills the whole buffer or nothing; clear it first so that a reader that
  // fills less still leaves silence rather than stale samples.
  std::memset(out, 0, static_cast<std::size_t>(bytes));
  const std::int32_t r = record_.reader(out, bytes);
  if (r == 0) {
    return frames;
  }
  exhausted_ = true;
  return r == 1 ? 0 : -1;
}

} // namespace gogo

#include "LameTables.h"

namespace gogo {

LameTables& LameTables::instance() {
  static LameTables tables;
  return tables;
}

void LameTables::lock() {
  std::unique_lock lock(mutex_);
  ++writersWaiting_;
  changed_.wait(lock, [this] { return !writing_ && readers_ == 0; });
  --writersWaiting_;
  writing_ = true;
}

// Notifying under the lock costs nothing measurable at one call per frame and keeps thread
// checkers (helgrind) from flagging the wake-ups.
void LameTables::unlock() {
  std::lock_guard lock(mutex_);
  writing_ = false;
  changed_.notify_all();
}

void LameTables::lock_shared() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !writing_ && writersWaiting_ == 0; });
  ++readers_;
}

void LameTables::unlock_shared() {
  std::lock_guard lock(mutex_);
  if (--readers_ == 0) {
    changed_.notify_all();
  }
}

} // namespace gogo

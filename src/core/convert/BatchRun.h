// One batch conversion under way. Its waits sleep on the event queue (events keep being
// handled, so the end of each file arrives) until woken, and it notices when the object it
// belongs to is destroyed or the application quits, which stops the batch. (A window being
// closed stops it through Stop: a close may still be cancelled by the user.)
#pragma once

#include <QObject>

#include <functional>

class QEventLoop;

class BatchRun : public QObject {
public:
  explicit BatchRun(QObject* owner);

  // Handles events, blocked while none arrive, as long as `busy` holds and the batch has not
  // been stopped; `busy` is tested on entry and after every Wake. `busy` must only change on
  // this thread, each change followed by a Wake, so that no change can be missed. False when
  // the batch was stopped (the owner may be gone then: the caller must not touch it before
  // checking).
  bool WaitWhile(const std::function<bool()>& busy);
  // Lets the wait test `busy` again.
  void Wake();
  bool Stopped() const { return stopped_; }
  void Stop();

private:
  QEventLoop* loop_ = nullptr;
  bool stopped_ = false;
};

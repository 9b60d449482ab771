// EncodeThread: the worker of one encoder component. It waits on its own message queue for a
// start message, then drives the encoder library frame by frame, closes the coder at the end
// and posts start, progress, error and finish notifications (EncodeEvent) to the component.
#pragma once

#include <QThread>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include <pthread.h>

// The encode worker's scheduling priority.
enum class EncodePriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };

class EncodeThread : public QThread {
public:
  // notifyTarget receives the notifications; it must outlive the thread's run.
  explicit EncodeThread(QObject* notifyTarget);
  ~EncodeThread() override;

  // Thread-safe: queues WM_ENCODE_START / _ABORT / _QUIT and wakes the worker.
  void PostThreadMessage(int message, std::int32_t wParam = 0, std::int32_t lParam = 0);
  // Asks the body to end at its next check, waking it when it waits for messages.
  void RequestTermination();
  // Gives the running worker this priority at once (callable from any thread). On this
  // platform the idle priority is a scheduling class of its own, which the toolkit never
  // leaves again; a higher priority therefore first returns the thread to the normal class
  // (as far as the system allows the process).
  void ApplyPriority(EncodePriority priority);

protected:
  void run() override;

private:
  struct Message {
    int message;
    std::int32_t wParam;
    std::int32_t lParam;
  };

  void notify(int message, std::int32_t wParam = 0, std::int32_t lParam = 0);
  static QThread::Priority ToQtPriority(EncodePriority priority);

  QObject* notifyTarget_;
  int allFrames_ = 0;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Message> queue_;
  bool terminationRequested_ = false;
  // The worker's native handle while its body runs, and the priority the body starts at
  // (idle unless one was applied before it began); guarded by mutex_.
  bool handleKnown_ = false;
  pthread_t handle_{};
  EncodePriority startPriority_ = EncodePriority::Idle;
};

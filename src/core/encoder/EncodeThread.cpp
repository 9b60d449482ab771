#include "core/encoder/EncodeThread.h"

#include "core/encoder/EncodeEvent.h"
#include "core/encoder/EncoderBinding.h"

#include <QCoreApplication>

#include <cfenv>
#include <chrono>
#include <sched.h>
#include <thread>

namespace {

// Closes the coder of an encode that ends for any reason; the thread's own floating-point
// environment comes back.
MERET closeCoder(const std::fenv_t& saved) {
  const MERET result = CloseCoder(nullptr);
  std::fesetenv(&saved);
  return result;
}

} // namespace

EncodeThread::EncodeThread(QObject* notifyTarget) : notifyTarget_(notifyTarget) {}

EncodeThread::~EncodeThread() {
  RequestTermination();
  wait();
}

void EncodeThread::PostThreadMessage(int message, std::int32_t wParam, std::int32_t lParam) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back({message, wParam, lParam});
  }
  wake_.notify_one();
}

void EncodeThread::RequestTermination() {
  {
    std::lock_guard lock(mutex_);
    terminationRequested_ = true;
  }
  requestInterruption();
  wake_.notify_one();
}

QThread::Priority EncodeThread::ToQtPriority(EncodePriority priority) {
  switch (priority) {
  case EncodePriority::Idle:
    return QThread::IdlePriority;
  case EncodePriority::Lowest:
    return QThread::LowestPriority;
  case EncodePriority::Lower:
    return QThread::LowPriority;
  case EncodePriority::Normal:
    return QThread::NormalPriority;
  case EncodePriority::Higher:
    return QThread::HighPriority;
  case EncodePriority::Highest:
    return QThread::HighestPriority;
  case EncodePriority::TimeCritical:
    return QThread::TimeCriticalPriority;
  }
  return QThread::NormalPriority;
}

void EncodeThread::ApplyPriority(EncodePriority priority) {
  std::lock_guard lock(mutex_);
  if (!handleKnown_) {
    // The body has not begun (or has ended): it starts at this priority.
    startPriority_ = priority;
    return;
  }
  int policy = 0;
  sched_param param{};
  if (priority != EncodePriority::Idle && pthread_getschedparam(handle_, &policy, &param) == 0 &&
      policy == SCHED_IDLE) {
    param.sched_priority = 0;
    pthread_setschedparam(handle_, SCHED_OTHER, &param); // refused without the right: stays idle
  }
  setPriority(ToQtPriority(priority));
}

void EncodeThread::notify(int message, std::int32_t wParam, std::int32_t lParam) {
  QCoreApplication::postEvent(notifyTarget_, new EncodeEvent(message, wParam, lParam));
}

void EncodeThread::run() {
  std::fenv_t saved;
  std::fegetenv(&saved);
  EncodePriority startPriority;
  {
    std::lock_guard lock(mutex_);
    handle_ = pthread_self();
    handleKnown_ = true;
    startPriority = startPriority_;
  }
  // The handle is forgotten before the body returns, so no one touches an ended thread.
  struct Forget {
    EncodeThread& thread;
    ~Forget() {
      std::lock_guard lock(thread.mutex_);
      thread.handleKnown_ = false;
    }
  } forget{*this};
  ApplyPriority(startPriority);

  bool encoding = false;
  int counter = 0;
  int interval = 1;
  std::deque<Message> pending;

  for (;;) {
    {
      std::unique_lock lock(mutex_);
      // Idle: sleep until a message or a termination request arrives. Encoding: only look.
      if (!encoding)
        wake_.wait(lock, [this] { return terminationRequested_ || !queue_.empty(); });
      if (terminationRequested_)
        break;
      pending.swap(queue_);
    }
    for (const Message& m : pending) {
      switch (m.message) {
      case WM_ENCODE_START:
        if (encoding)
          break;
        interval = m.lParam > 0 ? m.lParam : 1;
        allFrames_ = m.wParam;
        counter = 0;
        encoding = true;
        EnterEncoderFloatingPoint();
        notify(WM_ENCODE_PROGRESS, 0, allFrames_);
        break;
      case WM_ENCODE_ABORT:
      case WM_ENCODE_QUIT:
        if (encoding)
          closeCoder(saved);
        ApplyPriority(EncodePriority::Idle);
        encoding = false;
        if (m.message == WM_ENCODE_QUIT)
          return;
        notify(WM_ENCODE_FINISH, -1);
        break;
      default:
        break;
      }
    }
    pending.clear();

    if (!encoding)
      continue;
    const MERET result = ProcessFrame(nullptr);
    ++counter;
    if (result == RESULT_OK) {
      if (counter % interval == 0)
        notify(WM_ENCODE_PROGRESS, counter, allFrames_);
      continue;
    }
    if (result == RESULT_END_OF_INPUT) {
      notify(WM_ENCODE_END);
      notify(WM_ENCODE_PROGRESS, allFrames_, allFrames_);
    } else {
      notify(WM_ENCODE_ERROR, result);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const MERET closed = closeCoder(saved);
    ApplyPriority(EncodePriority::Idle);
    encoding = false;
    // An encode whose close failed did not complete, however its frames went.
    const bool complete = result == RESULT_END_OF_INPUT && closed == RESULT_OK;
    if (result == RESULT_END_OF_INPUT && !complete)
      notify(WM_ENCODE_ERROR, closed);
    notify(WM_ENCODE_FINISH, complete ? 0 : -1);
    counter = 0;
  }

  // Ended by a termination request in the middle of an encode: the encode did not complete.
  if (encoding) {
    closeCoder(saved);
    notify(WM_ENCODE_FINISH, -1);
  }
}

// A thread that runs one function and ends: the work a job or a folder walk does away from the
// window's thread. It posts its results to the window's thread (QMetaObject::invokeMethod) and
// needs no event loop of its own, so it has none: a toolkit thread would open an event
// dispatcher, and with no file descriptor left that aborts the program. Where the system gives
// no thread (a limit on threads, or no memory for its stack), Start says so and the caller does
// without.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class WorkerThread {
public:
  // Runs `work` on a new thread, at the lowest scheduling class when `idle` (as the encoder
  // component's idle priority); null, with `work` never run, when no thread can be had.
  static std::unique_ptr<WorkerThread> Start(std::function<void()> work, bool idle = false);
  // Waits for the function to return.
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Whether the function has returned.
  bool Finished() const { return finished_; }

private:
  WorkerThread() = default;
  std::thread thread_;
  std::atomic<bool> finished_{false};
};

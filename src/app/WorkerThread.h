// A thread that runs one function and ends: the work a job or a folder walk does away from the
// window's thread. Where the system gives no thread (a limit on threads, or no memory for its
// stack), Start says so instead of aborting the program, and the caller does without.
#pragma once

#include <QThread>

#include <functional>
#include <memory>

class WorkerThread {
public:
  // Runs `work` on a new thread at `priority`; null, with `work` never run, when no thread can
  // be had.
  static std::unique_ptr<WorkerThread> Start(std::function<void()> work,
                                             QThread::Priority priority = QThread::InheritPriority);
  // Waits for the function to return.
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  bool Finished() const { return thread_->isFinished(); }
  // Gives the running thread this priority.
  void SetPriority(QThread::Priority priority) { thread_->setPriority(priority); }

private:
  explicit WorkerThread(std::unique_ptr<QThread> thread) : thread_(std::move(thread)) {}
  std::unique_ptr<QThread> thread_;
};

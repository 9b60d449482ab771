#include "app/WorkerThread.h"

std::unique_ptr<WorkerThread> WorkerThread::Start(std::function<void()> work,
                                                  QThread::Priority priority) {
  std::unique_ptr<QThread> thread(QThread::create(std::move(work)));
  if (!thread)
    return nullptr;
  thread->start(priority);
  // A thread the system refused is neither running nor finished (one that already ran its
  // work is finished).
  if (!thread->isRunning() && !thread->isFinished())
    return nullptr;
  return std::unique_ptr<WorkerThread>(new WorkerThread(std::move(thread)));
}

WorkerThread::~WorkerThread() {
  thread_->wait();
}

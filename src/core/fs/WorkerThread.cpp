#include "core/fs/WorkerThread.h"

#include <pthread.h>
#include <sched.h>

#include <system_error>

std::unique_ptr<WorkerThread> WorkerThread::Start(std::function<void()> work, bool idle) {
  std::unique_ptr<WorkerThread> worker(new WorkerThread);
  try {
    worker->thread_ = std::thread([work = std::move(work), idle, done = &worker->finished_] {
      if (idle) {
        const sched_param none{};
        pthread_setschedparam(pthread_self(), SCHED_IDLE, &none);
      }
      work();
      *done = true;
    });
  } catch (const std::system_error&) {
    return nullptr;
  }
  return worker;
}

WorkerThread::~WorkerThread() {
  if (thread_.joinable())
    thread_.join();
}

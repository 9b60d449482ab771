#include "core/tags/TagJobs.h"

#include "core/fs/WorkerThread.h"

TagJobs::TagJobs() = default;

TagJobs::~TagJobs() {
  worker_.reset();
}

void TagJobs::Run(const QString& path, Work work) {
  ++pending_[path];
  std::unique_ptr<WorkerThread> ended;
  {
    const std::lock_guard lock(mutex_);
    queue_.push_back({path, std::move(work)});
    if (draining_)
      return; // the worker takes it after the jobs before it
    draining_ = true;
    ended = std::move(worker_);
  }
  // The worker that drained the queue before has returned, or is about to.
  ended.reset();
  worker_ = WorkerThread::Start([this] { Drain(); });
  if (!worker_)
    Drain(); // no thread to be had: done here, its conclusions still posted
}

void TagJobs::Drain() {
  MP3INFP_HANDLE* handle = mp3infph_Create();
  for (;;) {
    Job job;
    {
      const std::lock_guard lock(mutex_);
      if (queue_.empty()) {
        draining_ = false;
        break;
      }
      job = std::move(queue_.front());
      queue_.pop_front();
    }
    std::function<void()> conclusion = job.work(handle);
    QMetaObject::invokeMethod(
        &receiver_,
        [this, path = job.path, conclusion = std::move(conclusion)] { Conclude(path, conclusion); },
        Qt::QueuedConnection);
  }
  mp3infph_Destroy(handle);
}

void TagJobs::Conclude(const QString& path, const std::function<void()>& conclusion) {
  const auto at = pending_.find(path);
  if (at != pending_.end() && --at->second == 0)
    pending_.erase(at);
  if (conclusion)
    conclusion();
}

// Reads and writes of files' tags away from the thread that asks for them (the window's): one
// worker, with a tag library handle of its own, does them one after the other in the order asked,
// so that a file is never read or written by two at once and a read asked for after a write sees
// what it wrote. What each one concludes runs on the asking thread, as a posted event, in order.
#pragma once

#include <mp3infp_handle.h>

#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

class WorkerThread;

class TagJobs {
public:
  // The work on a file: runs on the worker with its handle, and gives back what is to run on the
  // asking thread once it is done.
  using Work = std::function<std::function<void()>(MP3INFP_HANDLE* handle)>;

  TagJobs();
  // Waits until the work asked for is done (a write is never cut off); what it concluded is
  // dropped.
  ~TagJobs();
  TagJobs(const TagJobs&) = delete;
  TagJobs& operator=(const TagJobs&) = delete;

  // Queues `work` on `path`.
  void Run(const QString& path, Work work);
  // Whether work on `path` was asked for whose conclusion has not run yet.
  bool Pending(const QString& path) const { return pending_.count(path) != 0; }
  // Whether any work's conclusion has not run yet.
  bool Idle() const { return pending_.empty(); }

private:
  struct Job {
    QString path;
    Work work;
  };
  // The worker: does the queued jobs until none is left.
  void Drain();
  void Conclude(const QString& path, const std::function<void()>& conclusion);

  // Receives the conclusions; first, so that it goes last.
  QObject receiver_;
  std::mutex mutex_;
  std::deque<Job> queue_; // under mutex_
  bool draining_ = false; // under mutex_
  std::unique_ptr<WorkerThread> worker_;
  // Per path, the jobs whose conclusions have not run (on the asking thread only).
  std::map<QString, int> pending_;
};

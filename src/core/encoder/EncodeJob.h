// EncodeJob: one encode of a batch that runs several at once. It has an encoder handle of its
// own, set up with the encoder component's settings on a thread of its own at the component's
// priority (the set-up opens the files, which may be slow), and runs there. Its progress is read at
// any time; its end is announced through a callback on its thread, which may go on with the work
// that follows the encode there. Destroying it stops the encode and waits for the thread (and the
// callback) to finish.
#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class EncoderComponent;
class LoudnessMeasure;
class WorkerThread;
struct GogoHandle;

class EncodeJob {
public:
  // Whether the bound encoder module can run encodes at the same time.
  static bool Available();

  // An encode of the file `source` into the file `destination` (paths as FsPath keeps them).
  EncodeJob(const QString& source, const QString& destination);
  ~EncodeJob();
  EncodeJob(const EncodeJob&) = delete;
  EncodeJob& operator=(const EncodeJob&) = delete;

  // Starts the encode with `settings`; `ended` runs on the job's thread once it has ended,
  // however (also when the module refused the set-up). False when the system gives no thread:
  // nothing started then, and no call of `ended`.
  bool Begin(const EncoderComponent& settings, std::function<void()> ended);
  // Asks the encode to stop at its next frame; it then ends as not completed.
  void Abort() { abort_ = true; }

  bool Ended() const { return ended_; }
  // Whether the module refused to set the encode up (nothing was encoded); meaningful once
  // ended.
  bool Refused() const { return refused_; }
  // Whether the encode ran to the end of its input and its file was closed without an error;
  // meaningful once ended.
  bool Completed() const { return completed_; }
  // The frames encoded so far and the encode's whole count (0 before the start).
  int FramesDone() const { return framesDone_; }
  int AllFrames() const { return allFrames_; }
  // The encode's loudness when the settings asked for it and it completed; null otherwise.
  // Meaningful once ended.
  const std::shared_ptr<LoudnessMeasure>& Loudness() const { return loudness_; }

private:
  void Run(const std::function<void()>& ended);
  // Creates the handle and sets the encode up; false when the module refuses.
  bool SetUp();

  // The two paths as the module takes them, kept alive while it may hold their addresses.
  QByteArray sourcePath_;
  QByteArray destinationPath_;
  GogoHandle* handle_ = nullptr;
  // The settings as the module's items, taken on the caller's thread.
  std::vector<std::pair<std::uint32_t, std::pair<std::uintptr_t, std::uintptr_t>>> items_;
  bool measureLoudness_ = false;
  std::shared_ptr<LoudnessMeasure> loudness_;
  std::unique_ptr<WorkerThread> thread_;
  std::atomic<bool> abort_{false};
  std::atomic<bool> ended_{false};
  std::atomic<bool> completed_{false};
  std::atomic<bool> refused_{false};
  std::atomic<int> framesDone_{0};
  std::atomic<int> allFrames_{0};
};

// EncodeJob: one encode of a batch that runs several at once. It has an encoder handle of its
// own, set up with the encoder component's settings, and runs on the thread that calls Run (a
// job's own: the set-up opens the files, which may be slow). Its progress is read at any time
// from any thread; Abort, from any thread, stops it at its next frame.
#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <memory>

class EncoderComponent;
class LoudnessMeasure;
struct GogoHandle;

class EncodeJob {
public:
  // Whether the bound encoder module can run encodes at the same time.
  static bool Available();

  EncodeJob() = default;
  ~EncodeJob();
  EncodeJob(const EncodeJob&) = delete;
  EncodeJob& operator=(const EncodeJob&) = delete;

  // Encodes the file `source` into the file `destination` (paths as FsPath keeps them) with the
  // settings of `settings`, which no one changes meanwhile; returns once the encode has ended,
  // however (also when the module refused the set-up). Once.
  void Run(const EncoderComponent& settings, const QString& source, const QString& destination);
  // Asks the encode to stop at its next frame; it then ends as not completed.
  void Abort() { abort_ = true; }

  // Whether the module refused to set the encode up (nothing was encoded); meaningful once
  // Run returned.
  bool Refused() const { return refused_; }
  // Whether the encode ran to the end of its input and its file was closed without an error;
  // meaningful once Run returned.
  bool Completed() const { return completed_; }
  // The frames encoded so far and the encode's whole count (0 before the start).
  int FramesDone() const { return framesDone_; }
  int AllFrames() const { return allFrames_; }
  // The encode's loudness when the settings asked for it and it completed; null otherwise.
  // Meaningful once Run returned.
  const std::shared_ptr<LoudnessMeasure>& Loudness() const { return loudness_; }

private:
  // Creates the handle and sets the encode up; false when the module refuses.
  bool SetUp(const EncoderComponent& settings);

  // The two paths as the module takes them, kept alive while it may hold their addresses.
  QByteArray sourcePath_;
  QByteArray destinationPath_;
  GogoHandle* handle_ = nullptr;
  std::shared_ptr<LoudnessMeasure> loudness_;
  std::atomic<bool> abort_{false};
  std::atomic<bool> completed_{false};
  std::atomic<bool> refused_{false};
  std::atomic<int> framesDone_{0};
  std::atomic<int> allFrames_{0};
};

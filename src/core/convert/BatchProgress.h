// How far a batch conversion is: its WAV files finished of all of them, and the share of its
// audio encoded. Each file weighs its playing time, learnt when its encode is admitted (the
// probe that checks it tells it), so no WAV file is read before its turn. A file the batch has
// not come to yet weighs its size (when the walk that listed it gave one) at the seconds per
// byte of the files admitted so far, else the mean playing time of those. A file that is not
// encoded (refused, or its MP3 there already) takes no audio with it. The window's bar and the
// command line's show it.
#pragma once

#include <QtGlobal>

#include <vector>

class BatchProgress {
public:
  BatchProgress() = default;
  // A batch of `wavs` WAV files; `sizes`, when given, are their sizes in bytes in the batch's
  // order (0 for a size not known).
  explicit BatchProgress(int wavs, std::vector<qint64> sizes = {});

  // The batch's next file (files come in the batch's order) is encoded: `seconds` is its
  // playing time, 0 or less when not known. Gives the number the calls below name it by.
  int Admitted(double seconds);
  // The batch's next file is not encoded.
  void NotEncoded();
  // `fraction` (0..1) of the encode of file `id` is done.
  void Encoded(int id, double fraction);
  // The conversion of file `id` has ended, however it went.
  void Ended(int id);

  int FilesDone() const { return ended_ + notEncoded_; }
  int Files() const { return wavs_; }
  // 0..1. It never goes back: a file longer than foreseen holds it a while instead.
  double Share() const { return shown_; }

private:
  struct File {
    double seconds = 0; // 0: not known
    double fraction = 0;
    bool ended = false;
  };
  // Takes the batch's next file off those not come to.
  void TakeNext(double seconds);
  void Update();

  int wavs_ = 0;
  std::vector<qint64> sizes_;
  // The files not come to yet: from `next_` on.
  int next_ = 0;
  qint64 pendingBytes_ = 0;
  int pendingSized_ = 0;
  // What the admitted files tell: their playing times, and seconds per byte.
  double knownSeconds_ = 0;
  int knownCount_ = 0;
  double ratioSeconds_ = 0;
  double ratioBytes_ = 0;
  // The files admitted; those ended weigh whole.
  std::vector<File> files_;
  std::vector<int> running_;
  double endedSeconds_ = 0;
  int endedUnknown_ = 0;
  int admittedUnknown_ = 0;
  int ended_ = 0;
  int notEncoded_ = 0;
  double shown_ = 0;
};

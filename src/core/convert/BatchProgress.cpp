#include "core/convert/BatchProgress.h"

#include <algorithm>
#include <utility>

BatchProgress::BatchProgress(int wavs, std::vector<qint64> sizes)
    : wavs_(wavs), sizes_(std::move(sizes)) {
  sizes_.resize(static_cast<std::size_t>(std::max(wavs, 0)), 0);
  for (const qint64 size : sizes_) {
    if (size > 0) {
      pendingBytes_ += size;
      ++pendingSized_;
    }
  }
  Update();
}

void BatchProgress::TakeNext(double seconds) {
  if (next_ >= wavs_)
    return;
  const qint64 size = sizes_[static_cast<std::size_t>(next_++)];
  if (size > 0) {
    pendingBytes_ -= size;
    --pendingSized_;
    if (seconds > 0) {
      ratioSeconds_ += seconds;
      ratioBytes_ += static_cast<double>(size);
    }
  }
}

int BatchProgress::Admitted(double seconds) {
  seconds = std::max(seconds, 0.0);
  TakeNext(seconds);
  if (seconds > 0) {
    knownSeconds_ += seconds;
    ++knownCount_;
  } else {
    ++admittedUnknown_;
  }
  files_.push_back({seconds, 0, false});
  running_.push_back(static_cast<int>(files_.size()) - 1);
  Update();
  return static_cast<int>(files_.size()) - 1;
}

void BatchProgress::NotEncoded() {
  TakeNext(0);
  ++notEncoded_;
  Update();
}

void BatchProgress::Encoded(int id, double fraction) {
  if (id < 0 || id >= static_cast<int>(files_.size()) || files_[static_cast<std::size_t>(id)].ended)
    return;
  files_[static_cast<std::size_t>(id)].fraction = std::clamp(fraction, 0.0, 1.0);
  Update();
}

void BatchProgress::Ended(int id) {
  if (id < 0 || id >= static_cast<int>(files_.size()) || files_[static_cast<std::size_t>(id)].ended)
    return;
  File& file = files_[static_cast<std::size_t>(id)];
  file.ended = true;
  if (file.seconds > 0)
    endedSeconds_ += file.seconds;
  else
    ++endedUnknown_;
  running_.erase(std::find(running_.begin(), running_.end(), id));
  ++ended_;
  Update();
}

void BatchProgress::Update() {
  if (FilesDone() >= wavs_) {
    shown_ = 1;
    return;
  }
  const double mean = knownCount_ > 0 ? knownSeconds_ / knownCount_ : 1.0;
  const int pending = std::max(0, wavs_ - next_);
  const double pendingSeconds =
      ratioBytes_ > 0 ? static_cast<double>(pendingBytes_) * ratioSeconds_ / ratioBytes_ +
                            (pending - pendingSized_) * mean
                      : pending * mean;
  const double total = knownSeconds_ + admittedUnknown_ * mean + pendingSeconds;
  double done = endedSeconds_ + endedUnknown_ * mean;
  for (const int id : running_) {
    const File& file = files_[static_cast<std::size_t>(id)];
    done += (file.seconds > 0 ? file.seconds : mean) * file.fraction;
  }
  if (total > 0)
    shown_ = std::max(shown_, std::min(done / total, 1.0));
}

// PCM from an audio file through libsndfile; files of 3..8 channels come out mixed to stereo.
#pragma once

#include "Downmix.h"
#include "PcmSource.h"
#include "gogo_ex.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sf_private_tag;

namespace gogo {

class SndfileSource final : public PcmSource {
public:
  // Opens `path` without blocking and fills `info` with what it learns (gogo_ex.h). Returns
  // the source when info.reason is GOGO_INPUT_OK, otherwise nothing and nothing left open.
  static std::unique_ptr<SndfileSource> open(const std::string& path, GOGO_INPUT_INFO& info);
  ~SndfileSource() override;
  SndfileSource(const SndfileSource&) = delete;
  SndfileSource& operator=(const SndfileSource&) = delete;

  int channels() const override { return downmix_ ? 2 : channels_; }
  long sampleRate() const override { return rate_; }
  std::int64_t totalFrames() const override { return frames_; }
  // Delivers only the sample frames [first, first + count) of the file; false, changing
  // nothing, when they are not all in it. Called before anything is read.
  bool restrictTo(std::int64_t first, std::int64_t count);
  bool deliversFloat() const override { return float_; }
  long read(void* out, long frames) override;
  // Float files: the peak beyond full scale is brought down to kScaledPeak. The peak is the whole
  // file's also when a part of it is encoded, so that the parts of one recording keep one level.
  std::int64_t framesToScan() const override { return mayClip_ ? fileFrames_ : 0; }
  bool scan(long frames) override;

  // Where the peak of a float file that goes beyond full scale is put: -1 dBFS, the headroom
  // lossy coding needs so that the decoded MP3 does not clip either.
  static constexpr float kScaledPeak = 0.8912509f;

private:
  SndfileSource() = default;
  int fd_ = -1;
  sf_private_tag* file_ = nullptr;
  int channels_ = 0;
  long rate_ = 0;
  std::int64_t fileFrames_ = 0; // in the file
  std::int64_t first_ = 0;      // the first one delivered
  std::int64_t frames_ = 0;     // delivered
  bool float_ = false;
  std::optional<Downmix> downmix_;
  std::vector<float> wide_; // the file's channels before the downmix
  bool mayClip_ = false;    // float samples, which can go beyond full scale
  std::int64_t scanned_ = 0;
  float peak_ = 0;
  float gain_ = 1;
  std::vector<float> scanBuffer_;
};

} // namespace gogo

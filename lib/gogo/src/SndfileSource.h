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
  bool deliversFloat() const override { return float_; }
  long read(void* out, long frames) override;

private:
  SndfileSource() = default;
  int fd_ = -1;
  sf_private_tag* file_ = nullptr;
  int channels_ = 0;
  long rate_ = 0;
  std::int64_t frames_ = 0;
  bool float_ = false;
  std::optional<Downmix> downmix_;
  std::vector<float> wide_; // the file's channels before the downmix
};

} // namespace gogo

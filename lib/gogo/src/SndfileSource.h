// PCM from an audio file through libsndfile.
#pragma once

#include "PcmSource.h"
#include "gogo.h"

#include <memory>
#include <string>

struct sf_private_tag;

namespace gogo {

class SndfileSource final : public PcmSource {
public:
  // Opens `path`; `result` gets RESULT_OK, RESULT_INPUT_NOT_FOUND (cannot be opened) or
  // RESULT_FORMAT_ERROR (not linear PCM or float, more than two channels).
  static std::unique_ptr<SndfileSource> open(const std::string& path, MERET& result);
  ~SndfileSource() override;
  SndfileSource(const SndfileSource&) = delete;
  SndfileSource& operator=(const SndfileSource&) = delete;

  int channels() const override { return channels_; }
  long sampleRate() const override { return rate_; }
  std::int64_t totalFrames() const override { return frames_; }
  bool deliversFloat() const override { return float_; }
  long read(void* out, long frames) override;

private:
  SndfileSource() = default;
  sf_private_tag* file_ = nullptr;
  int channels_ = 0;
  long rate_ = 0;
  std::int64_t frames_ = 0;
  bool float_ = false;
};

} // namespace gogo

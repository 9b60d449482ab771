// The loudness of what an encode encodes, measured as EBU R128 has it (libebur128): the
// integrated loudness of the gated 400 ms blocks, and the sample peak. A mono signal counts as
// played on both front speakers, as an MP3 player plays it.
#pragma once

#include <ebur128.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace gogo {

class LoudnessMeter {
public:
  // Null when libebur128 cannot measure such a signal (or memory is short).
  static std::unique_ptr<LoudnessMeter> create(int channels, long rate);
  ~LoudnessMeter();
  LoudnessMeter(const LoudnessMeter&) = delete;
  LoudnessMeter& operator=(const LoudnessMeter&) = delete;

  // Adds `frames` interleaved sample frames; false when libebur128 fails.
  bool add(const std::int16_t* samples, long frames);
  bool add(const float* samples, long frames);
  // Once nothing more is added: frees the audio buffer that only adding needs (282 KB for 44.1
  // kHz stereo), which libebur128 drops, keeping the measured blocks and peaks, when its
  // parameters change. A batch may keep hundreds of measures until its albums are known.
  void finish();

  // The integrated loudness in LUFS (-infinity for silence) and the sample peak (1.0 full
  // scale) of all the meters' signals taken as one, as an album's tracks are; false when there
  // is none or libebur128 fails.
  static bool measure(const std::vector<const LoudnessMeter*>& meters, double& lufs, double& peak);

private:
  explicit LoudnessMeter(ebur128_state* state) : state_(state) {}
  ebur128_state* state_;
  unsigned channels_ = 0;
  bool broken_ = false;
};

} // namespace gogo

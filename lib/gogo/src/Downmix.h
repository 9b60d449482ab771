// Stereo from 3..8 channels, after ITU-R BS.775: left = L + 0.7071 C + 0.7071 Ls, right
// likewise, the LFE left out, scaled so that no sum of full-scale channels can exceed full
// scale.
#pragma once

#include <vector>

namespace gogo {

class Downmix {
public:
  // `positions`: libsndfile's SF_CHANNEL_MAP_* per channel, from the file's channel mask;
  // empty when the file has none, in which case the usual order for the channel count is
  // taken (3: L R C; 4: L R Ls Rs; 5: L R C Ls Rs; 6: L R C LFE Ls Rs; 7: L R C LFE Cs Ls Rs;
  // 8: L R C LFE Ls Rs Lsd Rsd).
  Downmix(int channels, const std::vector<int>& positions);

  // Mixes `frames` interleaved frames of the file's channels into interleaved stereo.
  void mix(const float* in, long frames, float* out) const;

private:
  int channels_;
  std::vector<float> gains_; // left, right per input channel
};

} // namespace gogo

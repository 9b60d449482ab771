#include "Downmix.h"

#include <sndfile.h>

#include <algorithm>

namespace gogo {

namespace {

constexpr float kSide = 0.70710678f; // -3 dB

struct Gain {
  float left, right;
};

Gain gainOf(int position) {
  switch (position) {
  case SF_CHANNEL_MAP_LEFT:
  case SF_CHANNEL_MAP_FRONT_LEFT:
  case SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER:
    return {1.0f, 0.0f};
  case SF_CHANNEL_MAP_RIGHT:
  case SF_CHANNEL_MAP_FRONT_RIGHT:
  case SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER:
    return {0.0f, 1.0f};
  case SF_CHANNEL_MAP_MONO:
  case SF_CHANNEL_MAP_CENTER:
  case SF_CHANNEL_MAP_FRONT_CENTER:
  // A single surround behind the listener goes to both sides, as BS.775 does for 3/1.
  case SF_CHANNEL_MAP_REAR_CENTER:
  case SF_CHANNEL_MAP_TOP_CENTER:
  case SF_CHANNEL_MAP_TOP_FRONT_CENTER:
  case SF_CHANNEL_MAP_TOP_REAR_CENTER:
    return {kSide, kSide};
  case SF_CHANNEL_MAP_REAR_LEFT:
  case SF_CHANNEL_MAP_SIDE_LEFT:
  case SF_CHANNEL_MAP_TOP_FRONT_LEFT:
  case SF_CHANNEL_MAP_TOP_REAR_LEFT:
    return {kSide, 0.0f};
  case SF_CHANNEL_MAP_REAR_RIGHT:
  case SF_CHANNEL_MAP_SIDE_RIGHT:
  case SF_CHANNEL_MAP_TOP_FRONT_RIGHT:
  case SF_CHANNEL_MAP_TOP_REAR_RIGHT:
    return {0.0f, kSide};
  default:
    // The LFE, and channels the mask leaves without a speaker, which players do not sound.
    return {0.0f, 0.0f};
  }
}

std::vector<int> usualOrder(int channels) {
  constexpr int L = SF_CHANNEL_MAP_LEFT, R = SF_CHANNEL_MAP_RIGHT, C = SF_CHANNEL_MAP_CENTER,
                LFE = SF_CHANNEL_MAP_LFE, Ls = SF_CHANNEL_MAP_REAR_LEFT,
                Rs = SF_CHANNEL_MAP_REAR_RIGHT, Cs = SF_CHANNEL_MAP_REAR_CENTER,
                Lsd = SF_CHANNEL_MAP_SIDE_LEFT, Rsd = SF_CHANNEL_MAP_SIDE_RIGHT;
  switch (channels) {
  case 3:
    return {L, R, C};
  case 4:
    return {L, R, Ls, Rs};
  case 5:
    return {L, R, C, Ls, Rs};
  case 6:
    return {L, R, C, LFE, Ls, Rs};
  case 7:
    return {L, R, C, LFE, Cs, Lsd, Rsd};
  default:
    return {L, R, C, LFE, Ls, Rs, Lsd, Rsd};
  }
}

} // namespace

Downmix::Downmix(int channels, const std::vector<int>& positions) : channels_(channels) {
  const std::vector<int> order =
      static_cast<int>(positions.size()) == channels ? positions : usualOrder(channels);
  float sumLeft = 0, sumRight = 0;
  for (int c = 0; c < channels; ++c) {
    const Gain g = c < static_cast<int>(order.size()) ? gainOf(order[static_cast<size_t>(c)])
                                                      : Gain{0.0f, 0.0f};
    gains_.push_back(g.left);
    gains_.push_back(g.right);
    sumLeft += g.left;
    sumRight += g.right;
  }
  // One factor for both sides keeps the balance of an asymmetric layout.
  const float scale = 1.0f / std::max({1.0f, sumLeft, sumRight});
  for (float& g : gains_) {
    g *= scale;
  }
}

void Downmix::mix(const float* in, long frames, float* out) const {
  const auto n = static_cast<size_t>(channels_);
  for (long f = 0; f < frames; ++f, in += n, out += 2) {
    float left = 0, right = 0;
    for (size_t c = 0; c < n; ++c) {
      left += in[c] * gains_[2 * c];
      right += in[c] * gains_[2 * c + 1];
    }
    out[0] = left;
    out[1] = right;
  }
}

} // namespace gogo

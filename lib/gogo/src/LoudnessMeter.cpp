#include "LoudnessMeter.h"

#include <ebur128.h>

#include <algorithm>

namespace gogo {

std::unique_ptr<LoudnessMeter> LoudnessMeter::create(int channels, long rate) {
  ebur128_state* state =
      ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(rate),
                   EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK);
  if (state == nullptr) {
    return nullptr;
  }
  if (channels == 1 && ebur128_set_channel(state, 0, EBUR128_DUAL_MONO) != EBUR128_SUCCESS) {
    ebur128_destroy(&state);
    return nullptr;
  }
  std::unique_ptr<LoudnessMeter> meter(new LoudnessMeter(state));
  meter->channels_ = static_cast<unsigned>(channels);
  return meter;
}

LoudnessMeter::~LoudnessMeter() {
  ebur128_destroy(&state_);
}

bool LoudnessMeter::add(const std::int16_t* samples, long frames) {
  return ebur128_add_frames_short(state_, samples, static_cast<std::size_t>(frames)) ==
         EBUR128_SUCCESS;
}

bool LoudnessMeter::add(const float* samples, long frames) {
  return ebur128_add_frames_float(state_, samples, static_cast<std::size_t>(frames)) ==
         EBUR128_SUCCESS;
}

void LoudnessMeter::finish() {
  // The lowest rate libebur128 takes: a buffer of a few frames.
  constexpr unsigned long kSmallestRate = 16;
  if (state_->samplerate != kSmallestRate &&
      ebur128_change_parameters(state_, channels_, kSmallestRate) == EBUR128_ERROR_NOMEM) {
    broken_ = true; // the state is left invalid
  }
}

bool LoudnessMeter::measure(const std::vector<const LoudnessMeter*>& meters, double& lufs,
                            double& peak) {
  if (meters.empty()) {
    return false;
  }
  std::vector<ebur128_state*> states;
  peak = 0;
  for (const LoudnessMeter* m : meters) {
    if (m->broken_) {
      return false;
    }
    states.push_back(m->state_);
    for (unsigned c = 0; c < m->channels_; ++c) {
      double channelPeak = 0;
      if (ebur128_sample_peak(m->state_, c, &channelPeak) != EBUR128_SUCCESS) {
        return false;
      }
      peak = std::max(peak, channelPeak);
    }
  }
  return ebur128_loudness_global_multiple(states.data(), states.size(), &lufs) == EBUR128_SUCCESS;
}

} // namespace gogo

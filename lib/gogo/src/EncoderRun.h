// One encode: the PCM source, the LAME encoder set up from the settings, the output file, and
// the frame-by-frame state between MPGE_detectConfigure and MPGE_endCoder.
#pragma once

#include "EncoderSettings.h"
#include "LoudnessMeter.h"
#include "Mp3Writer.h"
#include "PcmSource.h"
#include "gogo.h"

#include <cstdint>
#include <memory>
#include <vector>

struct lame_global_struct;

namespace gogo {

class EncoderRun {
public:
  // Checks the settings against the input, opens the input, sets up LAME and creates the
  // output, in that order. On failure `result` holds the reason and nothing is left open or
  // created.
  static std::unique_ptr<EncoderRun> start(const EncoderSettings& settings, MERET& result);
  ~EncoderRun();
  EncoderRun(const EncoderRun&) = delete;
  EncoderRun& operator=(const EncoderRun&) = delete;

  // Number of processFrame() calls up to and including the one that ends the input; 0 when
  // the input's length is unknown.
  std::int32_t frameCount() const;
  MERET processFrame();
  // Finishes the stream, writes the info frame and closes the files; later calls do nothing.
  MERET finish();
  // The loudness of what was encoded, when it was asked for; null afterwards.
  std::unique_ptr<LoudnessMeter> takeLoudness() {
    if (meter_) {
      meter_->finish();
    }
    return std::move(meter_);
  }

private:
  EncoderRun() = default;
  MERET setUpLame(const EncoderSettings& settings, long outputRate);
  MERET fail(MERET code);
  MERET flushEncoder();

  enum class State { Encoding, Ended, Failed, Closed };

  lame_global_struct* lame_ = nullptr;
  std::unique_ptr<PcmSource> source_;
  std::unique_ptr<LoudnessMeter> meter_;
  Mp3Writer out_;
  State state_ = State::Closed; // Encoding once the output exists
  MERET failure_ = RESULT_OK;
  long block_ = 1152;           // input sample frames per call
  std::int64_t remaining_ = -1; // input sample frames still to read, -1 when unknown
  std::int64_t total_ = -1;
  // The source's first pass, taken kScanBlocks blocks per call before the first frame.
  static constexpr long kScanBlocks = 16;
  std::int64_t scanTotal_ = 0;
  std::int64_t scanRemaining_ = 0;
  std::vector<std::int16_t> shorts_;
  std::vector<float> floats_;
  std::vector<unsigned char> mp3_;
};

} // namespace gogo

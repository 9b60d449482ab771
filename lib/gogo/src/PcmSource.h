// Where an encode's PCM comes from: interleaved samples, either 16-bit integers or floats
// scaled to +/-1.0, read in blocks.
#pragma once

#include <cstdint>

namespace gogo {

class PcmSource {
public:
  virtual ~PcmSource() = default;
  virtual int channels() const = 0;
  virtual long sampleRate() const = 0;
  // Sample frames (one sample per channel) still to come, -1 when unknown.
  virtual std::int64_t totalFrames() const = 0;
  virtual bool deliversFloat() const = 0;
  // Reads up to `frames` sample frames into `out` (int16_t or float, frames * channels
  // values). Returns the number read, fewer only at the end of the input, or -1 on a read
  // failure.
  virtual long read(void* out, long frames) = 0;

  // Sample frames of a first pass over the input, made before anything is read: an input
  // whose samples may lie beyond full scale (floats) is read once to find its peak, and then
  // delivered from its start again, scaled by one gain so that the peak fits. 0 when no such
  // pass is needed.
  virtual std::int64_t framesToScan() const { return 0; }
  // Reads up to `frames` more sample frames of that pass. False on a read failure.
  virtual bool scan(long /*frames*/) { return true; }
};

} // namespace gogo

// PCM pulled from the caller's reader function: 16-bit interleaved samples in the layout the
// reader record announces.
#pragma once

#include "PcmSource.h"
#include "gogo.h"

namespace gogo {

class ReaderSource final : public PcmSource {
public:
  explicit ReaderSource(const MPGE_READER_RECORD& record);

  int channels() const override { return record_.channels; }
  long sampleRate() const override { return record_.rate; }
  std::int64_t totalFrames() const override;
  bool deliversFloat() const override { return false; }
  long read(void* out, long frames) override;

private:
  MPGE_READER_RECORD record_;
  bool exhausted_ = false;
};

} // namespace gogo

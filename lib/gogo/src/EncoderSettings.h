// Every configuration item of one encode, as stored by MPGE_setConfigure, and the checks that
// do not need the input.
#pragma once

#include "gogo.h"

#include <cstdint>
#include <optional>
#include <string>

namespace gogo {

class EncoderSettings {
public:
  // Stores one item. Returns RESULT_PARAM_ERROR for an unknown item, a null address or a value
  // out of range; an out-of-range value is still kept so that check() refuses it as well.
  MERET store(MPARAM item, UPARAM value1, UPARAM value2);
  // Checks every item against the others, apart from what depends on the input.
  MERET check() const;

  enum class InputKind { None, File, Reader };
  InputKind inputKind = InputKind::None;
  std::string inputPath;
  MPGE_READER_RECORD reader{};
  bool hasOutput = false;
  std::string outputPath;

  std::int64_t channelMode = MODE_JOINT;
  std::int64_t bitrate = 128;
  std::optional<std::int64_t> forceRate;
  bool psychoacoustics = false;
  bool lowpass = true;
  std::int64_t emphasis = EMPH_NONE;
  std::optional<std::int64_t> vbrLevel;
  std::int64_t cpuCount = 1;
  std::int64_t outputFormat = FORMAT_MP3;
  std::optional<std::pair<std::int64_t, std::int64_t>> vbrRange;
  std::optional<std::pair<std::int64_t, std::int64_t>> extFilter;
  std::optional<std::pair<std::int64_t, std::int64_t>> msSetting;

  // Set through gogo_ex.h, not MPGE_setConfigure. The sample frames [first, first + count) of
  // a file input are encoded instead of all of it.
  struct SampleRange {
    std::int64_t first = 0;
    std::int64_t count = 0;
  };
  std::optional<SampleRange> range;
  // The encode measures the loudness of what it encodes.
  bool measureLoudness = false;
};

// MPEG layer III sampling rates and bit rates.
bool isMpegRate(long rate);
// The MPEG rate an input rate is encoded at when no rate is forced: up to 48 kHz the same or
// the next one above it; above, 44.1 kHz when it divides the input rate (88.2, 176.4, 352.8
// kHz), else 48 kHz. 0 for a rate outside 8..384 kHz.
long encodeRateFor(long inputRate);
bool isBitrateFor(long kbps, long outputRate);

} // namespace gogo

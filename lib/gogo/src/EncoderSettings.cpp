#include "EncoderSettings.h"

#include <algorithm>
#include <array>

namespace gogo {

namespace {

constexpr std::array<long, 9> kRates{8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
constexpr std::array<long, 14> kMpeg1Bitrates{32,  40,  48,  56,  64,  80,  96,
                                              112, 128, 160, 192, 224, 256, 320};
constexpr std::array<long, 14> kMpeg2Bitrates{8,  16, 24, 32,  40,  48,  56,
                                              64, 80, 96, 112, 128, 144, 160};

// Item values arrive as unsigned machine words; callers holding a signed 32-bit value
// (for example -1) pass it sign-extended or zero-extended depending on their language.
std::int64_t asInt(UPARAM v) {
  if (v > 0xFFFFFFFFu) {
    return static_cast<std::int64_t>(static_cast<std::intptr_t>(v));
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

bool inRange(std::int64_t v, std::int64_t lo, std::int64_t hi) {
  return v >= lo && v <= hi;
}

bool validRecord(const MPGE_READER_RECORD& r) {
  return r.reader != nullptr && r.totalSize >= -1 && r.bits == 16 && inRange(r.rate, 8000, 48000) &&
         inRange(r.channels, 1, 2);
}

bool validVbrRange(const std::pair<std::int64_t, std::int64_t>& r) {
  return inRange(r.first, 0, 320) && inRange(r.second, 0, 320) &&
         (r.first == 0 || r.second == 0 || r.first <= r.second);
}

bool validExtFilter(const std::pair<std::int64_t, std::int64_t>& f) {
  return inRange(f.first, 0, 100) && inRange(f.second, 1, 100) && f.first <= f.second;
}

bool validMs(const std::pair<std::int64_t, std::int64_t>& m) {
  return inRange(m.first, 0, 100) && inRange(m.second, 0, 100);
}

} // namespace

bool isMpegRate(long rate) {
  return std::find(kRates.begin(), kRates.end(), rate) != kRates.end();
}

long encodeRateFor(long inputRate) {
  if (inputRate < kRates.front() || inputRate > 384000) {
    return 0;
  }
  if (inputRate > kRates.back()) {
    // An exact ratio keeps LAME's resampler on its cheapest and cleanest path.
    return inputRate % 44100 == 0 ? 44100 : 48000;
  }
  return *std::find_if(kRates.begin(), kRates.end(), [&](long r) { return r >= inputRate; });
}

bool isBitrateFor(long kbps, long outputRate) {
  const auto& table = outputRate >= 32000 ? kMpeg1Bitrates : kMpeg2Bitrates;
  return std::find(table.begin(), table.end(), kbps) != table.end();
}

MERET EncoderSettings::store(MPARAM item, UPARAM value1, UPARAM value2) {
  const std::int64_t v1 = asInt(value1);
  const std::int64_t v2 = asInt(value2);
  bool ok = true;
  switch (item) {
  case CFG_INPUT:
    inputKind = InputKind::None;
    if (value2 == 0) {
      return RESULT_PARAM_ERROR;
    }
    if (v1 == INPUT_FILE) {
      inputPath = reinterpret_cast<const char*>(value2);
      inputKind = InputKind::File;
    } else if (v1 == INPUT_READER) {
      reader = *reinterpret_cast<const MPGE_READER_RECORD*>(value2);
      inputKind = InputKind::Reader;
      ok = validRecord(reader);
    } else {
      return RESULT_PARAM_ERROR;
    }
    break;
  case CFG_OUTPUT:
    hasOutput = false;
    if (v1 != OUTPUT_FILE || value2 == 0) {
      return RESULT_PARAM_ERROR;
    }
    outputPath = reinterpret_cast<const char*>(value2);
    hasOutput = true;
    break;
  case CFG_CHANNEL_MODE:
    channelMode = v1;
    ok = inRange(v1, MODE_MONO, MODE_DUALCHANNEL);
    break;
  case CFG_BITRATE:
    bitrate = v1; // checked against the output rate by the coder
    ok = inRange(v1, 8, 320);
    break;
  case CFG_FORCE_RATE:
    forceRate = v1;
    ok = isMpegRate(static_cast<long>(v1));
    break;
  case CFG_PSYCHOACOUSTICS:
    psychoacoustics = v1 != 0;
    break;
  case CFG_LOWPASS:
    lowpass = v1 != 0;
    break;
  case CFG_UNIT_MMX:
  case CFG_UNIT_3DNOW:
  case CFG_UNIT_KNI:
  case CFG_UNIT_EX_3DNOW:
  case CFG_UNIT_SPC1:
  case CFG_UNIT_SPC2:
    return RESULT_OK;
  case CFG_EMPHASIS:
    emphasis = v1;
    ok = v1 == EMPH_NONE || v1 == EMPH_50_15MS || v1 == EMPH_CCITT;
    break;
  case CFG_VBR_LEVEL:
    vbrLevel = v1;
    ok = inRange(v1, 0, 9);
    break;
  case CFG_CPU_COUNT:
    cpuCount = v1;
    ok = inRange(v1, 0, 256);
    break;
  case CFG_OUTPUT_FORMAT:
    outputFormat = v1;
    ok = inRange(v1, FORMAT_MP3, FORMAT_RIFF_RMP);
    break;
  case CFG_VBR_BITRATE_RANGE:
    vbrRange = std::pair{v1, v2};
    ok = validVbrRange(*vbrRange);
    break;
  case CFG_EXT_FILTER:
    extFilter = std::pair{v1, v2};
    ok = validExtFilter(*extFilter);
    break;
  case CFG_MS_SETTING:
    msSetting = std::pair{v1, v2};
    ok = validMs(*msSetting);
    break;
  default:
    return RESULT_PARAM_ERROR;
  }
  return ok ? RESULT_OK : RESULT_PARAM_ERROR;
}

MERET EncoderSettings::check() const {
  if (inputKind == InputKind::None) {
    return RESULT_INPUT_NOT_FOUND;
  }
  if (!hasOutput) {
    return RESULT_OUTPUT_ERROR;
  }
  const bool valid =
      (inputKind != InputKind::Reader || validRecord(reader)) &&
      inRange(channelMode, MODE_MONO, MODE_DUALCHANNEL) &&
      (!forceRate || isMpegRate(static_cast<long>(*forceRate))) &&
      (emphasis == EMPH_NONE || emphasis == EMPH_50_15MS || emphasis == EMPH_CCITT) &&
      (!vbrLevel || inRange(*vbrLevel, 0, 9)) && inRange(cpuCount, 0, 256) &&
      inRange(outputFormat, FORMAT_MP3, FORMAT_RIFF_RMP) &&
      (!vbrRange || validVbrRange(*vbrRange)) && (!extFilter || validExtFilter(*extFilter)) &&
      (!msSetting || validMs(*msSetting));
  if (!valid || (range && (inputKind != InputKind::File || range->first < 0 || range->count < 1))) {
    return RESULT_PARAM_ERROR;
  }
  if (outputFormat != FORMAT_MP3) {
    return RESULT_UNSUPPORTED;
  }
  if (!vbrLevel && !inRange(bitrate, 8, 320)) {
    return RESULT_BITRATE_ERROR;
  }
  return RESULT_OK;
}

} // namespace gogo

#include "Mp3Check.h"

#include <lame/lame.h>

#include <cstring>

namespace mp3check {

namespace {

const int kBitrates[2][16] = {
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}, // MPEG-1
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}};    // MPEG-2, 2.5
const int kRates[3] = {44100, 48000, 32000};

} // namespace

std::vector<Frame> frames(const fixtures::Bytes& mp3, std::size_t* consumed) {
  std::vector<Frame> out;
  std::size_t at = 0;
  while (at + 4 <= mp3.size()) {
    const std::uint8_t* h = mp3.data() + at;
    const int versionBits = (h[1] >> 3) & 3, layerBits = (h[1] >> 1) & 3;
    const int brIndex = h[2] >> 4, srIndex = (h[2] >> 2) & 3;
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0 || versionBits == 1 || layerBits != 1 ||
        brIndex == 0 || brIndex == 15 || srIndex == 3) {
      break;
    }
    Frame f;
    f.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    f.layer = 3;
    f.bitrate = kBitrates[f.version == 1 ? 0 : 1][brIndex];
    f.sampleRate = kRates[srIndex] / (f.version == 1 ? 1 : f.version == 2 ? 2 : 4);
    f.channelMode = h[3] >> 6;
    f.emphasis = h[3] & 3;
    const int padding = (h[2] >> 1) & 1;
    const std::size_t size = static_cast<std::size_t>(
        (f.version == 1 ? 144000 : 72000) * f.bitrate / f.sampleRate + padding);
    const std::size_t side =
        f.version == 1 ? (f.channelMode == 3 ? 17 : 32) : (f.channelMode == 3 ? 9 : 17);
    if (at + 4 + side + 4 <= mp3.size()) {
      const char* tag = reinterpret_cast<const char*>(h + 4 + side);
      if (std::memcmp(tag, "Xing", 4) == 0 || std::memcmp(tag, "Info", 4) == 0) {
        f.infoFrame = true;
        f.infoTag.assign(tag, 4);
      }
    }
    out.push_back(f);
    at += size;
  }
  if (consumed != nullptr) {
    *consumed = at;
  }
  return out;
}

Decoded decode(const fixtures::Bytes& mp3) {
  Decoded d;
  hip_t hip = hip_decode_init();
  std::vector<short> l(1152 * 4), r(1152 * 4);
  std::vector<unsigned char> data(mp3.begin(), mp3.end());
  mp3data_struct info{};
  // Feed in small pieces: the decoder hands back at most one frame per call.
  std::size_t at = 0;
  while (true) {
    const std::size_t piece = std::min<std::size_t>(512, data.size() - at);
    int delay = -1, padding = -1;
    int n = hip_decode1_headersB(hip, data.data() + at, piece, l.data(), r.data(), &info, &delay,
                                 &padding);
    at += piece;
    if (delay >= 0) {
      d.encoderDelay = delay;
      d.encoderPadding = padding;
    }
    while (n > 0) {
      d.left.insert(d.left.end(), l.begin(), l.begin() + n);
      d.right.insert(d.right.end(), r.begin(), r.begin() + n);
      n = hip_decode1_headersB(hip, data.data(), 0, l.data(), r.data(), &info, &delay, &padding);
    }
    if (n < 0 || at >= data.size()) {
      break;
    }
  }
  hip_decode_exit(hip);
  return d;
}

} // namespace mp3check

#include "MpegStream.h"

#include <string>

namespace mp3infp {

namespace {

constexpr std::size_t kSearchWindow = 64 * 1024;

const int kBitrates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};

const int kSampleRates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};

std::uint32_t readBE32(const unsigned char* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

bool sameStream(const MpegHeader& a, const MpegHeader& b) {
  return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

// Frame count from a Xing/Info or VBRI header inside the first frame; 0 when there is none.
std::uint32_t headerFrameCount(const unsigned char* frame, std::size_t avail, const MpegHeader& h) {
  if (h.layer == 3) {
    const std::size_t sideInfo = h.version == 10 ? (h.mono ? 17 : 32) : (h.mono ? 9 : 17);
    const std::size_t x = 4 + sideInfo;
    if (x + 12 <= avail) {
      const std::string tag(reinterpret_cast<const char*>(frame + x), 4);
      if ((tag == "Xing" || tag == "Info") && (readBE32(frame + x + 4) & 1))
        return readBE32(frame + x + 8);
    }
  }
  const std::size_t v = 4 + 32;
  if (v + 18 <= avail && std::string(reinterpret_cast<const char*>(frame + v), 4) == "VBRI")
    return readBE32(frame + v + 14);
  return 0;
}

} // namespace

bool ParseMpegHeader(const unsigned char* p, MpegHeader& h) {
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
    return false;
  const int versionBits = (p[1] >> 3) & 3;
  const int layerBits = (p[1] >> 1) & 3;
  const int bitrateIndex = (p[2] >> 4) & 15;
  const int rateIndex = (p[2] >> 2) & 3;
  if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 ||
      rateIndex == 3)
    return false;
  h.version = versionBits == 3 ? 10 : versionBits == 2 ? 20 : 25;
  h.layer = 4 - layerBits;
  const int v = h.version == 10 ? 0 : 1;
  h.bitrate = kBitrates[v][h.layer - 1][bitrateIndex];
  h.sampleRate = kSampleRates[h.version == 10 ? 0 : h.version == 20 ? 1 : 2][rateIndex];
  const int padding = (p[2] >> 1) & 1;
  h.mono = ((p[3] >> 6) & 3) == 3;
  if (h.layer == 1) {
    h.samplesPerFrame = 384;
    h.frameLength = (12000 * h.bitrate / h.sampleRate + padding) * 4;
  } else if (h.layer == 2 || h.version == 10) {
    h.samplesPerFrame = 1152;
    h.frameLength = 144000 * h.bitrate / h.sampleRate + padding;
  } else {
    h.samplesPerFrame = 576;
    h.frameLength = 72000 * h.bitrate / h.sampleRate + padding;
  }
  return h.frameLength >= 4;
}

MpegInfo ProbeMpeg(const FileReader& file, std::uint64_t start, std::uint64_t end) {
  MpegInfo info;
  if (end <= start)
    return info;
  const std::uint64_t length = end - start;
  const std::string window = file.readUpTo(
      start, length < kSearchWindow ? static_cast<std::size_t>(length) : kSearchWindow);
  const auto* data = reinterpret_cast<const unsigned char*>(window.data());
  const std::size_t n = window.size();
  for (std::size_t i = 0; i + 4 <= n; ++i) {
    MpegHeader h;
    if (data[i] != 0xFF || !ParseMpegHeader(data + i, h))
      continue;
    const std::uint64_t next = i + static_cast<std::uint64_t>(h.frameLength);
    bool confirmed = next == length; // a single frame that fills the stream
    if (!confirmed && next + 4 <= n) {
      MpegHeader second;
      confirmed = ParseMpegHeader(data + next, second) && sameStream(h, second);
    }
    if (!confirmed)
      continue;
    info.found = true;
    info.firstFrame = start + i;
    const std::uint32_t frames = headerFrameCount(data + i, n - i, h);
    if (frames > 0) {
      info.seconds = static_cast<double>(frames) * h.samplesPerFrame / h.sampleRate;
    } else {
      const double audioBytes = static_cast<double>(length - i);
      info.seconds = audioBytes * 8.0 / (h.bitrate * 1000.0);
    }
    return info;
  }
  return info;
}

} // namespace mp3infp

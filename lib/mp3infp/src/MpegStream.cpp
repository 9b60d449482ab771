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

// Where the Xing/Info header of a layer III frame starts (after the side information).
std::size_t xingOffset(const MpegHeader& h) {
  return 4 + (h.version == 10 ? (h.mono ? 17 : 32) : (h.mono ? 9 : 17));
}

// Frame count from a Xing/Info or VBRI header inside the first frame; 0 when there is none.
std::uint32_t headerFrameCount(const unsigned char* frame, std::size_t avail, const MpegHeader& h) {
  if (h.layer == 3) {
    const std::size_t x = xingOffset(h);
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

struct XingInfo {
  bool present = false;
  std::uint32_t frames = 0;
  bool hasFrames = false;
  int delay = 0;
  int padding = 0;
};

// The Xing/Info header of a first frame and the encoder delay and padding of the LAME-style
// tag after it.
XingInfo readXing(const std::string& frame, const MpegHeader& h) {
  XingInfo info;
  const auto* p = reinterpret_cast<const unsigned char*>(frame.data());
  const std::size_t x = xingOffset(h);
  if (h.layer != 3 || x + 8 > frame.size())
    return info;
  const std::string tag = frame.substr(x, 4);
  if (tag != "Xing" && tag != "Info")
    return info;
  info.present = true;
  const std::uint32_t flags = readBE32(p + x + 4);
  std::size_t at = x + 8;
  if (flags & 1) {
    if (at + 4 > frame.size())
      return info;
    info.frames = readBE32(p + at);
    info.hasFrames = true;
    at += 4;
  }
  at += (flags & 2 ? 4 : 0) + (flags & 4 ? 100 : 0) + (flags & 8 ? 4 : 0);
  // Encoder name (9 bytes), then revision, lowpass, peak, gains, flags, bit rate: the 12-bit
  // delay and 12-bit padding sit 21 bytes in.
  if (at + 24 > frame.size())
    return info;
  const std::string encoder = frame.substr(at, 4);
  if (encoder != "LAME" && encoder != "Lavf" && encoder != "Lavc" && encoder != "L3.9")
    return info;
  const unsigned char* d = p + at + 21;
  info.delay = (d[0] << 4) | (d[1] >> 4);
  info.padding = ((d[1] & 0x0F) << 8) | d[2];
  return info;
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

MpegLength MeasureMpeg(const FileReader& file, std::uint64_t start, std::uint64_t end) {
  MpegLength length;
  const MpegInfo probe = ProbeMpeg(file, start, end);
  if (!probe.found)
    return length;
  std::string head;
  MpegHeader first;
  if (!file.read(probe.firstFrame, 4, head) ||
      !ParseMpegHeader(reinterpret_cast<const unsigned char*>(head.data()), first))
    return length;
  std::string firstFrame;
  if (probe.firstFrame + static_cast<std::uint64_t>(first.frameLength) <= end)
    file.read(probe.firstFrame, static_cast<std::size_t>(first.frameLength), firstFrame);
  const XingInfo xing = readXing(firstFrame, first);

  std::uint64_t frames = 0;
  std::uint64_t at = probe.firstFrame;
  std::string bytes;
  while (at + 4 <= end && file.read(at, 4, bytes)) {
    MpegHeader h;
    if (!ParseMpegHeader(reinterpret_cast<const unsigned char*>(bytes.data()), h) ||
        !sameStream(h, first))
      break;
    if (at + static_cast<std::uint64_t>(h.frameLength) > end)
      break; // cut off
    ++frames;
    at += static_cast<std::uint64_t>(h.frameLength);
  }
  if (xing.present && frames > 0)
    --frames; // the info frame carries no audio

  std::int64_t samples = static_cast<std::int64_t>(frames) * first.samplesPerFrame - xing.delay;
  if (xing.hasFrames && frames >= xing.frames)
    samples -= xing.padding;
  length.samples = samples < 0 ? 0 : samples;
  length.sampleRate = first.sampleRate;
  return length;
}

} // namespace mp3infp

// MPEG audio frames: finding the first one and the playing time of a stream.
#pragma once

#include "FileReader.h"

#include <cstdint>

namespace mp3infp {

struct MpegHeader {
  int version = 0; // 10 = MPEG-1, 20 = MPEG-2, 25 = MPEG-2.5
  int layer = 0;
  int bitrate = 0; // kbit/s
  int sampleRate = 0;
  bool mono = false;
  int frameLength = 0; // bytes
  int samplesPerFrame = 0;
};

// False for anything that is not a usable frame header (free-format bit rate included).
bool ParseMpegHeader(const unsigned char* p, MpegHeader& header);

struct MpegInfo {
  bool found = false; // a frame followed by a matching frame (or the stream's end)
  std::uint64_t firstFrame = 0;
  double seconds = -1; // playing time; negative when unknown
};

// Looks for the first frame of the stream lying in [start, end) within its first 64 KiB and
// works out the playing time from a Xing/Info or VBRI header, or else from the bit rate of
// that frame. Reads only that window: never the whole stream.
MpegInfo ProbeMpeg(const FileReader& file, std::uint64_t start, std::uint64_t end);

struct MpegLength {
  std::int64_t samples = -1; // per channel; negative when no stream was found
  int sampleRate = 0;
};

// The samples a gapless decoder gives for the stream in [start, end): every frame header is
// followed to the end (a frame cut off by the end does not count), the Xing/Info frame is left
// out, and the encoder delay and padding of a LAME tag are taken off (the padding only when all
// the frames the tag counts are there). Reads one header per frame.
MpegLength MeasureMpeg(const FileReader& file, std::uint64_t start, std::uint64_t end);

} // namespace mp3infp

// Reads back what the encoder wrote: MPEG audio frame headers walked one by one, and the
// stream decoded with LAME's decoder.
#pragma once

#include "AudioFixtures.h"

#include <string>
#include <vector>

namespace mp3check {

struct Frame {
  int version = 0; // 1 MPEG-1, 2 MPEG-2, 25 MPEG-2.5
  int layer = 0;
  int bitrate = 0; // kbit/s
  int sampleRate = 0;
  int channelMode = 0; // header bits: 0 stereo, 1 joint, 2 dual channel, 3 mono
  int emphasis = 0;
  bool infoFrame = false; // the Xing/LAME frame in front of the audio ("Xing" or "Info")
  std::string infoTag;
};

// Every frame from the start of the stream; stops at the first byte that is not a header.
// `consumed` gets the number of bytes the frames cover.
std::vector<Frame> frames(const fixtures::Bytes& mp3, std::size_t* consumed = nullptr);

struct Decoded {
  std::vector<short> left, right;
  int encoderDelay = -1, encoderPadding = -1;
};
Decoded decode(const fixtures::Bytes& mp3);

} // namespace mp3check

// Drives the encoder module through its C entry points as the program does, for the tests of
// the module.
#pragma once

#include "AudioFixtures.h"
#include "Mp3Check.h"
#include "gogo.h"
#include "gogo_ex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace gogotest {

using fixtures::WavSpec;

struct Item {
  MPARAM item;
  UPARAM value1;
  UPARAM value2 = 0;
};

struct EncodeRun {
  MERET detect = -1;
  std::int32_t frameCount = -1;
  int calls = 0;
  MERET last = -1;
  MERET close = -1;
};

inline UPARAM addressOf(const std::string& s) {
  return reinterpret_cast<UPARAM>(s.c_str());
}

// The calls of one encode: the MPGE_ functions (no handle) or the gogo_ ones of a handle.
struct Coder {
  GOGO_HANDLE* h = nullptr;
  MERET initializeWork() const { return h ? gogo_initializeWork(h) : MPGE_initializeWork(); }
  MERET set(const Item& i) const {
    return h ? gogo_setConfigure(h, i.item, i.value1, i.value2)
             : MPGE_setConfigure(i.item, i.value1, i.value2);
  }
  MERET frameCount(std::int32_t* n) const {
    return h ? gogo_getConfigure(h, GET_FRAME_COUNT, n) : MPGE_getConfigure(GET_FRAME_COUNT, n);
  }
  MERET detect() const { return h ? gogo_detectConfigure(h) : MPGE_detectConfigure(); }
  MERET frame() const { return h ? gogo_processFrame(h) : MPGE_processFrame(); }
  MERET close() const { return h ? gogo_closeCoder(h) : MPGE_closeCoder(); }
  MERET end() const { return h ? gogo_endCoder(h) : MPGE_endCoder(); }
};

// initializeWork, the items (then `extra`, what gogo_ex.h adds), detectConfigure, then frames
// until a non-zero result (or `stopAfter` of them), then the closing calls, as the encoder
// component does.
inline EncodeRun encode(const std::vector<Item>& items, Coder coder = {}, int stopAfter = 1000000,
                        const std::function<void()>& extra = {}) {
  EncodeRun run;
  EXPECT_EQ(coder.initializeWork(), RESULT_OK);
  for (const Item& i : items)
    coder.set(i);
  if (extra)
    extra();
  run.detect = coder.detect();
  if (run.detect != RESULT_OK) {
    coder.end();
    return run;
  }
  EXPECT_EQ(coder.frameCount(&run.frameCount), RESULT_OK);
  do {
    run.last = coder.frame();
    ++run.calls;
  } while (run.last == RESULT_OK && run.calls < stopAfter);
  run.close = coder.close();
  coder.end();
  return run;
}

inline std::vector<Item> fileItems(const std::string& in, const std::string& out) {
  return {{CFG_INPUT, INPUT_FILE, addressOf(in)}, {CFG_OUTPUT, OUTPUT_FILE, addressOf(out)}};
}

// A temporary folder holding in.wav made from `spec`, with out.mp3 named beside it.
struct WavIn {
  explicit WavIn(const WavSpec& spec) { fixtures::writeFile(in, fixtures::makeWav(spec)); }
  // The file items to encode in.wav into out.mp3, then `extra`.
  std::vector<Item> items(const std::vector<Item>& extra = {}) const {
    std::vector<Item> all = fileItems(in, out);
    all.insert(all.end(), extra.begin(), extra.end());
    return all;
  }
  fixtures::TempDir dir;
  std::string in = dir / "in.wav", out = dir / "out.mp3";
};

inline long inputFrames(const WavSpec& s) {
  return std::lround(s.seconds * s.sampleRate);
}

// The decoded length without the encoder's delay and padding, against the input's.
inline void expectDuration(const fixtures::Bytes& mp3, long inFrames, long outRate, long inRate) {
  const mp3check::Decoded d = mp3check::decode(mp3);
  ASSERT_GE(d.encoderDelay, 0) << "no LAME info frame";
  const long audio = static_cast<long>(d.left.size()) - d.encoderDelay - d.encoderPadding;
  const long expected = static_cast<long>(std::lround(double(inFrames) * outRate / inRate));
  EXPECT_LE(std::labs(audio - expected), 1152) << audio << " vs " << expected;
}

inline WavSpec wav(int rate, int channels, int bits, bool isFloat = false) {
  return {.sampleRate = rate,
          .channels = channels,
          .bits = bits,
          .floatSamples = isFloat,
          .seconds = 1.3};
}

} // namespace gogotest

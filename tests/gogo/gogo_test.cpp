// The encoder module driven through its C entry points as the program drives it, checking the
// streams it writes by walking their frame headers and decoding them with LAME's decoder.
#include "AudioFixtures.h"
#include "Mp3Check.h"
#include "gogo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

namespace {

namespace fs = std::filesystem;
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
};

UPARAM addressOf(const std::string& s) {
  return reinterpret_cast<UPARAM>(s.c_str());
}

// initializeWork, the items, detectConfigure, then frames until a non-zero result, then the
// closing calls, as the encoder component does.
EncodeRun encode(const std::vector<Item>& items) {
  EncodeRun run;
  EXPECT_EQ(MPGE_initializeWork(), RESULT_OK);
  for (const Item& i : items) {
    MPGE_setConfigure(i.item, i.value1, i.value2);
  }
  run.detect = MPGE_detectConfigure();
  if (run.detect != RESULT_OK) {
    MPGE_endCoder();
    return run;
  }
  EXPECT_EQ(MPGE_getConfigure(GET_FRAME_COUNT, &run.frameCount), RESULT_OK);
  do {
    run.last = MPGE_processFrame();
    ++run.calls;
  } while (run.last == RESULT_OK && run.calls < 1000000);
  MPGE_closeCoder();
  MPGE_endCoder();
  return run;
}

std::vector<Item> fileItems(const std::string& in, const std::string& out) {
  return {{CFG_INPUT, INPUT_FILE, addressOf(in)}, {CFG_OUTPUT, OUTPUT_FILE, addressOf(out)}};
}

long inputFrames(const WavSpec& s) {
  return std::lround(s.seconds * s.sampleRate);
}

// The decoded length without the encoder's delay and padding, against the input's.
void expectDuration(const fixtures::Bytes& mp3, long inFrames, long outRate, long inRate) {
  const mp3check::Decoded d = mp3check::decode(mp3);
  ASSERT_GE(d.encoderDelay, 0) << "no LAME info frame";
  const long audio = static_cast<long>(d.left.size()) - d.encoderDelay - d.encoderPadding;
  const long expected = static_cast<long>(std::lround(double(inFrames) * outRate / inRate));
  EXPECT_LE(std::labs(audio - expected), 1152) << audio << " vs " << expected;
}

struct FormatCase {
  const char* name;
  WavSpec wav;
  int mode;
  int bitrate;
  int forceRate; // 0: not set
  int expectVersion;
  int expectRate;
  int expectHeaderMode;
};

class GogoFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(GogoFormats, WritesTheAskedStreamOfTheInputsLength) {
  const FormatCase& c = GetParam();
  fixtures::TempDir dir;
  const std::string in = dir / "in.wav", out = dir / "out.mp3";
  fixtures::writeFile(in, fixtures::makeWav(c.wav));
  auto items = fileItems(in, out);
  items.push_back({CFG_BITRATE, static_cast<UPARAM>(c.bitrate)});
  items.push_back({CFG_CHANNEL_MODE, static_cast<UPARAM>(c.mode)});
  if (c.forceRate != 0) {
    items.push_back({CFG_FORCE_RATE, static_cast<UPARAM>(c.forceRate)});
  }
  const EncodeRun run = encode(items);
  ASSERT_EQ(run.detect, RESULT_OK);
  EXPECT_EQ(run.last, RESULT_END_OF_INPUT);
  EXPECT_EQ(run.frameCount, run.calls);

  const fixtures::Bytes mp3 = fixtures::readFile(out);
  std::size_t covered = 0;
  const auto frames = mp3check::frames(mp3, &covered);
  EXPECT_EQ(covered, mp3.size()) << "bytes that are not MPEG frames";
  ASSERT_GT(frames.size(), 2u);
  EXPECT_TRUE(frames.front().infoFrame);
  for (const auto& f : frames) {
    EXPECT_EQ(f.version, c.expectVersion);
    EXPECT_EQ(f.layer, 3);
    EXPECT_EQ(f.sampleRate, c.expectRate);
    EXPECT_EQ(f.bitrate, c.bitrate);
    EXPECT_EQ(f.channelMode, c.expectHeaderMode);
  }
  expectDuration(mp3, inputFrames(c.wav), c.expectRate, c.wav.sampleRate);
}

WavSpec wav(int rate, int channels, int bits, bool isFloat = false) {
  WavSpec s;
  s.sampleRate = rate;
  s.channels = channels;
  s.bits = bits;
  s.floatSamples = isFloat;
  s.seconds = 1.3;
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, GogoFormats,
    ::testing::Values(
        FormatCase{"pcm16_joint", wav(44100, 2, 16), MODE_JOINT, 128, 0, 1, 44100, 1},
        FormatCase{"pcm8_stereo", wav(44100, 2, 8), MODE_STEREO, 192, 0, 1, 44100, 0},
        FormatCase{"pcm24_48k", wav(48000, 2, 24), MODE_JOINT, 160, 0, 1, 48000, 1},
        FormatCase{"pcm32_msstereo", wav(44100, 2, 32), MODE_MSSTEREO, 128, 0, 1, 44100, 1},
        FormatCase{"float_dual", wav(44100, 2, 32, true), MODE_DUALCHANNEL, 256, 0, 1, 44100, 2},
        FormatCase{"mono_input", wav(44100, 1, 16), MODE_JOINT, 64, 0, 1, 44100, 3},
        FormatCase{"stereo_to_mono", wav(32000, 2, 16), MODE_MONO, 96, 0, 1, 32000, 3},
        FormatCase{"rate22k_mpeg2", wav(22050, 2, 16), MODE_JOINT, 64, 0, 2, 22050, 1},
        FormatCase{"rate22k_forced", wav(22050, 2, 16), MODE_JOINT, 128, 44100, 1, 44100, 1},
        FormatCase{"rate8k_mpeg25", wav(8000, 1, 16), MODE_JOINT, 32, 0, 25, 8000, 3}),
    [](const auto& p) { return std::string(p.param.name); });

struct RefusalCase {
  const char* name;
  MERET expected;
  std::vector<Item> extra; // after a valid input and output
  bool missingInput = false, textInput = false, badOutputFolder = false;
  int rate = 22050, channels = 2;
};

class GogoRefusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(GogoRefusals, RefusesAndCreatesNothing) {
  const RefusalCase& c = GetParam();
  fixtures::TempDir dir;
  std::string in = dir / "in.wav", out = dir / "out.mp3";
  if (c.textInput) {
    fixtures::writeFile(in, fixtures::Bytes(5000, 'x'));
  } else if (!c.missingInput) {
    fixtures::writeFile(in, fixtures::makeWav(wav(c.rate, c.channels, 16)));
  }
  if (c.badOutputFolder) {
    out = dir / "no such folder" / "out.mp3";
  }
  auto items = fileItems(in, out);
  items.insert(items.end(), c.extra.begin(), c.extra.end());
  const EncodeRun run = encode(items);
  EXPECT_EQ(run.detect, c.expected);
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(MPGE_processFrame(), RESULT_SEQUENCE_ERROR);
}

INSTANTIATE_TEST_SUITE_P(
    Configurations, GogoRefusals,
    ::testing::Values(
        RefusalCase{"missing_input", RESULT_INPUT_NOT_FOUND, {}, true},
        RefusalCase{"not_audio", RESULT_FORMAT_ERROR, {}, false, true},
        RefusalCase{"uncreatable_output", RESULT_OUTPUT_ERROR, {}, false, false, true},
        RefusalCase{"bitrate_not_in_table", RESULT_BITRATE_ERROR, {{CFG_BITRATE, 100}}},
        // 22.05 kHz is MPEG-2, whose rates end at 160.
        RefusalCase{"bitrate_too_high_for_mpeg2", RESULT_BITRATE_ERROR, {{CFG_BITRATE, 320}}},
        RefusalCase{"riff_output", RESULT_UNSUPPORTED, {{CFG_OUTPUT_FORMAT, FORMAT_RIFF_WAVE}}},
        RefusalCase{"emphasis_2", RESULT_PARAM_ERROR, {{CFG_EMPHASIS, 2}}},
        RefusalCase{"vbr_level_10", RESULT_PARAM_ERROR, {{CFG_VBR_LEVEL, 10}}},
        RefusalCase{"channel_mode_5", RESULT_PARAM_ERROR, {{CFG_CHANNEL_MODE, 5}}},
        RefusalCase{"ext_filter_reversed", RESULT_PARAM_ERROR, {{CFG_EXT_FILTER, 70, 55}}},
        RefusalCase{"ms_setting_101", RESULT_PARAM_ERROR, {{CFG_MS_SETTING, 101, 0}}},
        RefusalCase{"three_channels", RESULT_FORMAT_ERROR, {}, false, false, false, 44100, 3},
        RefusalCase{"rate_96k", RESULT_FORMAT_ERROR, {}, false, false, false, 96000, 2},
        RefusalCase{"force_rate_not_mpeg", RESULT_PARAM_ERROR, {{CFG_FORCE_RATE, 44000}}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Gogo, TwoEncodesInARowEachGetTheirOwnSettings) {
  fixtures::TempDir dir;
  const std::string in = dir / "in.wav", a = dir / "a.mp3", b = dir / "b.mp3";
  fixtures::writeFile(in, fixtures::makeWav(wav(44100, 2, 16)));
  auto first = fileItems(in, a);
  first.push_back({CFG_BITRATE, 320});
  first.push_back({CFG_EMPHASIS, EMPH_CCITT});
  ASSERT_EQ(encode(first).last, RESULT_END_OF_INPUT);
  // Nothing of the first configuration may leak into the second.
  const EncodeRun second = encode(fileItems(in, b));
  ASSERT_EQ(second.last, RESULT_END_OF_INPUT);
  const auto fa = mp3check::frames(fixtures::readFile(a));
  const auto fb = mp3check::frames(fixtures::readFile(b));
  ASSERT_GT(fb.size(), 2u);
  EXPECT_EQ(fa.back().bitrate, 320);
  EXPECT_EQ(fa.back().emphasis, EMPH_CCITT);
  EXPECT_EQ(fb.back().bitrate, 128);
  EXPECT_EQ(fb.back().emphasis, EMPH_NONE);
  EXPECT_EQ(fb.back().channelMode, 1);
}

// A reader record over a block of 16-bit stereo PCM.
struct PcmFeed {
  static inline std::vector<std::int16_t> pcm;
  static inline std::size_t at = 0;
  static std::int32_t read(void* buffer, std::int32_t bytes) {
    const std::size_t have = (pcm.size() - at) * 2;
    if (have == 0) {
      return 1;
    }
    const std::size_t n = std::min<std::size_t>(have, static_cast<std::size_t>(bytes));
    std::memcpy(buffer, pcm.data() + at, n);
    std::memset(static_cast<char*>(buffer) + n, 0, static_cast<std::size_t>(bytes) - n);
    at += n / 2;
    return 0;
  }
};

class GogoReader : public ::testing::TestWithParam<bool> {};

TEST_P(GogoReader, EncodesWhatTheReaderDelivers) {
  const bool sizeKnown = GetParam();
  const long frames = 30000;
  PcmFeed::pcm.resize(static_cast<std::size_t>(frames) * 2);
  for (long i = 0; i < frames; ++i) {
    const auto v = static_cast<std::int16_t>(8000 * std::sin(i * 0.05));
    PcmFeed::pcm[static_cast<std::size_t>(2 * i)] = v;
    PcmFeed::pcm[static_cast<std::size_t>(2 * i + 1)] = static_cast<std::int16_t>(-v);
  }
  PcmFeed::at = 0;
  MPGE_READER_RECORD record{&PcmFeed::read, sizeKnown ? static_cast<std::int32_t>(frames * 4) : -1,
                            16, 44100, 2};
  fixtures::TempDir dir;
  const std::string out = dir / "out.mp3";
  const EncodeRun run = encode({{CFG_INPUT, INPUT_READER, reinterpret_cast<UPARAM>(&record)},
                                {CFG_OUTPUT, OUTPUT_FILE, addressOf(out)}});
  ASSERT_EQ(run.detect, RESULT_OK);
  EXPECT_EQ(run.last, RESULT_END_OF_INPUT);
  EXPECT_EQ(run.frameCount, sizeKnown ? run.calls : 0);
  expectDuration(fixtures::readFile(out), frames, 44100, 44100);
}

INSTANTIATE_TEST_SUITE_P(Sizes, GogoReader, ::testing::Bool());

TEST(Gogo, AWriteFailureIsReportedNotSwallowed) {
  fixtures::TempDir dir;
  const std::string in = dir / "in.wav", full = "/dev/full";
  fixtures::writeFile(in, fixtures::makeWav(wav(44100, 2, 16)));
  const EncodeRun run = encode(fileItems(in, full));
  ASSERT_EQ(run.detect, RESULT_OK);
  EXPECT_EQ(run.last, RESULT_WRITE_ERROR);
  EXPECT_LT(run.calls, run.frameCount);
}

TEST(Gogo, VbrVariesTheRateWithinTheAskedRange) {
  fixtures::TempDir dir;
  const std::string in = dir / "in.wav", out = dir / "out.mp3";
  WavSpec s = wav(44100, 2, 16);
  s.seconds = 4;
  fixtures::writeFile(in, fixtures::makeWav(s));
  auto items = fileItems(in, out);
  items.push_back({CFG_BITRATE, 100}); // not a rate, but VBR ignores it
  items.push_back({CFG_VBR_LEVEL, 2});
  items.push_back({CFG_VBR_BITRATE_RANGE, 64, 160});
  const EncodeRun run = encode(items);
  ASSERT_EQ(run.detect, RESULT_OK);
  ASSERT_EQ(run.last, RESULT_END_OF_INPUT);
  const fixtures::Bytes mp3 = fixtures::readFile(out);
  const auto frames = mp3check::frames(mp3);
  ASSERT_GT(frames.size(), 10u);
  EXPECT_EQ(frames.front().infoTag, "Xing");
  std::set<int> rates;
  for (std::size_t i = 1; i < frames.size(); ++i) {
    rates.insert(frames[i].bitrate);
  }
  EXPECT_GT(rates.size(), 1u);
  EXPECT_LE(*rates.rbegin(), 160);
  expectDuration(mp3, inputFrames(s), 44100, 44100);
}

// Energy of a high tone after encoding: the extended filter's band must take it out, the
// plain encode must keep it.
TEST(Gogo, ExtFilterCutsAboveItsBand) {
  fixtures::TempDir dir;
  const std::string in = dir / "in.wav";
  WavSpec s = wav(44100, 2, 16);
  s.frequency = 9000; // left 9 kHz, right 13.5 kHz
  fixtures::writeFile(in, fixtures::makeWav(s));
  auto rms = [&](std::vector<Item> extra, const std::string& name) {
    const std::string out = dir / name;
    auto items = fileItems(in, out);
    items.insert(items.end(), extra.begin(), extra.end());
    items.push_back({CFG_CHANNEL_MODE, MODE_STEREO});
    EXPECT_EQ(encode(items).last, RESULT_END_OF_INPUT);
    const auto d = mp3check::decode(fixtures::readFile(out));
    double sum = 0;
    for (short v : d.right) {
      sum += double(v) * v;
    }
    return std::sqrt(sum / double(std::max<std::size_t>(1, d.right.size())));
  };
  const double plain = rms({}, "plain.mp3");
  // Pass band to 40 % of 22.05 kHz (8.8 kHz), stop band from 50 % (11 kHz).
  const double filtered = rms({{CFG_EXT_FILTER, 40, 50}}, "filtered.mp3");
  EXPECT_GT(plain, 5000);
  EXPECT_LT(filtered, plain / 20);
}

TEST(Gogo, ReportsUnitsAndVersion) {
  std::uint32_t code = 0;
  char text[512];
  std::memset(text, 'x', sizeof text);
  ASSERT_EQ(MPGE_getVersion(&code, text), RESULT_OK);
  EXPECT_GE(code, 560u);
  EXPECT_LT(std::strlen(text), 512u);
  EXPECT_NE(std::strstr(text, "LAME 3."), nullptr) << text;
  std::uint32_t units = 0;
  ASSERT_EQ(MPGE_getUnitStates(&units), RESULT_OK);
#if defined(__x86_64__)
  EXPECT_EQ(units & (UNIT_MMX | UNIT_KNI), static_cast<std::uint32_t>(UNIT_MMX | UNIT_KNI));
#endif
}

} // namespace

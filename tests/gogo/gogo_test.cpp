// The encoder module driven through its C entry points as the program drives it, checking the
// streams it writes by walking their frame headers and decoding them with LAME's decoder.
#include "GogoRun.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <latch>
#include <sys/stat.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace gogotest;

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
  const WavIn wavIn(c.wav);
  auto items = wavIn.items({{CFG_BITRATE, static_cast<UPARAM>(c.bitrate)},
                            {CFG_CHANNEL_MODE, static_cast<UPARAM>(c.mode)}});
  if (c.forceRate != 0)
    items.push_back({CFG_FORCE_RATE, static_cast<UPARAM>(c.forceRate)});
  GOGO_INPUT_INFO info{};
  ASSERT_EQ(gogo_probeInput(wavIn.in.c_str(), &info), RESULT_OK);
  EXPECT_EQ(info.reason, GOGO_INPUT_OK);
  EXPECT_EQ(info.container, GOGO_CONTAINER_WAV);
  EXPECT_EQ(info.samples, c.wav.floatSamples ? GOGO_SAMPLES_FLOAT : GOGO_SAMPLES_INT);
  EXPECT_EQ(info.bits, c.wav.bits);
  EXPECT_EQ(info.rate, c.wav.sampleRate);
  EXPECT_EQ(info.channels, c.wav.channels);
  EXPECT_EQ(info.frames, inputFrames(c.wav));
  if (c.forceRate == 0) {
    EXPECT_EQ(info.encodeRate, c.expectRate);
  }
  const EncodeRun run = encode(items);
  ASSERT_EQ(run.detect, RESULT_OK);
  EXPECT_EQ(run.last, RESULT_END_OF_INPUT);
  EXPECT_EQ(run.close, RESULT_OK);
  EXPECT_EQ(run.frameCount, run.calls);

  const fixtures::Bytes mp3 = fixtures::readFile(wavIn.out);
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
        FormatCase{"rate22k_forced", wav(22050, 2, 16), MODE_JOINT, 128, 44100, 1, 44100, 1},
        // Between two MPEG rates the next one up, which keeps every frequency of the input.
        FormatCase{"rate9k_up", wav(9000, 1, 16), MODE_JOINT, 32, 0, 25, 11025, 3},
        FormatCase{"rate20k_up", wav(20000, 2, 16), MODE_JOINT, 64, 0, 2, 22050, 1},
        FormatCase{"rate30k_up", wav(30000, 2, 16), MODE_JOINT, 128, 0, 1, 32000, 1},
        FormatCase{"rate46k_up", wav(46000, 2, 16), MODE_JOINT, 128, 0, 1, 48000, 1},
        // Above 48 kHz LAME resamples to the MPEG rate that divides the input's, else 48 kHz.
        FormatCase{"rate88k_pcm24", wav(88200, 2, 24), MODE_JOINT, 128, 0, 1, 44100, 1},
        FormatCase{"rate96k_float", wav(96000, 2, 32, true), MODE_JOINT, 128, 0, 1, 48000, 1},
        FormatCase{"rate176k_pcm16", wav(176400, 2, 16), MODE_STEREO, 192, 0, 1, 44100, 0},
        FormatCase{"rate192k_pcm32", wav(192000, 2, 32), MODE_JOINT, 160, 0, 1, 48000, 1},
        FormatCase{"rate64k_other", wav(64000, 1, 16), MODE_JOINT, 64, 0, 1, 48000, 3},
        FormatCase{"rate96k_forced", wav(96000, 2, 24), MODE_JOINT, 128, 44100, 1, 44100, 1},
        FormatCase{"six_channels", wav(48000, 6, 16), MODE_JOINT, 128, 0, 1, 48000, 1}),
    [](const auto& p) { return std::string(p.param.name); });

// Every bit rate of the MPEG version of each sample rate is accepted: MPEG-1 from 32 kHz,
// MPEG-2 from 16 kHz, MPEG-2.5 below. Every frame carries the rate asked for, except that LAME
// writes MPEG-2.5 at 64 kbit/s at most (as the lame command does).
constexpr int kMpeg1Kbps[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr int kMpeg2Kbps[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

class GogoRateTable : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(GogoRateTable, EncodesEveryBitrateAtEverySampleRate) {
  const auto [rate, index] = GetParam();
  const int version = rate >= 32000 ? 1 : rate >= 16000 ? 2 : 25;
  const int kbps = (version == 1 ? kMpeg1Kbps : kMpeg2Kbps)[index];
  const WavIn wavIn({.sampleRate = rate, .seconds = 0.2});
  const EncodeRun run = encode(wavIn.items({{CFG_BITRATE, static_cast<UPARAM>(kbps)}}));
  ASSERT_EQ(run.detect, RESULT_OK);
  EXPECT_EQ(run.close, RESULT_OK);
  const auto frames = mp3check::frames(fixtures::readFile(wavIn.out));
  ASSERT_GT(frames.size(), 1u);
  const int written = version == 25 ? std::min(kbps, 64) : kbps;
  for (const auto& f : frames)
    EXPECT_TRUE(f.version == version && f.sampleRate == rate && f.bitrate == written)
        << f.version << " " << f.sampleRate << " " << f.bitrate;
}

INSTANTIATE_TEST_SUITE_P(Tables, GogoRateTable,
                         ::testing::Combine(::testing::Values(8000, 11025, 12000, 16000, 22050,
                                                              24000, 32000, 44100, 48000),
                                            ::testing::Range(0, 14)));

enum class In { Wav, NoFrames, MuLaw, Missing, Text, Folder, Fifo };
enum class Out { File, NoFolder, Folder, Fifo };

struct RefusalCase {
  const char* name;
  MERET expected;
  std::vector<Item> extra = {}; // after the input and output
  In input = In::Wav;
  Out output = Out::File;
  int rate = 22050, channels = 2;
  int inputReason = GOGO_INPUT_OK, outputReason = GOGO_OUTPUT_OK;
};

RefusalCase inputCase(const char* name, In input, int reason, int rate = 22050, int channels = 2) {
  const MERET expected =
      reason <= GOGO_INPUT_NOT_REGULAR ? RESULT_INPUT_NOT_FOUND : RESULT_FORMAT_ERROR;
  return {name, expected, {}, input, Out::File, rate, channels, reason};
}

RefusalCase outputCase(const char* name, Out output, int reason) {
  return {.name = name, .expected = RESULT_OUTPUT_ERROR, .output = output, .outputReason = reason};
}

class GogoRefusals : public ::testing::TestWithParam<RefusalCase> {};

// The refusal, the reason the probes give for it, and nothing created, changed or waited for
// (a FIFO with nobody at its other end would block a plain open for ever).
TEST_P(GogoRefusals, RefusesAndCreatesNothing) {
  const RefusalCase& c = GetParam();
  fixtures::TempDir dir;
  std::string in = dir / "in.wav", out = dir / "out.mp3";
  WavSpec spec = wav(c.rate, c.channels, c.input == In::MuLaw ? 8 : 16);
  if (c.input == In::NoFrames)
    spec.seconds = 0;
  fixtures::Bytes bytes = fixtures::makeWav(spec);
  if (c.input == In::MuLaw)
    bytes[20] = 7; // WAVE_FORMAT_MULAW: one byte per sample, as the 8-bit data already is
  if (c.input == In::Text)
    bytes = fixtures::Bytes(5000, 'x');
  if (c.input == In::Folder || c.output == Out::Folder)
    fs::create_directory(c.input == In::Folder ? in : out);
  if (c.input == In::Fifo || c.output == Out::Fifo) {
    ASSERT_EQ(::mkfifo((c.input == In::Fifo ? in : out).c_str(), 0600), 0);
  }
  if (c.input != In::Missing && c.input != In::Folder && c.input != In::Fifo)
    fixtures::writeFile(in, bytes);
  if (c.output == Out::NoFolder)
    out = dir / "no such folder" / "out.mp3";
  const fs::file_type outType = fs::status(out).type();

  GOGO_INPUT_INFO info{};
  ASSERT_EQ(gogo_probeInput(in.c_str(), &info), RESULT_OK);
  EXPECT_EQ(info.reason, c.inputReason);
  std::int32_t outReason = -1;
  ASSERT_EQ(gogo_probeOutput(out.c_str(), &outReason), RESULT_OK);
  EXPECT_EQ(outReason, c.outputReason);

  auto items = fileItems(in, out);
  items.insert(items.end(), c.extra.begin(), c.extra.end());
  const EncodeRun run = encode(items);
  EXPECT_EQ(run.detect, c.expected);
  EXPECT_EQ(fs::status(out).type(), outType);
  EXPECT_EQ(MPGE_processFrame(), RESULT_SEQUENCE_ERROR);
}

INSTANTIATE_TEST_SUITE_P(
    Configurations, GogoRefusals,
    ::testing::Values(
        inputCase("missing_input", In::Missing, GOGO_INPUT_NOT_FOUND),
        inputCase("input_folder", In::Folder, GOGO_INPUT_NOT_REGULAR),
        inputCase("input_fifo", In::Fifo, GOGO_INPUT_NOT_REGULAR),
        inputCase("not_audio", In::Text, GOGO_INPUT_NOT_AUDIO),
        inputCase("compressed_samples", In::MuLaw, GOGO_INPUT_ENCODING),
        inputCase("nine_channels", In::Wav, GOGO_INPUT_CHANNELS, 44100, 9),
        inputCase("rate_6k", In::Wav, GOGO_INPUT_RATE, 6000),
        // An empty data chunk used to give an MP3 holding nothing but its info frame.
        inputCase("no_audio_frames", In::NoFrames, GOGO_INPUT_NO_AUDIO),
        outputCase("uncreatable_output", Out::NoFolder, GOGO_OUTPUT_NO_FOLDER),
        outputCase("output_folder", Out::Folder, GOGO_OUTPUT_NOT_REGULAR),
        outputCase("output_fifo", Out::Fifo, GOGO_OUTPUT_NOT_REGULAR),
        RefusalCase{"bitrate_not_in_table", RESULT_BITRATE_ERROR, {{CFG_BITRATE, 100}}},
        // 22.05 kHz is MPEG-2, whose rates end at 160.
        RefusalCase{"bitrate_too_high_for_mpeg2", RESULT_BITRATE_ERROR, {{CFG_BITRATE, 320}}},
        RefusalCase{"riff_output", RESULT_UNSUPPORTED, {{CFG_OUTPUT_FORMAT, FORMAT_RIFF_WAVE}}},
        RefusalCase{"emphasis_2", RESULT_PARAM_ERROR, {{CFG_EMPHASIS, 2}}},
        RefusalCase{"vbr_level_10", RESULT_PARAM_ERROR, {{CFG_VBR_LEVEL, 10}}},
        RefusalCase{"channel_mode_5", RESULT_PARAM_ERROR, {{CFG_CHANNEL_MODE, 5}}},
        RefusalCase{"ext_filter_reversed", RESULT_PARAM_ERROR, {{CFG_EXT_FILTER, 70, 55}}},
        RefusalCase{"ms_setting_101", RESULT_PARAM_ERROR, {{CFG_MS_SETTING, 101, 0}}},
        RefusalCase{"force_rate_not_mpeg", RESULT_PARAM_ERROR, {{CFG_FORCE_RATE, 44000}}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Gogo, TwoEncodesInARowEachGetTheirOwnSettings) {
  const WavIn wavIn(wav(44100, 2, 16));
  const std::string b = wavIn.dir / "b.mp3";
  ASSERT_EQ(encode(wavIn.items({{CFG_BITRATE, 320}, {CFG_EMPHASIS, EMPH_CCITT}})).last,
            RESULT_END_OF_INPUT);
  // Nothing of the first configuration may leak into the second.
  ASSERT_EQ(encode(fileItems(wavIn.in, b)).last, RESULT_END_OF_INPUT);
  const auto fa = mp3check::frames(fixtures::readFile(wavIn.out));
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
    if (have == 0)
      return 1;
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

// Encodes of different inputs and settings, one of them through the MPGE_ functions, run at
// the same time on their own threads, write exactly the bytes they write one after the other.
TEST(GogoHandles, ConcurrentEncodesWriteWhatTheyWriteAlone) {
  fixtures::TempDir dir;
  struct Job {
    WavSpec wav;
    std::vector<Item> settings;
    std::string in = {}, alone = {}, together = {};
  };
  std::vector<Job> jobs = {
      {wav(44100, 2, 16), {{CFG_BITRATE, 128}}},
      {wav(96000, 6, 24), {{CFG_BITRATE, 192}, {CFG_CHANNEL_MODE, MODE_STEREO}}},
      {wav(22050, 1, 16), {{CFG_VBR_LEVEL, 4}}},
      {wav(88200, 2, 32, true), {{CFG_BITRATE, 256}, {CFG_PSYCHOACOUSTICS, 1}}},
  };
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    Job& j = jobs[i];
    j.wav.seconds = 3;
    j.in = dir / ("in" + std::to_string(i) + ".wav");
    j.alone = dir / ("alone" + std::to_string(i) + ".mp3");
    j.together = dir / ("together" + std::to_string(i) + ".mp3");
    fixtures::writeFile(j.in, fixtures::makeWav(j.wav));
  }
  std::vector<GOGO_HANDLE*> handles(jobs.size(), nullptr);
  for (std::size_t i = 1; i < jobs.size(); ++i) {
    handles[i] = gogo_create();
    ASSERT_NE(handles[i], nullptr);
  }
  const auto run = [&](std::size_t i, const std::string& out) {
    auto items = fileItems(jobs[i].in, out);
    items.insert(items.end(), jobs[i].settings.begin(), jobs[i].settings.end());
    return encode(items, Coder{handles[i]});
  };
  for (std::size_t i = 0; i < jobs.size(); ++i)
    ASSERT_EQ(run(i, jobs[i].alone).close, RESULT_OK);
  std::vector<EncodeRun> results(jobs.size());
  std::latch start(static_cast<std::ptrdiff_t>(jobs.size()));
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    threads.emplace_back([&, i] {
      start.arrive_and_wait();
      results[i] = run(i, jobs[i].together);
    });
  }
  for (auto& t : threads)
    t.join();
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    EXPECT_EQ(results[i].last, RESULT_END_OF_INPUT) << i;
    EXPECT_EQ(results[i].close, RESULT_OK) << i;
    EXPECT_TRUE(fixtures::readFile(jobs[i].alone) == fixtures::readFile(jobs[i].together)) << i;
    gogo_destroy(handles[i]);
  }
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

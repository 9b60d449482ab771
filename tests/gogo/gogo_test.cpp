// The encoder module driven through its C entry points as the program drives it, checking the
// streams it writes by walking their frame headers and decoding them with LAME's decoder.
#include "AudioFixtures.h"
#include "Mp3Check.h"
#include "gogo.h"
#include "gogo_ex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>
#include <dlfcn.h>
#include <functional>
#include <latch>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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
  MERET close = -1;
};

UPARAM addressOf(const std::string& s) {
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

// initializeWork, the items, detectConfigure, then frames until a non-zero result (or
// `stopAfter` of them), then the closing calls, as the encoder component does.
EncodeRun encode(const std::vector<Item>& items, Coder coder = {}, int stopAfter = 1000000) {
  EncodeRun run;
  EXPECT_EQ(coder.initializeWork(), RESULT_OK);
  for (const Item& i : items) {
    coder.set(i);
  }
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
  GOGO_INPUT_INFO info{};
  ASSERT_EQ(gogo_probeInput(in.c_str(), &info), RESULT_OK);
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
  fixtures::TempDir dir;
  const std::string in = dir / "in.wav", out = dir / "out.mp3";
  WavSpec s = wav(rate, 2, 16);
  s.seconds = 0.2;
  fixtures::writeFile(in, fixtures::makeWav(s));
  auto items = fileItems(in, out);
  items.push_back({CFG_BITRATE, static_cast<UPARAM>(kbps)});
  const EncodeRun run = encode(items);
  ASSERT_EQ(run.detect, RESULT_OK);
  EXPECT_EQ(run.close, RESULT_OK);
  const auto frames = mp3check::frames(fixtures::readFile(out));
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
  switch (c.input) {
  case In::NoFrames:
    spec.seconds = 0;
    [[fallthrough]];
  case In::Wav:
    fixtures::writeFile(in, fixtures::makeWav(spec));
    break;
  case In::MuLaw: {
    fixtures::Bytes bytes = fixtures::makeWav(spec);
    bytes[20] = 7; // WAVE_FORMAT_MULAW: one byte per sample, as the 8-bit data already is
    fixtures::writeFile(in, bytes);
    break;
  }
  case In::Text:
    fixtures::writeFile(in, fixtures::Bytes(5000, 'x'));
    break;
  case In::Folder:
    fs::create_directory(in);
    break;
  case In::Fifo:
    ASSERT_EQ(::mkfifo(in.c_str(), 0600), 0);
    break;
  case In::Missing:
    break;
  }
  switch (c.output) {
  case Out::NoFolder:
    out = dir / "no such folder" / "out.mp3";
    break;
  case Out::Folder:
    fs::create_directory(out);
    break;
  case Out::Fifo:
    ASSERT_EQ(::mkfifo(out.c_str(), 0600), 0);
    break;
  case Out::File:
    break;
  }
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

// Runs `body` in a child process whose files cannot grow beyond `limit` bytes: a write past
// it fails with EFBIG (SIGXFSZ ignored), as on a full disk, without touching a real one.
EncodeRun withFileSizeLimit(rlim_t limit, const std::function<EncodeRun()>& body) {
  int fds[2];
  if (::pipe(fds) != 0) {
    ADD_FAILURE() << "pipe";
    return {};
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    const rlimit rl{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &rl);
    std::signal(SIGXFSZ, SIG_IGN);
    const EncodeRun run = body();
    const bool sent = ::write(fds[1], &run, sizeof run) == static_cast<ssize_t>(sizeof run);
    ::_exit(sent ? 0 : 1);
  }
  ::close(fds[1]);
  EncodeRun run;
  const bool got = ::read(fds[0], &run, sizeof run) == static_cast<ssize_t>(sizeof run);
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(got && WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  return run;
}

// The file whose fsync or close fails, and with which error (0: none), as on a network share
// or a disk whose write-back fails only once the data has left the process.
std::string failingFile;
int syncFailure = 0, closeFailure = 0;

bool Failing(int fd, int failure) {
  char path[4096];
  const ssize_t n =
      failure == 0 ? -1
                   : ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
  return n > 0 && std::string(path, static_cast<std::size_t>(n)) == failingFile;
}

} // namespace

extern "C" int fsync(int fd) {
  static const auto real = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
  if (!Failing(fd, syncFailure))
    return real(fd);
  errno = syncFailure;
  return -1;
}

extern "C" int close(int fd) {
  static const auto real = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "close"));
  const bool fail = Failing(fd, closeFailure);
  const int result = real(fd);
  errno = fail ? closeFailure : errno;
  return fail ? -1 : result;
}

namespace {

// A write that fails, in a frame, in the close's final flush, or as the fsync or the close of
// the file reports it, is the result of that call and of the close: the caller must never take
// the MP3 for complete.
TEST(Gogo, AWriteFailureIsReportedNotSwallowed) {
  fixtures::TempDir dir;
  const std::string in = dir / "in.wav", out = dir / "out.mp3";
  fixtures::writeFile(in, fixtures::makeWav(wav(44100, 2, 16)));

  const EncodeRun inFrames = withFileSizeLimit(8192, [&] { return encode(fileItems(in, out)); });
  ASSERT_EQ(inFrames.detect, RESULT_OK);
  EXPECT_EQ(inFrames.last, RESULT_WRITE_ERROR);
  EXPECT_LT(inFrames.calls, inFrames.frameCount);
  EXPECT_EQ(inFrames.close, RESULT_WRITE_ERROR);

  // Closed after 20 frames, one byte short of room: the frames' writes fit, the flush's last
  // byte does not.
  const int frames = 20;
  ASSERT_EQ(encode(fileItems(in, out), {}, frames).close, RESULT_OK);
  const auto room = static_cast<rlim_t>(fs::file_size(out)) - 1;
  const EncodeRun inClose =
      withFileSizeLimit(room, [&] { return encode(fileItems(in, out), {}, frames); });
  EXPECT_EQ(inClose.last, RESULT_OK);
  EXPECT_EQ(inClose.close, RESULT_WRITE_ERROR);

  failingFile = fs::canonical(dir.path()) / "out.mp3";
  for (int* failure : {&syncFailure, &closeFailure}) {
    *failure = EIO;
    const EncodeRun run = encode(fileItems(in, out));
    *failure = 0;
    EXPECT_EQ(run.last, RESULT_END_OF_INPUT);
    EXPECT_EQ(run.close, RESULT_WRITE_ERROR);
  }
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

// Amplitude of the sine in each decoded channel, from its RMS away from the stream's ends.
std::pair<double, double> amplitudes(const fixtures::Bytes& mp3) {
  const mp3check::Decoded d = mp3check::decode(mp3);
  const auto amplitude = [](const std::vector<short>& v) {
    double sum = 0;
    const std::size_t from = 4000, to = v.size() > 8000 ? v.size() - 4000 : from;
    for (std::size_t i = from; i < to; ++i) {
      sum += double(v[i]) * v[i];
    }
    return std::sqrt(2 * sum / double(std::max<std::size_t>(1, to - from))) / 32768;
  };
  return {amplitude(d.left), amplitude(d.right)};
}

struct DownmixCase {
  const char* name;
  int channels;
  std::uint32_t mask; // 0: none, the usual order
  std::vector<double> gains;
  double left, right; // expected amplitudes
};

class GogoDownmix : public ::testing::TestWithParam<DownmixCase> {};

TEST_P(GogoDownmix, MixesToStereoWithoutClipping) {
  const DownmixCase& c = GetParam();
  fixtures::TempDir dir;
  const std::string in = dir / "in.wav", out = dir / "out.mp3";
  WavSpec s = wav(44100, c.channels, 24);
  s.seconds = 1;
  s.frequency = 1000;
  s.channelGains = c.gains;
  s.channelMask = c.mask;
  fixtures::writeFile(in, fixtures::makeWav(s));
  auto items = fileItems(in, out);
  items.push_back({CFG_CHANNEL_MODE, MODE_STEREO});
  items.push_back({CFG_BITRATE, 256});
  ASSERT_EQ(encode(items).last, RESULT_END_OF_INPUT);
  const fixtures::Bytes mp3 = fixtures::readFile(out);
  EXPECT_EQ(mp3check::frames(mp3).back().channelMode, 0);
  const auto [left, right] = amplitudes(mp3);
  EXPECT_NEAR(left, c.left, 0.01 + 0.03 * c.left);
  EXPECT_NEAR(right, c.right, 0.01 + 0.03 * c.right);
}

// 0.5 of full scale through the BS.775 gains, over the sum of one side's gains:
// 5.1 1 + 0.7071 + 0.7071, quad 1 + 0.7071, 7.1 1 + 3 * 0.7071.
constexpr double kOf51 = 0.5 * 0.70711 / 2.41421, kOfQuad = 0.5 * 0.70711 / 1.70711;
INSTANTIATE_TEST_SUITE_P(
    Layouts, GogoDownmix,
    ::testing::Values(DownmixCase{"centre_of_5_1", 6, 0, {0, 0, 1, 0, 0, 0}, kOf51, kOf51},
                      DownmixCase{"lfe_of_5_1", 6, 0, {0, 0, 0, 1, 0, 0}, 0, 0},
                      DownmixCase{"left_surround_of_5_1", 6, 0, {0, 0, 0, 0, 1, 0}, kOf51, 0},
                      DownmixCase{"fourth_of_quad", 4, 0, {0, 0, 0, 1}, 0, kOfQuad},
                      // The mask makes the fourth channel the LFE (front left, right, centre, LFE).
                      DownmixCase{"fourth_is_lfe_by_mask", 4, 0x0F, {0, 0, 0, 1}, 0, 0},
                      // Every channel at 0.9 of full scale in phase: the sum stays at 0.9, not 2.8.
                      DownmixCase{"all_of_7_1", 8, 0, std::vector<double>(8, 1.8), 0.9, 0.9}),
    [](const auto& p) { return std::string(p.param.name); });

// A float WAV that goes beyond full scale (2.0 here, as DAWs write them) is brought down by
// one gain to -1 dBFS, and its MP3 decodes without a clipped sample; one within full scale
// keeps its level.
TEST(Gogo, FloatBeyondFullScaleIsScaledNotClipped) {
  for (const double amplitude : {2.0, 0.5}) {
    SCOPED_TRACE(amplitude);
    fixtures::TempDir dir;
    const std::string in = dir / "in.wav", out = dir / "out.mp3";
    WavSpec s = wav(44100, 2, 32, true);
    s.frequency = 1000;
    s.amplitude = amplitude;
    fixtures::writeFile(in, fixtures::makeWav(s));
    ASSERT_EQ(encode(fileItems(in, out)).last, RESULT_END_OF_INPUT);
    const fixtures::Bytes mp3 = fixtures::readFile(out);
    const mp3check::Decoded d = mp3check::decode(mp3);
    for (const auto* channel : {&d.left, &d.right}) {
      const auto [low, high] = std::minmax_element(channel->begin(), channel->end());
      EXPECT_TRUE(*low > -32768 && *high < 32767) << *low << " " << *high;
    }
    const double level = amplitude > 1 ? 0.891 : amplitude;
    EXPECT_NEAR(amplitudes(mp3).first, level, 0.08 * level);
  }
}

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
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    ASSERT_EQ(run(i, jobs[i].alone).close, RESULT_OK);
  }
  std::vector<EncodeRun> results(jobs.size());
  std::latch start(static_cast<std::ptrdiff_t>(jobs.size()));
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    threads.emplace_back([&, i] {
      start.arrive_and_wait();
      results[i] = run(i, jobs[i].together);
    });
  }
  for (auto& t : threads) {
    t.join();
  }
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

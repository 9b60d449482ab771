// What the encoder module does to the sound: VBR within its range, the extended filter, the
// downmix of more than two channels, float input beyond full scale.
#include "GogoRun.h"

#include <algorithm>
#include <set>
#include <utility>

namespace {

using namespace gogotest;

TEST(Gogo, VbrVariesTheRateWithinTheAskedRange) {
  const WavSpec s{.seconds = 4};
  const WavIn wavIn(s);
  const EncodeRun run = encode(wavIn.items({{CFG_BITRATE, 100}, // not a rate, but VBR ignores it
                                            {CFG_VBR_LEVEL, 2},
                                            {CFG_VBR_BITRATE_RANGE, 64, 160}}));
  ASSERT_EQ(run.detect, RESULT_OK);
  ASSERT_EQ(run.last, RESULT_END_OF_INPUT);
  const fixtures::Bytes mp3 = fixtures::readFile(wavIn.out);
  const auto frames = mp3check::frames(mp3);
  ASSERT_GT(frames.size(), 10u);
  EXPECT_EQ(frames.front().infoTag, "Xing");
  std::set<int> rates;
  for (std::size_t i = 1; i < frames.size(); ++i)
    rates.insert(frames[i].bitrate);
  EXPECT_GT(rates.size(), 1u);
  EXPECT_LE(*rates.rbegin(), 160);
  expectDuration(mp3, inputFrames(s), 44100, 44100);
}

// Energy of a high tone after encoding: the extended filter's band must take it out, the
// plain encode must keep it.
TEST(Gogo, ExtFilterCutsAboveItsBand) {
  const WavIn wavIn({.seconds = 1.3, .frequency = 9000}); // left 9 kHz, right 13.5 kHz
  auto rms = [&](std::vector<Item> extra) {
    extra.push_back({CFG_CHANNEL_MODE, MODE_STEREO});
    EXPECT_EQ(encode(wavIn.items(extra)).last, RESULT_END_OF_INPUT);
    const auto d = mp3check::decode(fixtures::readFile(wavIn.out));
    double sum = 0;
    for (short v : d.right)
      sum += double(v) * v;
    return std::sqrt(sum / double(std::max<std::size_t>(1, d.right.size())));
  };
  const double plain = rms({});
  // Pass band to 40 % of 22.05 kHz (8.8 kHz), stop band from 50 % (11 kHz).
  const double filtered = rms({{CFG_EXT_FILTER, 40, 50}});
  EXPECT_GT(plain, 5000);
  EXPECT_LT(filtered, plain / 20);
}

// Amplitude of the sine in each decoded channel, from its RMS away from the stream's ends.
std::pair<double, double> amplitudes(const fixtures::Bytes& mp3) {
  const mp3check::Decoded d = mp3check::decode(mp3);
  const auto amplitude = [](const std::vector<short>& v) {
    double sum = 0;
    const std::size_t from = 4000, to = v.size() > 8000 ? v.size() - 4000 : from;
    for (std::size_t i = from; i < to; ++i)
      sum += double(v[i]) * v[i];
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
  const WavIn wavIn({.channels = c.channels,
                     .bits = 24,
                     .frequency = 1000,
                     .channelGains = c.gains,
                     .channelMask = c.mask});
  ASSERT_EQ(encode(wavIn.items({{CFG_CHANNEL_MODE, MODE_STEREO}, {CFG_BITRATE, 256}})).last,
            RESULT_END_OF_INPUT);
  const fixtures::Bytes mp3 = fixtures::readFile(wavIn.out);
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
    const WavIn wavIn({.bits = 32,
                       .floatSamples = true,
                       .seconds = 1.3,
                       .frequency = 1000,
                       .amplitude = amplitude});
    ASSERT_EQ(encode(wavIn.items()).last, RESULT_END_OF_INPUT);
    const fixtures::Bytes mp3 = fixtures::readFile(wavIn.out);
    const mp3check::Decoded d = mp3check::decode(mp3);
    for (const auto* channel : {&d.left, &d.right}) {
      const auto [low, high] = std::minmax_element(channel->begin(), channel->end());
      EXPECT_TRUE(*low > -32768 && *high < 32767) << *low << " " << *high;
    }
    const double level = amplitude > 1 ? 0.891 : amplitude;
    EXPECT_NEAR(amplitudes(mp3).first, level, 0.08 * level);
  }
}

} // namespace

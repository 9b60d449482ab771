// Parts of one recording encoded range after range join without a gap or an overlap.
#include "FfmpegDecode.h"
#include "GogoRun.h"

#include <array>

namespace {

using namespace gogotest;

// Signal to error, in dB, of `decoded` against `reference` moved by `lag` sample frames.
double snr(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& decoded,
           long lag) {
  double signal = 0, error = 0;
  for (long i = 4410; i + 4410 < static_cast<long>(reference.size()); ++i) {
    const double r = reference[static_cast<std::size_t>(i)];
    signal += r * r;
    error += std::pow(r - decoded[static_cast<std::size_t>(i + 2 * lag)], 2);
  }
  return 10 * std::log10(signal / error);
}

TEST(Gogo, RangesOfAnImageDecodeBackToItsSamplesInPlace) {
  const WavIn wavIn({.seconds = 9});
  const fixtures::Bytes wav = fixtures::readFile(wavIn.in);
  std::vector<std::int16_t> reference((wav.size() - 44) / 2);
  std::memcpy(reference.data(), wav.data() + 44, wav.size() - 44);
  const long total = static_cast<long>(reference.size() / 2);
  // Track starts at CD frames (588 sample frames), none at a multiple of an MPEG frame.
  const std::array<long, 4> bounds{0, 588 * 97, 588 * 401, total};
  std::vector<std::int16_t> joined;
  for (std::size_t t = 0; t + 1 < bounds.size(); ++t) {
    GOGO_HANDLE* h = gogo_create();
    const std::string out = wavIn.dir / ("track" + std::to_string(t) + ".mp3");
    std::vector<Item> items = fileItems(wavIn.in, out);
    items.push_back({CFG_BITRATE, 320});
    EXPECT_EQ(encode(items, {h}, 1000000,
                     [&] { gogo_setSampleRange(h, bounds[t], bounds[t + 1] - bounds[t]); })
                  .close,
              RESULT_OK);
    gogo_destroy(h);
    const std::vector<std::int16_t> track = ffmpeg_decode::samples(out);
    EXPECT_EQ(static_cast<long>(track.size() / 2), bounds[t + 1] - bounds[t]) << "track " << t;
    joined.insert(joined.end(), track.begin(), track.end());
  }
  ASSERT_EQ(joined.size(), reference.size());
  // In place: the join matches the image far better than the join one sample away does.
  EXPECT_GT(snr(reference, joined, 0), 40);
  EXPECT_GT(snr(reference, joined, 0), snr(reference, joined, 1) + 15);
  EXPECT_GT(snr(reference, joined, 0), snr(reference, joined, -1) + 15);

  // A range past the file's end is refused.
  GOGO_HANDLE* h = gogo_create();
  EXPECT_EQ(encode(wavIn.items(), {h}, 1, [&] { gogo_setSampleRange(h, total - 10, 11); }).detect,
            RESULT_PARAM_ERROR);
  gogo_destroy(h);
}

} // namespace

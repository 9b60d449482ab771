// Parts of one recording encoded range after range join without a gap or an overlap.
#include "GogoRun.h"
#include "TagTools.h"

#include <array>
#include <cstring>

namespace {

using namespace gogotest;

// Signal to error, in dB, of `decoded` against `reference` (24 dB at best one sample away).
double snr(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& decoded) {
  double signal = 0, error = 0;
  for (std::size_t i = 0; i < reference.size(); ++i) {
    signal += double(reference[i]) * reference[i];
    error += std::pow(reference[i] - decoded[i], 2);
  }
  return 10 * std::log10(signal / error);
}

TEST(Gogo, RangesOfAnImageDecodeBackToItsSamplesInPlace) {
  const WavIn wavIn({.seconds = 9});
  const fixtures::Bytes wav = fixtures::readFile(wavIn.in);
  std::vector<std::int16_t> reference((wav.size() - 44) / 2);
  std::memcpy(reference.data(), wav.data() + 44, wav.size() - 44);
  // Track starts at CD frames (588 sample frames), none at a multiple of an MPEG frame.
  const std::array<long, 4> bounds{0, 588 * 97, 588 * 401, static_cast<long>(reference.size() / 2)};
  std::vector<std::int16_t> joined;
  for (std::size_t t = 0; t + 1 < bounds.size(); ++t) {
    const std::string out = wavIn.dir / ("track" + std::to_string(t) + ".mp3");
    std::vector<Item> items = fileItems(wavIn.in, out);
    items.push_back({CFG_BITRATE, 320});
    EXPECT_EQ(encode(items, {}, 1000000,
                     [&] {
                       gogo_setSampleRange(gogo_defaultHandle(), bounds[t],
                                           bounds[t + 1] - bounds[t]);
                     })
                  .close,
              RESULT_OK);
    const std::vector<std::int16_t> track = tag_tools::decoded(out);
    EXPECT_EQ(static_cast<long>(track.size() / 2), bounds[t + 1] - bounds[t]) << "track " << t;
    joined.insert(joined.end(), track.begin(), track.end());
  }
  ASSERT_EQ(joined.size(), reference.size());
  EXPECT_GT(snr(reference, joined), 40) << "each track in its place";
}

} // namespace

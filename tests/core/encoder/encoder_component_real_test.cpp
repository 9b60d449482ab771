// One encode through the component with the real encoder module built beside the program.
#include "AudioFixtures.h"
#include "FakeGogoClient.h"

#include "core/encoder/EncoderBinding.h"
#include "core/encoder/EncoderComponent.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(EncoderComponentWithLibgogo, EncodesAWavWithProgressAndFinish) {
  fixtures::TempDir dir;
  fixtures::writeFile(dir / "tone.wav", fixtures::makeWav({.seconds = 0.5}));

  std::vector<std::pair<int, int>> progress;
  int finishes = 0;
  bool aborted = true;
  {
    EncoderComponent tea(nullptr);
    EXPECT_TRUE(tea.DLLPath().isEmpty()); // found by its plain name
    EXPECT_GE(tea.VersionCode(), 560u);
    tea.setFrequency(1);
    tea.setUseLPF(true);
    tea.OnProgress = [&](QObject*, int now, int all) { progress.emplace_back(now, all); };
    tea.OnFinish = [&](QObject*, bool a) {
      aborted = a;
      ++finishes;
    };
    tea.setSourceFile(QString::fromStdString((dir / "tone.wav").string()));
    tea.setDestinationFile(QString::fromStdString((dir / "tone.mp3").string()));
    tea.StartEncode();
    ASSERT_TRUE(fake::waitFor([&] { return finishes > 0; }));
    EXPECT_FALSE(aborted);

    const int n = tea.AllFrames();
    ASSERT_GT(n, 0);
    ASSERT_EQ(progress.size(), static_cast<std::size_t>(n) + 1);
    for (int i = 0; i <= n; ++i)
      EXPECT_EQ(progress[static_cast<std::size_t>(i)], std::make_pair(i, n));
  }
  ReleaseEncoderLibrary();
  ASSERT_TRUE(std::filesystem::exists(dir / "tone.mp3"));
  EXPECT_GT(std::filesystem::file_size(dir / "tone.mp3"), 1000u);
}

} // namespace

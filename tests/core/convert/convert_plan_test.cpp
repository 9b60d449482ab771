// Where an MP3 goes and why a conversion is refused; the check of an MP3 against its WAV.
#include "AudioFixtures.h"
#include "QtPath.h"
#include "core/convert/ConvertPlan.h"
#include "core/convert/Mp3Verification.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using fixtures::TempDir;
using Refusal = ConvertPlan::Refusal;

struct PlanCase {
  const char* label;
  const char* source; // under the test folder
  bool toFolder;
  const char* folder; // under the test folder; "" for none
  bool overwrite;
  const char* destination; // under the test folder
  Refusal refusal;
};

class ConvertPlanMake : public ::testing::TestWithParam<PlanCase> {};

// The folder holds song.WAV, noext, tune.mp3, a.b/c.wav, taken.wav with taken.mp3 beside it,
// and out/ holding song.mp3.
TEST_P(ConvertPlanMake, PicksTheDestinationAndTheFirstRefusal) {
  TempDir dir;
  fs::create_directories(dir / "out");
  fs::create_directories(dir / "a.b");
  for (const char* name :
       {"song.WAV", "noext", "tune.mp3", "a.b/c.wav", "taken.wav", "taken.mp3", "out/song.mp3"})
    fixtures::writeFile(dir / name, {1, 2, 3});
  const PlanCase& c = GetParam();
  const std::string folder = c.folder;
  const ConvertPlan plan =
      ConvertPlan::Make(Q(dir / c.source), c.toFolder,
                        folder.empty() ? QString() : Q(dir.path()) + "/" + c.folder, c.overwrite);
  EXPECT_EQ(plan.destination, Q(dir / c.destination));
  EXPECT_EQ(plan.refusal, c.refusal);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvertPlanMake,
    ::testing::Values(
        PlanCase{"UpperCaseExtension", "song.WAV", false, "", false, "song.mp3", Refusal::None},
        PlanCase{"OutputFolder", "song.WAV", true, "out", true, "out/song.mp3", Refusal::None},
        PlanCase{"OutputFolderWithSeparator", "taken.wav", true, "out/", false, "out/taken.mp3",
                 Refusal::None},
        PlanCase{"OutputFolderMissing", "taken.wav", true, "gone", true, "gone/taken.mp3",
                 Refusal::NoOutputFolder},
        PlanCase{"OutputFolderIsAFile", "taken.wav", true, "tune.mp3", true, "tune.mp3/taken.mp3",
                 Refusal::NoOutputFolder},
        PlanCase{"OutputFolderEmpty", "taken.wav", true, "", true, "taken.mp3",
                 Refusal::NoOutputFolder},
        PlanCase{"OutputFolderOff", "song.WAV", false, "out", false, "song.mp3", Refusal::None},
        PlanCase{"Mp3InOutputFolder", "song.WAV", true, "out", false, "out/song.mp3",
                 Refusal::Mp3Exists},
        PlanCase{"Mp3Beside", "taken.wav", false, "", false, "taken.mp3", Refusal::Mp3Exists},
        PlanCase{"MissingBeforeExtension", "gone.txt", false, "", false, "gone.mp3",
                 Refusal::MissingSource},
        PlanCase{"FolderIsNoFile", "out", false, "", false, "out.mp3", Refusal::MissingSource},
        PlanCase{"NotWav", "tune.mp3", false, "", true, "tune.mp3", Refusal::NotWav},
        PlanCase{"NoExtension", "noext", false, "", false, "noext.mp3", Refusal::NotWav},
        PlanCase{"DotInFolderOnly", "a.b/c.wav", false, "", false, "a.b/c.mp3", Refusal::None}),
    [](const auto& p) { return std::string(p.param.label); });

// The root as output folder is a folder like any other; a folder given with a doubled
// separator is still that folder.
TEST(ConvertPlanRoot, RootOutputFolderKeepsItsSeparator) {
  TempDir dir;
  fixtures::writeFile(dir / "song.wav", {1, 2, 3});
  const QString source = Q(dir / "song.wav");
  EXPECT_EQ(ConvertPlan::Make(source, true, QStringLiteral("/"), true).destination,
            QStringLiteral("/song.mp3"));
  EXPECT_EQ(ConvertPlan::Make(source, true, Q(dir.path()) + "//", true).destination,
            Q(dir / "song.mp3"));
}

// The MP3 must be there, be MPEG audio and hold all of the WAV's audio.
TEST(Mp3VerificationCheck, AcceptsOnlyAWholeMp3) {
  TempDir dir;
  const fixtures::Bytes wavBytes = fixtures::makeWav({.seconds = 2.0});
  fixtures::writeFile(dir / "a.wav", wavBytes);
  const fixtures::Bytes mp3 = fixtures::makeMp3(2.0);
  fixtures::writeFile(dir / "whole.mp3", mp3);
  fixtures::writeFile(dir / "half.mp3", fixtures::Bytes(mp3.begin(), mp3.begin() + mp3.size() / 2));
  // A dozen frames short; only the last two or three hold nothing but the encoder's padding.
  fixtures::writeFile(dir / "endCut.mp3", fixtures::Bytes(mp3.begin(), mp3.end() - 5000));
  fixtures::writeFile(dir / "short.mp3", fixtures::makeMp3(1.9));
  fixtures::writeFile(dir / "wav.mp3", wavBytes);

  const QString wav = Q(dir / "a.wav");
  EXPECT_TRUE(Mp3Verification::MatchesWav(wav, Q(dir / "whole.mp3")));
  for (const char* name : {"half.mp3", "endCut.mp3", "short.mp3", "wav.mp3", "none.mp3"})
    EXPECT_FALSE(Mp3Verification::MatchesWav(wav, Q(dir / name))) << name;
  EXPECT_FALSE(Mp3Verification::MatchesWav(Q(dir / "whole.mp3"), Q(dir / "whole.mp3")));
}

} // namespace

// Conversions in a folder of a FUSE mount (bindfs), which refuses a rename that must not replace
// and keeps a file removed while open as ".fuse_hidden…", as network shares do: an MP3 that is
// there is still never replaced unless asked, the WAV still goes to the trash, and nothing is
// left behind.
#include "AudioFixtures.h"
#include "FakeSessionView.h"
#include "FinishOpen.h"
#include "FuseMount.h"

#include "core/convert/ConvertPlan.h"
#include "core/convert/Converter.h"
#include "core/convert/EncodeTarget.h"
#include "core/convert/Mp3Verification.h"
#include "core/encoder/EncoderComponent.h"
#include "core/fs/FsPath.h"
#include "core/fs/Trash.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/session/TagEditor.h"
#include "core/settings/Options.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <filesystem>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;
using Placement = EncodeTarget::Placement;

QString Q(const fs::path& p) {
  return FsPath::Decode(QByteArray::fromStdString(p.string()));
}

// Every name in `folder`, hidden ones included.
std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder))
    names.insert(e.path().filename().string());
  return names;
}

class FuseConvert : public ::testing::TestWithParam<Placement> {};

// Whole conversions there, with the tag copied and the WAV given up, the MP3 placed by a link
// (bindfs takes links) or by claiming its name (the way where links are refused too): the WAV
// goes to the mount's own trash, an MP3 that appears during the encode is not replaced until
// overwriting is on, and nothing is left behind.
TEST_P(FuseConvert, ConvertsTrashesAndRefusesAnMp3ThatAppeared) {
  fixtures::FuseMount mount;
  ASSERT_TRUE(mount.Failure().empty()) << mount.Failure();
  fixtures::TempDir home;
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString((home / "share").string()));
  const fs::path folder = mount.Mounted() / "\x89\xB9\x8A\x79"; // "音楽" in CP932
  fs::create_directory(folder);
  if (GetParam() == Placement::ClaimedName)
    EncodeTarget::SetPlacementIn(Q(folder), GetParam());
  for (const char* name : {"a", "b"})
    fixtures::writeFile(
        folder / (std::string(name) + ".wav"),
        fixtures::makeWavWithChunks({.seconds = 0.5}, {fixtures::makeInfoList({{"INAM", name}})}));

  FakeSessionView view;
  Session session{view, view};
  Options& options = session.options();
  options.copyWavTagToMp3 = true;
  options.moveWavToTrash = true;
  const auto convert = [&](const char* wav) {
    session.navigator().ShowList({Q(folder / wav)}, 0);
    FinishOpen(session.navigator());
    session.ConvertShown();
    FinishConversion(session);
  };
  convert("a.wav");
  EXPECT_EQ(EncodeTarget::PlacementIn(Q(folder)), GetParam());
  EXPECT_TRUE(
      fs::exists(mount.Mounted() / (".Trash-" + std::to_string(::getuid())) / "files" / "a.wav"));

  EncoderComponent& encoder = session.encoder();
  encoder.OnProgress = [&, progress = encoder.OnProgress](QObject* s, int now, int all) {
    progress(s, now, all);
    if (!fs::exists(folder / "b.mp3"))
      fixtures::writeFile(folder / "b.mp3", {'o', 'l', 'd'});
  };
  convert("b.wav");
  EXPECT_TRUE(view.Reported(ConvertPlan::RefusalText(ConvertPlan::Refusal::Mp3Exists)));
  EXPECT_EQ(fixtures::readFile(folder / "b.mp3"), fixtures::Bytes({'o', 'l', 'd'}));
  EXPECT_EQ(Names(folder), (std::set<std::string>{"a.mp3", "b.mp3", "b.wav"}));

  options.overwriteMp3 = true;
  convert("b.wav");
  for (const char* mp3 : {"a.mp3", "b.mp3"})
    EXPECT_NEAR(Mp3Verification::PlayingMs(Q(folder / mp3), 1), 500, Mp3Verification::kToleranceMs)
        << mp3;
  EXPECT_EQ(Names(folder), (std::set<std::string>{"a.mp3", "b.mp3"}));
  EXPECT_TRUE(mount.HiddenLeftovers().empty());
}

INSTANTIATE_TEST_SUITE_P(Ways, FuseConvert,
                         ::testing::Values(Placement::Link, Placement::ClaimedName));

} // namespace

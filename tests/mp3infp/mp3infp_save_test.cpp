// A save never loses the file: it refuses what it must not write, and a failure leaves the
// file as it was.
#include "FuseMount.h"
#include "Mp3infpTestFiles.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

namespace {

using namespace mp3infp_test;

TEST(Mp3infpSave, RefusesOtherPathsAndLeavesTheFileIntactWhenWritingFails) {
  TempDir dir;
  const fs::path path = dir / "a.wav";
  const Bytes wav = wavWithInfo({{"INAM", "old"}});
  writeFile(path, wav);
  writeFile(dir / "b.wav", wav);
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_SetValue("INAM", "new"), 0u);
  EXPECT_NE(mp3infp_Save((dir / "b.wav").c_str()), 0u);
  EXPECT_NE(mp3infp_mp3_MakeRMP(path.c_str()), 0u); // not an MP3 file

  // A file-size limit below the new file's size stands for a full disk (root ignores
  // permissions, but not this).
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 1000;
  ::setrlimit(RLIMIT_FSIZE, &small);
  const uint32_t result = mp3infp_Save(path.c_str());
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_NE(result, 0u);
  EXPECT_EQ(readFile(path), wav);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
  EXPECT_EQ(mp3infp_Save(path.c_str()), 0u); // the value is still set
  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(value("INAM"), "new");
}

// Another program's change after the load is never overwritten with what the load saw.
TEST(Mp3infpSave, RefusesAFileChangedSinceItWasLoaded) {
  TempDir dir;
  const fs::path path = dir / "a.wav";
  writeFile(path, wavWithInfo({{"INAM", "old"}}));
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_SetValue("INAM", "mine"), 0u);
  const Bytes theirs = wavWithInfo({{"INAM", "theirs, longer"}});
  writeFile(path, theirs);
  EXPECT_NE(mp3infp_Save(path.c_str()), 0u);
  EXPECT_EQ(readFile(path), theirs);
}

// A file marked read-only is left alone, also for root, whom permissions do not stop.
TEST(Mp3infpSave, RefusesAFileMarkedReadOnly) {
  TempDir dir;
  const Bytes wav = wavWithInfo({{"INAM", "old"}});
  const Bytes mp3 = shortMp3();
  writeFile(dir / "a.wav", wav);
  writeFile(dir / "a.mp3", mp3);
  ::chmod((dir / "a.wav").c_str(), 0444);
  ::chmod((dir / "a.mp3").c_str(), 0444);
  ASSERT_EQ(load(dir / "a.wav"), 0u);
  ASSERT_EQ(mp3infp_SetValue("INAM", "new"), 0u);
  EXPECT_NE(mp3infp_Save((dir / "a.wav").c_str()), 0u);
  ASSERT_EQ(load(dir / "a.mp3"), 0u);
  EXPECT_NE(mp3infp_mp3_MakeId3v1((dir / "a.mp3").c_str()), 0u);
  EXPECT_NE(mp3infp_mp3_MakeRMP((dir / "a.mp3").c_str()), 0u);
  EXPECT_EQ(mp3infp_mp3_GetTagType(), 0u);
  EXPECT_EQ(readFile(dir / "a.wav"), wav);
  EXPECT_EQ(readFile(dir / "a.mp3"), mp3);
}

// A folder on a read-only share (as root too): the save fails and the file stays.
TEST(Mp3infpSave, FailsInAReadOnlyFolder) {
  fixtures::FuseMount mount("-r");
  ASSERT_TRUE(mount.Failure().empty()) << mount.Failure();
  const Bytes wav = wavWithInfo({{"INAM", "old"}});
  writeFile(mount.Backing() / "a.wav", wav);
  ASSERT_EQ(load(mount.Mounted() / "a.wav"), 0u);
  ASSERT_EQ(mp3infp_SetValue("INAM", "new"), 0u);
  EXPECT_NE(mp3infp_Save((mount.Mounted() / "a.wav").c_str()), 0u);
  EXPECT_EQ(readFile(mount.Backing() / "a.wav"), wav);
  EXPECT_EQ(std::distance(fs::directory_iterator(mount.Backing()), fs::directory_iterator()), 1);
}

} // namespace

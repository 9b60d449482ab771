// Handles of the tag library: loaded files of their own, used on several threads at once, and
// a file marked as in use that stays marked while saves replace it.
#include "ImageFixtures.h"
#include "Mp3infpTestFiles.h"

#include <mp3infp_handle.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace {

using fixtures::TempDir;
namespace fs = std::filesystem;

std::string valueOf(MP3INFP_HANDLE* h, const char* name) {
  char* value = nullptr;
  return mp3infph_GetValue(h, name, &value) == 0 && value ? value : "?";
}

bool setPictureFails(MP3INFP_HANDLE* h, const fixtures::Bytes& image) {
  return mp3infph_SetPicture(h, image.data(), static_cast<uint32_t>(image.size())) != 0;
}

TEST(Mp3infpHandles, WorkOnSeveralThreadsWithoutTouchingTheDefaultOne) {
  TempDir dir;
  const fs::path shown = dir / "shown.wav";
  fixtures::writeFile(shown, fixtures::makeWavWithChunks(
                                 {.seconds = 0.2}, {fixtures::makeInfoList({{"INAM", "a"}})}));
  ASSERT_EQ(mp3infp_Load(nullptr, shown.c_str()), 0u);
  ASSERT_EQ(mp3infp_SetValue("INAM", "unsaved"), 0u);

  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    const fs::path file = dir / ("t" + std::to_string(t) + ".wav");
    fixtures::writeFile(file, fixtures::makeWavWithChunks({.seconds = 0.2}, {}));
    threads.emplace_back([t, file, &failures] {
      MP3INFP_HANDLE* h = mp3infph_Create();
      for (int round = 0; round < 25; ++round) {
        // Japanese text goes through the CP932 converters, which each thread has its own of.
        const std::string title = "曲" + std::to_string(t) + "の" + std::to_string(round);
        failures[t] += mp3infph_Load(h, file.c_str()) != 0 ||
                       mp3infph_SetValue(h, "INAM", title.c_str()) != 0 ||
                       mp3infph_Save(h, file.c_str()) != 0 || mp3infph_Load(h, file.c_str()) != 0 ||
                       valueOf(h, "INAM") != title;
      }
      // A cover set through the handle lands in the handle's file.
      const fixtures::Bytes png = fixtures::makePng(2 + t, 2);
      const char* mime = nullptr;
      const void* data = nullptr;
      uint32_t size = 0;
      failures[t] += setPictureFails(h, png) || mp3infph_Save(h, file.c_str()) != 0 ||
                     mp3infph_Load(h, file.c_str()) != 0 ||
                     mp3infph_GetPicture(h, &mime, &data, &size) != 0 ||
                     fixtures::Bytes(static_cast<const std::uint8_t*>(data),
                                     static_cast<const std::uint8_t*>(data) + size) != png;
      mp3infph_Destroy(h);
    });
  }
  for (std::thread& t : threads)
    t.join();
  for (int t = 0; t < 4; ++t)
    EXPECT_EQ(failures[t], 0) << "thread " << t;
  EXPECT_EQ(valueOf(nullptr, "INAM"), "unsaved");
  EXPECT_EQ(mp3infp_Save(shown.c_str()), 0u);
}

TEST(Mp3infpHandles, KeepTheReplacedFileLockedForTheCaller) {
  TempDir dir;
  const fs::path mp3 = dir / "a.mp3";
  fixtures::writeFile(mp3, fixtures::makeMp3(0.3));
  MP3INFP_HANDLE* h = mp3infph_Create();
  ASSERT_EQ(mp3infph_Load(h, mp3.c_str()), 0u);
  mp3infph_KeepLocks(h, 1);
  // Two rewrites, each replacing the file: the tag, then the value.
  ASSERT_EQ(mp3infph_mp3_MakeRMP(h, mp3.c_str()), 0u);
  ASSERT_EQ(mp3infph_SetValue(h, "INAM_rmp", "x"), 0u);
  ASSERT_EQ(mp3infph_Save(h, mp3.c_str()), 0u);
  const int fd = mp3infph_TakeLock(h);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(mp3infph_TakeLock(h), -1);
  struct stat held {
  }, named{};
  ASSERT_EQ(::fstat(fd, &held), 0);
  ASSERT_EQ(::stat(mp3.c_str(), &named), 0);
  EXPECT_EQ(held.st_ino, named.st_ino) << "the descriptor is the file now at the path";
  EXPECT_EQ(::fcntl(fd, F_GETFL) & O_ACCMODE, O_RDONLY) << "its close is no write there";
  const int other = ::open(mp3.c_str(), O_RDONLY);
  EXPECT_EQ(::flock(other, LOCK_EX | LOCK_NB), -1);
  EXPECT_EQ(errno, EWOULDBLOCK);
  ::close(fd);
  EXPECT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
  ::close(other);

  mp3infph_KeepLocks(h, 0);
  ASSERT_EQ(mp3infph_SetValue(h, "INAM_rmp", "y"), 0u);
  ASSERT_EQ(mp3infph_Save(h, mp3.c_str()), 0u);
  EXPECT_EQ(mp3infph_TakeLock(h), -1);
  mp3infph_Destroy(h);
}

// Tags made in memory and written by the save give the bytes the same calls give when each
// make rewrites the file at once; until the save the file stays as it was, while every call
// already sees the tags made. Unwrapped by MakeId3v2, an RMP3 file's value set for its INFO
// list goes to ID3v2, and it takes a cover.
TEST(Mp3infpHandles, MakesDeferredToTheSaveGiveTheSameFile) {
  using namespace mp3infp_test;
  TempDir dir;
  const Bytes mp3 = shortMp3();
  const Bytes v1 = fixtures::makeId3v1("old", "", "", "", "");
  const struct {
    Bytes bytes;
    const char* makes; // MakeId3v1, MakeRMP, MakeId3v2
    const char* setBefore;
    const char* setAfter;
  } cases[] = {
      {mp3, "1R", "INAM_v1", "INAM_rmp"},
      {concat({mp3, v1}), "2", "INAM_v1", "INAM_v2"},
      {riff("RMP3", {chunk("data", concat({id3v2(3, {{"TIT2", std::string("\0v2", 3)}}), mp3})),
                     fixtures::makeInfoList({{"IART", "a"}})}),
       "2", "INAM_rmp", "IART_v2"},
      {fixtures::makeWavWithChunks({.seconds = 0.2}, {fixtures::makeInfoList({{"IART", "a"}})}),
       "2", "IART", "INAM"}};
  MP3INFP_HANDLE* h = mp3infph_Create();
  for (const auto& c : cases) {
    Bytes made[2];
    for (const int defer : {0, 1}) {
      const fs::path path = dir / ("f" + std::to_string(defer));
      writeFile(path, c.bytes);
      ASSERT_EQ(mp3infph_Load(h, path.c_str()) + mp3infph_SetValue(h, c.setBefore, "前"), 0u);
      mp3infph_DeferMakes(h, defer);
      for (const char* m = c.makes; *m; ++m)
        ASSERT_EQ(*m == '1'   ? mp3infph_mp3_MakeId3v1(h, path.c_str())
                  : *m == 'R' ? mp3infph_mp3_MakeRMP(h, path.c_str())
                              : mp3infph_MakeId3v2(h, path.c_str()),
                  0u);
      EXPECT_EQ(readFile(path) == c.bytes, defer == 1) << c.makes;
      ASSERT_EQ(mp3infph_SetValue(h, c.setAfter, "曲"), 0u) << c.makes;
      EXPECT_EQ(setPictureFails(h, fixtures::makePng(2, 2)), c.makes[0] != '2') << c.makes;
      const std::string seen = std::to_string(mp3infph_mp3_GetTagType(h)) + valueOf(h, "TIME_MS");
      ASSERT_EQ(mp3infph_Save(h, path.c_str()), 0u);
      EXPECT_EQ(std::to_string(mp3infph_mp3_GetTagType(h)) + valueOf(h, "TIME_MS"), seen);
      made[defer] = readFile(path);
      mp3infph_DeferMakes(h, 0);
    }
    EXPECT_EQ(made[0], made[1]) << c.makes;
  }
  mp3infph_Destroy(h);
}

} // namespace

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
// already sees the tags made.
TEST(Mp3infpHandles, MakesDeferredToTheSaveGiveTheSameFile) {
  TempDir dir;
  using mp3infp_test::id3v2;
  const fixtures::Bytes mp3 = fixtures::makeMp3(0.3);
  const fixtures::Bytes withV1 =
      mp3infp_test::concat({mp3, fixtures::makeId3v1("old", "", "", "", "")});
  const fixtures::Bytes withV2 =
      mp3infp_test::concat({id3v2(3, {{"TIT2", std::string("\0v2 title", 9)}}), mp3,
                            fixtures::makeId3v1("", "", "", "", "")});
  const fixtures::Bytes wav =
      fixtures::makeWavWithChunks({.seconds = 0.2}, {fixtures::makeInfoList({{"IART", "a"}})});
  const fixtures::Bytes png = fixtures::makePng(2, 2);
  // MakeId3v2 of a wrapped file unwraps it: a value set for its INFO list goes to ID3v2.
  const struct {
    const fixtures::Bytes& bytes;
    bool wrapFirst;
    const char* makes; // MakeId3v1, MakeRMP, MakeId3v2
    const char* setBefore;
    const char* setAfter;
  } cases[] = {{mp3, false, "1R", nullptr, "INAM_rmp"},
               {withV1, false, "R", nullptr, "INAM_rmp"},
               {withV1, false, "2", nullptr, "INAM_v2"},
               {withV2, true, "2", "IART_rmp", "INAM_v2"},
               {wav, false, "2", nullptr, "INAM"}};
  MP3INFP_HANDLE* h = mp3infph_Create();
  for (const auto& c : cases) {
    fixtures::Bytes made[2];
    for (const int defer : {0, 1}) {
      const fs::path path = dir / ("f" + std::to_string(defer));
      fixtures::writeFile(path, c.bytes);
      ASSERT_EQ(mp3infph_Load(h, path.c_str()), 0u);
      ASSERT_TRUE(!c.wrapFirst || mp3infph_mp3_MakeRMP(h, path.c_str()) == 0);
      const fixtures::Bytes before = fixtures::readFile(path);
      mp3infph_DeferMakes(h, defer);
      ASSERT_TRUE(!c.setBefore || mp3infph_SetValue(h, c.setBefore, "前") == 0);
      for (const char* m = c.makes; *m; ++m) {
        const uint32_t result = *m == '1'   ? mp3infph_mp3_MakeId3v1(h, path.c_str())
                                : *m == 'R' ? mp3infph_mp3_MakeRMP(h, path.c_str())
                                            : mp3infph_MakeId3v2(h, path.c_str());
        ASSERT_EQ(result, 0u) << c.makes;
      }
      EXPECT_EQ(fixtures::readFile(path) == before, defer == 1) << c.makes;
      ASSERT_EQ(mp3infph_SetValue(h, c.setAfter, "曲"), 0u) << c.makes;
      // A cover has a place once the ID3v2 tag is made.
      EXPECT_EQ(setPictureFails(h, png), c.makes[0] != '2') << c.makes;
      const std::uint32_t bits = mp3infph_mp3_GetTagType(h);
      const std::string time = valueOf(h, "TIME_MS");
      ASSERT_EQ(mp3infph_Save(h, path.c_str()), 0u);
      EXPECT_EQ(mp3infph_mp3_GetTagType(h), bits) << c.makes;
      EXPECT_EQ(valueOf(h, "TIME_MS"), time) << c.makes;
      EXPECT_EQ(valueOf(h, c.setAfter), "曲");
      made[defer] = fixtures::readFile(path);
      mp3infph_DeferMakes(h, 0);
    }
    EXPECT_EQ(made[0], made[1]) << c.makes;
  }
  mp3infph_Destroy(h);
}

} // namespace

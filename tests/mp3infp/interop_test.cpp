// Files tagged through the C contract, read by the tools people check them with: ffprobe,
// exiftool, mediainfo and kid3-cli must show the exact Japanese values. A tool that is not
// installed is skipped (scripts/deps.sh installs them all).
#include "ImageFixtures.h"
#include "Mp3infpTestFiles.h"
#include "TagTools.h"

#include <mp3infp_ex.h>

namespace {

using namespace mp3infp_test;
using namespace tag_tools;

// Title, artist, album, comment, year.
const std::vector<std::string> kFields = {"INAM", "IART", "IPRD", "ICMT", "ICRD"};
const std::vector<std::string> kValues = {"波〜ダッシュ−マイナス‖の歌", "山田 太郎",
                                          "日本語アルバム", "作詩:鈴木/作曲:佐藤", "2024"};

void expectEveryToolShows(const fs::path& file, const std::vector<std::string>& expected,
                          const std::string& except = "") {
  auto shown = readByTools(file);
  shown.erase(except);
  for (const auto& [tool, values] : shown)
    for (std::size_t i = 0; i < kFields.size(); ++i)
      EXPECT_EQ(values[i], expected[i]) << tool << " " << kFields[i] << " of " << file;
}

void setAll(const std::string& suffix) {
  for (std::size_t i = 0; i < kFields.size(); ++i)
    ASSERT_EQ(mp3infp_SetValue((kFields[i] + suffix).c_str(), kValues[i].c_str()), 0u);
}

const Bytes& stream() {
  static const Bytes mp3 = fixtures::makeMp3(1.0);
  return mp3;
}

TEST(Mp3infpTools, ReadTheId3v2TagOfAnMp3) {
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  writeFile(path, stream());
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_MakeId3v2(path.c_str()), 0u);
  setAll("_v2");
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  expectPlainMp3(readFile(path), stream());
  expectEveryToolShows(path, kValues);
}

TEST(Mp3infpTools, ReadAnRmp3FileUnwrapped) {
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  writeFile(path, stream());
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_mp3_MakeId3v1(path.c_str()), 0u);
  ASSERT_EQ(mp3infp_mp3_MakeRMP(path.c_str()), 0u);
  setAll("_rmp");
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  // The INFO list holds CP932, where 〜 − ‖ are stored as what Windows shows for them.
  std::vector<std::string> stored;
  for (const std::string& f : kFields)
    stored.push_back(value((f + "_rmp").c_str()));
  EXPECT_EQ(stored[0], "波～ダッシュ－マイナス∥の歌");
  ASSERT_EQ(mp3infp_MakeId3v2(path.c_str()), 0u);
  ASSERT_EQ(mp3infp_mp3_GetTagType() & 0x06u, 0x02u);
  expectPlainMp3(readFile(path), stream());
  expectEveryToolShows(path, stored);
}

TEST(Mp3infpTools, ReadAnEditedWav) {
  TempDir dir;
  const fs::path path = dir / "a.wav";
  writeFile(path, fixtures::makeWav({.seconds = 0.2}));
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_MakeId3v2(path.c_str()), 0u);
  setAll("");
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  // ffprobe shows the INFO list, kept in CP932 for the Windows tools, instead of the chunk;
  // exiftool the later of the two.
  EXPECT_LT(findBytes(readFile(path), bytesOf("LIST")), findBytes(readFile(path), bytesOf("id3 ")));
  expectEveryToolShows(path, kValues, "ffprobe");
}

// The track number and the cover as the tools show them, of an MP3 file and of a WAV file's
// 'id3 ' chunk.
TEST(Mp3infpTools, ReadTheTrackAndSeeTheCover) {
  TempDir dir;
  const fs::path mp3 = dir / "a.mp3", wav = dir / "a.wav";
  writeFile(mp3, stream());
  writeFile(wav, fixtures::makeWav({.seconds = 0.2}));
  const Bytes jpeg = fixtures::makeJpeg(64, 48), png = fixtures::makePng(32, 32);
  struct Case {
    fs::path path;
    const char* trackName;
    const Bytes& image;
    const char* mime;
  };
  for (const Case& c :
       {Case{mp3, "ITRK_v2", jpeg, "image/jpeg"}, Case{wav, "ITRK", png, "image/png"}}) {
    ASSERT_EQ(load(c.path), 0u);
    ASSERT_EQ(mp3infp_MakeId3v2(c.path.c_str()), 0u);
    ASSERT_EQ(mp3infp_SetValue(c.trackName, "3/12"), 0u);
    ASSERT_EQ(mp3infp_SetPicture(c.image.data(), static_cast<uint32_t>(c.image.size())), 0u);
    ASSERT_EQ(mp3infp_Save(c.path.c_str()), 0u);
    for (const auto& [tool, track] : trackByTools(c.path))
      EXPECT_EQ(track, "3/12") << tool << " " << c.path;
    for (const auto& [tool, seen] : coverSeenByTools(c.path, c.image, c.mime))
      EXPECT_TRUE(seen) << tool << " " << c.path;
  }
  expectPlainMp3(readFile(mp3), stream());
}

} // namespace

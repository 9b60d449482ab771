// Files tagged through the C contract, read by the tools people check them with: ffprobe,
// exiftool, mediainfo, kid3-cli and (MP3 files) eyeD3 must show the exact Japanese values, where
// they show the field at all (eyeD3 shows no lyricist and no readings). A tool that is not
// installed is skipped (scripts/deps.sh installs them all).
#include "ImageFixtures.h"
#include "Mp3infpTestFiles.h"
#include "TagTools.h"

#include <mp3infp_ex.h>

namespace {

using namespace mp3infp_test;
using namespace tag_tools;

// Title, artist, album, comment, year, track, album artist, disc, composer, lyricist, readings.
const std::vector<std::string> kFields = {"INAM", "IART", "IPRD", "ICMT", "ICRD", "ITRK", "TPE2",
                                          "TPOS", "IMUS", "IWRI", "TSOT", "TSOP", "TSOA"};
// clang-format off
const std::vector<std::string> kValues = {
    "波〜ダッシュ−マイナス‖の歌", "山田 太郎", "日本語アルバム", "作詩:鈴木/作曲:佐藤", "2024", "3/12",
    "アルバム歌手", "1/2", "作曲者", "作詞者", "なみのうた", "ヤマダ タロウ", "ニホンゴアルバム"};
// clang-format on

void expectEveryToolShows(const fs::path& file, const std::vector<std::string>& expected,
                          const std::string& except = "") {
  auto shown = fieldsByTools(file);
  shown.erase(except);
  for (const auto& [tool, values] : shown)
    for (std::size_t i = 0; i < kFields.size(); ++i)
      EXPECT_EQ(values[i] == kNotShown ? expected[i] : values[i], expected[i])
          << tool << " " << kFields[i] << " of " << file;
}

// RIFF SIF has no place for the album artist, the disc and the readings: refused by name.
void setAll(const std::string& suffix) {
  for (std::size_t i = 0; i < kFields.size(); ++i) {
    const bool refused = suffix == "_rmp" && kFields[i][0] == 'T'; // TPE2, TPOS, TSO*
    ASSERT_EQ(mp3infp_SetValue((kFields[i] + suffix).c_str(), kValues[i].c_str()),
              refused ? MP3INFP_SET_NO_PLACE : 0u)
        << kFields[i];
  }
}

const Bytes& stream() {
  static const Bytes mp3 = fixtures::makeMp3(1.0);
  return mp3;
}

// Every field and a cover into a new v2.3 tag, a v2.4 tag that stays v2.4, a v2.2 tag that becomes
// v2.3 and a WAV file's 'id3 ' chunk, made for the fields INFO has no item for. ffprobe shows a
// WAV file's INFO list, kept in CP932 for the Windows tools, instead of the chunk; exiftool the
// later of the two. INFO takes the composer and the lyricist.
TEST(Mp3infpTools, ReadEveryFieldOfAnId3v2TagAndAWavChunk) {
  TempDir dir;
  const std::string old = std::string("\0", 1) + "old";
  const Bytes jpeg = fixtures::makeJpeg(64, 48), png = fixtures::makePng(32, 32);
  // The file, the ID3v2 version it ends with (0 for none) and a field it held before.
  const std::tuple<const char*, Bytes, int, const char*> cases[] = {
      {"new.mp3", stream(), 3, ""},
      {"v24.mp3", concat({id3v2(4, {{"TIT2", old}, {"TPOS", old}}), stream()}), 4, "TPOS_v2"},
      {"v22.mp3", concat({id3v2(2, {{"TT2", old}, {"TSP", old}}), stream()}), 3, "TSOP_v2"},
      {"a.wav", fixtures::makeWav({.seconds = 0.2}), 0, ""}};
  for (const auto& [name, bytes, version, had] : cases) {
    const fs::path path = dir / name;
    writeFile(path, bytes);
    ASSERT_EQ(load(path), 0u);
    EXPECT_EQ(value(had), *had ? "old" : "");
    ASSERT_EQ(version ? mp3infp_MakeId3v2(path.c_str()) : 0u, 0u);
    setAll(version ? "_v2" : "");
    ASSERT_EQ(mp3infp_Save(path.c_str()), 0u); // the WAV file's chunk made for the fields
    const Bytes& image = version ? jpeg : png;
    ASSERT_EQ(mp3infp_SetPicture(image.data(), static_cast<uint32_t>(image.size())), 0u);
    ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
    EXPECT_EQ(readFile(path)[3], version ? version : 'F'); // ID3v2.x, or RIFF
    expectEveryToolShows(path, kValues, version ? "" : "ffprobe");
    for (const auto& [tool, seen] :
         coverSeenByTools(path, image, version ? "image/jpeg" : "image/png"))
      EXPECT_TRUE(seen) << tool << " " << name;
  }
  const Bytes wav = readFile(dir / "a.wav");
  const std::size_t chunk = findBytes(wav, bytesOf("id3 "));
  EXPECT_LT(findBytes(wav, bytesOf("LIST")), chunk);
  EXPECT_LT(findBytes(wav, bytesOf("IWRI")), chunk);
  EXPECT_GT(findBytes(wav, bytesOf("TPE2")), chunk);
  expectPlainMp3(readFile(dir / "new.mp3"), stream());
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
  EXPECT_EQ(stored[8] + stored[9], kValues[8] + kValues[9]);
  ASSERT_EQ(mp3infp_MakeId3v2(path.c_str()), 0u);
  ASSERT_EQ(mp3infp_mp3_GetTagType() & 0x06u, 0x02u);
  expectPlainMp3(readFile(path), stream());
  expectEveryToolShows(path, stored);
}

} // namespace

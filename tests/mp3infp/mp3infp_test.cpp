// The tag library through its C contract, on files made in the tests.
#include "Mp3infpTestFiles.h"

#include <sys/stat.h>

namespace {

using namespace mp3infp_test;

const std::string kCp932Nihongo = "\x93\xfa\x96\x7b\x8c\xea"; // 日本語

// An ID3v2 text frame body flagged ISO-8859-1.
std::string text(const std::string& s) {
  return std::string(1, '\0') + s;
}

TEST(Mp3infpLoad, RejectsWhatIsNotWavOrMp3AndKeepsNothingLoaded) {
  TempDir dir;
  writeFile(dir / "ok.wav", wavWithInfo({{"INAM", "x"}}));
  writeFile(dir / "empty.mp3", {});
  writeFile(dir / "text.mp3", bytesOf(std::string(5000, 'a')));
  writeFile(dir / "avi.wav", riff("AVI ", {chunk("data", Bytes(10))}));
  fs::create_directory(dir / "folder.mp3");
  for (const char* name : {"missing.mp3", "empty.mp3", "text.mp3", "avi.wav", "folder.mp3"}) {
    ASSERT_EQ(load(dir / "ok.wav"), 0u);
    EXPECT_NE(load(dir / name), 0u) << name;
    EXPECT_EQ(mp3infp_GetType(), 0u) << name;
    EXPECT_EQ(value("INAM"), "") << name;
  }
  EXPECT_GE(mp3infp_GetVer(), 0x211u);
}

struct TagBitsCase {
  const char* label;
  Bytes file;
  uint32_t bits;
};

class Mp3infpTagBits : public ::testing::TestWithParam<TagBitsCase> {};

TEST_P(Mp3infpTagBits, ReportsEveryTagKind) {
  TempDir dir;
  writeFile(dir / "a.mp3", GetParam().file);
  ASSERT_EQ(load(dir / "a.mp3"), 0u);
  EXPECT_EQ(mp3infp_GetType(), 1u);
  EXPECT_EQ(mp3infp_mp3_GetTagType(), GetParam().bits);
  EXPECT_EQ(value("TIME"), "0:01"); // 0.5 s rounds up
}

const Bytes kV1 = fixtures::makeId3v1("t", "a", "b", "2001", "c");
const Bytes kV11 = fixtures::makeId3v1("t", "a", "b", "2001", "c", 3);

INSTANTIATE_TEST_SUITE_P(
    Kinds, Mp3infpTagBits,
    ::testing::Values(
        TagBitsCase{"none", shortMp3(), 0}, TagBitsCase{"v10", concat({shortMp3(), kV1}), 0x09},
        TagBitsCase{"v11", concat({shortMp3(), kV11}), 0x11},
        TagBitsCase{"v22", concat({id3v2(2, {{"TT2", text("t")}}), shortMp3()}), 0x22},
        TagBitsCase{"v23", concat({id3v2(3, {{"TIT2", text("t")}}), shortMp3()}), 0x02},
        TagBitsCase{"v24", concat({id3v2(4, {{"TIT2", text("t")}}), shortMp3()}), 0x82},
        TagBitsCase{"ape1", concat({shortMp3(), apeFooter(1000)}), 0x100},
        TagBitsCase{"ape2v1", concat({shortMp3(), apeFooter(2000), kV11}), 0x211},
        TagBitsCase{"ape2WithHeader",
                    concat({id3v2(3, {{"TIT2", text("t")}}), shortMp3(),
                            apeTag(2000, true, {{"Title", "ape"}, {"Artist", "x"}}), kV1}),
                    0x20B},
        TagBitsCase{"ape1Items", concat({shortMp3(), apeTag(1000, false, {{"Title", "ape"}})}),
                    0x100},
        TagBitsCase{
            "rmp3",
            riff("RMP3", {chunk("data", shortMp3()), fixtures::makeInfoList({{"INAM", "x"}})}),
            0x04},
        TagBitsCase{"rmp3NoInfo", riff("RMP3", {chunk("data", shortMp3())}), 0x00},
        TagBitsCase{
            "rmp3All",
            riff("RMP3", {chunk("data", concat({id3v2(3, {{"TIT2", text("t")}}), shortMp3(), kV1})),
                          fixtures::makeInfoList({})}),
            0x0F}),
    [](const auto& p) { return std::string(p.param.label); });

struct TextCase {
  const char* label;
  std::string stored;
  std::string expected;
};

class Mp3infpLegacyText : public ::testing::TestWithParam<TextCase> {};

// The same 8-bit rule in WAV INFO, RMP3 INFO, ID3v1 and ISO-8859-1 ID3v2 frames.
TEST_P(Mp3infpLegacyText, ReadsAlikeInEveryEightBitTag) {
  const auto& [label, stored, expected] = GetParam();
  TempDir dir;
  writeFile(dir / "a.wav", wavWithInfo({{"IART", stored}}));
  writeFile(dir / "b.mp3",
            riff("RMP3", {chunk("data", shortMp3()), fixtures::makeInfoList({{"IART", stored}})}));
  writeFile(dir / "c.mp3", concat({id3v2(3, {{"TPE1", text(stored)}}), shortMp3(),
                                   fixtures::makeId3v1("", stored, "", "", "")}));
  ASSERT_EQ(load(dir / "a.wav"), 0u);
  EXPECT_EQ(value("IART"), expected);
  ASSERT_EQ(load(dir / "b.mp3"), 0u);
  EXPECT_EQ(value("IART_rmp"), expected);
  ASSERT_EQ(load(dir / "c.mp3"), 0u);
  EXPECT_EQ(value("IART_v2"), expected);
  EXPECT_EQ(value("IART_v1"), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, Mp3infpLegacyText,
    ::testing::Values(TextCase{"cp932", kCp932Nihongo, "日本語"},
                      TextCase{"cp932Extensions", "\x87\x40\x81\x60", "①～"},
                      TextCase{"utf8", "日本語", "日本語"},
                      TextCase{"latin1", "Mot\xf6rhead", "Motörhead"},
                      // 0xF0 0x40 is valid CP932 only as a user-defined character.
                      TextCase{"privateUseIsLatin1", "\xf0\x40", "\xc3\xb0@"}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(Mp3infpId3v2, FollowsFrameEncodingsAndPicksTheUsualFrames) {
  TempDir dir;
  const std::string utf16bom = std::string("\x01\xff\xfe\xe5\x65\x2c\x67\x9e\x8a", 9);
  const std::string utf16be = std::string("\x02\x65\xe5\x67\x2c\x8a\x9e", 7);
  const std::string comm = std::string("\0eng", 4);
  writeFile(dir / "a.mp3",
            concat({id3v2(4, {{"TIT2", utf16bom},
                              {"TPE1", utf16be},
                              {"TALB", "\x03日本語"},
                              {"COMM", comm + "iTunNORM" + std::string(1, '\0') + "x"},
                              {"COMM", comm + std::string(1, '\0') + "line1\nline2"},
                              {"TDRC", text("2008-05-01")},
                              {"TCON", text("17")}}),
                    shortMp3()}));
  writeFile(dir / "b.mp3", concat({id3v2(3, {{"TYER", text("1999")},
                                             {"TCON", text("(8)")},
                                             {"COMM", comm + std::string(1, '\0') + "English"},
                                             {"COMM", std::string("\0JPN\0", 5) + "日本"}}),
                                   shortMp3()}));
  writeFile(dir / "c.mp3", concat({id3v2(2, {{"TT2", text("title")},
                                             {"TP1", text("artist")},
                                             {"TAL", text("album")},
                                             {"COM", comm + std::string(1, '\0') + "note"},
                                             {"TYE", text("1972")},
                                             {"TCO", text("(17)Rock")}}),
                                   shortMp3()}));
  const auto fields = [] {
    return value("INAM_v2") + "|" + value("IART_v2") + "|" + value("IPRD_v2") + "|" +
           value("ICMT_v2") + "|" + value("ICRD_v2") + "|" + value("IGNR_v2") + "|" +
           value("INAM_v1");
  };
  ASSERT_EQ(load(dir / "a.mp3"), 0u);
  EXPECT_EQ(fields(), "日本語|日本語|日本語|line1\nline2|2008|Rock|");
  ASSERT_EQ(load(dir / "b.mp3"), 0u);
  EXPECT_EQ(value("ICRD_v2") + "|" + value("IGNR_v2") + "|" + value("ICMT_v2"), "1999|Jazz|日本");
  ASSERT_EQ(load(dir / "c.mp3"), 0u);
  EXPECT_EQ(fields(), "title|artist|album|note|1972|Rock|");
}

TEST(Mp3infpValues, PlayingTimeFolderAndName) {
  TempDir dir;
  writeFile(dir / "cbr.mp3", concat({id3v2(3, {{"TIT2", text("t")}}), fixtures::makeMp3(65.2)}));
  writeFile(dir / "vbr.mp3", fixtures::makeMp3(3.0, 44100, 2, 128, true));
  writeFile(dir / "my.song.wav",
            fixtures::makeWav({.sampleRate = 8000, .channels = 1, .seconds = 2.4}));
  ASSERT_EQ(load(dir / "cbr.mp3"), 0u);
  EXPECT_EQ(value("TIME"), "1:05");
  ASSERT_EQ(load(dir / "vbr.mp3"), 0u);
  EXPECT_EQ(value("TIME"), "0:03");
  ASSERT_EQ(load(dir / "my.song.wav"), 0u);
  EXPECT_EQ(value("TIME"), "0:02");
  EXPECT_EQ(value("PATH"), dir.path().string());
  EXPECT_EQ(value("FILE"), "my.song");
  EXPECT_EQ(value("INAM_v1"), "");
  char* v = nullptr;
  EXPECT_NE(mp3infp_GetValue("XXXX", &v), 0);
  ASSERT_NE(v, nullptr);
  EXPECT_STREQ(v, "");
}

class Mp3infpWavWrite : public ::testing::TestWithParam<std::string> {};

// Text round trip: Japanese, Latin-1 and characters CP932 lacks come back exactly.
TEST_P(Mp3infpWavWrite, StoresAndReadsBackKeepingAudioAndOtherChunks) {
  TempDir dir;
  const Bytes wav = fixtures::makeWavWithChunks(
      {}, {chunk("abcd", bytesOf("odd")), fixtures::makeInfoList({{"ISFT", "tool"}})});
  const fs::path path = dir / "a.wav";
  writeFile(path, wav);
  ::chmod(path.c_str(), 0640);
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_SetValue("INAM", GetParam().c_str()), 0u);
  ASSERT_EQ(mp3infp_SetValue("ICMT", "コメント"), 0u);
  EXPECT_NE(mp3infp_SetValue("INAM_rmp", "x"), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  const Bytes once = readFile(path);
  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(value("INAM"), GetParam());
  EXPECT_EQ(value("ICMT"), "コメント");
  ASSERT_EQ(mp3infp_SetValue("IART", "b"), 0u);
  ASSERT_EQ(mp3infp_SetValue("IART", ""), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  EXPECT_EQ(readFile(path).size(), once.size());

  const Bytes after = readFile(path);
  const Bytes pcm(wav.begin() + 44, wav.begin() + 44 + 176400);
  EXPECT_NE(findBytes(after, pcm), std::string::npos);
  EXPECT_NE(findBytes(after, chunk("abcd", bytesOf("odd"))), std::string::npos);
  EXPECT_NE(findBytes(after, bytesOf("ISFT")), std::string::npos);
  struct stat st {};
  ::stat(path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(Texts, Mp3infpWavWrite,
                         ::testing::Values("日本語タイトル", "Motörhead", "🎵絵文字", "ｱｲｳ",
                                           "𠮷野家"));

// Characters typed here that Windows' code page writes with look-alikes go to the file as the
// bytes Windows tools show as those characters, and read back as the code points of those bytes.
TEST(Mp3infpWavWrite, StoresCp932LookAlikesAsWindowsWritesThem) {
  TempDir dir;
  const fs::path path = dir / "a.wav";
  writeFile(path, wavWithInfo({}));
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_SetValue("INAM", "波〜−‖—¢£¬"), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  const Bytes cp932 = {0x94, 0x67, 0x81, 0x60, 0x81, 0x7C, 0x81, 0x61, 0x81,
                       0x5C, 0x81, 0x91, 0x81, 0x92, 0x81, 0xCA, 0x00};
  EXPECT_NE(findBytes(readFile(path), cp932), std::string::npos);
  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(value("INAM"), "波～－∥―￠￡￢");
}

// An RF64 WAV reads like any WAV (its sizes from its ds64 chunk) but is never rewritten.
TEST(Mp3infpWavWrite, ReadsAnRf64FileAndLeavesItAlone) {
  TempDir dir;
  const fs::path path = dir / "a.wav";
  const Bytes rf64 =
      fixtures::makeRf64({.seconds = 0.5}, {fixtures::makeInfoList({{"INAM", "take"}})});
  writeFile(path, rf64);
  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(mp3infp_GetType(), 2u);
  EXPECT_EQ(value("INAM") + "|" + value("TIME_MS"), "take|500");
  ASSERT_EQ(mp3infp_SetValue("INAM", "new"), 0u);
  EXPECT_EQ(mp3infp_Save(path.c_str()), 26u);
  EXPECT_EQ(mp3infp_MakeId3v2(path.c_str()), 26u);
  EXPECT_EQ(readFile(path), rf64);
}

TEST(Mp3infpWavWrite, StoresCp932WhenItReadsBackExactly) {
  TempDir dir;
  const fs::path path = dir / "a.wav";
  writeFile(path, wavWithInfo({}));
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_SetValue("INAM", "日本語"), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  EXPECT_NE(findBytes(readFile(path), bytesOf(kCp932Nihongo)), std::string::npos);
}

struct KeptLayoutCase {
  const char* label;
  std::vector<Bytes> chunks; // after "data"
  std::vector<Bytes> kept;   // byte runs the rewritten file still holds
};

class Mp3infpWavLayout : public ::testing::TestWithParam<KeptLayoutCase> {};

// Writing one value rebuilds the INFO list; every other item and chunk stays as it was.
TEST_P(Mp3infpWavLayout, WritingKeepsEverythingElse) {
  TempDir dir;
  const fs::path path = dir / "a.wav";
  writeFile(path, fixtures::makeWavWithChunks({}, GetParam().chunks));
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_SetValue("INAM", "新"), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  const Bytes after = readFile(path);
  for (const Bytes& run : GetParam().kept)
    EXPECT_NE(findBytes(after, run), std::string::npos)
        << std::string(run.begin(), run.begin() + 4);
  // CP932, beside an 'id3 ' chunk too.
  EXPECT_NE(findBytes(after, chunk("INAM", Bytes{0x90, 0x56, 0})), std::string::npos);
  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(value("INAM"), "新");
}

Bytes infoList(const std::vector<Bytes>& items) {
  Bytes body = bytesOf("INFO");
  for (const Bytes& item : items)
    body.insert(body.end(), item.begin(), item.end());
  return chunk("LIST", body);
}

const Bytes kBinaryItem = chunk("IXYZ", Bytes{1, 0, 0, 0});
const Bytes kOddItemUnpadded = chunk("ISFT", bytesOf("odd"), false);
const Bytes kEngineer = chunk("IENG", bytesOf(std::string("eng\0", 4)));
const Bytes kId3Chunk = chunk("id3 ", id3v2(3, {{"TIT2", text("t")}}));
const Bytes kAdtl = chunk("LIST", bytesOf("adtlnote\x04\0\0\0\x01\0\0\0"));
const Bytes kHugeInfo = fixtures::makeInfoList({{"ICMT", std::string(5 << 20, 'c')}});

INSTANTIATE_TEST_SUITE_P(
    Layouts, Mp3infpWavLayout,
    ::testing::Values(
        // Values are not always text: trailing zeros are part of the item.
        KeptLayoutCase{
            "binaryItem", {infoList({kBinaryItem, kEngineer})}, {kBinaryItem, kEngineer}},
        KeptLayoutCase{"oddItemWithoutPad",
                       {infoList({kOddItemUnpadded, kEngineer})},
                       {kOddItemUnpadded, kEngineer}},
        // The 'id3 ' chunk takes the new title too (see the ID3v2 writing tests).
        KeptLayoutCase{"otherChunks",
                       {kId3Chunk, chunk("junk", bytesOf("odd")), kAdtl, infoList({kEngineer})},
                       {chunk("junk", bytesOf("odd")), kAdtl, kEngineer}},
        // A second list stays a list of its own.
        KeptLayoutCase{"secondInfoList",
                       {infoList({kEngineer}), infoList({kOddItemUnpadded})},
                       {kEngineer, infoList({kOddItemUnpadded})}},
        // Too large to be a tag: kept as it is, and the value goes into a list of its own.
        KeptLayoutCase{"hugeInfoList", {kHugeInfo}, {kHugeInfo}}),
    [](const auto& p) { return std::string(p.param.label); });

// The track number is an INFO item ITRK, NUL-terminated and padded to a word; an IPRT item,
// where TagLib keeps it, reads when there is no ITRK and is kept in step. An RMP3 file's list
// holds it alike.
TEST(Mp3infpTrack, InfoItemIsPaddedToAWordAndIprtFollows) {
  TempDir dir;
  const fs::path path = dir / "a.wav";
  writeFile(path, wavWithInfo({{"INAM", "t"}, {"IPRT", "5"}}));
  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(value("ITRK"), "5");
  ASSERT_EQ(mp3infp_SetValue("ITRK", "12"), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  const Bytes file = readFile(path);
  const Bytes list = bytesOf(std::string("LIST\x26\0\0\0INFO"
                                         "INAM\x02\0\0\0t\0"
                                         "IPRT\x03\0\0\0"
                                         "12\0\0"
                                         "ITRK\x03\0\0\0"
                                         "12\0\0",
                                         46));
  EXPECT_NE(findBytes(file, list), std::string::npos);
  EXPECT_EQ(file[4] | (file[5] << 8) | (file[6] << 16), static_cast<int>(file.size() - 8));
  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(value("ITRK"), "12");

  const fs::path mp3 = dir / "a.mp3";
  writeFile(mp3, shortMp3());
  ASSERT_EQ(load(mp3), 0u);
  ASSERT_EQ(mp3infp_mp3_MakeRMP(mp3.c_str()), 0u);
  ASSERT_EQ(mp3infp_SetValue("ITRK_rmp", "7"), 0u);
  ASSERT_EQ(mp3infp_Save(mp3.c_str()), 0u);
  EXPECT_NE(findBytes(readFile(mp3), bytesOf(std::string("LIST\x0e\0\0\0INFOITRK\x02\0\0\0"
                                                         "7\0",
                                                         22))),
            std::string::npos);
  ASSERT_EQ(load(mp3), 0u);
  EXPECT_EQ(value("ITRK_rmp"), "7");
}

// Wrapped and saved twice, the 'data' chunk holds exactly the stream (its size without the pad
// byte, then the INFO list); unwrapped, the stream's frames come back byte for byte.
TEST(Mp3infpMakeTags, WrapsTheStreamByteForByteAndKeepsId3Readable) {
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  writeFile(path, concat({id3v2(3, {{"TIT2", text("v2title!")}}), shortMp3()}));
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_mp3_GetTagType(), 0x02u);
  ASSERT_EQ(mp3infp_mp3_MakeId3v1(path.c_str()), 0u);
  EXPECT_EQ(mp3infp_mp3_GetTagType(), 0x0Bu);
  const Bytes stream = readFile(path);
  ASSERT_EQ(stream.size() % 2, 1u) << "an even stream would need no pad byte";
  ASSERT_EQ(mp3infp_mp3_MakeRMP(path.c_str()), 0u);
  EXPECT_EQ(mp3infp_mp3_GetTagType(), 0x0Fu);
  EXPECT_EQ(value("INAM_v2"), "v2title!");
  const std::string timeBefore = value("TIME");
  ASSERT_EQ(mp3infp_SetValue("INAM_rmp", "曲名"), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  ASSERT_EQ(mp3infp_SetValue("IART_rmp", "歌手"), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);

  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(value("INAM_rmp") + "|" + value("IART_rmp"), "曲名|歌手");
  EXPECT_EQ(value("INAM_v2"), "v2title!");
  EXPECT_EQ(value("TIME"), timeBefore);
  EXPECT_EQ(readFile(path), riff("RMP3", {chunk("data", stream),
                                          fixtures::makeInfoList({{"INAM", "\x8b\xc8\x96\xbc"},
                                                                  {"IART", "\x89\xcc\x8e\xe8"}})}));

  ASSERT_EQ(mp3infp_MakeId3v2(path.c_str()), 0u);
  expectPlainMp3(readFile(path), shortMp3());
}

// The exact playing time: WAV sample frames; MP3 samples after the LAME tag's delay and
// padding, counting only the frames that are there.
struct ExactTimeCase {
  const char* label;
  Bytes file;
  long expectedMs;
  long toleranceMs;
};

class Mp3infpExactTime : public ::testing::TestWithParam<ExactTimeCase> {};

TEST_P(Mp3infpExactTime, MatchesTheSamplesStored) {
  TempDir dir;
  const fs::path path = dir / (std::string(GetParam().label) + ".bin");
  writeFile(path, GetParam().file);
  ASSERT_EQ(load(path), 0u);
  const std::string ms = value("TIME_MS");
  ASSERT_FALSE(ms.empty());
  EXPECT_NEAR(std::stol(ms), GetParam().expectedMs, GetParam().toleranceMs);
}

fixtures::WavSpec wavSpec(int rate, int channels, int bits, double seconds) {
  return {.sampleRate = rate, .channels = channels, .bits = bits, .seconds = seconds};
}

// The stream cut after `keep` bytes.
Bytes cut(Bytes stream, std::size_t keep) {
  stream.resize(keep);
  return stream;
}

const Bytes kTwoSeconds = fixtures::makeMp3(2.0);

INSTANTIATE_TEST_SUITE_P(
    Files, Mp3infpExactTime,
    ::testing::Values(
        ExactTimeCase{"wav16", fixtures::makeWav(wavSpec(44100, 2, 16, 1.5)), 1500, 0},
        ExactTimeCase{"wav24mono", fixtures::makeWav(wavSpec(48000, 1, 24, 0.25)), 250, 0},
        ExactTimeCase{"wav8k", fixtures::makeWav(wavSpec(8000, 1, 8, 2.4)), 2400, 0},
        ExactTimeCase{"mp3", kTwoSeconds, 2000, 1},
        ExactTimeCase{"mp3Tagged", concat({id3v2(3, {{"TIT2", text("t")}}), kTwoSeconds, kV1}),
                      2000, 1},
        ExactTimeCase{"mp3Ape", concat({kTwoSeconds, apeTag(2000, true, {{"Title", "t"}}), kV11}),
                      2000, 1},
        ExactTimeCase{"mp3Vbr", fixtures::makeMp3(1.3, 44100, 2, 128, true), 1300, 1},
        ExactTimeCase{"mp3At22k", fixtures::makeMp3(1.0, 22050, 1, 64), 1000, 1},
        ExactTimeCase{"rmp3",
                      riff("RMP3", {chunk("data", kTwoSeconds), fixtures::makeInfoList({})}), 2000,
                      1},
        // Half the stream gone: about one second, whatever the info frame claims.
        ExactTimeCase{"mp3Cut", cut(kTwoSeconds, kTwoSeconds.size() / 2), 1000, 30}),
    [](const auto& p) { return std::string(p.param.label); });

} // namespace

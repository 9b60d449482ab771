// Writing ID3v2 tags through the C contract, checked byte by byte against the format.
#include "Mp3infpTestFiles.h"

#include "ImageFixtures.h"

#include <mp3infp_ex.h>

#include <sys/stat.h>

#include <algorithm>

namespace {

using namespace mp3infp_test;

std::size_t syncsafe(const Bytes& b, std::size_t at) {
  std::size_t n = 0;
  for (std::size_t i = at; i < at + 4; ++i) {
    EXPECT_EQ(b[i] & 0x80, 0) << "syncsafe byte " << i;
    n = (n << 7) | b[i];
  }
  return n;
}

// Checks the ID3v2.3 header at the start of `file` and returns the whole tag's length.
std::size_t checkV23Header(const Bytes& file) {
  EXPECT_EQ(std::string(file.begin(), file.begin() + 6), std::string("ID3\x03\0\0", 6));
  return 10 + syncsafe(file, 6);
}

// The body of the first frame `id` in an ID3v2.3 tag (sizes read as plain 32-bit numbers) or a
// 2.4 one (syncsafe sizes).
Bytes bodyOf(const Bytes& file, std::size_t tagEnd, const std::string& id, int major = 3) {
  for (std::size_t pos = 10; pos + 10 <= tagEnd && file[pos] != 0;) {
    const int bits = major == 4 ? 7 : 8;
    std::size_t size = 0;
    for (std::size_t i = pos + 4; i < pos + 8; ++i)
      size = (size << bits) | file[i];
    if (pos + 10 + size > tagEnd)
      break;
    if (std::string(file.begin() + static_cast<long>(pos),
                    file.begin() + static_cast<long>(pos) + 4) == id)
      return Bytes(file.begin() + static_cast<long>(pos) + 10,
                   file.begin() + static_cast<long>(pos + 10 + size));
    pos += 10 + size;
  }
  return {};
}

const std::string kLongTitle = "あいうえおかきくけこさしすせそた"; // 32 bytes in CP932
const std::string kLongComment(100, 'c');                          // a frame of 210 bytes

TEST(Mp3infpId3v2Write, WritesUtf16V23FramesKeepsTheStreamAndMirrorsId3v1) {
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  writeFile(path, shortMp3());
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_MakeId3v2(path.c_str()), 0u);
  for (const auto& [name, text] : {std::pair<const char*, std::string>{"INAM_v2", kLongTitle},
                                   {"IART_v2", "歌手"},
                                   {"IPRD_v2", "🎵"},
                                   {"ICMT_v2", kLongComment},
                                   {"ICRD_v2", "2024"},
                                   {"IGNR_v2", "Rock"}})
    ASSERT_EQ(mp3infp_SetValue(name, text.c_str()), 0u) << name;
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  EXPECT_EQ(mp3infp_mp3_GetTagType(), 0x0Bu);

  const Bytes file = readFile(path);
  const std::size_t tagEnd = checkV23Header(file);
  ASSERT_EQ(file.size(), tagEnd + shortMp3().size() + 128);
  EXPECT_EQ(Bytes(file.begin() + static_cast<long>(tagEnd), file.end() - 128), shortMp3());
  EXPECT_EQ(bodyOf(file, tagEnd, "TPE1"), (Bytes{1, 0xFF, 0xFE, 0x4C, 0x6B, 0x4B, 0x62}));
  EXPECT_EQ(bodyOf(file, tagEnd, "TALB"), (Bytes{1, 0xFF, 0xFE, 0x3C, 0xD8, 0xB5, 0xDF}));
  EXPECT_EQ(bodyOf(file, tagEnd, "TYER"), (Bytes{1, 0xFF, 0xFE, '2', 0, '0', 0, '2', 0, '4', 0}));
  const Bytes comm = bodyOf(file, tagEnd, "COMM");
  ASSERT_EQ(comm.size(), 210u); // a syncsafe size would have read otherwise
  EXPECT_EQ(Bytes(comm.begin(), comm.begin() + 12),
            (Bytes{1, 'j', 'p', 'n', 0xFF, 0xFE, 0, 0, 0xFF, 0xFE, 'c', 0}));

  const Bytes v1(file.end() - 128, file.end());
  EXPECT_EQ(std::string(v1.begin(), v1.begin() + 3), "TAG");
  // Fifteen characters fit in 30 bytes; the sixteenth is not cut in half.
  EXPECT_EQ(std::string(v1.begin() + 31, v1.begin() + 33), "\x82\xBB"); // そ
  EXPECT_EQ(v1[63], '?');
  EXPECT_EQ(std::string(v1.begin() + 93, v1.begin() + 97), "2024");
  EXPECT_EQ(v1[127], 17); // Rock

  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(value("INAM_v2"), kLongTitle);
  EXPECT_EQ(value("IPRD_v2"), "🎵");
  EXPECT_EQ(value("INAM_v1"), "あいうえおかきくけこさしすせそ");
  ASSERT_EQ(mp3infp_SetValue("INAM_v2", "短い"), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  const Bytes again = readFile(path);
  EXPECT_EQ(again.size(), file.size());
  EXPECT_EQ(checkV23Header(again), tagEnd);
}

// Frames of 2.4 that 2.3 has no place for, and others a tag carries besides the fields.
const std::vector<std::pair<std::string, std::string>> kV24Only = {
    {"RVA2", std::string("track\0\x01\xfb\x80\x00", 10)},
    {"EQU2", std::string("\x01eq\0\x01\x00\x00\x10", 8)},
    {"TDRL", std::string("\0", 1) + "2009"},
    {"TDTG", std::string("\0", 1) + "2024"},
    {"TMOO", "\x03静か"},
    {"TPRO", std::string("\0", 1) + "2008 Label"},
    {"TSST", "\x03第一部"},
    {"SIGN", "\x01signature"},
    {"SEEK", std::string("\0\0\x10\0", 4)},
    {"ASPI", std::string("\0\0\0\0\0\0\x10\0\0\x02\x08\x01\x02", 13)},
    {"APIC", std::string("\0image/png\0\x03\0", 13) + "PNGDATA"}};

// A 2.4 tag stays 2.4, in a plain MP3 and inside an RMP3 file that is unwrapped: every frame
// kept byte for byte, the changed ones in the encoding of the frames they replace (UTF-8 here,
// Latin-1 for ASCII).
TEST(Mp3infpId3v2Write, AV24TagStaysV24WithEveryFrameAndItsEncoding) {
  auto frames = kV24Only;
  frames.insert(frames.begin(),
                {{"TIT2", "\x03古い"}, {"TDRC", std::string("\0", 1) + "2008-05-01"}});
  const auto expectV24 = [](const Bytes& file, const std::string& title, const std::string& year) {
    ASSERT_EQ(std::string(file.begin(), file.begin() + 6), std::string("ID3\x04\0\0", 6));
    const std::size_t tagEnd = 10 + syncsafe(file, 6);
    EXPECT_EQ(Bytes(file.begin() + static_cast<long>(tagEnd), file.end() - 128), shortMp3());
    for (const auto& [id, body] : kV24Only)
      EXPECT_EQ(bodyOf(file, tagEnd, id, 4), bytesOf(body)) << id;
    EXPECT_EQ(bodyOf(file, tagEnd, "TIT2", 4), bytesOf("\x03" + title));
    EXPECT_EQ(bodyOf(file, tagEnd, "TDRC", 4), bytesOf(std::string("\0", 1) + year));
  };
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  const Bytes v11 = fixtures::makeId3v1("old", "", "", "", "", 7);
  writeFile(path, concat({id3v2(4, frames), shortMp3(), v11}));
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_SetValue("INAM_v2", "新しい"), 0u);
  ASSERT_EQ(mp3infp_SetValue("ICRD_v2", "2024"), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  EXPECT_EQ(mp3infp_mp3_GetTagType(), 0x93u); // v2.4, v1.1 still with its track
  expectV24(readFile(path), "新しい", "2024");

  writeFile(path, riff("RMP3", {chunk("data", concat({id3v2(4, frames), shortMp3(), v11})),
                                fixtures::makeInfoList({{"INAM", "曲名"}})}));
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_MakeId3v2(path.c_str()), 0u);
  expectV24(readFile(path), "曲名", "2008-05-01");
}

// A 2.2 tag becomes 2.3 with every frame in its 2.3 form; one holding a frame that has none
// is not written at all.
TEST(Mp3infpId3v2Write, AV22TagBecomesV23WithEveryFrameOrIsLeftAlone) {
  const std::string one = std::string("\0", 1) + "1";
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  writeFile(path,
            concat({id3v2(2, {{"TRK", one}, {"TCP", one}, {"PIC", std::string("\0PNG\x03\0x", 7)}}),
                    shortMp3()}));
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_SetValue("INAM_v2", "新しい"), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  const Bytes file = readFile(path);
  const std::size_t tagEnd = checkV23Header(file);
  EXPECT_EQ(Bytes(file.begin() + static_cast<long>(tagEnd), file.end()), shortMp3());
  EXPECT_EQ(bodyOf(file, tagEnd, "TRCK"), bytesOf(one));
  EXPECT_EQ(bodyOf(file, tagEnd, "TCMP"), bytesOf(one));
  EXPECT_EQ(bodyOf(file, tagEnd, "APIC"), bytesOf(std::string("\0image/png\0\x03\0x", 14)));

  const Bytes withCrm =
      concat({id3v2(2, {{"TT2", std::string("\0", 1) + "old"}, {"CRM", "owner"}}), shortMp3()});
  writeFile(path, withCrm);
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_SetValue("INAM_v2", "新しい"), 0u);
  EXPECT_EQ(mp3infp_Save(path.c_str()), 25u);
  EXPECT_EQ(readFile(path), withCrm);
}

// A genre set as its ID3v1 number and a full date read as a genre name and a year, in both
// tags; the number spelled otherwise is the same genre and changes nothing.
TEST(Mp3infpId3v2Write, GenreNumbersAndDatesReadAsTheirFramesDo) {
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  writeFile(path, shortMp3());
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_MakeId3v2(path.c_str()), 0u);
  ASSERT_EQ(mp3infp_SetValue("IGNR_v2", "17"), 0u);
  ASSERT_EQ(mp3infp_SetValue("ICRD_v2", "2024-05-01"), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  const Bytes file = readFile(path);
  const std::size_t tagEnd = checkV23Header(file);
  EXPECT_EQ(bodyOf(file, tagEnd, "TCON"), (Bytes{1, 0xFF, 0xFE, '1', 0, '7', 0}));
  EXPECT_EQ(file[file.size() - 1], 17);
  EXPECT_EQ(std::string(file.end() - 35, file.end() - 31), "2024");
  EXPECT_EQ(value("IGNR_v2") + "|" + value("ICRD_v2") + "|" + value("IGNR_v1"), "Rock|2024|Rock");
  ASSERT_EQ(mp3infp_SetValue("IGNR_v2", "(17)"), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  EXPECT_EQ(readFile(path), file);
}

// Setting a field to what it holds must not re-encode it: other tools read the stored bytes.
TEST(Mp3infpId3v2Write, UnchangedValuesKeepTheirBytesAndChangedOnesTheFileEncoding) {
  TempDir dir;
  const std::string title = "波〜ダッシュ−マイナス‖";
  const fs::path wav = dir / "a.wav";
  const Bytes info =
      fixtures::makeInfoList({{"INAM", title}, {"IART", "誰か"}, {"ISFT", "Lavf59.27.100"}});
  writeFile(wav, fixtures::makeWavWithChunks({.seconds = 0.1}, {info}));
  ASSERT_EQ(load(wav), 0u);
  ASSERT_EQ(mp3infp_SetValue("INAM", value("INAM").c_str()), 0u);
  ASSERT_EQ(mp3infp_SetValue("IART", "歌手"), 0u);
  ASSERT_EQ(mp3infp_Save(wav.c_str()), 0u);
  const Bytes after = readFile(wav);
  EXPECT_NE(findBytes(after, bytesOf("INAM" + std::string(1, static_cast<char>(title.size() + 1)) +
                                     std::string(3, '\0') + title)),
            std::string::npos);
  EXPECT_NE(findBytes(after, bytesOf("IART" + std::string("\x07\0\0\0", 4) + "歌手")),
            std::string::npos);

  const fs::path mp3Path = dir / "a.mp3";
  const Bytes cp932Title = bytesOf(std::string("\0\x93\xfa\x96\x7b", 5));
  writeFile(mp3Path,
            concat({id3v2(3, {{"TIT2", std::string(cp932Title.begin(), cp932Title.end())}}),
                    shortMp3()}));
  ASSERT_EQ(load(mp3Path), 0u);
  ASSERT_EQ(value("INAM_v2"), "日本");
  ASSERT_EQ(mp3infp_SetValue("INAM_v2", "日本"), 0u);
  ASSERT_EQ(mp3infp_SetValue("IART_v2", "歌手"), 0u);
  ASSERT_EQ(mp3infp_Save(mp3Path.c_str()), 0u);
  const Bytes file = readFile(mp3Path);
  EXPECT_EQ(bodyOf(file, checkV23Header(file), "TIT2"), cp932Title);
}

// Tags that differ keep their differences: the ID3v1 tag takes only the fields set. One made
// for a file that has only an ID3v1 tag starts with its values.
TEST(Mp3infpId3v2Write, Id3v1TakesOnlyTheFieldsSet) {
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  writeFile(path, concat({id3v2(3, {{"TALB", std::string("\0v2", 3)}}), shortMp3(),
                          fixtures::makeId3v1("old", "", "v1", "1999", "note")}));
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_SetValue("INAM_v2", "new"), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  const Bytes file = readFile(path);
  EXPECT_EQ(Bytes(file.end() - 128, file.end()),
            fixtures::makeId3v1("new", "", "v1", "1999", "note"));
  writeFile(path, concat({shortMp3(), fixtures::makeId3v1("old", "", "v1", "1999", "note")}));
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_MakeId3v2(path.c_str()), 0u);
  EXPECT_EQ(value("IPRD_v2") + "|" + value("ICMT_v2"), "v1|note");
}

// iTunes' "iTunNORM" and the like hold data for players: never shown or replaced as the comment.
TEST(Mp3infpId3v2Write, DescribedCommentFramesAreNoComment) {
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  const std::string norm = std::string("\0eng", 4) + "iTunNORM" + std::string(1, '\0') + " 021A";
  writeFile(path, concat({id3v2(3, {{"COMM", norm}}), shortMp3()}));
  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(value("ICMT_v2"), "");
  ASSERT_EQ(mp3infp_SetValue("ICMT_v2", "メモ"), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  EXPECT_NE(findBytes(readFile(path), frame(3, "COMM", norm)), std::string::npos);
}

// An empty frame makes readers stop; kept in front of the new frames it would hide them.
TEST(Mp3infpId3v2Write, DropsEmptyFramesThatHideTheRest) {
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  writeFile(path, concat({id3v2(3, {{"APIC", ""}, {"TPE1", std::string("\0", 1) + "artist"}}),
                          shortMp3()}));
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_SetValue("INAM_v2", "title"), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(value("INAM_v2") + "|" + value("IART_v2"), "title|artist");
}

// TRCK and TPOS in the tag's version and encoding; the ID3v1 mirror takes the track into byte
// 126 (zero at 125), the comment giving up its last two bytes only while there is a track.
TEST(Mp3infpTrack, TrckFrameAndTheId3v1TrackByte) {
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  const std::string comment(30, 'c');
  writeFile(path, concat({id3v2(3, {{"COMM", std::string("\0jpn\0", 5) + comment}}), shortMp3(),
                          fixtures::makeId3v1("", "", "", "", comment)}));
  const auto v1Comment = [&path]() {
    const Bytes file = readFile(path);
    return std::string(file.end() - 31, file.end() - 1); // bytes 97 to 126
  };
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_SetValue("INAM_v2", "t"), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  EXPECT_EQ(v1Comment(), comment);
  EXPECT_EQ(mp3infp_mp3_GetTagType() & 0x18u, 0x08u); // v1.0

  ASSERT_EQ(mp3infp_SetValue("ITRK_v2", "3/12") + mp3infp_SetValue("TPOS_v2", "1/2"), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  const Bytes file = readFile(path);
  EXPECT_EQ(bodyOf(file, checkV23Header(file), "TRCK"),
            (Bytes{1, 0xFF, 0xFE, '3', 0, '/', 0, '1', 0, '2', 0}));
  EXPECT_EQ(bodyOf(file, checkV23Header(file), "TPOS"),
            (Bytes{1, 0xFF, 0xFE, '1', 0, '/', 0, '2', 0}));
  EXPECT_EQ(v1Comment(), std::string(28, 'c') + std::string("\0\x03", 2));
  EXPECT_EQ(mp3infp_mp3_GetTagType() & 0x18u, 0x10u); // v1.1
  EXPECT_EQ(value("ITRK_v2") + "|" + value("ITRK_v1"), "3/12|3");
  for (const auto& [name, text] : {std::pair<const char*, const char*>{"ITRK_v1", "3/12"},
                                   {"ITRK_v1", "256"},
                                   {"ITRK_v2", "A1"},
                                   {"ITRK_v2", "3 of 12"},
                                   {"TPOS_v2", "１/２"}})
    EXPECT_NE(mp3infp_SetValue(name, text), 0u) << name << " " << text;

  ASSERT_EQ(mp3infp_SetValue("ITRK_v2", ""), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  EXPECT_EQ(v1Comment(), comment);

  // 2.4: syncsafe sizes, Latin-1 as the tag's text frame, UTF-8 for what Latin-1 lacks.
  writeFile(path, concat({id3v2(4, {{"TIT2", std::string("\0t", 2)}}), shortMp3()}));
  ASSERT_EQ(load(path), 0u);
  const std::string reading = kLongTitle + kLongTitle + kLongTitle; // 144 bytes
  ASSERT_EQ(mp3infp_SetValue("ITRK_v2", "12") + mp3infp_SetValue("TSOP_v2", reading.c_str()), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  const Bytes v24 = readFile(path);
  EXPECT_NE(findBytes(v24, frame(4, "TRCK", std::string("\0", 1) + "12")), std::string::npos);
  EXPECT_NE(findBytes(v24, frame(4, "TSOP", "\x03" + reading)), std::string::npos);
}

// Every ID3v1 field at its offset and length, each write leaving the others' bytes: a v1.0
// comment keeps its 30 bytes while there is no track; the v1.1 track byte survives writes of
// other fields, and the comment then holds 28 bytes.
TEST(Mp3infpId3v1, EveryFieldAtItsOffsetAndTheTrackByte) {
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  const std::string comment(30, 'c'), title(30, 't'), album(30, 'b'), tail(26, 'a');
  writeFile(path, concat({shortMp3(), fixtures::makeId3v1("", "", "", "", comment)}));
  const auto save = [&path](const std::vector<std::pair<const char*, std::string>>& values) {
    EXPECT_EQ(load(path), 0u);
    for (const auto& [name, text] : values)
      EXPECT_EQ(mp3infp_SetValue(name, text.c_str()), 0u) << name;
    EXPECT_EQ(mp3infp_Save(path.c_str()), 0u);
    const Bytes file = readFile(path);
    EXPECT_EQ(Bytes(file.begin(), file.end() - 128), shortMp3());
    return Bytes(file.end() - 128, file.end());
  };
  const std::string artist = "\x89\xCC\x8E\xE8" + tail; // 歌手 in CP932
  EXPECT_EQ(save({{"INAM_v1", title},
                  {"IART_v1", "歌手" + tail},
                  {"IPRD_v1", album},
                  {"ICRD_v1", "2024"},
                  {"IGNR_v1", "Rock"}}),
            fixtures::makeId3v1(title, artist, album, "2024", comment, -1, 17));
  EXPECT_NE(mp3infp_SetValue("ITRK_v1", "7"), 0u); // the comment fills the track's bytes

  const std::string shorter(28, 'd');
  EXPECT_EQ(save({{"ICMT_v1", shorter + " "}, {"ITRK_v1", "7"}}), // a trailing blank may go
            fixtures::makeId3v1(title, artist, album, "2024", shorter, 7, 17));
  EXPECT_EQ(save({{"INAM_v1", "new"}, {"ICMT_v1", "e"}}),
            fixtures::makeId3v1("new", artist, album, "2024", "e", 7, 17));
  ASSERT_EQ(load(path), 0u);
  EXPECT_NE(mp3infp_SetValue("ICMT_v1", std::string(29, 'e').c_str()), 0u);
  EXPECT_EQ(save({{"ITRK_v1", ""}, {"ICMT_v1", comment}}),
            fixtures::makeId3v1("new", artist, album, "2024", comment, -1, 17));
}

// The bytes of an APIC frame holding `image` as the front cover, header included.
Bytes apicFrame(int major, const std::string& mime, const Bytes& image) {
  return frame(major, "APIC", concat({Bytes{0}, bytesOf(mime), Bytes{0, 3, 0}, image}));
}

std::uint32_t setPicture(const Bytes& image) {
  return mp3infp_SetPicture(image.data(), static_cast<std::uint32_t>(image.size()));
}

std::pair<std::string, Bytes> picture() {
  const char* mime = nullptr;
  const void* data = nullptr;
  std::uint32_t size = 0;
  mp3infp_GetPicture(&mime, &data, &size);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  return {mime, Bytes(bytes, bytes + size)};
}

// A new front cover takes the old one's place; a picture of another type stays. In 2.4 its
// size is syncsafe (353 bytes: 0x00 0x00 0x02 0x61).
TEST(Mp3infpCover, ApicFrameTakesTheFrontCoversPlace) {
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  const Bytes jpeg = fixtures::makeJpeg(40, 24), png = fixtures::makePng(16, 16);
  ASSERT_EQ(png.size(), 340u);
  const std::string other = std::string("\0image/png\0\0x\0", 14) + "PNG";
  writeFile(path, concat({id3v2(3, {{"APIC", other},
                                    {"APIC", std::string("\0image/png\0\x03\0", 13) + "old"},
                                    {"TIT2", std::string("\0t", 2)}}),
                          shortMp3()}));
  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(picture(), std::make_pair(std::string("image/png"), bytesOf("old")));
  ASSERT_EQ(setPicture(jpeg), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  const Bytes file = readFile(path);
  const std::size_t kept = findBytes(file, bytesOf(std::string("APIC\0\0\0\x11\0\0", 10) + other));
  EXPECT_LT(kept, findBytes(file, apicFrame(3, "image/jpeg", jpeg)));
  EXPECT_EQ(findBytes(file, bytesOf("old")), std::string::npos);
  EXPECT_EQ(Bytes(file.end() - static_cast<long>(shortMp3().size()), file.end()), shortMp3());
  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(picture(), std::make_pair(std::string("image/jpeg"), jpeg));

  writeFile(path, concat({id3v2(4, {{"TIT2", std::string("\x03t", 2)}}), shortMp3()}));
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(setPicture(png), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  EXPECT_NE(findBytes(readFile(path), apicFrame(4, "image/png", png)), std::string::npos);
}

// A WAV file's cover goes into an 'id3 ' chunk made for it. What is not a readable JPEG or PNG
// of at most 10 MiB is refused; a file given the cover it has is not written at all.
TEST(Mp3infpCover, WavChunkRefusalsAndTheSameCoverAgain) {
  TempDir dir;
  const fs::path wav = dir / "a.wav";
  const Bytes png = fixtures::makePng(16, 16);
  writeFile(wav, fixtures::makeWavWithChunks({.seconds = 0.1},
                                             {fixtures::makeInfoList({{"INAM", "t"}})}));
  ASSERT_EQ(load(wav), 0u);
  ASSERT_EQ(setPicture(png), 0u);
  ASSERT_EQ(mp3infp_Save(wav.c_str()), 0u);
  const Bytes file = readFile(wav);
  const std::size_t chunkAt = findBytes(file, bytesOf("id3 "));
  ASSERT_NE(chunkAt, std::string::npos);
  EXPECT_GT(findBytes(file, apicFrame(3, "image/png", png)), chunkAt);
  EXPECT_EQ(file[4] | (file[5] << 8) | (file[6] << 16), static_cast<int>(file.size() - 8));

  Bytes huge = fixtures::makeJpeg(8, 8);
  huge.resize((10u << 20) + 1);
  Bytes badCrc = png;
  badCrc[20] ^= 1; // height, under the IHDR's CRC
  Bytes scanFirst = fixtures::makeJpeg(8, 8);
  const std::size_t sof = findBytes(scanFirst, Bytes{0xFF, 0xC0});
  scanFirst.erase(scanFirst.begin() + static_cast<long>(sof),
                  scanFirst.begin() + static_cast<long>(sof) + 2 + 11);
  ASSERT_EQ(load(wav), 0u);
  const std::pair<Bytes, std::uint32_t> refused[] = {
      {huge, MP3INFP_PICTURE_TOO_LARGE},
      {badCrc, MP3INFP_PICTURE_NOT_IMAGE},
      {scanFirst, MP3INFP_PICTURE_NOT_IMAGE},
      {Bytes{0xFF, 0xD8, 0xFF, 0xD9}, MP3INFP_PICTURE_NOT_IMAGE}};
  for (const auto& [bytes, code] : refused)
    EXPECT_EQ(setPicture(bytes), code);
  const auto inode = [&wav]() {
    struct stat st {};
    ::stat(wav.c_str(), &st);
    return st.st_ino;
  };
  const ino_t before = inode();
  ASSERT_EQ(setPicture(png), 0u);
  ASSERT_EQ(mp3infp_Save(wav.c_str()), 0u);
  EXPECT_EQ(inode(), before);
  EXPECT_EQ(readFile(wav), file);
}

TEST(Mp3infpMakeId3v2, UnwrapsRmp3IntoOneTagWithItsInfoValues) {
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  const std::string picture = std::string("\0image/png\0\x03\0", 13) + "PNGDATA";
  const Bytes stream =
      concat({id3v2(3, {{"TIT2", std::string("\0", 1) + "stream title"},
                        {"TPE1", std::string("\0", 1) + "stream artist"},
                        {"APIC", picture}}),
              shortMp3(), fixtures::makeId3v1("stream title", "stream artist", "", "", "")});
  writeFile(path, riff("RMP3", {chunk("data", stream),
                                fixtures::makeInfoList({{"INAM", "曲名"}, {"IPRD", "アルバム"}})}));
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_SetValue("ICMT_rmp", "後で"), 0u);
  ASSERT_EQ(mp3infp_MakeId3v2(path.c_str()), 0u);
  EXPECT_EQ(mp3infp_mp3_GetTagType(), 0x0Bu);
  EXPECT_EQ(value("INAM_v2") + "|" + value("IART_v2") + "|" + value("IPRD_v2"),
            "曲名|stream artist|アルバム");
  EXPECT_EQ(value("INAM_v1"), "曲名");
  EXPECT_EQ(value("ICMT_v2"), "後で"); // still set, not yet saved
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);

  const Bytes file = readFile(path);
  const std::size_t tagEnd = checkV23Header(file);
  EXPECT_EQ(Bytes(file.begin() + static_cast<long>(tagEnd), file.end() - 128), shortMp3());
  EXPECT_EQ(bodyOf(file, tagEnd, "APIC"), bytesOf(picture));
  EXPECT_EQ(findBytes(file, bytesOf("ID3"), 3), std::string::npos);
  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(value("ICMT_v2"), "後で");
}

TEST(Mp3infpMakeId3v2, AddsEmptyTagsToAnMp3AndAnId3ChunkToAWav) {
  TempDir dir;
  const fs::path mp3Path = dir / "a.mp3";
  writeFile(mp3Path, shortMp3());
  ASSERT_EQ(load(mp3Path), 0u);
  ASSERT_EQ(mp3infp_MakeId3v2(mp3Path.c_str()), 0u);
  EXPECT_EQ(mp3infp_mp3_GetTagType(), 0x0Bu);
  const Bytes tagged = readFile(mp3Path);
  expectPlainMp3(tagged, shortMp3());
  EXPECT_EQ(tagged[10], 0); // padding only

  const fs::path wav = dir / "a.wav";
  writeFile(wav, fixtures::makeWavWithChunks({.seconds = 0.1},
                                             {fixtures::makeInfoList({{"INAM", "題名"}})}));
  ASSERT_EQ(load(wav), 0u);
  ASSERT_EQ(mp3infp_SetValue("IART", "歌手"), 0u);
  ASSERT_EQ(mp3infp_MakeId3v2(wav.c_str()), 0u);
  ASSERT_EQ(mp3infp_Save(wav.c_str()), 0u);
  const Bytes file = readFile(wav);
  ASSERT_EQ(file.size() % 2, 0u);
  EXPECT_EQ(file[4] | (file[5] << 8) | (file[6] << 16) | (std::size_t{file[7]} << 24),
            file.size() - 8);
  const std::size_t at = findBytes(file, bytesOf("id3 "));
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(at % 2, 0u);
  const std::size_t size = file[at + 4] | (file[at + 5] << 8) | (file[at + 6] << 16);
  EXPECT_EQ(at + 8 + size + size % 2, file.size());
  const Bytes tag(file.begin() + static_cast<long>(at) + 8, file.end());
  const std::size_t end = checkV23Header(tag);
  EXPECT_EQ(bodyOf(tag, end, "TIT2"), (Bytes{1, 0xFF, 0xFE, 0x4C, 0x98, 0x0D, 0x54}));
  EXPECT_EQ(bodyOf(tag, end, "TPE1"), (Bytes{1, 0xFF, 0xFE, 0x4C, 0x6B, 0x4B, 0x62}));
}

// ReplayGain's values as user text frames: one Latin-1 TXXX frame per description in place of
// those of the same description in any case and encoding; the other frames and the stream stay
// byte for byte. An RMP3 file has no place for one.
TEST(Mp3infpId3v2Write, UserTextFramesTakeThePlaceOfTheirDescription) {
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  std::string oldGain = "\x01\xFF\xFE";
  for (const char c : std::string("replaygain_track_gain\0+1.00 dB", 31))
    oldGain += std::string{c, '\0'};
  const Bytes other = frame(3, "TXXX", std::string("\0other\0keep", 11));
  writeFile(path, concat({tag(3, concat({frame(3, "TXXX", oldGain), other})), shortMp3()}));
  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(mp3infp_SetUserText("REPLAYGAIN_TRACK_GAIN", "-6.52 dB") +
                mp3infp_SetUserText("REPLAYGAIN_TRACK_PEAK", "0.988525") +
                mp3infp_Save(path.c_str()),
            0u);
  const Bytes file = readFile(path), stream = shortMp3();
  const Bytes gain = frame(3, "TXXX", std::string("\0REPLAYGAIN_TRACK_GAIN\0-6.52 dB", 31));
  const Bytes peak = frame(3, "TXXX", std::string("\0REPLAYGAIN_TRACK_PEAK\0000.988525", 31));
  EXPECT_EQ(findBytes(file, concat({gain, other, peak})), 10u);
  const auto end = static_cast<long>(checkV23Header(file));
  EXPECT_TRUE(std::equal(stream.begin(), stream.end(), file.begin() + end, file.end()));
  ASSERT_EQ(mp3infp_mp3_MakeRMP(path.c_str()), 0u);
  EXPECT_EQ(mp3infp_SetUserText("REPLAYGAIN_TRACK_GAIN", "0.00 dB"), MP3INFP_USER_TEXT_NO_PLACE);
}

} // namespace

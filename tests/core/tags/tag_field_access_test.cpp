// The tag fields against the real tag library.
#include "core/tags/TagFieldAccess.h"

#include "core/tags/TagCopy.h"

#include "../../mp3infp/Mp3infpTestFiles.h"
#include "AudioFixtures.h"

#include <mp3infp.h>

#include <gtest/gtest.h>

#include <QDir>

#include <filesystem>

namespace {

using fixtures::Bytes;
using fixtures::TempDir;
namespace fs = std::filesystem;

bool load(const fs::path& p) {
  return mp3infp_Load(nullptr, p.c_str()) == 0;
}

quint32 typeCode() {
  quint32 code = 0;
  TagFieldAccess::GetFileTypeCode(code);
  return code;
}

QString field(TagField f) {
  return TagFieldAccess::ShownValue(f);
}

QByteArray bytes(const fs::path& p) {
  return QByteArray::fromStdString(p.string());
}

TEST(TagFieldAccessVersion, TextHasAPointAfterTheFirstDigit) {
  EXPECT_EQ(TagFieldAccess::VersionText(0x210), "0.00");
  EXPECT_EQ(TagFieldAccess::VersionText(0x211), "2.11");
  EXPECT_EQ(TagFieldAccess::VersionText(0x25A), "2.5A");
  EXPECT_EQ(TagFieldAccess::VersionText(0x1000), "1.000");
}

// An MP3 file without tags reads through ID3v1 names; the first write makes ID3v1 and then
// RIFF SIF, and from then on the fields read through RIFF SIF.
TEST(TagFieldAccessMp3, FirstWriteMakesTheTagsItNeeds) {
  TempDir dir;
  const fs::path path = dir / "song.mp3";
  const Bytes stream = fixtures::makeMp3(1.0);
  fixtures::writeFile(path, stream);
  ASSERT_TRUE(load(path));
  quint32 code = 0;
  ASSERT_TRUE(TagFieldAccess::GetFileTypeCode(code));
  EXPECT_EQ(code, 0x10000u);
  EXPECT_EQ(field(TagField::Title), "");
  EXPECT_EQ(TagFieldAccess::PlayingTime(), "0:01");

  ASSERT_TRUE(TagFieldAccess::SetValue(TagField::Title, QStringLiteral("夜明け"), bytes(path)));
  EXPECT_EQ(typeCode() & 0x05, 0x05u);
  ASSERT_TRUE(
      TagFieldAccess::SetValue(TagField::Comment, QStringLiteral("1行目\r\n2行目"), bytes(path)));
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  ASSERT_TRUE(load(path));
  EXPECT_EQ(field(TagField::Title), "夜明け");
  EXPECT_EQ(field(TagField::Comment), "1行目");
  char* raw = nullptr;
  mp3infp_GetValue("ICMT_rmp", &raw);
  EXPECT_STREQ(raw, "1行目\r\n2行目");
  // The MPEG stream sits unchanged inside the wrapper.
  const Bytes file = fixtures::readFile(path);
  EXPECT_TRUE(std::equal(stream.begin(), stream.end(), file.begin() + 20));
}

// An MP3 with only an ID3v2 tag is written through it, in either format, and gets no other tag.
TEST(TagFieldAccessMp3, OnlyId3v2IsWrittenThroughItselfAddingNoTag) {
  TempDir dir;
  const fs::path path = dir / "song.mp3";
  fixtures::writeFile(
      path, fixtures::concat({mp3infp_test::id3v2(3, {{"TIT2", std::string("\0v2 title", 9)}}),
                              fixtures::makeMp3(0.5)}));
  ASSERT_TRUE(load(path));
  EXPECT_EQ(field(TagField::Title), "v2 title");
  ASSERT_TRUE(TagFieldAccess::SetValue(TagField::Artist, QStringLiteral("Motörhead"), bytes(path)));
  EXPECT_EQ(field(TagField::Artist), "Motörhead");
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  ASSERT_TRUE(load(path));
  EXPECT_EQ(typeCode() & 0xFFFF, 0x02u);
  EXPECT_EQ(field(TagField::Artist), "Motörhead");
}

TEST(TagFieldAccessWav, UsesBareNamesAndNeverMakesTags) {
  TempDir dir;
  const fs::path path = dir / "take.wav";
  fixtures::writeFile(path, fixtures::makeWav({}));
  ASSERT_TRUE(load(path));
  EXPECT_FALSE(TagFieldAccess::GetFileTypeCode(*std::make_unique<quint32>()));
  EXPECT_EQ(typeCode() & 0xFFFF, 0u);
  ASSERT_TRUE(TagFieldAccess::SetValue(TagField::Year, QStringLiteral("2008"), bytes(path)));
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  ASSERT_TRUE(load(path));
  EXPECT_EQ(field(TagField::Year), "2008");
  EXPECT_EQ(mp3infp_GetType(), 2u);
  // A comment part has no place of its own in a file's tags.
  EXPECT_FALSE(TagFieldAccess::SetValue(TagField::Lyricist, QStringLiteral("誰か"), bytes(path)));
  EXPECT_EQ(field(TagField::Lyricist), "");
}

struct CutCase {
  QString stored;
  QString expected;
};

class TagFieldAccessCut : public ::testing::TestWithParam<CutCase> {};

// Values are cut at 128 bytes of their stored form, on a character boundary.
TEST_P(TagFieldAccessCut, CutsLongValuesOnACharacterBoundary) {
  TempDir dir;
  const fs::path path = dir / "a.wav";
  fixtures::writeFile(path, fixtures::makeWav({}));
  ASSERT_TRUE(load(path));
  ASSERT_TRUE(TagFieldAccess::SetValue(TagField::Title, GetParam().stored, bytes(path)));
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  ASSERT_TRUE(load(path));
  EXPECT_EQ(field(TagField::Title), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, TagFieldAccessCut,
    ::testing::Values(CutCase{QString(200, 'x'), QString(128, 'x')},
                      CutCase{QString(100, QChar(0x3042)), QString(64, QChar(0x3042))},
                      CutCase{QStringLiteral("a") + QString(100, QChar(0x3042)),
                              QStringLiteral("a") + QString(63, QChar(0x3042))},
                      // An emoji has no CP932 form: four UTF-8 bytes each.
                      CutCase{QStringLiteral("🎵").repeated(40), QStringLiteral("🎵").repeated(32)},
                      CutCase{QStringLiteral("ab🎵").repeated(30),
                              QStringLiteral("ab🎵").repeated(21) + QStringLiteral("ab")}));

// Each stored field of the table goes where its row says: the ID3v2 frame it names, and the
// slot of the ID3v1 tag that mirrors it (the genre and the track as numbers).
TEST(TagFieldTable, EachFieldGoesWhereItsRowSays) {
  TempDir dir;
  const fs::path path = dir / "song.mp3";
  fixtures::writeFile(path, fixtures::makeMp3(0.3));
  TagFields values;
  for (const TagFieldRow& row : kTagFields)
    values[row.field] = row.trackNumber                ? QStringLiteral("3")
                        : row.field == TagField::Genre ? QStringLiteral("Rock")
                        : row.field == TagField::Year  ? QStringLiteral("2008")
                                                       : QString::fromLatin1(row.name);
  ASSERT_TRUE(load(path));
  ASSERT_TRUE(TagCopy::SetValues(nullptr, values, bytes(path), Options::Mp3Format::Id3v2));
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  const Bytes bytes = fixtures::readFile(path);
  const std::string file(bytes.begin(), bytes.end());
  const std::string v1 = file.substr(file.size() - 128);
  for (const TagFieldRow& row : kTagFields) {
    if (!row.Stored())
      continue;
    const std::string value = values[row.field].toStdString();
    std::string utf16;
    for (const char c : value)
      utf16 += {c, '\0'};
    const std::size_t at = file.find(row.id3v2Frame);
    ASSERT_NE(at, std::string::npos) << row.id3v2Frame;
    const std::string frame = file.substr(at, 80);
    EXPECT_NE(frame.find(value.size() > 1 ? utf16 : value), std::string::npos) << row.id3v2Frame;
    if (row.id3v1.bytes > 1)
      EXPECT_EQ(v1.substr(static_cast<std::size_t>(row.id3v1.offset), value.size()), value);
    else // Rock is genre 17
      EXPECT_EQ(v1[static_cast<std::size_t>(row.id3v1.offset)], row.trackNumber ? 3 : 17);
  }
}

} // namespace

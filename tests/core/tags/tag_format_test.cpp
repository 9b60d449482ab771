// Writing through the MP3 tag format the options pick, without any window: the ID3v2 choice
// leaves MP3 files plain with a tag at their start, and gives WAV files an 'id3 ' chunk; either
// way a field the user did not change keeps its stored bytes.
#include "../../mp3infp/Mp3infpTestFiles.h"
#include "AudioFixtures.h"
#include "FakeSessionView.h"
#include "ImageFixtures.h"
#include "QtPath.h"
#include "TagTools.h"

#include "FinishOpen.h"
#include "core/fs/FsPath.h"
#include "core/session/TagEditor.h"
#include "core/settings/Options.h"
#include "core/tags/TagJobs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using fixtures::Bytes;

bool StartsWith(const Bytes& file, const std::string& prefix) {
  return file.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), file.begin());
}

bool Holds(const Bytes& file, const Bytes& part) {
  return std::search(file.begin(), file.end(), part.begin(), part.end()) != file.end();
}

// The bytes of one INFO item as a RIFF file stores it.
Bytes InfoItem(const char* id, const std::string& value) {
  const Bytes list = fixtures::makeInfoList({{id, value}});
  return Bytes(list.begin() + 12, list.end());
}

class TagFormatTest : public ::testing::Test {
protected:
  // Shows the file, changes the fields `edit` touches and writes them as the button does.
  template <typename Edit> void EditAndWrite(const fs::path& file, Edit edit) {
    Show(Q(file));
    edit(view.fields);
    Write();
    EXPECT_EQ(view.writes.back(), TagWriteResult::Written);
  }
  void Show(const QString& file) {
    tags.ShowFile(file);
    FinishTagWork(tags);
  }
  // The write button, with what the boxes hold.
  void Write() {
    tags.Write(view.fields);
    FinishTagWork(tags);
  }

  fixtures::TempDir dir;
  FakeSessionView view;
  Options options;
  TagJobs jobs;
  TagEditor tags{view, view, options, jobs};
};

TEST_F(TagFormatTest, Id3v2ModeWritesAPlainMp3AndUnwrapsAnRmp3File) {
  const Bytes stream = fixtures::makeMp3(0.5);
  const fs::path plain = dir / "plain.mp3";
  const fs::path wrapped = dir / "wrapped.mp3";
  fixtures::writeFile(plain, stream);
  fixtures::writeFile(wrapped, stream);

  // The designed format wraps the second file in RIFF 'RMP3' first.
  EditAndWrite(wrapped, [](TagFields& f) { f[TagField::Title] = QStringLiteral("包まれた歌"); });
  ASSERT_TRUE(StartsWith(fixtures::readFile(wrapped), "RIFF"));

  options.mp3TagFormat = Options::Mp3Format::Id3v2;
  EditAndWrite(plain, [](TagFields& f) {
    f[TagField::Title] = QStringLiteral("夜明けの歌");
    f[TagField::Artist] = QStringLiteral("山田 太郎");
  });
  mp3infp_test::expectPlainMp3(fixtures::readFile(plain), stream);
  Show(Q(plain));
  EXPECT_EQ(view.fields[TagField::Title], QStringLiteral("夜明けの歌"));
  EXPECT_EQ(view.fields[TagField::Artist], QStringLiteral("山田 太郎"));
  EXPECT_EQ(view.kinds, QStringLiteral("0000000B (ID3V1)(ID3V2)(ID3V1_0)"));

  // The RMP3 file's title, kept from its INFO list, goes into the new tag with the artist.
  EditAndWrite(wrapped, [](TagFields& f) { f[TagField::Artist] = QStringLiteral("鈴木 花子"); });
  mp3infp_test::expectPlainMp3(fixtures::readFile(wrapped), stream);
  Show(Q(wrapped));
  EXPECT_EQ(view.fields[TagField::Title], QStringLiteral("包まれた歌"));
  EXPECT_EQ(view.fields[TagField::Artist], QStringLiteral("鈴木 花子"));
}

// The designed format wraps only an MP3 without an ID3v2 tag. One with such a tag (a cover in
// it) is written through that tag, in its own version, and its ID3v1 tag follows: every
// reader shows the new values and the cover.
TEST_F(TagFormatTest, RiffSifModeWritesAnMp3WithId3v2ThroughThatTag) {
  const Bytes stream = fixtures::makeMp3(0.5);
  const Bytes png = fixtures::makePng(2, 2);
  for (const int major : {3, 4}) {
    SCOPED_TRACE(major);
    const fs::path path = dir / ("v2" + std::to_string(major) + ".mp3");
    const Bytes tag = mp3infp_test::id3v2(
        major,
        {{"TIT2", std::string("\0old", 4)},
         {"TPE1", std::string("\0old artist", 11)},
         {"APIC", std::string("\0image/png\0\x03\0", 13) + std::string(png.begin(), png.end())}});
    fixtures::writeFile(
        path,
        fixtures::concat({tag, stream, fixtures::makeId3v1("old", "old artist", "", "", "")}));
    EditAndWrite(path, [](TagFields& f) {
      f[TagField::Title] = QStringLiteral("新しい題名");
      f[TagField::Artist] = QStringLiteral("山田 太郎");
    });
    const Bytes file = fixtures::readFile(path);
    ASSERT_TRUE(StartsWith(file, "ID3" + std::string(1, static_cast<char>(major))));
    EXPECT_TRUE(Holds(Bytes(file.end() - 128, file.end()), {0x90, 0x56})); // 新 in ID3v1

    for (const auto& [tool, values] : tag_tools::readByTools(path)) {
      EXPECT_EQ(values[0], "新しい題名") << tool;
      EXPECT_EQ(values[1], "山田 太郎") << tool;
    }
    for (const auto& [tool, seen] : tag_tools::coverSeenByTools(path, png, "image/png"))
      EXPECT_TRUE(seen) << tool;
  }
}

TEST_F(TagFormatTest, Id3v2ModeGivesAWavAnId3ChunkBesideItsInfoList) {
  // Its track, stored by another tool in a form no track box takes, stays and blocks nothing.
  const fs::path wav = dir / "a.wav";
  fixtures::writeFile(wav, fixtures::makeWavWithChunks({.seconds = 0.2},
                                                       {fixtures::makeInfoList({{"ITRK", "A1"}})}));
  options.mp3TagFormat = Options::Mp3Format::Id3v2;
  EditAndWrite(wav, [](TagFields& f) { f[TagField::Title] = QStringLiteral("Dawn"); });
  const Bytes once = fixtures::readFile(wav);
  EXPECT_TRUE(Holds(once, {'i', 'd', '3', ' '}));
  EXPECT_TRUE(Holds(once, InfoItem("INAM", "Dawn")));

  // Written again, the file keeps its one chunk.
  EditAndWrite(wav, [](TagFields& f) { f[TagField::Title] = QStringLiteral("Dusk"); });
  const Bytes twice = fixtures::readFile(wav);
  const Bytes id = {'i', 'd', '3', ' '};
  const auto first = std::search(twice.begin(), twice.end(), id.begin(), id.end());
  EXPECT_EQ(std::search(first + 1, twice.end(), id.begin(), id.end()), twice.end());
  EXPECT_TRUE(Holds(twice, InfoItem("INAM", "Dusk")));
  EXPECT_TRUE(Holds(twice, InfoItem("ITRK", "A1")));
  Show(Q(wav));
  EXPECT_EQ(view.fields[TagField::Title], QStringLiteral("Dusk"));
}

// A WAV tagged by ffmpeg holds UTF-8 INFO values. Changing only the artist in the designed
// format leaves the title's bytes as they were (〜 − ‖ would not survive CP932), and ffprobe,
// which reads INFO as UTF-8, still shows every field.
TEST_F(TagFormatTest, FfmpegTaggedWavKeepsTheBytesOfUnchangedFields) {
  const std::vector<std::string> values = {"波〜ダッシュ−マイナス‖", "誰か", "日本語アルバム",
                                           "作詩:鈴木/作曲:佐藤", "2024"};
  const fs::path wav = dir / "a.wav";
  fixtures::writeFile(
      wav, fixtures::makeWavWithChunks({.seconds = 0.2},
                                       {fixtures::makeInfoList({{"IART", values[1]},
                                                                {"ICMT", values[3]},
                                                                {"ICRD", values[4]},
                                                                {"INAM", values[0]},
                                                                {"IPRD", values[2]},
                                                                {"ISFT", "Lavf59.27.100"}})}));
  EditAndWrite(wav, [](TagFields& f) { f[TagField::Artist] = QStringLiteral("山田 太郎"); });
  EXPECT_TRUE(Holds(fixtures::readFile(wav), InfoItem("INAM", values[0])));

  if (!tag_tools::installed("ffprobe"))
    GTEST_SKIP() << "ffprobe is not installed";
  std::vector<std::string> expected = values;
  expected[1] = "山田 太郎";
  EXPECT_EQ(tag_tools::readByTools(wav)["ffprobe"], expected);
}

// A file without a track gets the one its name proposes with the first write, and the jacket
// image chosen becomes its front cover, which every reader sees; an image offered but not
// chosen leaves that cover as it is, and an image that is no picture writes nothing.
TEST_F(TagFormatTest, ProposedTrackAndChosenCoverReachEveryReader) {
  options.mp3TagFormat = Options::Mp3Format::Id3v2;
  const fs::path mp3 = dir / "03 曲名.mp3";
  fixtures::writeFile(mp3, fixtures::makeMp3(0.3));
  const Bytes jpeg = fixtures::makeJpeg(16, 16);
  // The chosen image's name is CP932 (ジャケ.jpg), as in a folder from Windows; the box shows it
  // decoded.
  const fs::path jacket = dir / "\x83\x57\x83\x83\x83\x50.jpg";
  fixtures::writeFile(jacket, jpeg);
  fixtures::writeFile(dir / "other.png", fixtures::makePng(4, 4));
  fixtures::writeFile(dir / "broken.png", Bytes(64, 0x89));
  tags.SetJacketImages({FsPath::Decode(QByteArray::fromStdString(jacket.string())),
                        Q(dir / "other.png"), Q(dir / "broken.png")});

  Show(Q(mp3));
  EXPECT_EQ(view.fields.ProposedTrack, QStringLiteral("3"));
  EXPECT_FALSE(tags.HasUnsavedEdits());
  view.fields[TagField::Jacket] = QStringLiteral("ジャケ.jpg");
  view.fields.JacketChosen = true;
  tags.CoverChosen(view.fields);
  EXPECT_EQ(view.cover.kind, CoverPreview::Kind::ToWrite);
  EXPECT_TRUE(tags.HasUnsavedEdits());
  Write();
  ASSERT_EQ(view.writes.back(), TagWriteResult::Written);
  EXPECT_EQ(view.fields[TagField::Track], QStringLiteral("3"));
  for (const auto& [tool, track] : tag_tools::trackByTools(mp3))
    EXPECT_EQ(track, "3") << tool;
  for (const auto& [tool, seen] : tag_tools::coverSeenByTools(mp3, jpeg, "image/jpeg"))
    EXPECT_TRUE(seen) << tool;

  // Shown again with another image in the box: the file's cover stays.
  const Bytes written = fixtures::readFile(mp3);
  Show(Q(mp3));
  EXPECT_EQ(view.cover.kind, CoverPreview::Kind::Stored);
  view.fields[TagField::Jacket] = QStringLiteral("other.png");
  view.fields[TagField::Track] = QStringLiteral("３／１２");
  Write();
  EXPECT_EQ(view.writes.back(), TagWriteResult::Written);
  EXPECT_EQ(tag_tools::coverSeenByTools(mp3, jpeg, "image/jpeg")["ffprobe"], true);
  EXPECT_EQ(view.fields[TagField::Track], QStringLiteral("3/12"));

  const Bytes before = fixtures::readFile(mp3);
  view.fields[TagField::Jacket] = QStringLiteral("broken.png");
  view.fields.JacketChosen = true;
  view.fields[TagField::Title] = QStringLiteral("書かれない題名");
  Write();
  EXPECT_EQ(view.writes.back(), TagWriteResult::Failed);
  EXPECT_TRUE(view.writeFailure.startsWith(QStringLiteral("broken.png は")))
      << view.writeFailure.toStdString();
  view.fields[TagField::Jacket] = QStringLiteral("ジャケ.jpg");
  view.fields[TagField::Track] = QStringLiteral("3 of 12");
  Write();
  EXPECT_EQ(view.writes.back(), TagWriteResult::Failed);
  EXPECT_EQ(fixtures::readFile(mp3), before);
  EXPECT_NE(written, before);
}

} // namespace

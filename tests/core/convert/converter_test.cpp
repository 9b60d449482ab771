// The conversion's working classes without any window: the tag copy after an encode, and which
// file the shown fields are written into afterwards. Real encoder module and tag library.
#include "../../mp3infp/Mp3infpTestFiles.h"
#include "AudioFixtures.h"
#include "FakeSessionView.h"
#include "FinishOpen.h"
#include "ImageFixtures.h"
#include "QtPath.h"
#include "TagTools.h"

#include "core/convert/Converter.h"
#include "core/encoder/EncoderComponent.h"
#include "core/fs/Cp932.h"
#include "core/fs/FsPath.h"
#include "core/fs/Trash.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/session/TagEditor.h"
#include "core/settings/Options.h"
#include "core/tags/TagFieldAccess.h"

#include <gtest/gtest.h>

#include <mp3infp_handle.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>

#include <filesystem>
#include <memory>

namespace {

namespace fs = std::filesystem;

class ConverterTest : public ::testing::Test {
protected:
  void Finish() { FinishConversion(session); }

  fixtures::TempDir dir;
  FakeSessionView view{[this](const QString& wav) { return trash ? trash(wav) : Trash::Result{}; }};
  // The trash of the test; none: a WAV file cannot go to the trash and stays.
  std::function<Trash::Result(const QString&)> trash;
  Session session{view, view};
  Options& options = session.options();
  TagEditor& tags = session.tagEditor();
  Navigator& navigator = session.navigator();
};

QString Whole(const fs::path& file, const char* name) {
  char* value = nullptr;
  EXPECT_EQ(mp3infp_Load(nullptr, file.c_str()), 0u);
  mp3infp_GetValue(name, &value);
  return QString::fromUtf8(value);
}

// The copy goes from file to file: a comment of three lines and a title longer than the
// window's 128-byte view reach the MP3 whole. The MP3 appears under its name once, tagged and
// complete, and is never written again; its WAV file goes to the trash only after that.
TEST_F(ConverterTest, TagCopyCarriesWholeValues) {
  const std::string title(200, 'T');
  const std::string comment = "first line\r\nsecond line\r\nthird line";
  fixtures::writeFile(
      dir / "a.wav",
      fixtures::makeWavWithChunks(
          {.seconds = 0.3},
          {fixtures::makeInfoList(
              {{"INAM", title}, {"ICMT", comment}, {"IART", "artist"}, {"ITRK", "3/12"}})}));
  options.copyWavTagToMp3 = true;
  options.moveWavToTrash = true;
  QString titleWhenTrashed;
  trash = [&](const QString& wav) {
    MP3INFP_HANDLE* h = mp3infph_Create();
    char* value = nullptr;
    if (mp3infph_Load(h, (dir / "a.mp3").c_str()) == 0 &&
        mp3infph_GetValue(h, "INAM_rmp", &value) == 0)
      titleWhenTrashed = QString::fromUtf8(value);
    mp3infph_Destroy(h);
    return Trash::Result{QFile::remove(wav), {}};
  };
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(::inotify_add_watch(watch, dir.path().c_str(), IN_ALL_EVENTS), 0);
  navigator.ShowList({Q(dir / "a.wav")}, 0);
  FinishOpen(navigator);
  session.ConvertShown();
  Finish();

  std::vector<std::uint32_t> events; // what was done to the MP3's name (reads aside)
  alignas(inotify_event) char buffer[65536];
  for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;)
    for (char* at = buffer; at < buffer + n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(at);
      if (e->len > 0 && std::string(e->name) == "a.mp3" &&
          (e->mask & (IN_CREATE | IN_MOVED_TO | IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE |
                      IN_MOVED_FROM)) != 0)
        events.push_back(e->mask);
      at += sizeof(inotify_event) + e->len;
    }
  ::close(watch);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_TRUE(events[0] & (IN_MOVED_TO | IN_CREATE)) << "taken by a rename or a link, whole";
  EXPECT_EQ(titleWhenTrashed, QString::fromStdString(title));
  EXPECT_EQ(Whole(dir / "a.mp3", "INAM_rmp"), QString::fromStdString(title));
  EXPECT_EQ(Whole(dir / "a.mp3", "ICMT_rmp"), QString::fromStdString(comment));
  EXPECT_EQ(Whole(dir / "a.mp3", "IART_rmp"), QStringLiteral("artist"));
  EXPECT_EQ(Whole(dir / "a.mp3", "ITRK_rmp"), QStringLiteral("3/12"));
}

// With the ID3v2 choice the copy leaves the new MP3 plain, its frames as the encoder wrote
// them, and every common tag reader shows the WAV's Japanese values (stored there in CP932, as
// Windows tools write them).
TEST_F(ConverterTest, Id3v2CopyIsReadByEveryTool) {
  const std::vector<std::string> values = {"夜明けの歌", "山田 太郎", "日本語アルバム",
                                           "作詩:鈴木/作曲:佐藤", "2024"};
  const char* const ids[] = {"INAM", "IART", "IPRD", "ICMT", "ICRD"};
  std::vector<std::pair<std::string, std::string>> items;
  for (std::size_t i = 0; i < values.size(); ++i) {
    QByteArray stored;
    ASSERT_TRUE(Cp932::Encode(QString::fromStdString(values[i]), stored));
    items.emplace_back(ids[i], stored.toStdString());
  }
  const fixtures::Bytes wav =
      fixtures::makeWavWithChunks({.seconds = 0.3}, {fixtures::makeInfoList(items)});
  fixtures::writeFile(dir / "untagged.wav", wav);
  fixtures::writeFile(dir / "a.wav", wav);
  options.copyWavTagToMp3 = false;
  navigator.ShowList({Q(dir / "untagged.wav"), Q(dir / "a.wav")}, 0);
  FinishOpen(navigator);
  session.ConvertShown();
  Finish();
  options.copyWavTagToMp3 = true;
  options.mp3TagFormat = Options::Mp3Format::Id3v2;
  navigator.Next();
  FinishOpen(navigator);
  session.ConvertShown();
  Finish();

  mp3infp_test::expectPlainMp3(fixtures::readFile(dir / "a.mp3"),
                               fixtures::readFile(dir / "untagged.mp3"));
  for (const auto& [tool, shown] : tag_tools::readByTools(dir / "a.mp3"))
    EXPECT_EQ(shown, values) << tool;
}

// A WAV whose track and cover were written first gives an MP3 every reader shows them in.
TEST_F(ConverterTest, Id3v2CopyCarriesTrackAndCover) {
  fixtures::writeFile(dir / "07 a.wav", fixtures::makeWav({.seconds = 0.3}));
  const fixtures::Bytes png = fixtures::makePng(8, 8);
  fixtures::writeFile(dir / "cover.png", png);
  options.copyWavTagToMp3 = true;
  options.mp3TagFormat = Options::Mp3Format::Id3v2;
  navigator.ShowList({Q(dir / "07 a.wav")}, 0);
  FinishOpen(navigator);
  view.fields[TagField::Track] = QStringLiteral("7/9");
  view.fields[TagField::Jacket] = QStringLiteral("cover.png");
  view.fields.JacketChosen = true;
  tags.Write(view.fields);
  FinishTagWork(tags);
  ASSERT_EQ(view.writes.back(), TagWriteResult::Written);
  session.ConvertShown();
  Finish();
  const fs::path mp3 = dir / "07 a.mp3";
  for (const auto& [tool, track] : tag_tools::trackByTools(mp3))
    EXPECT_EQ(track, "7/9") << tool;
  for (const auto& [tool, seen] : tag_tools::coverSeenByTools(mp3, png, "image/png"))
    EXPECT_TRUE(seen) << tool;
}

// WAVs the encoder reads but the tag library reads otherwise or not at all (RF64, a format
// header with a wrong block size) convert and pass the check; the RF64 file's tag is copied.
TEST_F(ConverterTest, EveryWavTheEncoderReadsPassesTheCheck) {
  fixtures::writeFile(
      dir / "big.wav",
      fixtures::makeRf64({.seconds = 0.5}, {fixtures::makeInfoList({{"INAM", "long take"}})}));
  fixtures::Bytes odd = fixtures::makeWav({.seconds = 0.5});
  odd[32] = 3; // the block size of 16-bit stereo is 4
  fixtures::writeFile(dir / "odd.wav", odd);
  options.copyWavTagToMp3 = true;
  navigator.ShowList({Q(dir / "big.wav"), Q(dir / "odd.wav")}, 0);
  FinishOpen(navigator);
  const std::optional<BatchResult> result = ConvertAllOf(session);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->Count(FileResult::Kind::Converted), 2);
  EXPECT_EQ(Whole(dir / "big.mp3", "INAM_rmp"), QStringLiteral("long take"));
  EXPECT_TRUE(fs::exists(dir / "odd.mp3"));
}

// Options changed during a batch are for the next one: this one goes on as it started.
TEST_F(ConverterTest, ABatchKeepsTheOptionsItStartedWith) {
  for (const char* name : {"a", "b"})
    fixtures::writeFile(
        dir / (std::string(name) + ".wav"),
        fixtures::makeWavWithChunks({.seconds = 0.2}, {fixtures::makeInfoList({{"INAM", name}})}));
  options.copyWavTagToMp3 = true;
  options.mp3Jobs = 1;
  navigator.ShowList({Q(dir / "a.wav"), Q(dir / "b.wav")}, 0);
  FinishOpen(navigator);
  view.onPause = [this] {
    options.copyWavTagToMp3 = false;
    options.useOutputFolder = true;
    options.outputFolder = Q(dir / "elsewhere");
  };
  fs::create_directory(dir / "elsewhere");
  ConvertAllOf(session);
  EXPECT_EQ(Whole(dir / "b.mp3", "INAM_rmp"), QStringLiteral("b"));
  EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
}

// During the end handler's pause the user steps to another file. The tag copy goes file to file
// and leaves the window alone: the fields stay those of the file named, and a write lands there.
TEST_F(ConverterTest, WriteAfterThePauseLandsInTheNamedFile) {
  fixtures::writeFile(
      dir / "a.wav",
      fixtures::makeWavWithChunks({.seconds = 0.3}, {fixtures::makeInfoList({{"INAM", "wav"}})}));
  fixtures::writeFile(
      dir / "y.wav",
      fixtures::makeWavWithChunks({.seconds = 0.1}, {fixtures::makeInfoList({{"INAM", "other"}})}));
  const fixtures::Bytes converted = fixtures::readFile(dir / "a.wav");
  options.copyWavTagToMp3 = true;
  navigator.ShowList({Q(dir / "a.wav"), Q(dir / "y.wav")}, 0);
  FinishOpen(navigator);
  bool stepped = false;
  view.onPause = [&] {
    if (!stepped) {
      stepped = true;
      navigator.Next();
      FinishOpen(navigator);
    }
  };
  session.ConvertShown();
  Finish();
  ASSERT_TRUE(stepped);
  EXPECT_EQ(view.fileName, QStringLiteral("y.wav"));
  EXPECT_EQ(view.fields[TagField::Title], QStringLiteral("other"));
  EXPECT_EQ(Whole(dir / "a.mp3", "INAM_rmp"), QStringLiteral("wav"));

  view.fields[TagField::Title] = QStringLiteral("edited");
  tags.Write(view.fields);
  FinishTagWork(tags);
  EXPECT_EQ(view.writes.back(), TagWriteResult::Written);
  EXPECT_EQ(Whole(dir / "y.wav", "INAM"), QStringLiteral("edited"));
  EXPECT_EQ(fixtures::readFile(dir / "a.wav"), converted);
}

// With an output folder, an album opened as a folder keeps its discs' subfolders there, made as
// needed: the second disc's "01" is not taken for the first's, one at a time or several at once.
TEST_F(ConverterTest, TheOutputFolderKeepsTheAlbumsSubfolders) {
  for (const char* disc : {"album/Disc1", "album/Disc2"}) {
    fs::create_directories(dir / disc);
    fixtures::writeFile(dir / disc / "01.wav", fixtures::makeWav({.seconds = 0.2}));
  }
  options.openByFolder = true;
  options.useOutputFolder = true;
  options.outputFolder = Q(dir / "out");
  options.overwriteMp3 = true;
  fs::create_directory(dir / "out");
  OpenFolder(navigator, Q(dir / "album"));
  for (const int jobs : {2, 1}) {
    options.mp3Jobs = jobs;
    const std::optional<BatchResult> result = ConvertAllOf(session);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->Count(FileResult::Kind::Converted), 2) << jobs;
    for (const char* mp3 : {"out/Disc1/01.mp3", "out/Disc2/01.mp3"})
      EXPECT_TRUE(fs::exists(dir / mp3)) << mp3 << " " << jobs;
  }
}

// A zip made on Japanese Windows gives CP932 names ("あ" folder, "い.wav"): listed, shown, tagged,
// converted in a batch and trashed by their own bytes.
TEST_F(ConverterTest, Cp932NamedFilesWorkThroughout) {
  const fs::path folder = dir / "\x82\xA0";
  fs::create_directory(folder);
  const fs::path wav = folder / "\x82\xA2.wav";
  fixtures::writeFile(wav, fixtures::makeWavWithChunks(
                               {.seconds = 0.3}, {fixtures::makeInfoList({{"INAM", "\x89\xCC"}})}));
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString((dir / "share").string()));

  navigator.OpenOneFile(FsPath::Decode(QByteArray::fromStdString(wav.string())));
  FinishOpen(navigator);
  ASSERT_EQ(navigator.FileList().size(), 1);
  EXPECT_EQ(FsPath::Display(view.fileName), QStringLiteral("い.wav"));
  EXPECT_EQ(view.fields[TagField::Title], QStringLiteral("歌"));
  view.fields[TagField::Artist] = QStringLiteral("歌手");
  tags.Write(view.fields);
  FinishTagWork(tags);
  EXPECT_EQ(view.writes.back(), TagWriteResult::Written);

  options.copyWavTagToMp3 = true;
  options.moveWavToTrash = true;
  trash = Trash::MoveToTrash;
  const std::optional<BatchResult> result = ConvertAllOf(session);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->Count(FileResult::Kind::Converted), 1);
  EXPECT_EQ(Whole(folder / "\x82\xA2.mp3", "IART_rmp"), QStringLiteral("歌手"));
  EXPECT_FALSE(fs::exists(wav));
  EXPECT_TRUE(fs::exists(dir / "share/Trash/files/\x82\xA2.wav"));
}

} // namespace

// The main window's tag display and tag writing against the real tag library.
#include "FakePlatform.h"
#include "FinishOpen.h"
#include "FormControls.h"
#include "core/convert/Converter.h"
#include "core/fs/Cp932.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/session/TagEditor.h"
#include "core/tags/TagFieldAccess.h"
#include "gui/GenreListWindow.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"

#include "../mp3infp/Mp3infpTestFiles.h"
#include "AudioFixtures.h"

#include <mp3infp.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>

namespace {

using fixtures::Bytes;
namespace fs = std::filesystem;

std::string cp932(const QString& text) {
  QByteArray bytes;
  EXPECT_TRUE(Cp932::Encode(text, bytes));
  return bytes.toStdString();
}

// A text frame's body in UTF-16 with a byte order mark.
std::string utf16(const QString& text) {
  std::string body("\x01\xFF\xFE", 3);
  for (const QChar ch : text)
    body += {static_cast<char>(ch.unicode() & 0xFF), static_cast<char>(ch.unicode() >> 8)};
  return body;
}

// The payload of the first top-level chunk `id` of a RIFF file.
Bytes chunk(const Bytes& file, const char* id) {
  for (size_t at = 12; at + 8 <= file.size();) {
    const quint32 size = file[at + 4] | file[at + 5] << 8 | file[at + 6] << 16 |
                         static_cast<quint32>(file[at + 7]) << 24;
    if (std::equal(id, id + 4, file.begin() + static_cast<long>(at)))
      return Bytes(file.begin() + static_cast<long>(at) + 8,
                   file.begin() + static_cast<long>(at + 8 + size));
    at += 8 + size + (size & 1);
  }
  return {};
}

bool contains(const Bytes& haystack, const Bytes& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
         haystack.end();
}

std::string wholeValue(const QString& path, const char* name) {
  EXPECT_EQ(mp3infp_Load(nullptr, QFile::encodeName(path).constData()), 0u);
  char* raw = nullptr;
  mp3infp_GetValue(name, &raw);
  return raw ? raw : "";
}

// Reads and shows the tag of `path`, as the tag editor does for the file shown.
void ShowFile(MainWindow& form, const QString& path) {
  form.session().tagEditor().ShowFile(path);
  FinishTagWork(form.session().tagEditor());
}

class TagViewTest : public ::testing::Test {
protected:
  TagViewTest() {
    form.SetIniPath(str(dir / "none.ini"));
    form.SetOptionsWindow(new OptionsDialog(&form));
    form.SetGenreListWindow(new GenreListWindow(platform, str(dir / "none.txt"), &form));
  }
  static QString str(const fs::path& p) { return QString::fromStdString(p.string()); }
  QString make(const std::string& name, const Bytes& bytes) {
    fs::create_directories((dir / name).parent_path());
    fixtures::writeFile(dir / name, bytes);
    return str(dir / name);
  }
  // Shows the file as opening it does.
  void showFile(const QString& path) {
    form.session().navigator().ShowList({path}, 0);
    FinishOpen(form.session().navigator());
  }
  // The write button: the status bar says 書込み中 until the write's result takes its place.
  QString pressWrite() {
    form.OnWriteTagsClicked();
    EXPECT_EQ(form.StatusText(1), u"書込み中"_qs);
    FinishTagWork(form.session().tagEditor());
    return form.StatusText(1);
  }

  fixtures::TempDir dir;
  FakePlatform platform;
  MainWindow form{platform};
};

// ---------------------------------------------------------------------------------------------
// Display

struct DisplayCase {
  const char* name;
  std::function<Bytes()> make;
  const char* shown; // type|kinds|title|artist|album|year|comment|genre
};

void PrintTo(const DisplayCase& c, std::ostream* os) {
  *os << c.name;
}

class TagDisplayTest : public TagViewTest, public ::testing::WithParamInterface<DisplayCase> {};

TEST_P(TagDisplayTest, FillsTheTagBoxes) {
  const DisplayCase& c = GetParam();
  const QString path = make(std::string(c.shown).starts_with("WAV") ? "a.wav" : "a.mp3", c.make());
  LineEdit(form, "fileNameEdit")->setText(QStringLiteral("other.wav"));
  LineEdit(form, "idEdit")->setText(QStringLiteral("old id"));
  Combo(form, "jacketCombo")->setCurrentText(QStringLiteral("keep.jpg"));
  ShowFile(form, path);

  EXPECT_EQ(LineEdit(form, "libraryVersionEdit")->text(), QStringLiteral("2.60"));
  const auto boxes = {"fileTypeEdit", "tagKindsEdit", "titleEdit",   "artistEdit",
                      "albumEdit",    "yearEdit",     "commentEdit", "genreEdit"};
  EXPECT_EQ(Texts(form, boxes), c.shown);
  // No markers in these comments: the part boxes are emptied, the jacket image box is kept.
  EXPECT_EQ(
      Texts(form, {"openStatusEdit", "playingTimeEdit", "idEdit", "jacketCombo", "fileNameEdit"}),
      "Open_SUCCESS|0:01||keep.jpg|other.wav");

  // The command line shows the same values.
  QProcess cli;
  cli.start(qEnvironmentVariable("W2M_BIN_DIR") + "/wav2mp3tag-cli", {"tags", "--json", path});
  ASSERT_TRUE(cli.waitForFinished(-1));
  EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  const QJsonObject shown =
      QJsonDocument::fromJson(cli.readAllStandardOutput()).array().at(0).toObject();
  QString kinds;
  for (const QJsonValue kind : shown["tagKinds"].toArray())
    kinds += u'(' + kind.toString() + u')';
  QStringList values{shown["type"].toString(), kinds};
  for (const char* key : {"title", "artist", "album", "year", "comment", "genre", "playingTime"})
    values << shown[key].toString();
  QStringList expected = QString::fromUtf8(c.shown).split(u'|');
  expected[1] = expected[1].section(u' ', 1);
  EXPECT_EQ(values.join(u'|').toStdString(), (expected << u"0:01"_qs).join(u'|').toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, TagDisplayTest,
    ::testing::Values(
        DisplayCase{"WavInfoCp932",
                    [] {
                      return fixtures::makeWavWithChunks(
                          {}, {fixtures::makeInfoList({{"INAM", cp932(u"夜明けのスキャット～①"_qs)},
                                                       {"IART", cp932(u"由紀さおり"_qs)},
                                                       {"IPRD", "Best"},
                                                       {"ICRD", "1969"},
                                                       {"ICMT", cp932(u"名曲"_qs)},
                                                       {"IGNR", "JPop"}})});
                    },
                    "WAV|00000000 |夜明けのスキャット～①|由紀さおり|Best|1969|名曲|JPop"},
        DisplayCase{"WavInfoUtf8",
                    [] {
                      return fixtures::makeWavWithChunks(
                          {}, {fixtures::makeInfoList(
                                  {{"INAM", u"夜明け〜"_qs.toStdString()}, {"ICMT", "x/y"}})});
                    },
                    "WAV|00000000 |夜明け〜||||x/y|"},
        DisplayCase{"Mp3Id3v1",
                    [] {
                      return fixtures::concat(
                          {fixtures::makeMp3(1.0),
                           fixtures::makeId3v1(cp932(u"夜明け"_qs), "Saori", "LP", "1969", "c")});
                    },
                    "MP3|00000009 (ID3V1)(ID3V1_0)|夜明け|Saori|LP|1969|c|"},
        DisplayCase{"Mp3Id3v23Utf16",
                    [] {
                      return fixtures::concat(
                          {mp3infp_test::id3v2(3, {{"TIT2", utf16(u"夜明けのスキャット～①"_qs)},
                                                   {"TPE1", utf16(u"由紀さおり"_qs)},
                                                   {"TALB", utf16(u"ベスト"_qs)},
                                                   {"TYER", utf16("1969")},
                                                   {"TCON", utf16("JPop")}}),
                           fixtures::makeMp3(1.0)});
                    },
                    "MP3|00000002 (ID3V2)|夜明けのスキャット～①|由紀さおり|ベスト|1969||JPop"},
        DisplayCase{"Mp3Id3v1AndV2",
                    [] {
                      return fixtures::concat({mp3infp_test::id3v2(3, {{"TIT2", utf16("v2")}}),
                                               fixtures::makeMp3(1.0),
                                               fixtures::makeId3v1("v1", "", "", "", "")});
                    },
                    "MP3|0000000B (ID3V1)(ID3V2)(ID3V1_0)|v2|||||"},
        DisplayCase{"Mp3Id3v11AndV24",
                    [] {
                      return fixtures::concat({mp3infp_test::id3v2(4, {{"TIT2", utf16(u"朝"_qs)}}),
                                               fixtures::makeMp3(1.0),
                                               fixtures::makeId3v1("v1", "", "", "", "", 3)});
                    },
                    "MP3|00000093 (ID3V1)(ID3V2)(ID3V1_1)(ID3V2_4)|朝|||||"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(TagViewTest, SplitsTheCommentIntoThePartBoxes) {
  const QString path = make(
      "a.wav", fixtures::makeWavWithChunks(
                   {}, {fixtures::makeInfoList(
                           {{"ICMT", u"前書きID:A-1/作曲:B/画像:c.jpg/演奏:"_qs.toStdString()}})}));
  LineEdit(form, "lyricistEdit")->setText(QStringLiteral("stale"));
  LineEdit(form, "arrangerEdit")->setText(QStringLiteral("stale"));
  ShowFile(form, path);
  EXPECT_EQ(Texts(form, {"commentEdit", "idEdit", "jacketCombo", "lyricistEdit", "composerEdit",
                         "arrangerEdit", "performerEdit"}),
            "前書きID:A-1/作曲:B/画像:c.jpg/演奏:|A-1|c.jpg||B||");
}

// A missing file or one the library cannot load empties the fields and says why: they must not
// go on showing another file's tag under this file's name, for a write to put it there.
TEST_F(TagViewTest, MissingOrUnreadableFileEmptiesTheFields) {
  LineEdit(form, "titleEdit")->setText(QStringLiteral("previous"));
  ShowFile(form, str(dir / "gone.wav"));
  EXPECT_EQ(LineEdit(form, "titleEdit")->text(), "");
  EXPECT_TRUE(form.StatusText(2).startsWith(QStringLiteral("gone.wav が見つかりません")));
  EXPECT_TRUE(form.session().tagEditor().FieldsFile().isEmpty());

  LineEdit(form, "titleEdit")->setText(QStringLiteral("previous"));
  ShowFile(form, make("junk.mp3", Bytes(4000, 'x')));
  EXPECT_EQ(LineEdit(form, "openStatusEdit")->text(), "Can't Open");
  EXPECT_EQ(LineEdit(form, "titleEdit")->text(), "");
  EXPECT_TRUE(form.StatusText(2).startsWith(QStringLiteral("junk.mp3 は")));
  form.OnWriteTagsClicked();
  FinishOpen(form.session().navigator());
  EXPECT_EQ(form.StatusText(1), QStringLiteral("失敗"));

  // A FIFO under a file's name is never opened (that would wait forever).
  ASSERT_EQ(::mkfifo((dir / "f.mp3").c_str(), 0600), 0);
  ShowFile(form, str(dir / "f.mp3"));
  EXPECT_TRUE(form.StatusText(2).startsWith(QStringLiteral("f.mp3 はフォルダや特殊なファイル")));
}

// ---------------------------------------------------------------------------------------------
// Writing

TEST_F(TagViewTest, WritesOnlyWhenAFieldDiffersFromTheFile) {
  const QString path =
      make("a.wav", fixtures::makeWavWithChunks(
                        {}, {fixtures::makeInfoList({{"INAM", "Title"}, {"ICRD", "1969"}})}));
  const Bytes before = fixtures::readFile(dir / "a.wav");
  showFile(path);
  EXPECT_EQ(pressWrite(), QString());
  EXPECT_EQ(form.StatusText(2), u"変更はありません"_qs);
  EXPECT_EQ(fixtures::readFile(dir / "a.wav"), before);

  LineEdit(form, "titleEdit")->setText(QStringLiteral("New"));
  EXPECT_EQ(pressWrite(), u"成功"_qs);
  EXPECT_EQ(pressWrite(), QString());

  LineEdit(form, "yearEdit")->setText(QStringLiteral("2008"));
  EXPECT_EQ(pressWrite(), u"成功"_qs);
  const TagFields stored = ReadFileTags(path, nullptr).fields;
  EXPECT_EQ(stored[TagField::Title] + u'|' + stored[TagField::Year], "New|2008");
}

// Credits typed into their boxes are an edit: leaving asks, and the write (here pressed by
// Return, whose result then stays) puts them into the comment. A cover chosen in the RIFF SIF
// format is said to go nowhere, when chosen and at the write.
TEST_F(TagViewTest, TypedCreditsGoIntoTheCommentAndTheMessagesAreTrue) {
  const QString path = make(
      "a.wav", fixtures::makeWavWithChunks(
                   {}, {fixtures::makeInfoList({{"ICMT", u"ライブ/作曲:B"_qs.toStdString()}})}));
  form.session().navigator().ShowList({path, make("b.wav", fixtures::makeWav({}))}, 0);
  FinishOpen(form.session().navigator());
  LineEdit(form, "composerEdit")->setText(u"C"_qs);
  LineEdit(form, "performerEdit")->setText(u"P"_qs);
  form.OnNextClicked();
  FinishOpen(form.session().navigator());
  EXPECT_EQ(platform.saveQuestions, 1);
  const auto press = [](QWidget* target, int key, const QString& text = {}) {
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
      QKeyEvent event(type, key, Qt::NoModifier, text);
      QApplication::sendEvent(target, &event);
    }
  };
  press(Combo(form, "jacketCombo")->lineEdit(), Qt::Key_C, u"c"_qs);
  EXPECT_TRUE(form.StatusText(2).contains(u"RIFF SIF"_qs));
  press(PushButton(form, "writeTagsButton"), Qt::Key_Return);
  FinishTagWork(form.session().tagEditor());
  EXPECT_EQ(form.StatusText(1) + u'|' + form.StatusText(2),
            u"成功|作曲・演奏をコメントに入れました。RIFF SIF形式にカバー画像は入りません"_qs);
  EXPECT_EQ(wholeValue(path, "ICMT"), "ライブ/作曲:C/演奏:P");
  form.OnNextClicked();
  FinishOpen(form.session().navigator());
  EXPECT_EQ(platform.saveQuestions, 1);
  EXPECT_EQ(LineEdit(form, "fileNameEdit")->text(), u"b.wav"_qs);
}

struct RoundTripCase {
  const char* name;
  const char* file;
  std::function<Bytes()> make;
  const char* kindsAfter;
};

void PrintTo(const RoundTripCase& c, std::ostream* os) {
  *os << c.name;
}

class TagRoundTripTest : public TagViewTest, public ::testing::WithParamInterface<RoundTripCase> {};

// A Japanese title goes in and comes back exactly; the audio is untouched; an MP3 file without
// tags gets the tags writing goes through.
TEST_P(TagRoundTripTest, JapaneseFieldsReadBackExactly) {
  const RoundTripCase& c = GetParam();
  const Bytes original = c.make();
  const std::string name = c.file;
  const QString path = make(name, original);
  showFile(path);
  const QString title = QStringLiteral("夜明けのスキャット～①");
  LineEdit(form, "titleEdit")->setText(title);
  LineEdit(form, "artistEdit")->setText(u"由紀さおり"_qs);
  LineEdit(form, "genreEdit")->setText(QStringLiteral("JPop"));
  EXPECT_EQ(pressWrite(), u"成功"_qs);

  const TagFields stored = ReadFileTags(path, nullptr).fields;
  EXPECT_EQ(stored[TagField::Title] + u'|' + stored[TagField::Artist] + u'|' +
                stored[TagField::Genre],
            title + u"|由紀さおり|JPop"_qs);

  MainWindow fresh{platform};
  ShowFile(fresh, path);
  EXPECT_EQ(LineEdit(fresh, "titleEdit")->text(), title);
  EXPECT_EQ(LineEdit(fresh, "tagKindsEdit")->text(), c.kindsAfter);

  const Bytes after = fixtures::readFile(dir / name);
  if (name.ends_with(".wav"))
    EXPECT_EQ(chunk(after, "data"), chunk(original, "data"));
  else
    EXPECT_TRUE(contains(after, original));
}

INSTANTIATE_TEST_SUITE_P(Files, TagRoundTripTest,
                         ::testing::Values(RoundTripCase{"Wav", "song.wav",
                                                         [] { return fixtures::makeWav({}); },
                                                         "00000000 "},
                                           RoundTripCase{"UntaggedMp3", "song.mp3",
                                                         [] { return fixtures::makeMp3(1.0); },
                                                         "0000000D (ID3V1)(RIFFSIF)(ID3V1_0)"}),
                         [](const auto& param) { return std::string(param.param.name); });

// A file marked read-only stays as it is and the write reports failure.
TEST_P(TagRoundTripTest, ReadOnlyFileIsNotWritten) {
  const QString path = make(GetParam().file, GetParam().make());
  QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
  const Bytes before = fixtures::readFile(dir / GetParam().file);
  showFile(path);
  LineEdit(form, "titleEdit")->setText(u"曲"_qs);
  EXPECT_EQ(pressWrite(), u"失敗"_qs);
  EXPECT_EQ(fixtures::readFile(dir / GetParam().file), before);
}

// The file keeps the whole comment, while reading gives its first line; so a comment of
// several lines differs from the file every time and is written each time.
TEST_F(TagViewTest, MultiLineCommentIsKeptWholeAndWrittenEachTime) {
  const QString path = make("a.wav", fixtures::makeWav({}));
  showFile(path);
  PlainText(form, "commentEdit")->setPlainText(u"1行目\n2行目"_qs);
  EXPECT_EQ(pressWrite(), u"成功"_qs);
  EXPECT_EQ(pressWrite(), u"成功"_qs);
  EXPECT_EQ(wholeValue(path, "ICMT"), "1行目\n2行目");
  ShowFile(form, path);
  EXPECT_EQ(PlainText(form, "commentEdit")->toPlainText(), u"1行目"_qs);
}

// The write button acts on the shown file's full path: nothing shown writes nothing, and a
// file found in a subfolder of the current folder is written where it is.
// Closing while the fields are being written waits for the write, then closes without a question.
TEST_F(TagViewTest, ClosingWaitsForTheWriteUnderWay) {
  const QString path = make("a.wav", fixtures::makeWav({}));
  showFile(path);
  form.show();
  LineEdit(form, "titleEdit")->setText(u"New"_qs);
  form.OnWriteTagsClicked();
  EXPECT_FALSE(form.close());
  EXPECT_TRUE(form.isVisible());
  FinishTagWork(form.session().tagEditor());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(platform.saveQuestions, 0);
  EXPECT_EQ(ReadFileTags(path, nullptr).fields[TagField::Title], u"New"_qs);
}

TEST_F(TagViewTest, WriteButtonUsesTheShownFilesFullPath) {
  StatusBarOf(form, "statusBar")->SetPanelText(2, QStringLiteral("message"));
  LineEdit(form, "titleEdit")->setText(QStringLiteral("T"));
  form.OnWriteTagsClicked(); // no file to wait for
  EXPECT_EQ(form.StatusText(1), u"失敗"_qs);
  EXPECT_EQ(form.StatusText(2), u"タグ欄はどのファイルのものでもありません"_qs) << "and says why";

  const QString path = make("sub/inner.wav", fixtures::makeWav({}));
  LineEdit(form, "folderEdit")->setToolTip(str(dir.path()));
  LineEdit(form, "fileNameEdit")->setText(QStringLiteral("inner.wav"));
  showFile(path);
  LineEdit(form, "titleEdit")->setText(QStringLiteral("Inner"));
  EXPECT_EQ(pressWrite(), u"成功"_qs);
  LineEdit(form, "titleEdit")->clear();
  ShowFile(form, path);
  EXPECT_EQ(LineEdit(form, "titleEdit")->text(), "Inner");
}

// A file named on the command line is shown at start, and the write button then writes it.
TEST_F(TagViewTest, StartsShowingTheFileNamedOnTheCommandLine) {
  const QString path = make(
      "start.mp3",
      fixtures::concat({fixtures::makeMp3(1.0), fixtures::makeId3v1("Start", "", "", "", "")}));
  form.SetCommandLineFile(path);
  form.PrepareFirstShow();
  FinishOpen(form.session().navigator());
  EXPECT_EQ(LineEdit(form, "fileNameEdit")->text(), "start.mp3");
  EXPECT_EQ(LineEdit(form, "titleEdit")->text(), "Start");
  EXPECT_EQ(LineEdit(form, "fileTypeEdit")->text(), "MP3");
  LineEdit(form, "titleEdit")->setText(QStringLiteral("Changed"));
  EXPECT_EQ(pressWrite(), u"成功"_qs);
}

// What the window shows is one line of at most 128 bytes; writing another field must not cut
// the file's longer values down to that.
TEST_F(TagViewTest, FieldsLeftAsShownKeepTheirWholeStoredValue) {
  const std::string longTitle(200, 'T');
  const std::string comment = cp932(u"1行目"_qs) + "\r\n" + cp932(u"2行目"_qs);
  const QString path =
      make("long.wav", fixtures::makeWavWithChunks(
                           {}, {fixtures::makeInfoList({{"INAM", longTitle}, {"ICMT", comment}})}));
  showFile(path);
  ASSERT_EQ(LineEdit(form, "titleEdit")->text().size(), 128);
  ASSERT_EQ(PlainText(form, "commentEdit")->toPlainText(), u"1行目"_qs);
  LineEdit(form, "yearEdit")->setText(QStringLiteral("1999"));
  EXPECT_EQ(pressWrite(), u"成功"_qs);
  EXPECT_EQ(wholeValue(path, "INAM"), longTitle);
  EXPECT_EQ(wholeValue(path, "ICMT"), "1行目\r\n2行目");
  EXPECT_EQ(wholeValue(path, "ICRD"), "1999");
}

// Names are case-sensitive here: an untagged "SONG.MP3" still gets the tags writing needs, also
// when its name holds characters that patterns treat specially.
TEST_F(TagViewTest, UntaggedMp3WithCapitalExtensionIsWritten) {
  const QString path = make("SONG [Live] *1.MP3", fixtures::makeMp3(1.0));
  showFile(path);
  LineEdit(form, "titleEdit")->setText(u"曲"_qs);
  EXPECT_EQ(pressWrite(), u"成功"_qs);
  EXPECT_EQ(wholeValue(path, "INAM_rmp"), "曲");
}

} // namespace

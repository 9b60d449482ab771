#include "QtPath.h"

#include "core/fs/FsPath.h"
#include "core/settings/IniDocument.h"
#include "core/settings/IniValues.h"
#include "core/settings/SettingsFile.h"

#include "AudioFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

QByteArray ReadBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

mode_t Mode(const QString& path) {
  struct stat st {};
  stat(QFile::encodeName(path).constData(), &st);
  return st.st_mode & 07777;
}

// Answers the read-only question from a script (Cancel once it runs out) and counts the asks.
struct ScriptedAsk {
  std::vector<bool> answers;
  int asked = 0;
  IniValues::AskWritable Fn() {
    return [this] {
      const bool ok = asked < static_cast<int>(answers.size()) && answers[asked];
      ++asked;
      return ok;
    };
  }
};

const IniValues::AskWritable kNeverAsked = [] {
  ADD_FAILURE() << "unexpected read-only question";
  return false;
};

// ---------------------------------------------------------------------------------------------
// The settings file's lines and values

class IniFileTest : public ::testing::Test {
protected:
  // One value as the settings are read: from the file as it is now.
  QString Read(const QString& section, const QString& key) const {
    IniDocument doc;
    IniDocument::Load(ini, doc);
    return IniValues::ReadValue(doc, section, key);
  }
  // Sets the keys and writes the file once, as a save does.
  bool Write(const std::vector<std::pair<QString, QString>>& keys, const QString& section) {
    IniDocument doc;
    if (IniDocument::Load(ini, doc) == IniDocument::LoadStatus::Unreadable)
      return false;
    for (const auto& [key, value] : keys)
      doc.SetQuoted(section, key, value);
    return doc.Save(ini);
  }

  fixtures::TempDir dir;
  QString ini = Q(dir / "wav2mp3tag.ini");
};

TEST_F(IniFileTest, ReadsHandWrittenFile) {
  WriteBytes(ini, "Stray=before any section\n; comment\r\n[option]\n\nPlain=no quotes\r\n"
                  "Open=\"only leading\r\nClose=only trailing\"\r\nLone=\"\r\nEq=\"a=b\"\r\n"
                  "Spaced= \"x\"\r\nDup=\"first\"\r\nDup=\"second\"\r\n[Form]\r\nLeft=12\r\n");
  for (const auto& [section, key, expected] : {std::tuple{"Option", "Plain", "no quotes"},
                                               {"Option", "Open", "only leading"},
                                               {"Option", "Close", "only trailing\""},
                                               {"Option", "Lone", ""},
                                               {"Option", "Eq", "a=b"},
                                               {"Option", "Spaced", " \"x\""},
                                               {"Option", "Dup", "first"},
                                               {"OPTION", "plain", "no quotes"},
                                               {"Form", "Left", "12"},
                                               {"Option", "Stray", "ER"},
                                               {"Form", "Plain", "ER"},
                                               {"Nothing", "Left", "ER"}})
    EXPECT_EQ(Read(section, key), expected) << section << " " << key;
  ini = Q(dir / "none.ini");
  EXPECT_EQ(Read("Form", "Left"), "ER");
}

TEST_F(IniFileTest, WritingKeepsEverythingElseAndReplacesInPlace) {
  WriteBytes(ini, "; my settings\r\nStray=1\r\n"
                  "[Form]\r\nLeft=\"5\"\r\nMine=\"kept\"\r\nTop=\"6\"\r\n\r\n"
                  "[Extra]\nx=y\n");
  ASSERT_TRUE(Write({{"Left", "77"}, {"Width", "530"}}, "Form"));
  ASSERT_TRUE(Write({{"WithFile", "True"}}, "Option"));
  EXPECT_EQ(ReadBytes(ini),
            "; my settings\r\nStray=1\r\n"
            "[Form]\r\nLeft=\"77\"\r\nMine=\"kept\"\r\nTop=\"6\"\r\nWidth=\"530\"\r\n\r\n"
            "[Extra]\r\nx=y\r\n\r\n"
            "[Option]\r\nWithFile=\"True\"\r\n\r\n");
  // Writing the same values again changes nothing.
  const QByteArray once = ReadBytes(ini);
  ASSERT_TRUE(Write({{"Left", "77"}}, "Form"));
  EXPECT_EQ(ReadBytes(ini), once);
}

TEST_F(IniFileTest, ValuesReadBackAsWritten) {
  for (const QString& value :
       {QString(), QStringLiteral("\""), QStringLiteral("\"quoted\""), QStringLiteral("a\"b"),
        QStringLiteral(" spaces "), QStringLiteral("/home/ユーザー/音楽/;x=[y]"),
        QStringLiteral("C:\\Music\\")}) {
    ASSERT_TRUE(Write({{"K", value}}, "Option"));
    EXPECT_EQ(Read("Option", "K"), value);
  }
}

TEST_F(IniFileTest, RewriteKeepsPermissions) {
  WriteBytes(ini, "[Form]\r\n");
  ASSERT_EQ(chmod(QFile::encodeName(ini).constData(), 0640), 0);
  ASSERT_TRUE(Write({{"Left", "1"}}, "Form"));
  EXPECT_EQ(Mode(ini), 0640u);
  // No temporary file is left beside it.
  EXPECT_EQ(QDir(Q(dir.path())).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(IniFileTest, UnwritableLocationFailsAndLeavesNoFile) {
  // A parent that is a regular file stops even root.
  WriteBytes(Q(dir / "plainfile"), "x");
  const QString impossible = Q(dir / "plainfile" / "w.ini");
  EXPECT_FALSE(WriteStoredSettings(impossible, Q(dir.path()), {}, kNeverAsked));
  EXPECT_FALSE(QFileInfo::exists(impossible));
  // A folder where the file should be is not replaced.
  ASSERT_TRUE(QDir().mkpath(ini));
  EXPECT_FALSE(WriteStoredSettings(ini, Q(dir.path()), {}, kNeverAsked));
  EXPECT_TRUE(QFileInfo(ini).isDir());
}

TEST_F(IniFileTest, Cp932FileIsReadAndRewrittenAsUtf8) {
  // "[Option]" / FolderPath="C:\音楽\表" in CP932; 表 is 0x95 0x5C (a backslash as 2nd byte).
  const QByteArray cp932 = "[Option]\r\nFolderPath=\"C:\\\x89\xb9\x8a\x79\\\x95\x5c\"\r\n"
                           "Note=\"\x83\x65\x83\x58\x83\x67\"\r\n";
  WriteBytes(ini, cp932);
  EXPECT_EQ(Read("Option", "FolderPath"), QStringLiteral("C:\\音楽\\表"));
  ASSERT_TRUE(Write({{"WithFile", "True"}}, "Option"));
  EXPECT_EQ(ReadBytes(ini), QStringLiteral("[Option]\r\nFolderPath=\"C:\\音楽\\表\"\r\n"
                                           "Note=\"テスト\"\r\nWithFile=\"True\"\r\n")
                                .toUtf8());
}

// ---------------------------------------------------------------------------------------------
// The stored settings

class StoredSettingsTest : public IniFileTest {
protected:
  QString programDir = Q(dir.path());

  StoredSettings Load(const QByteArray& text) {
    WriteBytes(ini, text);
    const std::optional<StoredSettings> s = ReadStoredSettings(ini, programDir);
    EXPECT_TRUE(s.has_value());
    return s.value_or(StoredSettings{});
  }

  SettingsToSave Sample() {
    SettingsToSave v;
    v.Left = -20;
    v.Top = 40;
    v.Width = 600;
    v.Height = 480;
    v.FolderPath = QStringLiteral("フォルダ名");
    v.openByFolder = true;
    v.allowTagWrite = true;
    v.commentFormat = 2;
    v.copyWavTagToMp3 = true;
    return v;
  }
};

TEST_F(StoredSettingsTest, FirstSaveWritesOptionThenForm) {
  EXPECT_FALSE(ReadStoredSettings(ini, programDir).has_value());
  ASSERT_TRUE(WriteStoredSettings(ini, programDir, Sample(), kNeverAsked));
  EXPECT_EQ(ReadBytes(ini),
            QStringLiteral(
                "[Option]\r\nHelpFileName=\"\"\r\nFolderPath=\"フォルダ名\"\r\n"
                "WithFolder=\"True\"\r\nWithFile=\"False\"\r\nWriteId3=\"True\"\r\n"
                "DispMp3infp=\"False\"\r\nFormComment=\"2\"\r\nMp3WavId3ToMp3=\"True\"\r\n"
                "Mp3DeleteWav=\"False\"\r\nMp3OverWriteMp3=\"False\"\r\n"
                "Mp3UseFolder3=\"False\"\r\nMp3FolderPath=\"\"\r\nMp3TagFormat=\"RMP\"\r\n"
                "Mp3Jobs=\"0\"\r\nMp3Quality=\"CBR128\"\r\nMp3ReplayGain=\"False\"\r\n\r\n"
                "[Form]\r\nLeft=\"-20\"\r\nTop=\"40\"\r\nWidth=\"600\"\r\nHeight=\"480\"\r\n\r\n")
                .toUtf8());
  const StoredSettings s = ReadStoredSettings(ini, programDir).value();
  EXPECT_EQ(s.Left, -20);
  EXPECT_TRUE(s.openByFolder && !s.browserListsFiles && s.commentFormat == 2);
  EXPECT_FALSE(s.FolderPath.has_value()); // "フォルダ名" is no folder
  EXPECT_FALSE(s.HelpPath.has_value());
}

TEST_F(StoredSettingsTest, OnlyFormSectionGivesUncheckedOptions) {
  const StoredSettings s = Load("[Form]\r\nLeft=\"x\"\r\nTop=\" 7 \"\r\nHeight=\"999\"\r\n");
  EXPECT_EQ(s.Left, 100);
  EXPECT_EQ(s.Top, 7);
  EXPECT_EQ(s.Width, 530);
  EXPECT_FALSE(s.openByFolder || s.browserListsFiles || s.allowTagWrite || s.showLibraryVersion ||
               s.copyWavTagToMp3 || s.moveWavToTrash || s.overwriteMp3 || s.useOutputFolder);
  EXPECT_EQ(s.commentFormat, 0);
  EXPECT_TRUE(s.outputFolder.isEmpty());
  EXPECT_FALSE(s.FolderPath.has_value());
}

TEST_F(StoredSettingsTest, WidthNoWindowCanHaveIsInvalid) {
  // Such a width left the window undrawable, and every later save wrote it back.
  const std::pair<const char*, int> cases[] = {{"99999999", 530}, {"32768", 530},   {"0", 530},
                                               {"-40", 530},      {"32767", 32767}, {"1", 1}};
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(Load(QByteArray("[Form]\r\nWidth=\"") + text + "\"\r\n").Width, expected) << text;
}

TEST_F(StoredSettingsTest, BooleansAndCommentFormat) {
  const StoredSettings s =
      Load("[Option]\r\nWithFolder=\" TRUE  \"\r\nWithFile=\"1\"\r\nWriteId3=True\r\n");
  EXPECT_TRUE(s.openByFolder);
  EXPECT_FALSE(s.browserListsFiles);
  EXPECT_TRUE(s.allowTagWrite);
  const std::pair<const char*, int> cases[] = {{"2", 2}, {"2,", 2}, {" 2 ", 2}, {"3", 3},
                                               {"1", 1}, {"5", 0},  {"a", 0},   {"-1", 0}};
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(Load(QByteArray("[Option]\r\nFormComment=\"") + text + "\"\r\n").commentFormat,
              expected)
        << text;
}

TEST_F(StoredSettingsTest, Mp3TagFormatIsRmpUnlessId3v2) {
  using F = Options::Mp3Format;
  EXPECT_EQ(Load("[Option]\r\nWithFolder=\"True\"\r\n").mp3TagFormat, F::Rmp);
  EXPECT_EQ(Load("[Option]\r\nMp3TagFormat=\"ID3v4\"\r\n").mp3TagFormat, F::Rmp);
  EXPECT_EQ(Load("[Option]\r\nMp3TagFormat=\"ID3v2\"\r\n").mp3TagFormat, F::Id3v2);
  SettingsToSave v = Sample();
  v.mp3TagFormat = F::Id3v2;
  ASSERT_TRUE(QFile::remove(ini));
  ASSERT_TRUE(WriteStoredSettings(ini, programDir, v, kNeverAsked));
  EXPECT_TRUE(ReadBytes(ini).contains("Mp3FolderPath=\"\"\r\nMp3TagFormat=\"ID3v2\"\r\n"));
}

TEST_F(StoredSettingsTest, Mp3JobsIsZeroUnlessAValidCount) {
  const std::pair<const char*, int> cases[] = {{"1", 1},  {" 8 ", 8}, {"64", 64}, {"65", 0},
                                               {"-1", 0}, {"x", 0},   {"", 0}};
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(Load(QByteArray("[Option]\r\nMp3Jobs=\"") + text + "\"\r\n").mp3Jobs, expected)
        << text;
  EXPECT_EQ(Load("[Option]\r\nWithFolder=\"True\"\r\n").mp3Jobs, 0);
}

TEST_F(StoredSettingsTest, Mp3QualityRoundTripsAndIsCbr128UnlessKnown) {
  SettingsToSave v = Sample();
  for (int q = 0; q <= static_cast<int>(Options::Quality::V4); ++q) {
    v.mp3Quality = static_cast<Options::Quality>(q);
    v.replayGain = q % 2;
    ASSERT_TRUE(WriteStoredSettings(ini, programDir, v, kNeverAsked));
    const StoredSettings s = ReadStoredSettings(ini, programDir).value();
    EXPECT_TRUE(s.mp3Quality == v.mp3Quality && s.replayGain == v.replayGain) << q;
  }
  for (const char* text : {"", "V3", "CBR96", "v2", "320"})
    EXPECT_EQ(Load(QByteArray("[Option]\r\nMp3Quality=\"") + text + "\"\r\n").mp3Quality,
              Options::Quality::Cbr128);
}

TEST_F(StoredSettingsTest, FoldersMustExist) {
  const QString music = Q(dir / "music");
  ASSERT_TRUE(QDir().mkpath(music));
  StoredSettings s =
      Load(("[Option]\r\nFolderPath=\"" + music + "\"\r\nMp3FolderPath=\"" + music + "/\"\r\n")
               .toUtf8());
  EXPECT_EQ(s.FolderPath, music + "/");
  EXPECT_EQ(s.outputFolder, music + "/");
  s = Load(
      ("[Option]\r\nFolderPath=\"" + music + "/gone\"\r\nMp3FolderPath=\"music\"\r\n").toUtf8());
  EXPECT_FALSE(s.FolderPath.has_value());
  EXPECT_TRUE(s.outputFolder.isEmpty());

  // A folder named in CP932 (a zip from Windows) is stored by its readable name and found again.
  const QByteArray cp932Music = FsPath::Encode(music) + "/\x89\xb9\x8a\x79"; // 音楽
  ASSERT_EQ(::mkdir(cp932Music.constData(), 0755), 0);
  SettingsToSave v = Sample();
  v.FolderPath = FsPath::Decode(cp932Music) + u'/';
  v.outputFolder = FsPath::Decode(cp932Music);
  ASSERT_TRUE(WriteStoredSettings(ini, programDir, v, kNeverAsked));
  EXPECT_TRUE(ReadBytes(ini).contains(("FolderPath=\"" + music + "/音楽/\"").toUtf8()));
  s = ReadStoredSettings(ini, programDir).value();
  EXPECT_EQ(s.FolderPath, v.FolderPath);
  EXPECT_EQ(s.outputFolder, v.outputFolder);
}

TEST_F(StoredSettingsTest, HelpFileResolvesAndIsSavedBareInProgramFolder) {
  // No help file anywhere.
  EXPECT_FALSE(Load("[Option]\r\nHelpFileName=\"\"\r\n").HelpPath.has_value());
  // readme.txt beside the program stands in for a missing or absent one.
  WriteBytes(programDir + "/readme.txt", "help");
  EXPECT_EQ(Load("[Option]\r\nHelpFileName=\"\"\r\n").HelpPath, programDir + "/readme.txt");
  EXPECT_EQ(Load("[Form]\r\n").HelpPath, programDir + "/readme.txt");
  EXPECT_EQ(Load("[Option]\r\nHelpFileName=\"gone.txt\"\r\n").HelpPath, programDir + "/readme.txt");
  // A bare name lies in the program's folder; a full path elsewhere is kept.
  WriteBytes(programDir + "/own.txt", "help");
  EXPECT_EQ(Load("[Option]\r\nHelpFileName=\"own.txt\"\r\n").HelpPath, programDir + "/own.txt");
  fixtures::TempDir other;
  const QString elsewhere = Q(other / "manual.txt");
  WriteBytes(elsewhere, "help");
  EXPECT_EQ(Load(("[Option]\r\nHelpFileName=\"" + elsewhere + "\"\r\n").toUtf8()).HelpPath,
            elsewhere);

  const auto savedHelp = [&](const QString& helpPath, const QString& progDir) {
    QFile::remove(ini);
    SettingsToSave v = Sample();
    v.HelpPath = helpPath;
    EXPECT_TRUE(WriteStoredSettings(ini, progDir, v, kNeverAsked));
    return Read("Option", "HelpFileName");
  };
  EXPECT_EQ(savedHelp(programDir + "/readme.txt", programDir), "readme.txt");
  EXPECT_EQ(savedHelp("/Opt/Prog/readme.txt", "/opt/prog"), "readme.txt");
  EXPECT_EQ(savedHelp(elsewhere, programDir), elsewhere);
  EXPECT_EQ(savedHelp("/opt/prog/sub/readme.txt", "/opt/prog"), "/opt/prog/sub/readme.txt");
}

TEST_F(StoredSettingsTest, SaveKeepsHandWrittenLines) {
  WriteBytes(ini, "; written by hand\r\n[Form]\r\nLeft=\"1\"\r\nColour=\"blue\"\r\n\r\n"
                  "[Mine]\r\nx=\"y\"\r\n");
  ASSERT_TRUE(WriteStoredSettings(ini, programDir, Sample(), kNeverAsked));
  const QByteArray after = ReadBytes(ini);
  EXPECT_TRUE(after.startsWith("; written by hand\r\n[Form]\r\nLeft=\"-20\"\r\nColour=\"blue\"\r\n"
                               "Top=\"40\"\r\nWidth=\"600\"\r\nHeight=\"480\"\r\n\r\n"
                               "[Mine]\r\nx=\"y\"\r\n\r\n[Option]\r\nHelpFileName=\"\"\r\n"))
      << after.constData();
  EXPECT_EQ(Read("Mine", "x"), "y");
}

TEST_F(StoredSettingsTest, LineBreakInFolderKeepsOldLine) {
  WriteBytes(ini, "[Option]\r\nFolderPath=\"/old\"\r\n");
  SettingsToSave v = Sample();
  v.FolderPath = QStringLiteral("/x\r\n[Form]\r\nLeft=\"9");
  EXPECT_FALSE(WriteStoredSettings(ini, programDir, v, kNeverAsked));
  EXPECT_EQ(Read("Option", "FolderPath"), "/old");
  EXPECT_EQ(Read("Form", "Left"), "-20");
  EXPECT_EQ(Read("Option", "WithFolder"), "True");
}

// A read-only file is asked about once: declined, it stays whole as it was; agreed, the whole
// save goes through.
TEST_F(StoredSettingsTest, ReadOnlyFileIsAskedAboutOnce) {
  const QByteArray start = "[Form]\r\nLeft=\"3\"\r\n\r\n[Option]\r\nWithFolder=\"False\"\r\n";
  for (const bool agree : {false, true}) {
    WriteBytes(ini, start);
    ASSERT_EQ(chmod(QFile::encodeName(ini).constData(), 0444), 0);
    ScriptedAsk ask{{agree}};
    EXPECT_TRUE(WriteStoredSettings(ini, programDir, Sample(), ask.Fn()));
    EXPECT_EQ(ask.asked, 1);
    EXPECT_EQ(ReadBytes(ini) == start, !agree);
    EXPECT_EQ(Mode(ini), agree ? 0644u : 0444u);
  }
}

// Sets or clears a file's immutable flag; false where the file system or our rights forbid it.
bool SetImmutable(const QString& path, bool on) {
  const int fd = open(QFile::encodeName(path).constData(), O_RDONLY);
  if (fd < 0)
    return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  close(fd);
  return ok;
}

TEST_F(StoredSettingsTest, FileThatCannotBeMadeWritableIsAskedAboutOnce) {
  const QByteArray start = "[Form]\r\nLeft=\"3\"\r\n";
  WriteBytes(ini, start);
  ASSERT_EQ(chmod(QFile::encodeName(ini).constData(), 0444), 0);
  // An immutable file refuses a change of mode even to root, like another user's file does.
  if (!SetImmutable(ini, true))
    GTEST_SKIP() << "immutable files are not available here";
  ScriptedAsk ask{std::vector<bool>(16, true)};
  const bool written = WriteStoredSettings(ini, programDir, Sample(), ask.Fn());
  ASSERT_TRUE(SetImmutable(ini, false));
  EXPECT_FALSE(written);
  EXPECT_EQ(ask.asked, 1);
  EXPECT_EQ(ReadBytes(ini), start);
}

} // namespace

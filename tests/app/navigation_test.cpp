// Opening folders and files in the main window on the offscreen platform: the folder browser's
// dialog and the open-file dialog are played by a scripted Platform.
#include "FakePlatform.h"

#include "AudioFixtures.h"
#include "app/FolderScan.h"
#include "app/Unit1.h"
#include "ui/BrowseFolderDialog.h"
#include "ui/Option.h"
#include "ui/plFileDialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace {

// The browser's dialog is driven by `browse`, which returns the dialog's result; the open-file
// dialog answers `openAnswer` and records the path it was asked to start at.
class NavigationPlatform : public FakePlatform {
public:
  std::function<int(BrowseFolderDialog&)> browse;
  QString openAnswer;
  QStringList openAskedAt;

  int ExecModal(QDialog& dialog) override {
    ++modalRuns;
    auto* folderDialog = dynamic_cast<BrowseFolderDialog*>(&dialog);
    if (folderDialog == nullptr || !browse)
      return QDialog::Rejected;
    return browse(*folderDialog);
  }
  QString GetOpenFileName(QWidget*, const QString& initialPath) override {
    openAskedAt.append(initialPath);
    return openAnswer;
  }
};

QString Q(const std::filesystem::path& p) {
  return QString::fromStdString(p.string());
}

class NavigationTest : public ::testing::Test {
protected:
  void SetUp() override {
    form = std::make_unique<TForm1>(platform);
    form->IniPath = Q(dir / "settings.ini");
    form->frmOption = new TfrmOption(form.get(), platform);
    form->ApplyOptions();
  }

  // A short real WAV or MP3 (by the name's extension), or an empty file of any other kind.
  QString Make(const std::string& relative) {
    const std::filesystem::path p = dir / relative;
    std::filesystem::create_directories(p.parent_path());
    const std::string ext = p.extension().string();
    if (ext == ".wav" || ext == ".WAV")
      fixtures::writeFile(p, fixtures::makeWav({.seconds = 0.05}));
    else if (ext == ".mp3")
      fixtures::writeFile(p, fixtures::makeMp3(0.05));
    else
      fixtures::writeFile(p, {});
    return Q(p);
  }
  QString Folder(const std::string& relative) {
    std::filesystem::create_directories(dir / relative);
    return Q(dir / relative);
  }

  // Presses the open button in folder mode, choosing `path` in the browser (cancelling when
  // it is empty).
  void OpenInBrowser(const QString& path) {
    platform.browse = [path](BrowseFolderDialog& d) {
      if (path.isEmpty() || !d.SelectPath(path))
        d.PressCancel();
      else
        d.PressOk();
      return d.result();
    };
    form->Button1Click();
  }

  // What the list of a folder is: its WAV files, then its MP3 files, in walking order.
  static QStringList ListOf(const QString& folder) {
    QStringList wav, mp3;
    FindFiles(folder + '/', QStringLiteral(".wav"), wav);
    FindFiles(folder + '/', QStringLiteral(".mp3"), mp3);
    return wav + mp3;
  }

  QStringList ComboItems() const {
    QStringList items;
    for (int i = 0; i < form->ComboBox1->count(); ++i)
      items << form->ComboBox1->itemText(i);
    return items;
  }

  void ExpectNothingListed() const {
    EXPECT_EQ(form->Edit14->text(), QStringLiteral("0"));
    EXPECT_EQ(form->Edit15->text(), QStringLiteral("0"));
    EXPECT_FALSE(form->Button2->isEnabled());
    EXPECT_FALSE(form->Button5->isEnabled());
  }

  fixtures::TempDir dir;
  NavigationPlatform platform;
  std::unique_ptr<TForm1> form;
};

// ---------------------------------------------------------------------------------------------
// Folder mode

TEST_F(NavigationTest, FolderOpenListsWavFilesThenMp3FilesWithSubfoldersInPlace) {
  const QString root = Folder("album");
  Make("album/1.wav");
  const QString mp3 = Make("album/2.mp3");
  const QString sub = Make("album/sub/3.WAV");
  Make("album/notes.txt");
  form->SetStatusText(2, QStringLiteral("old"));

  OpenInBrowser(root);

  const QStringList expected = ListOf(root);
  ASSERT_EQ(form->FileList, expected);
  ASSERT_EQ(form->FileList.size(), 3);
  EXPECT_EQ(form->FileList.at(2), mp3);
  EXPECT_TRUE(form->FileList.contains(sub));
  EXPECT_EQ(form->Edit14->text(), QStringLiteral("1"));
  EXPECT_EQ(form->Edit15->text(), QStringLiteral("3"));
  EXPECT_EQ(form->CurrentIndex, 0);
  EXPECT_EQ(form->ShownFilePath, expected.at(0));
  EXPECT_EQ(form->Edit13->text(), QFileInfo(expected.at(0)).fileName());
  EXPECT_TRUE(form->Button2->isEnabled());
  EXPECT_TRUE(form->Button5->isEnabled());
  EXPECT_EQ(form->Edit1->toolTip(), root);
  EXPECT_TRUE(form->StatusText(2).isEmpty());
  EXPECT_EQ(form->plBrowseFolder1->InitDir(), root) << "the next browse starts here";
  // Folders only unless the options ask for files.
  EXPECT_FALSE(
      HasBrowseOption(form->plBrowseFolder1->Options(), TplBrowseOption::bifBrowseIncludeFiles));
}

TEST_F(NavigationTest, NextAndPreviousStopAtTheEndsClearingOnlyTheStatus) {
  const QString root = Folder("album");
  Make("album/a.wav");
  Make("album/b.wav");
  Make("album/c.mp3");
  OpenInBrowser(root);
  const QStringList list = form->FileList;

  const auto expectShown = [&](int index) {
    EXPECT_EQ(form->CurrentIndex, index);
    EXPECT_EQ(form->ShownFilePath, list.at(index));
    EXPECT_EQ(form->Edit13->text(), QFileInfo(list.at(index)).fileName());
    EXPECT_EQ(form->Edit14->text(), QString::number(index + 1));
    EXPECT_EQ(form->Edit15->text(), QStringLiteral("3"));
    EXPECT_TRUE(form->StatusText(1).isEmpty());
  };
  for (int i = 1; i < 3; ++i) {
    form->Button5Click();
    expectShown(i);
  }
  form->SetStatusText(1, QStringLiteral("成功"));
  form->Button5Click();
  expectShown(2);

  form->Button2Click();
  form->Button2Click();
  expectShown(0);
  form->SetStatusText(1, QStringLiteral("成功"));
  form->Button2Click();
  expectShown(0);
}

TEST_F(NavigationTest, FolderWithOneFileShowsItWithSteppingOff) {
  const QString root = Folder("single");
  const QString only = Make("single/only.mp3");
  OpenInBrowser(root);
  EXPECT_EQ(form->Edit14->text(), QStringLiteral("1"));
  EXPECT_EQ(form->Edit15->text(), QStringLiteral("1"));
  EXPECT_EQ(form->ShownFilePath, only);
  EXPECT_FALSE(form->Button2->isEnabled());
  EXPECT_FALSE(form->Button5->isEnabled());
}

TEST_F(NavigationTest, PickedFileOpensItsFolderAndShowsTheFirstFileOfTheList) {
  const QString root = Folder("picked");
  Make("picked/first.wav");
  const QString picked = Make("picked/second.WAV");
  form->frmOption->CheckBox4->setChecked(true);

  OpenInBrowser(picked);

  EXPECT_TRUE(
      HasBrowseOption(form->plBrowseFolder1->Options(), TplBrowseOption::bifBrowseIncludeFiles));
  EXPECT_EQ(form->Edit1->toolTip(), root);
  EXPECT_EQ(form->StatusText(1), QStringLiteral(".WAV"));
  EXPECT_EQ(form->FileList, ListOf(root));
  EXPECT_EQ(form->ShownFilePath, form->FileList.at(0));
  EXPECT_EQ(form->plBrowseFolder1->InitDir(), root);
}

TEST_F(NavigationTest, CancelResetsCountersAndShownNameButKeepsFolderListAndJackets) {
  const QString root = Folder("album");
  Make("album/a.wav");
  Make("album/b.wav");
  Make("album/cover.jpg");
  OpenInBrowser(root);
  form->Button5Click();
  const QStringList list = form->FileList;
  const QString shownText = form->Edit1->text();

  OpenInBrowser(QString());

  ExpectNothingListed();
  EXPECT_TRUE(form->Edit13->text().isEmpty());
  EXPECT_TRUE(form->ShownFilePath.isEmpty());
  EXPECT_EQ(form->Edit1->toolTip(), root);
  EXPECT_EQ(form->Edit1->text(), shownText);
  EXPECT_EQ(form->FileList, list);
  EXPECT_EQ(form->CurrentIndex, 1);
  EXPECT_EQ(ComboItems(), QStringList{QStringLiteral("cover.jpg")});
}

TEST_F(NavigationTest, FolderWithoutAudioChangesTheFolderBoxOnly) {
  const QString first = Folder("first");
  Make("first/a.wav");
  Make("first/front.jpg");
  OpenInBrowser(first);
  form->Edit6->setText(QStringLiteral("title shown"));

  const QString empty = Folder("pictures");
  Make("pictures/other.jpg");
  Make("pictures/readme.txt");
  OpenInBrowser(empty);

  EXPECT_EQ(form->Edit1->toolTip(), empty);
  ExpectNothingListed();
  EXPECT_TRUE(form->FileList.isEmpty());
  EXPECT_TRUE(form->Edit13->text().isEmpty());
  EXPECT_EQ(form->Edit6->text(), QStringLiteral("title shown"));
  EXPECT_EQ(ComboItems(), QStringList{QStringLiteral("front.jpg")});
  EXPECT_EQ(form->JacketList, QStringList{Q(dir / "first/front.jpg")});
}

TEST_F(NavigationTest, VanishedFolderScansAsEmpty) {
  const QString root = Folder("album");
  Make("album/a.wav");
  OpenInBrowser(root);
  ASSERT_EQ(form->FileList.size(), 1);
  EXPECT_EQ(form->ScanFolder(Q(dir / "gone") + '/'), 0);
  EXPECT_TRUE(form->FileList.isEmpty());
}

TEST_F(NavigationTest, JacketImagesComeFromSubfoldersByBareNameDuplicatesKept) {
  const QString root = Folder("album");
  Make("album/a.wav");
  Make("album/disc1/cover.jpg");
  Make("album/disc2/cover.jpg");
  Make("album/back.JPG");
  Make("album/scan.jpeg");
  OpenInBrowser(root);

  QStringList expected;
  FindFiles(root + '/', QStringLiteral(".jpg"), expected);
  EXPECT_EQ(form->JacketList, expected) << "the same list a walk of its own gives";
  ASSERT_EQ(expected.size(), 3);
  QStringList names;
  for (const QString& path : expected)
    names << QFileInfo(path).fileName();
  EXPECT_EQ(ComboItems(), names);
  EXPECT_EQ(names.count(QStringLiteral("cover.jpg")), 2);
  EXPECT_EQ(form->ComboBox1->currentIndex(), 0);
  EXPECT_EQ(form->ComboBox1->currentText(), names.at(0));

  // A file opened in a folder without images empties the list but keeps the box's text.
  form->ComboBox1->setEditText(QStringLiteral("from a comment.jpg"));
  const QString lone = Make("lone/x.mp3");
  form->OpenOneFile(lone);
  EXPECT_EQ(form->ComboBox1->count(), 0);
  EXPECT_TRUE(form->JacketList.isEmpty());
  EXPECT_EQ(form->ComboBox1->currentText(), QStringLiteral("from a comment.jpg"));
}

TEST_F(NavigationTest, LongFolderPathIsShortenedWithTheFullPathInTheTooltip) {
  std::string deep = "long";
  for (int i = 0; i < 12; ++i)
    deep += "/a_rather_long_folder_name_" + std::to_string(i);
  const QString root = Folder(deep);
  Make(deep + "/a.wav");
  OpenInBrowser(root);

  EXPECT_EQ(form->Edit1->toolTip(), root);
  const QString text = form->Edit1->text();
  EXPECT_NE(text, root);
  EXPECT_TRUE(text.contains(QStringLiteral(".../"))) << text.toStdString();
  EXPECT_TRUE(text.endsWith(QStringLiteral("/a_rather_long_folder_name_11")));
  EXPECT_LE(QFontMetrics(form->font()).horizontalAdvance(text), form->Edit1->width());
}

// ---------------------------------------------------------------------------------------------
// One file

TEST_F(NavigationTest, FileModeOpensOneFileAndKeepsThePreviousList) {
  const QString root = Folder("album");
  Make("album/a.wav");
  Make("album/b.wav");
  OpenInBrowser(root);
  const QStringList list = form->FileList;

  form->frmOption->CheckBox1->setChecked(false);
  form->ApplyOptions();
  const QString chosen = Make("elsewhere/Song.MP3");
  platform.openAnswer = chosen;
  form->Button1Click();

  EXPECT_EQ(form->StatusText(1), QStringLiteral(".MP3"));
  EXPECT_EQ(form->ShownFilePath, chosen);
  EXPECT_EQ(form->Edit13->text(), QStringLiteral("Song.MP3"));
  EXPECT_EQ(form->Edit1->toolTip(), Q(dir / "elsewhere"));
  EXPECT_EQ(form->FileList, list);
  ExpectNothingListed();

  // The dialog starts at the file chosen last; a name of another kind only shows its extension.
  platform.openAnswer = Make("elsewhere/cover.txt");
  form->Button1Click();
  EXPECT_EQ(platform.openAskedAt.last(), chosen);
  EXPECT_EQ(form->StatusText(1), QStringLiteral(".txt"));
  EXPECT_TRUE(form->Edit13->text().isEmpty());
  EXPECT_EQ(form->Edit1->toolTip(), Q(dir / "elsewhere"));

  // Cancelled: the resets of the press, nothing else.
  platform.openAnswer.clear();
  form->SetStatusText(1, QStringLiteral("x"));
  form->Button1Click();
  EXPECT_TRUE(form->StatusText(1).isEmpty());
  EXPECT_EQ(form->FileList, list);
}

struct DropCase {
  const char* name;
  std::vector<std::string> dropped; // relative names; a trailing "/" makes a folder
  const char* opened;               // relative name of the file shown, or "" for none
};

class NavigationDrop : public NavigationTest, public ::testing::WithParamInterface<DropCase> {};

TEST_P(NavigationDrop, OpensTheFirstWavOrMp3InDropOrder) {
  const DropCase& c = GetParam();
  const QString root = Folder("album");
  Make("album/a.wav");
  Make("album/b.wav");
  OpenInBrowser(root);
  form->SetStatusText(2, QStringLiteral("old"));

  QStringList paths;
  for (const std::string& name : c.dropped)
    paths << (name.back() == '/' ? Folder(name.substr(0, name.size() - 1)) : Make(name));
  form->FilesDropped(paths);

  if (*c.opened == '\0') {
    EXPECT_EQ(form->FileList.size(), 2) << "nothing changes";
    EXPECT_EQ(form->Edit1->toolTip(), root);
    EXPECT_EQ(form->StatusText(2), QStringLiteral("old"));
    return;
  }
  EXPECT_EQ(form->ShownFilePath, Q(dir / c.opened));
  EXPECT_EQ(form->Edit13->text(), QFileInfo(Q(dir / c.opened)).fileName());
  EXPECT_EQ(form->Edit1->toolTip(), QFileInfo(Q(dir / c.opened)).absolutePath());
  EXPECT_TRUE(form->FileList.isEmpty());
  EXPECT_EQ(form->CurrentIndex, 0);
  EXPECT_TRUE(form->StatusText(2).isEmpty());
  ExpectNothingListed();
}

INSTANTIATE_TEST_SUITE_P(
    Drops, NavigationDrop,
    ::testing::Values(DropCase{"TextThenWav", {"drop/notes.txt", "drop/song.wav"}, "drop/song.wav"},
                      DropCase{"Mp3ThenWav", {"drop/b.mp3", "drop/a.wav"}, "drop/b.mp3"},
                      // A folder of the dropped file's holds more files: it is not listed.
                      DropCase{"FileOfTheOpenFolder", {"album/b.wav"}, "album/b.wav"},
                      DropCase{"FolderOnly", {"drop/sub/"}, ""},
                      DropCase{"FolderNamedLikeAudio", {"drop/x.wav/"}, ""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(NavigationTest, CommandLineFileWithCapitalExtensionIsShownAtStart) {
  const QString file = Make("cmd/Track.MP3");
  form->CommandLineFile = file;
  form->FormShow();
  EXPECT_EQ(form->Edit13->text(), QStringLiteral("Track.MP3"));
  EXPECT_EQ(form->ShownFilePath, file);
  EXPECT_EQ(form->Edit1->toolTip(), Q(dir / "cmd"));
  EXPECT_EQ(form->Edit15->text(), QStringLiteral("0"));
}

// ---------------------------------------------------------------------------------------------
// The options window's output folder

TEST_F(NavigationTest, OutputFolderButtonSetsTheBoxOnOkOnly) {
  TfrmOption& options = *form->frmOption;
  options.Edit1->setText(QStringLiteral("before"));
  options.Edit1->setToolTip(QStringLiteral("/before"));

  platform.browse = [](BrowseFolderDialog& d) {
    d.PressCancel();
    return d.result();
  };
  options.Button3Click();
  EXPECT_EQ(options.Edit1->text(), QStringLiteral("before"));
  EXPECT_EQ(options.Edit1->toolTip(), QStringLiteral("/before"));

  const QString out = Folder("output");
  platform.browse = [out](BrowseFolderDialog& d) {
    EXPECT_TRUE(d.SelectPath(out));
    d.PressOk();
    return d.result();
  };
  options.Button3Click();
  EXPECT_EQ(options.Edit1->toolTip(), out);
  EXPECT_FALSE(options.Edit1->text().isEmpty());
  EXPECT_EQ(options.plBrowseFolder1->InitDir(), out);
}

} // namespace

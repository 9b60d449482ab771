#include "BrowserFakes.h"
#include "core/fs/FsPath.h"
#include "gui/FolderBrowser.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QTreeView>
#include <QWidget>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

using O = BrowseOption;
using S = SpecialFolder;

class BrowseFolderTest : public ::testing::Test {
protected:
  void SetUp() override {
    QDir(home.Path()).mkpath("Music/Album A");
    QDir(home.Path()).mkpath(".hidden/inner");
    QFile file(home / "Music/track 1.wav");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  // Where the dialog of a browse that is cancelled starts.
  QString InitialSelection(FolderBrowser& browser) {
    fake.NoteStartAndCancel();
    browser.Execute();
    return fake.startedAt;
  }

  FakeHome home;
  FakePlatform fake;
  QWidget owner;
};

struct InitCase {
  const char* name;
  const char* initDir; // relative to home; "" empty; "/..." taken as is
  S special;
  const char* expected; // relative to home
};

class InitialSelectionTest : public BrowseFolderTest,
                             public ::testing::WithParamInterface<InitCase> {};

TEST_P(InitialSelectionTest, ResolvesPathAndSpecialFolder) {
  const InitCase& c = GetParam();
  FolderBrowser browser(&owner, fake);
  const QString init = QString::fromUtf8(c.initDir);
  browser.setInitDir(init.isEmpty() || init.startsWith('/') ? init : home / init);
  browser.setInitSpecialDir(c.special);
  EXPECT_EQ(InitialSelection(browser), home / QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InitialSelectionTest,
    ::testing::Values(InitCase{"EmptyIsDesktop", "", S::None, "Desktop"},
                      InitCase{"ExistingFolder", "Music/Album A", S::None, "Music/Album A"},
                      InitCase{"SpecialWinsOverPath", "Music", S::Documents, "Documents"},
                      InitCase{"FileIsDesktop", "Music/track 1.wav", S::None, "Desktop"},
                      InitCase{"MissingIsDesktop", "Music/gone", S::None, "Desktop"},
                      InitCase{"InsideHiddenFolder", ".hidden/inner", S::None, ".hidden/inner"},
                      InitCase{"NoFolderHereIsDesktop", "", S::Printers, "Desktop"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(BrowseFolderTest, SizeSettersKeepMinimum) {
  FolderBrowser browser(&owner, fake);
  const auto size = [&] { return QSize(browser.FormWidth(), browser.FormHeight()); };
  EXPECT_EQ(size(), QSize(371, 250));
  browser.setFormWidth(200);
  browser.setFormHeight(311);
  EXPECT_EQ(size(), QSize(371, 311));
  browser.setFormHeight(100);
  EXPECT_EQ(size(), QSize(371, 250));
}

TEST_F(BrowseFolderTest, OkGivesPathAndNameCancelClearsThem) {
  FolderBrowser browser(&owner, fake);
  fake.script = [&](FolderBrowserDialog& d) { return ChooseAndOk(d, home / "Music/Album A"); };
  ASSERT_TRUE(browser.Execute());
  EXPECT_EQ(browser.Directory(), home / "Music/Album A");
  EXPECT_EQ(browser.DisplayName(), "Album A");

  fake.script = Cancel;
  EXPECT_FALSE(browser.Execute());
  EXPECT_TRUE(browser.Directory().isEmpty());
  EXPECT_TRUE(browser.DisplayName().isEmpty());
}

TEST_F(BrowseFolderTest, OldStyleOpensWhereTheLastDialogWasLeft) {
  FolderBrowser browser(&owner, fake);
  browser.setOptions(0);
  browser.setFormWidth(700);
  browser.setFormHeight(650);
  QRect first;
  fake.script = [&](FolderBrowserDialog& d) {
    first = d.geometry();
    browser.setFormWidth(900); // ignored while the dialog is open
    d.move(40, 50);
    d.resize(720, 660);
    return Cancel(d);
  };
  browser.Execute();
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(first, QRect(screen.x() + (screen.width() - 700) / 2,
                         screen.y() + (screen.height() - 650) / 2, 700, 650));
  EXPECT_EQ(QRect(browser.FormLeft(), browser.FormTop(), browser.FormWidth(), browser.FormHeight()),
            QRect(40, 50, 720, 660));

  QRect second;
  fake.script = [&](FolderBrowserDialog& d) {
    second = d.geometry();
    return Cancel(d);
  };
  browser.Execute();
  EXPECT_EQ(second, QRect(40, 50, 720, 660));

  // Once a dialog was shown, its own initial size is the smallest size kept.
  browser.setFormWidth(100);
  EXPECT_GT(browser.FormWidth(), 100);
  EXPECT_GE(browser.FormWidth(), FolderBrowser::InitialMinWidth);
}

TEST_F(BrowseFolderTest, NewStyleKeepsOwnSizeButCaptionSelectionAndRectangleWork) {
  FolderBrowser browser(&owner, fake);
  browser.setOptions(BrowseOptionBit(O::NewDialogStyle));
  browser.setFormWidth(900);
  browser.setFormHeight(800);
  browser.setCaption("フォルダを指定してください");
  browser.setInitDir(home / "Music");
  QString caption;
  QSize size;
  QString selected;
  fake.script = [&](FolderBrowserDialog& d) {
    caption = d.windowTitle();
    size = d.size();
    selected = d.SelectedPath();
    d.move(7, 8);
    return Cancel(d);
  };
  browser.Execute();
  EXPECT_EQ(caption, "フォルダを指定してください");
  EXPECT_NE(size, QSize(900, 800));
  EXPECT_EQ(selected, home / "Music");
  EXPECT_EQ(QRect(browser.FormLeft(), browser.FormTop(), browser.FormWidth(), size.height()),
            QRect(QPoint(7, 8), size));
}

TEST_F(BrowseFolderTest, SelectionEventSetsStatusTextAndOkButton) {
  for (const bool statusOption : {true, false}) {
    SCOPED_TRACE(statusOption);
    FolderBrowser browser(&owner, fake);
    browser.setOptions(statusOption ? BrowseOptionBit(O::StatusLine) : 0);
    int shows = 0;
    browser.OnShow = [&](QObject* sender) {
      EXPECT_EQ(sender, &browser);
      ++shows;
    };
    QStringList seen;
    browser.OnSelectionChanged = [&](QObject* sender, QWidget* wnd, const QString& dir,
                                     QString& status, bool& ok) {
      EXPECT_EQ(sender, &browser);
      EXPECT_NE(dynamic_cast<FolderBrowserDialog*>(wnd), nullptr);
      EXPECT_TRUE(status.isEmpty());
      EXPECT_TRUE(ok);
      seen.append(dir);
      status = "選択: " + QFileInfo(dir).fileName();
      ok = !dir.endsWith("Album A");
    };
    fake.script = [&](FolderBrowserDialog& d) {
      EXPECT_EQ(shows, 1);
      EXPECT_EQ(d.StatusLineShown(), statusOption);
      EXPECT_TRUE(d.SelectPath(home / "Music/Album A"));
      EXPECT_EQ(d.StatusText(), "選択: Album A");
      EXPECT_FALSE(d.OkEnabled());
      d.PressOk(); // a disabled OK does nothing
      EXPECT_TRUE(d.SelectPath(home / "Music"));
      EXPECT_EQ(d.StatusText(), "選択: Music");
      EXPECT_TRUE(d.OkEnabled());
      return Cancel(d);
    };
    EXPECT_FALSE(browser.Execute());
    EXPECT_EQ(seen, QStringList({home / "Desktop", home / "Music/Album A", home / "Music"}));
  }
}

TEST_F(BrowseFolderTest, HandlerExceptionEndsBrowseAsFailed) {
  FolderBrowser browser(&owner, fake);
  browser.OnSelectionChanged = [](QObject*, QWidget*, const QString& dir, QString&, bool&) {
    if (dir.endsWith("Music"))
      throw std::runtime_error("handler failed");
  };
  fake.script = [&](FolderBrowserDialog& d) {
    d.SelectPath(home / "Music");
    return QDialog::Accepted; // what a loop ended by accept() elsewhere would return
  };
  EXPECT_FALSE(browser.Execute());
}

TEST_F(BrowseFolderTest, FilesOnlyWithIncludeFiles) {
  const QString file = home / "Music/track 1.wav";
  FolderBrowser browser(&owner, fake);
  fake.script = [&](FolderBrowserDialog& d) { return ChooseAndOk(d, file); };
  EXPECT_FALSE(browser.Execute());

  browser.setOptions(BrowseOptionBit(O::OnlyFileSystemItems) | BrowseOptionBit(O::IncludeFiles));
  ASSERT_TRUE(browser.Execute());
  EXPECT_EQ(browser.Directory(), file);
  EXPECT_EQ(browser.DisplayName(), "track 1.wav");
}

TEST_F(BrowseFolderTest, RootLimitsTheTree) {
  FolderBrowser browser(&owner, fake);
  browser.setRootSpecialDir(S::None);
  browser.setRootDir(home / "Music");
  bool outsideSelected = true;
  fake.script = [&](FolderBrowserDialog& d) {
    outsideSelected = d.SelectPath(home / "Documents");
    d.PressOk();
    return d.result();
  };
  // The desktop lies outside the root: the root itself is selected.
  ASSERT_TRUE(browser.Execute());
  EXPECT_FALSE(outsideSelected);
  EXPECT_EQ(browser.Directory(), home / "Music");
}

TEST_F(BrowseFolderTest, TypedPathAndNewFolder) {
  FolderBrowser browser(&owner, fake);
  fake.script = [&](FolderBrowserDialog& d) {
    auto* edit = d.findChild<QLineEdit*>("PathEdit");
    edit->setText("\"" + home / "Music" + "\"");
    EXPECT_TRUE(d.SelectTypedPath());
    EXPECT_TRUE(d.CreateFolder());
    EXPECT_TRUE(d.SelectPath(home / "Music"));
    EXPECT_TRUE(d.CreateFolder()); // the name is taken: a numbered one
    d.PressOk();
    return d.result();
  };
  ASSERT_TRUE(browser.Execute());
  EXPECT_EQ(browser.Directory(), home / "Music/新しいフォルダー (2)");
}

// OK takes what was typed, not the item still highlighted in the tree; what cannot be chosen
// is said and the dialog stays open.
TEST_F(BrowseFolderTest, TypedPathIsTheAnswerOnOk) {
  FolderBrowser browser(&owner, fake);
  int finished = 0;
  fake.script = [&](FolderBrowserDialog& d) {
    QObject::connect(&d, &QDialog::finished, [&] { ++finished; });
    auto* edit = d.findChild<QLineEdit*>("PathEdit");
    for (const QString& wrong : {home / "Music/gone", home / "Music/track 1.wav"}) {
      edit->setText(wrong);
      d.PressOk();
    }
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(fake.errors.size(), 2);
    EXPECT_EQ(d.SelectedPath(), home / "Desktop");
    edit->setText("../Music/Album A"); // from the selected folder
    d.PressOk();
    return d.result();
  };
  ASSERT_TRUE(browser.Execute());
  EXPECT_EQ(browser.Directory(), home / "Music/Album A");
}

// A folder from a zip made on Japanese Windows has a CP932 name: the tree lists it decoded,
// it is chosen by its bytes and the next browse starts there; the open-file dialog reaches the
// files in it, and only files can be opened there.
TEST_F(BrowseFolderTest, Cp932NamesAreListedDecodedAndChosenByTheirBytes) {
  const QString folder = home / "Music/" + FsPath::Decode("\x89\xB9\x8A\x79"); // 音楽
  const QString file = folder + '/' + FsPath::Decode("\x82\xA0.wav");          // あ.wav
  ASSERT_EQ(::mkdir(FsPath::Encode(folder).constData(), 0700), 0);
  fixtures::writeFile(FsPath::Encode(file).toStdString(), {'R'});
  FolderBrowser browser(&owner, fake);
  QStringList listed;
  fake.script = [&](FolderBrowserDialog& d) {
    EXPECT_TRUE(d.SelectPath(home / "Music"));
    auto* tree = d.findChild<QTreeView*>("FolderTree");
    tree->expand(tree->currentIndex());
    // A folder the user opens is listed on a worker; its items come when the listing ends.
    while (tree->model()->rowCount(tree->currentIndex()) == 0)
      QCoreApplication::processEvents();
    for (int row = 0; row < tree->model()->rowCount(tree->currentIndex()); ++row)
      listed.append(tree->model()->index(row, 0, tree->currentIndex()).data().toString());
    tree->setCurrentIndex(tree->model()->index(listed.indexOf("音楽"), 0, tree->currentIndex()));
    EXPECT_EQ(d.findChild<QLineEdit*>("PathEdit")->text(), home / "Music/音楽");
    d.PressOk(); // the box, left as it is, still names the folder
    return d.result();
  };
  ASSERT_TRUE(browser.Execute());
  EXPECT_EQ(listed, QStringList({"Album A", "音楽"}));
  EXPECT_EQ(browser.Directory(), folder);
  EXPECT_EQ(browser.DisplayName(), "音楽");
  browser.setInitDir(browser.Directory());
  EXPECT_EQ(InitialSelection(browser), folder);

  bool folderOpens = true;
  fake.script = [&](FolderBrowserDialog& d) {
    folderOpens = d.OkEnabled();
    return ChooseAndOk(d, file);
  };
  EXPECT_EQ(FolderBrowserDialog::ChooseFile(&owner, folder, fake), file);
  EXPECT_FALSE(folderOpens);
}

TEST_F(BrowseFolderTest, RenamedNewFolderShowsInTheBox) {
  FolderBrowser browser(&owner, fake);
  QStringList seen;
  browser.OnSelectionChanged = [&](QObject*, QWidget*, const QString& dir, QString&, bool&) {
    seen.append(dir);
  };
  fake.script = [&](FolderBrowserDialog& d) {
    EXPECT_TRUE(d.SelectPath(home / "Music"));
    EXPECT_TRUE(d.CreateFolder());
    auto* nameEditor = d.findChild<QTreeView*>("FolderTree")->findChild<QLineEdit*>();
    if (nameEditor == nullptr)
      return Cancel(d);
    nameEditor->setText("Live");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(nameEditor, &enter);
    QApplication::processEvents(); // the view commits the name from its own queue
    EXPECT_EQ(d.findChild<QLineEdit*>("PathEdit")->text(), home / "Music/Live");
    d.PressOk();
    return d.result();
  };
  ASSERT_TRUE(browser.Execute());
  EXPECT_EQ(browser.Directory(), home / "Music/Live");
  EXPECT_EQ(seen.last(), home / "Music/Live");
  EXPECT_TRUE(fake.errors.isEmpty());
}

} // namespace

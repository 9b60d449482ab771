// Opening folders and files in the main window; the folder browser's dialog and the open-file
// dialog are played by a scripted Platform.
#include "FakePlatform.h"
#include "FinishOpen.h"
#include "FormControls.h"

#include "AudioFixtures.h"
#include "core/convert/Converter.h"
#include "core/fs/FolderScan.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/session/TagEditor.h"
#include "core/tags/TagFields.h"
#include "gui/FolderBrowser.h"
#include "gui/FolderBrowserDialog.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QThread>
#include <QUrl>
#include <QWindow>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// The browser's dialog chooses `choose` (cancels when empty); the open dialog chooses
// `openAnswer`, recording where it started.
class NavigationPlatform : public FakePlatform {
public:
  QString choose;
  QString openAnswer;
  QStringList openAskedAt;
  int ExecModal(QDialog& dialog) override {
    auto& d = dynamic_cast<FolderBrowserDialog&>(dialog);
    const bool openDialog = d.objectName() == QStringLiteral("OpenFileDialog");
    if (openDialog)
      openAskedAt.append(d.SelectedPath());
    const QString& choice = openDialog ? openAnswer : choose;
    if (choice.isEmpty() || !d.SelectPath(choice))
      d.PressCancel();
    else
      d.PressOk();
    return d.result();
  }
};

class NavigationTest : public ::testing::Test {
protected:
  void SetUp() override {
    form = std::make_unique<MainWindow>(platform);
    form->SetIniPath(Path("settings.ini"));
    options = new OptionsDialog(form.get(), platform);
    form->SetOptionsWindow(options);
  }
  QString Path(const std::string& relative) {
    return QString::fromStdString((dir / relative).string());
  }
  // A short real WAV or MP3 by the name's extension, an empty file otherwise.
  QString Make(const std::string& relative) {
    const auto p = dir / relative;
    std::filesystem::create_directories(p.parent_path());
    const std::string ext = p.extension().string();
    fixtures::writeFile(p, ext == ".wav" || ext == ".WAV" ? fixtures::makeWav({.seconds = 0.05})
                           : ext == ".mp3"                ? fixtures::makeMp3(0.05)
                                                          : fixtures::Bytes{});
    return Path(relative);
  }
  void Open(const QString& path) {
    platform.choose = path;
    form->OnOpenClicked();
    FinishOpen(form->session().navigator());
  }
  void SetOption(bool Options::*option, bool value) {
    Options o = form->CurrentOptions();
    o.*option = value;
    form->TakeOptions(o, false);
  }
  QStringList JacketNames() const {
    QStringList items;
    for (int i = 0; i < Combo(form, "jacketCombo")->count(); ++i)
      items << Combo(form, "jacketCombo")->itemText(i);
    return items;
  }
  QString Counters() const {
    return LineEdit(form, "positionEdit")->text() + u'/' + LineEdit(form, "countEdit")->text();
  }

  fixtures::TempDir dir;
  NavigationPlatform platform;
  std::unique_ptr<MainWindow> form;
  OptionsDialog* options = nullptr;
};

TEST_F(NavigationTest, FolderListsWavsThenMp3sAndStepsWithoutWrapping) {
  Make("album/1.wav");
  Make("album/2.mp3");
  Make("album/sub/3.WAV");
  // The browser starts at the current folder, also one stored at the last exit.
  form->session().navigator().SetCurrentFolder(Path("album/sub"));
  Open(QString());
  EXPECT_EQ(form->findChild<FolderBrowser*>(QStringLiteral("folderBrowser"))->InitDir(),
            Path("album/sub"));
  Open(Path("album"));

  QStringList expected;
  FindFiles(Path("album/"), QStringLiteral(".wav"), expected);
  FindFiles(Path("album/"), QStringLiteral(".mp3"), expected);
  ASSERT_EQ(form->session().navigator().FileList(), expected);
  ASSERT_EQ(expected.size(), 3);
  EXPECT_EQ(expected.at(2), Path("album/2.mp3"));
  EXPECT_EQ(LineEdit(form, "folderEdit")->toolTip(), Path("album"));
  EXPECT_EQ(Counters(), "1/3");

  const auto expectAt = [&](int i) {
    EXPECT_EQ(form->session().navigator().ShownFilePath(), expected.at(i));
    EXPECT_EQ(LineEdit(form, "fileNameEdit")->text(), QFileInfo(expected.at(i)).fileName());
    // The folder box names the shown file's folder, a subfolder's too.
    EXPECT_EQ(LineEdit(form, "folderEdit")->toolTip(), QFileInfo(expected.at(i)).path());
    EXPECT_EQ(LineEdit(form, "positionEdit")->text(), QString::number(i + 1));
    EXPECT_TRUE(form->StatusText(1).isEmpty());
  };
  expectAt(0);
  for (auto [step, at] : {std::pair{+1, 1}, {+1, 2}, {+1, 2}, {-1, 1}, {-1, 0}, {-1, 0}}) {
    StatusBarOf(form, "statusBar")->SetPanelText(1, QStringLiteral("成功"));
    step > 0 ? form->OnNextClicked() : form->OnPreviousClicked();
    FinishOpen(form->session().navigator());
    expectAt(at);
  }
}

TEST_F(NavigationTest, OneFileFolderPickedFileAndVanishedFolder) {
  std::filesystem::create_directories(dir / "one");
  fixtures::writeFile(dir / "one/a.wav",
                      fixtures::makeWavWithChunks({.seconds = 0.05},
                                                  {fixtures::makeInfoList({{"INAM", "Title A"}})}));
  SetOption(&Options::browserListsFiles, true);
  Open(Make("one/picked.WAV"));
  EXPECT_EQ(LineEdit(form, "folderEdit")->toolTip(), Path("one"));
  EXPECT_EQ(form->StatusText(1), QStringLiteral(".WAV"));
  EXPECT_EQ(form->session().navigator().ShownFilePath(),
            form->session().navigator().FileList().at(0))
      << "the list's first file, not the pick";
  EXPECT_EQ(form->findChild<FolderBrowser*>(QStringLiteral("folderBrowser"))->InitDir(),
            Path("one"));

  std::filesystem::remove(dir / "one/picked.WAV");
  Open(Path("one"));
  EXPECT_EQ(Texts(form, {"positionEdit", "countEdit", "titleEdit"}), "1|1|Title A");
  EXPECT_FALSE(PushButton(form, "previousButton")->isEnabled() ||
               PushButton(form, "nextButton")->isEnabled());
}

TEST_F(NavigationTest, CancelAndFoldersWithoutAudioKeepListFieldsAndJackets) {
  Make("album/a.wav");
  Make("album/b.wav");
  Make("album/disc1/cover.jpg");
  Make("album/disc2/cover.jpg");
  Open(Path("album"));
  QStringList jackets;
  FindFiles(Path("album/"), QStringLiteral(".jpg"), jackets);
  EXPECT_EQ(form->session().navigator().JacketList(), jackets)
      << "the same list as a walk of its own";
  EXPECT_EQ(JacketNames(), QStringList({QStringLiteral("cover.jpg"), QStringLiteral("cover.jpg")}));
  EXPECT_EQ(Combo(form, "jacketCombo")->currentText(), QStringLiteral("cover.jpg"));
  form->OnNextClicked();
  FinishOpen(form->session().navigator());
  LineEdit(form, "titleEdit")->setText(QStringLiteral("shown title"));
  const QStringList list = form->session().navigator().FileList();

  // Cancelled, or a folder without audio: the name, counters, list and fields still tell of
  // the same file.
  for (const QString& chosen : {QString(), Path("pictures")}) {
    Make("pictures/other.jpg");
    Open(chosen);
    EXPECT_EQ(Texts(form, {"fileNameEdit", "positionEdit", "countEdit", "titleEdit"}),
              "b.wav|2|2|shown title");
    EXPECT_TRUE(PushButton(form, "previousButton")->isEnabled());
    EXPECT_EQ(LineEdit(form, "folderEdit")->toolTip(), Path("album"));
    EXPECT_EQ(form->session().navigator().FileList(), list);
    EXPECT_EQ(JacketNames().size(), 2);
  }
  EXPECT_EQ(form->StatusText(2),
            QStringLiteral("このフォルダにはWAVファイルもMP3ファイルもありません"));

  // No images where a file is opened: the list empties, the box keeps its text.
  Combo(form, "jacketCombo")->setEditText(QStringLiteral("from a comment.jpg"));
  form->session().navigator().OpenOneFile(Make("lone/x.mp3"));
  FinishOpen(form->session().navigator());
  EXPECT_EQ(Combo(form, "jacketCombo")->count(), 0);
  EXPECT_EQ(Combo(form, "jacketCombo")->currentText(), QStringLiteral("from a comment.jpg"));

  // A second open before the first one's walk has ended: the first one's list never comes.
  form->session().navigator().OpenOneFile(Make("first/a.wav"));
  form->session().navigator().OpenOneFile(Make("second/b.wav"));
  FinishOpen(form->session().navigator());
  QThread::msleep(20);
  QCoreApplication::processEvents();
  EXPECT_EQ(form->session().navigator().FileList(), QStringList{Path("second/b.wav")});
}

// A file opened alone lists the WAV and MP3 files of its own folder (not of its subfolders, nor
// their images), at its own place, as opening the folder would.
TEST_F(NavigationTest, FileModeOpensOneFileWithItsFolderAsTheList) {
  Make("album/a.wav");
  Open(Path("album"));
  SetOption(&Options::openByFolder, false);
  Make("elsewhere/sub/deeper.wav");
  Make("elsewhere/sub/deeper.jpg");
  Make("elsewhere/cover.jpg");
  const QString other = Make("elsewhere/other.wav");
  const QString chosen = platform.openAnswer = Make("elsewhere/Song.MP3");
  form->OnOpenClicked();
  FinishOpen(form->session().navigator());
  EXPECT_EQ(form->StatusText(1), QStringLiteral(".MP3"));
  EXPECT_EQ(form->session().navigator().ShownFilePath(), chosen);
  EXPECT_EQ(LineEdit(form, "folderEdit")->toolTip(), Path("elsewhere"));
  EXPECT_EQ(form->session().navigator().FileList(), QStringList({other, chosen}));
  EXPECT_EQ(Counters(), QStringLiteral("2/2"));
  EXPECT_EQ(JacketNames(), QStringList{QStringLiteral("cover.jpg")});
  form->OnPreviousClicked();
  FinishOpen(form->session().navigator());
  EXPECT_EQ(form->session().navigator().ShownFilePath(), other);

  platform.openAnswer = Make("elsewhere/cover.txt");
  form->OnOpenClicked();
  EXPECT_EQ(platform.openAskedAt.last(), chosen) << "the dialog starts at the last choice";
  EXPECT_EQ(form->StatusText(1), QStringLiteral(".txt"));
  EXPECT_EQ(LineEdit(form, "fileNameEdit")->text(), QStringLiteral("other.wav"));
}

struct DropCase {
  std::vector<std::string> dropped;
  std::vector<std::string> list; // empty: the list stays album's
  std::string shown;
};

// Edited tag fields are never left silently: stepping, the position counter and closing ask
// once; キャンセル stays with the edits, 保存しない leaves the file as it was, 保存 writes it.
TEST_F(NavigationTest, EditedFieldsAreLeftOnlyThroughTheQuestion) {
  std::filesystem::create_directories(dir / "album");
  for (const char* name : {"a", "b", "c"})
    fixtures::writeFile(
        dir / "album" / (std::string(name) + ".wav"),
        fixtures::makeWavWithChunks({.seconds = 0.05}, {fixtures::makeInfoList({{"INAM", name}})}));
  Open(Path("album"));
  const auto title = [this](const char* name) {
    return ReadFileTags(Path(std::string("album/") + name + ".wav"), nullptr)
        .fields[TagField::Title];
  };
  const auto typeNumber = [this](const char* number) {
    LineEdit(form, "positionEdit")->setText(QString::fromLatin1(number));
    form->OnPositionEntered();
    FinishOpen(form->session().navigator());
  };
  QLineEdit* edit = LineEdit(form, "titleEdit");
  edit->setText(QStringLiteral("edited"));
  platform.saveAnswer = SaveAnswer::Cancel;
  form->OnNextClicked();
  FinishOpen(form->session().navigator());
  typeNumber("3");
  form->show();
  EXPECT_FALSE(form->close());
  EXPECT_EQ(platform.saveQuestions, 3);
  EXPECT_EQ(Counters(), QStringLiteral("1/3"));
  EXPECT_EQ(edit->text(), QStringLiteral("edited"));

  platform.saveAnswer = SaveAnswer::Discard;
  form->OnNextClicked();
  FinishOpen(form->session().navigator());
  EXPECT_EQ(edit->text(), QStringLiteral("b"));
  EXPECT_EQ(title("a"), QStringLiteral("a"));

  edit->setText(QStringLiteral("B2"));
  platform.saveAnswer = SaveAnswer::Save;
  typeNumber("3");
  EXPECT_EQ(Counters(), QStringLiteral("3/3"));
  EXPECT_EQ(title("b"), QStringLiteral("B2"));

  // Nothing edited: no question. A number out of range is put back.
  form->OnPreviousClicked();
  FinishOpen(form->session().navigator());
  typeNumber("9");
  EXPECT_EQ(Counters(), QStringLiteral("2/3"));
  EXPECT_EQ(platform.saveQuestions, 5);
  EXPECT_TRUE(form->close());
}

class NavigationDrop : public NavigationTest, public ::testing::WithParamInterface<DropCase> {};

// The first WAV or MP3 file in drop order is shown. Alone, its folder's files are the list;
// several files dropped form the list themselves, WAV files first.
TEST_P(NavigationDrop, ShowsTheFirstWavOrMp3InDropOrder) {
  Make("album/a.wav");
  Make("album/b.wav");
  Make("d/other.mp3");
  Open(Path("album"));
  QStringList dropped;
  for (const std::string& name : GetParam().dropped) {
    const bool folder = name.back() == '/';
    if (folder)
      std::filesystem::create_directories(dir / name);
    dropped << (folder ? Path(name) : Make(name));
  }
  form->FilesDropped(dropped);
  FinishOpen(form->session().navigator());
  QStringList list;
  for (const std::string& name : GetParam().list)
    list << Path(name);
  EXPECT_EQ(form->session().navigator().FileList(),
            list.isEmpty() ? QStringList({Path("album/a.wav"), Path("album/b.wav")}) : list);
  if (!list.isEmpty()) {
    EXPECT_EQ(form->session().navigator().ShownFilePath(), Path(GetParam().shown));
  }
  EXPECT_EQ(Counters(), QStringLiteral("%1/%2")
                            .arg(form->session().navigator().CurrentIndex() + 1)
                            .arg(form->session().navigator().FileList().size()));
}

// A drop on a text box opens the file like a drop on the window, leaves the box's own text
// alone (no pasted "file:///..." line that a write would store), and is a copy, never a move.
TEST_F(NavigationTest, DropOnATextBoxOpensTheFileAsACopy) {
  const QString wav = Make("d/s.wav");
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(wav)});
  form->show();
  QLineEdit* box = LineEdit(form, "albumEdit");
  box->setText(QStringLiteral("album"));
  // Through the window, as the desktop delivers a drag: it picks the widget under the point.
  const QPointF at = box->mapTo(form.get(), QPoint(5, 5));
  const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
  QDragEnterEvent enter(at.toPoint(), offered, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form->windowHandle(), &enter);
  QDropEvent drop(at, offered, &mime, Qt::LeftButton, Qt::NoModifier);
  drop.setDropAction(Qt::MoveAction);
  QApplication::sendEvent(form->windowHandle(), &drop);
  FinishOpen(form->session().navigator());
  EXPECT_EQ(form->session().navigator().ShownFilePath(), wav);
  EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
  EXPECT_EQ(box->text(), QString()) << "the box shows the dropped file's album, not a URL";
}

INSTANTIATE_TEST_SUITE_P(
    Drops, NavigationDrop,
    ::testing::Values(DropCase{{"d/n.txt", "d/.w2m-enc-a1b2c3.mp3", "d/s.wav"},
                               {"d/s.wav", "d/other.mp3"},
                               "d/s.wav"},
                      DropCase{{"d/b.mp3", "d/a.wav"}, {"d/a.wav", "d/b.mp3"}, "d/b.mp3"},
                      DropCase{{"album/b.wav"}, {"album/a.wav", "album/b.wav"}, "album/b.wav"},
                      DropCase{{"d/sub/", "d/x.wav/"}, {}, ""}));

// Enter opens the folder typed into the folder box; otherwise the box names the folder shown.
TEST_F(NavigationTest, FolderBoxOpensWhatIsTypedAndOtherwiseNamesTheShownFolder) {
  Make("album/1.wav");
  Make("other/2.mp3");
  Open(Path("album"));
  QLineEdit* box = LineEdit(form, "folderEdit");
  const auto enter = [&](const QString& typed) {
    box->setText(typed);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(box, &key);
    FinishOpen(form->session().navigator());
  };
  enter(QStringLiteral("../other"));
  EXPECT_EQ(Texts(form, {"fileNameEdit", "folderEdit"}), "2.mp3|" + Path("other").toStdString());
  enter(Path("none"));
  EXPECT_TRUE(form->StatusText(2).contains(Path("none")));
  EXPECT_EQ(box->text(), Path("other"));
  box->setText(QStringLiteral("typed, never entered"));
  QFocusEvent leaving(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(box, &leaving);
  EXPECT_EQ(box->text(), Path("other"));
}

TEST_F(NavigationTest, LongPathsShortenedAndOutputFolderChosenOnOkOnly) {
  std::string deep = "long";
  for (int i = 0; i < 12; ++i)
    deep += "/a_rather_long_folder_name_" + std::to_string(i);
  Make(deep + "/a.wav");
  Open(Path(deep));
  EXPECT_EQ(LineEdit(form, "folderEdit")->toolTip(), Path(deep));
  EXPECT_TRUE(LineEdit(form, "folderEdit")->text().contains(QStringLiteral(".../")));
  EXPECT_TRUE(LineEdit(form, "folderEdit")
                  ->text()
                  .endsWith(QStringLiteral("/a_rather_long_folder_name_11")));

  Options before;
  before.outputFolder = QStringLiteral("/before");
  options->SetValue(before);
  platform.choose.clear();
  options->ChooseOutputFolder();
  const auto taken = [this] {
    return options->Value().outputFolder + u'|' + LineEdit(options, "outputFolderEdit")->toolTip();
  };
  EXPECT_EQ(taken(), "/before|/before");
  platform.choose = Path(deep);
  options->ChooseOutputFolder();
  EXPECT_EQ(taken(), Path(deep) + u'|' + Path(deep));
  EXPECT_TRUE(LineEdit(options, "outputFolderEdit")->text().contains(QStringLiteral(".../")));
}

} // namespace

// The main window and the options window on the offscreen platform, driven through a fake
// Platform: layout, status bar, key preview, options, waiting, settings load and save.
#include "FakePlatform.h"
#include "FormControls.h"

#include "core/convert/Converter.h"
#include "core/encoder/EncoderComponent.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/session/TagEditor.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"
#include "gui/StatusBar.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSet>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

class MainWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    form = std::make_unique<MainWindow>(fake);
    form->SetIniPath(dir.filePath(QStringLiteral("wav2mp3tag.ini")));
    options = new OptionsDialog(form.get());
    form->SetOptionsWindow(options);
  }
  void TearDown() override {
    // Leave nothing behind in the program's folder: a window that is still open saves into
    // the temporary folder when it is destroyed by the test.
    form.reset();
  }

  void ShowWithReadOnlyIni() {
    WriteAll(form->IniPath(), "[Form]\r\nLeft=\"5\"\r\n");
    QFile::setPermissions(form->IniPath(), QFile::ReadOwner | QFile::ReadGroup);
    form->show();
  }

  // The options window's checked boxes and buttons, by name.
  std::string Checked() const {
    QStringList names;
    for (const QAbstractButton* b : Frame(options, "panel")->findChildren<QAbstractButton*>())
      if (b->isChecked())
        names << b->objectName();
    return names.join(u' ').toStdString();
  }

  QTemporaryDir dir;
  FakePlatform fake;
  std::unique_ptr<MainWindow> form;
  OptionsDialog* options = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Layout

TEST_F(MainWindowTest, StartsAsDesigned) {
  EXPECT_EQ(form->windowTitle(), QStringLiteral("WAV→MP3変換とID3タグの編集"));
  EXPECT_EQ(form->size(), QSize(662, 411));
  EXPECT_EQ(form->pos(), QPoint(294, 132));
  EXPECT_EQ(form->minimumSize(), form->maximumSize()) << "the user cannot resize the window";
  EXPECT_EQ(form->font().pixelSize(), 12);
  EXPECT_EQ(TextLabel(form, "boldNoteLabel")->font().pixelSize(), 11);
  EXPECT_EQ(TextLabel(form, "boldNoteLabel")->text(), QStringLiteral("太字がID3タグ"));

  EXPECT_EQ(Texts(form, {"positionEdit", "countEdit", "yearEdit", "genreEdit", "folderEdit"}),
            "0|0|2008|JPop|");
  for (const char* name : {"countEdit", "genreEdit", "playingTimeEdit"})
    EXPECT_TRUE(LineEdit(form, name)->isReadOnly()) << name;
  EXPECT_FALSE(LineEdit(form, "positionEdit")->isReadOnly());
  EXPECT_EQ(LineEdit(form, "folderEdit")->toolTip(), QStringLiteral("フォルダ名"));
  EXPECT_EQ(TextLabel(form, "commentFormatLabel")->text(), QStringLiteral("任意文字列"));
  EXPECT_FALSE(PushButton(form, "composeCommentButton")->isEnabled());
  EXPECT_EQ(Combo(form, "jacketCombo")->count(), 0);
  EXPECT_TRUE(form->acceptDrops());

  // Every label of a box names it, so its shortcut and screen readers find the box; tag fields
  // are marked by bold labels, and only they.
  QStringList bold;
  for (QLabel* l : Frame(form, "tagPanel")->findChildren<QLabel*>()) {
    EXPECT_NE(l->buddy(), nullptr) << l->objectName().toStdString();
    if (l->font().bold())
      bold << l->objectName();
  }
  EXPECT_EQ(bold.join(u' ').toStdString(),
            "titleLabel artistLabel albumLabel commentLabel yearLabel genreLabel");
  EXPECT_EQ(TextLabel(form, "folderLabel")->buddy(), LineEdit(form, "folderEdit"));

  // Each control is found by its own name: no two widgets of the window share one.
  QSet<QString> names;
  for (const QWidget* w : form->findChildren<QWidget*>()) {
    if (w->window() != form.get() || w->objectName().isEmpty() ||
        w->objectName().startsWith(QLatin1String("qt_")))
      continue;
    EXPECT_FALSE(names.contains(w->objectName())) << w->objectName().toStdString();
    names.insert(w->objectName());
  }
}

TEST_F(MainWindowTest, OptionsWindowStartsAsDesigned) {
  EXPECT_EQ(options->windowTitle(), QStringLiteral("オプション設定"));
  EXPECT_EQ(options->pos(), QPoint(365, 243));
  EXPECT_EQ(Checked(),
            "openByFolderCheck allowTagWriteCheck freeTextRadio copyTagCheck riffSifRadio");
  EXPECT_TRUE(LineEdit(options, "outputFolderEdit")->toolTip().isEmpty());
  EXPECT_EQ(LineEdit(options, "outputFolderEdit")->geometry().topLeft(), QPoint(8, 340));
  EXPECT_EQ(PushButton(options, "chooseOutputFolderButton")->geometry(), QRect(331, 342, 21, 17));
  // The four formats are one group: choosing one clears the others.
  RadioButton(options, "idAndCreditsRadio")->setChecked(true);
  EXPECT_FALSE(RadioButton(options, "freeTextRadio")->isChecked());
  // The quality box is named by its label; ReplayGain waits for a tag format that holds it.
  EXPECT_EQ(Combo(options, "qualityCombo")->accessibleName(), QStringLiteral("MP3の音質"));
  EXPECT_FALSE(CheckBox(options, "replayGainCheck")->isEnabled());
  RadioButton(options, "id3v2Radio")->setChecked(true);
  EXPECT_TRUE(CheckBox(options, "replayGainCheck")->isEnabled());
}

TEST_F(MainWindowTest, OptionsCaptionsStayInsideTheirFrames) {
  // The fonts here are wider than the design's: no caption may be cut off or run past the
  // panel's edge, and the comment formats stay below the group's caption.
  for (QAbstractButton* b : Frame(options, "panel")->findChildren<QAbstractButton*>()) {
    if (b == PushButton(options, "chooseOutputFolderButton"))
      continue;
    const std::string name = b->objectName().toStdString();
    const QWidget* holder = b->parentWidget();
    EXPECT_TRUE(holder->contentsRect().contains(b->geometry())) << name;
    EXPECT_LE(b->sizeHint().width(), b->width()) << name;
  }
  EXPECT_GE(RadioButton(options, "freeTextRadio")->y(),
            GroupBox(options, "commentFormatGroup")->contentsRect().top());
  // Each quality's hint fits on its line.
  for (int i = 0; i < Combo(options, "qualityCombo")->count(); ++i) {
    Combo(options, "qualityCombo")->setCurrentIndex(i);
    const QLabel* hint = TextLabel(options, "qualityHint");
    EXPECT_LE(hint->sizeHint().width(), hint->width()) << i;
  }
}

// ---------------------------------------------------------------------------------------------
// Status bar

TEST_F(MainWindowTest, StatusBarPanelsAndProgressBar) {
  StatusBar* bar = StatusBarOf(form, "statusBar");
  EXPECT_EQ(bar->geometry(), QRect(0, 411 - 25, 662, 25));
  ASSERT_EQ(bar->PanelCount(), 4);
  const int widths[] = {50, 50, 400, 50};
  int left = 0;
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(bar->PanelWidth(i), widths[i]);
    EXPECT_EQ(bar->Panel(i)->x(), left);
    left += widths[i];
  }

  QProgressBar* progress = ProgressBar(form, "progressBar");
  EXPECT_EQ(progress->parentWidget(), bar);
  EXPECT_EQ(progress->geometry(), QRect(502, 2, 662 - 500 - 8, bar->height() - 2));
  EXPECT_EQ(progress->minimum(), 0);
  EXPECT_EQ(progress->maximum(), 100);
  EXPECT_EQ(progress->value(), 0);

  for (int i = 0; i < 4; ++i)
    bar->SetPanelText(i, QStringLiteral("p%1").arg(i));
  EXPECT_EQ(bar->PanelText(2), QStringLiteral("p2"));
  form->ClearStatus();
  for (int i = 0; i < 3; ++i)
    EXPECT_TRUE(form->StatusText(i).isEmpty()) << i;
  EXPECT_EQ(form->StatusText(3), QStringLiteral("p3"));
  bar->SetPanelText(7, QStringLiteral("nowhere")); // ignored
}

// ---------------------------------------------------------------------------------------------
// Key preview

// Modifiers as the platform delivers them: the state before the key, so a press of Shift
// itself carries none (the event reports Shift held after it).
struct KeyStep {
  QEvent::Type type;
  int key;
  Qt::KeyboardModifiers modifiers;
  const char* panel;
  bool shiftHeld;
};
struct KeyCase {
  const char* name;
  bool shiftHeldBefore;
  std::vector<KeyStep> steps;
};

class ModifierIndicator : public MainWindowTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(ModifierIndicator, FollowsShiftAndCtrlInAnyControl) {
  form->show();
  if (GetParam().shiftHeldBefore)
    form->OnKeyPressed(Qt::Key_Shift, Qt::ShiftModifier);
  int n = 0;
  for (const KeyStep& step : GetParam().steps) {
    QKeyEvent event(step.type, step.key, step.modifiers);
    QApplication::sendEvent(LineEdit(form, "titleEdit"), &event);
    EXPECT_EQ(form->StatusText(1), QString::fromLatin1(step.panel)) << "step " << n;
    EXPECT_EQ(form->ShiftHeld(), step.shiftHeld) << "step " << n;
    ++n;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ModifierIndicator,
    ::testing::Values(KeyCase{"ShiftPressAndRelease",
                              false,
                              {{QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier, "+", true},
                               {QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, "+", true},
                               {QEvent::KeyRelease, Qt::Key_A, Qt::ShiftModifier, "-", false}}},
                      KeyCase{"CtrlAloneLeavesFlagFalse",
                              false,
                              {{QEvent::KeyPress, Qt::Key_Control, Qt::NoModifier, "+", false}}},
                      KeyCase{"CtrlClearsAHeldFlag",
                              true,
                              {{QEvent::KeyPress, Qt::Key_Control, Qt::NoModifier, "+", false}}},
                      KeyCase{"PlainKeyKeepsFlag",
                              true,
                              {{QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "-", true},
                               {QEvent::KeyRelease, Qt::Key_B, Qt::NoModifier, "-", false}}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(MainWindowTest, KeysOfOtherWindowsAreNotSeen) {
  QKeyEvent event(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier);
  QApplication::sendEvent(LineEdit(options, "outputFolderEdit"), &event);
  EXPECT_TRUE(form->StatusText(1).isEmpty());
  EXPECT_FALSE(form->ShiftHeld());
}

// ---------------------------------------------------------------------------------------------
// Options window and ApplyOptions

TEST_F(MainWindowTest, OptionsButtonsEndTheModalLoop) {
  options->show();
  PushButton(options, "okButton")->click();
  EXPECT_EQ(options->result(), QDialog::Accepted);
  EXPECT_FALSE(options->isVisible());
  options->show();
  PushButton(options, "cancelButton")->click();
  EXPECT_EQ(options->result(), QDialog::Rejected);
  options->setResult(QDialog::Accepted);
  options->show();
  options->close(); // by the frame
  EXPECT_EQ(options->result(), QDialog::Rejected);
}

// Cancel leaves every option as it was before the window opened, in the window, in force and in
// the settings file; OK takes and applies them.
TEST_F(MainWindowTest, CancelRestoresEveryOptionAndOkAppliesThem) {
  form->show(); // start-up applies the designed options
  EXPECT_EQ(form->OuterHeight(), 391);
  fake.whileShown = [this](QDialog&) {
    CheckBox(options, "openByFolderCheck")->setChecked(false);
    CheckBox(options, "trashWavCheck")->setChecked(true);
  };
  fake.modalResult = QDialog::Rejected;
  PushButton(form, "optionsButton")->click();
  EXPECT_EQ(fake.modalRuns, 1);
  EXPECT_EQ(Checked(),
            "openByFolderCheck allowTagWriteCheck freeTextRadio copyTagCheck riffSifRadio");
  EXPECT_EQ(form->CurrentOptions(), Options());

  fake.modalResult = QDialog::Accepted;
  PushButton(form, "optionsButton")->click();
  EXPECT_EQ(PushButton(form, "openButton")->text(), QStringLiteral("ファイルを開く"));
  EXPECT_TRUE(form->CurrentOptions().moveWavToTrash);
}

struct ApplyCase {
  const char* name;
  bool writeId3;
  bool showVersion;
  const char* format; // the comment format's radio button
  const char* label;
  bool commentButton;
  int panelHeight;
  int windowHeight;
};

class ApplyOptionsCase : public MainWindowTest, public ::testing::WithParamInterface<ApplyCase> {};

TEST_P(ApplyOptionsCase, BringsTheMainWindowInLine) {
  const ApplyCase& c = GetParam();
  form->show();
  fake.modalResult = QDialog::Accepted;
  fake.whileShown = [&](QDialog&) {
    CheckBox(options, "allowTagWriteCheck")->setChecked(c.writeId3);
    CheckBox(options, "showVersionCheck")->setChecked(c.showVersion);
    RadioButton(options, c.format)->setChecked(true);
  };
  form->OnOptionsClicked();
  EXPECT_EQ(PushButton(form, "writeTagsButton")->isEnabled(), c.writeId3);
  EXPECT_EQ(TextLabel(form, "commentFormatLabel")->text(), QString::fromUtf8(c.label));
  EXPECT_EQ(PushButton(form, "composeCommentButton")->isEnabled(), c.commentButton);
  EXPECT_EQ(Frame(form, "tagPanel")->height(), c.panelHeight);
  EXPECT_EQ(form->OuterHeight(), c.windowHeight);
  // The status bar stays at the bottom, the strip below the separator shows only with the
  // version option.
  EXPECT_EQ(StatusBarOf(form, "statusBar")->geometry().bottom(), form->height() - 1);
  EXPECT_EQ(LineEdit(form, "libraryVersionEdit")->isVisibleTo(form.get()) &&
                LineEdit(form, "libraryVersionEdit")->geometry().bottom() <
                    Frame(form, "tagPanel")->height(),
            c.showVersion);
}

INSTANTIATE_TEST_SUITE_P(
    Options, ApplyOptionsCase,
    ::testing::Values(
        ApplyCase{"FreeText", true, false, "freeTextRadio", "任意文字列", false, 271, 391},
        ApplyCase{"Jacket", false, true, "jacketImageRadio", "ジャケット画像名", true, 325, 445},
        ApplyCase{"FourNames", true, true, "creditsRadio", "作詩+作曲+編曲+演奏", true, 325, 445},
        ApplyCase{"IdAndFourNames", false, false, "idAndCreditsRadio", "ID+作詩+作曲+編曲+演奏",
                  true, 271, 391}),
    [](const auto& p) { return std::string(p.param.name); });

// ---------------------------------------------------------------------------------------------
// Settings file

TEST_F(MainWindowTest, FirstRunShowsTheDesignAndCreatesTheFile) {
  form->show();
  EXPECT_EQ(form->pos(), QPoint(294, 132));
  EXPECT_EQ(form->width(), 662);
  EXPECT_EQ(form->OuterHeight(), 391);
  const int outerWidth = form->OuterWidth();
  EXPECT_TRUE(form->HelpPath().isEmpty());
  PushButton(form, "exitButton")->click();
  EXPECT_FALSE(form->isVisible());

  const QString text = QString::fromUtf8(ReadAll(form->IniPath()));
  ASSERT_FALSE(text.isEmpty());
  EXPECT_TRUE(text.startsWith(QStringLiteral("[Option]\r\nHelpFileName=\"\"\r\n"
                                             "FolderPath=\"フォルダ名\"\r\n")))
      << text.toStdString();
  EXPECT_NE(text.indexOf(QStringLiteral("[Form]\r\nLeft=\"294\"\r\nTop=\"132\"\r\nWidth=\"%1\"\r\n"
                                        "Height=\"391\"\r\n")
                             .arg(outerWidth)),
            -1)
      << text.toStdString();
  EXPECT_NE(text.indexOf(QStringLiteral("WithFolder=\"True\"")), -1);
  EXPECT_NE(text.indexOf(QStringLiteral("FormComment=\"0\"")), -1);
  EXPECT_TRUE(fake.questions.isEmpty());
}

TEST_F(MainWindowTest, HandWrittenFileIsLoadedAndKeepsItsOwnLinesWhenSaved) {
  const QString music =
      dir.filePath(QStringLiteral("音楽/とても長いフォルダの名前/さらに長い下位フォルダ"));
  ASSERT_TRUE(QDir().mkpath(music));
  const QByteArray file = "; written by hand\r\n"
                          "[Form]\r\n"
                          "Left=\"10\"\r\n"
                          "Top=20\r\n"
                          "Width=\"700\"\r\n"
                          "Height=\"999\"\r\n"
                          "Colour=\"blue\"\r\n"
                          "\r\n"
                          "[Mine]\r\n"
                          "Keep=\"this\"\r\n"
                          "\r\n"
                          "[Option]\r\n"
                          "WithFolder=\" TRUE  \"\r\n"
                          "WithFile=\"1\"\r\n"
                          "WriteId3=\"true\r\n"
                          "DispMp3infp=\"False\"\r\n"
                          "FormComment=\"2,\"\r\n"
                          "Mp3DeleteWav=\"True\"\r\n"
                          "Mp3FolderPath=\"/no/such/folder\"\r\n"
                          "Mp3TagFormat=\"ID3v2\"\r\n"
                          "Mp3Jobs=\"3\"\r\n"
                          "FolderPath=\"" +
                          music.toUtf8() + "\"\r\n";
  WriteAll(form->IniPath(), file);
  const int progressWidth = ProgressBar(form, "progressBar")->width();

  form->show();
  EXPECT_EQ(form->pos(), QPoint(10, 20));
  EXPECT_EQ(form->OuterWidth(), 700);
  EXPECT_EQ(form->OuterHeight(), 391) << "the stored height plays no part";
  EXPECT_EQ(StatusBarOf(form, "statusBar")->width(), form->width());
  EXPECT_EQ(LineEdit(form, "folderEdit")->width(), form->width() - 72 - 4)
      << "the folder box follows the edge";
  EXPECT_EQ(ProgressBar(form, "progressBar")->width(), progressWidth) << "placed once, at creation";

  // Mp3WavId3ToMp3 is absent: the tag copy is off, whatever its designed state.
  EXPECT_EQ(Checked(),
            "openByFolderCheck allowTagWriteCheck creditsRadio trashWavCheck id3v2Radio");
  EXPECT_EQ(TextLabel(form, "commentFormatLabel")->text(), QStringLiteral("作詩+作曲+編曲+演奏"));
  // A missing output folder is kept (a drive not plugged in): a conversion says it is missing.
  EXPECT_EQ(LineEdit(options, "outputFolderEdit")->toolTip(), QStringLiteral("/no/such/folder"));
  EXPECT_EQ(SpinBox(options, "jobsSpin")->value(), 3);

  EXPECT_EQ(LineEdit(form, "folderEdit")->toolTip(), music + QLatin1Char('/'));
  const QString shown = LineEdit(form, "folderEdit")->text();
  EXPECT_TRUE(shown.endsWith(QStringLiteral("さらに長い下位フォルダ/"))) << shown.toStdString();
  EXPECT_LE(LineEdit(form, "folderEdit")->fontMetrics().horizontalAdvance(shown),
            LineEdit(form, "folderEdit")->width() - 4);
  EXPECT_TRUE(form->session().navigator().FileList().isEmpty())
      << "the stored folder is not scanned";

  form->close();

  const QString saved = QString::fromUtf8(ReadAll(form->IniPath()));
  for (const char* key :
       {"Left=\"10\"", "Top=\"20\"", "Width=\"700\"", "Height=\"391\"", "WithFolder=\"True\"",
        "WithFile=\"False\"", "FormComment=\"2\"", "Mp3WavId3ToMp3=\"False\"",
        "Mp3FolderPath=\"/no/such/folder\"", "Mp3TagFormat=\"ID3v2\"", "Mp3Jobs=\"3\""})
    EXPECT_NE(saved.indexOf(QString::fromUtf8(key)), -1) << key;
  EXPECT_NE(saved.indexOf(QStringLiteral("FolderPath=\"") + music + QStringLiteral("/\"")), -1);
}

TEST_F(MainWindowTest, ReadOnlyFileAsksWithTheProgramsQuestion) {
  ShowWithReadOnlyIni();
  fake.answer = true;
  form->close();
  ASSERT_EQ(fake.questions.size(), 1);
  EXPECT_EQ(fake.questions.front(),
            QStringLiteral("問合わせ|設定ファイル %1 は読み取り専用です。書き込みますか？")
                .arg(form->IniPath()));
  EXPECT_EQ(form->width(), MainWindow::kDesignedClientWidth) << "no stored width: the designed one";
  EXPECT_NE(ReadAll(form->IniPath()).indexOf("HelpFileName="), -1);
}

TEST_F(MainWindowTest, UnwritableSettingsDoNotKeepTheWindowOpen) {
  // A folder that cannot be made: its place is taken by a file.
  QFile blocker(dir.filePath(QStringLiteral("blocker")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  form->SetIniPath(dir.filePath(QStringLiteral("blocker/wav2mp3tag.ini")));
  form->show();
  EXPECT_TRUE(form->close());
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(QFile::exists(form->IniPath()));
  ASSERT_EQ(fake.errors.size(), 1) << "the user hears of it";
  EXPECT_TRUE(fake.errors.first().startsWith(QStringLiteral("設定を保存できませんでした")));
}

// Closed by the system (SIGTERM at logout) with a read-only settings file: no question, no
// message box keeps the program alive; the window closes.
TEST_F(MainWindowTest, ClosedBySignalAsksNothing) {
  ShowWithReadOnlyIni();
  form->CloseBySignal();
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(fake.questions.isEmpty());
  EXPECT_TRUE(fake.errors.isEmpty());
}

// A place stored while a second monitor was attached comes back onto the screen.
TEST_F(MainWindowTest, StoredPlaceOffEveryScreenComesBack) {
  WriteAll(form->IniPath(), "[Form]\r\nLeft=\"-9000\"\r\nTop=\"-9000\"\r\n");
  form->show();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_TRUE(screen.intersects(form->frameGeometry())) << form->pos().x();
}

} // namespace

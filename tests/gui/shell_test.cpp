#include "BrowserFakes.h"
#include "gui/FolderBrowser.h"
#include "gui/OutputFolderChoice.h"
#include "gui/ShellServices.h"

#include <QFile>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class ShellServicesTest : public ::testing::Test {
protected:
  FakeHome home;
  FakePlatform fake;
  FakeOpener opener;
};

// The help file opens when it exists and a program takes it; otherwise the user is told which.
TEST_F(ShellServicesTest, HelpFileOpensOrSaysWhyNot) {
  QDir(home.Path()).mkpath("help dir");
  QFile help(home / "help dir/使い方 readme.txt");
  ASSERT_TRUE(help.open(QIODevice::WriteOnly));
  help.close();

  for (const QString& none : {QString(), home / "missing.txt", home / "help dir"})
    EXPECT_TRUE(OpenHelpFile(none, opener).startsWith(u"使用方法のファイル"));
  EXPECT_TRUE(opener.opened.isEmpty());

  QDir::setCurrent(home.Path());
  // Relative to the current folder, and already quoted.
  EXPECT_EQ(OpenHelpFile("help dir/使い方 readme.txt", opener), QString());
  EXPECT_EQ(OpenHelpFile("\"" + help.fileName() + "\"", opener), QString());
  EXPECT_EQ(opener.opened, QStringList({help.fileName(), help.fileName()}));
  opener.canOpen = false;
  EXPECT_EQ(OpenHelpFile(help.fileName(), opener),
            help.fileName() + QStringLiteral(" を開けるプログラムが見つかりません。"));
}

TEST_F(ShellServicesTest, AssociatedProgramGetsThePathWithoutQuotes) {
  EXPECT_TRUE(OpenWithAssociated("\"/a b/c.txt\"", 1, opener));
  EXPECT_TRUE(OpenWithAssociated("/a b/c.txt", 1, opener));
  EXPECT_FALSE(OpenWithAssociated("\"\"", 1, opener));
  EXPECT_EQ(opener.opened, QStringList({"/a b/c.txt", "/a b/c.txt"}));
}

class OutputFolderTest : public ShellServicesTest {
protected:
  void SetUp() override {
    window.move(100, 200);
    button.setGeometry(300, 20, 25, 21);
    browser.setOptions(0); // old style: the dialog goes where FormLeft and FormTop say
  }
  QWidget window;
  QPushButton button{"...", &window};
  FolderBrowser browser{&window, fake};
};

TEST_F(OutputFolderTest, CancelChangesNothing) {
  QPoint dialogAt;
  QString startedAt;
  fake.script = [&](FolderBrowserDialog& d) {
    dialogAt = d.pos();
    startedAt = d.SelectedPath();
    return Cancel(d);
  };
  EXPECT_FALSE(ChooseOutputFolder(browser, &button));
  EXPECT_EQ(dialogAt, QPoint(400, 220 + button.height())); // just below the button
  EXPECT_EQ(startedAt, home / "Music");
}

TEST_F(OutputFolderTest, ChoiceIsRemembered) {
  const QString chosen = home / "Music/とても長いフォルダの名前/その下のフォルダ";
  QDir().mkpath(chosen);
  fake.script = [&](FolderBrowserDialog& d) { return ChooseAndOk(d, chosen); };
  EXPECT_EQ(ChooseOutputFolder(browser, &button), chosen);
  EXPECT_EQ(browser.InitDir(), chosen);

  // The next browse starts at the folder chosen last.
  fake.NoteStartAndCancel();
  EXPECT_FALSE(ChooseOutputFolder(browser, &button));
  EXPECT_EQ(fake.startedAt, chosen);
}

} // namespace

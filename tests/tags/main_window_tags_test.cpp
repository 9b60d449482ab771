#include "app/Platform.h"
#include "app/Unit1.h"
#include "tags/GenreList.h"
#include "ui/Option.h"

#include "AudioFixtures.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

class SilentPlatform : public Platform {
public:
  void ShowError(QWidget*, const QString&) override {}
};

// The main window with its two other windows, the genre list built in (no list file).
class MainWindowTagsTest : public ::testing::Test {
protected:
  MainWindowTagsTest() {
    form.IniPath = QString::fromStdString((dir / "none.ini").string());
    form.frmOption = new TfrmOption(&form);
    form.frmGenreList =
        new TfrmGenreList(platform, QString::fromStdString((dir / "none.txt").string()), &form);
    form.BuildGenreNames();
  }
  fixtures::TempDir dir;
  SilentPlatform platform;
  TForm1 form{platform};
};

TEST_F(MainWindowTagsTest, ComposesCommentFromPartBoxes) {
  form.frmOption->RadioButton2->setChecked(true);
  form.Memo1->setPlainText(QStringLiteral("old:text"));
  form.Edit17->setText(QStringLiteral("X"));
  form.Edit11->setText(QStringLiteral(" Y "));
  form.Edit19->setText(QStringLiteral("Z"));
  form.Button14Click();
  EXPECT_EQ(form.Memo1->toPlainText(), QStringLiteral("作詩:X/編曲:Y/演奏:Z"));

  form.frmOption->RadioButton1->setChecked(true);
  form.ComboBox1->setCurrentText(QStringLiteral("a.jpg"));
  form.ShiftHeld = true;
  form.Button14Click();
  EXPECT_EQ(form.Memo1->toPlainText(), QStringLiteral("作詩:X/編曲:Y/演奏:Z/画像:a.jpg"));
}

TEST_F(MainWindowTagsTest, PasteBeforeCopyEmptiesFieldsAndCopyPasteRestores) {
  form.Edit13->setText(QStringLiteral("01 曲.wav"));
  form.Edit7->setText(QStringLiteral("artist"));
  form.Edit10->setText(QStringLiteral("JPop"));
  form.Memo1->setPlainText(QStringLiteral("c"));
  form.Button13Click();
  EXPECT_EQ(form.Edit6->text(), QStringLiteral("01 曲"));
  EXPECT_TRUE(form.Edit7->text().isEmpty());
  EXPECT_TRUE(form.Edit10->text().isEmpty());
  EXPECT_TRUE(form.Memo1->toPlainText().isEmpty());

  form.Edit7->setText(QStringLiteral("artist"));
  form.Edit10->setText(QStringLiteral("ロック"));
  form.ComboBox1->setCurrentText(QStringLiteral("cover.jpg"));
  form.Button12Click();
  form.Edit7->clear();
  form.Edit10->clear();
  form.ComboBox1->setCurrentText(QString());
  form.Button13Click();
  EXPECT_EQ(form.Edit7->text(), QStringLiteral("artist"));
  EXPECT_EQ(form.Edit10->text(), QStringLiteral("ロック"));
  EXPECT_EQ(form.ComboBox1->currentText(), QStringLiteral("cover.jpg"));
}

TEST_F(MainWindowTagsTest, GenreFieldFollowsTheGenreList) {
  form.Edit10->setText(QStringLiteral("Other"));
  form.Button8Click(); // applies the current choice at once
  EXPECT_TRUE(form.frmGenreList->isVisible());
  EXPECT_EQ(form.Edit10->text(), QStringLiteral("JPop"));

  auto button = [&](int i) {
    return form.frmGenreList->findChild<QRadioButton*>(QStringLiteral("RadioGroup1_%1").arg(i));
  };
  button(1)->click();
  EXPECT_EQ(form.Edit10->text(), QStringLiteral("Classic Rock2 カントリー"));
  form.Edit10->setText(QStringLiteral("Other"));
  button(1)->click(); // the selected item again: no change
  EXPECT_EQ(form.Edit10->text(), QStringLiteral("Other"));
  button(16)->click();
  EXPECT_EQ(form.Edit10->text(), QStringLiteral("ロック"));
  form.frmGenreList->hide();
}

} // namespace

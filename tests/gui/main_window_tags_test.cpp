#include "FormControls.h"
#include "core/convert/Converter.h"
#include "core/session/Navigator.h"
#include "core/tags/TagEditor.h"
#include "gui/GenreListWindow.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"
#include "gui/Platform.h"

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
    form.SetIniPath(QString::fromStdString((dir / "none.ini").string()));
    form.SetOptionsWindow(new OptionsDialog(&form));
    genres =
        new GenreListWindow(platform, QString::fromStdString((dir / "none.txt").string()), &form);
    form.SetGenreListWindow(genres);
    form.BuildGenreNames();
  }
  void SetCommentFormat(int format) {
    Options o = form.CurrentOptions();
    o.FormComment = format;
    form.TakeOptions(o, true);
  }
  fixtures::TempDir dir;
  SilentPlatform platform;
  MainWindow form{platform};
  GenreListWindow* genres = nullptr;
};

TEST_F(MainWindowTagsTest, ComposesCommentFromPartBoxes) {
  SetCommentFormat(Options::Credits);
  PlainText(form, "Memo1")->setPlainText(QStringLiteral("old:text"));
  LineEdit(form, "Edit17")->setText(QStringLiteral("X"));
  LineEdit(form, "Edit11")->setText(QStringLiteral(" Y "));
  LineEdit(form, "Edit19")->setText(QStringLiteral("Z"));
  form.Button14Click();
  EXPECT_EQ(PlainText(form, "Memo1")->toPlainText(), QStringLiteral("作詩:X/編曲:Y/演奏:Z"));
  PlainText(form, "Memo1")->undo(); // Ctrl+Z gives the comment back
  EXPECT_EQ(PlainText(form, "Memo1")->toPlainText(), QStringLiteral("old:text"));

  PlainText(form, "Memo1")->redo();
  SetCommentFormat(Options::JacketImage);
  Combo(form, "ComboBox1")->setCurrentText(QStringLiteral("a.jpg"));
  form.FormKeyDown(Qt::Key_Shift, Qt::ShiftModifier);
  form.Button14Click();
  EXPECT_EQ(PlainText(form, "Memo1")->toPlainText(),
            QStringLiteral("作詩:X/編曲:Y/演奏:Z/画像:a.jpg"));
}

TEST_F(MainWindowTagsTest, PasteBeforeCopyEmptiesFieldsAndCopyPasteRestores) {
  LineEdit(form, "Edit13")->setText(QStringLiteral("01 曲.wav"));
  LineEdit(form, "Edit7")->setText(QStringLiteral("artist"));
  LineEdit(form, "Edit10")->setText(QStringLiteral("JPop"));
  PlainText(form, "Memo1")->setPlainText(QStringLiteral("c"));
  form.Button13Click();
  EXPECT_EQ(LineEdit(form, "Edit6")->text(), QStringLiteral("01 曲"));
  EXPECT_TRUE(LineEdit(form, "Edit7")->text().isEmpty());
  EXPECT_TRUE(LineEdit(form, "Edit10")->text().isEmpty());
  EXPECT_TRUE(PlainText(form, "Memo1")->toPlainText().isEmpty());

  LineEdit(form, "Edit7")->setText(QStringLiteral("artist"));
  LineEdit(form, "Edit10")->setText(QStringLiteral("ロック"));
  Combo(form, "ComboBox1")->setCurrentText(QStringLiteral("cover.jpg"));
  form.Button12Click();
  LineEdit(form, "Edit7")->clear();
  LineEdit(form, "Edit10")->clear();
  Combo(form, "ComboBox1")->setCurrentText(QString());
  LineEdit(form, "Edit7")->setText(QStringLiteral("typed"));
  form.Button13Click();
  EXPECT_EQ(LineEdit(form, "Edit7")->text(), QStringLiteral("artist"));
  EXPECT_EQ(LineEdit(form, "Edit10")->text(), QStringLiteral("ロック"));
  EXPECT_EQ(Combo(form, "ComboBox1")->currentText(), QStringLiteral("cover.jpg"));
  // Each box takes back the paste with Ctrl+Z.
  LineEdit(form, "Edit7")->undo();
  Combo(form, "ComboBox1")->lineEdit()->undo();
  EXPECT_EQ(LineEdit(form, "Edit7")->text(), QStringLiteral("typed"));
  EXPECT_TRUE(Combo(form, "ComboBox1")->currentText().isEmpty());
}

TEST_F(MainWindowTagsTest, GenreFieldFollowsTheGenreList) {
  LineEdit(form, "Edit10")->setText(QStringLiteral("Other"));
  form.Button8Click(); // applies the current choice at once
  EXPECT_TRUE(genres->isVisible());
  EXPECT_EQ(LineEdit(form, "Edit10")->text(), QStringLiteral("JPop"));

  auto button = [&](int i) {
    return genres->findChild<QRadioButton*>(QStringLiteral("RadioGroup1_%1").arg(i));
  };
  button(2)->click();
  EXPECT_EQ(LineEdit(form, "Edit10")->text(), QStringLiteral("カントリー"));
  LineEdit(form, "Edit10")->setText(QStringLiteral("Other"));
  button(2)->click(); // the selected item again: no change
  EXPECT_EQ(LineEdit(form, "Edit10")->text(), QStringLiteral("Other"));
  button(17)->click();
  EXPECT_EQ(LineEdit(form, "Edit10")->text(), QStringLiteral("ロック"));

  // A genre shown from a file (or pasted) is selected in the list when it is one of its names.
  TagFields shown;
  shown.Genre = QStringLiteral("Rock & Roll");
  form.ShowTagFields(shown);
  EXPECT_EQ(genres->ItemIndex(), 78);
  shown.Genre = QStringLiteral("Other");
  form.ShowTagFields(shown);
  EXPECT_EQ(genres->ItemIndex(), -1);
  form.Button8Click();
  EXPECT_EQ(LineEdit(form, "Edit10")->text(), QStringLiteral("Other"));
  genres->hide();
}

} // namespace

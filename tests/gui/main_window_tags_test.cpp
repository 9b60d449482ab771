#include "FormControls.h"
#include "core/convert/Converter.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"
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
  PlainText(form, "commentEdit")->setPlainText(QStringLiteral("old:text"));
  LineEdit(form, "lyricistEdit")->setText(QStringLiteral("X"));
  LineEdit(form, "arrangerEdit")->setText(QStringLiteral(" Y "));
  LineEdit(form, "performerEdit")->setText(QStringLiteral("Z"));
  form.OnComposeCommentClicked();
  EXPECT_EQ(PlainText(form, "commentEdit")->toPlainText(), QStringLiteral("作詩:X/編曲:Y/演奏:Z"));
  PlainText(form, "commentEdit")->undo(); // Ctrl+Z gives the comment back
  EXPECT_EQ(PlainText(form, "commentEdit")->toPlainText(), QStringLiteral("old:text"));

  PlainText(form, "commentEdit")->redo();
  SetCommentFormat(Options::JacketImage);
  Combo(form, "jacketCombo")->setCurrentText(QStringLiteral("a.jpg"));
  form.OnKeyPressed(Qt::Key_Shift, Qt::ShiftModifier);
  form.OnComposeCommentClicked();
  EXPECT_EQ(PlainText(form, "commentEdit")->toPlainText(),
            QStringLiteral("作詩:X/編曲:Y/演奏:Z/画像:a.jpg"));
}

// The field memory carries all eleven boxes, each into its own box; the title comes from the
// file name. Pasted before any copy, it empties them.
TEST_F(MainWindowTagsTest, FieldMemoryCarriesEveryBoxToItsOwnBox) {
  fixtures::writeFile(dir / "01 曲.wav", fixtures::makeWav({}));
  form.session().navigator().ShowList({QString::fromStdString((dir / "01 曲.wav").string())}, 0);
  const char* const boxes[] = {"artistEdit",   "albumEdit",    "idEdit",       "yearEdit",
                               "lyricistEdit", "composerEdit", "arrangerEdit", "performerEdit",
                               "genreEdit",    "commentEdit",  "jacketCombo"};
  const auto text = [this](const char* box) {
    if (auto* edit = form.findChild<QLineEdit*>(box))
      return edit->text();
    if (auto* combo = form.findChild<QComboBox*>(box))
      return combo->currentText();
    return PlainText(form, box)->toPlainText();
  };
  const auto fill = [this](const char* box, const QString& value) {
    if (auto* edit = form.findChild<QLineEdit*>(box))
      edit->setText(value);
    else if (auto* combo = form.findChild<QComboBox*>(box))
      combo->setCurrentText(value);
    else
      PlainText(form, box)->setPlainText(value);
  };
  const auto value = [](int i) {
    return i == 3 ? QStringLiteral("1999") : QStringLiteral("値%1").arg(i);
  };
  for (int i = 0; i < 11; ++i)
    fill(boxes[i], value(i));
  form.OnPasteFromMemoryClicked();
  for (const char* box : boxes)
    EXPECT_EQ(text(box), QString()) << box;

  for (int i = 0; i < 11; ++i)
    fill(boxes[i], value(i));
  form.OnCopyToMemoryClicked();
  for (const char* box : boxes)
    fill(box, QStringLiteral("typed"));
  form.OnPasteFromMemoryClicked();
  EXPECT_EQ(LineEdit(form, "titleEdit")->text(), QStringLiteral("01 曲"));
  for (int i = 0; i < 11; ++i)
    EXPECT_EQ(text(boxes[i]), value(i)) << boxes[i];
  // Each box takes back the paste with Ctrl+Z.
  LineEdit(form, "artistEdit")->undo();
  Combo(form, "jacketCombo")->lineEdit()->undo();
  EXPECT_EQ(LineEdit(form, "artistEdit")->text(), QStringLiteral("typed"));
  EXPECT_EQ(Combo(form, "jacketCombo")->currentText(), QStringLiteral("typed"));
}

TEST_F(MainWindowTagsTest, GenreFieldFollowsTheGenreList) {
  LineEdit(form, "genreEdit")->setText(QStringLiteral("Other"));
  form.OnGenreListClicked(); // applies the current choice at once
  EXPECT_TRUE(genres->isVisible());
  EXPECT_EQ(LineEdit(form, "genreEdit")->text(), QStringLiteral("JPop"));

  auto button = [&](int i) {
    return genres->findChild<QRadioButton*>(QStringLiteral("genreRadio%1").arg(i));
  };
  button(2)->click();
  EXPECT_EQ(LineEdit(form, "genreEdit")->text(), QStringLiteral("カントリー"));
  LineEdit(form, "genreEdit")->setText(QStringLiteral("Other"));
  button(2)->click(); // the selected item again: no change
  EXPECT_EQ(LineEdit(form, "genreEdit")->text(), QStringLiteral("Other"));
  button(17)->click();
  EXPECT_EQ(LineEdit(form, "genreEdit")->text(), QStringLiteral("ロック"));

  // A genre shown from a file (or pasted) is selected in the list when it is one of its names.
  TagFields shown;
  shown.Genre = QStringLiteral("Rock & Roll");
  form.ShowTagFields(shown);
  EXPECT_EQ(genres->ItemIndex(), 78);
  shown.Genre = QStringLiteral("Other");
  form.ShowTagFields(shown);
  EXPECT_EQ(genres->ItemIndex(), -1);
  form.OnGenreListClicked();
  EXPECT_EQ(LineEdit(form, "genreEdit")->text(), QStringLiteral("Other"));
  genres->hide();
}

} // namespace

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

TEST_F(MainWindowTagsTest, PasteBeforeCopyEmptiesFieldsAndCopyPasteRestores) {
  fixtures::writeFile(dir / "01 曲.wav", fixtures::makeWav({}));
  form.session().navigator().ShowList({QString::fromStdString((dir / "01 曲.wav").string())}, 0);
  LineEdit(form, "artistEdit")->setText(QStringLiteral("artist"));
  LineEdit(form, "genreEdit")->setText(QStringLiteral("JPop"));
  PlainText(form, "commentEdit")->setPlainText(QStringLiteral("c"));
  form.OnPasteFromMemoryClicked();
  EXPECT_EQ(LineEdit(form, "titleEdit")->text(), QStringLiteral("01 曲"));
  EXPECT_TRUE(LineEdit(form, "artistEdit")->text().isEmpty());
  EXPECT_TRUE(LineEdit(form, "genreEdit")->text().isEmpty());
  EXPECT_TRUE(PlainText(form, "commentEdit")->toPlainText().isEmpty());

  LineEdit(form, "artistEdit")->setText(QStringLiteral("artist"));
  LineEdit(form, "genreEdit")->setText(QStringLiteral("ロック"));
  Combo(form, "jacketCombo")->setCurrentText(QStringLiteral("cover.jpg"));
  form.OnCopyToMemoryClicked();
  LineEdit(form, "artistEdit")->clear();
  LineEdit(form, "genreEdit")->clear();
  Combo(form, "jacketCombo")->setCurrentText(QString());
  LineEdit(form, "artistEdit")->setText(QStringLiteral("typed"));
  form.OnPasteFromMemoryClicked();
  EXPECT_EQ(LineEdit(form, "artistEdit")->text(), QStringLiteral("artist"));
  EXPECT_EQ(LineEdit(form, "genreEdit")->text(), QStringLiteral("ロック"));
  EXPECT_EQ(Combo(form, "jacketCombo")->currentText(), QStringLiteral("cover.jpg"));
  // Each box takes back the paste with Ctrl+Z.
  LineEdit(form, "artistEdit")->undo();
  Combo(form, "jacketCombo")->lineEdit()->undo();
  EXPECT_EQ(LineEdit(form, "artistEdit")->text(), QStringLiteral("typed"));
  EXPECT_TRUE(Combo(form, "jacketCombo")->currentText().isEmpty());
}

// The track box shows the file name's number as a lighter proposal; typed over it is the user's
// own, and a paste onto the next file counts on from the copied one.
TEST_F(MainWindowTagsTest, TrackBoxProposesAndPasteCountsOn) {
  QStringList files;
  for (const char* name : {"01 a.wav", "02 b.wav"}) {
    fixtures::writeFile(dir / name, fixtures::makeWav({}));
    files << QString::fromStdString((dir / name).string());
  }
  form.session().navigator().ShowList(files, 0);
  QLineEdit* track = LineEdit(form, "trackEdit");
  const auto proposal = [track] {
    return track->palette().color(QPalette::Text) ==
           track->palette().color(QPalette::PlaceholderText);
  };
  EXPECT_EQ(track->text(), QStringLiteral("1"));
  EXPECT_TRUE(proposal());
  EXPECT_EQ(form.ShownTagFields().ProposedTrack, QStringLiteral("1"));
  track->selectAll();
  track->insert(QStringLiteral("1/2"));
  EXPECT_FALSE(proposal());
  EXPECT_EQ(form.ShownTagFields().Track, QStringLiteral("1/2"));
  form.OnCopyToMemoryClicked();
  form.session().tagEditor().WriteShownFields();
  form.session().navigator().Next();
  EXPECT_TRUE(proposal()); // "2" from the name
  form.OnPasteFromMemoryClicked();
  EXPECT_FALSE(proposal());
  EXPECT_EQ(form.ShownTagFields().Track, QStringLiteral("2/2"));
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

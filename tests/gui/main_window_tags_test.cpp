#include "FakePlatform.h"
#include "FormControls.h"
#include "core/convert/Converter.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/tags/TagEditor.h"
#include "gui/GenreListWindow.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"

#include "AudioFixtures.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace Qt::StringLiterals;

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
  FakePlatform platform;
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
// file name. Pasted before any copy, it empties them. Each box takes back a paste with Ctrl+Z.
TEST_F(MainWindowTagsTest, FieldMemoryCarriesEveryBoxToItsOwnBox) {
  fixtures::writeFile(dir / "01 曲.wav", fixtures::makeWav({}));
  form.session().navigator().ShowList({QString::fromStdString((dir / "01 曲.wav").string())}, 0);
  std::vector<QLineEdit*> lines{Combo(form, "jacketCombo")->lineEdit()};
  for (const char* box : {"artistEdit", "albumEdit", "idEdit", "yearEdit", "lyricistEdit",
                          "composerEdit", "arrangerEdit", "performerEdit", "genreEdit"})
    lines.push_back(LineEdit(form, box));
  QPlainTextEdit* comment = PlainText(form, "commentEdit");
  const auto fill = [&](const std::function<QString(int)>& text) {
    for (std::size_t i = 0; i < lines.size(); ++i)
      lines[i]->setText(text(static_cast<int>(i)));
    comment->setPlainText(text(static_cast<int>(lines.size())));
  };
  const auto shown = [&] {
    QStringList texts;
    for (const QLineEdit* line : lines)
      texts.append(line->text());
    return (texts << comment->toPlainText()).join(u'|').toStdString();
  };
  const auto distinct = [](int i) { return i == 4 ? u"1999"_s : u"値%1"_s.arg(i); };
  fill(distinct);
  form.OnPasteFromMemoryClicked();
  EXPECT_EQ(shown(), std::string(10, '|'));

  fill(distinct);
  const std::string copied = shown();
  form.OnCopyToMemoryClicked();
  fill([](int) { return u"typed"_s; });
  form.OnPasteFromMemoryClicked();
  EXPECT_EQ(LineEdit(form, "titleEdit")->text(), QStringLiteral("01 曲"));
  EXPECT_EQ(shown(), copied);
  lines[0]->undo();
  lines[1]->undo();
  EXPECT_EQ(lines[0]->text() + lines[1]->text(), u"typedtyped"_s);
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
  // 閉じる takes nothing the user did not reach for this file.
  genres->findChild<QPushButton*>(u"closeButton"_s)->click();
  EXPECT_EQ(LineEdit(form, "genreEdit")->text(), QStringLiteral("Other"));
}

} // namespace

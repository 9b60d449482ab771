#include "FakePlatform.h"
#include "FinishOpen.h"
#include "FormControls.h"
#include "core/convert/Converter.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/session/TagEditor.h"
#include "gui/GenreListWindow.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"

#include "AudioFixtures.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
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
    o.commentFormat = format;
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

// The field memory carries each box into its own box, but only what was copied: an empty box
// only when the user emptied it (the artist here), never the comment, never a jacket image
// nobody picked. An empty title gets the file's name without its number. Ctrl+Z right after the
// paste takes it back in every box, wherever the focus is.
TEST_F(MainWindowTagsTest, PasteCarriesWhatWasCopiedAndCtrlZTakesItBack) {
  QStringList files;
  for (const char* name : {"01 曲.wav", "02 次.wav"}) {
    fixtures::writeFile(dir / name, fixtures::makeWavWithChunks(
                                        {}, {fixtures::makeInfoList({{"IART", "stored"}})}));
    files << QString::fromStdString((dir / name).string());
  }
  form.session().navigator().ShowList(files, 0);
  FinishOpen(form.session().navigator());
  platform.saveAnswer = SaveAnswer::Discard;
  std::vector<QLineEdit*> lines{Combo(form, "jacketCombo")->lineEdit()};
  for (const char* box : {"titleEdit", "artistEdit", "albumEdit", "idEdit", "yearEdit",
                          "lyricistEdit", "composerEdit", "arrangerEdit", "performerEdit"})
    lines.push_back(LineEdit(form, box));
  QPlainTextEdit* comment = PlainText(form, "commentEdit");
  const auto fill = [&](const QStringList& texts) {
    for (std::size_t i = 0; i < lines.size(); ++i)
      lines[i]->setText(texts.at(static_cast<int>(i)));
    comment->setPlainText(texts.last());
  };
  const auto shown = [&] {
    QStringList texts;
    for (const QLineEdit* line : lines)
      texts.append(line->text());
    return (texts << comment->toPlainText()).join(u'|').toStdString();
  };
  fill(u"a.jpg|T|||I|1999|L|C|R|P|"_s.split(u'|'));
  form.OnCopyToMemoryClicked();
  form.OnNextClicked();
  FinishOpen(form.session().navigator());
  fill(u"keep.jpg||x|x|x|x|x|x|x|x|x"_s.split(u'|'));
  const std::string typed = shown();
  form.OnPasteFromMemoryClicked();
  EXPECT_EQ(shown(), "keep.jpg|次||x|I|1999|L|C|R|P|x");
  QKeyEvent undo(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier);
  QApplication::sendEvent(PushButton(form, "pasteFromMemoryButton"), &undo);
  EXPECT_EQ(shown(), typed);
}

// The track box marks a proposal from the file's name as one; a paste gives each file its own
// number with the copied number of tracks.
TEST_F(MainWindowTagsTest, TrackBoxProposesAndPasteGivesEachFileItsNumber) {
  QStringList files;
  for (const char* name : {"02 b.wav", "03 c.wav", "x.wav", "04 d.wav"}) {
    fixtures::writeFile(dir / name, fixtures::makeWav({}));
    files << QString::fromStdString((dir / name).string());
  }
  form.session().navigator().ShowList(files, 0);
  FinishOpen(form.session().navigator());
  platform.saveAnswer = SaveAnswer::Discard;
  QLineEdit* track = LineEdit(form, "trackEdit");
  QLabel* mark = form.findChild<QLabel*>(u"trackProposalMark"_s);
  EXPECT_EQ(track->text(), QStringLiteral("2"));
  EXPECT_TRUE(mark->isVisibleTo(&form));
  EXPECT_TRUE(track->toolTip().contains(u"提案"_s) &&
              track->accessibleDescription().contains(u"提案"_s));
  track->selectAll();
  track->insert(QStringLiteral("2/12"));
  EXPECT_FALSE(mark->isVisibleTo(&form));
  form.OnCopyToMemoryClicked();
  QStringList pasted;
  for (int number : {4, 3, 2}) { // 04 d, x (two after 02 b), 03 c
    LineEdit(form, "positionEdit")->setText(QString::number(number));
    form.OnPositionEntered();
    FinishOpen(form.session().navigator());
    form.OnPasteFromMemoryClicked();
    pasted << track->text();
  }
  EXPECT_EQ(pasted.join(u' '), u"4/12 4/12 3/12"_s);
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
  shown[TagField::Genre] = QStringLiteral("Rock & Roll");
  form.ShowTagFields(shown);
  EXPECT_EQ(genres->ItemIndex(), 78);
  shown[TagField::Genre] = QStringLiteral("Other");
  form.ShowTagFields(shown);
  EXPECT_EQ(genres->ItemIndex(), -1);
  form.OnGenreListClicked();
  // 閉じる takes nothing the user did not reach for this file.
  genres->findChild<QPushButton*>(u"closeButton"_s)->click();
  EXPECT_EQ(LineEdit(form, "genreEdit")->text(), QStringLiteral("Other"));
}

} // namespace

// The windows without a mouse, on the offscreen platform: where Tab goes, what Return and Esc
// do. The real program is driven by the keyboard and read by a screen reader under Xvfb.
#include "AudioFixtures.h"
#include "FakePlatform.h"
#include "FormControls.h"

#include "core/settings/Options.h"
#include "gui/FolderBrowserDialog.h"
#include "gui/GenreListWindow.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"

#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>

#include <algorithm>

namespace {

// A key as the keyboard sends it: Tab carries its character, which a text box would insert.
void Press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  const QString text = key == Qt::Key_Tab ? QStringLiteral("\t") : QString();
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QApplication::sendEvent(target, &release);
}

void Activate(QWidget& window) {
  window.show();
  QApplication::setActiveWindow(&window);
}

class KeyboardTest : public ::testing::Test {
protected:
  QString Path(const char* name) const { return QString::fromStdString((dir / name).string()); }

  fixtures::TempDir dir;
  FakePlatform fake;
};

// Reading order: the left part (top bar, tag panel) before the right column; in a part, by rows
// from the top (controls less than 8 pixels apart are one row), a row from the left.
bool ReadBefore(const QWidget* a, const QWidget* b, const QWidget* window) {
  const QPoint pa = a->mapTo(window, QPoint());
  const QPoint pb = b->mapTo(window, QPoint());
  const auto column = [](QPoint p) { return p.y() > 56 && p.x() > 490 ? 1 : 0; };
  if (column(pa) != column(pb))
    return column(pa) < column(pb);
  if (std::abs(pa.y() - pb.y()) >= 8)
    return pa.y() < pb.y();
  return pa.x() < pb.x();
}

TEST_F(KeyboardTest, TabReadsTheMainWindowInOrderAndSkipsWhatOnlyShows) {
  MainWindow form(fake);
  form.SetIniPath(Path("w.ini"));
  Activate(form);
  for (bool versionShown : {false, true}) {
    Options o = form.CurrentOptions();
    o.showLibraryVersion = versionShown;
    form.TakeOptions(o, true);
    // The stops from the open button round to it again, each after the one it reads after.
    QWidget* first = PushButton(&form, "openButton");
    first->setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> stops{first};
    do {
      ASSERT_NE(QApplication::focusWidget(), nullptr);
      Press(QApplication::focusWidget(), Qt::Key_Tab);
      stops.push_back(QApplication::focusWidget());
      EXPECT_TRUE(ReadBefore(stops[stops.size() - 2], stops.back(), &form) || stops.back() == first)
          << stops.back()->objectName().toStdString();
    } while (stops.back() != first && stops.size() < 100);
    // Every control that takes input is a stop; boxes that only show are not.
    for (QWidget* w : form.findChildren<QWidget*>()) {
      const auto* box = qobject_cast<QLineEdit*>(w);
      if (!(qobject_cast<QAbstractButton*>(w) || box || qobject_cast<QPlainTextEdit*>(w) ||
            qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w)) ||
          qobject_cast<QComboBox*>(w->parentWidget()))
        continue;
      const bool input = w->isVisibleTo(&form) && w->isEnabled() && !(box && box->isReadOnly());
      EXPECT_EQ(std::count(stops.begin(), stops.end() - 1, w), input ? 1 : 0)
          << w->objectName().toStdString();
    }
    EXPECT_EQ(LineEdit(&form, "libraryVersionEdit")->isVisibleTo(&form), versionShown);
  }
  // Tab leaves the comment, Ctrl+Tab writes a tab into it.
  QPlainTextEdit* comment = PlainText(&form, "commentEdit");
  comment->setFocus(Qt::TabFocusReason);
  Press(comment, Qt::Key_Tab, Qt::ControlModifier);
  Press(comment, Qt::Key_Tab);
  EXPECT_EQ(comment->toPlainText(), QStringLiteral("\t"));
  EXPECT_EQ(QApplication::focusWidget(), Combo(&form, "jacketCombo"));
}

// Esc cancels; Return presses the focused button, else OK (the folder browser's path box: the
// typed path).
TEST_F(KeyboardTest, DialogsTakeEscAndReturn) {
  QWidget owner;
  OptionsDialog options(&owner, fake);
  for (const char* focused : {"trashWavCheck", "cancelButton"}) {
    Activate(options);
    options.findChild<QWidget*>(focused)->setFocus(Qt::TabFocusReason);
    Press(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(options.result(), focused[0] == 't' ? QDialog::Accepted : QDialog::Rejected);
  }
  Activate(options);
  Press(CheckBox(&options, "trashWavCheck"), Qt::Key_Escape);
  EXPECT_EQ(options.result(), QDialog::Rejected);

  const QString album = Path("Album A");
  QDir().mkpath(album);
  FolderBrowserDialog::Setup setup;
  setup.rootFolder = Path("");
  FolderBrowserDialog browser(nullptr, setup, fake);
  Activate(browser);
  LineEdit(&browser, "PathEdit")->setText(album);
  Press(LineEdit(&browser, "PathEdit"), Qt::Key_Return);
  EXPECT_EQ(browser.result(), QDialog::Accepted);
  EXPECT_EQ(browser.SelectedPath(), album);

  // The genre list: the arrow keys move a highlight from the chosen genre and choose nothing;
  // Esc closes it as it was, Return takes the genre reached (33 rows a column).
  GenreListWindow list(fake, Path("none.txt"));
  std::vector<int> chosen;
  QObject::connect(&list, &GenreListWindow::OnChoose, [&chosen](int i) { chosen.push_back(i); });
  const int start = list.ItemIndex();
  for (const int closing : {Qt::Key_Escape, Qt::Key_Return}) {
    Activate(list);
    const std::string startName = "genreRadio" + std::to_string(start);
    EXPECT_EQ(QApplication::focusWidget(), RadioButton(&list, startName.c_str()));
    for (const int arrow : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Left, Qt::Key_Up})
      Press(QApplication::focusWidget(), arrow);
    EXPECT_TRUE(chosen.empty());
    Press(QApplication::focusWidget(), closing);
    EXPECT_FALSE(list.isVisible());
  }
  EXPECT_EQ(chosen, std::vector<int>{start + 1 - 33});
}

} // namespace

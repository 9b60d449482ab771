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

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>

#include <algorithm>
#include <memory>

namespace {

void Press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers);
  QApplication::sendEvent(target, &release);
}

void Activate(QWidget& window) {
  window.show();
  window.activateWindow();
  QApplication::setActiveWindow(&window);
}

// Controls a user works with: buttons, boxes, lists and the progress bar.
bool IsControl(const QWidget* w) {
  return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
         qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
         qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QProgressBar*>(w) ||
         qobject_cast<const QAbstractItemView*>(w);
}

class KeyboardTest : public ::testing::Test {
protected:
  void SetUp() override {
    form = std::make_unique<MainWindow>(fake);
    form->SetIniPath(Path("w.ini"));
    options = new OptionsDialog(form.get(), fake);
    form->SetOptionsWindow(options);
    Activate(*form);
  }

  // The controls Tab stops at, from the open button round to it again.
  std::vector<QWidget*> TabStops() {
    QWidget* first = PushButton(form, "openButton");
    first->setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> stops{first};
    for (int i = 0; i < 100; ++i) {
      Press(QApplication::focusWidget(), Qt::Key_Tab);
      QWidget* now = QApplication::focusWidget();
      if (now == first || now == nullptr)
        break;
      stops.push_back(now);
    }
    EXPECT_EQ(QApplication::focusWidget(), first) << "Tab comes round to the first control";
    return stops;
  }

  QString Path(const char* name) const { return QString::fromStdString((dir / name).string()); }

  fixtures::TempDir dir;
  FakePlatform fake;
  std::unique_ptr<MainWindow> form;
  OptionsDialog* options = nullptr;
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
  for (bool versionShown : {false, true}) {
    Options o = form->CurrentOptions();
    o.DispMp3infp = versionShown;
    form->TakeOptions(o, true);
    const std::vector<QWidget*> stops = TabStops();
    for (size_t i = 1; i < stops.size(); ++i)
      EXPECT_TRUE(ReadBefore(stops[i - 1], stops[i], form.get()))
          << stops[i - 1]->objectName().toStdString() << " before "
          << stops[i]->objectName().toStdString();
    // Every control that takes input is a stop; boxes that only show are not.
    for (QWidget* w : form->findChildren<QWidget*>()) {
      if (!IsControl(w) || qobject_cast<QComboBox*>(w->parentWidget()))
        continue;
      const auto* box = qobject_cast<QLineEdit*>(w);
      const bool input = w->isVisibleTo(form.get()) && w->isEnabled() &&
                         (w->focusPolicy() & Qt::TabFocus) && !(box && box->isReadOnly());
      EXPECT_EQ(std::count(stops.begin(), stops.end(), w), input ? 1 : 0)
          << w->objectName().toStdString();
    }
    EXPECT_EQ(LineEdit(form, "libraryVersionEdit")->isVisibleTo(form.get()), versionShown);
  }
}

TEST_F(KeyboardTest, TabLeavesTheCommentAndCtrlTabWritesATab) {
  QPlainTextEdit* comment = PlainText(form, "commentEdit");
  comment->setFocus(Qt::TabFocusReason);
  Press(comment, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(comment->toPlainText(), QStringLiteral("\t"));
  Press(comment, Qt::Key_Tab);
  EXPECT_EQ(comment->toPlainText(), QStringLiteral("\t"));
  EXPECT_EQ(QApplication::focusWidget(), Combo(form, "jacketCombo"));
  Press(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), comment);
}

TEST_F(KeyboardTest, OptionsWindowTakesEscAndReturn) {
  options->SetValue(Options());
  Activate(*options);
  Press(CheckBox(options, "trashWavCheck"), Qt::Key_Escape);
  EXPECT_FALSE(options->isVisible());
  EXPECT_EQ(options->result(), QDialog::Rejected);
  // Return presses the focused button, else OK.
  for (const char* focused : {"trashWavCheck", "cancelButton"}) {
    Activate(*options);
    QWidget* w = options->findChild<QWidget*>(focused);
    w->setFocus(Qt::TabFocusReason);
    Press(w, Qt::Key_Return);
    EXPECT_FALSE(options->isVisible()) << focused;
    EXPECT_EQ(options->result(),
              std::string(focused) == "cancelButton" ? QDialog::Rejected : QDialog::Accepted)
        << focused;
  }
}

TEST_F(KeyboardTest, GenreListTakesArrowsEscAndReturn) {
  GenreListWindow list(fake, Path("none.txt"));
  int chosen = -1;
  QObject::connect(&list, &GenreListWindow::OnChoose, [&chosen](int i) { chosen = i; });
  for (int key : {Qt::Key_Escape, Qt::Key_Return}) {
    Activate(list);
    QWidget* start = QApplication::focusWidget();
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(start->objectName(), QStringLiteral("genreRadio%1").arg(list.ItemIndex()));
    Press(start, Qt::Key_Down);
    EXPECT_EQ(chosen, list.ItemIndex());
    Press(QApplication::focusWidget(), key);
    EXPECT_FALSE(list.isVisible()) << key;
  }
}

TEST_F(KeyboardTest, FolderBrowserTakesThePathBoxOnReturn) {
  const QString album = Path("Album A");
  QDir().mkpath(album);
  FolderBrowserDialog::Setup setup;
  setup.rootFolder = Path("");
  FolderBrowserDialog dialog(nullptr, setup, fake);
  Activate(dialog);
  QLineEdit* box = LineEdit(&dialog, "PathEdit");
  box->setText(album);
  Press(box, Qt::Key_Return);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.SelectedPath(), album);
  Activate(dialog);
  Press(box, Qt::Key_Escape);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

} // namespace

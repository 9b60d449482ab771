// The windows on the screen they open on, run on offscreen screens of several sizes and scales
// (ctest runs this at 1920 x 1080, at 1024 x 768 and at 1920 x 1080 scaled by 2): every window
// lies wholly on the screen with nothing of it cut off, and where the screen is large enough
// it keeps its designed size and place.
#include "FakePlatform.h"
#include "FormControls.h"

#include "AudioFixtures.h"
#include "gui/GenreListWindow.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

namespace {

QRect Area() {
  return QGuiApplication::primaryScreen()->availableGeometry();
}

// Shows `window` and checks that its frame lies on the screen; true when the screen has room
// for `designed` (the window's inside at its designed place) with its frame.
bool ShowOnScreen(QWidget& window, const QRect& designed) {
  window.show();
  QApplication::processEvents();
  const QRect frame = window.frameGeometry();
  EXPECT_TRUE(Area().contains(frame))
      << window.objectName().toStdString() << " at " << frame.x() << "," << frame.y() << " "
      << frame.width() << "x" << frame.height();
  return Area().contains(QRect(designed.topLeft(), designed.size() + frame.size() - window.size()));
}

// Every visible control of `window` lies inside it, and none behind its status bar's panels.
void ExpectNothingCutOff(QWidget& window) {
  const QWidget* status = window.findChild<QWidget*>(QStringLiteral("statusBar"));
  const QRect panels = status ? status->childrenRect().translated(status->pos()) : QRect();
  for (QWidget* w : window.findChildren<QWidget*>()) {
    bool scrolled = false;
    for (QWidget* p = w->parentWidget(); p != &window; p = p->parentWidget())
      scrolled = scrolled || qobject_cast<QScrollArea*>(p) != nullptr || p == status;
    if (scrolled || !w->isVisibleTo(&window))
      continue;
    const QRect inWindow(w->mapTo(&window, QPoint()), w->size());
    EXPECT_TRUE(window.rect().contains(inWindow)) << w->objectName().toStdString();
    EXPECT_FALSE(w != status && inWindow.intersects(panels)) << w->objectName().toStdString();
  }
}

bool InSight(QScrollArea& scroll, QWidget& control) {
  return scroll.viewport()->rect().contains(
      QRect(control.mapTo(scroll.viewport(), QPoint()), control.size()));
}

class WindowFitTest : public ::testing::Test {
protected:
  FakePlatform fake;
  fixtures::TempDir dir;
};

TEST_F(WindowFitTest, MainWindowWithItsVersionStrip) {
  MainWindow form(fake);
  form.SetIniPath(QString::fromStdString((dir / "w.ini").string()));
  Options withVersion = form.CurrentOptions();
  withVersion.showLibraryVersion = true;
  form.TakeOptions(withVersion, false);
  if (ShowOnScreen(form, QRect(294, 132, 662, 445))) {
    EXPECT_EQ(form.pos(), QPoint(294, 132));
    EXPECT_EQ(form.OuterHeight(), 445);
  }
  ExpectNothingCutOff(form);
  // A frame higher than the designed one (a window manager's title bar) leaves less than the
  // designed height for the inside: the window grows instead, the cover's state still shown.
  withVersion.showLibraryVersion = false;
  form.TakeOptions(withVersion, true);
  form.SetOuterHeight(form.OuterHeight() - 21);
  ExpectNothingCutOff(form);
  // A size stored on a larger screen shrinks to this one (never below the designed width).
  form.SetOuterWidth(Area().width() + 400);
  form.SetOuterHeight(Area().height() + 300);
  QApplication::processEvents();
  const int frame = form.frameGeometry().width() - form.width();
  EXPECT_EQ(form.frameGeometry().width(), std::max(Area().width(), 662 + frame));
  EXPECT_LE(form.frameGeometry().height(), Area().height());
}

TEST_F(WindowFitTest, OptionsWindow) {
  QWidget owner;
  OptionsDialog options(&owner, fake);
  if (ShowOnScreen(options, QRect(365, 243, 358, 560))) {
    EXPECT_EQ(QRect(options.pos(), options.size()), QRect(365, 243, 358, 560));
  }
  ExpectNothingCutOff(options);
}

TEST_F(WindowFitTest, GenreListScrollsAndKeepsItsButton) {
  GenreListWindow list(fake, QString::fromStdString((dir / "none.txt").string()));
  auto* scroll = list.findChild<QScrollArea*>(QStringLiteral("genreScroll"));
  const QSize whole = scroll->widget()->size();
  const bool roomy = ShowOnScreen(list, QRect(QPoint(203, 168), list.size()));
  ExpectNothingCutOff(list);
  if (roomy) {
    EXPECT_EQ(scroll->size(), whole);
    EXPECT_FALSE(scroll->verticalScrollBar()->isVisible());
  }
  // Every genre can be brought into sight, and one reached by the keys is.
  QRadioButton* last = RadioButton(&list, "genreRadio159");
  scroll->ensureWidgetVisible(last, 0, 0);
  EXPECT_TRUE(InSight(*scroll, *last));
  QApplication::setActiveWindow(&list);
  scroll->ensureWidgetVisible(RadioButton(&list, "genreRadio0"));
  RadioButton(&list, "genreRadio31")->setFocus(Qt::TabFocusReason);
  EXPECT_TRUE(InSight(*scroll, *RadioButton(&list, "genreRadio31")));
}

} // namespace

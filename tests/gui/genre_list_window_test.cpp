#include "FakePlatform.h"
#include "core/tags/GenreListFile.h"
#include "gui/GenreListWindow.h"

#include "AudioFixtures.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>

#include <gtest/gtest.h>

#include <vector>

namespace {

QRadioButton* itemButton(GenreListWindow& window, int index) {
  return window.findChild<QRadioButton*>(QStringLiteral("genreRadio%1").arg(index));
}

// A left click on the group box, where clicks on items arrive.
void clickGroupAt(GenreListWindow& window, QPoint pos) {
  auto* group = window.findChild<QGroupBox*>(QStringLiteral("genreGroup"));
  const QPointF global = group->mapToGlobal(QPointF(pos));
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, QPointF(pos), global, Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(group, &event);
  }
}

class GenreListWindowTest : public ::testing::Test {
protected:
  QString writeList(const QByteArray& bytes) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }
  fixtures::TempDir dir;
  QString path = QString::fromStdString((dir / "GenreList.txt").string());
  FakePlatform platform;
};

TEST_F(GenreListWindowTest, MissingFileReportsAndKeepsBuiltInItems) {
  GenreListWindow window(platform, path);
  EXPECT_EQ(platform.errors, QStringList{QStringLiteral("ファイル %1 は開けません").arg(path)});
  EXPECT_EQ(window.Items(), GenreListFile::BuiltInItems());
  EXPECT_EQ(window.ItemIndex(), 146);
  EXPECT_TRUE(itemButton(window, 146)->isChecked());
  EXPECT_EQ(window.windowTitle(), QStringLiteral("ジャンル一覧"));
}

TEST_F(GenreListWindowTest, ShortFileSelectsLastItem) {
  GenreListWindow window(platform, writeList("0 Blues\r\n   \r\nBare\r\n"));
  EXPECT_TRUE(platform.errors.isEmpty());
  EXPECT_EQ(window.Items(), (QStringList{"0 Blues", "   ", "Bare"}));
  EXPECT_EQ(window.ItemIndex(), 2);
  EXPECT_EQ(GenreListFile::BuildGenreNames(window.Items()), (QStringList{"Blues", "   ", "Bare"}));
}

TEST_F(GenreListWindowTest, EmptyFileHasNoSelection) {
  GenreListWindow window(platform, writeList({}));
  EXPECT_EQ(window.ItemIndex(), -1);
}

TEST_F(GenreListWindowTest, OnlyAClickThatChangesTheSelectionIsAChoice) {
  GenreListWindow window(platform, path);
  std::vector<int> chosen;
  QObject::connect(&window, &GenreListWindow::OnChoose,
                   [&](int index) { chosen.push_back(index); });

  itemButton(window, 146)->click(); // already selected
  EXPECT_TRUE(chosen.empty());

  // A click anywhere in an item's cell picks it, also beside its text.
  const QRect row16 = itemButton(window, 16)->geometry();
  clickGroupAt(window, QPoint(row16.right() - 2, row16.bottom()));
  EXPECT_EQ(chosen, std::vector<int>{16});
  EXPECT_EQ(window.ItemIndex(), 16);

  clickGroupAt(window, row16.center());
  const QRect lastColumn = itemButton(window, 160)->geometry();
  clickGroupAt(window, QPoint(lastColumn.center().x(), lastColumn.bottom() + 2)); // no item
  window.setItemIndex(1);                                                         // not a choice
  window.setItemIndex(-1);
  EXPECT_EQ(window.ItemIndex(), -1);
  EXPECT_FALSE(itemButton(window, 16)->isChecked());
  EXPECT_EQ(chosen, std::vector<int>{16});
}

TEST_F(GenreListWindowTest, CloseAndDoubleClickTakeTheGenreAndOnlyHide) {
  GenreListWindow window(platform, path);
  std::vector<int> chosen;
  QObject::connect(&window, &GenreListWindow::OnChoose,
                   [&](int index) { chosen.push_back(index); });
  window.show();
  QApplication::setActiveWindow(&window);
  itemButton(window, 20)->setFocus(); // reached by the keys
  window.findChild<QPushButton*>(QStringLiteral("closeButton"))->click();
  EXPECT_FALSE(window.isVisible());
  window.show();
  const QPoint cell = itemButton(window, 30)->geometry().center();
  clickGroupAt(window, cell);
  QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(cell), QPointF(cell), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.findChild<QGroupBox*>(QStringLiteral("genreGroup")), &twice);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(chosen, (std::vector<int>{20, 30}));
}

TEST_F(GenreListWindowTest, FiveColumnsTopToBottom) {
  GenreListWindow window(platform, path);
  EXPECT_EQ(itemButton(window, 33)->x(),
            itemButton(window, 0)->x() + itemButton(window, 0)->width());
  EXPECT_EQ(itemButton(window, 33)->y(), itemButton(window, 0)->y());
  // "&" shows as written, not as the mark of a shortcut letter.
  EXPECT_EQ(itemButton(window, 78)->text(), QStringLiteral("78 Rock && Roll"));

  // Rows hold the font's line and columns the whole names, so no row reaches into another and
  // no built-in name is cut by the next column; everything lies inside the group and the window.
  auto* box = window.findChild<QGroupBox*>(QStringLiteral("genreGroup"));
  for (int i = 0; i < 161; ++i) {
    const QRadioButton* button = itemButton(window, i);
    EXPECT_GE(button->height(), button->fontMetrics().height()) << i;
    EXPECT_GE(button->width(), button->sizeHint().width()) << i;
    EXPECT_TRUE(box->rect().contains(button->geometry())) << i;
    for (int j = i + 1; j < 161; ++j)
      EXPECT_FALSE(button->geometry().intersects(itemButton(window, j)->geometry()))
          << i << " " << j;
  }
  // On a large screen the whole list shows, unscrolled.
  const auto* close = window.findChild<QPushButton*>(QStringLiteral("closeButton"));
  const auto* scroll = window.findChild<QScrollArea*>(QStringLiteral("genreScroll"));
  EXPECT_EQ(scroll->size(), box->size());
  EXPECT_TRUE(window.rect().contains(scroll->geometry()));
  EXPECT_TRUE(window.rect().contains(close->geometry()));
  EXPECT_FALSE(close->geometry().intersects(scroll->geometry()));

  if (qEnvironmentVariableIsSet("W2M_SCREENSHOT_DIR")) {
    window.show();
    window.grab().save(qEnvironmentVariable("W2M_SCREENSHOT_DIR") + "/genre-list.png");
  }
}

} // namespace

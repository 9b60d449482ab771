// The genre list window: a tool window with one radio button per genre, shown without
// blocking the main window. A choice of the user is reported through OnChoose; the main
// window turns it into the genre field's text.
#pragma once

#include <QRect>
#include <QStringList>
#include <QWidget>

#include <vector>

class Platform;
class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QScrollArea;

class GenreListWindow : public QWidget {
  Q_OBJECT
public:
  // Loads the items from the genre list file at `genreFilePath`; when it cannot be read the
  // user is told through `platform` and the built-in items stay. The selection starts at the
  // usual genre, or at the last item of a shorter list.
  GenreListWindow(Platform& platform, const QString& genreFilePath, QWidget* parent = nullptr);
  ~GenreListWindow() override;

  // The selected item's index, -1 when none is selected.
  int ItemIndex() const { return itemIndex_; }
  // Selects an item (-1 or an index out of range: none). This is not a choice: OnChoose is
  // not raised.
  void setItemIndex(int index);

  const QStringList& Items() const { return items_; }

  // Where the radio group puts item `index` of `count` items: top to bottom, column by
  // column, in `columns` columns of equal width, inside a group of `groupSize` whose caption
  // takes the top `captionHeight` pixels.
  static QRect ItemRect(int index, int count, int columns, QSize groupSize, int captionHeight);
  // The item whose rectangle holds `pos` (in the group's coordinates), -1 for none.
  static int ItemAt(QPoint pos, int count, int columns, QSize groupSize, int captionHeight);

  static constexpr int kColumns = 5;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

signals:
  // The user picked another item (not raised for the item already selected).
  void OnChoose(int index);

private:
  // Makes the buttons and sizes the rows, the columns and the window to fit them.
  void setItems(const QStringList& items);
  // Sizes the window to its list, or to `room` where that is smaller (the list then scrolls).
  void FitInto(QSize room);
  void OnGenreClicked(int index);
  // 閉じる, Return: takes the highlighted genre and closes.
  void OnCloseClicked();
  // An arrow key moves the highlight from item `from` to the genre above, below or beside;
  // false for other keys.
  bool MoveHighlight(int key, int from);
  // Highlights item `index` (-1: none).
  void Highlight(int index);

  QStringList items_;
  int itemIndex_ = -1;
  bool settingIndex_ = false;
  int captionHeight_ = 0;
  int pressedItem_ = -1;
  // The genre the keys have reached; 閉じる and Return take it.
  int highlighted_ = -1;
  // The window's size when the whole list shows.
  QSize natural_;
  QScrollArea* scroll_ = nullptr;
  QGroupBox* genreGroup_ = nullptr;
  QButtonGroup* buttonGroup_ = nullptr;
  std::vector<QRadioButton*> buttons_;
  QPushButton* closeButton_ = nullptr;
};

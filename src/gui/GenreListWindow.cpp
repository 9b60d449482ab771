#include "gui/GenreListWindow.h"

#include "core/tags/GenreListFile.h"
#include "gui/Platform.h"
#include "gui/ScreenFit.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStyle>

#include <algorithm>

namespace {

// The designed window: 818 x 447, the radio group at (0, 8) 818 x 393, "閉じる" 85 x 25 at
// (716, 408). Its rows were 11 pixels for a 12-pixel font; here rows and columns follow what
// the buttons need, and the rest keeps the designed margins.
constexpr int kGroupTop = 8;
constexpr int kDesignedColumnWidth = (818 - 10) / GenreListWindow::kColumns;
// A column grows for the longest built-in names, not without end for a long line of the file;
// a name still cut off shows whole in its tooltip.
constexpr int kMaxColumnWidth = 2 * kDesignedColumnWidth;
constexpr int kButtonGap = 7;          // group to button
constexpr int kBottomMargin = 14;      // button to window edge
constexpr int kButtonRightMargin = 17; // button to window edge
const QSize kButton1Size(85, 25);

} // namespace

GenreListWindow::GenreListWindow(Platform& platform, const QString& genreFilePath, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("genreListWindow"));
  setWindowTitle(QStringLiteral("ジャンル一覧"));
  QFont font(QStringLiteral("Noto Sans CJK JP"));
  font.setPixelSize(12);
  setFont(font);

  // The list scrolls where the screen is smaller than the list; 閉じる stays below it.
  genreGroup_ =
      new QGroupBox(QStringLiteral("【一覧から選んだ項目がメイン画面の[ジャンル]に設定される】"));
  scroll_ = ScreenFit::Scrolling(this, "genreScroll", genreGroup_);
  genreGroup_->setObjectName(QStringLiteral("genreGroup"));
  genreGroup_->installEventFilter(this);
  buttonGroup_ = new QButtonGroup(this);
  connect(buttonGroup_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked)
      OnGenreClicked(id);
  });

  closeButton_ = new QPushButton(QStringLiteral("閉じる"), this);
  closeButton_->setObjectName(QStringLiteral("closeButton"));
  connect(closeButton_, &QPushButton::clicked, this, &GenreListWindow::OnCloseClicked);

  std::optional<QStringList> items = GenreListFile::Read(genreFilePath);
  if (!items) {
    platform.ShowError(parent, QStringLiteral("ファイル %1 は開けません")
                                   .arg(QFileInfo(genreFilePath).absoluteFilePath()));
    items = GenreListFile::BuiltInItems();
  }
  setItems(*items);
  setItemIndex(GenreListFile::InitialIndex(items_));
  // A genre reached by the keys is highlighted and scrolled into sight.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    const auto at = std::find(buttons_.begin(), buttons_.end(), now);
    if (at != buttons_.end()) {
      Highlight(static_cast<int>(at - buttons_.begin()));
      scroll_->ensureWidgetVisible(now);
    }
  });
  move(203, 168);
  // The window is taller than designed: it is moved up (or left) as far as needed to show it
  // whole on its screen, and a screen too small for it shows the list scrolled.
  (new ScreenFit(*this, [this](QSize room) { FitInto(room); }))->Apply();
}

GenreListWindow::~GenreListWindow() {
  // Hiding the window as it goes moves the focus; its buttons are gone by then.
  disconnect(qApp, nullptr, this, nullptr);
}

void GenreListWindow::FitInto(QSize room) {
  const QSize size = ScreenFit::Scrolled(natural_, room, *this);
  const int buttonTop = size.height() - kBottomMargin - kButton1Size.height();
  scroll_->setGeometry(0, kGroupTop, size.width(), buttonTop - kButtonGap - kGroupTop);
  closeButton_->move(size.width() - kButton1Size.width() - kButtonRightMargin, buttonTop);
  setFixedSize(size);
}

QRect GenreListWindow::ItemRect(int index, int count, int columns, QSize groupSize,
                                int captionHeight) {
  const int perColumn = std::max(1, (count + columns - 1) / columns);
  const int width = (groupSize.width() - 10) / columns;
  const int space = groupSize.height() - captionHeight - 5;
  const int height = std::max(1, space / perColumn);
  const int topMargin = captionHeight + 1 + (space % perColumn) / 2;
  return QRect(index / perColumn * width + 8, index % perColumn * height + topMargin, width,
               height);
}

int GenreListWindow::ItemAt(QPoint pos, int count, int columns, QSize groupSize,
                            int captionHeight) {
  if (count <= 0)
    return -1;
  const QRect first = ItemRect(0, count, columns, groupSize, captionHeight);
  if (pos.x() < first.left() || pos.y() < first.top())
    return -1;
  const int perColumn = (count + columns - 1) / columns;
  const int column = (pos.x() - first.left()) / first.width();
  const int row = (pos.y() - first.top()) / first.height();
  const int index = column * perColumn + row;
  if (column >= columns || row >= perColumn || index >= count)
    return -1;
  return index;
}

void GenreListWindow::setItems(const QStringList& items) {
  items_ = items;
  const int count = static_cast<int>(items.size());
  // The rows start below the caption and the frame's top line, as the style draws them.
  captionHeight_ = genreGroup_->contentsMargins().top();
  buttons_.reserve(items.size());
  // Every row is as high as the font's real line (or the round indicator, if taller) and every
  // column as wide as its widest name (up to a limit), so no button overlaps another and names
  // are not cut by the next column. A button's size hint adds padding for a lone button; in a
  // list of 32 rows that would make the window taller than many screens.
  const int indicator = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight);
  const int rowHeight = std::max(QFontMetrics(font()).height(), indicator) + 2;
  int columnWidth = kDesignedColumnWidth;
  for (int i = 0; i < count; ++i) {
    // A button would take "&" for the mark of a shortcut letter: doubled, it shows as written.
    auto* button =
        new QRadioButton(QString(items[i]).replace(u'&', QStringLiteral("&&")), genreGroup_);
    button->setObjectName(QStringLiteral("genreRadio%1").arg(i));
    columnWidth = std::max(columnWidth, std::min(button->sizeHint().width(), kMaxColumnWidth));
    // A click anywhere in an item's cell picks it, as in the designed radio group, not only
    // one on the button's text: clicks are assigned by cell in eventFilter.
    button->setAttribute(Qt::WA_TransparentForMouseEvents);
    // The arrow keys move the highlight only (eventFilter).
    button->installEventFilter(this);
    buttonGroup_->addButton(button, i);
    buttons_.push_back(button);
  }

  const int perColumn = std::max(1, (count + kColumns - 1) / kColumns);
  const QSize group(kColumns * columnWidth + 10, captionHeight_ + 5 + perColumn * rowHeight);
  genreGroup_->resize(group);
  closeButton_->resize(kButton1Size);
  natural_ = QSize(group.width(),
                   kGroupTop + group.height() + kButtonGap + kButton1Size.height() + kBottomMargin);
  FitInto(natural_);

  for (int i = 0; i < count; ++i) {
    QRadioButton* button = buttons_[static_cast<size_t>(i)];
    button->setGeometry(ItemRect(i, count, kColumns, group, captionHeight_));
    if (button->sizeHint().width() > button->width())
      button->setToolTip(items[i]);
  }
}

bool GenreListWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched != genreGroup_) {
    const auto at = std::find(buttons_.begin(), buttons_.end(), watched);
    const int from = highlighted_ >= 0 ? highlighted_ : static_cast<int>(at - buttons_.begin());
    return MoveHighlight(static_cast<QKeyEvent*>(event)->key(), from);
  }
  if (watched != genreGroup_ ||
      (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease &&
       event->type() != QEvent::MouseButtonDblClick))
    return QWidget::eventFilter(watched, event);
  auto* mouse = static_cast<QMouseEvent*>(event);
  if (mouse->button() != Qt::LeftButton)
    return false;
  const int item = ItemAt(mouse->position().toPoint(), static_cast<int>(items_.size()), kColumns,
                          genreGroup_->size(), captionHeight_);
  if (event->type() == QEvent::MouseButtonDblClick && item >= 0) {
    // Its first click took the genre already.
    hide();
  } else if (event->type() == QEvent::MouseButtonPress) {
    pressedItem_ = item;
  } else if (item >= 0 && item == pressedItem_) {
    QRadioButton* button = buttons_[static_cast<size_t>(item)];
    button->setFocus(Qt::MouseFocusReason);
    button->click();
  }
  return item >= 0;
}

void GenreListWindow::setItemIndex(int index) {
  if (index < 0 || index >= static_cast<int>(buttons_.size()))
    index = -1;
  settingIndex_ = true;
  if (index >= 0) {
    buttons_[static_cast<size_t>(index)]->setChecked(true);
  } else if (QAbstractButton* checked = buttonGroup_->checkedButton()) {
    // An exclusive group keeps one button checked; let go of it for a moment.
    buttonGroup_->setExclusive(false);
    checked->setChecked(false);
    buttonGroup_->setExclusive(true);
  }
  itemIndex_ = index;
  settingIndex_ = false;
  // What 閉じる takes follows: the genre of a file shown meanwhile, not one reached before.
  Highlight(index);
}

void GenreListWindow::OnGenreClicked(int index) {
  // A button that is already checked does not toggle again, so only real changes come here.
  if (settingIndex_ || index == itemIndex_)
    return;
  itemIndex_ = index;
  Highlight(index);
  emit OnChoose(index);
}

bool GenreListWindow::MoveHighlight(int key, int from) {
  const int count = static_cast<int>(buttons_.size());
  const int perColumn = (count + kColumns - 1) / kColumns;
  int to = from;
  switch (key) {
  case Qt::Key_Up:
    to -= 1;
    break;
  case Qt::Key_Down:
    to += 1;
    break;
  case Qt::Key_Left:
    to -= perColumn;
    break;
  case Qt::Key_Right:
    to += perColumn;
    break;
  default:
    return false;
  }
  if (to >= 0 && to < count)
    buttons_[static_cast<size_t>(to)]->setFocus(Qt::OtherFocusReason);
  return true;
}

void GenreListWindow::Highlight(int index) {
  const auto mark = [this](int item, bool on) {
    QWidget* button = buttons_[static_cast<size_t>(item)];
    QPalette colours = genreGroup_->palette();
    if (on) {
      colours.setColor(button->backgroundRole(), colours.color(QPalette::Highlight));
      colours.setColor(button->foregroundRole(), colours.color(QPalette::HighlightedText));
    }
    button->setPalette(colours);
    button->setAutoFillBackground(on);
  };
  if (highlighted_ >= 0)
    mark(highlighted_, false);
  highlighted_ = index;
  if (index >= 0)
    mark(index, true);
}

void GenreListWindow::keyPressEvent(QKeyEvent* event) {
  // Esc closes the list leaving the genre as it is; Return takes the highlighted genre as the
  // default button 閉じる does. Space takes the genre that has the focus and keeps the list open.
  switch (event->key()) {
  case Qt::Key_Escape:
    hide();
    break;
  case Qt::Key_Return:
  case Qt::Key_Enter:
    OnCloseClicked();
    break;
  default:
    QWidget::keyPressEvent(event);
  }
}

void GenreListWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The keys start at the chosen genre.
  if (itemIndex_ >= 0)
    buttons_[static_cast<size_t>(itemIndex_)]->setFocus(Qt::ActiveWindowFocusReason);
}

void GenreListWindow::OnCloseClicked() {
  if (highlighted_ >= 0)
    buttons_[static_cast<size_t>(highlighted_)]->setChecked(true);
  hide();
}

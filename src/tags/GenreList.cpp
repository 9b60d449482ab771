#include "tags/GenreList.h"

#include "app/Platform.h"
#include "tags/GenreListFile.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr int kClientWidth = 818;
constexpr int kClientHeight = 447;
const QRect kRadioGroupRect(0, 8, 818, 393);
const QRect kButton1Rect(716, 408, 85, 25);

} // namespace

TfrmGenreList::TfrmGenreList(Platform& platform, const QString& genreFilePath, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("frmGenreList"));
  setWindowTitle(QStringLiteral("ジャンル一覧"));
  QFont font(QStringLiteral("Noto Sans CJK JP"));
  font.setPixelSize(12);
  setFont(font);
  setFixedSize(kClientWidth, kClientHeight);
  move(203, 168);

  RadioGroup1 = new QGroupBox(
      QStringLiteral("【一覧から選んだ項目がメイン画面の[ジャンル]に設定される】"), this);
  RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
  RadioGroup1->setGeometry(kRadioGroupRect);
  RadioGroup1->installEventFilter(this);
  m_buttonGroup = new QButtonGroup(this);
  connect(m_buttonGroup, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked)
      RadioGroup1Click(id);
  });

  Button1 = new QPushButton(QStringLiteral("閉じる"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(kButton1Rect);
  connect(Button1, &QPushButton::clicked, this, &TfrmGenreList::Button1Click);

  std::optional<QStringList> items = GenreListFile::Read(genreFilePath);
  if (!items) {
    platform.ShowError(parent, QStringLiteral("ファイル %1 は開けません")
                                   .arg(QFileInfo(genreFilePath).absoluteFilePath()));
    items = GenreListFile::BuiltInItems();
  }
  setItems(*items);
  setItemIndex(GenreListFile::InitialIndex(static_cast<int>(m_items.size())));
}

QRect TfrmGenreList::ItemRect(int index, int count, int columns, QSize groupSize, int fontHeight) {
  const int perColumn = std::max(1, (count + columns - 1) / columns);
  const int width = (groupSize.width() - 10) / columns;
  const int space = groupSize.height() - fontHeight - 5;
  const int height = std::max(1, space / perColumn);
  const int topMargin = fontHeight + 1 + (space % perColumn) / 2;
  return QRect(index / perColumn * width + 8, index % perColumn * height + topMargin, width,
               height);
}

int TfrmGenreList::ItemAt(QPoint pos, int count, int columns, QSize groupSize, int fontHeight) {
  if (count <= 0)
    return -1;
  const QRect first = ItemRect(0, count, columns, groupSize, fontHeight);
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

void TfrmGenreList::setItems(const QStringList& items) {
  m_items = items;
  const int count = static_cast<int>(items.size());
  m_fontHeight = QFontMetrics(font()).height();
  m_buttons.reserve(items.size());
  for (int i = 0; i < count; ++i) {
    // The button shows "&&" as one "&" and underlines the letter after a single "&"; the
    // genre name keeps the stored text.
    auto* button = new QRadioButton(items[i], RadioGroup1);
    button->setObjectName(QStringLiteral("RadioGroup1_%1").arg(i));
    // The rows are closer than the font's line height. Each button is drawn centred on its
    // row and overlaps its neighbours a little, so no text is cut off; mouse clicks are
    // assigned by row in eventFilter instead of by whichever button lies on top.
    const QRect slot = ItemRect(i, count, kColumns, RadioGroup1->size(), m_fontHeight);
    const int height = std::max(slot.height(), button->sizeHint().height());
    button->setGeometry(slot.left(), slot.top() - (height - slot.height()) / 2, slot.width(),
                        height);
    button->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (button->sizeHint().width() > slot.width())
      button->setToolTip(button->text().replace(QStringLiteral("&&"), QStringLiteral("&")));
    m_buttonGroup->addButton(button, i);
    m_buttons.push_back(button);
  }
}

bool TfrmGenreList::eventFilter(QObject* watched, QEvent* event) {
  if (watched != RadioGroup1 ||
      (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease))
    return QWidget::eventFilter(watched, event);
  auto* mouse = static_cast<QMouseEvent*>(event);
  if (mouse->button() != Qt::LeftButton)
    return false;
  const int item = ItemAt(mouse->position().toPoint(), static_cast<int>(m_items.size()), kColumns,
                          RadioGroup1->size(), m_fontHeight);
  if (event->type() == QEvent::MouseButtonPress) {
    m_pressedItem = item;
  } else if (item >= 0 && item == m_pressedItem) {
    QRadioButton* button = m_buttons[static_cast<size_t>(item)];
    button->setFocus(Qt::MouseFocusReason);
    button->click();
  }
  return item >= 0;
}

void TfrmGenreList::setItemIndex(int index) {
  if (index < 0 || index >= static_cast<int>(m_buttons.size()))
    index = -1;
  m_settingIndex = true;
  if (index >= 0) {
    m_buttons[static_cast<size_t>(index)]->setChecked(true);
  } else if (QAbstractButton* checked = m_buttonGroup->checkedButton()) {
    // An exclusive group keeps one button checked; let go of it for a moment.
    m_buttonGroup->setExclusive(false);
    checked->setChecked(false);
    m_buttonGroup->setExclusive(true);
  }
  m_itemIndex = index;
  m_settingIndex = false;
}

void TfrmGenreList::RadioGroup1Click(int index) {
  // A button that is already checked does not toggle again, so only real changes come here.
  if (m_settingIndex || index == m_itemIndex)
    return;
  m_itemIndex = index;
  emit OnChoose(index);
}

void TfrmGenreList::Button1Click() {
  hide();
}

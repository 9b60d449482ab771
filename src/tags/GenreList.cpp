#include "tags/GenreList.h"

#include "app/Platform.h"
#include "tags/GenreListFile.h"

#include <QButtonGroup>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
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
    platform.ShowError(parent, QStringLiteral("ファイル %1 は開けません").arg(genreFilePath));
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

void TfrmGenreList::setItems(const QStringList& items) {
  m_items = items;
  const int count = static_cast<int>(items.size());
  const int fontHeight = QFontMetrics(font()).height();
  m_buttons.reserve(items.size());
  for (int i = 0; i < count; ++i) {
    // The button shows "&&" as one "&" and underlines the letter after a single "&"; the
    // genre name keeps the stored text.
    auto* button = new QRadioButton(items[i], RadioGroup1);
    button->setObjectName(QStringLiteral("RadioGroup1_%1").arg(i));
    button->setGeometry(ItemRect(i, count, kColumns, RadioGroup1->size(), fontHeight));
    m_buttonGroup->addButton(button, i);
    m_buttons.push_back(button);
  }
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

#include "ui/BrowseFolderDialog.h"

#include "app/Platform.h"
#include "ui/BrowseFolderFilter.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

const QSize DefaultSize(420, 440);

// A path as typed or pasted: blanks and surrounding double quotes dropped, "~" the home folder.
QString CleanTypedPath(QString text) {
  text = text.trimmed();
  if (text.size() >= 2 && text.startsWith('"') && text.endsWith('"'))
    text = text.mid(1, text.size() - 2).trimmed();
  if (text == QLatin1String("~") || text.startsWith(QLatin1String("~/")))
    text = QDir::homePath() + text.mid(1);
  return text;
}

} // namespace

BrowseFolderDialog::BrowseFolderDialog(QWidget* parent, const Setup& setup, Platform& platform)
    : QDialog(parent), setup_(setup), platform_(platform) {
  setObjectName(QStringLiteral("BrowseFolderDialog"));
  setWindowTitle(QStringLiteral("フォルダの参照"));

  model_ = new QFileSystemModel(this);
  QDir::Filters filters = QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
  if (setup_.includeFiles)
    filters |= QDir::Files;
  model_->setFilter(filters);
  model_->setReadOnly(false); // the name of a new folder is edited in place
  model_->setRootPath(setup_.rootFolder);
  filter_ = new BrowseFolderFilter(model_, setup_.rootFolder, this);

  titleLabel_ = new QLabel(this);
  titleLabel_->setObjectName(QStringLiteral("TitleLabel"));
  titleLabel_->setWordWrap(true);
  titleLabel_->hide();

  tree_ = new QTreeView(this);
  tree_->setObjectName(QStringLiteral("FolderTree"));
  tree_->setModel(filter_);
  tree_->setHeaderHidden(true);
  for (int column = 1; column < filter_->columnCount(); ++column)
    tree_->hideColumn(column);
  tree_->setUniformRowHeights(true);
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  const QModelIndex rootIndex = model_->index(setup_.rootFolder);
  tree_->setRootIndex(filter_->mapFromSource(rootIndex.parent()));
  tree_->expand(filter_->mapFromSource(rootIndex));
  titleLabel_->setBuddy(tree_);

  statusLabel_ = new QLabel(this);
  statusLabel_->setObjectName(QStringLiteral("StatusLabel"));
  statusLabel_->setWordWrap(true);
  statusLabel_->setVisible(setup_.statusLine);

  auto* pathLabel = new QLabel(QStringLiteral("フォルダー(&F):"), this);
  pathLabel->setObjectName(QStringLiteral("PathLabel"));
  pathEdit_ = new QLineEdit(this);
  pathEdit_->setObjectName(QStringLiteral("PathEdit"));
  pathEdit_->setToolTip(QStringLiteral("パスを入力して Enter キーを押すと選択されます"));
  pathEdit_->installEventFilter(this);
  pathLabel->setBuddy(pathEdit_);

  newFolderButton_ = new QPushButton(QStringLiteral("新しいフォルダーの作成"), this);
  newFolderButton_->setObjectName(QStringLiteral("NewFolderButton"));
  newFolderButton_->setAutoDefault(false);
  newFolderButton_->setVisible(setup_.newFolderButton);
  okButton_ = new QPushButton(QStringLiteral("OK"), this);
  okButton_->setObjectName(QStringLiteral("OkButton"));
  okButton_->setDefault(true);
  okButton_->setEnabled(false);
  cancelButton_ = new QPushButton(QStringLiteral("キャンセル"), this);
  cancelButton_->setObjectName(QStringLiteral("CancelButton"));
  cancelButton_->setAutoDefault(false);

  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(pathLabel);
  pathRow->addWidget(pathEdit_, 1);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addWidget(newFolderButton_);
  buttonRow->addStretch(1);
  buttonRow->addWidget(okButton_);
  buttonRow->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(titleLabel_);
  layout->addWidget(tree_, 1);
  layout->addWidget(statusLabel_);
  layout->addLayout(pathRow);
  layout->addLayout(buttonRow);

  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { currentChanged(current); });
  // Folders are listed in the background; each listing that lands above the selection moves
  // it, so it is brought back into view.
  connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& folder) {
    const QString selected = model_->filePath(filter_->mapToSource(tree_->currentIndex()));
    if (!selected.isEmpty() && selected.startsWith(folder.endsWith('/') ? folder : folder + '/'))
      tree_->scrollTo(tree_->currentIndex(), QAbstractItemView::PositionAtCenter);
  });
  connect(newFolderButton_, &QPushButton::clicked, this, [this] { CreateFolder(); });
  // A new folder's name is edited in place; once renamed, the selected item's path is another.
  connect(model_, &QFileSystemModel::fileRenamed, this,
          [this](const QString& folder, const QString&, const QString& newName) {
            if (SelectedPath() == QDir::toNativeSeparators(QDir(folder).filePath(newName)))
              currentChanged(tree_->currentIndex());
          });
  connect(okButton_, &QPushButton::clicked, this, &BrowseFolderDialog::okClicked);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

  resize(DefaultSize.expandedTo(minimumSizeHint()));
}

void BrowseFolderDialog::SetTitle(const QString& text) {
  titleLabel_->setText(text);
  titleLabel_->setVisible(!text.isEmpty());
}

bool BrowseFolderDialog::SelectPath(const QString& path) {
  if (path.isEmpty())
    return false;
  const QFileInfo info(path);
  if (!info.exists() || (!info.isDir() && !setup_.includeFiles))
    return false;
  const QString full = QDir::cleanPath(info.absoluteFilePath());
  const QString root = setup_.rootFolder;
  if (full != root && !full.startsWith(root.endsWith('/') ? root : root + '/'))
    return false;
  filter_->ShowHiddenOnWayTo(full);
  const QModelIndex index = filter_->mapFromSource(model_->index(full));
  if (!index.isValid())
    return false;
  for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
    tree_->expand(up);
  tree_->setCurrentIndex(index);
  tree_->scrollTo(index, QAbstractItemView::PositionAtCenter);
  return true;
}

QString BrowseFolderDialog::SelectedPath() const {
  const QModelIndex index = tree_->currentIndex();
  if (!index.isValid())
    return QString();
  return QDir::toNativeSeparators(model_->filePath(filter_->mapToSource(index)));
}

QString BrowseFolderDialog::SelectedDisplayName() const {
  const QModelIndex index = tree_->currentIndex();
  return index.isValid() ? index.data(Qt::DisplayRole).toString() : QString();
}

QString BrowseFolderDialog::StatusText() const {
  return statusLabel_->text();
}

void BrowseFolderDialog::SetStatusText(const QString& text) {
  statusLabel_->setText(text);
}

bool BrowseFolderDialog::StatusLineShown() const {
  return statusLabel_->isVisibleTo(this);
}

bool BrowseFolderDialog::OkEnabled() const {
  return okButton_->isEnabled();
}

void BrowseFolderDialog::SetOkEnabled(bool enabled) {
  okButton_->setEnabled(enabled);
}

bool BrowseFolderDialog::CreateFolder() {
  QString base = setup_.rootFolder;
  const QString selected = SelectedPath();
  if (!selected.isEmpty()) {
    const QFileInfo info(selected);
    base = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
  }
  const QDir dir(base);
  const QString stem = QStringLiteral("新しいフォルダー");
  QString name = stem;
  for (int n = 2; dir.exists(name); ++n)
    name = QStringLiteral("%1 (%2)").arg(stem).arg(n);
  const QModelIndex made = model_->mkdir(model_->index(base), name);
  if (!made.isValid() || !SelectPath(dir.filePath(name))) {
    showMessage(QStringLiteral("フォルダー「%1」を作成できませんでした。").arg(dir.filePath(name)));
    return false;
  }
  tree_->edit(tree_->currentIndex());
  return true;
}

QString BrowseFolderDialog::typedPath() const {
  const QString text = CleanTypedPath(pathEdit_->text());
  if (text.isEmpty() || QDir::isAbsolutePath(text))
    return text.isEmpty() ? text : QDir::cleanPath(text);
  QString base = setup_.rootFolder;
  const QString selected = SelectedPath();
  if (!selected.isEmpty()) {
    const QFileInfo info(selected);
    base = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
  }
  return QDir::cleanPath(QDir(base).filePath(text));
}

bool BrowseFolderDialog::SelectTypedPath() {
  const QString path = typedPath();
  if (path.isEmpty())
    return false;
  if (SelectPath(path))
    return true;
  platform_.ShowError(this, QFileInfo::exists(path)
                                ? QStringLiteral("「%1」は選択できません。").arg(path)
                                : QStringLiteral("「%1」は見つかりません。").arg(path));
  return false;
}

void BrowseFolderDialog::okClicked() {
  // The box shows the selected item's path until the user types another; a typed path that
  // differs is what the user means, not the item still highlighted in the tree.
  const QString typed = typedPath();
  if (!typed.isEmpty() && typed != SelectedPath()) {
    if (!SelectTypedPath())
      return;
    // The selection's handler may have refused the new item.
    if (!okButton_->isEnabled())
      return;
  }
  accept();
}

void BrowseFolderDialog::PressOk() {
  if (okButton_->isEnabled())
    okButton_->click();
}

void BrowseFolderDialog::PressCancel() {
  cancelButton_->click();
}

bool BrowseFolderDialog::eventFilter(QObject* watched, QEvent* event) {
  // Enter in the path box selects the path instead of pressing OK.
  if (watched == pathEdit_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      SelectTypedPath();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void BrowseFolderDialog::currentChanged(const QModelIndex& current) {
  const QString path = SelectedPath();
  okButton_->setEnabled(current.isValid());
  pathEdit_->setText(path);
  emit SelectionChanged(path);
}

void BrowseFolderDialog::showMessage(const QString& text) {
  statusLabel_->setText(text);
  statusLabel_->setVisible(true);
}

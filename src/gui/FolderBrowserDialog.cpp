#include "gui/FolderBrowserDialog.h"

#include "core/fs/FsPath.h"
#include "gui/ControlAccess.h"
#include "gui/FolderTreeModel.h"
#include "gui/Platform.h"
#include "gui/ScreenFit.h"

#include <QDir>
#include <QHBoxLayout>
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

QString FolderBrowserDialog::ChooseFile(QWidget* owner, const QString& initialPath,
                                        Platform& platform) {
  // Our own dialog rather than the toolkit's, whose model turns names that are not UTF-8 into
  // U+FFFD: a file in a folder with a CP932 name could not be reached.
  Setup setup;
  setup.includeFiles = true;
  setup.filesOnly = true;
  setup.newFolderButton = false;
  FolderBrowserDialog dialog(owner != nullptr ? owner->window() : nullptr, setup, platform);
  dialog.setObjectName(QStringLiteral("OpenFileDialog"));
  dialog.setWindowTitle(QStringLiteral("ファイルを開く"));
  if (!dialog.SelectPath(initialPath))
    dialog.SelectPath(QDir::homePath());
  return platform.ExecModal(dialog) == QDialog::Accepted ? dialog.SelectedPath() : QString();
}

FolderBrowserDialog::FolderBrowserDialog(QWidget* parent, const Setup& setup, Platform& platform)
    : QDialog(parent), setup_(setup), platform_(platform) {
  setObjectName(QStringLiteral("FolderBrowserDialog"));
  setWindowTitle(QStringLiteral("フォルダの参照"));

  model_ = new FolderTreeModel(setup_.rootFolder, setup_.includeFiles, this);

  titleLabel_ = new QLabel(this);
  titleLabel_->setObjectName(QStringLiteral("TitleLabel"));
  titleLabel_->setWordWrap(true);
  titleLabel_->hide();

  tree_ = new QTreeView(this);
  tree_->setObjectName(QStringLiteral("FolderTree"));
  tree_->setModel(model_);
  tree_->setHeaderHidden(true);
  tree_->setUniformRowHeights(true);
  // Only a new folder's name is edited in place.
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  tree_->expand(model_->index(0, 0));
  titleLabel_->setBuddy(tree_);
  tree_->setAccessibleName(QStringLiteral("フォルダの一覧"));

  statusLabel_ = new QLabel(this);
  statusLabel_->setObjectName(QStringLiteral("StatusLabel"));
  statusLabel_->setWordWrap(true);
  statusLabel_->setVisible(setup_.statusLine);

  auto* pathLabel = new QLabel(QStringLiteral("フォルダー(&F)："), this);
  pathLabel->setObjectName(QStringLiteral("PathLabel"));
  pathEdit_ = new QLineEdit(this);
  pathEdit_->setObjectName(QStringLiteral("PathEdit"));
  pathEdit_->setToolTip(QStringLiteral("パスを入力して Enter キーを押すと決定します"));
  pathEdit_->installEventFilter(this);
  pathLabel->setBuddy(pathEdit_);

  newFolderButton_ = new QPushButton(QStringLiteral("新しいフォルダーの作成"), this);
  newFolderButton_->setObjectName(QStringLiteral("NewFolderButton"));
  newFolderButton_->setVisible(setup_.newFolderButton);
  okButton_ = new QPushButton(QStringLiteral("OK"), this);
  okButton_->setObjectName(QStringLiteral("OkButton"));
  okButton_->setDefault(true);
  okButton_->setEnabled(false);
  cancelButton_ = new QPushButton(QStringLiteral("キャンセル"), this);
  cancelButton_->setObjectName(QStringLiteral("CancelButton"));

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
  // A file is opened by a double click or Enter where only files may be chosen.
  connect(tree_, &QTreeView::activated, this, [this](const QModelIndex& index) {
    if (setup_.filesOnly && !model_->IsFolder(index))
      PressOk();
  });
  connect(newFolderButton_, &QPushButton::clicked, this, [this] { CreateFolder(); });
  // A new folder's name is edited in place; once renamed, the selected item's path is another.
  connect(model_, &FolderTreeModel::Renamed, this, [this](const QString& path) {
    if (SelectedPath() == path)
      currentChanged(tree_->currentIndex());
  });
  connect(okButton_, &QPushButton::clicked, this, &FolderBrowserDialog::okClicked);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

  NameControlsByTheirLabels(*this);
  resize(DefaultSize.expandedTo(minimumSizeHint()));
  new ScreenFit(*this, [this](QSize room) { resize(size().boundedTo(room)); });
}

void FolderBrowserDialog::SetTitle(const QString& text) {
  titleLabel_->setText(text);
  titleLabel_->setVisible(!text.isEmpty());
  if (!text.isEmpty())
    tree_->setAccessibleName(text);
}

bool FolderBrowserDialog::SelectPath(const QString& path) {
  if (path.isEmpty())
    return false;
  const QString full = FsPath::Absolute(path);
  const FsPath::Kind kind = FsPath::KindOf(full);
  if (kind == FsPath::Kind::Missing || (kind != FsPath::Kind::Directory && !setup_.includeFiles))
    return false;
  const QString root = setup_.rootFolder;
  if (full != root && !full.startsWith(root.endsWith('/') ? root : root + '/'))
    return false;
  const QModelIndex index = model_->IndexOf(full);
  if (!index.isValid())
    return false;
  for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
    tree_->expand(up);
  tree_->setCurrentIndex(index);
  tree_->scrollTo(index, QAbstractItemView::PositionAtCenter);
  return true;
}

QString FolderBrowserDialog::SelectedPath() const {
  return model_->PathOf(tree_->currentIndex());
}

QString FolderBrowserDialog::SelectedDisplayName() const {
  const QModelIndex index = tree_->currentIndex();
  return index.isValid() ? index.data(Qt::DisplayRole).toString() : QString();
}

QString FolderBrowserDialog::StatusText() const {
  return statusLabel_->text();
}

void FolderBrowserDialog::SetStatusText(const QString& text) {
  statusLabel_->setText(text);
}

bool FolderBrowserDialog::StatusLineShown() const {
  return statusLabel_->isVisibleTo(this);
}

bool FolderBrowserDialog::OkEnabled() const {
  return okButton_->isEnabled();
}

void FolderBrowserDialog::SetOkEnabled(bool enabled) {
  okButton_->setEnabled(enabled);
}

QModelIndex FolderBrowserDialog::selectedFolder() const {
  const QModelIndex selected = tree_->currentIndex();
  if (!selected.isValid())
    return model_->index(0, 0);
  return model_->IsFolder(selected) ? selected : selected.parent();
}

bool FolderBrowserDialog::CreateFolder() {
  const QModelIndex folder = selectedFolder();
  const QString base = model_->PathOf(folder);
  const QString stem = QStringLiteral("新しいフォルダー");
  QString path = base + u'/' + stem;
  for (int n = 2; FsPath::KindOf(path) != FsPath::Kind::Missing; ++n)
    path = base + QStringLiteral("/%1 (%2)").arg(stem).arg(n);
  const QModelIndex made = model_->MakeFolder(folder, path.mid(base.size() + 1));
  if (!made.isValid() || !SelectPath(model_->PathOf(made))) {
    showMessage(
        QStringLiteral("フォルダー「%1」を作成できませんでした。").arg(FsPath::Display(path)));
    return false;
  }
  tree_->edit(tree_->currentIndex());
  return true;
}

QString FolderBrowserDialog::typedPath() const {
  const QString text = CleanTypedPath(pathEdit_->text());
  if (text.isEmpty())
    return text;
  // The box shows the selected item's path as the user reads it: left as it is, it still
  // names that item, whatever bytes its names have.
  const QString selected = SelectedPath();
  if (!selected.isEmpty() && text == FsPath::Display(selected))
    return selected;
  if (text.startsWith(u'/'))
    return FsPath::Absolute(text);
  return FsPath::Absolute(model_->PathOf(selectedFolder()) + u'/' + text);
}

bool FolderBrowserDialog::SelectTypedPath() {
  const QString path = typedPath();
  if (path.isEmpty())
    return false;
  if (SelectPath(path))
    return true;
  platform_.ShowError(this,
                      FsPath::KindOf(path) != FsPath::Kind::Missing
                          ? QStringLiteral("「%1」は選択できません。").arg(FsPath::Display(path))
                          : QStringLiteral("「%1」は見つかりません。").arg(FsPath::Display(path)));
  return false;
}

void FolderBrowserDialog::okClicked() {
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

void FolderBrowserDialog::PressOk() {
  if (okButton_->isEnabled())
    okButton_->click();
}

void FolderBrowserDialog::PressCancel() {
  cancelButton_->click();
}

bool FolderBrowserDialog::eventFilter(QObject* watched, QEvent* event) {
  // Enter in the path box chooses the path typed there, as OK does. A folder typed where only
  // a file may be chosen is opened in the tree instead.
  if (watched == pathEdit_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      const QString typed = typedPath();
      if (typed.isEmpty() || typed == SelectedPath() || SelectTypedPath())
        PressOk();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void FolderBrowserDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Selected before the dialog had its size: brought into the middle of the tree now.
  tree_->scrollTo(tree_->currentIndex(), QAbstractItemView::PositionAtCenter);
}

void FolderBrowserDialog::currentChanged(const QModelIndex& current) {
  const QString path = SelectedPath();
  okButton_->setEnabled(current.isValid() && !(setup_.filesOnly && model_->IsFolder(current)));
  pathEdit_->setText(FsPath::Display(path));
  emit SelectionChanged(path);
}

void FolderBrowserDialog::showMessage(const QString& text) {
  statusLabel_->setText(text);
  statusLabel_->setVisible(true);
}

#include "gui/Platform.h"

#include "core/fs/FsPath.h"
#include "core/fs/Trash.h"
#include "gui/FolderBrowserDialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

Platform::~Platform() = default;

int Platform::PauseLength(int ms) {
  return ms;
}

bool Platform::AskOkCancel(QWidget* owner, const QString& text, const QString& caption) {
  return QMessageBox::information(owner, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                                  QMessageBox::Ok) == QMessageBox::Ok;
}

void Platform::ShowError(QWidget* owner, const QString& text) {
  QMessageBox::critical(owner, QApplication::applicationDisplayName(), text);
}

SaveAnswer Platform::AskSaveChanges(QWidget* owner, const QString& question,
                                    const QString& detail) {
  QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), question,
                  QMessageBox::NoButton, owner);
  box.setInformativeText(detail);
  QPushButton* save = box.addButton(QStringLiteral("保存"), QMessageBox::AcceptRole);
  QPushButton* discard = box.addButton(QStringLiteral("保存しない"), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
  save->setObjectName(QStringLiteral("saveButton"));
  discard->setObjectName(QStringLiteral("discardButton"));
  cancel->setObjectName(QStringLiteral("cancelButton"));
  box.setDefaultButton(save);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == save)
    return SaveAnswer::Save;
  return box.clickedButton() == discard ? SaveAnswer::Discard : SaveAnswer::Cancel;
}

int Platform::ExecModal(QDialog& dialog) {
  return dialog.exec();
}

QString Platform::GetOpenFileName(QWidget* owner, const QString& initialPath) {
  // Our own dialog rather than the toolkit's, whose model turns names that are not UTF-8 into
  // U+FFFD: a file in a folder with a CP932 name could not be reached.
  FolderBrowserDialog::Setup setup;
  setup.includeFiles = true;
  setup.filesOnly = true;
  setup.newFolderButton = false;
  FolderBrowserDialog dialog(owner != nullptr ? owner->window() : nullptr, setup, *this);
  dialog.setObjectName(QStringLiteral("OpenFileDialog"));
  dialog.setWindowTitle(QStringLiteral("ファイルを開く"));
  if (!dialog.SelectPath(initialPath))
    dialog.SelectPath(QDir::homePath());
  return ExecModal(dialog) == QDialog::Accepted ? dialog.SelectedPath() : QString();
}

Trash::Result Platform::MoveToTrash(const QString& path) {
  return Trash::MoveToTrash(path);
}

bool Platform::OpenWithAssociatedProgram(const QString& path) {
  // Built from the path's bytes: QUrl::fromLocalFile would turn a name that is not UTF-8 into
  // U+FFFD and name another file.
  return QDesktopServices::openUrl(
      QUrl::fromEncoded("file://" + FsPath::Encode(FsPath::Absolute(path)).toPercentEncoding("/")));
}

Platform& Platform::Default() {
  static Platform instance;
  return instance;
}

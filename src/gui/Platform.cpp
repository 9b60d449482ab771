#include "gui/Platform.h"

#include "core/fs/FsPath.h"
#include "core/fs/Trash.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
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

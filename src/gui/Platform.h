// The services of the desktop that windows use: message boxes, modal dialogs, the trash, the
// associated program, the length of the window's pauses. Windows receive one
// Platform and call it instead of the toolkit, so tests can replace any of them with a fake
// and no modal dialog can hang a test.
#pragma once

#include "core/fs/Trash.h"
#include "core/session/SaveAnswer.h"

#include <QString>
#include <QtGlobal>

class QDialog;
class QWidget;

class Platform {
public:
  virtual ~Platform();

  // How long a pause of the window that lets a result be read lasts, `ms` as designed (tests
  // shorten it).
  virtual int PauseLength(int ms);

  // Modal OK/Cancel question with an information icon; true for OK.
  virtual bool AskOkCancel(QWidget* owner, const QString& text, const QString& caption);

  // The application's standard error box.
  virtual void ShowError(QWidget* owner, const QString& text);

  // Modal question "保存" / "保存しない" / "キャンセル" before unsaved edits are left; `detail`
  // says what they are. Closing the box is キャンセル.
  virtual SaveAnswer AskSaveChanges(QWidget* owner, const QString& question, const QString& detail);

  // Runs a dialog modally; returns QDialog::Accepted or QDialog::Rejected.
  virtual int ExecModal(QDialog& dialog);

  // Moves a file to the desktop's trash; not ok, with the reason, when the trash cannot take it.
  virtual Trash::Result MoveToTrash(const QString& path);

  // Opens a document with the program the desktop associates with it.
  virtual bool OpenWithAssociatedProgram(const QString& path);

  // The shared instance used when a window is given none.
  static Platform& Default();
};

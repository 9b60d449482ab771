// A Platform for window tests: no dialog is ever shown. Modal windows and questions follow a
// script; every question asked is recorded.
#pragma once

#include "gui/Platform.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>

class FakePlatform : public Platform {
public:
  // ---- OK/Cancel questions ----
  bool answer = true;
  QStringList questions; // "caption|text" of every question asked
  bool AskOkCancel(QWidget*, const QString& text, const QString& caption) override {
    questions.append(caption + QLatin1Char('|') + text);
    return answer;
  }

  QStringList errors;
  void ShowError(QWidget*, const QString& text) override { errors.append(text); }

  // ---- the question before unsaved tag edits are left ----
  SaveAnswer saveAnswer = SaveAnswer::Cancel;
  int saveQuestions = 0;
  SaveAnswer AskSaveChanges(QWidget*, const QString&, const QString&) override {
    ++saveQuestions;
    return saveAnswer;
  }

  // ---- modal dialogs: `whileShown` plays the user, then `modalResult` is returned ----
  std::function<void(QDialog&)> whileShown;
  int modalResult = QDialog::Rejected;
  int modalRuns = 0;
  int ExecModal(QDialog& dialog) override {
    ++modalRuns;
    if (whileShown)
      whileShown(dialog);
    return modalResult;
  }

  Trash::Result MoveToTrash(const QString&) override { return {}; }
  bool OpenWithAssociatedProgram(const QString&) override { return false; }
};

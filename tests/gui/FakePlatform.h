// A Platform for window tests: no dialog is ever shown. Modal windows, questions and the tick
// counter follow a script; every question asked is recorded.
#pragma once

#include "gui/Platform.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>

class FakePlatform : public Platform {
public:
  // ---- tick counter: starts at `tick`, advances by `tickStep` on every reading ----
  quint32 tick = 0;
  quint32 tickStep = 1;
  int tickReads = 0;
  quint32 TickCount() override {
    ++tickReads;
    const quint32 now = tick;
    tick += tickStep;
    return now;
  }

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

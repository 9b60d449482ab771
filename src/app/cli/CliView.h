// The command line as a session's view: what became of each file becomes a line (the MP3 made
// on standard output, a file not done as asked with its reason on standard error), the batch's
// progress the terminal's bar, and the fields a write takes are the ones the command was
// given. What only a window shows (the file shown, counters, buttons) has no place here.
#pragma once

#include "core/session/SessionView.h"

#include <QElapsedTimer>
#include <QString>

class BatchProgress;
class Terminal;

class CliView : public SessionView {
public:
  explicit CliView(Terminal& terminal);

  // The batch whose progress the bar shows; none for no bar.
  void FollowProgress(const BatchProgress* progress) { progress_ = progress; }
  // Draws the bar now.
  void DrawBar();
  // Whether some file was not done as asked, or an error was shown.
  bool ProblemsSeen() const { return problems_; }

  // The fields the next write takes, and why the last one failed.
  void SetFieldsToWrite(const TagFields& fields) { fields_ = fields; }
  const QString& LastWriteFailure() const { return writeFailure_; }

  // NavigatorView
  void ClearStatus() override {}
  void ShowCurrentFolder(const QString&, bool) override {}
  void ShowFileName(const QString&) override {}
  void ShowPosition(int) override {}
  void ShowCount(int) override {}
  void EnableStepping(bool) override {}
  void ShowJacketNames(const QStringList&) override {}
  void ShowChosenExtension(const QString&) override {}
  void ShowFolderWithoutAudio() override {}

  // TagView
  void ShowLibraryVersion(const QString&) override {}
  void ShowOpenStatus(const QString&) override {}
  void ShowFileKind(const QString&, const QString&) override {}
  void ShowTagFields(const TagFields&) override {}
  void EditTagFields(const TagFields&) override {}
  TagFields ShownTagFields() const override { return fields_; }
  void ShowComment(const QString&) override {}
  bool ShiftHeld() const override { return false; }
  // Nothing is edited by hand here: nothing to keep.
  SaveAnswer AskSaveChanges(const QString&) override { return SaveAnswer::Discard; }
  void ShowFileProblem(const QString&) override {}
  void ShowWriteResult(TagWriteResult result, const QString& failure) override;

  // ConversionView
  void ShowProgress(int percent) override;
  void ShowError(const QString& text) override;
  void ShowConversionStarted(const QString&, int, int) override {}
  void ShowBatchStarted(int) override { DrawBar(); }
  void ShowBatchFileStarted(const QString&) override {}
  void ShowFileResult(const ConversionReport& report) override;

private:
  Terminal& terminal_;
  const BatchProgress* progress_ = nullptr;
  // Since the bar was last drawn: an encode one at a time reports after every frame.
  QElapsedTimer drawn_;
  bool problems_ = false;
  TagFields fields_;
  QString writeFailure_;
};

// The command line as a session's view of its conversions: what became of each file becomes a
// line (the MP3 made on standard output, a file not done as asked with its reason on standard
// error), the batch's progress the terminal's bar. It shows no file, so it is no view of the
// navigator or the tag editor.
#pragma once

#include "core/convert/ConversionView.h"

#include <QElapsedTimer>
#include <QString>

class BatchProgress;
class Terminal;

class CliView : public ConversionView {
public:
  explicit CliView(Terminal& terminal);

  // The batch whose progress the bar shows; none for no bar.
  void FollowProgress(const BatchProgress* progress) { progress_ = progress; }
  // Draws the bar now.
  void DrawBar();
  // Whether some file was not done as asked, or an error was shown.
  bool ProblemsSeen() const { return problems_; }

  // ConversionView
  void ShowProgress(int percent) override;
  void ShowError(const QString& text) override;
  void ShowBatchStarted(int) override { DrawBar(); }
  void ShowFileResult(const ConversionReport& report) override;

private:
  Terminal& terminal_;
  const BatchProgress* progress_ = nullptr;
  // Since the bar was last drawn: an encode one at a time reports after every frame.
  QElapsedTimer drawn_;
  bool problems_ = false;
};

#include "app/cli/CliView.h"

#include "app/cli/CliText.h"
#include "app/cli/Terminal.h"
#include "core/convert/BatchProgress.h"
#include "core/fs/FsPath.h"

namespace {

// The bar is drawn at most this often while encodes report.
constexpr qint64 kBarIntervalMs = 100;

} // namespace

CliView::CliView(Terminal& terminal) : terminal_(terminal) {}

void CliView::DrawBar() {
  if (progress_ == nullptr || !terminal_.ShowsProgress())
    return;
  terminal_.Bar(CliText::ProgressLine(progress_->FilesDone(), progress_->Files(),
                                      progress_->Share(), terminal_.Columns()));
  drawn_.start();
}

void CliView::ShowProgress(int) {
  if (!drawn_.isValid() || drawn_.elapsed() >= kBarIntervalMs)
    DrawBar();
}

void CliView::ShowError(const QString& text) {
  problems_ = true;
  terminal_.Err(text);
}

void CliView::ShowFileResult(const ConversionReport& report) {
  // The bar first: the lines go above it as it now stands.
  DrawBar();
  if (!report.mp3.isEmpty())
    terminal_.Out(FsPath::Display(report.mp3));
  if (!report.file.reason.isEmpty())
    terminal_.Err(CliText::FileLine(report.file.wav, report.file.reason));
  else if (report.outcome != ConversionReport::Outcome::Placed)
    terminal_.Err(CliText::FileLine(report.file.wav, QStringLiteral("失敗")));
  else if (terminal_.ShowsProgress() && !Terminal::OutputIsTerminal())
    // The MP3's name went elsewhere: the terminal still sees each file finished.
    terminal_.Err(CliText::FileLine(report.file.wav, QStringLiteral("成功")));
  if (report.outcome != ConversionReport::Outcome::Placed || !report.file.reason.isEmpty())
    problems_ = true;
}

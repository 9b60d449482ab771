// The end of a batch in the program's words: the window's status bar and the command line's
// last line.
#pragma once

#include "core/convert/BatchResult.h"

#include <QString>

// The status bar's three texts at the end of a batch: the files converted of the WAV files
// ("8/10"), "成功" when no file that was started failed (else "失敗"), and what was not
// converted and why, e.g. "2 ファイルは変換しませんでした（既にMP3あり）".
struct BatchSummary {
  QString counter;
  QString result;
  QString message;
};
BatchSummary SummarizeBatch(const BatchResult& batch);

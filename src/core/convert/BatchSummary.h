// The end of a batch in the program's words: the window's status bar and the command line's
// last line, and the files that need the user's look, one line each.
#pragma once

#include "core/convert/BatchResult.h"

#include <QString>
#include <QStringList>

// The status bar's three texts at the end of a batch: the files converted of the WAV files
// ("8/10"); "成功" only when every WAV file became an MP3 without a word to say, "注意" when
// each one became an MP3 or had one already but some have a word to say (cut short, kept out of
// the trash), "失敗" when some did not; and how many were not converted and why, e.g.
// "2 ファイルは変換しませんでした（既にMP3あり）".
struct BatchSummary {
  QString counter;
  QString result;
  QString message;
  // Each file not converted, or converted with a word to say, as "<path>: <why>", in the order
  // they finished; then `unfinished`.
  QStringList problems;
  // The files the batch never came to, and why ("残りの 3 ファイル: …ため変換していません");
  // empty when it came to every one.
  QString unfinished;
};
BatchSummary SummarizeBatch(const BatchResult& batch);

// What the converter may do with the window: say that a conversion starts, what became of each
// file, how far an encode or a batch is, and show an error. It hears results, never texts of
// its own: the window turns them into its words (and the command line into its lines). A fake
// stands in for it in tests.
#pragma once

#include "core/convert/FileResult.h"

#include <QString>

// What became of one file of a conversion, as the converter reports it.
struct ConversionReport {
  // Whether the file's encode ran, and what came of its MP3.
  enum class Outcome {
    // Not started: refused, or its MP3 is there already (file.reason says why).
    NotStarted,
    // The MP3 is in place, with the WAV file's tag when that was asked for.
    Placed,
    // The MP3 is in place but the tag could not be copied into it (file.reason says why).
    PlacedUntagged,
    // The encode or the check after it failed: there is no MP3 (file.reason says why).
    NoMp3,
  };

  FileResult file;
  Outcome outcome = Outcome::NotStarted;
  // The MP3 put in place; empty when none was.
  QString mp3;
  // In a batch, the files it has finished (this one included) of its WAV files; -1 outside.
  int batchFinished = -1;
  int batchWavs = 0;
  // The next conversion starts after the view's pause for reading a result (ResultPauseMs):
  // files go one at a time.
  bool nextWaits = false;
};

// What only a front end with a status line shows (a step beginning, the file an encode starts)
// has a default that shows nothing.
class ConversionView {
public:
  virtual ~ConversionView() = default;

  // A new step begins: what was said of the last one goes.
  virtual void ClearStatus() {}
  virtual void ShowProgress(int percent) = 0;
  // The application's standard error box.
  virtual void ShowError(const QString& text) = 0;
  // The encode of `wav` starts, number `number` of `total`: 1 of 1 for the shown file, the
  // files finished of the WAV files in a batch one at a time.
  virtual void ShowConversionStarted(const QString& /*wav*/, int /*number*/, int /*total*/) {}
  // A batch of `wavs` WAV files starts, several at once.
  virtual void ShowBatchStarted(int wavs) = 0;
  // A batch of several at once starts the encode of `wav`.
  virtual void ShowBatchFileStarted(const QString& /*wav*/) {}
  // What became of a file.
  virtual void ShowFileResult(const ConversionReport& report) = 0;
  // How long a result of files converted one at a time stands before the next file starts;
  // none for a view that shows no status.
  virtual int ResultPauseMs() { return 0; }
};

// What a conversion did with one WAV file: converted, left alone because its MP3 is already
// there, refused before encoding, or failed on the way. A value the window turns into its words.
#pragma once

#include <QString>

struct FileResult {
  enum class Kind {
    Converted,
    // Its MP3 is already there (overwrite off), or this batch made it from another WAV file.
    Skipped,
    // Not started: a file the encoder cannot take, or no place for its MP3.
    Refused,
    // Started but not finished as asked: the encode failed, its MP3 did not check out or could
    // not be put in place, or its tag could not be copied.
    Failed,
  };

  QString wav;
  Kind kind = Kind::Converted;
  // Why, for the user; for a converted file what went wrong afterwards (the WAV file kept), if
  // anything.
  QString reason;
};

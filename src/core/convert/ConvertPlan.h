// What converting one WAV file would do: where its MP3 goes, and the first reason, if any,
// not to start. Decided from the file system and the options at the moment of the call.
#pragma once

#include <QString>

class ConvertPlan {
public:
  enum class Refusal {
    None,
    MissingSource,
    NotWav,
    Mp3Exists,
    // The source is there but is a folder, FIFO or device.
    SourceNotFile,
    // The MP3's name is a folder, FIFO or device.
    DestinationNotFile,
    // The MP3's name leads to the WAV file itself (a symbolic or hard link): encoding would
    // truncate the input before reading it.
    DestinationIsSource,
  };

  // The MP3 path for `source`: its extension replaced by ".mp3" (appended when it has none),
  // placed in `outputFolder` instead when `toOutputFolder` is set and that folder, less one
  // trailing separator, names an existing directory. The refusals are checked in this order:
  // the source is no file, its extension is not ".wav" (any case), a file is in the way of
  // the MP3 and `overwrite` is off, the source is no regular file, the MP3's name is no regular
  // file, the MP3's name is the source itself.
  static ConvertPlan Make(const QString& source, bool toOutputFolder, const QString& outputFolder,
                          bool overwrite);

  // The status text of a refusal; "" for none.
  static QString RefusalText(Refusal refusal);
  // The status text of this plan's refusal, naming the files it concerns.
  QString Text() const;

  QString source;
  QString destination;
  Refusal refusal = Refusal::None;
};

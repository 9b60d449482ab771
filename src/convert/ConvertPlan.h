// What converting one WAV file would do: where its MP3 goes, and the first reason, if any,
// not to start. Decided from the file system and the options at the moment of the call.
#pragma once

#include <QString>

class ConvertPlan {
public:
  enum class Refusal { None, MissingSource, NotWav, Mp3Exists };

  // The MP3 path for `source`: its extension replaced by ".mp3" (appended when it has none),
  // placed in `outputFolder` instead when `toOutputFolder` is set and that folder, less one
  // trailing separator, names an existing directory. The refusals are checked in this order:
  // the source is no file, its extension is not ".wav" (any case), a file is in the way of
  // the MP3 and `overwrite` is off.
  static ConvertPlan Make(const QString& source, bool toOutputFolder, const QString& outputFolder,
                          bool overwrite);

  // The extension of the file-name part of `path`, from its last "." (dot included), or "".
  static QString ExtensionOf(const QString& path);
  static bool IsWavPath(const QString& path);
  // The status text of a refusal; "" for none.
  static QString RefusalText(Refusal refusal);

  QString destination;
  Refusal refusal = Refusal::None;
};

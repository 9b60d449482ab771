// What converting one WAV file would do: where its MP3 goes, and the first reason, if any,
// not to start. Decided from the file system and the options at the moment of the call. With an
// output folder, the subfolders the WAV file lies in below the folder it was found from (an
// album's Disc1/, Disc2/) are kept below the output folder.
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
    // MP3 files are to go into an output folder, but none is chosen, or it is missing or no
    // folder. They never go elsewhere instead.
    NoOutputFolder,
  };

  // The MP3 path for `source`: its extension replaced by ".mp3" (appended when it has none),
  // in `outputFolder` (less one trailing separator) instead when `toOutputFolder` is set; there
  // in the subfolders `source` lies in below `sourceRoot`, when it lies below it. The refusals
  // are checked in this order: the source is no file, its extension is not ".wav" (any case),
  // the output folder is not there, a file is in the way of the MP3 and `overwrite` is off, the
  // source is no regular file, the MP3's name is no regular file, the MP3's name is the source
  // itself.
  static ConvertPlan Make(const QString& source, bool toOutputFolder, const QString& outputFolder,
                          bool overwrite, const QString& sourceRoot = QString());

  // Why MP3 files cannot go into `outputFolder` when `toOutputFolder` is set ("" when they can):
  // as a refusal ("…がありません"), or, `asCause`, as the cause of a batch's end ("…がないため").
  static QString OutputFolderProblem(bool toOutputFolder, const QString& outputFolder,
                                     bool asCause = false);

  // The status text of a refusal; "" for none.
  static QString RefusalText(Refusal refusal);
  // The status text of this plan's refusal, naming the files it concerns.
  QString Text() const;
  // Text(), naming the WAV file where Text() does not (a batch's running message).
  QString NamedText() const;

  // Makes the subfolders of the output folder that the MP3's place needs. False, with `error`
  // set, when one cannot be made.
  bool MakeDestinationFolder(QString& error) const;
  // The MP3's place: the folder it is placed from (device and inode) and its path below it. A
  // tag rewrite replaces a file, and with it the inode, but never the place; and the place is
  // the same before and after its subfolders are made.
  QString Place() const;

  QString source;
  QString destination;
  // The output folder the MP3 goes into (maybe in subfolders); empty when it goes beside its WAV
  // file.
  QString outputFolder;
  Refusal refusal = Refusal::None;
};

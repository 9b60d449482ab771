// Every user option of the program as one plain value. The options window shows and edits
// it, the settings file stores it, and everything else reads it; nothing but the options window
// touches the window's controls.
#pragma once

#include <QString>

struct Options {
  // Comment formats, as stored ("FormComment").
  enum CommentFormat { FreeText = 0, JacketImage = 1, Credits = 2, IdAndCredits = 3 };
  // Which tag an MP3 file is written through: the RIFF SIF tag, wrapping the file in RIFF
  // 'RMP3' (what the Japanese Windows tools read), or an ID3v2.3 tag at its start with an
  // ID3v1 mirror, leaving it a plain MP3 (what phones, car stereos and music libraries read).
  enum class Mp3Format { Rmp, Id3v2 };

  // Open a whole folder and step through its files; otherwise open one file.
  bool openByFolder = true;
  // The folder browser of the open button lists files too.
  bool browserListsFiles = false;
  // The tag write button is enabled.
  bool allowTagWrite = true;
  // The version strip at the bottom of the tag panel is shown.
  bool showLibraryVersion = false;
  int commentFormat = FreeText;
  // After a conversion: copy the WAV file's tag into the MP3 file, move the WAV file to the
  // trash, overwrite an MP3 file in the way, write the MP3 into outputFolder.
  bool copyWavTagToMp3 = true;
  bool moveWavToTrash = false;
  bool overwriteMp3 = false;
  bool useOutputFolder = false;
  // Full path of the output folder; empty for none.
  QString outputFolder;
  Mp3Format mp3TagFormat = Mp3Format::Rmp;
  // How many files a batch conversion encodes at the same time: 0 one per processor core, 1 one
  // file after the other, up to kMaxMp3Jobs.
  static constexpr int kMaxMp3Jobs = 64;
  int mp3Jobs = 0;
  // The MP3's quality: a constant bit rate (128 kbit/s, the design's) or one of LAME's VBR
  // presets; QualityPreset has what each means.
  enum class Quality { Cbr128, Cbr160, Cbr192, Cbr256, Cbr320, V0, V2, V4 };
  Quality mp3Quality = Quality::Cbr128;
  // Each MP3 gets ReplayGain 2.0 values (track, and album for a folder converted whole in one
  // batch) in its ID3v2 tag.
  bool replayGain = false;

  bool operator==(const Options&) const = default;
};

// The check made before a converted WAV file is given up: the MP3 made from it must be there,
// be read by the tag library as MPEG audio, and play as long as the WAV file, to within one
// frame. The WAV file's length is read as the encoder read it (its input probe, libsndfile),
// so that every WAV it converts (RF64, extensible, a header with a wrong block size) can pass;
// with a module that has no probe, the tag library reads it. Loads the files it reads into the
// tag library handle it is given (the default one when none), one after the other, and leaves
// none loaded.
#pragma once

#include <mp3infp_handle.h>

#include <QString>
#include <QtGlobal>

class Mp3Verification {
public:
  // One frame of 1152 samples at 48 kHz, the shortest MPEG-1 layer III frame: a stricter
  // bound keeps a WAV file that is in doubt.
  static constexpr qint64 kToleranceMs = 24;

  // True when `mp3Path` holds all of the audio of `wavPath`.
  static bool MatchesWav(const QString& wavPath, const QString& mp3Path,
                         MP3INFP_HANDLE* tags = nullptr);

  // The exact playing time of a file of the given tag library type (1 MP3, 2 WAV), in
  // milliseconds; negative when the file cannot be loaded, is of another type, or its time is
  // unknown.
  static qint64 PlayingMs(const QString& path, quint32 type, MP3INFP_HANDLE* tags = nullptr);

  // The playing time of a WAV file as the encoder reads it, in milliseconds; negative when it
  // cannot tell.
  static qint64 WavPlayingMs(const QString& path, MP3INFP_HANDLE* tags = nullptr);
};

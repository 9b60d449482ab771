// What a WAV file's header promises against what the file holds. A copy or download cut short,
// or a recording whose writer stopped, keeps a data chunk size larger than the bytes after it;
// the encoder reads what is there, and the MP3 would pass every check while the end of the
// piece is missing.
#pragma once

#include <QString>
#include <QtGlobal>

class WavLength {
public:
  // The size the data chunk states (a RIFF file's own, an RF64 file's from its ds64 chunk) and
  // the bytes the file holds from the chunk's start on. False when the file is no RIFF WAVE,
  // has no data chunk, or states no size (a stream's 0xFFFFFFFF).
  static bool DataSizes(const QString& path, qint64& stated, qint64& held);

  // For a file that holds less than its header promises, the note naming the shortfall
  // ("a.wav は 10 秒のはずが 2 秒しかありません…"); "" when it holds it all. `heldSeconds` is
  // its playing time as the encoder reads it, `frameBytes` one sample frame of all channels.
  static QString Shortfall(const QString& path, double heldSeconds, int frameBytes);
};

// The albums of a batch for ReplayGain: the WAV files of one folder are one album, and an album
// is complete when every WAV file of its folder was converted by this batch, each MP3 holding
// its track values. Only a complete album's MP3 files get album values: gain and peak of all its
// tracks' audio taken as one signal. Collected on the window's thread as files finish; written
// once the batch has finished every file, on a worker.
#pragma once

#include "core/encoder/LoudnessMeasure.h"

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

class ReplayGainAlbums {
public:
  // `wavs`: the batch's WAV files.
  explicit ReplayGainAlbums(const QStringList& wavs);

  // `wav` was converted into `mp3`, which holds its track values measured as `loudness`.
  void Converted(const QString& wav, const QString& mp3, std::shared_ptr<LoudnessMeasure> loudness);

  // An MP3 the album values could not be written into.
  struct Failure {
    QString wav;
    QString reason;
  };
  // Writes the album values into the MP3 files of every complete album (may run on another
  // thread; reads the folders, which must hold no WAV file other than the album's converted
  // ones). What could not be written.
  std::vector<Failure> WriteAlbumValues() const;

private:
  struct Track {
    QString wav;
    QString mp3;
    std::shared_ptr<LoudnessMeasure> loudness;
  };
  struct Album {
    int wavs = 0; // of the batch
    std::vector<Track> converted;
  };
  // By folder.
  std::map<QString, Album> albums_;
};

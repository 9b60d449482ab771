#include "core/tags/FieldMemory.h"

#include "core/tags/TrackNumber.h"

#include <algorithm>

QString FieldMemory::TitleFromFileName(const QString& fileName) {
  // Names may come from either kind of path, so both separators end a folder part.
  const qsizetype slash =
      std::max(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')));
  const QString bare = fileName.mid(slash + 1);
  const qsizetype dot = bare.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? bare : bare.left(dot);
}

QString FieldMemory::PasteTrack(const QString& file) {
  QString& track = texts_[Track];
  if (track.isEmpty() || (file == trackFile_ && !file.isEmpty()))
    return track;
  const QString next = TrackNumber::Next(track);
  if (next.isEmpty())
    return track;
  track = next;
  trackFile_ = file;
  return track;
}

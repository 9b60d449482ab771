#include "core/tags/FieldMemory.h"

#include <algorithm>

QString FieldMemory::TitleFromFileName(const QString& fileName) {
  // Names may come from either kind of path, so both separators end a folder part.
  const qsizetype slash =
      std::max(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')));
  const QString bare = fileName.mid(slash + 1);
  const qsizetype dot = bare.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? bare : bare.left(dot);
}

#include "core/convert/WavLength.h"

#include "core/fs/FsPath.h"

#include <QtEndian>

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file with more chunks before its data than this is not looked into further.
constexpr int kMostChunks = 1000;
constexpr quint32 kSizeNotStated = 0xFFFFFFFF;

bool ReadAt(int fd, qint64 at, char* into, qint64 size) {
  return ::pread(fd, into, static_cast<size_t>(size), static_cast<off_t>(at)) == size;
}

// Seconds as a user reads them: whole ones from ten on, tenths below, hundredths where tenths
// would make the two figures of a message look alike.
QString SecondsText(double seconds, int decimals) {
  QString text = QString::number(seconds, 'f', decimals);
  if (text.contains(u'.')) {
    while (text.endsWith(u'0'))
      text.chop(1);
    if (text.endsWith(u'.'))
      text.chop(1);
  }
  return text;
}

} // namespace

bool WavLength::DataSizes(const QString& path, qint64& stated, qint64& held) {
  const int fd = ::open(FsPath::Encode(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return false;
  struct stat st {};
  char head[12];
  bool found = false;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ReadAt(fd, 0, head, sizeof head) &&
      std::memcmp(head + 8, "WAVE", 4) == 0 &&
      (std::memcmp(head, "RIFF", 4) == 0 || std::memcmp(head, "RF64", 4) == 0 ||
       std::memcmp(head, "BW64", 4) == 0)) {
    const bool rf64 = std::memcmp(head, "RIFF", 4) != 0;
    qint64 ds64Data = -1;
    qint64 at = 12;
    char chunk[8];
    for (int n = 0; n < kMostChunks && ReadAt(fd, at, chunk, sizeof chunk); ++n) {
      const quint32 size = qFromLittleEndian<quint32>(chunk + 4);
      if (std::memcmp(chunk, "ds64", 4) == 0) {
        char sizes[16];
        if (size >= 16 && ReadAt(fd, at + 8, sizes, sizeof sizes))
          ds64Data = qFromLittleEndian<qint64>(sizes + 8);
      } else if (std::memcmp(chunk, "data", 4) == 0) {
        stated = size != kSizeNotStated ? qint64{size} : rf64 ? ds64Data : -1;
        held = st.st_size - (at + 8);
        found = stated >= 0;
        break;
      }
      at += 8 + qint64{size} + (size & 1);
    }
  }
  ::close(fd);
  return found;
}

QString WavLength::Shortfall(const QString& path, double heldSeconds, int frameBytes) {
  qint64 stated = 0;
  qint64 held = 0;
  if (heldSeconds <= 0 || !DataSizes(path, stated, held) || held <= 0 ||
      stated - held < qMax(frameBytes, 1))
    return QString();
  const double promised = heldSeconds * static_cast<double>(stated) / static_cast<double>(held);
  int decimals = promised >= 10 ? 0 : 1;
  while (decimals < 3 && SecondsText(promised, decimals) == SecondsText(heldSeconds, decimals))
    ++decimals;
  return QStringLiteral(
             "%1 は %2 秒のはずが %3 秒しかありません"
             "（途中で切れたファイルです。あるだけの音声をMP3にし、WAVファイルは残します）")
      .arg(FsPath::DisplayName(path), SecondsText(promised, decimals),
           SecondsText(heldSeconds, decimals));
}

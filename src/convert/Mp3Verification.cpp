#include "convert/Mp3Verification.h"
#include "app/FsPath.h"

#include <mp3infp.h>

namespace {

constexpr quint32 kTypeMp3 = 1;
constexpr quint32 kTypeWav = 2;

} // namespace

qint64 Mp3Verification::PlayingMs(const QString& path, quint32 type) {
  if (!FsPath::IsFile(path))
    return -1;
  if (mp3infp_Load(nullptr, FsPath::Encode(path).constData()) != 0 || mp3infp_GetType() != type)
    return -1;
  char* value = nullptr;
  bool ok = false;
  qint64 ms = -1;
  if (mp3infp_GetValue("TIME_MS", &value) == 0 && value != nullptr)
    ms = QByteArray(value).toLongLong(&ok);
  // The library holds a loaded file open. A check must not: the file checked is renamed or
  // removed next, and a file system in user space keeps a removed file that is still open as
  // a hidden ".fuse_hidden…" file. A load that fails leaves no file loaded.
  mp3infp_Load(nullptr, "");
  return ok ? ms : -1;
}

bool Mp3Verification::MatchesWav(const QString& wavPath, const QString& mp3Path) {
  const qint64 wav = PlayingMs(wavPath, kTypeWav);
  if (wav < 0)
    return false;
  const qint64 mp3 = PlayingMs(mp3Path, kTypeMp3);
  return mp3 >= 0 && qAbs(mp3 - wav) <= kToleranceMs;
}

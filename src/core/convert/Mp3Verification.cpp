#include "core/convert/Mp3Verification.h"
#include "core/encoder/EncoderBinding.h"
#include "core/fs/FsPath.h"
#include "core/tags/TagFieldAccess.h"

using TagFieldAccess::kTypeMp3;
using TagFieldAccess::kTypeWav;

qint64 Mp3Verification::PlayingMs(const QString& path, quint32 type, MP3INFP_HANDLE* tags) {
  if (!FsPath::IsFile(path))
    return -1;
  if (mp3infph_Load(tags, FsPath::Encode(path).constData()) != 0 || mp3infph_GetType(tags) != type)
    return -1;
  char* value = nullptr;
  bool ok = false;
  qint64 ms = -1;
  if (mp3infph_GetValue(tags, "TIME_MS", &value) == 0 && value != nullptr)
    ms = QByteArray(value).toLongLong(&ok);
  // The library holds a loaded file open. A check must not: the file checked is renamed or
  // removed next, and a file system in user space keeps a removed file that is still open as
  // a hidden ".fuse_hidden…" file. A load that fails leaves no file loaded.
  mp3infph_Load(tags, "");
  return ok ? ms : -1;
}

qint64 Mp3Verification::WavPlayingMs(const QString& path, MP3INFP_HANDLE* tags) {
  if (EncoderModule::gogo_probeInput == nullptr)
    return PlayingMs(path, kTypeWav, tags);
  GogoInputInfo info;
  if (EncoderModule::gogo_probeInput(FsPath::Encode(path).constData(), &info) != 0 ||
      info.reason != GOGO_INPUT_OK || info.rate <= 0 || info.frames < 0)
    return -1;
  return (info.frames * 1000 + info.rate / 2) / info.rate;
}

bool Mp3Verification::MatchesWav(const QString& wavPath, const QString& mp3Path,
                                 MP3INFP_HANDLE* tags) {
  const qint64 wav = WavPlayingMs(wavPath, tags);
  if (wav < 0)
    return false;
  const qint64 mp3 = PlayingMs(mp3Path, kTypeMp3, tags);
  return mp3 >= 0 && qAbs(mp3 - wav) <= kToleranceMs;
}

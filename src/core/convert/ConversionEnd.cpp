#include "core/convert/ConversionEnd.h"

#include "core/convert/EncodeTarget.h"
#include "core/convert/Mp3Verification.h"
#include "core/convert/ReplayGainTags.h"
#include "core/fs/FsPath.h"
#include "core/tags/TagCopy.h"

#include <mp3infp_handle.h>

#include <memory>

#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// A disk with less room left than this for the process is full: a write of the encoder, or of
// the file system's own blocks for it, fails there.
constexpr unsigned long long kFullBelowBytes = 1024 * 1024;

// A tag library handle of this worker's own; destroyed before the temporary file is renamed or
// removed, so that no loaded file holds it open (a file system in user space would keep a
// removed file that is still open as a hidden file).
struct TagHandle {
  MP3INFP_HANDLE* handle = mp3infph_Create();
  ~TagHandle() { Release(); }
  void Release() {
    mp3infph_Destroy(handle);
    handle = nullptr;
  }
};

} // namespace

QString ConversionEnd::DiskFullNote(const QString& folder) {
  struct statvfs fs {};
  if (::statvfs(FsPath::Encode(folder).constData(), &fs) != 0)
    return QString();
  // What this process may still write there: the superuser may use the reserved blocks too.
  const unsigned long long blocks = ::geteuid() == 0 ? fs.f_bfree : fs.f_bavail;
  return blocks * fs.f_frsize < kFullBelowBytes
             ? QStringLiteral("（MP3を書き出すディスクがいっぱいです）")
             : QString();
}

ConversionEnd::Result ConversionEnd::Run(const Source& wav, EncodeTarget& target, bool completed,
                                         const Options& options, const MoveToTrash& trash,
                                         std::shared_ptr<LoudnessMeasure> loudness) {
  const QString& source = wav.path;
  Result result;
  result.file = {source, FileResult::Kind::Failed, QString()};
  const QString name = FsPath::DisplayName(source);
  if (!completed) {
    // Looked at while the temporary file still takes its room on the disk.
    const QString full = DiskFullNote(FsPath::FolderOf(target.Mp3Path()));
    target.Discard();
    result.file.reason = QStringLiteral("%1 の変換が途中で終わりました").arg(name) + full;
    return result;
  }
  // Whether the name now holds another file, or the file another content, than the encode read.
  const auto changed = [&wav] { return !wav.read || FileIdentity::Of(wav.path) != wav.read; };
  const auto changedReason = [&] {
    return FsPath::KindOf(source) == FsPath::Kind::Missing
               ? QStringLiteral("%1 が変換中になくなりました（MP3は置きません）").arg(name)
               : QStringLiteral("%1 が変換中に書き換えられたか置き換えられました"
                                "（MP3は置かず、WAVファイルは残します。もう一度変換してください）")
                     .arg(name);
  };
  if (changed()) {
    target.Discard();
    result.file.reason = changedReason();
    return result;
  }
  TagHandle tags;
  if (tags.handle == nullptr) {
    target.Discard();
    result.file.reason = QStringLiteral("%1 の仕上げに必要なメモリがありません").arg(name);
    return result;
  }
  // The tag goes into the temporary file before it takes the MP3's name. A rewrite replaces
  // the file: the library hands over the new file with its lock held since before it took the
  // name, so no other run's cleanup of stale temporary files ever sees it unlocked.
  bool tagged = true;
  if (options.copyWavTagToMp3) {
    mp3infph_KeepLocks(tags.handle, 1);
    tagged = TagCopy::CopyTags(tags.handle, source, target.TempPath(), options.mp3TagFormat,
                               result.file.reason);
    if (const int locked = mp3infph_TakeLock(tags.handle); locked >= 0)
      target.AdoptLockedFile(locked);
    if (!tagged) // named after the MP3 it concerns, not the temporary file
      result.file.reason.replace(FsPath::DisplayName(target.TempPath()),
                                 FsPath::DisplayName(target.Mp3Path()));
  }
  // ReplayGain with the tag, before the name (silence has no gain to give).
  const auto gain = loudness ? LoudnessMeasure::ReplayGainOf({loudness}) : std::nullopt;
  if (tagged && gain) {
    mp3infph_KeepLocks(tags.handle, 1);
    tagged = ReplayGainTags::Write(tags.handle, target.TempPath(), target.Mp3Path(), false, *gain,
                                   result.file.reason);
    if (const int locked = mp3infph_TakeLock(tags.handle); locked >= 0)
      target.AdoptLockedFile(locked);
    if (tagged)
      result.loudness = std::move(loudness);
  }
  // The one check, of the bytes that take the MP3's name.
  const bool whole = Mp3Verification::MatchesWav(source, target.TempPath(), tags.handle);
  tags.Release();
  if (!whole || changed()) {
    target.Discard();
    result.file.reason =
        changed() ? changedReason()
                  : QStringLiteral("できたMP3を確かめられません（%1 は元のままです）").arg(name);
    return result;
  }
  const std::optional<FileIdentity> made = FileIdentity::Of(target.TempPath());
  QString error;
  if (!target.Commit(options.overwriteMp3, error)) {
    result.file.reason =
        QStringLiteral("%1 を置けません：%2").arg(FsPath::DisplayName(target.Mp3Path()), error);
    return result;
  }
  result.mp3 = target.Mp3Path();
  if (!tagged) {
    // The MP3 is there, but not as asked: without its WAV file's tag, which would otherwise
    // survive only in the trash.
    result.tagCopyFailed = true;
    if (!wav.shortfall.isEmpty())
      result.file.reason += QStringLiteral("。") + wav.shortfall;
    return result;
  }
  result.file.kind = FileResult::Kind::Converted;
  // A WAV file cut short may be whole somewhere else: the user decides what becomes of it.
  result.file.reason = wav.shortfall;
  if (!options.moveWavToTrash || !wav.shortfall.isEmpty())
    return result;
  if (changed()) {
    // Changed in the moment since the last look: the MP3 of the old take goes again, if it is
    // still the file placed.
    const std::optional<FileIdentity> placed = FileIdentity::Of(result.mp3);
    if (made && placed && placed->device == made->device && placed->inode == made->inode)
      ::unlink(FsPath::Encode(result.mp3).constData());
    result.mp3.clear();
    result.file.kind = FileResult::Kind::Failed;
    result.file.reason = changedReason();
    return result;
  }
  const Trash::Result moved = trash ? trash(source) : Trash::Result{};
  result.wavGone = moved.ok;
  if (!moved.ok)
    result.file.reason =
        QStringLiteral("WAVファイルを%1（%2 は元のままです）")
            .arg(moved.reason.isEmpty() ? QStringLiteral("ごみ箱に移せませんでした") : moved.reason,
                 name);
  return result;
}

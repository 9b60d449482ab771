#include "core/convert/ReplayGainAlbums.h"

#include "core/convert/ReplayGainTags.h"
#include "core/fs/FolderScan.h"
#include "core/fs/FsPath.h"

#include <mp3infp_handle.h>

#include <algorithm>

ReplayGainAlbums::ReplayGainAlbums(const QStringList& wavs) {
  for (const QString& wav : wavs)
    if (IsWavName(wav))
      ++albums_[FsPath::FolderOf(wav)].wavs;
}

void ReplayGainAlbums::Converted(const QString& wav, const QString& mp3,
                                 std::shared_ptr<LoudnessMeasure> loudness) {
  const auto album = albums_.find(FsPath::FolderOf(wav));
  if (album != albums_.end() && loudness)
    album->second.converted.push_back({wav, mp3, std::move(loudness)});
}

std::vector<ReplayGainAlbums::Failure> ReplayGainAlbums::WriteAlbumValues() const {
  std::vector<Failure> failures;
  MP3INFP_HANDLE* handle = nullptr;
  for (const auto& [folder, album] : albums_) {
    if (album.converted.empty() || static_cast<int>(album.converted.size()) != album.wavs)
      continue;
    // A WAV file of the folder that this batch did not convert (named apart from the others on
    // the command line, refused, or new) leaves the album incomplete; converted ones may be in
    // the trash by now.
    const QStringList present = ScanTree(folder, false).Wav;
    const bool whole = std::all_of(present.begin(), present.end(), [&](const QString& wav) {
      return std::any_of(album.converted.begin(), album.converted.end(),
                         [&](const Track& t) { return FsPath::SameFile(t.wav, wav); });
    });
    std::vector<std::shared_ptr<LoudnessMeasure>> measures;
    for (const Track& t : album.converted)
      measures.push_back(t.loudness);
    const auto values = whole ? LoudnessMeasure::ReplayGainOf(measures) : std::nullopt;
    if (!values)
      continue;
    if (handle == nullptr && (handle = mp3infph_Create()) == nullptr)
      break;
    for (const Track& t : album.converted) {
      QString why;
      const bool written = ReplayGainTags::Write(handle, t.mp3, t.mp3, true, *values, why);
      mp3infph_Load(handle, "");
      if (!written)
        failures.push_back({t.wav, why});
    }
  }
  mp3infph_Destroy(handle);
  return failures;
}

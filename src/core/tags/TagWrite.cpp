#include "core/tags/TagWrite.h"

#include "core/fs/FsPath.h"
#include "core/tags/CoverChoice.h"
#include "core/tags/TagCopy.h"
#include "core/tags/TagFieldAccess.h"
#include "core/tags/TagWorkProbe.h"
#include "core/tags/TrackNumber.h"

#include <optional>

namespace {

// The track a write stores: what the box holds, else what it proposes, as a tag stores it;
// nullopt when it is no track number. One left as the file holds it passes unchecked: another
// tool may have stored "A1", and it stays as it is (TagCopy::SetValues leaves it).
std::optional<QString> TrackToStore(const TagFields& wanted, const QString& stored,
                                    TagField field) {
  const QString& typed = wanted[field];
  if (!typed.isEmpty() && typed == stored)
    return stored;
  return TrackNumber::Normalized(typed.isEmpty() ? wanted.ProposedTrack : typed);
}

} // namespace

TagWriteOutcome WriteTags(MP3INFP_HANDLE* handle, const TagWriteRequest& request) {
  TagWorkProbe::Tell(TagWorkProbe::Work::Write);
  TagWriteOutcome out;
  const QString& path = request.path;
  if (path.isEmpty() || !FsPath::IsFile(path)) {
    out.failure = path.isEmpty()
                      ? QStringLiteral("タグ欄はどのファイルのものでもありません")
                      : QStringLiteral("%1 が見つかりません").arg(FsPath::DisplayName(path));
    return out;
  }
  // An image that cannot become the cover stops the write before anything is written.
  QByteArray cover;
  if (!request.coverImage.isEmpty()) {
    out.failure = CoverChoice::ReadImage(request.coverImage, cover);
    if (!out.failure.isEmpty())
      return out;
    if (cover == request.shownCover)
      cover.clear();
  }
  if (TagFieldAccess::GetLibraryVersionText() == QStringLiteral("0.00") ||
      !TagCopy::Load(handle, path)) {
    out.failure = QStringLiteral("%1 を読めません").arg(FsPath::DisplayName(path));
    return out;
  }
  TagFields stored;
  TagCopy::ReadValues(handle, stored, false);

  // Values are shown one line long and at most 128 bytes; a field still as it was shown keeps
  // what the file holds beyond that (the further lines of a comment written by another tool, a
  // long title), instead of being cut down to the shown part by a write of another field.
  TagFields values;
  for (const TagFieldRow& row : kTagFields) {
    if (!row.Stored())
      continue;
    QString value = request.wanted.Kept(row.field) ? stored[row.field] : request.wanted[row.field];
    if (row.trackNumber && !request.wanted.Kept(row.field)) {
      const std::optional<QString> track =
          TrackToStore(request.wanted, stored[row.field], row.field);
      if (!track) {
        out.failure = QStringLiteral("トラック番号は「3」や「3/12」のように数字で入力してください");
        return out;
      }
      value = *track;
    }
    if (row.trackNumber)
      out.track = value;
    values[row.field] = value;
  }
  if (stored.SameTag(values) && cover.isEmpty()) {
    out.result = TagWriteResult::Unchanged;
    return out;
  }
  for (const TagFieldRow& row : kTagFields)
    if (row.Stored() && values[row.field] == stored[row.field])
      values[row.field] = TagFieldAccess::WholeValue(row.field, handle);

  const QString imageName = FsPath::DisplayName(request.coverImage);
  uint32_t coverSet = MP3INFP_PICTURE_OK;
  if (!cover.isEmpty()) {
    coverSet = TagCopy::SetCover(handle, cover);
    if (coverSet == MP3INFP_PICTURE_TOO_LARGE || coverSet == MP3INFP_PICTURE_NOT_IMAGE) {
      out.failure = TagCopy::CoverRefusalText(coverSet, imageName);
      return out;
    }
  }
  const QByteArray encoded = FsPath::Encode(path);
  const bool allSet = TagCopy::SetValues(handle, values, encoded, request.format);
  // An RMP3 file has no place for a cover until the ID3v2 format has unwrapped it above.
  if (coverSet == MP3INFP_PICTURE_NO_PLACE)
    coverSet = TagCopy::SetCover(handle, cover);
  if (coverSet != MP3INFP_PICTURE_OK) {
    out.failure = TagCopy::CoverRefusalText(coverSet, imageName);
    return out;
  }
  const uint32_t saved = mp3infph_Save(handle, encoded.constData());
  if (saved != 0)
    out.failure = TagCopy::SaveFailureText(saved);
  else if (!allSet && TagFieldAccess::LastMakeFailure() != 0) // the tag could not be made
    out.failure = TagCopy::SaveFailureText(TagFieldAccess::LastMakeFailure());
  else if (!allSet)
    out.failure = QStringLiteral("書き込めない値があります（ほかの欄は書き込みました）");
  if (saved == 0)
    out.coverWritten = cover;
  out.result = saved == 0 && allSet ? TagWriteResult::Written : TagWriteResult::Failed;
  return out;
}

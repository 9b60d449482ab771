#include "core/tags/TagCopy.h"

#include "core/fs/FsPath.h"
#include "core/tags/TagFieldAccess.h"
#include "core/tags/TrackNumber.h"

namespace TagCopy {

bool Load(MP3INFP_HANDLE* handle, const QString& path) {
  return !path.isEmpty() && FsPath::IsFile(path) &&
         mp3infph_Load(handle, FsPath::Encode(path).constData()) == 0;
}

void ReadValues(MP3INFP_HANDLE* handle, TagFields& out, bool whole) {
  for (const TagFieldRow& row : kTagFields)
    if (row.Stored())
      out[row.field] = whole ? TagFieldAccess::WholeValue(row.field, handle)
                             : TagFieldAccess::ShownValue(row.field, handle);
}

bool SetValues(MP3INFP_HANDLE* handle, const TagFields& values, const QByteArray& path,
               Options::Mp3Format format) {
  bool allSet = true;
  for (const TagFieldRow& row : kTagFields) {
    if (!row.Stored() || values.Kept(row.field))
      continue;
    std::optional<QString> value = values[row.field];
    // A track another tool stored in a form the library refuses ("A1") is left as the file holds
    // it instead of failing the rest; "３/12" is stored as "3/12".
    if (row.trackNumber)
      value = TrackNumber::Normalized(*value);
    if (value)
      allSet = TagFieldAccess::SetValue(row.field, *value, path, format, handle) && allSet;
  }
  return allSet;
}

QByteArray ReadCover(MP3INFP_HANDLE* handle) {
  const char* mime = nullptr;
  const void* data = nullptr;
  uint32_t size = 0;
  if (mp3infph_GetPicture(handle, &mime, &data, &size) != MP3INFP_PICTURE_OK || data == nullptr)
    return QByteArray();
  return QByteArray(static_cast<const char*>(data), static_cast<qsizetype>(size));
}

uint32_t SetCover(MP3INFP_HANDLE* handle, const QByteArray& image) {
  return mp3infph_SetPicture(handle, image.constData(), static_cast<uint32_t>(image.size()));
}

QString SaveFailureText(uint32_t code) {
  switch (code) {
  case MP3INFP_SAVE_GONE:
    return QStringLiteral("ファイルがなくなりました");
  case MP3INFP_SAVE_CHANGED:
    return QStringLiteral("読み込んだ後にほかのプログラムがファイルを変えました");
  case MP3INFP_SAVE_READ_ONLY:
    return QStringLiteral("読み取り専用のファイルです");
  case MP3INFP_SAVE_NO_ROOM:
    return QStringLiteral("フォルダに書き込めません（書き込み禁止か満杯です）");
  case MP3INFP_SAVE_WRITE_FAILED:
  case MP3INFP_SAVE_NOT_READ_BACK:
    return QStringLiteral("書き込めませんでした（ディスクが満杯か、書いた内容を確かめられません）");
  case MP3INFP_SAVE_BACKUP_LEFT:
    return QStringLiteral("書き込みに失敗し、元に戻せませんでした（元の内容は同じフォルダの "
                          "w2m-backup ファイルにあります）");
  case MP3INFP_SAVE_NO_V23_FORM:
    return QStringLiteral("ID3v2.2タグに新しい版へ移せない項目があるため書き換えません");
  case MP3INFP_SAVE_RF64:
    return QStringLiteral("RF64形式のWAVファイルのタグは書き換えられません");
  default:
    return code >= MP3INFP_SAVE_TOO_LARGE && code < MP3INFP_SAVE_NOT_RELOADED
               ? QStringLiteral("ファイルの構造が壊れているため書き換えません")
               : QStringLiteral("書き込めませんでした");
  }
}

QString CoverRefusalText(uint32_t code, const QString& name) {
  switch (code) {
  case MP3INFP_PICTURE_TOO_LARGE:
    return QStringLiteral("%1 は10 MBを超えるため、カバー画像にできません").arg(name);
  case MP3INFP_PICTURE_NOT_IMAGE:
    return QStringLiteral("%1 はJPEGやPNGの画像として読めないため、カバー画像にできません")
        .arg(name);
  case MP3INFP_PICTURE_NO_PLACE:
    return QStringLiteral("このファイルの形式にはカバー画像を入れられません");
  default:
    return QStringLiteral("カバー画像を設定できませんでした");
  }
}

bool ReadWholeTags(MP3INFP_HANDLE* handle, const QString& path, TagFields& stored) {
  stored = TagFields();
  if (!Load(handle, path))
    return false;
  ReadValues(handle, stored, true);
  return true;
}

bool CopyTags(MP3INFP_HANDLE* handle, const QString& from, const QString& to,
              Options::Mp3Format format, QString& why) {
  TagFields source;
  TagFields present;
  if (!ReadWholeTags(handle, from, source)) {
    why = QStringLiteral("%1 のタグを読めません").arg(FsPath::DisplayName(from));
    return false;
  }
  const QByteArray cover = format == Options::Mp3Format::Id3v2 ? ReadCover(handle) : QByteArray();
  if (!ReadWholeTags(handle, to, present)) {
    why = QStringLiteral("%1 を読めません").arg(FsPath::DisplayName(to));
    return false;
  }
  const bool newCover = !cover.isEmpty() && cover != ReadCover(handle);
  // A WAV file without tag values gives an MP3 that already holds them all: nothing to write.
  if (present.SameTag(source) && !newCover)
    return true;
  // The file is loaded: every field is set whole, then saved once. A cover the library refuses
  // (a GIF another tool put in) leaves the fields still copied; the copy fails all the same, so
  // the WAV file, which alone holds that picture, is kept.
  const QByteArray path = FsPath::Encode(to);
  const bool allSet = SetValues(handle, source, path, format);
  const uint32_t coverSet = newCover ? SetCover(handle, cover) : MP3INFP_PICTURE_OK;
  const uint32_t saved = mp3infph_Save(handle, path.constData());
  if (saved != 0 || !allSet || coverSet != MP3INFP_PICTURE_OK) {
    QString reason = QStringLiteral("書き込めない値があります");
    if (saved != 0)
      reason = SaveFailureText(saved);
    else if (coverSet != MP3INFP_PICTURE_OK)
      reason = CoverRefusalText(coverSet, QStringLiteral("WAVファイルのカバー画像"));
    why = QStringLiteral("%1 にタグを写せませんでした：%2").arg(FsPath::DisplayName(to), reason);
    return false;
  }
  return true;
}

} // namespace TagCopy

#include "core/tags/TagFieldAccess.h"

#include "core/fs/Cp932.h"

#include <unistd.h>

namespace TagFieldAccess {

namespace {

constexpr quint32 kId3v1 = 0x01;
constexpr quint32 kId3v2 = 0x02;
constexpr quint32 kRiffSif = 0x04;

// What the tag library answered the last call of this thread that made a tag.
thread_local quint32 lastMakeFailure = 0;

QString libraryValue(const QByteArray& name, MP3INFP_HANDLE* handle) {
  char* value = nullptr;
  mp3infph_GetValue(handle, name.constData(), &value);
  return value ? QString::fromUtf8(value) : QString();
}

int charBytes(const QString& ch) {
  if (ch.size() == 1 && ch.at(0).unicode() < 0x80)
    return 1;
  QByteArray bytes;
  return Cp932::Encode(ch, bytes) ? static_cast<int>(bytes.size())
                                  : static_cast<int>(ch.toUtf8().size());
}

// Up to the first control character, and at most `limit` stored bytes (negative: no limit).
QString firstLine(const QString& value, int limit) {
  // A character's CP932 form is never longer than its UTF-8 form, so a line whose UTF-8 form
  // fits needs no counting.
  qsizetype end = 0;
  while (end < value.size() && value.at(end).unicode() >= 0x20)
    ++end;
  if (limit < 0 || QStringView(value).left(end).toUtf8().size() <= limit)
    return value.left(end);
  QString out;
  int used = 0;
  for (int i = 0; i < value.size();) {
    const int len = value.at(i).isHighSurrogate() && i + 1 < value.size() ? 2 : 1;
    const QString ch = value.mid(i, len);
    if (ch.at(0).unicode() < 0x20)
      break;
    if (limit >= 0) {
      used += charBytes(ch);
      if (used > limit)
        break;
    }
    out += ch;
    i += len;
  }
  return out;
}

QByteArray readName(TagField field, MP3INFP_HANDLE* handle) {
  const QByteArray id = RowOf(field).LibraryName();
  quint32 code = 0;
  if (!GetFileTypeCode(code, handle))
    return id;
  if (code & kRiffSif)
    return id + "_rmp";
  if (code & kId3v2)
    return id + "_v2";
  return id + "_v1";
}

// While one lives, the tags a value needs are made in the library's memory and written by the
// save with the values: a write rewrites the file once, not once for each tag made.
class DeferredMakes {
public:
  explicit DeferredMakes(MP3INFP_HANDLE* handle) : handle_(handle) {
    mp3infph_DeferMakes(handle_, 1);
  }
  ~DeferredMakes() { mp3infph_DeferMakes(handle_, 0); }
  DeferredMakes(const DeferredMakes&) = delete;
  DeferredMakes& operator=(const DeferredMakes&) = delete;

private:
  MP3INFP_HANDLE* handle_;
};

quint32 tagBits(MP3INFP_HANDLE* handle) {
  quint32 code = 0;
  GetFileTypeCode(code, handle);
  return code & 0xFFFF;
}

} // namespace

QString GetLibraryVersionText() {
  return VersionText(mp3infp_GetVer());
}

QString VersionText(quint32 version) {
  if (version < 0x211)
    return QStringLiteral("0.00");
  QString hex = QString::number(version, 16).toUpper();
  return hex.left(1) + QLatin1Char('.') + hex.mid(1);
}

bool GetFileTypeCode(quint32& code, MP3INFP_HANDLE* handle) {
  const quint32 type = mp3infph_GetType(handle);
  code = type << 16;
  if (type != kTypeMp3)
    return false;
  code |= mp3infph_mp3_GetTagType(handle) & 0xFFFF;
  return true;
}

QString ShownValue(TagField field, MP3INFP_HANDLE* handle) {
  const TagFieldRow& row = RowOf(field);
  if (!row.Stored())
    return QString();
  return firstLine(libraryValue(readName(field, handle), handle), row.shownBytes);
}

QString WholeValue(TagField field, MP3INFP_HANDLE* handle) {
  return RowOf(field).Stored() ? libraryValue(readName(field, handle), handle) : QString();
}

QString PlayingTime(MP3INFP_HANDLE* handle) {
  return firstLine(libraryValue("TIME", handle), kShownTagBytes);
}

quint32 LastMakeFailure() {
  return lastMakeFailure;
}

bool SetValue(TagField field, const QString& text, const QByteArray& path,
              Options::Mp3Format format, MP3INFP_HANDLE* handle) {
  lastMakeFailure = 0;
  if (!RowOf(field).Stored() || path.isEmpty())
    return false;
  QByteArray name = RowOf(field).LibraryName();
  quint32 code = 0;
  const bool mp3 = GetFileTypeCode(code, handle);
  const DeferredMakes deferred(handle);
  // A plain MP3 with an ID3v2 tag is written through that tag in either format: wrapping it
  // would hide the new values from every reader but the RIFF SIF ones.
  if (mp3 && (code & (kId3v2 | kRiffSif)) == kId3v2 && format == Options::Mp3Format::Rmp)
    return mp3infph_SetValue(handle, (name + "_v2").constData(), text.toUtf8().constData()) == 0;
  if (format == Options::Mp3Format::Id3v2) {
    if (mp3 && (code & kRiffSif || (code & (kId3v1 | kId3v2)) != (kId3v1 | kId3v2))) {
      lastMakeFailure = mp3infph_MakeId3v2(handle, path.constData());
      if ((tagBits(handle) & (kId3v2 | kRiffSif)) != kId3v2)
        return false;
    } else if (!mp3 && mp3infph_GetType(handle) != 0) {
      // Nothing the library reports tells whether a WAV file has an 'id3 ' chunk; it leaves
      // one that has it as it is, so asking every time costs no rewrite.
      if ((lastMakeFailure = mp3infph_MakeId3v2(handle, path.constData())) != 0)
        return false;
    }
    if (mp3)
      name += "_v2";
    return mp3infph_SetValue(handle, name.constData(), text.toUtf8().constData()) == 0;
  }
  if (mp3) {
    if (!(code & (kId3v1 | kId3v2)) && ::access(path.constData(), F_OK) == 0) {
      lastMakeFailure = mp3infph_mp3_MakeId3v1(handle, path.constData());
      if (!(tagBits(handle) & kId3v1))
        return false;
    }
    if (!(tagBits(handle) & kRiffSif)) {
      lastMakeFailure = mp3infph_mp3_MakeRMP(handle, path.constData());
      if (!(tagBits(handle) & kRiffSif))
        return false;
    }
    name += "_rmp";
  }
  return mp3infph_SetValue(handle, name.constData(), text.toUtf8().constData()) == 0;
}

} // namespace TagFieldAccess

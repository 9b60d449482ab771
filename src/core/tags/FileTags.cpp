#include "core/tags/FileTags.h"

#include "core/fs/FsPath.h"
#include "core/tags/CommentText.h"
#include "core/tags/TagCopy.h"
#include "core/tags/TagFieldAccess.h"
#include "core/tags/TagWorkProbe.h"
#include "core/tags/TrackNumber.h"

#include <array>
#include <utility>

namespace {

const QString kTooOldLibrary = QStringLiteral("0.00");

// The tag bits of a type code and the names of the kinds they stand for. Bit 0x40 has none.
constexpr std::array<std::pair<quint32, const char*>, 9> kTagKinds{{
    {0x001, "(ID3V1)"},
    {0x002, "(ID3V2)"},
    {0x004, "(RIFFSIF)"},
    {0x008, "(ID3V1_0)"},
    {0x010, "(ID3V1_1)"},
    {0x020, "(ID3V2_2)"},
    {0x080, "(ID3V2_4)"},
    {0x100, "(APEV1)"},
    {0x200, "(APEV2)"},
}};

} // namespace

FileTags ReadFileTags(const QString& path, MP3INFP_HANDLE* handle) {
  TagWorkProbe::Tell(TagWorkProbe::Work::Read);
  FileTags read;
  if (path.isEmpty() || !FsPath::IsFile(path)) {
    read.state = FsPath::KindOf(path) == FsPath::Kind::Missing ? FileTags::State::Missing
                                                               : FileTags::State::NotFile;
    return read;
  }
  read.version = TagFieldAccess::GetLibraryVersionText();
  if (read.version == kTooOldLibrary) {
    read.state = FileTags::State::TooOld;
    return read;
  }
  if (!TagCopy::Load(handle, path)) {
    read.state = FileTags::State::Unreadable;
    return read;
  }
  read.state = FileTags::State::Read;
  read.mp3 = TagFieldAccess::GetFileTypeCode(read.code, handle);
  TagCopy::ReadValues(handle, read.fields, false);
  if (read.fields[TagField::Track].isEmpty())
    read.fields.ProposedTrack = TrackNumber::FromFileName(path);
  read.cover = TagCopy::ReadCover(handle);
  read.fields.PlayingTime = TagFieldAccess::PlayingTime(handle);
  // The part boxes show only what this comment holds; the jacket image box keeps its text (and
  // its list of the folder's images) when the comment names no image.
  const QString& comment = read.fields[TagField::Comment];
  for (const TagFieldRow& row : kTagFields) {
    if (row.commentMarker == nullptr)
      continue;
    const std::optional<QString> part = CommentText::Part(comment, row.CommentMarker());
    read.fields[row.field] = part.value_or(QString());
    if (row.memory == MemoryRule::WhenChosen)
      read.fields.Keep(row.field, !part);
  }
  return read;
}

QString UnreadableText(const QString& path, FileTags::State state) {
  const QString name = FsPath::DisplayName(path);
  switch (state) {
  case FileTags::State::Missing:
    return QStringLiteral("%1 が見つかりません").arg(name);
  case FileTags::State::NotFile:
    return QStringLiteral("%1 はフォルダや特殊なファイルです").arg(name);
  case FileTags::State::TooOld:
    return QStringLiteral("タグのライブラリが古く、使えません");
  default:
    return QStringLiteral("%1 はWAVファイルとしてもMP3ファイルとしても読めません").arg(name);
  }
}

QStringList TagKindNames(quint32 code) {
  QStringList kinds;
  for (const auto& [bit, name] : kTagKinds)
    if (code & bit)
      kinds.append(QLatin1String(name));
  return kinds;
}

QString TagKindsText(quint32 code) {
  return QStringLiteral("%1 %2")
      .arg(code & 0xFFFF, 8, 16, QLatin1Char('0'))
      .toUpper()
      .arg(TagKindNames(code).join(QString()));
}

#include "app/cli/TagsCommand.h"

#include "app/cli/CliText.h"
#include "app/cli/Terminal.h"
#include "core/fs/FsPath.h"
#include "core/tags/TagFieldAccess.h"

namespace {

// The track number of the file loaded last into the tag library, read from the tag its six
// fields are read from; nullopt when that tag holds none.
std::optional<QString> LoadedTrack() {
  quint32 code = 0;
  QByteArray name = "ITRK";
  if (TagFieldAccess::GetFileTypeCode(code))
    name += code & 0x04 ? "_rmp" : code & 0x02 ? "_v2" : "_v1";
  char* value = nullptr;
  if (mp3infp_GetValue(name.constData(), &value) != 0 || value == nullptr || *value == '\0')
    return std::nullopt;
  return QString::fromUtf8(value);
}

QString Unreadable(const QString& path, TagEditor::FileTags::State state) {
  const QString name = FsPath::DisplayName(path);
  switch (state) {
  case TagEditor::FileTags::State::Missing:
    return QStringLiteral("%1 が見つかりません").arg(name);
  case TagEditor::FileTags::State::NotFile:
    return QStringLiteral("%1 はフォルダや特殊なファイルです").arg(name);
  case TagEditor::FileTags::State::TooOld:
    return QStringLiteral("タグのライブラリが古く、使えません");
  default:
    return QStringLiteral("%1 はWAVファイルとしてもMP3ファイルとしても読めません").arg(name);
  }
}

} // namespace

int RunTags(const CliRequest& request, Terminal& terminal) {
  bool allRead = true;
  QStringList shown;
  for (const QString& path : request.paths) {
    CliText::FileTagInfo file{path, TagEditor::ReadFileTags(path, nullptr), std::nullopt};
    if (file.tags.state != TagEditor::FileTags::State::Read) {
      terminal.Err(CliText::FileLine(path, Unreadable(path, file.tags.state)));
      allRead = false;
      continue;
    }
    file.track = LoadedTrack();
    shown.append(request.json ? CliText::TagJson(file) : CliText::TagLines(file));
  }
  if (request.json)
    terminal.Out(u'[' + shown.join(QStringLiteral(",\n")) + u']');
  else if (!shown.isEmpty())
    terminal.Out(shown.join(QStringLiteral("\n\n")));
  return allRead ? kExitDone : kExitSomeFailed;
}

#include "app/cli/TagsCommand.h"

#include "app/cli/CliText.h"
#include "app/cli/Terminal.h"
#include "core/fs/FsPath.h"

namespace {

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
    if (!file.tags.fields.Track.isEmpty())
      file.track = file.tags.fields.Track;
    shown.append(request.json ? CliText::TagJson(file) : CliText::TagLines(file));
  }
  if (request.json)
    terminal.Out(u'[' + shown.join(QStringLiteral(",\n")) + u']');
  else if (!shown.isEmpty())
    terminal.Out(shown.join(QStringLiteral("\n\n")));
  return allRead ? kExitDone : kExitSomeFailed;
}

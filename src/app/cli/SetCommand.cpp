#include "app/cli/SetCommand.h"

#include "app/cli/CliText.h"
#include "app/cli/CliView.h"
#include "app/cli/Terminal.h"
#include "core/fs/FsPath.h"
#include "core/session/TerminationSignal.h"
#include "core/tags/TagEditor.h"

#include <QCoreApplication>

namespace {

QString& FieldOf(TagFields& fields, TagFieldAccess::Field field) {
  switch (field) {
  case TagFieldAccess::kTitle:
    return fields.Title;
  case TagFieldAccess::kArtist:
    return fields.Artist;
  case TagFieldAccess::kAlbum:
    return fields.Album;
  case TagFieldAccess::kComment:
    return fields.Comment;
  case TagFieldAccess::kYear:
    return fields.Year;
  case TagFieldAccess::kTrack:
    return fields.Track;
  default:
    return fields.Genre;
  }
}

} // namespace

int RunSet(const CliRequest& request, const Options& options, Terminal& terminal) {
  CliView view(terminal);
  TagEditor editor(view, options);
  // A request to end is taken between two files: a file is never left half written.
  TerminationSignal termination([] {});
  bool allWritten = true;
  for (const QString& path : request.paths) {
    QCoreApplication::processEvents();
    if (termination.FirstSignal() != 0)
      return 128 + termination.FirstSignal();
    // The fields not given are written as the window would show them, which keeps what the
    // file stores there byte for byte.
    TagFields fields;
    if (!editor.ReadTags(path, fields)) {
      const QString name = FsPath::DisplayName(path);
      terminal.Err(CliText::FileLine(
          path, FsPath::IsFile(path) ? QStringLiteral("失敗（%1 を読めません）").arg(name)
                                     : QStringLiteral("失敗（%1 が見つかりません）").arg(name)));
      allWritten = false;
      continue;
    }
    for (const auto& [field, value] : request.fields)
      FieldOf(fields, field) = value;
    view.SetFieldsToWrite(fields);
    switch (editor.WriteShownTags(path)) {
    case TagWriteResult::Written:
      terminal.Out(CliText::FileLine(path, QStringLiteral("成功")));
      break;
    case TagWriteResult::Unchanged:
      terminal.Out(CliText::FileLine(path, QStringLiteral("変更はありません")));
      break;
    case TagWriteResult::Failed:
      terminal.Err(
          CliText::FileLine(path, QStringLiteral("失敗（%1）").arg(view.LastWriteFailure())));
      allWritten = false;
      break;
    }
  }
  return allWritten ? kExitDone : kExitSomeFailed;
}

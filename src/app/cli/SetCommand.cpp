#include "app/cli/SetCommand.h"

#include "app/cli/CliPlatform.h"
#include "app/cli/CliText.h"
#include "app/cli/CliView.h"
#include "app/cli/Terminal.h"
#include "core/session/Session.h"
#include "core/session/TerminationSignal.h"

#include <QCoreApplication>
#include <QEventLoop>

int RunSet(const CliRequest& request, const Options& options, Terminal& terminal) {
  CliView view(terminal);
  CliPlatform platform;
  Session session(view, platform);
  session.options() = options;
  // The fields not given keep what the file stores there, byte for byte.
  TagFields fields;
  fields.kept.set();
  for (const auto& [field, value] : request.fields) {
    fields[field] = value;
    fields.Keep(field, false);
  }
  // A request to end is taken between two files: a file is never left half written.
  TerminationSignal termination([] {});
  bool allWritten = true;
  for (const QString& path : request.paths) {
    QCoreApplication::processEvents();
    if (termination.FirstSignal() != 0)
      return 128 + termination.FirstSignal();
    TagWriteOutcome outcome;
    QEventLoop written;
    session.WriteTags(path, fields, [&](const TagWriteOutcome& o) {
      outcome = o;
      written.quit();
    });
    written.exec();
    switch (outcome.result) {
    case TagWriteResult::Written:
      terminal.Out(CliText::FileLine(path, QStringLiteral("成功")));
      break;
    case TagWriteResult::Unchanged:
      terminal.Out(CliText::FileLine(path, QStringLiteral("変更はありません")));
      break;
    case TagWriteResult::Failed:
    case TagWriteResult::Busy:
      terminal.Err(CliText::FileLine(path, QStringLiteral("失敗（%1）").arg(outcome.failure)));
      allWritten = false;
      break;
    }
  }
  return allWritten ? kExitDone : kExitSomeFailed;
}

#include "app/cli/TagsCommand.h"

#include "app/cli/CliPlatform.h"
#include "app/cli/CliText.h"
#include "app/cli/CliView.h"
#include "app/cli/Terminal.h"
#include "core/session/Session.h"

#include <QEventLoop>

#include <vector>

int RunTags(const CliRequest& request, const Options& options, Terminal& terminal) {
  CliView view(terminal);
  CliPlatform platform;
  Session session(view, platform);
  session.options() = options;
  // Every file is read in turn on the session's worker; the answers come back in that order.
  std::vector<FileTags> read(static_cast<std::size_t>(request.paths.size()));
  qsizetype answered = 0;
  QEventLoop allRead;
  for (qsizetype i = 0; i < request.paths.size(); ++i)
    session.ReadTags(request.paths.at(i), [&, i](const FileTags& tags) {
      read[static_cast<std::size_t>(i)] = tags;
      if (++answered == request.paths.size())
        allRead.quit();
    });
  if (!request.paths.isEmpty())
    allRead.exec();

  bool allShown = true;
  QStringList shown;
  for (qsizetype i = 0; i < request.paths.size(); ++i) {
    const QString& path = request.paths.at(i);
    const FileTags& tags = read[static_cast<std::size_t>(i)];
    if (tags.state != FileTags::State::Read) {
      terminal.Err(CliText::FileLine(path, UnreadableText(path, tags.state)));
      allShown = false;
      continue;
    }
    shown.append(request.json ? CliText::TagJson(path, tags) : CliText::TagLines(path, tags));
  }
  if (request.json)
    terminal.Out(u'[' + shown.join(QStringLiteral(",\n")) + u']');
  else if (!shown.isEmpty())
    terminal.Out(shown.join(QStringLiteral("\n\n")));
  return allShown ? kExitDone : kExitSomeFailed;
}

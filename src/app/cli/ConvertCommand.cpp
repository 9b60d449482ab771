#include "app/cli/ConvertCommand.h"

#include "app/cli/CliPlatform.h"
#include "app/cli/CliText.h"
#include "app/cli/CliView.h"
#include "app/cli/Terminal.h"
#include "core/convert/BatchSummary.h"
#include "core/convert/ConvertPlan.h"
#include "core/convert/Converter.h"
#include "core/convert/ReplayGainTags.h"
#include "core/encoder/EncoderComponent.h"
#include "core/fs/FolderScan.h"
#include "core/fs/FsPath.h"
#include "core/session/Session.h"
#include "core/session/TerminationSignal.h"

#include <QCoreApplication>
#include <QHash>

#include <sys/stat.h>

#include <memory>

namespace {

// The WAV files to convert, each once, in the order named, their sizes (which weigh the
// files the batch has not come to in its progress) and the folders named (whose subfolders the
// MP3 files keep in an output folder); a named file that is no WAV file is said on standard
// error (false then).
bool CollectWavFiles(const QStringList& paths, Terminal& terminal, QStringList& files,
                     QHash<QString, qint64>& sizes, QStringList& folders) {
  bool allTaken = true;
  const auto take = [&](const QString& file) {
    if (sizes.contains(file))
      return;
    struct stat st {};
    sizes.insert(file, FsPath::Stat(file, st) ? st.st_size : 0);
    files.append(file);
  };
  for (const QString& given : paths) {
    const QString path = FsPath::Absolute(given);
    const FsPath::Kind kind = FsPath::KindOf(path);
    if (kind == FsPath::Kind::Directory) {
      folders.append(path);
      for (const QString& wav : ScanTree(path).Wav)
        take(wav);
    } else if (IsWavName(path)) {
      // The batch refuses, by name and with its reason, what it cannot convert.
      take(path);
    } else {
      terminal.Err(CliText::FileLine(
          given, ConvertPlan::RefusalText(kind == FsPath::Kind::Missing
                                              ? ConvertPlan::Refusal::MissingSource
                                              : ConvertPlan::Refusal::NotWav)));
      allTaken = false;
    }
  }
  return allTaken;
}

} // namespace

int RunConvert(const CliRequest& request, const Options& options, Terminal& terminal) {
  // Refused by name before anything is done: RIFF SIF has no place for ReplayGain.
  if (const QString refusal = ReplayGainTags::Refusal(options, true); !refusal.isEmpty()) {
    terminal.Err(refusal);
    return kExitUsage;
  }
  QStringList files;
  QHash<QString, qint64> sizes;
  QStringList folders;
  const bool allTaken = CollectWavFiles(request.paths, terminal, files, sizes, folders);
  if (files.isEmpty()) {
    // Folders without a WAV file are nothing to do, not a failure; but say so.
    if (allTaken)
      terminal.Err(QStringLiteral("変換するWAVファイルがありません"));
    return allTaken ? kExitDone : kExitSomeFailed;
  }

  CliView view(terminal);
  CliPlatform platform;
  auto session = std::make_unique<Session>(view, platform);
  session->options() = options;
  try {
    view.FollowProgress(&session->converter().batchProgress());
  } catch (const EncoderError& e) {
    terminal.Err(e.Message());
    return kExitSomeFailed;
  }

  std::optional<BatchResult> result;
  int signal = 0;
  {
    // Ctrl+C or SIGTERM stop the batch: every encode stops and its temporary file goes, each
    // WAV file stays. A second one, while the work under way is let finish, ends the program
    // at once.
    TerminationSignal termination([&session] { session->StopBatch(); });
    // The batch runs on the application's event loop until its end is heard of.
    session->ConvertFiles(files, sizes, folders,
                          [&result](const std::optional<BatchResult>& ended) {
                            result = ended;
                            QCoreApplication::exit();
                          });
    QCoreApplication::exec();
    signal = termination.FirstSignal();
  }
  // The encodes stopped, the work after them finished, their temporary files gone.
  session.reset();
  terminal.EndBar();
  if (signal != 0)
    return 128 + signal;
  if (!result)
    return kExitSomeFailed;
  const BatchSummary summary = SummarizeBatch(*result);
  // Each file not done was named as it ended; those never come to are named here.
  if (!summary.unfinished.isEmpty())
    terminal.Err(summary.unfinished);
  if (terminal.ShowsProgress()) {
    QStringList parts{summary.counter, summary.result, summary.message};
    parts.removeAll(QString());
    terminal.Err(parts.join(QStringLiteral(" | ")));
  }
  return allTaken && !view.ProblemsSeen() && summary.unfinished.isEmpty() ? kExitDone
                                                                          : kExitSomeFailed;
}

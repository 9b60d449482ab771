// The command line: converts WAV files and reads and writes tags without a window, on the same
// core as the window program (Qt Core only: no display, no X libraries). The options come from
// the program's settings file, or the one named, with those given on top.
#include "app/cli/CliArguments.h"
#include "app/cli/CliText.h"
#include "app/cli/ConvertCommand.h"
#include "app/cli/SetCommand.h"
#include "app/cli/TagsCommand.h"
#include "app/cli/Terminal.h"
#include "core/encoder/EncoderBinding.h"
#include "core/fs/FsPath.h"
#include "core/settings/ProgramLocations.h"
#include "core/settings/SettingsFile.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <csignal>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("wav2mp3tag"));
  // A reader that goes away (`| head`) must not kill a batch midway: writes then just fail.
  std::signal(SIGPIPE, SIG_IGN);

  QByteArrayList arguments;
  for (int i = 1; i < argc; ++i)
    arguments.append(QByteArray(argv[i]));
  QString error;
  const CliRequest request = ParseArguments(arguments, error);
  Terminal terminal(!request.quiet && Terminal::ErrorIsTerminal());
  const auto usageError = [&terminal](const QString& text) {
    terminal.Err(QStringLiteral("wav2mp3tag-cli: %1\n使い方は wav2mp3tag-cli --help で表示します")
                     .arg(text));
    return kExitUsage;
  };
  if (!error.isEmpty())
    return usageError(error);
  if (request.command == CliRequest::Command::Help) {
    terminal.Out(CliText::Help());
    return kExitDone;
  }
  if (request.command == CliRequest::Command::Version) {
    terminal.Out(CliText::Version());
    return kExitDone;
  }

  // The settings file's options, those given on top.
  const QString settingsFile =
      request.settingsFile.isEmpty() ? SettingsFilePath() : request.settingsFile;
  if (!request.settingsFile.isEmpty() && !QFileInfo(settingsFile).isFile())
    return usageError(QStringLiteral("設定ファイルがありません：%1").arg(settingsFile));
  Options options;
  if (const std::optional<StoredSettings> stored = ReadStoredSettings(settingsFile, HelpDir()))
    options = *stored;
  request.ApplyTo(options);
  if (request.outputFolder) {
    options.outputFolder = FsPath::Absolute(*request.outputFolder);
    if (!FsPath::IsDir(options.outputFolder))
      return usageError(QStringLiteral("MP3を書き出すフォルダがありません：%1")
                            .arg(FsPath::Display(*request.outputFolder)));
  }

  int status = kExitDone;
  switch (request.command) {
  case CliRequest::Command::Convert:
    status = RunConvert(request, options, terminal);
    break;
  case CliRequest::Command::Tags:
    status = RunTags(request, options, terminal);
    break;
  case CliRequest::Command::Set:
    status = RunSet(request, options, terminal);
    break;
  default:
    break;
  }
  // Only now, with no encode left inside it, is the encoder module let go.
  ReleaseEncoderLibrary();
  return status;
}

// What the command line is asked to do, parsed from its arguments as the system gives them
// (bytes): file names stay their bytes, tag values are read by the 8-bit text rule. Options may
// stand before or after the file names; "--" ends them; "--name=value" is the same as
// "--name value".
#pragma once

#include "core/settings/Options.h"
#include "core/tags/TagField.h"

#include <QByteArrayList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

// The command line's exit statuses; a stop by a signal exits with 128 + its number.
enum CliExitStatus { kExitDone = 0, kExitSomeFailed = 1, kExitUsage = 2 };

struct CliRequest {
  enum class Command { Convert, Tags, Set, Help, Version };
  Command command = Command::Help;

  // Files and folders, as the file system names them.
  QStringList paths;
  // Another settings file than the program's own; empty for that one.
  QString settingsFile;
  bool quiet = false;
  bool json = false;

  // The options given; the settings file decides the others.
  std::optional<int> jobs;
  std::optional<Options::Mp3Format> tagFormat;
  std::optional<bool> copyTags;
  std::optional<bool> trash;
  std::optional<bool> overwrite;
  std::optional<QString> outputFolder;
  // -b/--bitrate N or -V/--vbr N, as lame spells them.
  std::optional<Options::Quality> quality;
  std::optional<bool> replayGain;

  // The fields `set` writes, in the order given.
  std::vector<std::pair<TagField, QString>> fields;

  // `options` with the options given put in.
  void ApplyTo(Options& options) const;
};

// The request; on a usage error, `error` says what is wrong (in the program's words).
CliRequest ParseArguments(const QByteArrayList& arguments, QString& error);

#include "app/cli/CliArguments.h"

#include "core/encoder/QualityPreset.h"
#include "core/fs/Cp932.h"
#include "core/fs/FsPath.h"

#include <QFile>

#include <algorithm>
#include <array>

namespace {

using Command = CliRequest::Command;

QString CommandName(Command command) {
  switch (command) {
  case Command::Convert:
    return QStringLiteral("convert");
  case Command::Tags:
    return QStringLiteral("tags");
  case Command::Set:
    return QStringLiteral("set");
  default:
    return {};
  }
}

} // namespace

void CliRequest::ApplyTo(Options& options) const {
  if (jobs)
    options.mp3Jobs = *jobs;
  if (tagFormat)
    options.mp3TagFormat = *tagFormat;
  if (copyTags)
    options.copyWavTagToMp3 = *copyTags;
  if (trash)
    options.moveWavToTrash = *trash;
  if (overwrite)
    options.overwriteMp3 = *overwrite;
  if (quality)
    options.mp3Quality = *quality;
  if (replayGain)
    options.replayGain = *replayGain;
  if (outputFolder) {
    options.useOutputFolder = true;
    options.outputFolder = *outputFolder;
  }
}

CliRequest ParseArguments(const QByteArrayList& arguments, QString& error) {
  CliRequest request;
  error.clear();
  bool commandGiven = false;
  bool help = false;
  bool version = false;
  bool optionsEnded = false;
  // Options are checked against the command once it is known: it may come after them.
  QStringList convertOnly;
  QStringList tagsOnly;
  QStringList setOnly;
  // The option that gave a quality: a constant bit rate and a VBR preset contradict each other.
  QString qualityGiven;
  bool qualityVbr = false;

  for (qsizetype i = 0; i < arguments.size() && error.isEmpty(); ++i) {
    const QByteArray& argument = arguments.at(i);
    if (optionsEnded || !argument.startsWith('-') || argument == "-") {
      if (!commandGiven) {
        commandGiven = true;
        if (argument == "convert")
          request.command = Command::Convert;
        else if (argument == "tags")
          request.command = Command::Tags;
        else if (argument == "set")
          request.command = Command::Set;
        else
          error = QStringLiteral("知らないコマンドです：%1（convert、tags、set のどれかです）")
                      .arg(Cp932::DecodeText(argument));
      } else {
        request.paths.append(FsPath::Decode(argument));
      }
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    // "--name=value" or "--name value"; a short option's value may follow it ("-b192").
    const bool shortWithValue =
        argument.size() > 2 && (argument.startsWith("-b") || argument.startsWith("-V"));
    const qsizetype equals = shortWithValue ? -1 : argument.indexOf('=');
    const QByteArray name = shortWithValue ? argument.left(2)
                            : equals < 0   ? argument
                                           : argument.left(equals);
    const QString shownName = QString::fromUtf8(name);
    std::optional<QByteArray> inlineValue;
    if (shortWithValue)
      inlineValue = argument.mid(2);
    else if (equals >= 0)
      inlineValue = argument.mid(equals + 1);
    const auto value = [&]() -> QByteArray {
      if (inlineValue)
        return *inlineValue;
      if (i + 1 < arguments.size())
        return arguments.at(++i);
      error = QStringLiteral("%1 には値が要ります").arg(shownName);
      return {};
    };
    const auto flag = [&](std::optional<bool>& target, bool on) {
      if (inlineValue)
        error = QStringLiteral("%1 は値をとりません").arg(shownName);
      target = on;
      convertOnly.append(shownName);
    };

    if (name == "--help" || name == "-h") {
      help = true;
    } else if (name == "--version") {
      version = true;
    } else if (name == "--quiet" || name == "-q") {
      request.quiet = true;
    } else if (name == "--settings") {
      request.settingsFile = QFile::decodeName(value());
    } else if (name == "--json") {
      request.json = true;
      tagsOnly.append(shownName);
    } else if (name == "--jobs") {
      const QByteArray text = value();
      bool number = false;
      const int jobs = text.toInt(&number);
      if (error.isEmpty() && (!number || jobs < 0 || jobs > Options::kMaxMp3Jobs))
        error = QStringLiteral("--jobs は 0 から %1 までの数です：%2")
                    .arg(Options::kMaxMp3Jobs)
                    .arg(Cp932::DecodeText(text));
      request.jobs = jobs;
      convertOnly.append(shownName);
    } else if (name == "--tag-format") {
      const QByteArray text = value().toLower();
      if (text == "rmp")
        request.tagFormat = Options::Mp3Format::Rmp;
      else if (text == "id3v2")
        request.tagFormat = Options::Mp3Format::Id3v2;
      else if (error.isEmpty())
        error =
            QStringLiteral("--tag-format は rmp か id3v2 です：%1").arg(Cp932::DecodeText(text));
    } else if (name == "-b" || name == "--bitrate" || name == "-V" || name == "--vbr") {
      const bool vbr = name == "-V" || name == "--vbr";
      const QByteArray text = value();
      bool number = false;
      const int n = text.toInt(&number);
      const std::optional<Options::Quality> quality = !number ? std::nullopt
                                                      : vbr   ? QualityPreset::FromVbrLevel(n)
                                                              : QualityPreset::FromBitrate(n);
      if (error.isEmpty() && !quality)
        error = (vbr ? QStringLiteral("%1 は 0、2、4 のどれかです：%2")
                     : QStringLiteral("%1 は 128、160、192、256、320 のどれかです：%2"))
                    .arg(shownName, Cp932::DecodeText(text));
      if (error.isEmpty() && !qualityGiven.isEmpty() && qualityVbr != vbr)
        error = QStringLiteral("%1 と %2 は一緒に指定できません").arg(qualityGiven, shownName);
      request.quality = quality;
      qualityGiven = shownName;
      qualityVbr = vbr;
      convertOnly.append(shownName);
    } else if (name == "--replaygain" || name == "--no-replaygain") {
      flag(request.replayGain, name == "--replaygain");
    } else if (name == "--copy-tags" || name == "--no-copy-tags") {
      flag(request.copyTags, name == "--copy-tags");
    } else if (name == "--trash" || name == "--no-trash") {
      flag(request.trash, name == "--trash");
    } else if (name == "--overwrite" || name == "--no-overwrite") {
      flag(request.overwrite, name == "--overwrite");
    } else if (name == "--output-dir") {
      request.outputFolder = FsPath::Decode(value());
      convertOnly.append(shownName);
    } else {
      const TagFieldRow* row =
          name.startsWith("--") ? RowNamed(QString::fromLatin1(name.mid(2))) : nullptr;
      if (row == nullptr) {
        error = QStringLiteral("知らないオプションです：%1").arg(shownName);
        break;
      }
      request.fields.emplace_back(row->field, Cp932::DecodeText(value()));
      setOnly.append(shownName);
    }
  }
  if (!error.isEmpty())
    return request;
  if (help || version) {
    request.command = help ? Command::Help : Command::Version;
    return request;
  }
  if (!commandGiven) {
    error = QStringLiteral("コマンドがありません（convert、tags、set のどれかです）");
    return request;
  }
  const auto misplaced = [&](const QStringList& options, Command command) {
    if (request.command != command && !options.isEmpty() && error.isEmpty())
      error =
          QStringLiteral("%1 は %2 のオプションです").arg(options.first(), CommandName(command));
  };
  misplaced(convertOnly, Command::Convert);
  misplaced(tagsOnly, Command::Tags);
  misplaced(setOnly, Command::Set);
  if (request.tagFormat && request.command == Command::Tags && error.isEmpty())
    error = QStringLiteral("--tag-format は convert と set のオプションです");
  if (!error.isEmpty())
    return request;
  if (request.paths.isEmpty())
    error = request.command == Command::Convert
                ? QStringLiteral("変換するWAVファイルかフォルダを指定してください")
                : QStringLiteral("ファイルを指定してください");
  else if (request.command == Command::Set && request.fields.empty())
    error = QStringLiteral("書き込むフィールドを指定してください（--title など）");
  return request;
}

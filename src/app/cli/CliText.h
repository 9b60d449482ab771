// The command line's texts: its help, its version, a file's tag as lines or as JSON, the
// progress bar and the line naming a file that was not done. UTF-8, in the window's words.
#pragma once

#include "core/tags/TagEditor.h"

#include <QString>

#include <optional>

namespace CliText {

QString Help();
QString Version();

// What `tags` shows of one file: its tag as the window shows it, and its track number where it
// has one.
struct FileTagInfo {
  QString path;
  TagEditor::FileTags tags;
  std::optional<QString> track;
};

// "名前: 値" lines, the file first, one line each.
QString TagLines(const FileTagInfo& file);
// One JSON object, on one line: file, type, tagKinds, title, artist, album, comment, year,
// genre, track (where present) and playingTime.
QString TagJson(const FileTagInfo& file);

// "[#####.....]  3/12  47%" fitting `columns` characters: the files finished of all, the bar
// and the figure showing the share of the audio encoded.
QString ProgressLine(int filesDone, int files, double share, int columns);

// "<path>: <reason>" naming a file (as the user reads its name).
QString FileLine(const QString& path, const QString& text);

} // namespace CliText

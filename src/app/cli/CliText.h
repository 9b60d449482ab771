// The command line's texts: its help, its version, a file's tag as lines or as JSON, the
// progress bar and the line naming a file that was not done. UTF-8, in the window's words.
#pragma once

#include "core/tags/FileTags.h"

#include <QString>

#include <optional>

namespace CliText {

QString Help();
QString Version();

// What `tags` shows of the file `path`, its tag as the window shows it: "名前: 値" lines, the
// file first, one line each; or one JSON object, on one line: file, type, tagKinds, the fields
// the command line names (title, artist, album, comment, year, genre, and track where present)
// and playingTime.
QString TagLines(const QString& path, const FileTags& tags);
QString TagJson(const QString& path, const FileTags& tags);

// "[#####.....]  3/12  47%" fitting `columns` characters: the files finished of all, the bar
// and the figure showing the share of the audio encoded.
QString ProgressLine(int filesDone, int files, double share, int columns);

// "<path>: <reason>" naming a file (as the user reads its name).
QString FileLine(const QString& path, const QString& text);

} // namespace CliText

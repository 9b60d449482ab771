// The genre list: the items of the genre list window ("number name" lines), read from
// "GenreList.txt" in the program's folder with a built-in list as fallback, and the genre
// names taken from them.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace GenreListFile {

// The file's name in the program's folder.
inline const QString kFileName = QStringLiteral("GenreList.txt");

// The genre field's text at start, and the item selected then.
inline const QString kInitialGenre = QStringLiteral("JPop");
// The item selected at start in a list without that genre.
constexpr int kInitialIndex = 145;

// The 161 items ("0 ブルース" to "255 未設定") the window holds when the file cannot be read.
const QStringList& BuiltInItems();

// Splits text into items, one per line; lines end with CR LF, LF or CR, a final line break
// adds no item and an empty line gives an empty item.
QStringList SplitLines(const QString& text);

// The items of the file at `path`: CP932 text unless it is valid UTF-8 (with or without a
// BOM). std::nullopt when the file cannot be opened or read.
std::optional<QStringList> Read(const QString& path);

// The selection at start: the item named kInitialGenre, else kInitialIndex, or the last item
// of a shorter list (-1 when empty).
int InitialIndex(const QStringList& items);

// One genre name per item, index for index: the text after the item's first blank, trimmed
// of blanks and control characters. Items that are blank after trimming, and items without a
// blank, are taken unchanged.
QStringList BuildGenreNames(const QStringList& items);

} // namespace GenreListFile

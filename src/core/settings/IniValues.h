// Settings file routines: an INI text file with quoted values, read and written one key at a
// time. Text is UTF-8; a file that is not valid UTF-8 is read as CP932 (brought from Windows).
#pragma once

#include <QString>

#include <functional>

namespace IniValues {

// Removes one leading double quote and then, only if one was removed, one trailing one.
QString StripQuotes(const QString& text);

// Removes every "," and half-width space; a (signed) decimal integer that remains is returned,
// anything else gives 0.
int ParseIntLoose(const QString& text);

// True exactly when the value, trimmed of spaces and control characters and lower-cased in
// ASCII, is "true".
bool IsTrueValue(const QString& text);

// One value of the file, quotes stripped; `defaultValue` ("ER" when empty) when the file, the
// section or the key is absent.
QString ReadIniValue(const QString& path, const QString& section, const QString& key,
                     const QString& defaultValue);

// Asked when the settings file is read-only: true to make it writable and go on.
using AskWritable = std::function<bool()>;

// True when the file may be written; a read-only file is made writable when `ask` agrees.
bool ConfirmWritable(const QString& path, const AskWritable& ask);

// ConfirmWritable with the reason for a refusal: the user declined, or agreed but the file
// could not be made writable (someone else's file).
enum class Writability { Writable, Declined, Unchangeable };
Writability CheckWritable(const QString& path, const AskWritable& ask);

enum class WriteResult { Written, Skipped, Failed };

// Writes one value, quoted, replacing the key's line in place or appending it to its section
// (a new section goes to the end). The whole file is replaced atomically. Skipped: no file and
// createIfMissing false, or the user declined to write a read-only file. Failed: the file could
// not be created or written; the old file is then untouched.
WriteResult WriteIniValue(const QString& path, const QString& section, const QString& key,
                          bool createIfMissing, const QString& value, const AskWritable& ask);

} // namespace IniValues

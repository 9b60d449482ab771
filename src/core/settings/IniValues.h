// The values of the settings file as the program reads them (quoted, "ER" when absent, flags
// and numbers written loosely), and the question before a read-only settings file is written.
#pragma once

#include <QString>

#include <functional>

class IniDocument;

namespace IniValues {

// Removes one leading double quote and then, only if one was removed, one trailing one.
QString StripQuotes(const QString& text);

// Removes every "," and half-width space; a (signed) decimal integer that remains is returned,
// anything else gives 0.
int ParseIntLoose(const QString& text);

// True exactly when the value, trimmed of spaces and control characters and lower-cased in
// ASCII, is "true".
bool IsTrueValue(const QString& text);

// One value of the document, quotes stripped; "ER" when the section or the key is absent.
QString ReadValue(const IniDocument& doc, const QString& section, const QString& key);

// Asked when the settings file is read-only: true to make it writable and go on.
using AskWritable = std::function<bool()>;

// Whether the file may be written; a read-only file is made writable when `ask` agrees. Else
// why not: the user declined, or agreed but the file could not be made writable (someone
// else's file).
enum class Writability { Writable, Declined, Unchangeable };
Writability CheckWritable(const QString& path, const AskWritable& ask);

} // namespace IniValues

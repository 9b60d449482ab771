// The lines of an INI settings file, kept as written so that a rewrite changes only the keys
// that are set: comments, unknown keys and sections, and their order all stay.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class IniDocument {
public:
  enum class LoadStatus { Loaded, Missing, Unreadable };

  // Reads `path`; Missing when there is no such file, Unreadable when it exists but cannot be
  // read (or is not a regular file).
  static LoadStatus Load(const QString& path, IniDocument& out);

  // Text is UTF-8; bytes that are not valid UTF-8 are taken as CP932 (files from Windows).
  static IniDocument FromBytes(const QByteArray& bytes);

  // The raw value of the first line of `key` in `section` (everything after the "="), or
  // nullopt. Section and key names compare case-insensitively.
  std::optional<QString> Value(const QString& section, const QString& key) const;

  // Sets `key` to `value` in double quotes: the key's line is replaced in place, a new key
  // goes after the last non-empty line of its section, a new section (followed by one empty
  // line) goes to the end.
  void SetQuoted(const QString& section, const QString& key, const QString& value);

  // Line breaks inside a value would split the line and could inject keys or sections.
  static bool CanHold(const QString& text);

  // UTF-8 text, every line ended by CR LF.
  QByteArray ToBytes() const;

  // Temporary file beside `path`, flushed and renamed over it; an existing file's permissions
  // are kept. False (and `path` untouched) on failure.
  bool Save(const QString& path) const;

  const QStringList& Lines() const { return lines_; }

private:
  QStringList lines_;
};

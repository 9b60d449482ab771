#include "core/settings/IniDocument.h"

#include "core/fs/Cp932.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

bool IsSectionLine(const QString& line) {
  return line.size() >= 2 && line.startsWith(u'[') && line.endsWith(u']');
}

bool IsIgnoredLine(const QString& line) {
  return line.isEmpty() || line.startsWith(u';');
}

bool SameName(const QString& a, const QString& b) {
  return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

bool IsSection(const QString& line, const QString& section) {
  return IsSectionLine(line) && SameName(line.mid(1, line.size() - 2), section);
}

// Index of the "=" of a line that sets `key`, or -1.
qsizetype KeyLineEquals(const QString& line, const QString& key) {
  if (IsIgnoredLine(line) || IsSectionLine(line))
    return -1;
  const qsizetype eq = line.indexOf(u'=');
  if (eq < 0 || !SameName(line.left(eq), key))
    return -1;
  return eq;
}

// Line index of the first line of `key` inside any block of `section`, or -1.
qsizetype FindKeyLine(const QStringList& lines, const QString& section, const QString& key) {
  bool inSection = false;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QString& line = lines[i];
    if (IsSectionLine(line)) {
      inSection = IsSection(line, section);
      continue;
    }
    if (inSection && KeyLineEquals(line, key) >= 0)
      return i;
  }
  return -1;
}

} // namespace

IniDocument::LoadStatus IniDocument::Load(const QString& path, IniDocument& out) {
  const QFileInfo info(path);
  if (!info.exists() && !info.isSymLink())
    return LoadStatus::Missing;
  QFile file(path);
  if (!info.isFile() || !file.open(QIODevice::ReadOnly))
    return LoadStatus::Unreadable;
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    return LoadStatus::Unreadable;
  out = FromBytes(bytes);
  return LoadStatus::Loaded;
}

IniDocument IniDocument::FromBytes(const QByteArray& bytes) {
  IniDocument doc;
  const QString text = Cp932::DecodeFileText(bytes);
  doc.lines_ = text.split(u'\n');
  // A final line break does not start another line.
  if (!doc.lines_.isEmpty() && doc.lines_.last().isEmpty())
    doc.lines_.removeLast();
  for (QString& line : doc.lines_)
    if (line.endsWith(u'\r'))
      line.chop(1);
  return doc;
}

std::optional<QString> IniDocument::Value(const QString& section, const QString& key) const {
  const qsizetype i = FindKeyLine(lines_, section, key);
  if (i < 0)
    return std::nullopt;
  return lines_[i].mid(KeyLineEquals(lines_[i], key) + 1);
}

void IniDocument::SetQuoted(const QString& section, const QString& key, const QString& value) {
  const QString keyLine = key + QStringLiteral("=\"") + value + u'"';
  const qsizetype existing = FindKeyLine(lines_, section, key);
  if (existing >= 0) {
    lines_[existing] = keyLine;
    return;
  }
  qsizetype header = -1;
  for (qsizetype i = 0; i < lines_.size() && header < 0; ++i)
    if (IsSection(lines_[i], section))
      header = i;
  if (header >= 0) {
    // After the section's last non-empty line, so the empty line closing it stays last.
    qsizetype last = header;
    for (qsizetype i = header + 1; i < lines_.size() && !IsSectionLine(lines_[i]); ++i)
      if (!lines_[i].isEmpty())
        last = i;
    lines_.insert(last + 1, keyLine);
    return;
  }
  if (!lines_.isEmpty() && !lines_.last().isEmpty())
    lines_.append(QString());
  lines_.append(u'[' + section + u']');
  lines_.append(keyLine);
  lines_.append(QString());
}

bool IniDocument::CanHold(const QString& text) {
  return !text.contains(u'\n') && !text.contains(u'\r');
}

QByteArray IniDocument::ToBytes() const {
  QByteArray out;
  for (const QString& line : lines_) {
    out += line.toUtf8();
    out += "\r\n";
  }
  return out;
}

bool IniDocument::Save(const QString& path) const {
  // QSaveFile writes a temporary file beside the target, copies the target's permissions to
  // it, syncs it and renames it over the target; on any failure the target is untouched.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return false;
  const QByteArray bytes = ToBytes();
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

#include "core/settings/IniValues.h"

#include "core/settings/IniDocument.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The read-only attribute of this platform is the owner's write bit. Root may write whatever
// the bits say, so the bits, not access(), decide; other users' files also count as read-only
// when we may not write them.
bool IsReadOnly(const struct stat& st, const QByteArray& nativePath) {
  if ((st.st_mode & S_IWUSR) == 0)
    return true;
  return geteuid() != 0 && access(nativePath.constData(), W_OK) != 0;
}

} // namespace

namespace IniValues {

Writability CheckWritable(const QString& path, const AskWritable& ask) {
  const QByteArray native = QFile::encodeName(path);
  struct stat st {};
  if (stat(native.constData(), &st) != 0 || !IsReadOnly(st, native))
    return Writability::Writable;
  if (!ask || !ask())
    return Writability::Declined;
  if (chmod(native.constData(), (st.st_mode & 07777) | S_IWUSR) != 0)
    return Writability::Unchangeable;
  struct stat after {};
  if (stat(native.constData(), &after) != 0 || IsReadOnly(after, native))
    return Writability::Unchangeable;
  return Writability::Writable;
}

QString StripQuotes(const QString& text) {
  if (!text.startsWith(u'"'))
    return text;
  QString rest = text.mid(1);
  if (!rest.isEmpty() && rest.endsWith(u'"'))
    rest.chop(1);
  return rest;
}

int ParseIntLoose(const QString& text) {
  QString digits = text;
  digits.remove(u',');
  digits.remove(u' ');
  qsizetype i = 0;
  if (i < digits.size() && (digits[i] == u'+' || digits[i] == u'-'))
    ++i;
  if (i == digits.size())
    return 0;
  for (qsizetype j = i; j < digits.size(); ++j)
    if (digits[j] < u'0' || digits[j] > u'9')
      return 0;
  bool ok = false;
  const int value = digits.toInt(&ok, 10);
  return ok ? value : 0;
}

bool IsTrueValue(const QString& text) {
  const auto isBlank = [](QChar c) { return c.unicode() <= 0x20 || c.unicode() == 0x7F; };
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && isBlank(text[begin]))
    ++begin;
  while (end > begin && isBlank(text[end - 1]))
    --end;
  static constexpr char16_t kTrue[] = u"true";
  if (end - begin != 4)
    return false;
  for (qsizetype i = 0; i < 4; ++i) {
    char16_t c = text[begin + i].unicode();
    if (c >= u'A' && c <= u'Z')
      c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != kTrue[i])
      return false;
  }
  return true;
}

QString ReadValue(const IniDocument& doc, const QString& section, const QString& key) {
  static const QString kAbsent = QStringLiteral("ER");
  const std::optional<QString> value = doc.Value(section, key);
  if (!value)
    return kAbsent;
  return *value == kAbsent ? *value : StripQuotes(*value);
}

} // namespace IniValues

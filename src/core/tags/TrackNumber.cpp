#include "core/tags/TrackNumber.h"

#include "core/fs/FsPath.h"

#include <QStringList>

namespace TrackNumber {

namespace {

constexpr int kMaxDigits = 9;
constexpr int kMaxProposedDigits = 3;

bool IsDigits(const QString& text, int maxDigits) {
  if (text.isEmpty() || text.size() > maxDigits)
    return false;
  for (const QChar c : text)
    if (c < u'0' || c > u'9')
      return false;
  return true;
}

// `number` plus one, at least as many digits as `digits` (leading zeros kept).
QString Increment(const QString& digits) {
  const QString next = QString::number(digits.toULongLong() + 1);
  return next.rightJustified(digits.size(), u'0');
}

} // namespace

std::optional<QString> Normalized(const QString& typed) {
  QString plain;
  plain.reserve(typed.size());
  for (const QChar c : typed) {
    if (c >= QChar(0xFF10) && c <= QChar(0xFF19)) // full-width digits
      plain += QChar(u'0' + (c.unicode() - 0xFF10));
    else if (c == QChar(0xFF0F)) // full-width solidus
      plain += u'/';
    else
      plain += c;
  }
  QStringList parts = plain.split(u'/');
  for (QString& part : parts)
    part = part.trimmed();
  if (parts.size() == 2 && parts[1].isEmpty())
    parts.removeLast();
  if (parts.size() == 1 && parts[0].isEmpty())
    return QString();
  if (parts.size() > 2)
    return std::nullopt;
  for (const QString& part : parts)
    if (!IsDigits(part, kMaxDigits))
      return std::nullopt;
  return parts.join(u'/');
}

QString FromFileName(const QString& fileName) {
  const QString name = FsPath::BareName(fileName);
  qsizetype digits = 0;
  while (digits < name.size() && name.at(digits) >= u'0' && name.at(digits) <= u'9')
    ++digits;
  if (digits == 0 || digits > kMaxProposedDigits)
    return QString();
  const int number = name.left(digits).toInt();
  return number > 0 ? QString::number(number) : QString();
}

QString Next(const QString& track) {
  const std::optional<QString> plain = Normalized(track);
  if (!plain || plain->isEmpty())
    return QString();
  const QStringList parts = plain->split(u'/');
  const QString number = Increment(parts[0]);
  if (parts.size() == 2 && number.toULongLong() <= parts[1].toULongLong())
    return number + u'/' + parts[1];
  return number;
}

} // namespace TrackNumber

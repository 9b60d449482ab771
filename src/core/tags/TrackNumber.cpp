#include "core/tags/TrackNumber.h"

#include "core/fs/FsPath.h"

#include <QStringList>

namespace TrackNumber {

namespace {

constexpr int kMaxDigits = 9;
constexpr int kMaxProposedDigits = 3;
constexpr int kMaxDiscDigits = 2;
const QString kTrackWord = QStringLiteral("track");

bool IsDigit(QChar c) {
  return c >= u'0' && c <= u'9';
}

bool IsDigits(const QString& text, int maxDigits) {
  if (text.isEmpty() || text.size() > maxDigits)
    return false;
  for (const QChar c : text)
    if (!IsDigit(c))
      return false;
  return true;
}

// Full-width digits, "／" and "－" as plain ones, one character for one: positions stay.
QString PlainForms(const QString& text) {
  QString plain;
  plain.reserve(text.size());
  for (const QChar c : text) {
    if (c >= QChar(0xFF10) && c <= QChar(0xFF19))
      plain += QChar(u'0' + (c.unicode() - 0xFF10));
    else if (c == QChar(0xFF0F))
      plain += u'/';
    else if (c == QChar(0xFF0D))
      plain += u'-';
    else
      plain += c;
  }
  return plain;
}

qsizetype DigitsFrom(const QString& text, qsizetype from) {
  qsizetype end = from;
  while (end < text.size() && IsDigit(text.at(end)))
    ++end;
  return end - from;
}

// What stands between a leading number and a title: "03 曲名", "03 - 曲名", "03_曲名", "03.曲名".
bool IsNumberSeparator(QChar c) {
  return c == u' ' || c == QChar(0x3000) || c == u'-' || c == u'_' || c == u'.';
}

} // namespace

std::optional<QString> Normalized(const QString& typed) {
  QStringList parts = PlainForms(typed).split(u'/');
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

NameProposal FromName(const QString& fileName) {
  const QString name = FsPath::BareName(fileName);
  const qsizetype dot = name.lastIndexOf(u'.');
  const QString stem = dot < 0 ? name : name.left(dot);
  NameProposal proposal;
  proposal.title = stem;
  const QString plain = PlainForms(stem);

  qsizetype at = 0;
  const bool trackWord = plain.startsWith(kTrackWord, Qt::CaseInsensitive);
  if (trackWord) {
    at = kTrackWord.size();
    if (at < plain.size() && IsNumberSeparator(plain.at(at)))
      ++at;
  }
  const qsizetype digits = DigitsFrom(plain, at);
  if (digits == 0)
    return proposal;
  QString track = plain.mid(at, digits);
  QString disc;
  qsizetype end = at + digits;
  // "1-03": a disc of one or two digits, a track of two or three.
  if (!trackWord && digits <= kMaxDiscDigits && end < plain.size() && plain.at(end) == u'-') {
    const qsizetype trackDigits = DigitsFrom(plain, end + 1);
    if (trackDigits >= 2 && trackDigits <= kMaxProposedDigits && track.toInt() > 0) {
      disc = QString::number(track.toInt());
      track = plain.mid(end + 1, trackDigits);
      end += 1 + trackDigits;
    }
  }
  if (track.size() > kMaxProposedDigits || track.toInt() == 0)
    return proposal;
  proposal.track = QString::number(track.toInt());
  proposal.disc = disc;
  while (end < plain.size() && IsNumberSeparator(plain.at(end)))
    ++end;
  if (end < stem.size())
    proposal.title = stem.mid(end);
  return proposal;
}

QString ForPaste(const QString& copied, const QString& own, const QString& fileName,
                 std::optional<int> distance) {
  const std::optional<QString> from = Normalized(copied);
  if (!from || from->isEmpty())
    return QString();
  const QStringList copiedParts = from->split(u'/');
  const QString total = copiedParts.size() == 2 ? copiedParts[1] : QString();

  QString number;
  if (!own.isEmpty()) {
    const std::optional<QString> plain = Normalized(own);
    if (!plain || plain->contains(u'/'))
      return own;
    number = *plain;
  } else {
    number = FromFileName(fileName);
    if (number.isEmpty()) {
      if (!distance)
        return QString();
      const qlonglong counted = copiedParts[0].toLongLong() + *distance;
      if (counted < 1)
        return QString();
      // Written as the copied one is: "02" and two places on give "04".
      number = QString::number(counted).rightJustified(copiedParts[0].size(), u'0');
    }
  }
  if (!total.isEmpty() && number.toULongLong() <= total.toULongLong())
    return number + u'/' + total;
  return number;
}

} // namespace TrackNumber

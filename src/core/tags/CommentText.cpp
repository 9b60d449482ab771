#include "core/tags/CommentText.h"

namespace CommentText {

namespace {

bool isBlank(QChar c) {
  return c.unicode() <= 0x20;
}

// The separator goes in only once the text holds a part (or anything with a ":"), so a
// comment never starts with "/" unless the user's own text asked for it.
void addSeparator(QString& text) {
  if (text.contains(QLatin1Char(':')))
    text += QLatin1Char('/');
}

void appendPart(QString& text, const QString& marker, const QString& value) {
  if (!value.isEmpty())
    text += marker + value;
}

// Parts after the first of a format: the separator only when there is a value.
void appendLaterPart(QString& text, const QString& marker, const QString& value) {
  if (value.isEmpty())
    return;
  addSeparator(text);
  text += marker + value;
}

} // namespace

QString TrimBlanks(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && isBlank(text.at(begin)))
    ++begin;
  while (end > begin && isBlank(text.at(end - 1)))
    --end;
  return text.mid(begin, end - begin);
}

QString Compose(CommentFormat format, const CommentParts& parts, bool append,
                const QString& presentComment) {
  QString text = append ? presentComment : QString();
  const QString lyricist = TrimBlanks(parts.lyricist);
  const QString composer = TrimBlanks(parts.composer);
  const QString arranger = TrimBlanks(parts.arranger);
  const QString performer = TrimBlanks(parts.performer);

  // The first part of each format adds the separator before looking at its value.
  switch (format) {
  case CommentFormat::JacketImage:
    addSeparator(text);
    appendPart(text, kJacketMarker, TrimBlanks(parts.jacket));
    return text;
  case CommentFormat::Credits:
    addSeparator(text);
    appendPart(text, kLyricistMarker, lyricist);
    break;
  case CommentFormat::IdAndCredits:
    addSeparator(text);
    appendPart(text, kIdMarker, TrimBlanks(parts.id));
    appendLaterPart(text, kLyricistMarker, lyricist);
    break;
  }
  appendLaterPart(text, kComposerMarker, composer);
  appendLaterPart(text, kArrangerMarker, arranger);
  appendLaterPart(text, kPerformerMarker, performer);
  return text;
}

QString WithPart(const QString& comment, const QString& marker, const QString& value) {
  const qsizetype at = comment.indexOf(marker);
  if (at < 0) {
    if (value.isEmpty())
      return comment;
    const bool separate = !comment.isEmpty() && !comment.endsWith(QLatin1Char('/'));
    return comment + (separate ? QStringLiteral("/") : QString()) + marker + value;
  }
  qsizetype end = comment.indexOf(QLatin1Char('/'), at + marker.size());
  if (end < 0)
    end = comment.size();
  if (!value.isEmpty())
    return comment.left(at + marker.size()) + value + comment.mid(end);
  qsizetype from = at;
  qsizetype to = end;
  if (from > 0 && comment.at(from - 1) == QLatin1Char('/'))
    --from;
  else if (to < comment.size())
    ++to;
  return comment.left(from) + comment.mid(to);
}

std::optional<QString> Part(const QString& comment, const QString& marker) {
  const qsizetype at = comment.indexOf(marker);
  if (at < 0)
    return std::nullopt;
  QString rest = comment.mid(at + marker.size());
  const qsizetype slash = rest.indexOf(QLatin1Char('/'));
  if (slash >= 0)
    rest.truncate(slash);
  return rest;
}

} // namespace CommentText

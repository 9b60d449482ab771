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

std::optional<QString> findPart(const QString& comment, const QString& marker) {
  const qsizetype at = comment.indexOf(marker);
  if (at < 0)
    return std::nullopt;
  QString rest = comment.mid(at + marker.size());
  const qsizetype slash = rest.indexOf(QLatin1Char('/'));
  if (slash >= 0)
    rest.truncate(slash);
  return rest;
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

SplitParts Split(const QString& comment) {
  SplitParts parts;
  parts.id = findPart(comment, kIdMarker);
  parts.jacket = findPart(comment, kJacketMarker);
  parts.lyricist = findPart(comment, kLyricistMarker);
  parts.composer = findPart(comment, kComposerMarker);
  parts.arranger = findPart(comment, kArrangerMarker);
  parts.performer = findPart(comment, kPerformerMarker);
  return parts;
}

} // namespace CommentText

// The comment field's structured layout: parts written as a marker and a value, separated by
// "/" ("ID:x/作詩:y/演奏:z"). Composing builds such a text from the part boxes; splitting takes
// the parts back out of a comment.
#pragma once

#include <QString>

#include <optional>

namespace CommentText {

// Which parts a composed comment carries, as chosen in the options window.
enum class CommentFormat {
  JacketImage,  // jacket image
  Credits,      // lyricist, composer, arranger, performer
  IdAndCredits, // ID, lyricist, composer, arranger, performer
};

// The six parts, as their boxes hold them (untrimmed).
struct CommentParts {
  QString id;
  QString jacket;
  QString lyricist;
  QString composer;
  QString arranger;
  QString performer;
};

// The parts found in a comment; a part whose marker does not occur is empty (std::nullopt),
// so its box keeps what it showed.
struct SplitParts {
  std::optional<QString> id;
  std::optional<QString> jacket;
  std::optional<QString> lyricist;
  std::optional<QString> composer;
  std::optional<QString> arranger;
  std::optional<QString> performer;
};

inline const QString kIdMarker = QStringLiteral("ID:");
inline const QString kJacketMarker = QStringLiteral("画像:");
inline const QString kLyricistMarker = QStringLiteral("作詩:");
inline const QString kComposerMarker = QStringLiteral("作曲:");
inline const QString kArrangerMarker = QStringLiteral("編曲:");
inline const QString kPerformerMarker = QStringLiteral("演奏:");

// Removes leading and trailing spaces and control characters (everything up to U+0020); other
// blanks such as the full-width space U+3000 stay.
QString TrimBlanks(const QString& text);

// Composes a comment from `parts` in `format`. With `append` the result continues
// `presentComment`, otherwise it starts empty. An empty result means the comment box is to be
// left as it is.
QString Compose(CommentFormat format, const CommentParts& parts, bool append,
                const QString& presentComment);

// `comment` with `value` as the part of `marker`: the text after the marker's first occurrence
// (up to the next "/") replaced; a part the comment lacks appended after a "/" (none into an
// empty comment or after a "/"); for an empty value, the part removed with the "/" before it
// (or after it, when it starts the comment). Everything else in the comment stays as it is.
QString WithPart(const QString& comment, const QString& marker, const QString& value);

// Finds each part independently: the first occurrence of its marker, the text after it up to
// the next "/" (or to the end).
SplitParts Split(const QString& comment);

} // namespace CommentText

// The comment field's structured layout: parts written as a marker and a value, separated by
// "/" ("ID:x/作詩:y/演奏:z"). Composing builds such a text from the part boxes; splitting takes
// the parts back out of a comment.
#pragma once

#include "core/tags/TagField.h"

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

inline const QString kIdMarker = RowOf(TagField::Id).CommentMarker();
inline const QString kJacketMarker = RowOf(TagField::Jacket).CommentMarker();
inline const QString kLyricistMarker = RowOf(TagField::Lyricist).CommentMarker();
inline const QString kComposerMarker = RowOf(TagField::Composer).CommentMarker();
inline const QString kArrangerMarker = RowOf(TagField::Arranger).CommentMarker();
inline const QString kPerformerMarker = RowOf(TagField::Performer).CommentMarker();

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

// The part of `marker`: the text after the marker's first occurrence up to the next "/" (or to
// the end); nullopt when the marker does not occur, so that its box keeps what it showed.
std::optional<QString> Part(const QString& comment, const QString& marker);

} // namespace CommentText

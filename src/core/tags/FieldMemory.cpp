#include "core/tags/FieldMemory.h"

#include "core/tags/CommentText.h"
#include "core/tags/TrackNumber.h"

namespace {

bool Blank(const QString& text) {
  return CommentText::TrimBlanks(text).isEmpty();
}

} // namespace

void FieldMemory::Copy(const TagFields& shown, const TagFields& unedited, const QString& file) {
  for (const TagFieldRow& row : kTagFields) {
    std::optional<QString>& text = texts_[static_cast<std::size_t>(row.field)];
    const QString& now = shown[row.field];
    text.reset();
    switch (row.memory) {
    case MemoryRule::FromFileName:
      break;
    case MemoryRule::Typed:
      // An empty box copies nothing, unless the user emptied a value the file holds: that empty
      // is pasted too.
      if (!Blank(now) || !Blank(unedited[row.field]))
        text = Blank(now) ? QString() : now;
      break;
    case MemoryRule::NeverEmptied:
      if (!Blank(now))
        text = now;
      break;
    case MemoryRule::WhenChosen:
      // The image the box merely shows (the folder's first) is nobody's choice.
      if (shown.JacketChosen && !Blank(now))
        text = now;
      break;
    case MemoryRule::Numbered: {
      const QString& track = now.isEmpty() ? shown.ProposedTrack : now;
      if (!Blank(track))
        text = track;
      break;
    }
    }
  }
  copiedFile_ = file;
}

TagFields FieldMemory::Paste(const TagFields& shown, const QString& file,
                             std::optional<int> distance) const {
  TagFields pasted = shown;
  for (const TagFieldRow& row : kTagFields) {
    const std::optional<QString>& text = texts_[static_cast<std::size_t>(row.field)];
    switch (row.memory) {
    case MemoryRule::FromFileName:
      if (Blank(shown[row.field]))
        pasted[row.field] = TrackNumber::FromName(file).title;
      break;
    case MemoryRule::Typed:
    case MemoryRule::NeverEmptied:
    case MemoryRule::WhenChosen:
      if (text)
        pasted[row.field] = *text;
      pasted.Keep(row.field, !text);
      break;
    case MemoryRule::Numbered:
      pasted[row.field] =
          TrackNumber::ForPaste(text.value_or(QString()), shown[row.field], file, distance);
      pasted.Keep(row.field, pasted[row.field].isEmpty());
      break;
    }
  }
  return pasted;
}

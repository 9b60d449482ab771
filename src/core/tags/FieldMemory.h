// The field memory: the texts copied from the tag boxes of one file and pasted onto the next, so
// the tracks of an album get the same fields one after the other. Empty at start, kept for the
// whole run, never saved. Each field's row says what is copied and pasted (MemoryRule); a field
// into which nothing was copied is left as it is by a paste.
#pragma once

#include "core/tags/TagFields.h"

#include <QString>

#include <array>
#include <optional>

class FieldMemory {
public:
  // The copy button: the boxes `shown` of the file `file`, which held `unedited` when they were
  // read (or last written).
  void Copy(const TagFields& shown, const TagFields& unedited, const QString& file);
  // The paste button on the file `file` whose boxes hold `shown`: what was copied, the title the
  // file's name gives in place of an empty one, and the track the file gets (its own, else the
  // one its name proposes, else the copied one counted on by `distance`, the file's places after
  // the copied one in the list; nullopt when unknown). The boxes given nothing are kept.
  TagFields Paste(const TagFields& shown, const QString& file, std::optional<int> distance) const;
  // The file the memory was copied from; empty before any copy.
  const QString& CopiedFile() const { return copiedFile_; }

private:
  // Per field, what was copied; nullopt where nothing was.
  std::array<std::optional<QString>, kTagFieldCount> texts_;
  QString copiedFile_;
};

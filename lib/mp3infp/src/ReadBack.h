// What a rewritten file must read as before it may replace the original.
#pragma once

#include "AtomicFile.h"
#include "TagFile.h"
#include "TagWriter.h"

namespace mp3infp {

// A check for ScopedReadBack: the temporary file, loaded with our own reader, is of the same
// type as `before`, and each of its tags (RIFF INFO, ID3v1, ID3v2, an RMP3 file's INFO list, a
// WAV file's 'id3 ' chunk) is there exactly when `before` had it or `changes` make it, and
// reads as `before` with `changes` applied: a value set as set (CP932 look-alikes folded, an
// ID3v1 field as the 128-byte tag holds it, an ID3v2 genre or year as its frame reads), the
// ID3v1 tag that mirrors a changed ID3v2 tag as the mirror makes it, every other value as
// before; its cover is the one set, or the one it had, byte for byte. So a change that lands where
// our reader does not find it (an ID3v2 size that swallows an appended tag) fails instead of
// reporting success.
ReadBack ExpectReadBack(const TagFile& before, const TagChanges& changes);

// The same check of a file already loaded, such as one staged in memory (TagFile::Staged).
using TagCheck = std::function<bool(const TagFile& after)>;
TagCheck ExpectTags(const TagFile& before, const TagChanges& changes);

} // namespace mp3infp

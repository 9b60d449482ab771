// Writing ID3v2.3 tags (and the ID3v1 tag that mirrors one) with exactly the bytes we choose.
#pragma once

#include "FieldNames.h"
#include "Id3v1Tag.h"

#include <string>

namespace mp3infp {

// A new ID3v2.3 tag holding every frame of `old` (an ID3v2.2, 2.3 or 2.4 tag, or empty for
// none) with the given fields set: TIT2, TPE1, TALB, TYER, TCON and a COMM in language "jpn"
// without description, all UTF-16 with a byte order mark; an empty value removes the field.
// Fields whose value the tag already holds are left as they are, and a v2.3 tag that needs
// no change comes back byte for byte. The tag keeps its old length when the frames fit, so
// saving again does not move the audio. False when `old` is not an ID3v2 tag.
bool RenderId3v23(const std::string& old, const FieldValues& fields, std::string& out);

// Copies the six fields of an ID3v2 tag into an ID3v1 tag: text in CP932 (characters it lacks
// as '?'), cut at a character boundary to the field's length, the genre as its ID3v1 number
// (none when the name is not an ID3v1 genre). Fields already equal keep their bytes.
void MirrorToId3v1(const FieldValues& id3v2Values, Id3v1Tag& tag);

} // namespace mp3infp

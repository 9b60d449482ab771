// Writing ID3v2 tags (and the ID3v1 tag that mirrors one) with exactly the bytes we choose.
#pragma once

#include "FieldNames.h"
#include "Id3v1Tag.h"
#include "Picture.h"

#include <set>
#include <string>

namespace mp3infp {

enum class Id3v2Render {
  kWritten,
  kNotATag,   // `old` is not an ID3v2 tag
  kNoV23Form, // a 2.2 tag holds a frame that 2.3 has no form for (or is compressed as a whole)
  kTooLarge,  // past what a syncsafe size can say
};

// A tag holding every frame of `old` (an ID3v2 tag, or empty for none) with the given fields
// set, each in its frame (kFields): the comment as COMM in language "jpn" without description,
// the year as TYER (TDRC in 2.4), every other field as a text frame, the readings TSOT, TSOP and
// TSOA in a 2.3 tag too, as iTunes writes them and readers take them; an empty value removes the
// field. The tag keeps its version: 2.4 stays 2.4, its changed frames in the text encoding of the
// frame they replace (else of its first text frame, else UTF-8; UTF-8 for text beyond ASCII
// where that is Latin-1), and 2.3 stays 2.3, its changed frames UTF-16 with a byte order mark. No
// tag gives 2.3; a 2.2 tag becomes 2.3 with every frame in its 2.3 form (PIC as APIC with a MIME
// type), or is refused when a frame has none. Frames not changed keep their bytes and flags; a
// tag with no field to change comes back byte for byte. A `cover` takes the place of the tag's
// front covers (APIC type 3); its other pictures stay. The tag keeps its old length when the
// frames fit, so saving again does not move the audio. Each of `userTexts` takes the place of
// the tag's TXXX frames of its description (matched ignoring ASCII case): one frame, or none for
// an empty value; a new one goes last. Its text is Latin-1 when description and value are ASCII,
// as players expect ReplayGain values, else as a changed field's.
Id3v2Render RenderId3v2(const std::string& old, const FieldValues& fields, std::string& out,
                        const Picture* cover = nullptr, const UserTexts* userTexts = nullptr);

// Copies `fields` of an ID3v2 tag into an ID3v1 tag, leaving its other fields as stored: text
// in CP932 (characters it lacks as '?'), cut at a character boundary to the field's length, the
// genre as its ID3v1 number (none when the name is not an ID3v1 genre), the track number ("3/12"
// as 3) making the tag ID3v1.1 with a comment of 28 bytes, and a track ID3v1 cannot hold (none,
// 0, 300) making it ID3v1.0 again. A comment that mirrors the ID3v2 one keeps mirroring it as the
// track takes or gives back its last two bytes. Fields already equal keep their bytes.
void MirrorToId3v1(const FieldValues& id3v2Values, std::set<std::string> fields, Id3v1Tag& tag);

} // namespace mp3infp

// The tag fields by their value ids, and how value names are spelled.
#pragma once

#include <array>
#include <map>
#include <string>
#include <string_view>

namespace mp3infp {

// A field of the tags: the id its value names start with, the ID3v2 frame that holds it (its 2.3
// id; the year is TDRC in a 2.4 tag) and whether RIFF INFO lists and ID3v1 tags have a place for
// it. A field a RIFF INFO list holds is named by the id of its INFO item; the others by their
// ID3v2 frame.
struct Field {
  const char* id;
  const char* frame;
  bool inInfo;
  bool inId3v1;
};

inline constexpr std::array<Field, 14> kFields = {{
    {"INAM", "TIT2", true, true},   // title
    {"IART", "TPE1", true, true},   // artist
    {"IPRD", "TALB", true, true},   // album
    {"ICMT", "COMM", true, true},   // comment
    {"ICRD", "TYER", true, true},   // year
    {"IGNR", "TCON", true, true},   // genre
    {"ITRK", "TRCK", true, true},   // track number ("3" or "3/12")
    {"TPE2", "TPE2", false, false}, // album artist
    {"TPOS", "TPOS", false, false}, // disc number ("1" or "1/2")
    {"IMUS", "TCOM", true, false},  // composer: INFO's "music by"
    {"IWRI", "TEXT", true, false},  // lyricist: INFO's "written by"
    {"TSOT", "TSOT", false, false}, // title reading (sort order)
    {"TSOP", "TSOP", false, false}, // artist reading
    {"TSOA", "TSOA", false, false}, // album reading
}};
inline constexpr const char* kTrackId = "ITRK";
inline constexpr const char* kDiscId = "TPOS";

// The field of an id; null for none.
const Field* FindField(std::string_view id);
// A RIFF INFO list has an item for the field of this id.
bool IsInfoField(std::string_view id);

// Field id -> UTF-8 value.
using FieldValues = std::map<std::string, std::string>;
// Description of an ID3v2 user text frame (TXXX) -> UTF-8 value; "" removes the frame.
using UserTexts = std::map<std::string, std::string>;

enum class TagKind { Info, Id3v1, Id3v2, Rmp, None };

// Splits "INAM_v2" into "INAM" and TagKind::Id3v2; a bare id gives TagKind::Info. Unknown
// names give TagKind::None.
TagKind SplitValueName(const std::string& name, std::string& id);

// Whether a tag of `kind` in a file has a place for the field: an ID3v2 tag for every one, a WAV
// file (its INFO list and 'id3 ' chunk together) too, an RMP3 file's INFO list and an ID3v1 tag
// for theirs.
bool HasPlaceFor(TagKind kind, const Field& field);

// A track or disc number as it may be set: digits, optionally '/' and the number of tracks
// ("3", "03", "3/12"); empty removes it.
bool IsTrackNumber(std::string_view text);

} // namespace mp3infp

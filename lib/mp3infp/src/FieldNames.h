// The tag fields by their RIFF INFO ids, and how value names are spelled.
#pragma once

#include <array>
#include <map>
#include <string>
#include <string_view>

namespace mp3infp {

// Title, artist, album, comment, year, genre and the track number ("3" or "3/12").
inline constexpr std::array<const char*, 7> kFieldIds = {"INAM", "IART", "IPRD", "ICMT",
                                                         "ICRD", "IGNR", "ITRK"};
inline constexpr const char* kTrackId = "ITRK";

// Field id -> UTF-8 value.
using FieldValues = std::map<std::string, std::string>;
// Description of an ID3v2 user text frame (TXXX) -> UTF-8 value; "" removes the frame.
using UserTexts = std::map<std::string, std::string>;

enum class TagKind { Info, Id3v1, Id3v2, Rmp, None };

// Splits "INAM_v2" into "INAM" and TagKind::Id3v2; a bare id gives TagKind::Info. Unknown
// names give TagKind::None.
TagKind SplitValueName(const std::string& name, std::string& id);

// A track number as it may be set: digits, optionally '/' and the number of tracks ("3",
// "03", "3/12"); empty removes it.
bool IsTrackNumber(std::string_view text);

} // namespace mp3infp

// The six tag fields by their RIFF INFO ids, and how value names are spelled.
#pragma once

#include <array>
#include <map>
#include <string>

namespace mp3infp {

inline constexpr std::array<const char*, 6> kFieldIds = {"INAM", "IART", "IPRD",
                                                         "ICMT", "ICRD", "IGNR"};

// Field id -> UTF-8 value.
using FieldValues = std::map<std::string, std::string>;

enum class TagKind { Info, Id3v1, Id3v2, Rmp, None };

// Splits "INAM_v2" into "INAM" and TagKind::Id3v2; a bare id gives TagKind::Info. Unknown
// names give TagKind::None.
TagKind SplitValueName(const std::string& name, std::string& id);

} // namespace mp3infp

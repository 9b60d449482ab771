// Reading the six fields from ID3v2 tag bytes (versions 2.2, 2.3 and 2.4) through TagLib.
#pragma once

#include "FieldNames.h"

#include <cstdint>
#include <string>

namespace mp3infp {

struct Id3v2Header {
  int major = 0;           // 2, 3 or 4
  std::uint64_t total = 0; // header, frames, padding and footer
};

// False unless the ten bytes are a well-formed ID3v2 header.
bool ParseId3v2Header(const std::string& ten, Id3v2Header& header);

// Title TIT2, artist TPE1, album TALB, comment COMM (the one without description first), year
// TDRC/TYER (the year only), genre TCON with numeric references resolved to names.
FieldValues ReadId3v2Fields(const std::string& tagBytes);

// "(17)", "17", "(17)Rock", "RX" and plain names to genre names.
std::string ResolveGenre(const std::string& text);

} // namespace mp3infp

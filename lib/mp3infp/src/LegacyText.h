// 8-bit text of tags that declare no encoding (ID3v1, RIFF INFO, ISO-8859-1 ID3v2 frames).
#pragma once

#include <string>
#include <string_view>

namespace mp3infp {

// True when the bytes are strictly valid UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Turns stored bytes into UTF-8: kept as they are when strictly valid UTF-8, else read as CP932
// when they are valid CP932 without private-use characters, else read as Latin-1.
std::string DecodeLegacy(std::string_view bytes);

// Turns UTF-8 into bytes to store: CP932 when DecodeLegacy gives the text back exactly (but for
// the seven characters Windows' code page writes with look-alikes, see below), else the UTF-8
// bytes themselves (which DecodeLegacy returns unchanged).
std::string EncodeLegacy(std::string_view utf8);

// The text with 〜 − ‖ — ¢ £ ¬ (U+301C, U+2212, U+2016, U+2014, U+00A2, U+00A3, U+00AC) replaced
// by the code points their CP932 bytes read back as (U+FF5E, U+FF0D, U+2225, U+2015, U+FFE0,
// U+FFE1, U+FFE2).
std::string FoldCp932LookAlikes(std::string_view utf8);

// Latin-1 bytes as UTF-8.
std::string Latin1ToUtf8(std::string_view bytes);

} // namespace mp3infp

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

// Turns UTF-8 into bytes to store: CP932 when DecodeLegacy gives the text back exactly, else the
// UTF-8 bytes themselves (which DecodeLegacy returns unchanged).
std::string EncodeLegacy(std::string_view utf8);

// Latin-1 bytes as UTF-8.
std::string Latin1ToUtf8(std::string_view bytes);

} // namespace mp3infp

#include "Picture.h"

#include <zlib.h>

#include <cstdint>

namespace mp3infp {

namespace {

std::uint32_t bigEndian(std::string_view s, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i)
    v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
  return v;
}

constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);

// Markers up to the first frame header (SOF0..SOF15 but DHT, JPG and DAC), which must give
// both dimensions and 1 to 4 components. A scan, image end or stray byte before it fails.
bool jpegHeaderReads(std::string_view s) {
  std::size_t pos = 2;
  while (pos < s.size()) {
    if (static_cast<unsigned char>(s[pos]) != 0xFF)
      return false;
    while (pos < s.size() && static_cast<unsigned char>(s[pos]) == 0xFF)
      ++pos; // fill bytes
    if (pos >= s.size())
      return false;
    const auto marker = static_cast<unsigned char>(s[pos++]);
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
      continue; // no length follows
    if (marker == 0x00 || marker == 0xD8 || marker == 0xD9 || marker == 0xDA)
      return false;
    if (pos + 2 > s.size())
      return false;
    const std::size_t length = bigEndian(s, pos, 2);
    if (length < 2 || pos + length > s.size())
      return false;
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      if (length < 8)
        return false;
      const unsigned precision = static_cast<unsigned char>(s[pos + 2]);
      const std::uint32_t height = bigEndian(s, pos + 3, 2);
      const std::uint32_t width = bigEndian(s, pos + 5, 2);
      const unsigned components = static_cast<unsigned char>(s[pos + 7]);
      return precision >= 2 && precision <= 16 && height > 0 && width > 0 && components >= 1 &&
             components <= 4 && length == 8 + 3 * components;
    }
    pos += length;
  }
  return false;
}

// The IHDR chunk right after the signature: 13 bytes, its CRC right, a size, and a bit depth
// that its colour type allows.
bool pngHeaderReads(std::string_view s) {
  if (s.size() < 8 + 8 + 13 + 4 || bigEndian(s, 8, 4) != 13 || s.substr(12, 4) != "IHDR")
    return false;
  const std::string_view chunk = s.substr(12, 4 + 13);
  const auto crc = static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), static_cast<uInt>(chunk.size())));
  if (crc != bigEndian(s, 29, 4))
    return false;
  const std::uint32_t width = bigEndian(s, 16, 4), height = bigEndian(s, 20, 4);
  const unsigned depth = static_cast<unsigned char>(s[24]);
  const unsigned colour = static_cast<unsigned char>(s[25]);
  bool depthFits = false;
  switch (colour) {
  case 0: // grey
    depthFits = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    break;
  case 3: // palette
    depthFits = depth == 1 || depth == 2 || depth == 4 || depth == 8;
    break;
  case 2: // RGB, grey with alpha, RGBA
  case 4:
  case 6:
    depthFits = depth == 8 || depth == 16;
    break;
  default:
    break;
  }
  return width > 0 && height > 0 && width < 0x80000000u && height < 0x80000000u && depthFits &&
         s[26] == 0 && s[27] == 0 && (s[28] == 0 || s[28] == 1);
}

} // namespace

std::string SniffPictureMime(std::string_view data) {
  if (data.substr(0, 3) == "\xFF\xD8\xFF")
    return "image/jpeg";
  if (data.substr(0, 8) == kPngSignature)
    return "image/png";
  return {};
}

PictureCheck CheckPicture(std::string_view data, std::string& mime) {
  if (data.size() > kMaxPictureBytes)
    return PictureCheck::kTooLarge;
  const std::string sniffed = SniffPictureMime(data);
  const bool reads = sniffed == "image/jpeg"  ? jpegHeaderReads(data)
                     : sniffed == "image/png" ? pngHeaderReads(data)
                                              : false;
  if (!reads)
    return PictureCheck::kNotAnImage;
  mime = sniffed;
  return PictureCheck::kImage;
}

} // namespace mp3infp

// Pictures a tag carries (the cover of an album), and the check an image must pass before it
// is embedded.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mp3infp {

struct Picture {
  static constexpr unsigned kFrontCover = 3; // the picture type of ID3v2 APIC frames

  std::string mime; // "image/jpeg", "image/png", or as the tag names it
  std::string data;
  unsigned type = kFrontCover;

  bool operator==(const Picture&) const = default;
};

// Larger images are refused: a cover of a few hundred kilobytes is plenty, and every player
// reads the whole tag before the first note.
inline constexpr std::size_t kMaxPictureBytes = 10u << 20;

enum class PictureCheck { kImage, kTooLarge, kNotAnImage };

// Whether `data` is an image players show: a JPEG whose markers lead to a frame header with a
// size and 1 to 4 components, or a PNG whose IHDR chunk is whole (CRC) and valid; at most
// kMaxPictureBytes. Sets `mime` to "image/jpeg" or "image/png" for an image.
PictureCheck CheckPicture(std::string_view data, std::string& mime);

// "image/jpeg" or "image/png" when the bytes start as such a file does; empty otherwise.
std::string SniffPictureMime(std::string_view data);

} // namespace mp3infp

// Reading the fields from ID3v2 tag bytes (versions 2.2, 2.3 and 2.4). Our own frame walk:
// what the fields need is small, and real files bend the format in ways a strict reader drops.
#pragma once

#include "FieldNames.h"
#include "Picture.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace mp3infp {

// No frame body is decoded past this size (after inflating a compressed frame); such a frame
// is skipped and the others still read.
inline constexpr std::size_t kMaxId3v2FrameText = 16u << 20;

struct Id3v2Header {
  int major = 0;           // 2, 3 or 4
  std::uint64_t total = 0; // header, frames, padding and footer
};

// False unless the ten bytes are a well-formed ID3v2 header.
bool ParseId3v2Header(const std::string& ten, Id3v2Header& header);

// One frame as the tag stores it.
struct Id3v2Frame {
  std::string id;        // three characters in a 2.2 tag, four in 2.3 and 2.4
  unsigned flags = 0;    // the two flag bytes (status first); 0 in a 2.2 tag
  std::string_view body; // as stored, but for the tag-wide unsynchronisation of 2.2 and 2.3
};

// Calls `each` with the tag's version and every frame, in tag order, as our reader walks them:
// the extended header skipped, 2.4 frame sizes read leniently, the walk ending at padding, at
// junk and at a frame that runs past the tag. In a 2.4 tag unsynchronised as a whole, every
// frame has its own unsynchronisation flag (0x02) set. Returns the version, 0 when the bytes
// do not start with an ID3v2 header.
int ForEachId3v2Frame(const std::string& tagBytes,
                      const std::function<void(int major, const Id3v2Frame&)>& each);

// The fields (kFields) from their frames: title TIT2, artist TPE1, album TALB, comment COMM (a
// frame without description: the first in language "jpn", else the first; a frame with one, such
// as iTunes' "iTunNORM", never), year TDRC/TYER (the year only), genre TCON with numeric
// references resolved to names, track number TRCK, album artist TPE2, disc number TPOS,
// composer TCOM, lyricist TEXT, and the readings TSOT, TSOP, TSOA (2.2: TST, TSP, TSA, as
// iTunes writes them). Lenient as common readers are: 2.4 frame sizes written as plain integers,
// UTF-16 strings marked only once per frame, stray terminators and junk in the padding all
// read. A string that does not decode reads empty; encrypted frames and frames past
// kMaxId3v2FrameText are skipped.
FieldValues ReadId3v2Fields(const std::string& tagBytes);

// The picture of an APIC frame (PIC in a 2.2 tag): its MIME type (a 2.2 image format as one:
// "JPG" as "image/jpeg"), picture type and data; nothing for another frame, a link to a
// picture elsewhere ("-->") or a frame that cannot be read (encrypted, past the bound).
std::optional<Picture> PictureOfFrame(int major, const Id3v2Frame& frame);

// The tag's front cover (the first picture of type 3), else its first picture of any type, as
// readers show "the cover"; nothing when it has none. The MIME type is the one the data starts
// as when that is JPEG or PNG, whatever the frame says.
std::optional<Picture> ReadId3v2Picture(const std::string& tagBytes);

// A COMM frame's language code is "jpn" (in any case).
bool IsJapaneseLanguage(std::string_view language);

// "(17)", "17", "(17)Rock", "RX" and plain names to genre names.
std::string ResolveGenre(const std::string& text);

// How the text of a field's frame reads as that field: the genre with its references resolved,
// the year as its first four digits when it starts with them ("2024-05-01" reads "2024"), the
// other fields as they are.
std::string Id3v2FieldAsRead(const std::string& id, const std::string& text);

} // namespace mp3infp

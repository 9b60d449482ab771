// The 128-byte ID3v1 tag at the end of an MPEG stream.
#pragma once

#include "FieldNames.h"

#include <string>

namespace mp3infp {

class Id3v1Tag {
public:
  static constexpr std::size_t kSize = 128;

  // An empty tag: no text, no track number, no genre.
  Id3v1Tag();
  // False unless `raw` is 128 bytes starting with "TAG".
  bool parse(const std::string& raw);

  // ID3v1.1: the comment is cut short by a zero byte and followed by a track number.
  bool hasTrack() const;
  FieldValues values() const;
  // Stores one field given in UTF-8; false when it does not fit the field (or, for the genre,
  // names no ID3v1 genre), leaving the tag as it was. A track number (1 to 255, "ITRK") makes
  // the tag ID3v1.1: byte 125 zero, the number in byte 126, so it needs a comment of at most
  // 28 bytes; an empty one makes the tag ID3v1.0 again, its comment field 30 bytes.
  bool set(const std::string& id, const std::string& utf8);
  // Stores several fields, a track number removed before and one set after the others, so
  // that a comment and a track fit together whenever they can. False when one does not fit.
  bool setAll(const FieldValues& utf8Values);
  // Cuts a comment longer than 28 bytes to the 28 a v1.1 tag leaves it, never inside a character,
  // its text otherwise kept as stored.
  void shortenCommentForTrack();
  const std::string& bytes() const { return raw_; }

private:
  std::string raw_;
};

} // namespace mp3infp

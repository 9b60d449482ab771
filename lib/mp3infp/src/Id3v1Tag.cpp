#include "Id3v1Tag.h"

#include "LegacyText.h"

#include <id3v1genres.h>

#include <cstdint>

namespace mp3infp {

namespace {

struct Slot {
  const char* id;
  std::size_t offset;
  std::size_t length;
};

constexpr Slot kSlots[] = {
    {"INAM", 3, 30}, {"IART", 33, 30}, {"IPRD", 63, 30}, {"ICRD", 93, 4}, {"ICMT", 97, 30}};

std::string field(const std::string& raw, std::size_t offset, std::size_t length) {
  std::string s = raw.substr(offset, length);
  const auto nul = s.find('\0');
  if (nul != std::string::npos)
    s.resize(nul);
  while (!s.empty() && s.back() == ' ')
    s.pop_back();
  return s;
}

} // namespace

Id3v1Tag::Id3v1Tag() : raw_(kSize, '\0') {
  raw_.replace(0, 3, "TAG");
  raw_[127] = static_cast<char>(0xFF);
}

bool Id3v1Tag::parse(const std::string& raw) {
  if (raw.size() != kSize || raw.compare(0, 3, "TAG") != 0)
    return false;
  raw_ = raw;
  return true;
}

bool Id3v1Tag::hasTrack() const {
  return raw_[125] == '\0' && raw_[126] != '\0';
}

FieldValues Id3v1Tag::values() const {
  FieldValues v;
  for (const Slot& s : kSlots) {
    const std::size_t length = (s.offset == 97 && hasTrack()) ? 28 : s.length;
    v[s.id] = DecodeLegacy(field(raw_, s.offset, length));
  }
  v[kTrackId] = hasTrack() ? std::to_string(static_cast<std::uint8_t>(raw_[126])) : std::string();
  const auto genre = static_cast<std::uint8_t>(raw_[127]);
  v["IGNR"] = genre == 0xFF ? std::string() : TagLib::ID3v1::genre(genre).to8Bit(true);
  return v;
}

bool Id3v1Tag::set(const std::string& id, const std::string& utf8) {
  if (id == kTrackId) {
    if (utf8.empty()) {
      if (hasTrack())
        raw_[126] = '\0';
      return true;
    }
    const int track = utf8.size() <= 3 && IsTrackNumber(utf8) && utf8.find('/') == std::string::npos
                          ? std::stoi(utf8)
                          : 0;
    // The two bytes the track takes must not hold comment text (trailing blanks may go).
    if (track < 1 || track > 255 || (!hasTrack() && field(raw_, 97, 30).size() > 28))
      return false;
    raw_[125] = '\0';
    raw_[126] = static_cast<char>(track);
    return true;
  }
  if (id == "IGNR") {
    int index = 255;
    if (!utf8.empty()) {
      index = TagLib::ID3v1::genreIndex(TagLib::String(utf8, TagLib::String::UTF8));
      if (index == 255)
        return false;
    }
    raw_[127] = static_cast<char>(index);
    return true;
  }
  for (const Slot& s : kSlots) {
    if (id != s.id)
      continue;
    // A comment keeps room for the track number when the tag has one.
    const std::size_t length = (s.offset == 97 && hasTrack()) ? 28 : s.length;
    const std::string bytes = EncodeLegacy(utf8);
    if (bytes.size() > length)
      return false;
    raw_.replace(s.offset, length, std::string(length, '\0'));
    raw_.replace(s.offset, bytes.size(), bytes);
    return true;
  }
  return false;
}

void Id3v1Tag::shortenCommentForTrack() {
  const std::string whole = field(raw_, 97, 30);
  const std::string text = DecodeLegacy(whole);
  std::size_t keep = whole.size() < 28 ? whole.size() : 28;
  // The longest start that still reads as the start of the text it came from.
  while (keep > 0 && text.rfind(DecodeLegacy(whole.substr(0, keep)), 0) != 0)
    --keep;
  raw_.replace(97, 30, std::string(30, '\0'));
  raw_.replace(97, keep, whole.substr(0, keep));
}

bool Id3v1Tag::setAll(const FieldValues& utf8Values) {
  const auto track = utf8Values.find(kTrackId);
  const bool removesTrack = track != utf8Values.end() && track->second.empty();
  if (removesTrack)
    set(kTrackId, "");
  for (const auto& [id, value] : utf8Values)
    if (id != kTrackId && !set(id, value))
      return false;
  return removesTrack || track == utf8Values.end() || set(kTrackId, track->second);
}

} // namespace mp3infp

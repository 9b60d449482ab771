#include "Id3v2Writer.h"

#include "Id3v2Reader.h"
#include "LegacyText.h"

#include <id3v2tag.h>
#include <tbytevectorstream.h>
#include <tfile.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace mp3infp {

namespace {

// Room left after the frames of a new or grown tag, so that the next edits fit without moving
// the audio.
constexpr std::size_t kPadding = 1024;
constexpr std::uint64_t kMaxTagBody = (1u << 28) - 1; // what a syncsafe size can say

struct RawFrame {
  std::string id;
  std::string flags; // two bytes
  std::string body;
};

// TagLib parses an ID3v2 tag from a File; this one serves bytes already in memory.
class TagBytesFile : public TagLib::File {
public:
  explicit TagBytesFile(TagLib::IOStream* stream) : TagLib::File(stream) {}
  TagLib::Tag* tag() const override { return nullptr; }
  TagLib::AudioProperties* audioProperties() const override { return nullptr; }
  bool save() override { return false; }
};

std::uint32_t readBE32(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i)
    v = (v << 8) | static_cast<std::uint8_t>(s[at + i]);
  return v;
}

void appendBE32(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

bool isFrameId(const std::string& id) {
  for (const char c : id)
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
      return false;
  return true;
}

// The frames of a v2.3 tag, its extended header (whose CRC and padding size the new tag would
// contradict) left out. False for anything TagLib must unpack first (another version,
// unsynchronisation). Junk or a frame running past the tag ends the frames, as it ends them
// for our reader: the frames before it keep their bytes, where TagLib would decode and encode
// them again and might read them otherwise.
bool parseV23(const std::string& tag, std::vector<RawFrame>& frames) {
  Id3v2Header header;
  if (!ParseId3v2Header(tag, header) || header.major != 3 ||
      (static_cast<std::uint8_t>(tag[5]) & 0x80) != 0 || header.total > tag.size())
    return false;
  const auto end = static_cast<std::size_t>(header.total);
  std::size_t pos = 10;
  if ((static_cast<std::uint8_t>(tag[5]) & 0x40) && end >= 14)
    pos = std::min<std::size_t>(end, 14 + std::size_t{readBE32(tag, 10)});
  while (pos + 10 <= end && tag[pos] != '\0') {
    RawFrame f{tag.substr(pos, 4), tag.substr(pos + 8, 2), {}};
    const std::uint32_t size = readBE32(tag, pos + 4);
    if (!isFrameId(f.id) || size > end - pos - 10)
      break;
    f.body = tag.substr(pos + 10, size);
    // An empty frame is not allowed; readers (TagLib among them) stop at one and would lose
    // every frame after it.
    if (size > 0)
      frames.push_back(std::move(f));
    pos += 10 + size;
  }
  return true;
}

// Any ID3v2 tag as v2.3 frames: TagLib reads v2.2 and v2.4 frames and writes them back the
// way v2.3 spells them (TDRC as TYER, UTF-8 text as UTF-16, ...).
bool framesAsV23(const std::string& old, std::vector<RawFrame>& frames) {
  if (old.empty())
    return true;
  Id3v2Header header;
  if (!ParseId3v2Header(old, header) || header.total > old.size())
    return false;
  if (parseV23(old, frames))
    return true;
  frames.clear();
  TagLib::ByteVector bytes(old.data(), static_cast<unsigned int>(old.size()));
  TagLib::ByteVectorStream stream(bytes);
  TagBytesFile file(&stream);
  const TagLib::ID3v2::Tag tag(&file, 0);
  const TagLib::ByteVector v3 = tag.render(TagLib::ID3v2::v3);
  return v3.size() < 10 || parseV23(std::string(v3.data(), v3.size()), frames);
}

std::string utf16le(const std::string& utf8) {
  std::string out;
  auto unit = [&out](std::uint32_t u) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  };
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<std::uint8_t>(utf8[i]);
    const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    std::uint32_t cp = len == 1 ? c : len == 2 ? c & 0x1Fu : len == 3 ? c & 0x0Fu : c & 0x07u;
    for (std::size_t k = 1; k < len && i + k < utf8.size(); ++k)
      cp = (cp << 6) | (static_cast<std::uint8_t>(utf8[i + k]) & 0x3Fu);
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      unit(0xD800 | (cp >> 10));
      unit(0xDC00 | (cp & 0x3FF));
    } else {
      unit(cp);
    }
  }
  return out;
}

const std::string kBom = "\xFF\xFE";

std::string frameBody(const std::string& frameId, const std::string& value) {
  if (frameId == "COMM")
    return std::string("\x01jpn") + kBom + std::string(2, '\0') + kBom + utf16le(value);
  return "\x01" + kBom + utf16le(value);
}

// The comment readers show: a COMM frame whose description is empty.
bool isPlainComment(const RawFrame& f) {
  if (f.id != "COMM" || f.body.size() < 5 || (static_cast<std::uint8_t>(f.flags[1]) & 0xC0))
    return false;
  const char encoding = f.body[0];
  const std::string d = f.body.substr(4);
  if (encoding == 0 || encoding == 3)
    return d[0] == '\0';
  if (d.size() >= 4 && (d.compare(0, 2, "\xFF\xFE") == 0 || d.compare(0, 2, "\xFE\xFF") == 0))
    return d[2] == '\0' && d[3] == '\0';
  return d.size() >= 2 && d[0] == '\0' && d[1] == '\0';
}

const std::pair<const char*, const char*> kFrameOf[] = {{"INAM", "TIT2"}, {"IART", "TPE1"},
                                                        {"IPRD", "TALB"}, {"ICMT", "COMM"},
                                                        {"ICRD", "TYER"}, {"IGNR", "TCON"}};

void setField(std::vector<RawFrame>& frames, const std::string& frameId, const std::string& value) {
  auto matches = [&frameId](const RawFrame& f) {
    if (frameId == "COMM")
      return isPlainComment(f);
    // Readers take TDRC before TYER; a stray one in a v2.3 tag would hide the new year.
    return f.id == frameId || (frameId == "TYER" && f.id == "TDRC");
  };
  std::vector<RawFrame> kept;
  bool placed = value.empty();
  for (RawFrame& f : frames) {
    if (!matches(f)) {
      kept.push_back(std::move(f));
    } else if (!placed) {
      kept.push_back({frameId, std::string(2, '\0'), frameBody(frameId, value)});
      placed = true;
    }
  }
  if (!placed)
    kept.push_back({frameId, std::string(2, '\0'), frameBody(frameId, value)});
  frames = std::move(kept);
}

// The longest start of `utf8` whose CP932 bytes fit in `limit`, characters CP932 lacks
// turned into '?'.
std::string cp932Prefix(const std::string& utf8, std::size_t limit) {
  std::string out;
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<std::uint8_t>(utf8[i]);
    const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    std::string ch = utf8.substr(i, len);
    i += len;
    std::size_t size = ch.size();
    if (len > 1) {
      const std::string encoded = EncodeLegacy(ch);
      size = encoded == ch ? 1 : encoded.size();
      // (clear and push: assigning a literal here makes GCC 12 at -O3 warn falsely.)
      if (encoded == ch) {
        ch.clear();
        ch.push_back('?');
      }
    }
    if (bytes + size > limit)
      break;
    out += ch;
    bytes += size;
  }
  return out;
}

std::string dropLastCharacter(std::string utf8) {
  while (!utf8.empty() && (static_cast<std::uint8_t>(utf8.back()) & 0xC0) == 0x80)
    utf8.pop_back();
  if (!utf8.empty())
    utf8.pop_back();
  return utf8;
}

} // namespace

bool RenderId3v23(const std::string& old, const FieldValues& fields, std::string& out) {
  std::vector<RawFrame> frames;
  if (!framesAsV23(old, frames))
    return false;
  const FieldValues current = old.empty() ? FieldValues() : ReadId3v2Fields(old);
  bool changed = false;
  for (const auto& [field, frameId] : kFrameOf) {
    const auto it = fields.find(field);
    if (it == fields.end())
      continue;
    // "17" for a genre the tag holds as "Rock" is no change: both read the same.
    const auto have = current.find(field);
    if (have != current.end() ? have->second == Id3v2FieldAsRead(field, it->second)
                              : it->second.empty())
      continue;
    setField(frames, frameId, it->second);
    changed = true;
  }
  std::vector<RawFrame> unused;
  if (!changed && !old.empty() && parseV23(old, unused)) {
    out = old;
    return true;
  }

  std::string body;
  for (const RawFrame& f : frames) {
    body += f.id;
    appendBE32(body, static_cast<std::uint32_t>(f.body.size()));
    body += f.flags + f.body;
  }
  std::size_t total = 10 + body.size();
  total = !old.empty() && total <= old.size() ? old.size() : total + kPadding;
  if (total - 10 > kMaxTagBody)
    return false;
  body.resize(total - 10, '\0');
  out = "ID3";
  out += std::string("\x03\0\0", 3);
  for (int shift = 21; shift >= 0; shift -= 7)
    out.push_back(static_cast<char>(((total - 10) >> shift) & 0x7F));
  out += body;
  return true;
}

void MirrorToId3v1(const FieldValues& id3v2Values, Id3v1Tag& tag) {
  const FieldValues stored = tag.values();
  for (const char* id : kFieldIds) {
    const auto it = id3v2Values.find(id);
    const std::string value = it == id3v2Values.end() ? std::string() : it->second;
    const std::string name = id;
    std::string text;
    if (name == "IGNR") {
      Id3v1Tag probe = tag;
      text = probe.set(name, value) ? value : std::string();
    } else {
      const std::size_t limit = name == "ICRD" ? 4 : name == "ICMT" && tag.hasTrack() ? 28 : 30;
      text = cp932Prefix(value, limit);
    }
    if (stored.at(name) == text)
      continue;
    // A prefix whose bytes happen to read as UTF-8 is stored as UTF-8, which takes more room.
    while (!tag.set(name, text) && !text.empty())
      text = dropLastCharacter(text);
  }
}

} // namespace mp3infp

#include "Id3v2Writer.h"

#include "Id3v2Reader.h"
#include "LegacyText.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <set>
#include <string_view>
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
  unsigned flags = 0; // status byte, then format byte
  std::string body;
};

// The 2.3 form of every 2.2 frame that has one; the last six are iTunes' own, which readers
// take in 2.3 tags too. CRM (encrypted meta frames) has none.
constexpr std::pair<const char*, const char*> kV23IdOf[] = {
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"ETC", "ETCO"},
    {"EQU", "EQUA"}, {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"LNK", "LINK"}, {"MCI", "MCDI"},
    {"MLL", "MLLT"}, {"PIC", "APIC"}, {"POP", "POPM"}, {"REV", "RVRB"}, {"RVA", "RVAD"},
    {"SLT", "SYLT"}, {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"}, {"TCM", "TCOM"},
    {"TCO", "TCON"}, {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"},
    {"TFT", "TFLT"}, {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"},
    {"TMT", "TMED"}, {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"},
    {"TOT", "TOAL"}, {"TP1", "TPE1"}, {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"},
    {"TPA", "TPOS"}, {"TPB", "TPUB"}, {"TRC", "TSRC"}, {"TRD", "TRDA"}, {"TRK", "TRCK"},
    {"TSI", "TSIZ"}, {"TSS", "TSSE"}, {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"},
    {"TXT", "TEXT"}, {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"},
    {"WAF", "WOAF"}, {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"},
    {"WPB", "WPUB"}, {"WXX", "WXXX"}, {"TCP", "TCMP"}, {"TST", "TSOT"}, {"TSA", "TSOA"},
    {"TSP", "TSOP"}, {"TS2", "TSO2"}, {"TSC", "TSOC"}};

const char* v23IdOf(std::string_view v22) {
  for (const auto& [old, now] : kV23IdOf)
    if (v22 == old)
      return now;
  return nullptr;
}

// A 2.2 frame in its 2.3 form: the id, and for PIC and LNK the bytes that name a format or a
// frame. False when there is no such form.
bool upgradeV22(RawFrame& f) {
  const char* id = v23IdOf(f.id);
  if (id == nullptr)
    return false;
  if (f.id == "PIC") {
    // Encoding, a three-letter image format, then as APIC: the format becomes a MIME type.
    if (f.body.size() < 5)
      return false;
    std::string format = f.body.substr(1, 3);
    for (char& c : format)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string mime = format == "jpg"   ? "image/jpeg"
                             : format == "-->" ? format
                                               : "image/" + format;
    f.body = f.body.substr(0, 1) + mime + '\0' + f.body.substr(4);
  } else if (f.id == "LNK") {
    const char* linked =
        f.body.size() >= 3 ? v23IdOf(std::string_view(f.body).substr(0, 3)) : nullptr;
    if (linked == nullptr)
      return false;
    f.body = linked + f.body.substr(3);
  }
  f.id = id;
  return true;
}

void appendBE32(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void appendSyncsafe(std::string& out, std::uint64_t v) {
  for (int shift = 21; shift >= 0; shift -= 7)
    out.push_back(static_cast<char>((v >> shift) & 0x7F));
}

// The bytes before a frame's text: 2.4 grouping and data length, none otherwise. False when
// the body is compressed, encrypted or unsynchronised, so that its text cannot be looked at.
bool textStart(const RawFrame& f, int major, std::size_t& at) {
  const unsigned format = f.flags & 0xFF;
  if (major == 3) {
    at = 0;
    return (format & 0xE0) == 0;
  }
  at = ((format & 0x40) ? 1 : 0) + ((format & 0x01) ? 4 : 0);
  return (format & 0x0E) == 0 && f.body.size() > at;
}

std::string utf16(const std::string& utf8, bool bigEndian) {
  std::string out;
  auto unit = [&out, bigEndian](std::uint32_t u) {
    const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
    out.push_back(bigEndian ? high : low);
    out.push_back(bigEndian ? low : high);
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

// Text encodings of ID3v2 frames.
enum Encoding { kLatin1 = 0, kUtf16 = 1, kUtf16BigEndian = 2, kUtf8 = 3 };

// One string in `encoding`, without its terminator; UTF-16 with a byte order mark.
std::string encoded(int encoding, const std::string& utf8) {
  if (encoding == kUtf16)
    return "\xFF\xFE" + utf16(utf8, false);
  if (encoding == kUtf16BigEndian)
    return utf16(utf8, true);
  return utf8; // Latin-1 only for ASCII
}

std::string terminated(int encoding, const std::string& utf8) {
  const bool wide = encoding == kUtf16 || encoding == kUtf16BigEndian;
  return encoded(encoding, utf8) + std::string(wide ? 2 : 1, '\0');
}

std::string frameBody(const std::string& frameId, int encoding, const std::string& value) {
  const std::string start(1, static_cast<char>(encoding));
  if (frameId == "COMM")
    return start + "jpn" + terminated(encoding, "") + encoded(encoding, value);
  return start + encoded(encoding, value);
}

// The comment readers show: a COMM frame whose description is empty.
bool isPlainComment(const RawFrame& f, int major) {
  std::size_t at = 0;
  if (f.id != "COMM" || !textStart(f, major, at) || f.body.size() < at + 5)
    return false;
  const char encoding = f.body[at];
  const std::string d = f.body.substr(at + 4);
  if (encoding == kLatin1 || encoding == kUtf8)
    return d[0] == '\0';
  if (d.size() >= 4 && (d.compare(0, 2, "\xFF\xFE") == 0 || d.compare(0, 2, "\xFE\xFF") == 0))
    return d[2] == '\0' && d[3] == '\0';
  return d.size() >= 2 && d[0] == '\0' && d[1] == '\0';
}

// The COMM frame shown as the comment, as ReadId3v2Fields picks it: the first without description
// in language "jpn", else the first without description; npos when there is none.
std::size_t commentIndex(const std::vector<RawFrame>& frames, int major) {
  std::size_t first = std::string::npos;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    std::size_t at = 0;
    if (!isPlainComment(frames[i], major) || !textStart(frames[i], major, at))
      continue;
    if (IsJapaneseLanguage(std::string_view(frames[i].body).substr(at + 1, 3)))
      return i;
    if (first == std::string::npos)
      first = i;
  }
  return first;
}

// The encoding of a frame's text, -1 when it cannot be looked at.
int encodingOf(const RawFrame& f, int major) {
  std::size_t at = 0;
  if ((f.id[0] != 'T' && f.id != "COMM") || !textStart(f, major, at))
    return -1;
  const int encoding = static_cast<unsigned char>(f.body[at]);
  return encoding <= kUtf8 ? encoding : -1;
}

bool isAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Puts the field's frame in place of the first frame it replaces, removing the others. The
// comment replaces only the COMM frame shown as the comment; other COMM frames stay, but for an
// empty comment, which removes every COMM frame without description (another would show up as
// the comment). A 2.3 frame is UTF-16; a 2.4 one takes the encoding of the frame it replaces,
// else that of the tag's first text frame, else UTF-8, and UTF-8 where that encoding is Latin-1
// and the text is not ASCII (our readers would take Latin-1 bytes for CP932).
void setField(std::vector<RawFrame>& frames, int major, std::string frameId,
              const std::string& value) {
  const bool year = frameId == "TYER";
  if (year && major == 4)
    frameId = "TDRC"; // 2.4 has only the recording time
  const RawFrame* comment = nullptr;
  if (frameId == "COMM") {
    const std::size_t at = commentIndex(frames, major);
    comment = at == std::string::npos ? nullptr : &frames[at];
  }
  auto matches = [&frameId, year, major, comment, &value](const RawFrame& f) {
    if (frameId == "COMM")
      return value.empty() ? isPlainComment(f, major) : &f == comment;
    // Readers take TDRC before TYER; a stray one of either would hide the new year.
    return year ? f.id == "TYER" || f.id == "TDRC" : f.id == frameId;
  };
  int encoding = kUtf16;
  if (major == 4) {
    encoding = -1;
    for (const RawFrame& f : frames)
      if (encoding < 0 && matches(f))
        encoding = encodingOf(f, major);
    for (const RawFrame& f : frames)
      if (encoding < 0)
        encoding = encodingOf(f, major);
    if (encoding < 0 || (encoding == kLatin1 && !isAscii(value)))
      encoding = kUtf8;
  }

  std::vector<RawFrame> kept;
  bool placed = value.empty();
  for (RawFrame& f : frames) {
    if (!matches(f)) {
      kept.push_back(std::move(f));
    } else if (!placed) {
      kept.push_back({frameId, 0, frameBody(frameId, encoding, value)});
      placed = true;
    }
  }
  if (!placed)
    kept.push_back({frameId, 0, frameBody(frameId, encoding, value)});
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

// Puts `cover` in place of the tag's first front cover, removing the others; pictures of other
// types stay. A new one goes last. Its description is empty, so Latin-1 serves in any version.
void setFrontCover(std::vector<RawFrame>& frames, int major, const Picture& cover) {
  RawFrame frame{"APIC", 0, std::string(1, kLatin1) + cover.mime + '\0'};
  frame.body += static_cast<char>(Picture::kFrontCover);
  frame.body += '\0';
  frame.body += cover.data;
  std::vector<RawFrame> kept;
  bool placed = false;
  for (RawFrame& f : frames) {
    const std::optional<Picture> p = PictureOfFrame(major, {f.id, f.flags, f.body});
    if (!p || p->type != Picture::kFrontCover) {
      kept.push_back(std::move(f));
    } else if (!placed) {
      kept.push_back(frame);
      placed = true;
    }
  }
  if (!placed)
    kept.push_back(std::move(frame));
  frames = std::move(kept);
}

// The description of a TXXX frame in lower-case ASCII; "\x01" (which no description given
// here is) when it holds anything else or cannot be looked at.
std::string userTextDescription(const RawFrame& f, int major) {
  std::size_t at = 0;
  if (f.id != "TXXX" || !textStart(f, major, at) || f.body.size() <= at)
    return "\x01";
  const int encoding = static_cast<unsigned char>(f.body[at]);
  const bool wide = encoding == kUtf16 || encoding == kUtf16BigEndian;
  std::size_t i = at + 1;
  bool bigEndian = encoding == kUtf16BigEndian;
  if (encoding == kUtf16 && f.body.size() >= i + 2) {
    bigEndian = f.body.compare(i, 2, "\xFE\xFF") == 0;
    if (bigEndian || f.body.compare(i, 2, "\xFF\xFE") == 0)
      i += 2;
  }
  std::string text;
  for (; i + (wide ? 1 : 0) < f.body.size(); i += wide ? 2 : 1) {
    const auto first = static_cast<unsigned char>(f.body[i]);
    unsigned unit = first;
    if (wide)
      unit = bigEndian ? (first << 8) | static_cast<unsigned char>(f.body[i + 1])
                       : first | (static_cast<unsigned char>(f.body[i + 1]) << 8);
    if (unit == 0)
      return text;
    if (unit >= 0x80)
      return "\x01";
    text.push_back(static_cast<char>(std::tolower(static_cast<int>(unit))));
  }
  return "\x01"; // no terminator
}

void setUserText(std::vector<RawFrame>& frames, int major, const std::string& description,
                 const std::string& value) {
  std::string wanted;
  for (const char c : description)
    wanted.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  const int encoding = isAscii(description) && isAscii(value) ? kLatin1
                       : major == 4                           ? kUtf8
                                                              : kUtf16;
  const RawFrame frame{"TXXX", 0,
                       std::string(1, static_cast<char>(encoding)) +
                           terminated(encoding, description) + encoded(encoding, value)};
  std::vector<RawFrame> kept;
  bool placed = value.empty();
  for (RawFrame& f : frames) {
    if (userTextDescription(f, major) != wanted) {
      kept.push_back(std::move(f));
    } else if (!placed) {
      kept.push_back(frame);
      placed = true;
    }
  }
  if (!placed)
    kept.push_back(frame);
  frames = std::move(kept);
}

} // namespace

Id3v2Render RenderId3v2(const std::string& old, const FieldValues& fields, std::string& out,
                        const Picture* cover, const UserTexts* userTexts) {
  Id3v2Header header;
  if (!old.empty() && (!ParseId3v2Header(old, header) || header.total > old.size()))
    return Id3v2Render::kNotATag;
  const FieldValues current = old.empty() ? FieldValues() : ReadId3v2Fields(old);
  std::vector<std::pair<std::string, std::string>> changes; // frame id, value
  for (const Field& field : kFields) {
    const auto it = fields.find(field.id);
    if (it == fields.end())
      continue;
    // "17" for a genre the tag holds as "Rock" is no change: both read the same.
    const auto have = current.find(field.id);
    if (have != current.end() ? have->second != Id3v2FieldAsRead(field.id, it->second)
                              : !it->second.empty())
      changes.emplace_back(field.frame, it->second);
  }
  const bool texts = userTexts != nullptr && !userTexts->empty();
  if (changes.empty() && !cover && !texts && !old.empty()) {
    out = old;
    return Id3v2Render::kWritten;
  }

  std::vector<RawFrame> frames;
  bool carried = true;
  const int major = old.empty() ? 3 : ForEachId3v2Frame(old, [&](int, const Id3v2Frame& f) {
    // An empty frame is not allowed; readers (TagLib among them) stop at one and would lose
    // every frame after it.
    if (f.body.empty())
      return;
    RawFrame frame{f.id, f.flags, std::string(f.body)};
    carried = carried && (f.id.size() == 4 || upgradeV22(frame));
    frames.push_back(std::move(frame));
  });
  // 2.2 tag compression was never defined: its frames cannot be read, let alone carried.
  if (!carried || (major == 2 && (static_cast<unsigned char>(old[5]) & 0x40)))
    return Id3v2Render::kNoV23Form;
  const int written = major == 4 ? 4 : 3;
  for (const auto& [frameId, value] : changes)
    setField(frames, written, frameId, value);
  if (cover)
    setFrontCover(frames, written, *cover);
  if (texts)
    for (const auto& [description, value] : *userTexts)
      setUserText(frames, written, description, value);

  // The extended header (whose CRC and padding size the new tag would contradict), a 2.4
  // footer and the unsynchronisation of 2.2 and 2.3 tags are left out.
  std::string body;
  for (const RawFrame& f : frames) {
    if (f.body.size() > kMaxTagBody)
      return Id3v2Render::kTooLarge;
    body += f.id;
    if (written == 4)
      appendSyncsafe(body, f.body.size());
    else
      appendBE32(body, static_cast<std::uint32_t>(f.body.size()));
    body.push_back(static_cast<char>(f.flags >> 8));
    body.push_back(static_cast<char>(f.flags & 0xFF));
    body += f.body;
  }
  std::size_t total = 10 + body.size();
  total = !old.empty() && total <= old.size() ? old.size() : total + kPadding;
  if (total - 10 > kMaxTagBody)
    return Id3v2Render::kTooLarge;
  body.resize(total - 10, '\0');
  out = "ID3";
  out += std::string(1, static_cast<char>(written)) + std::string(2, '\0');
  appendSyncsafe(out, total - 10);
  out += body;
  return Id3v2Render::kWritten;
}

void MirrorToId3v1(const FieldValues& id3v2Values, std::set<std::string> fields, Id3v1Tag& tag) {
  auto valueOf = [&id3v2Values](const std::string& id) {
    const auto it = id3v2Values.find(id);
    return it == id3v2Values.end() ? std::string() : it->second;
  };
  if (fields.count(kTrackId)) {
    // "3/12" is track 3. A comment mirroring the ID3v2 one follows the room the track leaves it;
    // another comment only gives up the two bytes the track takes. A track the byte cannot
    // hold (none, 0, 300) removes the old one.
    const std::string whole = valueOf(kTrackId);
    const std::string track = whole.substr(0, whole.find('/'));
    const std::size_t room = tag.hasTrack() ? 28 : 30;
    if (tag.values().at("ICMT") == cp932Prefix(valueOf("ICMT"), room))
      fields.insert("ICMT");
    if (!tag.set(kTrackId, track)) {
      Id3v1Tag roomy = tag;
      roomy.shortenCommentForTrack();
      if (!track.empty() && roomy.set(kTrackId, track))
        tag = roomy;
      else
        tag.set(kTrackId, "");
    }
  }
  const FieldValues stored = tag.values();
  for (const std::string& name : fields) {
    if (name == kTrackId || !stored.count(name))
      continue;
    const std::string value = valueOf(name);
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

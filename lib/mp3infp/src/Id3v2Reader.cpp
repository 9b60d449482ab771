#include "Id3v2Reader.h"

#include "LegacyText.h"

#include <id3v1genres.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>
#include <vector>

namespace mp3infp {

namespace {

// The frames the fields come from, by their 2.3/2.4 ids (TYER and TDRC both give the year);
// 2.2 ids are mapped onto them. TST, TSP and TSA are iTunes' own 2.2 forms of the readings.
const char* wantedId(std::string_view id) {
  static constexpr std::pair<const char*, const char*> kV22[] = {
      {"TT2", "TIT2"}, {"TP1", "TPE1"}, {"TAL", "TALB"}, {"COM", "COMM"}, {"TYE", "TYER"},
      {"TCO", "TCON"}, {"TRK", "TRCK"}, {"TP2", "TPE2"}, {"TPA", "TPOS"}, {"TCM", "TCOM"},
      {"TXT", "TEXT"}, {"TST", "TSOT"}, {"TSP", "TSOP"}, {"TSA", "TSOA"}};
  if (id.size() == 3) {
    for (const auto& [old, now] : kV22)
      if (id == old)
        return now;
    return nullptr;
  }
  if (id == "TDRC")
    return "TDRC";
  for (const Field& f : kFields)
    if (id == f.frame)
      return f.frame;
  return nullptr;
}

std::uint32_t bigEndian(const char* p, int bytes, int bitsPerByte) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i)
    v = (v << bitsPerByte) | (static_cast<unsigned char>(p[i]) & ((1u << bitsPerByte) - 1));
  return v;
}

bool isSyncsafe(const char* p) {
  for (int i = 0; i < 4; ++i)
    if (static_cast<unsigned char>(p[i]) & 0x80)
      return false;
  return true;
}

// Undoes unsynchronisation: the 0x00 written after every 0xFF goes.
std::string resynchronise(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    out += in[i];
    if (static_cast<unsigned char>(in[i]) == 0xFF && i + 1 < in.size() && in[i + 1] == '\0')
      ++i;
  }
  return out;
}

// Inflates zlib data, giving up as soon as the output would pass `limit`: a frame of a few
// kilobytes can claim gigabytes.
bool inflateBounded(std::string_view in, std::size_t limit, std::string& out) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK)
    return false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  out.clear();
  char block[16384];
  int rc = Z_OK;
  while (rc == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(block);
    z.avail_out = sizeof block;
    rc = inflate(&z, Z_NO_FLUSH);
    const std::size_t got = sizeof block - z.avail_out;
    if (out.size() + got > limit) {
      rc = Z_MEM_ERROR;
      break;
    }
    out.append(block, got);
    if (rc == Z_BUF_ERROR && z.avail_in == 0)
      break; // truncated stream: keep what came out
  }
  inflateEnd(&z);
  return rc == Z_STREAM_END || rc == Z_BUF_ERROR;
}

bool isFrameIdAt(std::string_view tag, std::size_t pos, std::size_t idLength) {
  if (pos + idLength > tag.size())
    return false;
  for (std::size_t i = 0; i < idLength; ++i) {
    const char c = tag[pos + i];
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
      return false;
  }
  return true;
}

// Whether a frame ending at `next` is followed by what may follow a frame: the tag's end,
// another frame or padding.
bool landsWell(std::string_view tag, std::size_t next, std::size_t idLength) {
  if (next > tag.size())
    return false;
  if (next == tag.size() || isFrameIdAt(tag, next, idLength))
    return true;
  const std::size_t probe = std::min<std::size_t>(tag.size() - next, 16);
  return tag.substr(next, probe).find_first_not_of('\0') == std::string_view::npos;
}

// The body of one frame as its writer meant it: extra header bytes gone, unsynchronisation
// undone, compression inflated within the bound. Nothing for encrypted or oversized frames.
std::optional<std::string> frameBody(int major, unsigned flags, std::string_view raw) {
  bool compressed = false;
  std::size_t skip = 0;
  if (major == 3) {
    if (flags & 0x40)
      return std::nullopt; // encrypted
    compressed = flags & 0x80;
    skip = (compressed ? 4 : 0) + ((flags & 0x20) ? 1 : 0);
  } else if (major == 4) {
    if (flags & 0x04)
      return std::nullopt;
    compressed = flags & 0x08;
    skip = ((flags & 0x40) ? 1 : 0) + ((flags & 0x01) ? 4 : 0);
  }
  if (skip > raw.size())
    return std::nullopt;
  std::string body(raw.substr(skip));
  if (major == 4 && (flags & 0x02))
    body = resynchronise(body);
  if (!compressed)
    return body.size() <= kMaxId3v2FrameText ? std::optional<std::string>(body) : std::nullopt;
  std::string inflated;
  if (!inflateBounded(body, kMaxId3v2FrameText, inflated))
    return std::nullopt;
  return inflated;
}

struct Frame {
  std::string id; // 2.3/2.4 id
  std::string body;
};

// The wanted frames in tag order; frames that cannot be read are skipped.
std::vector<Frame> wantedFrames(const std::string& tagBytes) {
  std::vector<Frame> frames;
  ForEachId3v2Frame(tagBytes, [&frames](int major, const Id3v2Frame& f) {
    if (const char* id = wantedId(f.id)) {
      if (auto decoded = frameBody(major, f.flags & 0xFF, f.body))
        frames.push_back({id, std::move(*decoded)});
    }
  });
  return frames;
}

// UTF-16 as UTF-8; nothing when the units do not make valid text (a lone surrogate).
std::optional<std::string> utf16ToUtf8(std::string_view s, bool bigEndianUnits) {
  std::string out;
  auto unit = [&](std::size_t i) -> std::uint32_t {
    const auto a = static_cast<unsigned char>(s[i]);
    const auto b = static_cast<unsigned char>(s[i + 1]);
    return bigEndianUnits ? (a << 8 | b) : (b << 8 | a);
  };
  for (std::size_t i = 0; i + 1 < s.size(); i += 2) {
    std::uint32_t c = unit(i);
    if (c >= 0xDC00 && c <= 0xDFFF)
      return std::nullopt;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 3 >= s.size())
        return std::nullopt;
      const std::uint32_t low = unit(i + 2);
      if (low < 0xDC00 || low > 0xDFFF)
        return std::nullopt;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// Decodes the strings of one frame. UTF-16 strings without a byte order mark take the one
// the frame gave first, as readers commonly do with writers that mark only the first string.
class TextDecoder {
public:
  explicit TextDecoder(int encoding) : encoding_(encoding) {}

  bool wide() const { return encoding_ == 1 || encoding_ == 2; }

  // The strings between terminators, empty ones included.
  std::vector<std::string_view> split(std::string_view s) const {
    std::vector<std::string_view> parts;
    const std::size_t step = wide() ? 2 : 1;
    std::size_t start = 0;
    for (std::size_t i = 0; i + step <= s.size(); i += step) {
      if (s[i] == '\0' && (step == 1 || s[i + 1] == '\0')) {
        parts.push_back(s.substr(start, i - start));
        start = i + step;
      }
    }
    parts.push_back(s.substr(start));
    return parts;
  }

  // Empty when the bytes do not decode.
  std::string decode(std::string_view s) {
    switch (encoding_) {
    case 0:
      return DecodeLegacy(s);
    case 3:
      if (s.substr(0, 3) == "\xEF\xBB\xBF")
        s.remove_prefix(3);
      return IsValidUtf8(s) ? std::string(s) : std::string();
    case 1:
    case 2: {
      bool big = encoding_ == 2 || bigEndian_.value_or(guessBigEndian(s));
      if (s.size() >= 2 && (s.substr(0, 2) == "\xFE\xFF" || s.substr(0, 2) == "\xFF\xFE")) {
        big = s[0] == '\xFE';
        if (!bigEndian_)
          bigEndian_ = big;
        s.remove_prefix(2);
      }
      return utf16ToUtf8(s, big).value_or(std::string());
    }
    default:
      return {};
    }
  }

private:
  // Without any mark: mostly-Latin text has its zero bytes on the high side of each unit.
  static bool guessBigEndian(std::string_view s) {
    std::size_t evenZeros = 0, oddZeros = 0;
    for (std::size_t i = 0; i + 1 < s.size(); i += 2) {
      evenZeros += s[i] == '\0';
      oddZeros += s[i + 1] == '\0';
    }
    return evenZeros > oddZeros;
  }

  int encoding_;
  std::optional<bool> bigEndian_;
};

// A text frame's strings joined with '/', stray and trailing terminators left out.
std::string textFrame(std::string_view body) {
  if (body.empty())
    return {};
  TextDecoder decoder(static_cast<unsigned char>(body[0]));
  std::string out;
  for (std::string_view part : decoder.split(body.substr(1))) {
    const std::string text = decoder.decode(part);
    if (text.empty())
      continue;
    if (!out.empty())
      out += '/';
    out += text;
  }
  return out;
}

struct Comment {
  std::string language, description, text;
};

Comment commentFrame(std::string_view body) {
  if (body.size() < 4)
    return {};
  TextDecoder decoder(static_cast<unsigned char>(body[0]));
  const std::vector<std::string_view> parts = decoder.split(body.substr(4));
  Comment c;
  c.language = body.substr(1, 3);
  c.description = decoder.decode(parts.front());
  // The text ends at its terminator; whatever a writer left after it is not text.
  if (parts.size() > 1)
    c.text = decoder.decode(parts[1]);
  return c;
}

bool allDigits(const std::string& s) {
  if (s.empty() || s.size() > 3)
    return false;
  for (const char c : s)
    if (c < '0' || c > '9')
      return false;
  return true;
}

std::string genreName(const std::string& code) {
  if (code == "RX")
    return "Remix";
  if (code == "CR")
    return "Cover";
  if (allDigits(code))
    return TagLib::ID3v1::genre(std::stoi(code)).to8Bit(true);
  return code;
}

} // namespace

int ForEachId3v2Frame(const std::string& tagBytes,
                      const std::function<void(int major, const Id3v2Frame&)>& each) {
  Id3v2Header header;
  if (!ParseId3v2Header(tagBytes.substr(0, 10), header))
    return 0;
  const int major = header.major;
  const auto tagFlags = static_cast<unsigned char>(tagBytes[5]);
  if (major == 2 && (tagFlags & 0x40))
    return major; // 2.2 tag compression was never defined
  std::size_t end = std::min<std::size_t>(tagBytes.size(), header.total);
  if (major == 4 && (tagFlags & 0x10) && end >= 20)
    end -= 10; // footer
  std::string_view tag = std::string_view(tagBytes).substr(10, end > 10 ? end - 10 : 0);
  const bool unsynchronised = tagFlags & 0x80;
  std::string resynchronised; // the tag may be large: copied only when it must be
  if (unsynchronised && major < 4) {
    resynchronised = resynchronise(tag);
    tag = resynchronised;
  }

  std::size_t pos = 0;
  if (major >= 3 && (tagFlags & 0x40) && tag.size() >= 4) {
    const std::uint32_t extended =
        major == 3 ? 4 + bigEndian(tag.data(), 4, 8) : bigEndian(tag.data(), 4, 7);
    pos = extended <= tag.size() ? extended : tag.size();
  }
  const std::size_t idLength = major == 2 ? 3 : 4;
  const std::size_t headerLength = major == 2 ? 6 : 10;
  while (pos + headerLength <= tag.size() && isFrameIdAt(tag, pos, idLength)) {
    const char* h = tag.data() + pos;
    std::size_t size = 0;
    unsigned flags = 0;
    if (major == 2) {
      size = bigEndian(h + 3, 3, 8);
    } else {
      flags = bigEndian(h + 8, 2, 8);
      const std::size_t plain = bigEndian(h + 4, 4, 8);
      size = plain;
      if (major == 4 && isSyncsafe(h + 4)) {
        // Some writers put plain integers in 2.4 frame headers. Read them as such only when
        // the syncsafe reading leads nowhere and the plain one to a frame or padding.
        const std::size_t safe = bigEndian(h + 4, 4, 7);
        const std::size_t at = pos + headerLength;
        if (safe == plain || landsWell(tag, at + safe, idLength) ||
            !landsWell(tag, at + plain, idLength))
          size = safe;
      }
      // A 2.4 tag unsynchronised as a whole has every frame unsynchronised.
      if (major == 4 && unsynchronised)
        flags |= 0x02;
    }
    const std::size_t start = pos + headerLength;
    if (size > tag.size() - start)
      break;
    each(major, {std::string(tag.substr(pos, idLength)), flags, tag.substr(start, size)});
    pos = start + size;
  }
  return major;
}

bool ParseId3v2Header(const std::string& ten, Id3v2Header& header) {
  if (ten.size() < 10 || ten.compare(0, 3, "ID3") != 0)
    return false;
  const auto* p = reinterpret_cast<const unsigned char*>(ten.data());
  if (p[3] < 2 || p[3] > 4 || p[4] == 0xFF)
    return false;
  std::uint64_t size = 0;
  for (int i = 6; i < 10; ++i) {
    if (p[i] & 0x80)
      return false;
    size = (size << 7) | p[i];
  }
  header.major = p[3];
  header.total = 10 + size + ((p[3] == 4 && (p[5] & 0x10)) ? 10 : 0);
  return true;
}

std::string ResolveGenre(const std::string& text) {
  std::vector<std::string> names;
  auto add = [&names](const std::string& n) {
    if (n.empty())
      return;
    for (const std::string& have : names)
      if (have == n)
        return;
    names.push_back(n);
  };
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('/', start);
    if (end == std::string::npos)
      end = text.size();
    std::string part = text.substr(start, end - start);
    // "(17)(RX)Rock": references first, then an optional refinement.
    while (part.size() > 2 && part[0] == '(') {
      const std::size_t close = part.find(')');
      if (close == std::string::npos)
        break;
      std::string code = part.substr(1, close - 1);
      part.erase(0, close + 1);
      if (part.empty() || genreName(code) != part)
        add(genreName(code));
    }
    add(genreName(part));
    start = end + 1;
  }
  std::string out;
  for (const std::string& n : names)
    out += (out.empty() ? "" : "/") + n;
  return out;
}

FieldValues ReadId3v2Fields(const std::string& tagBytes) {
  std::map<std::string, std::string> first; // frame id -> text of its first readable frame
  std::optional<std::string> comment, japaneseComment;
  for (const Frame& f : wantedFrames(tagBytes)) {
    if (f.id == "COMM") {
      // The comment is a COMM frame without description, the Japanese one first; "iTunNORM"
      // and the like hold data for players, never the comment.
      const Comment c = commentFrame(f.body);
      if (!c.description.empty())
        continue;
      if (!comment)
        comment = c.text;
      if (!japaneseComment && IsJapaneseLanguage(c.language))
        japaneseComment = c.text;
      continue;
    }
    if (first.count(f.id))
      continue;
    first[f.id] = textFrame(f.body);
  }
  auto get = [&first](const char* id) {
    const auto it = first.find(id);
    return it == first.end() ? std::string() : it->second;
  };

  FieldValues v;
  for (const Field& f : kFields)
    v[f.id] = get(f.frame);
  v["ICMT"] = japaneseComment.value_or(comment.value_or(std::string()));
  const std::string year = get("TDRC");
  v["ICRD"] = Id3v2FieldAsRead("ICRD", year.empty() ? get("TYER") : year);
  v["IGNR"] = Id3v2FieldAsRead("IGNR", get("TCON"));
  return v;
}

std::optional<Picture> PictureOfFrame(int major, const Id3v2Frame& frame) {
  if (frame.id != (major == 2 ? "PIC" : "APIC"))
    return std::nullopt;
  const std::optional<std::string> body = frameBody(major, frame.flags & 0xFF, frame.body);
  if (!body || body->size() < 2)
    return std::nullopt;
  Picture p;
  std::size_t at = 1; // after the text encoding
  if (major == 2) {
    std::string format = body->substr(1, 3);
    for (char& c : format)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    p.mime = format == "jpg" ? "image/jpeg" : "image/" + format;
    at = 4;
  } else {
    const std::size_t end = body->find('\0', 1);
    if (end == std::string::npos)
      return std::nullopt;
    p.mime = body->substr(1, end - 1);
    at = end + 1;
  }
  if (at >= body->size() || p.mime == "-->" || p.mime == "image/-->")
    return std::nullopt;
  p.type = static_cast<unsigned char>((*body)[at]);
  // The description ends at the first terminator of the frame's encoding.
  const std::string_view rest = std::string_view(*body).substr(at + 1);
  const bool wide = TextDecoder(static_cast<unsigned char>((*body)[0])).wide();
  std::size_t end = wide ? std::string_view::npos : rest.find('\0');
  for (std::size_t i = 0; wide && end == std::string_view::npos && i + 1 < rest.size(); i += 2)
    if (rest[i] == '\0' && rest[i + 1] == '\0')
      end = i;
  if (end == std::string_view::npos)
    return std::nullopt;
  p.data = std::string(rest.substr(end + (wide ? 2 : 1)));
  const std::string sniffed = SniffPictureMime(p.data);
  if (!sniffed.empty())
    p.mime = sniffed;
  return p;
}

std::optional<Picture> ReadId3v2Picture(const std::string& tagBytes) {
  std::optional<Picture> front, first;
  ForEachId3v2Frame(tagBytes, [&](int major, const Id3v2Frame& f) {
    if (front)
      return;
    std::optional<Picture> p = PictureOfFrame(major, f);
    if (p && p->type == Picture::kFrontCover)
      front = std::move(p);
    else if (p && !first)
      first = std::move(p);
  });
  return front ? front : first;
}

bool IsJapaneseLanguage(std::string_view language) {
  return language.size() == 3 &&
         std::equal(language.begin(), language.end(), "jpn", [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         });
}

std::string Id3v2FieldAsRead(const std::string& id, const std::string& text) {
  if (id == "IGNR")
    return ResolveGenre(text);
  if (id == "ICRD" && text.size() > 4 && allDigits(text.substr(0, 3)) && text[3] >= '0' &&
      text[3] <= '9')
    return text.substr(0, 4);
  return text;
}

} // namespace mp3infp

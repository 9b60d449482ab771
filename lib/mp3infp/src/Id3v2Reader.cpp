#include "Id3v2Reader.h"

#include "LegacyText.h"

#include <commentsframe.h>
#include <id3v1genres.h>
#include <id3v2tag.h>
#include <tbytevectorstream.h>
#include <textidentificationframe.h>
#include <tfile.h>

#include <vector>

namespace mp3infp {

namespace {

// TagLib parses an ID3v2 tag from a File; this one serves bytes already in memory.
class MemoryFile : public TagLib::File {
public:
  explicit MemoryFile(TagLib::IOStream* stream) : TagLib::File(stream) {}
  TagLib::Tag* tag() const override { return nullptr; }
  TagLib::AudioProperties* audioProperties() const override { return nullptr; }
  bool save() override { return false; }
};

std::string toUtf8(const TagLib::String& s, TagLib::String::Type encoding) {
  // Frames flagged ISO-8859-1 carry whatever 8-bit text the writer had; TagLib read them as
  // Latin-1, which gives back the bytes unchanged.
  if (encoding == TagLib::String::Latin1)
    return DecodeLegacy(s.to8Bit(false));
  return s.to8Bit(true);
}

std::string frameText(const TagLib::ID3v2::Frame* frame) {
  if (const auto* text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frame)) {
    std::string out;
    for (const TagLib::String& field : text->fieldList()) {
      if (!out.empty())
        out += '/';
      out += toUtf8(field, text->textEncoding());
    }
    return out;
  }
  if (const auto* comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(frame))
    return toUtf8(comment->text(), comment->textEncoding());
  return frame->toString().to8Bit(true);
}

std::string firstText(const TagLib::ID3v2::FrameListMap& frames, const char* id) {
  const auto it = frames.find(id);
  if (it == frames.end() || it->second.isEmpty())
    return {};
  return frameText(it->second.front());
}

std::string commentText(const TagLib::ID3v2::FrameListMap& frames) {
  const auto it = frames.find("COMM");
  if (it == frames.end() || it->second.isEmpty())
    return {};
  for (const TagLib::ID3v2::Frame* f : it->second) {
    const auto* c = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(f);
    if (c && c->description().isEmpty())
      return frameText(c);
  }
  return frameText(it->second.front());
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
  TagLib::ByteVector bytes(tagBytes.data(), static_cast<unsigned int>(tagBytes.size()));
  TagLib::ByteVectorStream stream(bytes);
  MemoryFile file(&stream);
  const TagLib::ID3v2::Tag tag(&file, 0);
  const TagLib::ID3v2::FrameListMap& frames = tag.frameListMap();

  FieldValues v;
  v["INAM"] = firstText(frames, "TIT2");
  v["IART"] = firstText(frames, "TPE1");
  v["IPRD"] = firstText(frames, "TALB");
  v["ICMT"] = commentText(frames);
  std::string year = firstText(frames, "TDRC");
  if (year.empty())
    year = firstText(frames, "TYER");
  if (year.size() > 4 && allDigits(year.substr(0, 3)) && year[3] >= '0' && year[3] <= '9')
    year.resize(4);
  v["ICRD"] = year;
  v["IGNR"] = ResolveGenre(firstText(frames, "TCON"));
  return v;
}

} // namespace mp3infp

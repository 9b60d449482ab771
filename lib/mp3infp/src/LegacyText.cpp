#include "LegacyText.h"

#include <iconv.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace mp3infp {

namespace {

// One converter per direction and thread, opened on first use and kept: opening iconv costs far
// more than a short conversion, and a converter keeps state while it converts.
class Converter {
public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok())
      iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool convert(std::string_view in, std::string& out) {
    if (!ok())
      return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::vector<char> buffer(in.size() * 4 + 16);
    std::string source(in);
    char* src = source.data();
    size_t srcLeft = source.size();
    char* dst = buffer.data();
    size_t dstLeft = buffer.size();
    if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1) || srcLeft != 0)
      return false;
    if (iconv(cd_, nullptr, nullptr, &dst, &dstLeft) == static_cast<size_t>(-1))
      return false;
    out.assign(buffer.data(), buffer.size() - dstLeft);
    return true;
  }

private:
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t cd_;
};

Converter& fromCp932() {
  thread_local Converter c("UTF-8", "CP932");
  return c;
}

Converter& toCp932() {
  thread_local Converter c("CP932", "UTF-8");
  return c;
}

// Private-use code points come from CP932's user-defined area (0xF040..0xF9FC), which real
// Japanese text never uses; their presence means the bytes were something else.
bool hasPrivateUse(std::string_view utf8) {
  for (size_t i = 0; i + 2 < utf8.size(); ++i) {
    const auto b0 = static_cast<std::uint8_t>(utf8[i]);
    const auto b1 = static_cast<std::uint8_t>(utf8[i + 1]);
    // U+E000..U+F8FF is EE 80 80 .. EF A3 BF.
    if (b0 == 0xEE || (b0 == 0xEF && b1 <= 0xA3))
      return true;
  }
  return false;
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  const size_t n = bytes.size();
  while (i < n) {
    const auto c = static_cast<std::uint8_t>(bytes[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t len;
    std::uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
      cp = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      cp = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      cp = c & 0x07u;
    } else {
      return false;
    }
    if (i + len > n)
      return false;
    for (size_t k = 1; k < len; ++k) {
      const auto cc = static_cast<std::uint8_t>(bytes[i + k]);
      if ((cc & 0xC0) != 0x80)
        return false;
      cp = (cp << 6) | (cc & 0x3Fu);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += len;
  }
  return true;
}

std::string Latin1ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char ch : bytes) {
    const auto c = static_cast<std::uint8_t>(ch);
    if (c < 0x80) {
      out.push_back(ch);
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string DecodeLegacy(std::string_view bytes) {
  if (IsValidUtf8(bytes))
    return std::string(bytes);
  std::string text;
  if (fromCp932().convert(bytes, text) && !hasPrivateUse(text))
    return text;
  return Latin1ToUtf8(bytes);
}

std::string EncodeLegacy(std::string_view utf8) {
  // Text typed on this platform holds characters that Windows' code page writes with other
  // code points: 〜 (U+301C) is 0x8160, which Windows shows as 〜 but which reads back as
  // U+FF5E. Those seven are stored as their CP932 bytes, so Windows tools show them; anything
  // else must read back exactly (half-width katakana bytes can form valid UTF-8, for one), or
  // the value is stored as UTF-8, which reads back unchanged.
  std::string bytes;
  if (IsValidUtf8(utf8) && toCp932().convert(utf8, bytes) &&
      DecodeLegacy(bytes) == FoldCp932LookAlikes(utf8))
    return bytes;
  return std::string(utf8);
}

std::string FoldCp932LookAlikes(std::string_view utf8) {
  static const std::pair<std::string_view, std::string_view> kPairs[] = {
      {"\u301C", "\uFF5E"}, {"\u2212", "\uFF0D"}, {"\u2016", "\u2225"}, {"\u2014", "\u2015"},
      {"\u00A2", "\uFFE0"}, {"\u00A3", "\uFFE1"}, {"\u00AC", "\uFFE2"}};
  std::string out(utf8);
  for (const auto& [from, to] : kPairs) {
    for (size_t at = out.find(from); at != std::string::npos; at = out.find(from, at + to.size()))
      out.replace(at, from.size(), to);
  }
  return out;
}

} // namespace mp3infp

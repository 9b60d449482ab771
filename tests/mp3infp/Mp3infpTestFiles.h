// Hand-built tag bytes for the tag library's tests.
#pragma once

#include "AudioFixtures.h"

#include <gtest/gtest.h>
#include <mp3infp.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace mp3infp_test {

namespace fs = std::filesystem;
using fixtures::Bytes;
using fixtures::concat;
using fixtures::readFile;
using fixtures::TempDir;
using fixtures::writeFile;

inline Bytes bytesOf(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

// `bytes` bytes of `v`, most significant first, `bitsPerByte` bits of it in each.
inline void appendBE(Bytes& out, std::uint64_t v, int bytes, int bitsPerByte) {
  for (int i = bytes - 1; i >= 0; --i)
    out.push_back(static_cast<std::uint8_t>((v >> (i * bitsPerByte)) & ((1u << bitsPerByte) - 1)));
}

// One ID3v2 frame as written, size field plain (2.2, 2.3, or a 2.4 writer that got it wrong) or
// syncsafe (2.4).
inline Bytes frame(int major, const std::string& id, const Bytes& body, std::uint8_t flags = 0,
                   bool plainSize = false) {
  Bytes out = bytesOf(id);
  if (major == 2)
    appendBE(out, body.size(), 3, 8);
  else
    appendBE(out, body.size(), 4, major == 4 && !plainSize ? 7 : 8);
  if (major > 2) {
    out.push_back(0);
    out.push_back(flags);
  }
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

inline Bytes frame(int major, const std::string& id, const std::string& body) {
  return frame(major, id, bytesOf(body));
}

// An ID3v2 tag header of the given version and flags around raw frame bytes.
inline Bytes tag(int major, const Bytes& frames, std::uint8_t flags = 0) {
  Bytes out = bytesOf("ID3");
  out.push_back(static_cast<std::uint8_t>(major));
  out.push_back(0);
  out.push_back(flags);
  appendBE(out, frames.size(), 4, 7);
  out.insert(out.end(), frames.begin(), frames.end());
  return out;
}

// ID3v2 tag of version 2, 3 or 4 holding frames given as id and raw body (encoding byte first).
inline Bytes id3v2(int major, const std::vector<std::pair<std::string, std::string>>& frames) {
  Bytes body;
  for (const auto& [id, data] : frames)
    body = concat({body, frame(major, id, data)});
  return tag(major, body);
}

// Where `needle` first occurs in `hay` from `from` on; npos when it does not.
inline std::size_t findBytes(const Bytes& hay, const Bytes& needle, std::size_t from = 0) {
  const auto it =
      std::search(hay.begin() + static_cast<long>(from), hay.end(), needle.begin(), needle.end());
  return it == hay.end() ? std::string::npos : static_cast<std::size_t>(it - hay.begin());
}

// An MP3 file as the ID3v2 choice leaves it: an ID3v2.3 tag at the very start, no RIFF
// wrapping, and the stream's MPEG frames whole between it and the ID3v1 tag that mirrors it.
inline void expectPlainMp3(const Bytes& file, const Bytes& stream) {
  ASSERT_GT(file.size(), 10u);
  ASSERT_EQ(std::string(file.begin(), file.begin() + 4), "ID3\x03");
  const std::size_t tag =
      10 + (file[6] << 21 | file[7] << 14 | file[8] << 7 | std::size_t{file[9]});
  ASSERT_EQ(file.size(), tag + stream.size() + 128);
  EXPECT_TRUE(std::equal(stream.begin(), stream.end(), file.begin() + static_cast<long>(tag)));
  EXPECT_EQ(std::string(file.end() - 128, file.end() - 125), "TAG");
}

// APE tag footer only (an empty tag) of version 1000 or 2000.
inline Bytes apeFooter(std::uint32_t version) {
  Bytes out = bytesOf("APETAGEX");
  fixtures::appendLE32(out, version);
  fixtures::appendLE32(out, 32);
  fixtures::appendLE32(out, 0);
  fixtures::appendLE32(out, 0);
  out.resize(out.size() + 8, 0);
  return out;
}

// A whole APE tag of version 1000 or 2000 holding text items, with a header when asked.
inline Bytes apeTag(std::uint32_t version, bool withHeader,
                    const std::vector<std::pair<std::string, std::string>>& items) {
  Bytes body;
  for (const auto& [key, value] : items) {
    fixtures::appendLE32(body, static_cast<std::uint32_t>(value.size()));
    fixtures::appendLE32(body, 0);
    body.insert(body.end(), key.begin(), key.end());
    body.push_back(0);
    body.insert(body.end(), value.begin(), value.end());
  }
  auto frame = [&](bool isHeader) {
    Bytes out = bytesOf("APETAGEX");
    fixtures::appendLE32(out, version);
    fixtures::appendLE32(out, static_cast<std::uint32_t>(body.size() + 32));
    fixtures::appendLE32(out, static_cast<std::uint32_t>(items.size()));
    fixtures::appendLE32(out, (withHeader ? 0x80000000u : 0) | (isHeader ? 0x20000000u : 0));
    out.resize(out.size() + 8, 0);
    return out;
  };
  Bytes out = withHeader ? frame(true) : Bytes();
  out.insert(out.end(), body.begin(), body.end());
  const Bytes footer = frame(false);
  out.insert(out.end(), footer.begin(), footer.end());
  return out;
}

inline Bytes riff(const std::string& form, const std::vector<Bytes>& chunks) {
  Bytes body = bytesOf(form);
  for (const Bytes& c : chunks)
    body.insert(body.end(), c.begin(), c.end());
  Bytes out = bytesOf("RIFF");
  fixtures::appendLE32(out, static_cast<std::uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

inline Bytes chunk(const std::string& id, const Bytes& body, bool pad = true) {
  Bytes out = bytesOf(id);
  fixtures::appendLE32(out, static_cast<std::uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  if (pad && body.size() % 2)
    out.push_back(0);
  return out;
}

// Half a second of MP3 stream, and a two-second WAV file with an INFO list of `items`.
inline Bytes shortMp3() {
  static const Bytes mp3 = fixtures::makeMp3(0.5);
  return mp3;
}

inline Bytes wavWithInfo(const std::vector<std::pair<std::string, std::string>>& items) {
  return fixtures::makeWavWithChunks({.seconds = 2.0}, {fixtures::makeInfoList(items)});
}

// A value of the loaded file as the library gives it ("<null>" for a null pointer).
inline std::string value(const char* name) {
  char* v = nullptr;
  mp3infp_GetValue(name, &v);
  return v ? v : "<null>";
}

inline uint32_t load(const std::filesystem::path& p) {
  return mp3infp_Load(nullptr, p.c_str());
}

} // namespace mp3infp_test

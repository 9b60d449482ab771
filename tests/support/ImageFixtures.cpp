#include "ImageFixtures.h"

#include <zlib.h>

#include <stdexcept>

namespace fixtures {

namespace {

void appendBE32(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void appendPngChunk(Bytes& out, const char* type, const Bytes& data) {
  appendBE32(out, static_cast<std::uint32_t>(data.size()));
  Bytes typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  out.insert(out.end(), typed.begin(), typed.end());
  appendBE32(out,
             static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

// A JPEG marker segment: marker, big-endian length (itself included), body.
void appendSegment(Bytes& out, std::uint8_t marker, const Bytes& body) {
  out.push_back(0xFF);
  out.push_back(marker);
  const std::size_t length = body.size() + 2;
  out.push_back(static_cast<std::uint8_t>(length >> 8));
  out.push_back(static_cast<std::uint8_t>(length & 0xFF));
  out.insert(out.end(), body.begin(), body.end());
}

} // namespace

Bytes makePng(int width, int height) {
  Bytes raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0); // no filter
    for (int x = 0; x < width; ++x)
      raw.push_back(static_cast<std::uint8_t>((x * 7 + y * 13) & 0xFF));
  }
  Bytes deflated(compressBound(static_cast<uLong>(raw.size())));
  uLongf size = static_cast<uLongf>(deflated.size());
  if (compress2(deflated.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 0) != Z_OK)
    throw std::runtime_error("zlib failed");
  deflated.resize(size);

  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  appendBE32(header, static_cast<std::uint32_t>(width));
  appendBE32(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 0, 0, 0, 0}); // 8-bit grey, deflate, no interlace
  appendPngChunk(png, "IHDR", header);
  appendPngChunk(png, "IDAT", deflated);
  appendPngChunk(png, "IEND", {});
  return png;
}

Bytes makeJpeg(int width, int height) {
  Bytes jpeg = {0xFF, 0xD8};
  Bytes quantisation = {0x00}; // 8-bit table 0
  quantisation.resize(1 + 64, 1);
  appendSegment(jpeg, 0xDB, quantisation);
  appendSegment(jpeg, 0xC0,
                {8, static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(height),
                 static_cast<std::uint8_t>(width >> 8), static_cast<std::uint8_t>(width), 1, 1,
                 0x11, 0});
  // One code of length 1 in each table: DC difference category 0, AC end of block.
  Bytes dc = {0x00, 1}, ac = {0x10, 1};
  dc.resize(1 + 16, 0);
  ac.resize(1 + 16, 0);
  dc.push_back(0x00);
  ac.push_back(0x00);
  appendSegment(jpeg, 0xC4, dc);
  appendSegment(jpeg, 0xC4, ac);
  appendSegment(jpeg, 0xDA, {1, 1, 0x00, 0, 63, 0});
  // Each block is the bits "00"; the last byte is padded with ones.
  const std::size_t blocks =
      static_cast<std::size_t>((width + 7) / 8) * static_cast<std::size_t>((height + 7) / 8);
  const std::size_t bits = 2 * blocks;
  Bytes scan((bits + 7) / 8, 0);
  if (bits % 8 != 0 && !scan.empty())
    scan.back() = static_cast<std::uint8_t>(0xFF >> (bits % 8));
  jpeg.insert(jpeg.end(), scan.begin(), scan.end());
  jpeg.insert(jpeg.end(), {0xFF, 0xD9});
  return jpeg;
}

} // namespace fixtures

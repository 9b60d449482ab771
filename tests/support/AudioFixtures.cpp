#include "AudioFixtures.h"

#include <algorithm>

#include <lame/lame.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <stdexcept>

namespace fixtures {

void appendLE32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void appendLE16(Bytes& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void appendTag(Bytes& out, const char fourcc[4]) {
  out.insert(out.end(), fourcc, fourcc + 4);
}

static double sampleAt(const WavSpec& s, long frame, int channel) {
  const double f = s.frequency * (channel == 1 && s.channels == 2 ? 1.5 : 1.0);
  const auto c = static_cast<std::size_t>(channel);
  const double gain = c < s.channelGains.size() ? s.channelGains[c] : 1.0;
  return gain * s.amplitude * std::sin(2.0 * M_PI * f * static_cast<double>(frame) / s.sampleRate);
}

static Bytes wavBody(const WavSpec& s) {
  const long frames = std::lround(s.seconds * s.sampleRate);
  const int bytesPerSample = s.bits / 8;
  const bool extensible = s.channelMask != 0;
  Bytes fmt;
  appendTag(fmt, "fmt ");
  appendLE32(fmt, extensible ? 40 : 16);
  appendLE16(fmt, extensible ? 0xFFFE : s.floatSamples ? 3 : 1);
  appendLE16(fmt, static_cast<std::uint16_t>(s.channels));
  appendLE32(fmt, static_cast<std::uint32_t>(s.sampleRate));
  appendLE32(fmt, static_cast<std::uint32_t>(s.sampleRate * s.channels * bytesPerSample));
  appendLE16(fmt, static_cast<std::uint16_t>(s.channels * bytesPerSample));
  appendLE16(fmt, static_cast<std::uint16_t>(s.bits));
  if (extensible) {
    appendLE16(fmt, 22);
    appendLE16(fmt, static_cast<std::uint16_t>(s.bits)); // valid bits
    appendLE32(fmt, s.channelMask);
    // The sub-format GUID: the format tag, then the fixed tail of KSDATAFORMAT_SUBTYPE_*.
    appendLE32(fmt, s.floatSamples ? 3 : 1);
    const std::uint8_t tail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                   0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    fmt.insert(fmt.end(), tail, tail + 12);
  }

  Bytes data;
  const std::uint32_t dataSize = static_cast<std::uint32_t>(frames * s.channels * bytesPerSample);
  appendTag(data, "data");
  appendLE32(data, dataSize);
  data.reserve(data.size() + dataSize + 1);
  for (long i = 0; i < frames; ++i) {
    for (int c = 0; c < s.channels; ++c) {
      const double v = sampleAt(s, i, c);
      if (s.floatSamples) {
        float f = static_cast<float>(v);
        std::uint32_t u;
        std::memcpy(&u, &f, 4);
        appendLE32(data, u);
      } else if (s.bits == 8) {
        data.push_back(static_cast<std::uint8_t>(std::lround(128 + v * 127)));
      } else {
        const double scale = std::ldexp(1.0, s.bits - 1) - 1;
        auto iv = static_cast<std::int64_t>(std::llround(v * scale));
        for (int b = 0; b < bytesPerSample; ++b)
          data.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(iv) >> (8 * b)));
      }
    }
  }
  if (dataSize % 2)
    data.push_back(0);
  return concat({fmt, data});
}

static Bytes riffWave(const Bytes& body) {
  Bytes out;
  appendTag(out, "RIFF");
  appendLE32(out, static_cast<std::uint32_t>(body.size() + 4));
  appendTag(out, "WAVE");
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes makeWav(const WavSpec& spec) {
  return riffWave(wavBody(spec));
}

Bytes makeWavWithChunks(const WavSpec& spec, const std::vector<Bytes>& extraChunks) {
  Bytes body = wavBody(spec);
  for (const auto& c : extraChunks)
    body.insert(body.end(), c.begin(), c.end());
  return riffWave(body);
}

Bytes makeRf64(const WavSpec& spec, const std::vector<Bytes>& extraChunks) {
  Bytes body = wavBody(spec);
  const std::size_t sizeAt = 8 + (body[4] | (body[5] << 8)) + 4; // the data chunk's size
  const std::uint32_t dataSize = body[sizeAt] | (body[sizeAt + 1] << 8) | (body[sizeAt + 2] << 16) |
                                 (std::uint32_t{body[sizeAt + 3]} << 24);
  std::fill(body.begin() + static_cast<long>(sizeAt), body.begin() + static_cast<long>(sizeAt) + 4,
            0xFF);
  for (const auto& c : extraChunks)
    body.insert(body.end(), c.begin(), c.end());
  auto appendLE64 = [](Bytes& out, std::uint64_t v) {
    appendLE32(out, static_cast<std::uint32_t>(v));
    appendLE32(out, static_cast<std::uint32_t>(v >> 32));
  };
  Bytes out;
  appendTag(out, "RF64");
  appendLE32(out, 0xFFFFFFFFu);
  appendTag(out, "WAVE");
  appendTag(out, "ds64");
  appendLE32(out, 28);
  appendLE64(out, 4 + 36 + body.size());
  appendLE64(out, dataSize);
  appendLE64(out, static_cast<std::uint64_t>(std::lround(spec.seconds * spec.sampleRate)));
  appendLE32(out, 0); // no table
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes makeInfoList(const std::vector<std::pair<std::string, std::string>>& items) {
  Bytes payload;
  appendTag(payload, "INFO");
  for (const auto& [id, value] : items) {
    if (id.size() != 4)
      throw std::invalid_argument("INFO ids have four characters");
    appendTag(payload, id.c_str());
    const auto size = static_cast<std::uint32_t>(value.size() + 1);
    appendLE32(payload, size);
    payload.insert(payload.end(), value.begin(), value.end());
    payload.push_back(0);
    if (size % 2)
      payload.push_back(0);
  }
  Bytes out;
  appendTag(out, "LIST");
  appendLE32(out, static_cast<std::uint32_t>(payload.size()));
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

Bytes makeMp3(double seconds, int sampleRate, int channels, int kbps, bool vbr, int vbrQuality) {
  lame_global_flags* gf = lame_init();
  lame_set_in_samplerate(gf, sampleRate);
  lame_set_num_channels(gf, channels);
  lame_set_mode(gf, channels == 1 ? MONO : JOINT_STEREO);
  if (vbr) {
    lame_set_VBR(gf, vbr_default);
    lame_set_VBR_q(gf, vbrQuality);
  } else {
    lame_set_brate(gf, kbps);
  }
  lame_set_quality(gf, 7);
  lame_set_bWriteVbrTag(gf, 1);
  lame_set_write_id3tag_automatic(gf, 0);
  if (lame_init_params(gf) < 0) {
    lame_close(gf);
    throw std::runtime_error("lame_init_params failed");
  }
  const WavSpec s{.sampleRate = sampleRate, .channels = channels};
  const long frames = std::lround(seconds * sampleRate);
  std::vector<short> left(1152), right(1152);
  Bytes out;
  std::vector<unsigned char> buf(1152 * 2 + 7200);
  for (long pos = 0; pos < frames; pos += 1152) {
    const int n = static_cast<int>(std::min<long>(1152, frames - pos));
    for (int i = 0; i < n; ++i) {
      left[i] = static_cast<short>(std::lround(sampleAt(s, pos + i, 0) * 32767));
      right[i] = static_cast<short>(std::lround(sampleAt(s, pos + i, 1) * 32767));
    }
    const int w = lame_encode_buffer(gf, left.data(), channels == 1 ? nullptr : right.data(), n,
                                     buf.data(), static_cast<int>(buf.size()));
    if (w < 0)
      throw std::runtime_error("lame_encode_buffer failed");
    out.insert(out.end(), buf.begin(), buf.begin() + w);
  }
  const int w = lame_encode_flush(gf, buf.data(), static_cast<int>(buf.size()));
  if (w > 0)
    out.insert(out.end(), buf.begin(), buf.begin() + w);
  // Put the info frame in place of the placeholder LAME left at the start.
  std::vector<unsigned char> tag(2880);
  const size_t tagSize = lame_get_lametag_frame(gf, tag.data(), tag.size());
  if (tagSize > 0 && tagSize <= out.size())
    std::memcpy(out.data(), tag.data(), tagSize);
  lame_close(gf);
  return out;
}

Bytes makeId3v1(const std::string& title, const std::string& artist, const std::string& album,
                const std::string& year, const std::string& comment, int track,
                std::uint8_t genre) {
  Bytes t(128, 0);
  std::memcpy(t.data(), "TAG", 3);
  auto put = [&t](size_t at, size_t len, const std::string& v) {
    std::memcpy(t.data() + at, v.data(), std::min(len, v.size()));
  };
  put(3, 30, title);
  put(33, 30, artist);
  put(63, 30, album);
  put(93, 4, year);
  if (track >= 0) {
    put(97, 28, comment);
    t[125] = 0;
    t[126] = static_cast<std::uint8_t>(track);
  } else {
    put(97, 30, comment);
  }
  t[127] = genre;
  return t;
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f)
    throw std::runtime_error("cannot create " + path.string());
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes readFile(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f)
    throw std::runtime_error("cannot open " + path.string());
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts)
    out.insert(out.end(), p.begin(), p.end());
  return out;
}

TempDir::TempDir() {
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto p = std::filesystem::temp_directory_path() / ("w2m-test-" + std::to_string(rd()));
    if (std::filesystem::create_directory(p)) {
      path_ = p;
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  // Read-only folders made by tests would block the removal.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

} // namespace fixtures

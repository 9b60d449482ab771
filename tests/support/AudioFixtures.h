// Audio files made in code for tests: nothing is downloaded, nothing comes from outside.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace fixtures {

using Bytes = std::vector<std::uint8_t>;

struct WavSpec {
  int sampleRate = 44100;
  int channels = 2;
  int bits = 16; // 8, 16, 24 or 32 (integer PCM), or 32 with floatSamples
  bool floatSamples = false;
  double seconds = 1.0;
  double frequency = 440.0; // a sine; the right channel of a stereo file sits a fifth above
  double amplitude = 0.5;   // of full scale
  // More than two channels carry the same sine, each scaled by its gain here (1 if missing).
  std::vector<double> channelGains = {};
  // Non-zero: the "fmt " chunk is WAVE_FORMAT_EXTENSIBLE with this speaker mask.
  std::uint32_t channelMask = 0;
};

// A canonical RIFF 'WAVE' file: "fmt " and "data" chunks, sine tones.
Bytes makeWav(const WavSpec& spec);

// A RIFF 'LIST' chunk of type 'INFO' holding the given ids ("INAM", "IART", ...) and raw
// byte values (NUL-terminated and padded as RIFF asks).
Bytes makeInfoList(const std::vector<std::pair<std::string, std::string>>& items);

// A WAV whose RIFF body gets the given extra chunks appended after "data".
Bytes makeWavWithChunks(const WavSpec& spec, const std::vector<Bytes>& extraChunks);

// The same as an RF64 file, the WAV of more than 4 GiB: "RF64" in place of "RIFF", its sizes
// (RIFF body, data chunk, sample frames) in a "ds64" chunk, the 32-bit ones all 0xFFFFFFFF.
Bytes makeRf64(const WavSpec& spec, const std::vector<Bytes>& extraChunks);

// An MPEG-1 layer III stream encoded by LAME from a sine, with its Xing/LAME info frame
// (CBR at kbps, or VBR at quality vbrQuality when vbr is true). No ID3 tags.
Bytes makeMp3(double seconds, int sampleRate = 44100, int channels = 2, int kbps = 128,
              bool vbr = false, int vbrQuality = 4);

// ID3v1 tag bytes (128). track >= 0 makes an ID3v1.1 tag.
Bytes makeId3v1(const std::string& title, const std::string& artist, const std::string& album,
                const std::string& year, const std::string& comment, int track = -1,
                std::uint8_t genre = 255);

void writeFile(const std::filesystem::path& path, const Bytes& bytes);
Bytes readFile(const std::filesystem::path& path);
Bytes concat(std::initializer_list<Bytes> parts);
void appendLE32(Bytes& out, std::uint32_t v);
void appendLE16(Bytes& out, std::uint16_t v);
void appendTag(Bytes& out, const char fourcc[4]);

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
  std::filesystem::path path_;
};

} // namespace fixtures

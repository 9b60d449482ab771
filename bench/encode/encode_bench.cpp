// Converts five minutes of music-like sound through libgogo.so, frame by frame as the program
// drives it, and through the lame command at the same settings, alternating, for the presets
// CBR 128, CBR 320 and VBR V2, and prints the median times and their ratio, the time the
// ReplayGain measure adds, and the signal-to-noise ratio of both decoded outputs.
//
//   bench_encode [rounds]        (default 5; needs `lame` on the PATH)
//   bench_encode --sizes         the MP3's size per minute for every preset, once each
#include "gogo.h"
#include "gogo_ex.h"

#include <lame/lame.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRate = 44100;
constexpr int kSeconds = 300;

struct Api {
  decltype(&MPGE_initializeWork) initializeWork;
  decltype(&MPGE_setConfigure) setConfigure;
  decltype(&MPGE_getConfigure) getConfigure;
  decltype(&MPGE_detectConfigure) detectConfigure;
  decltype(&MPGE_processFrame) processFrame;
  decltype(&MPGE_closeCoder) closeCoder;
  decltype(&MPGE_endCoder) endCoder;
  decltype(&MPGE_getVersion) getVersion;
  decltype(&gogo_defaultHandle) defaultHandle;
  decltype(&gogo_setMeasureLoudness) setMeasureLoudness;
  decltype(&gogo_takeLoudness) takeLoudness;
  decltype(&gogo_freeLoudness) freeLoudness;
};

// A preset as the program's encoder component sends it, and as the lame command spells it.
struct Preset {
  const char* name;
  int kbps;     // CFG_BITRATE (also sent with VBR, which ignores it)
  int vbrLevel; // CFG_VBR_LEVEL, -1 for none
  const char* lameArgs;
};
constexpr Preset kPresets[] = {{"CBR128", 128, -1, "-b 128"}, {"CBR160", 160, -1, "-b 160"},
                               {"CBR192", 192, -1, "-b 192"}, {"CBR256", 256, -1, "-b 256"},
                               {"CBR320", 320, -1, "-b 320"}, {"V0", 128, 0, "-V 0"},
                               {"V2", 128, 2, "-V 2"},        {"V4", 128, 4, "-V 4"}};
// The presets timed against lame.
constexpr const char* kTimed[] = {"CBR128", "CBR320", "V2"};

template <typename T> void bind(void* lib, T& fn, const char* name) {
  fn = reinterpret_cast<T>(dlsym(lib, name));
  if (fn == nullptr) {
    std::fprintf(stderr, "libgogo.so lacks %s\n", name);
    std::exit(1);
  }
}

// Chords of four partials each that change every two seconds, with attack and decay, a bit
// of noise, and left and right voiced differently.
std::vector<std::int16_t> makeMusic() {
  std::vector<std::int16_t> pcm(static_cast<std::size_t>(kRate) * kSeconds * 2);
  std::mt19937 rng(7);
  std::normal_distribution<double> noise(0.0, 0.02);
  const double roots[] = {110.0, 146.83, 130.81, 98.0, 164.81, 123.47};
  const double ratios[] = {1.0, 1.25, 1.5, 2.0};
  const long noteLen = 2L * kRate;
  for (long i = 0; i < static_cast<long>(pcm.size() / 2); ++i) {
    const long note = i / noteLen;
    const double t = static_cast<double>(i % noteLen) / kRate;
    const double env = std::min(1.0, t / 0.02) * std::exp(-1.2 * t);
    const double root = roots[note % 6] * (1 + (note / 6) % 3);
    double l = 0, r = 0;
    for (int k = 0; k < 4; ++k) {
      const double ph = 2 * M_PI * root * ratios[k] * static_cast<double>(i) / kRate;
      const double h = std::sin(ph) + 0.3 * std::sin(3 * ph) + 0.1 * std::sin(7 * ph);
      l += (k % 2 == 0 ? 0.16 : 0.08) * h;
      r += (k % 2 == 0 ? 0.08 : 0.16) * h;
    }
    const double hiss = noise(rng);
    pcm[static_cast<std::size_t>(2 * i)] =
        static_cast<std::int16_t>(std::lround(std::clamp(env * l + hiss, -1.0, 1.0) * 32000));
    pcm[static_cast<std::size_t>(2 * i + 1)] =
        static_cast<std::int16_t>(std::lround(std::clamp(env * r + hiss * 0.8, -1.0, 1.0) * 32000));
  }
  return pcm;
}

void put32(std::ofstream& f, std::uint32_t v) {
  f.write(reinterpret_cast<const char*>(&v), 4);
}
void put16(std::ofstream& f, std::uint16_t v) {
  f.write(reinterpret_cast<const char*>(&v), 2);
}

void writeWav(const fs::path& path, const std::vector<std::int16_t>& pcm) {
  std::ofstream f(path, std::ios::binary);
  const auto bytes = static_cast<std::uint32_t>(pcm.size() * 2);
  f.write("RIFF", 4);
  put32(f, 36 + bytes);
  f.write("WAVEfmt ", 8);
  put32(f, 16);
  put16(f, 1);
  put16(f, 2);
  put32(f, kRate);
  put32(f, kRate * 4);
  put16(f, 4);
  put16(f, 16);
  f.write("data", 4);
  put32(f, bytes);
  f.write(reinterpret_cast<const char*>(pcm.data()), bytes);
}

std::vector<unsigned char> readAll(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

UPARAM addr(const std::string& s) {
  return reinterpret_cast<UPARAM>(s.c_str());
}

// The items in the order and with the values the program's encoder component sends them (its
// psychoacoustics flag off gives LAME's own default quality, as the command uses); with
// `loudness`, the ReplayGain measure on.
double runGogo(const Api& api, const std::string& in, const std::string& out, const Preset& preset,
               bool loudness, int* calls) {
  const auto start = Clock::now();
  api.initializeWork();
  api.setConfigure(CFG_INPUT, INPUT_FILE, addr(in));
  api.setConfigure(CFG_OUTPUT, OUTPUT_FILE, addr(out));
  api.setConfigure(CFG_PSYCHOACOUSTICS, 0, 0);
  api.setConfigure(CFG_BITRATE, static_cast<UPARAM>(preset.kbps), 0);
  api.setConfigure(CFG_LOWPASS, 1, 0);
  if (preset.vbrLevel >= 0)
    api.setConfigure(CFG_VBR_LEVEL, static_cast<UPARAM>(preset.vbrLevel), 0);
  for (MPARAM unit = CFG_UNIT_MMX; unit <= CFG_UNIT_SPC2; ++unit) {
    api.setConfigure(unit, unit <= CFG_UNIT_EX_3DNOW ? 1 : 0, 0);
  }
  api.setConfigure(CFG_EMPHASIS, EMPH_NONE, 0);
  api.setConfigure(CFG_CHANNEL_MODE, MODE_JOINT, 0);
  api.setConfigure(CFG_CPU_COUNT, 1, 0);
  api.setConfigure(CFG_OUTPUT_FORMAT, FORMAT_MP3, 0);
  if (loudness)
    api.setMeasureLoudness(api.defaultHandle(), 1);
  if (api.detectConfigure() != RESULT_OK) {
    std::fprintf(stderr, "detectConfigure refused the input\n");
    std::exit(1);
  }
  std::int32_t frames = 0;
  api.getConfigure(GET_FRAME_COUNT, &frames);
  MERET r = RESULT_OK;
  int n = 0;
  while (r == RESULT_OK) {
    r = api.processFrame();
    ++n;
  }
  api.closeCoder();
  api.endCoder();
  if (loudness)
    api.freeLoudness(api.takeLoudness(api.defaultHandle()));
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (r != RESULT_END_OF_INPUT || n != frames) {
    std::fprintf(stderr, "encode ended with %d after %d of %d frames\n", r, n, frames);
    std::exit(1);
  }
  *calls = n;
  return seconds;
}

double runLame(const std::string& in, const std::string& out, const Preset& preset) {
  const std::string cmd =
      std::string("lame --quiet ") + preset.lameArgs + " -m j '" + in + "' '" + out + "'";
  const auto start = Clock::now();
  if (std::system(cmd.c_str()) != 0) {
    std::fprintf(stderr, "the lame command failed\n");
    std::exit(1);
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<short> decodeLeftRight(const std::vector<unsigned char>& mp3) {
  std::vector<short> out; // interleaved
  hip_t hip = hip_decode_init();
  std::vector<short> l(1152 * 4), r(1152 * 4);
  std::vector<unsigned char> data(mp3);
  mp3data_struct info{};
  for (std::size_t at = 0; at < data.size();) {
    const std::size_t piece = std::min<std::size_t>(4096, data.size() - at);
    int n = hip_decode1_headers(hip, data.data() + at, piece, l.data(), r.data(), &info);
    at += piece;
    while (n > 0) {
      for (int i = 0; i < n; ++i) {
        out.push_back(l[static_cast<std::size_t>(i)]);
        out.push_back(r[static_cast<std::size_t>(i)]);
      }
      n = hip_decode1_headers(hip, data.data(), 0, l.data(), r.data(), &info);
    }
  }
  hip_decode_exit(hip);
  return out;
}

// SNR of the decoded stream against the input, at the offset (encoder plus decoder delay)
// where the two line up best.
double snr(const std::vector<std::int16_t>& ref, const std::vector<short>& dec, int* offset) {
  const std::size_t probe = 2 * kRate; // one second from the tenth
  const std::size_t from = 20 * static_cast<std::size_t>(kRate);
  double best = -1;
  int bestOff = 0;
  for (int off = 0; off <= 4000; ++off) {
    double c = 0;
    for (std::size_t i = from; i < from + probe; ++i) {
      c += double(ref[i]) * dec[i + 2 * static_cast<std::size_t>(off)];
    }
    if (c > best) {
      best = c;
      bestOff = off;
    }
  }
  *offset = bestOff;
  double sig = 0, err = 0;
  const std::size_t n = std::min(ref.size(), dec.size() - 2 * static_cast<std::size_t>(bestOff));
  for (std::size_t i = 0; i < n; ++i) {
    const double e = double(ref[i]) - dec[i + 2 * static_cast<std::size_t>(bestOff)];
    sig += double(ref[i]) * ref[i];
    err += e * e;
  }
  return 10 * std::log10(sig / err);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Size of the first frame (the info frame) of a stream that starts with one.
std::size_t firstFrameSize(const std::vector<unsigned char>& mp3) {
  static const int br[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
  return mp3.size() < 4
             ? 0
             : static_cast<std::size_t>(144000 * br[mp3[2] >> 4] / 44100 + ((mp3[2] >> 1) & 1));
}

} // namespace

const Preset& presetNamed(const char* name) {
  return *std::find_if(std::begin(kPresets), std::end(kPresets),
                       [name](const Preset& p) { return std::strcmp(p.name, name) == 0; });
}

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0); // rounds show as they finish, also into a file
  const bool sizes = argc > 1 && std::strcmp(argv[1], "--sizes") == 0;
  const int rounds = argc > 1 && !sizes ? std::max(1, std::atoi(argv[1])) : 5;
  void* lib = dlopen("libgogo.so", RTLD_NOW);
  if (lib == nullptr) {
    std::fprintf(stderr, "cannot load libgogo.so: %s\n", dlerror());
    return 1;
  }
  Api api{};
  bind(lib, api.initializeWork, "MPGE_initializeWork");
  bind(lib, api.setConfigure, "MPGE_setConfigure");
  bind(lib, api.getConfigure, "MPGE_getConfigure");
  bind(lib, api.detectConfigure, "MPGE_detectConfigure");
  bind(lib, api.processFrame, "MPGE_processFrame");
  bind(lib, api.closeCoder, "MPGE_closeCoder");
  bind(lib, api.endCoder, "MPGE_endCoder");
  bind(lib, api.getVersion, "MPGE_getVersion");
  bind(lib, api.defaultHandle, "gogo_defaultHandle");
  bind(lib, api.setMeasureLoudness, "gogo_setMeasureLoudness");
  bind(lib, api.takeLoudness, "gogo_takeLoudness");
  bind(lib, api.freeLoudness, "gogo_freeLoudness");
  std::uint32_t code = 0;
  char text[512] = {};
  api.getVersion(&code, text);

  const fs::path dir = fs::temp_directory_path() / ("w2m-bench-encode-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string in = dir / "music.wav", outGogo = dir / "gogo.mp3", outLame = dir / "lame.mp3";
  const std::vector<std::int16_t> pcm = makeMusic();
  writeWav(in, pcm);
  std::printf("input: %d s of 44.1 kHz 16-bit stereo; library: %s (%u)\n", kSeconds, text, code);
  int calls = 0;

  if (sizes) {
    for (const Preset& preset : kPresets) {
      runGogo(api, in, outGogo, preset, false, &calls);
      const double mb = static_cast<double>(fs::file_size(outGogo)) / 1e6;
      std::printf("%-7s %6.2f MB per minute, %4.0f kbit/s on average\n", preset.name,
                  mb * 60 / kSeconds, mb * 8000 / kSeconds);
    }
    fs::remove_all(dir);
    return 0;
  }

  for (const char* name : kTimed) {
    const Preset& preset = presetNamed(name);
    std::printf("preset %s (lame %s -m j)\n", preset.name, preset.lameArgs);
    std::vector<double> gogoTimes, lameTimes, gainTimes;
    for (int round = 0; round < rounds; ++round) {
      gogoTimes.push_back(runGogo(api, in, outGogo, preset, false, &calls));
      lameTimes.push_back(runLame(in, outLame, preset));
      gainTimes.push_back(runGogo(api, in, outGogo + ".rg", preset, true, &calls));
      std::printf("  round %d: libgogo %.3f s, lame %.3f s, libgogo with ReplayGain %.3f s\n",
                  round + 1, gogoTimes.back(), lameTimes.back(), gainTimes.back());
    }
    const double g = median(gogoTimes), l = median(lameTimes), r = median(gainTimes);
    std::printf("  median: libgogo %.3f s (%d frame calls), lame %.3f s, ratio libgogo/lame "
                "%.3f; ReplayGain adds %.1f %%\n",
                g, calls, l, g / l, (r / g - 1) * 100);

    const auto mp3Gogo = readAll(outGogo), mp3Lame = readAll(outLame);
    const std::size_t skipG = firstFrameSize(mp3Gogo), skipL = firstFrameSize(mp3Lame);
    const bool same = mp3Gogo.size() - skipG == mp3Lame.size() - skipL &&
                      std::equal(mp3Gogo.begin() + static_cast<long>(skipG), mp3Gogo.end(),
                                 mp3Lame.begin() + static_cast<long>(skipL));
    int offG = 0, offL = 0;
    const double snrG = snr(pcm, decodeLeftRight(mp3Gogo), &offG);
    const double snrL = snr(pcm, decodeLeftRight(mp3Lame), &offL);
    std::printf("  sizes: libgogo %zu bytes, lame %zu bytes; audio frames identical: %s\n",
                mp3Gogo.size(), mp3Lame.size(), same ? "yes" : "no");
    std::printf(
        "  SNR: libgogo %.2f dB (offset %d), lame %.2f dB (offset %d), difference %.3f dB\n", snrG,
        offG, snrL, offL, snrG - snrL);
  }
  fs::remove_all(dir);
  dlclose(lib);
  return 0;
}

// Reads the six tag fields and the playing time of 2,000 files through libmp3infp and through
// a plain TagLib loop (FileRef, tag(), audioProperties()), alternating, and prints the medians
// and their ratio.
#include "AudioFixtures.h"

#include <mp3infp.h>

#include <fileref.h>
#include <tag.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

std::vector<std::string> makeTree(const fs::path& root) {
  using fixtures::Bytes;
  const std::string v2 =
      std::string("ID3\3\0\0\0\0\0\x17TIT2\0\0\0\x0d\0\0\0", 21) + "bench title\0";
  const Bytes id3v2(v2.begin(), v2.end() - 1);
  const Bytes v1 = fixtures::makeId3v1("title", "artist", "album", "2008", "comment", 1, 17);
  const Bytes cbr = fixtures::concat({id3v2, fixtures::makeMp3(2.0), v1});
  const Bytes vbr = fixtures::concat({fixtures::makeMp3(2.0, 44100, 2, 128, true), v1});
  fixtures::WavSpec spec;
  spec.seconds = 0.5;
  const Bytes wav =
      fixtures::makeWavWithChunks(spec, {fixtures::makeInfoList({{"INAM", "\x93\xfa\x96\x7b"},
                                                                 {"IART", "artist"},
                                                                 {"ICMT", "comment"},
                                                                 {"IGNR", "Rock"}})});
  std::vector<std::string> paths;
  for (int d = 0; d < 20; ++d) {
    const fs::path folder = root / ("disc" + std::to_string(d));
    fs::create_directories(folder);
    for (int i = 0; i < 100; ++i) {
      const int kind = i % 4;
      const fs::path p = folder / ("track" + std::to_string(i) + (kind == 3 ? ".wav" : ".mp3"));
      fixtures::writeFile(p, kind == 3 ? wav : kind == 2 ? vbr : cbr);
      paths.push_back(p.string());
    }
  }
  return paths;
}

std::size_t ours(const std::vector<std::string>& paths) {
  static const char* const kIds[] = {"INAM", "IART", "IPRD", "ICMT", "ICRD", "IGNR"};
  std::size_t bytes = 0;
  for (const std::string& p : paths) {
    if (mp3infp_Load(nullptr, p.c_str()) != 0)
      continue;
    std::string suffix;
    if (mp3infp_GetType() == 1) {
      const uint32_t bits = mp3infp_mp3_GetTagType();
      suffix = (bits & 4) ? "_rmp" : (bits & 2) ? "_v2" : "_v1";
    }
    for (const char* id : kIds) {
      char* v = nullptr;
      mp3infp_GetValue((std::string(id) + suffix).c_str(), &v);
      bytes += std::string(v).size();
    }
    char* t = nullptr;
    mp3infp_GetValue("TIME", &t);
    bytes += std::string(t).size();
  }
  return bytes;
}

std::size_t taglib(const std::vector<std::string>& paths) {
  std::size_t bytes = 0;
  for (const std::string& p : paths) {
    TagLib::FileRef f(p.c_str());
    if (f.isNull())
      continue;
    if (const TagLib::Tag* tag = f.tag()) {
      bytes += tag->title().size() + tag->artist().size() + tag->album().size() +
               tag->comment().size() + std::to_string(tag->year()).size() + tag->genre().size();
    }
    if (const TagLib::AudioProperties* a = f.audioProperties())
      bytes += std::to_string(a->lengthInSeconds()).size();
  }
  return bytes;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

} // namespace

int main() {
  fixtures::TempDir dir;
  const std::vector<std::string> paths = makeTree(dir.path());
  std::printf("files: %zu\n", paths.size());
  std::vector<double> a, b;
  for (int round = 0; round < 7; ++round) {
    auto t0 = Clock::now();
    const std::size_t x = ours(paths);
    auto t1 = Clock::now();
    const std::size_t y = taglib(paths);
    auto t2 = Clock::now();
    a.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    b.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
    std::printf("round %d: mp3infp %.1f ms, TagLib %.1f ms (%zu/%zu bytes of text)\n", round,
                a.back(), b.back(), x, y);
  }
  const double ma = median(a), mb = median(b);
  std::printf("median mp3infp %.1f ms, median TagLib %.1f ms, ratio %.2f\n", ma, mb, ma / mb);
  return 0;
}

// libFuzzer entry: any bytes as a file, loaded and read through every value name, then one value
// written. A write either holds the value afterwards, with the other tags read as before, or
// leaves the file byte for byte as it was. TMPDIR on a memory file system keeps it fast.
#include "mp3infp.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const kNames[] = {
    "INAM",     "IART",     "IPRD",     "ICMT",    "ICRD",     "IGNR",     "INAM_v1",
    "IART_v1",  "IPRD_v1",  "ICMT_v1",  "ICRD_v1", "IGNR_v1",  "INAM_v2",  "IART_v2",
    "IPRD_v2",  "ICMT_v2",  "ICRD_v2",  "IGNR_v2", "INAM_rmp", "IART_rmp", "IPRD_rmp",
    "ICMT_rmp", "ICRD_rmp", "IGNR_rmp", "TIME",    "TIME_MS",  "PATH",     "FILE"};

std::string inputPath() {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/mp3infp_fuzz_" + std::to_string(::getpid()) + ".bin";
}

std::string value(const char* name) {
  char* v = nullptr;
  mp3infp_GetValue(name, &v);
  if (!v)
    std::abort();
  return v;
}

std::string fileBytes(const std::string& path) {
  std::string out;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char block[65536];
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;)
      out.append(block, n);
    std::fclose(f);
  }
  return out;
}

void check(bool ok) {
  if (!ok)
    std::abort();
}

// Writes the title through the tag a WAV or MP3 file takes it in.
void writeTitle(const std::string& path, const std::uint8_t* data, std::size_t size) {
  const bool mp3 = mp3infp_GetType() == 1;
  const std::string v1 = value("INAM_v1"), v2 = value("INAM_v2"), time = value("TIME");
  const std::uint32_t bits = mp3infp_mp3_GetTagType();
  if (mp3 && !(bits & 0x04) && mp3infp_mp3_MakeRMP(path.c_str()) != 0) {
    check(fileBytes(path) == std::string(reinterpret_cast<const char*>(data), size));
    return;
  }
  if (mp3) {
    check((mp3infp_mp3_GetTagType() | 0x04) == (bits | 0x04) && mp3infp_mp3_GetTagType() & 0x04);
    check(value("INAM_v1") == v1 && value("INAM_v2") == v2 && value("TIME") == time);
  }
  const char* name = mp3 ? "INAM_rmp" : "INAM";
  check(mp3infp_SetValue(name, "fuzz") == 0);
  const std::string before = fileBytes(path);
  if (mp3infp_Save(path.c_str()) != 0) {
    check(fileBytes(path) == before);
    return;
  }
  check(mp3infp_Load(nullptr, path.c_str()) == 0 && value(name) == "fuzz");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = inputPath();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f)
    return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  if (mp3infp_Load(nullptr, path.c_str()) == 0) {
    mp3infp_GetType();
    mp3infp_mp3_GetTagType();
    for (const char* name : kNames)
      value(name);
    writeTitle(path, data, size);
  }
  return 0;
}

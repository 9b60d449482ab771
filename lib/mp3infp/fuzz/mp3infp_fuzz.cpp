// libFuzzer entry: any bytes as a file, loaded and read through every value name.
#include "mp3infp.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
    for (const char* name : kNames) {
      char* value = nullptr;
      mp3infp_GetValue(name, &value);
      if (!value)
        std::abort();
    }
  }
  return 0;
}

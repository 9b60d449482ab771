// An MP3 decoded by ffmpeg as players decode it (the LAME info frame's delay and padding
// honoured): its 16-bit samples, interleaved.
#pragma once

#include "TagTools.h"

#include <cstring>
#include <vector>

namespace ffmpeg_decode {

inline std::vector<std::int16_t> samples(const std::filesystem::path& file) {
  const std::string pcm =
      tag_tools::run("ffmpeg -v error -i " + tag_tools::quoted(file) + " -f s16le -");
  std::vector<std::int16_t> out(pcm.size() / 2);
  std::memcpy(out.data(), pcm.data(), out.size() * 2);
  return out;
}

} // namespace ffmpeg_decode

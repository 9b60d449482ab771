// The chunk layout of a RIFF file ('WAVE' or 'RMP3'), read without trusting any size field.
// RF64 (and BW64), the WAV of more than 4 GiB, is read too: its 64-bit sizes stand in its
// 'ds64' chunk.
#pragma once

#include "FileReader.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace mp3infp {

struct RiffChunk {
  std::string id;               // four characters
  std::uint64_t offset = 0;     // of the chunk header
  std::uint64_t dataOffset = 0; // of the chunk body
  std::uint64_t size = 0;       // as stored (an RF64 file's 'data' chunk: as its ds64 says)
  std::uint64_t available = 0;  // bytes of the body inside the file (less than size if cut)
  bool padded = false;          // an odd body is followed by its pad byte
};

// id, value bytes as stored (a text's terminating NUL included)
using InfoItems = std::vector<std::pair<std::string, std::string>>;

class RiffLayout {
public:
  // False when the file does not start with a RIFF header.
  bool read(const FileReader& file);

  const std::string& form() const { return form_; }
  // An RF64 or BW64 file; we read such files but never rewrite them.
  bool rf64() const { return rf64_; }
  const std::vector<RiffChunk>& chunks() const { return chunks_; }
  // End of the RIFF body inside the file; bytes past it are kept as a trailer.
  std::uint64_t bodyEnd() const { return bodyEnd_; }
  // Every chunk lies whole inside the body and the body ends on a chunk boundary: only then
  // can the file be rewritten chunk by chunk.
  bool sound() const { return sound_; }

  const RiffChunk* find(const std::string& id) const;
  // The first LIST chunk of type INFO, if any.
  const RiffChunk* firstInfoList() const;
  // A LIST chunk of type INFO small enough to be a tag; larger ones are opaque chunks.
  bool isInfoList(const FileReader& file, const RiffChunk& chunk) const;
  // The items of each INFO list, lists and items in file order. `complete` is false when some
  // list holds bytes that are not items (a rebuilt list would lose them).
  std::vector<InfoItems> readInfo(const FileReader& file, bool& complete) const;

private:
  std::string form_;
  std::vector<RiffChunk> chunks_;
  std::vector<bool> infoLists_;
  std::uint64_t bodyEnd_ = 0;
  bool sound_ = false;
  bool rf64_ = false;
};

// A LIST/INFO chunk holding the items byte for byte, header included, each odd item padded.
std::string RenderInfoList(const InfoItems& items);

bool IsValidFourcc(const std::string& id);
std::uint32_t ReadLE32(const char* p);
void AppendLE32(std::string& out, std::uint32_t v);

} // namespace mp3infp

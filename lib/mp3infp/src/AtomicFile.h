// Rewriting a file the user owns without ever leaving it half written.
#pragma once

#include "FileReader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mp3infp {

// One stretch of the new file: bytes copied from the source file, or literal bytes.
struct Piece {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
  std::string literal;
  bool isLiteral = false;

  static Piece Range(std::uint64_t offset, std::uint64_t length) {
    return {offset, length, {}, false};
  }
  static Piece Bytes(std::string bytes) {
    const auto n = bytes.size();
    return {0, n, std::move(bytes), true};
  }
};

std::uint64_t TotalLength(const std::vector<Piece>& pieces);

// Writes the pieces to a temporary file in the folder of `path` (symbolic links followed),
// flushes it to disk, gives it the original's permissions and renames it over the original.
// Refuses (non-zero, nothing changed) when the file is not writable, its owner's write
// permission is off, or it is no longer the one `source` read. On any failure the temporary file is
// removed and the original stays intact.
int WriteAtomically(const std::string& path, const FileReader& source,
                    const std::vector<Piece>& pieces);

} // namespace mp3infp

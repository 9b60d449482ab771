// One stretch of a file being built: bytes copied from another file, or literal bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mp3infp {

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

// `over` describes a file by ranges of a file that `under` describes by ranges of a third:
// the same file described by ranges of the third, literal bytes taken along. Ranges of `over`
// past the end of `under` are cut there.
std::vector<Piece> ComposePieces(const std::vector<Piece>& over, const std::vector<Piece>& under);

} // namespace mp3infp

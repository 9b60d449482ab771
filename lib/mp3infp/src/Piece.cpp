#include "Piece.h"

namespace mp3infp {

std::uint64_t TotalLength(const std::vector<Piece>& pieces) {
  std::uint64_t total = 0;
  for (const Piece& p : pieces)
    total += p.length;
  return total;
}

std::vector<Piece> ComposePieces(const std::vector<Piece>& over, const std::vector<Piece>& under) {
  std::vector<Piece> out;
  for (const Piece& piece : over) {
    if (piece.isLiteral) {
      out.push_back(piece);
      continue;
    }
    std::uint64_t at = piece.offset;
    std::uint64_t left = piece.length;
    std::uint64_t start = 0; // of the piece of `under` looked at
    for (const Piece& u : under) {
      if (left == 0)
        break;
      if (at < start + u.length) {
        const std::uint64_t skip = at - start;
        const std::uint64_t n = u.length - skip < left ? u.length - skip : left;
        out.push_back(u.isLiteral ? Piece::Bytes(u.literal.substr(static_cast<std::size_t>(skip),
                                                                  static_cast<std::size_t>(n)))
                                  : Piece::Range(u.offset + skip, n));
        at += n;
        left -= n;
      }
      start += u.length;
    }
  }
  return out;
}

} // namespace mp3infp

// The field memory: eleven texts copied from the tag boxes of one file and pasted onto the
// next, so the tracks of an album get the same fields one after the other. Empty at start,
// kept for the whole run, never saved. The title is not kept: pasting sets it from the file
// name instead.
#pragma once

#include <QString>

#include <array>
#include <cstddef>

class FieldMemory {
public:
  // The slots, in the order they are pasted back.
  enum Slot : std::size_t {
    Artist,
    Album,
    Comment,
    Id,
    JacketImage,
    Year,
    Lyricist,
    Composer,
    Arranger,
    Performer,
    Genre,
    SlotCount
  };
  using Texts = std::array<QString, SlotCount>;

  // Stores every slot at once (the copy button).
  void Copy(const Texts& texts) { texts_ = texts; }

  // Every slot, empty ones included (the paste button).
  const Texts& Paste() const { return texts_; }

  const QString& Text(Slot slot) const { return texts_[slot]; }

  // The title a pasted file gets: the bare file name (any folder part dropped) without its
  // extension, which runs from the last "." on; a name without "." stays whole.
  static QString TitleFromFileName(const QString& fileName);

private:
  Texts texts_;
};

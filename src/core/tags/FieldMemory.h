// The field memory: the texts copied from the tag boxes of one file and pasted onto the next, so
// the tracks of an album get the same fields one after the other. Empty at start, kept for the
// whole run, never saved. A slot holds nothing (nullopt) when nothing was copied into it; a paste
// then leaves the box as it is. The title is not kept: a paste makes it from the file's name.
#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <optional>

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
    Track,
    SlotCount
  };
  using Texts = std::array<std::optional<QString>, SlotCount>;

  // Stores every slot at once (the copy button), copied from the file `file`.
  void Copy(const Texts& texts, const QString& file) {
    texts_ = texts;
    copiedFile_ = file;
  }
  // Every slot (the paste button).
  const Texts& Paste() const { return texts_; }
  // The file the slots were copied from; empty before any copy.
  const QString& CopiedFile() const { return copiedFile_; }

private:
  Texts texts_;
  QString copiedFile_;
};

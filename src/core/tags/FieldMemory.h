// The field memory: eleven texts copied from the tag boxes of one file and pasted onto the
// next, so the tracks of an album get the same fields one after the other, and the track
// number, which each paste onto another file counts on by one. Empty at start, kept for the
// whole run, never saved. The title is not kept: pasting sets it from the file name instead.
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
    Track,
    SlotCount
  };
  using Texts = std::array<QString, SlotCount>;

  // Stores every slot at once (the copy button), copied from the file `file`.
  void Copy(const Texts& texts, const QString& file = {}) {
    texts_ = texts;
    trackFile_ = file;
  }
  // The track number a paste onto the file `file` gives: the one after the track copied or
  // pasted last, which it then replaces; the same again on the file that track belongs to (a
  // second paste onto one file). Empty when no track was copied.
  QString PasteTrack(const QString& file);

  // Every slot, empty ones included (the paste button).
  const Texts& Paste() const { return texts_; }

  const QString& Text(Slot slot) const { return texts_[slot]; }

  // The title a pasted file gets: the bare file name (any folder part dropped) without its
  // extension, which runs from the last "." on; a name without "." stays whole.
  static QString TitleFromFileName(const QString& fileName);

private:
  Texts texts_;
  // The file the track slot's number belongs to.
  QString trackFile_;
};

// The tag fields the program shows and edits, one row each: what the field is called, where each
// kind of tag keeps it, how much of it is shown, and what the field memory does with it. Reading,
// writing, the tag copy of a conversion, the field memory, the window's boxes and the command
// line all walk this table: a new field is a new row (and its box in the window).
#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

enum class TagField : std::uint8_t {
  Title,
  Artist,
  Album,
  Comment,
  Year,
  Genre,
  Track,
  // Parts of the comment ("ID:x/作詩:y"), each in a box of its own, in the order a composed
  // comment lists them.
  Id,
  Jacket,
  Lyricist,
  Composer,
  Arranger,
  Performer,
};
inline constexpr std::size_t kTagFieldCount = 13;

// Where an ID3v1 tag keeps a field: its first byte in the 128-byte tag and how many bytes it has
// (0: none). The genre and the track (ID3v1.1) are one byte each, a number.
struct Id3v1Slot {
  int offset = 0;
  int bytes = 0;
};

// What the field memory does with a field when it copies the boxes and pastes them on another
// file.
enum class MemoryRule : std::uint8_t {
  // Not kept: a paste gives an empty box the name the file's name gives (the title).
  FromFileName,
  // What the box holds; an empty box only when the user emptied a value the file holds, so
  // that the empty box is pasted on purpose.
  Typed,
  // What the box holds; an empty box never: a paste never empties it (the comment).
  NeverEmptied,
  // Only what the user picked or typed since the file was shown (the jacket image).
  WhenChosen,
  // The track: the file it is pasted on keeps its own, else the one its name proposes, else
  // the copied one counted on by the file's distance in the list.
  Numbered,
};

struct TagFieldRow {
  TagField field;
  // The field's name on the command line ("set --title", "tags --json"); nullptr: none there.
  const char* name;
  // As the window labels its box (UTF-8).
  const char* label;
  // The RIFF INFO item, by which the tag library also names the field; nullptr: none.
  const char* infoId;
  // The ID3v2.3 frame the tag library keeps it in; nullptr: none.
  const char* id3v2Frame;
  Id3v1Slot id3v1;
  // The marker of a comment part ("作詩:", UTF-8); nullptr for a field of its own.
  const char* commentMarker;
  // At most this many bytes of the stored value's first line are shown (in its 8-bit form where
  // it has one); the whole first line when negative.
  int shownBytes;
  // The value is a track number ("3", "3/12"; TrackNumber::Normalized).
  bool trackNumber;
  // `tags` names the field for a file that holds none.
  bool listedWhenEmpty;
  MemoryRule memory;

  // Whether a file's tags hold the field (it has a place in the tag library).
  bool Stored() const { return infoId != nullptr || id3v2Frame != nullptr; }
  // The name the tag library knows the field by.
  const char* LibraryName() const { return infoId != nullptr ? infoId : id3v2Frame; }
  QString Label() const { return QString::fromUtf8(label); }
  QString CommentMarker() const { return QString::fromUtf8(commentMarker); }
};

// A value is shown up to this many bytes: as much as the first design's boxes held.
inline constexpr int kShownTagBytes = 128;

// Every field, in the order of TagField.
// clang-format off
inline constexpr std::array<TagFieldRow, kTagFieldCount> kTagFields{{
  // field               name       label             INFO    ID3v2   ID3v1      comment  shown           track  listed memory
  {TagField::Title,     "title",   "タイトル",       "INAM", "TIT2", {3, 30},   nullptr, kShownTagBytes, false, true,  MemoryRule::FromFileName},
  {TagField::Artist,    "artist",  "アーチスト",     "IART", "TPE1", {33, 30},  nullptr, kShownTagBytes, false, true,  MemoryRule::Typed},
  {TagField::Album,     "album",   "アルバム",       "IPRD", "TALB", {63, 30},  nullptr, kShownTagBytes, false, true,  MemoryRule::Typed},
  {TagField::Comment,   "comment", "コメント",       "ICMT", "COMM", {97, 30},  nullptr, kShownTagBytes, false, true,  MemoryRule::NeverEmptied},
  {TagField::Year,      "year",    "リリース年",     "ICRD", "TYER", {93, 4},   nullptr, kShownTagBytes, false, true,  MemoryRule::Typed},
  {TagField::Genre,     "genre",   "ジャンル",       "IGNR", "TCON", {127, 1},  nullptr, kShownTagBytes, false, true,  MemoryRule::Typed},
  {TagField::Track,     "track",   "トラック番号",   "ITRK", "TRCK", {126, 1},  nullptr, kShownTagBytes, true,  false, MemoryRule::Numbered},
  {TagField::Id,        nullptr,   "TITLE ID",       nullptr, nullptr, {},      "ID:",   -1,             false, false, MemoryRule::Typed},
  {TagField::Jacket,    nullptr,   "ジャケット画像", nullptr, nullptr, {},      "画像:", -1,             false, false, MemoryRule::WhenChosen},
  {TagField::Lyricist,  nullptr,   "作詞",           nullptr, nullptr, {},      "作詩:", -1,             false, false, MemoryRule::Typed},
  {TagField::Composer,  nullptr,   "作曲",           nullptr, nullptr, {},      "作曲:", -1,             false, false, MemoryRule::Typed},
  {TagField::Arranger,  nullptr,   "編曲",           nullptr, nullptr, {},      "編曲:", -1,             false, false, MemoryRule::Typed},
  {TagField::Performer, nullptr,   "演奏",           nullptr, nullptr, {},      "演奏:", -1,             false, false, MemoryRule::Typed},
}};
// clang-format on

constexpr bool InFieldOrder() {
  for (std::size_t i = 0; i < kTagFields.size(); ++i)
    if (static_cast<std::size_t>(kTagFields[i].field) != i)
      return false;
  return true;
}
static_assert(InFieldOrder(), "kTagFields lists the fields in the order of TagField");

constexpr const TagFieldRow& RowOf(TagField field) {
  return kTagFields[static_cast<std::size_t>(field)];
}

// The row whose command-line name is `name`; nullptr when none is.
const TagFieldRow* RowNamed(const QString& name);

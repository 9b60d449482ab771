// One file's tag as the window shows it: a text for each field of the table (TagField), the track
// its name proposes, the playing time and whether the jacket image was chosen. The window shows
// one and hands one to the tag logic, which works on these values and on files, never on the
// window's boxes.
#pragma once

#include "core/tags/TagField.h"

#include <QString>

#include <array>
#include <bitset>
#include <optional>

struct TagFields {
  // The fields' texts, in the order of TagField. The track is empty while the box shows a
  // proposal.
  std::array<QString, kTagFieldCount> texts;
  // Fields whose boxes a showing or an edit leaves as they are: the jacket image box (and its
  // list of the folder's images) when the comment names no image, the track box when a paste
  // brings no number, the fields `set` was not given.
  std::bitset<kTagFieldCount> kept;
  // The track the file's name proposes while the file has none, shown in a lighter colour and
  // written with the tag; empty once the user typed over it.
  QString ProposedTrack;
  // The playing time; nullopt leaves the box as it is.
  std::optional<QString> PlayingTime;
  // True once the user picked or typed the jacket image (or pasted one) since the file was
  // shown: that image becomes the file's cover, in place of one it has.
  bool JacketChosen = false;

  QString& operator[](TagField field) { return texts[static_cast<std::size_t>(field)]; }
  const QString& operator[](TagField field) const { return texts[static_cast<std::size_t>(field)]; }
  bool Kept(TagField field) const { return kept.test(static_cast<std::size_t>(field)); }
  void Keep(TagField field, bool keep = true) { kept.set(static_cast<std::size_t>(field), keep); }
  // The jacket image box's text; nullopt while the box is kept as it is.
  std::optional<QString> Jacket() const {
    return Kept(TagField::Jacket) ? std::nullopt
                                  : std::optional<QString>((*this)[TagField::Jacket]);
  }

  // True when the fields a file's tags hold equal those of `other` (byte for byte in their UTF-8
  // form).
  bool SameTag(const TagFields& other) const {
    for (const TagFieldRow& row : kTagFields)
      if (row.Stored() && (*this)[row.field] != other[row.field])
        return false;
    return true;
  }
  // True when, besides, the comment part boxes hold the same texts.
  bool SameBoxes(const TagFields& other) const {
    for (const TagFieldRow& row : kTagFields)
      if (Kept(row.field) != other.Kept(row.field) ||
          (!Kept(row.field) && (*this)[row.field] != other[row.field]))
        return false;
    return true;
  }
};

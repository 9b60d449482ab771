// One file's tag as the main window shows it: the six tag fields and the track number, the
// playing time and the parts split out of the comment. The window shows one and reads one back; the
// tag logic works on these values and on files, never on the window's boxes.
#pragma once

#include <QString>

#include <optional>

struct TagFields {
  QString Title;
  QString Artist;
  QString Album;
  QString Comment;
  QString Year;
  QString Genre;
  // The track number ("3", "3/12"); empty while the box shows a proposal.
  QString Track;
  // The track the file's name proposes while the file has none, shown in a lighter colour and
  // written with the tag; empty once the user typed over it.
  QString ProposedTrack;
  // The playing time; nullopt leaves the box as it is.
  std::optional<QString> PlayingTime;

  // The comment parts in their boxes.
  QString Id;
  QString Lyricist;
  QString Composer;
  QString Arranger;
  QString Performer;
  // The jacket image box's text; nullopt leaves the box (and its list) as it is.
  std::optional<QString> Jacket;
  // True once the user picked or typed the jacket image (or pasted one) since the file was
  // shown: that image becomes the file's cover, in place of one it has.
  bool JacketChosen = false;

  // True when the six tag fields and the track equal those of `other` (byte for byte in their
  // UTF-8 form).
  bool SameTag(const TagFields& other) const {
    return Title == other.Title && Artist == other.Artist && Album == other.Album &&
           Comment == other.Comment && Year == other.Year && Genre == other.Genre &&
           Track == other.Track;
  }
  // True when, besides, the comment part boxes hold the same texts.
  bool SameBoxes(const TagFields& other) const {
    return SameTag(other) && Id == other.Id && Lyricist == other.Lyricist &&
           Composer == other.Composer && Arranger == other.Arranger &&
           Performer == other.Performer && Jacket == other.Jacket;
  }
};

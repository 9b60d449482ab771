// Rebuilds a loaded file with changed tags, copying every other byte from the original.
#pragma once

#include "FieldNames.h"
#include "Picture.h"
#include "TagFile.h"

#include <optional>

namespace mp3infp {

struct TagChanges {
  // RIFF INFO values (WAV, or an RMP3 file's INFO list), UTF-8. A WAV file's 'id3 ' chunk
  // takes them too, and alone those of the fields INFO has no item for.
  FieldValues info;
  FieldValues id3v1; // ID3v1 values, UTF-8
  // ID3v2 values, UTF-8: the tag is rewritten in its own version (RenderId3v2).
  FieldValues id3v2;
  // The ID3v2 fields the ID3v1 tag then takes over: those in `id3v2`, every one (an ID3v1 tag
  // made to go with the ID3v2 tag), or none (`id3v2` holds the ID3v1 tag's own values).
  enum class Mirror { Changed, All, None } mirror = Mirror::Changed;
  // The front cover for the ID3v2 tag of an MP3 stream (made when missing) or a WAV file's
  // 'id3 ' chunk (made when missing, as addId3v2 makes it).
  std::optional<Picture> cover;
  // User text frames (TXXX) for the ID3v2 tag of an MP3 stream (made when missing).
  UserTexts userTexts;
  bool addId3v1 = false;  // append an empty ID3v1 tag when there is none
  bool addId3v2 = false;  // an ID3v2.3 tag for a stream without one, an 'id3 ' chunk for a WAV
  bool wrapRmp = false;   // make sure the file is RIFF 'RMP3' with an INFO list
  bool unwrapRmp = false; // an RMP3 file becomes its MPEG stream, with `id3v2` in its tag
};

// Whether a WAV file takes `changes` only with an 'id3 ' chunk: a cover, or a field its INFO list
// has no item for, or one asked for.
bool NeedsId3Chunk(const TagChanges& changes);

// Brings the ID3v1 `tag` in line with the ID3v2 tag, whose fields read `id3v2` after `changes`,
// as `changes.mirror` says.
void MirrorChangesToId3v1(const TagChanges& changes, const FieldValues& id3v2, Id3v1Tag& tag);

// The file with the changes made, as pieces of it: 0, or why it cannot be (an MP3INFP_SAVE_
// code from 20 on). The MPEG stream of an MP3 file (ID3v2 tag, frames,
// APE tag, ID3v1 tag) stays one run of bytes: wrapping it in RIFF 'RMP3' puts all of it, byte
// for byte, into the 'data' chunk, followed by a LIST/INFO chunk; unwrapping takes it out
// again, its ID3v2 tag rebuilt. Between the tags the MPEG frames are never touched.
int RenderChanges(const TagFile& file, const TagChanges& changes, std::vector<Piece>& pieces);

// Writes the file with the changes made (RenderChanges, WriteAtomically): 0 when it holds them.
int ApplyChanges(const TagFile& file, const TagChanges& changes);

} // namespace mp3infp

// Rebuilds a loaded file with changed tags, copying every other byte from the original.
#pragma once

#include "FieldNames.h"
#include "TagFile.h"

namespace mp3infp {

struct TagChanges {
  FieldValues info;      // RIFF INFO values (WAV, or an RMP3 file's INFO list), UTF-8
  FieldValues id3v1;     // ID3v1 values, UTF-8
  bool addId3v1 = false; // append an empty ID3v1 tag when there is none
  bool wrapRmp = false;  // make sure the file is RIFF 'RMP3' with an INFO list
};

// 0 when the file now holds the changes. The MPEG stream of an MP3 file (ID3v2 tag, frames,
// APE tag, ID3v1 tag) stays one run of bytes: wrapping it in RIFF 'RMP3' puts all of it, byte
// for byte, into the 'data' chunk, followed by a LIST/INFO chunk.
int ApplyChanges(const TagFile& file, const TagChanges& changes);

} // namespace mp3infp

// What a rewritten file must read as before it may replace the original.
#pragma once

#include "AtomicFile.h"
#include "TagFile.h"

#include <map>
#include <string>

namespace mp3infp {

// A check for ScopedReadBack: the temporary file, loaded with our own reader, is of the same
// type as `before`; every value in `edits` (value name -> UTF-8) reads back as set (CP932
// look-alikes folded, ID3v1 fields as the 128-byte tag holds them); every other value of the
// six fields reads as before; no tag is lost and none appears that was not asked for. So a
// change that lands where our reader does not find it (an ID3v2 size that swallows an appended
// tag) fails instead of reporting success.
ReadBack ExpectReadBack(const TagFile& before, const std::map<std::string, std::string>& edits,
                        bool addsId3v1 = false, bool wrapsRmp = false);

} // namespace mp3infp

// ReplayGain 2.0 values in an MP3's ID3v2 tag, as TXXX frames REPLAYGAIN_TRACK_GAIN,
// REPLAYGAIN_TRACK_PEAK, REPLAYGAIN_ALBUM_GAIN and REPLAYGAIN_ALBUM_PEAK (what foobar2000,
// Rockbox, mpv and most players read). RIFF SIF has no place for them: ReplayGain is refused
// with that format, never dropped without a word.
#pragma once

#include "core/encoder/LoudnessMeasure.h"
#include "core/settings/Options.h"

#include <mp3infp_handle.h>

#include <QString>

namespace ReplayGainTags {

// Why the conversions `options` ask for cannot write ReplayGain, for the user; empty when they
// can or do not ask for it. `measures` tells whether the encoder module measures loudness.
QString Refusal(const Options& options, bool measures);

// Writes the track's values (or, with `album`, the album's) into the MP3 at `path` through
// `handle`, the file rewritten once as the tag library rewrites files (a lock it keeps for the
// new file is the caller's to take). The file stays loaded. False, with `why` naming the file
// as `shownPath`, when they could not be written.
bool Write(MP3INFP_HANDLE* handle, const QString& path, const QString& shownPath, bool album,
           const LoudnessMeasure::ReplayGain& values, QString& why);

} // namespace ReplayGainTags

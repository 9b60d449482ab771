// Track numbers as the track box holds them: "3", or "3/12" with the album's number of tracks.
// Turning what was typed into what a tag stores, proposing one from a file's name, and the
// number after one (a paste onto the next track of an album).
#pragma once

#include <QString>

#include <optional>

namespace TrackNumber {

// What a tag stores for `typed`: full-width digits, "／" and blanks around the numbers (as a
// Japanese input method gives them) become plain text, "3 / 12" becomes "3/12", a trailing "/"
// goes. Empty for a box left empty (the track is removed). nullopt when it is no track number:
// digits, optionally "/" and more digits, nine at most each.
std::optional<QString> Normalized(const QString& typed);

// The track a file's name proposes: the number its bare name starts with, one to three digits
// followed by no further digit ("03 曲名.wav" gives "3"; "2008 live.wav" and "0 intro.wav" give
// nothing). Empty when there is none.
QString FromFileName(const QString& fileName);

// The track after `track`, written the same way: "3/12" gives "4/12", "09" gives "10"; the
// number of tracks goes when the new number passes it ("12/12" gives "13"). Empty for an empty
// or unreadable track.
QString Next(const QString& track);

} // namespace TrackNumber

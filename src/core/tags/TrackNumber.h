// Track numbers as the track box holds them: "3", or "3/12" with the album's number of tracks.
// Turning what was typed into what a tag stores, proposing one (and a title) from a file's name,
// and the number a paste gives the file it lands on.
#pragma once

#include <QString>

#include <optional>

namespace TrackNumber {

// What a tag stores for `typed`: full-width digits, "／" and blanks around the numbers (as a
// Japanese input method gives them) become plain text, "3 / 12" becomes "3/12", a trailing "/"
// goes. Empty for a box left empty (the track is removed). nullopt when it is no track number:
// digits, optionally "/" and more digits, nine at most each.
std::optional<QString> Normalized(const QString& typed);

// What a file's name proposes. Its bare name may start with a track number of one to three
// digits followed by no further digit ("03 曲名.wav", "12-title.mp3"; full-width digits too), a
// disc and a track ("1-03 曲名.wav": disc 1, track 3), or "Track" and a number ("Track03.wav").
// A number 0, or of four digits ("2008 live.wav"), proposes nothing.
struct NameProposal {
  QString track; // "3"; empty when the name proposes none
  QString disc;  // "1" for "1-03 曲名.wav"; empty when the name holds no disc number
  // The name without its extension and without the leading number and the blanks, "-", "_" or
  // "." after it ("曲名"); the whole name without its extension when nothing would remain.
  QString title;
};
NameProposal FromName(const QString& fileName);

// The track FromName proposes for `fileName`; empty when none.
inline QString FromFileName(const QString& fileName) {
  return FromName(fileName).track;
}

// The track a paste of the copied track `copied` gives the file `fileName` whose box holds `own`
// (its stored or typed number, empty for none): its own number, else the one its name proposes,
// else the copied number plus `distance`, the file's places after the copied file in the list
// (nullopt when unknown). The copied number of tracks ("/12") comes along unless the number
// already has one or passes it. A number `own` that is not plain ("A1") stays as it is. Empty
// when nothing is to be pasted: no track was copied, or no number comes of the three.
QString ForPaste(const QString& copied, const QString& own, const QString& fileName,
                 std::optional<int> distance);

} // namespace TrackNumber

// Track numbers: what a typed track becomes in the tag, the number a file's name proposes, and
// the next number of a paste.
#include "core/tags/TrackNumber.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

QString Q(const char* text) {
  return QString::fromUtf8(text);
}

TEST(TrackNumberTest, TypedTextBecomesWhatATagStores) {
  const std::pair<const char*, const char*> stored[] = {
      {"3", "3"},
      {" 3 / 12 ", "3/12"},
      {"３／１２", "3/12"},
      {"3/", "3"},
      {"", ""},
      {"\u3000", ""},
      {"007", "007"},
      {"999999999/999999999", "999999999/999999999"}};
  for (const auto& [typed, tag] : stored)
    EXPECT_EQ(TrackNumber::Normalized(Q(typed)), Q(tag)) << typed;
  for (const char* refused : {"a", "3/12/1", "/12", "1 2", "1234567890", "-3", "3.5", "三"})
    EXPECT_EQ(TrackNumber::Normalized(Q(refused)), std::nullopt) << refused;
}

// track|disc|title
TEST(TrackNumberTest, FileNameProposesItsLeadingNumberAndTitle) {
  const std::pair<const char*, const char*> proposed[] = {{"03 曲名.wav", "3||曲名"},
                                                          {"/music/12-title.mp3", "12||title"},
                                                          {"1.wav", "1||1"},
                                                          {"007 x.wav", "7||x"},
                                                          {"1-01 曲.wav", "1|1|曲"},
                                                          {"1-02 b.wav", "2|1|b"},
                                                          {"2-01 c.v2.wav", "1|2|c.v2"},
                                                          {"０３　曲.wav", "3||曲"},
                                                          {"Track03.wav", "3||Track03"},
                                                          {"track 12 - x.mp3", "12||x"},
                                                          {"2008 live.wav", "||2008 live"},
                                                          {"0 intro.wav", "||0 intro"},
                                                          {"曲名 03.wav", "||曲名 03"},
                                                          {"/music/01/song.wav", "||song"}};
  for (const auto& [name, expected] : proposed) {
    const TrackNumber::NameProposal p = TrackNumber::FromName(Q(name));
    EXPECT_EQ(p.track + u'|' + p.disc + u'|' + p.title, Q(expected)) << name;
  }
}

// copied|own|file name|distance → what a paste gives; distance -99 stands for unknown.
TEST(TrackNumberTest, PasteGivesTheTargetsOwnNumber) {
  const std::tuple<const char*, const char*, const char*, int, const char*> pastes[] = {
      {"2/12", "", "04 d.wav", 5, "4/12"}, {"2/12", "", "03 c.wav", -1, "3/12"},
      {"2/12", "5", "x.wav", 1, "5/12"},   {"2/12", "5/9", "x.wav", 1, "5/9"},
      {"2/12", "A1", "x.wav", 1, "A1"},    {"02/12", "", "x.wav", 2, "04/12"},
      {"12/12", "", "x.wav", 1, "13"},     {"2/12", "", "x.wav", -99, ""},
      {"2", "", "x.wav", -2, ""},          {"", "", "04 d.wav", 2, ""}};
  for (const auto& [copied, own, name, distance, expected] : pastes)
    EXPECT_EQ(TrackNumber::ForPaste(Q(copied), Q(own), Q(name),
                                    distance == -99 ? std::nullopt : std::optional(distance)),
              Q(expected))
        << copied << " " << own << " " << name;
}

} // namespace

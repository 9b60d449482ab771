// Track numbers: what a typed track becomes in the tag, the number a file's name proposes, and
// the next number of a paste.
#include "core/tags/TrackNumber.h"

#include <gtest/gtest.h>

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

TEST(TrackNumberTest, FileNameProposesItsLeadingNumber) {
  const std::pair<const char*, const char*> proposed[] = {
      {"03 曲名.wav", "3"}, {"/music/12-title.mp3", "12"}, {"1.wav", "1"},
      {"007 x.wav", "7"},   {"2008 live.wav", ""},         {"0 intro.wav", ""},
      {"曲名 03.wav", ""},  {"/music/01/song.wav", ""}};
  for (const auto& [name, track] : proposed)
    EXPECT_EQ(TrackNumber::FromFileName(Q(name)), Q(track)) << name;
}

TEST(TrackNumberTest, NextCountsOnInTheSameForm) {
  const std::pair<const char*, const char*> next[] = {
      {"3/12", "4/12"}, {"09", "10"}, {"12/12", "13"}, {"３", "4"}, {"", ""}, {"x", ""}};
  for (const auto& [track, after] : next)
    EXPECT_EQ(TrackNumber::Next(Q(track)), Q(after)) << track;
}

} // namespace

// The command line's arguments: options anywhere, "--" and "--name=value", file names kept as
// their bytes, tag values by the 8-bit text rule, and each mistake a usage error.
#include "app/cli/CliArguments.h"
#include "core/fs/FsPath.h"

#include <gtest/gtest.h>

TEST(CliArgumentsTest, TakesOptionsAnywhereAndKeepsNamesAsBytes) {
  const QByteArray cp932Name = "\x8b\xc8.wav"; // 曲.wav in CP932
  QString error;
  const CliRequest convert = ParseArguments(
      {"convert", cp932Name, "--jobs=0", "--tag-format", "ID3V2", "--no-trash", "--", "--odd.wav"},
      error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(convert.command, CliRequest::Command::Convert);
  ASSERT_EQ(convert.paths.size(), 2);
  EXPECT_EQ(FsPath::Encode(convert.paths[0]), cp932Name);
  EXPECT_EQ(convert.paths[1], "--odd.wav");
  EXPECT_EQ(convert.jobs, 0);
  EXPECT_EQ(convert.tagFormat, Options::Mp3Format::Id3v2);
  EXPECT_EQ(convert.trash, false);
  EXPECT_FALSE(convert.copyTags.has_value());
  EXPECT_FALSE(convert.quality.has_value());

  // The quality as lame spells it, the value attached or apart.
  EXPECT_EQ(ParseArguments({"convert", "d", "-b192"}, error).quality, Options::Quality::Cbr192);
  const CliRequest vbr = ParseArguments({"convert", "--vbr", "0", "--replaygain", "d"}, error);
  EXPECT_TRUE(error.isEmpty() && vbr.quality == Options::Quality::V0 && vbr.replayGain == true);

  // A value in CP932 and one in UTF-8 both read as the Japanese they are.
  const CliRequest set =
      ParseArguments({"--artist", "\x97\x52\x8b\x49", "set", "a.mp3", "--title", "夜明け"}, error);
  EXPECT_EQ(error, "");
  ASSERT_EQ(set.fields.size(), 2u);
  EXPECT_EQ(set.fields[0].second, QStringLiteral("由紀"));
  EXPECT_EQ(set.fields[1], std::pair(TagField::Title, QStringLiteral("夜明け")));
}

TEST(CliArgumentsTest, MistakesAreUsageErrors) {
  for (const QByteArrayList& arguments : {QByteArrayList{},
                                          {"play", "a.wav"},
                                          {"convert"},
                                          {"convert", "--jobs", "65", "d"},
                                          {"convert", "--jobs"},
                                          {"convert", "--trash=yes", "d"},
                                          {"convert", "-b", "320", "-V", "2", "d"},
                                          {"tags", "--trash", "a.mp3"},
                                          {"tags", "--tag-format", "rmp", "a.mp3"},
                                          {"set", "a.mp3"},
                                          {"convert", "--title", "x", "d"},
                                          {"tags", "--bogus", "a.mp3"}}) {
    QString error;
    ParseArguments(arguments, error);
    EXPECT_NE(error, "") << arguments.join(' ').toStdString();
  }
  QString error;
  // Help asked for with a command is help, however incomplete the rest.
  EXPECT_EQ(ParseArguments({"set", "a.mp3", "--help"}, error).command, CliRequest::Command::Help);
}

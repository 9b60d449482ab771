// What the user hears and players read: each quality preset as ffprobe and mediainfo show it,
// the WAV's exact length after the encode and every kind of tag write, a long VBR file's
// playing time, and ReplayGain against a reference measured here with libebur128.
#include "AudioFixtures.h"
#include "FakeSessionView.h"
#include "FinishOpen.h"
#include "QtPath.h"
#include "TagTools.h"

#include "core/encoder/EncoderComponent.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"

#include <gtest/gtest.h>

#include <ebur128.h>
#include <mp3infp_handle.h>

#include <QCoreApplication>

namespace {

namespace fs = std::filesystem;
using Quality = Options::Quality;

class SoundTest : public ::testing::Test {
protected:
  void SetUp() override { options.mp3TagFormat = Options::Mp3Format::Id3v2; }
  void ConvertShown(const fs::path& wav) {
    session.navigator().ShowList({Q(wav)}, 0);
    FinishOpen(session.navigator());
    session.ConvertShown();
    FinishConversion(session);
  }
  // The "name=value" lines of readers (ffprobe, mediainfo).
  static std::map<std::string, std::string> Shown(const std::string& command) {
    return tag_tools::keyValues(tag_tools::run(command), '=');
  }

  fixtures::TempDir dir;
  FakeSessionView view;
  Session session{view, view};
  Options& options = session.options();
};

TEST_F(SoundTest, EachPresetShowsItsModeAndRateAndDecodesToTheWavsLength) {
  fixtures::writeFile(dir / "a.wav", fixtures::makeWav({.seconds = 2.1}));
  const fs::path mp3 = dir / "a.mp3";
  const std::string m = mp3.string();
  const char* path = mp3.c_str();
  options.overwriteMp3 = true;
  // LAME's -b N (kbit/s) or -V N.
  const std::tuple<Quality, int, int> presets[] = {
      {Quality::Cbr128, 128, -1}, {Quality::Cbr160, 160, -1}, {Quality::Cbr192, 192, -1},
      {Quality::Cbr256, 256, -1}, {Quality::Cbr320, 320, -1}, {Quality::V0, 0, 0},
      {Quality::V2, 0, 2},        {Quality::V4, 0, 4}};
  for (const auto& [quality, kbps, level] : presets) {
    options.mp3Quality = quality;
    ConvertShown(dir / "a.wav");
    auto shown = Shown("ffprobe -v error -show_entries stream=bit_rate -of default=nw=1 " + m +
                       "; mediainfo --Inform='Audio;mode=%BitRate_Mode%\\nrate=%BitRate%\\nlib=%"
                       "Encoded_Library_Settings%' " +
                       m);
    const std::string rate = std::to_string(kbps * 1000), vbr = "-V " + std::to_string(level);
    EXPECT_TRUE(level < 0
                    ? shown["mode"] == "CBR" && shown["rate"] == rate && shown["bit_rate"] == rate
                    : shown["mode"] == "VBR" && shown["lib"].find(vbr) != std::string::npos)
        << rate << vbr;
    // ffmpeg, honouring the info frame's delay and padding, gives back the WAV's samples, also
    // after each kind of tag write: ID3v2, ID3v1, the RIFF SIF wrap and its unwrap.
    EXPECT_EQ(tag_tools::decoded(mp3).size(), 2 * 92610u) << rate << vbr;
    ASSERT_EQ(mp3infp_Load(nullptr, path) + mp3infp_SetValue("INAM_v2", "曲") + mp3infp_Save(path) +
                  mp3infp_mp3_MakeId3v1(path),
              0u);
    EXPECT_EQ(tag_tools::decoded(mp3).size(), 2 * 92610u) << "ID3v2, ID3v1 " << rate << vbr;
    ASSERT_EQ(mp3infp_mp3_MakeRMP(path) + mp3infp_MakeId3v2(path) + mp3infp_Load(nullptr, ""), 1u);
    EXPECT_EQ(tag_tools::decoded(mp3).size(), 2 * 92610u) << "RIFF SIF " << rate << vbr;
  }
  // MPEG-2 (a 22.05 kHz file) stops at 160 kbit/s: 320 gives that, as lame does.
  fixtures::writeFile(dir / "a.wav", fixtures::makeWav({.sampleRate = 22050, .seconds = 1}));
  options.mp3Quality = Quality::Cbr320;
  ConvertShown(dir / "a.wav");
  EXPECT_EQ(Shown("mediainfo --Inform='Audio;rate=%BitRate%' " + m)["rate"], "160000");
}

// A VBR file's length cannot be worked out from its first frame: readers take the info frame's
// frame count (whole frames: the audio, LAME's delay of 576 and padding of 1152 or more),
// gapless decoders (and the conversion's own check, which let it be placed) its delay and
// padding too.
TEST_F(SoundTest, FiveMinutesOfVbrPlayTheirWholeLength) {
  fixtures::writeFile(dir / "a.wav",
                      fixtures::makeWav({.sampleRate = 22050, .channels = 1, .seconds = 300}));
  options.mp3Quality = Quality::V2;
  ConvertShown(dir / "a.wav");
  const std::string mp3 = (dir / "a.mp3").string();
  EXPECT_EQ(tag_tools::decoded(mp3).size(), 300 * 22050u);
  const double framed = std::ceil((300 * 22050 + 576.0 + 1152) / 576) * 576 / 22050;
  auto shown = Shown("ffprobe -v error -show_entries format=duration -of default=nw=1 " + mp3 +
                     "; mediainfo --Inform='Audio;ms=%Duration%' " + mp3);
  EXPECT_TRUE(std::abs(std::stod(shown["duration"]) - framed) < 0.03 &&
              std::abs(std::stod(shown["ms"]) / 1000 - framed) < 0.03);
}

TEST_F(SoundTest, ReplayGainOfEachTrackAndOfAFolderConvertedWhole) {
  options.replayGain = true;
  fs::create_directories(dir / "album");
  const std::string tagsOf = "ffprobe -v error -show_entries format_tags -of default=nw=1 ";
  // The reference: EBU R128 of the WAV files' samples, by the same library.
  std::vector<ebur128_state*> album;
  QStringList files;
  for (const double amplitude : {0.05, 0.3, 0.9}) {
    const fixtures::Bytes wav = fixtures::makeWav({.seconds = 1.5, .amplitude = amplitude});
    files.append(Q(dir / "album" / (std::to_string(album.size()) + ".wav")));
    fixtures::writeFile(files.back().toStdString(), wav);
    album.push_back(ebur128_init(2, 44100, EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK));
    ebur128_add_frames_short(album.back(), reinterpret_cast<const short*>(wav.data() + 44),
                             (wav.size() - 44) / 4);
  }
  // A folder of which the batch converts one WAV file of two (as the command line may be
  // told): its album is not complete.
  fixtures::writeFile(dir / "1.wav", fixtures::makeWav({.seconds = 1.5}));
  fixtures::writeFile(dir / "2.wav", fixtures::makeWav({.seconds = 1.5}));
  session.navigator().ShowList(files + QStringList{Q(dir / "1.wav")}, 0);
  FinishOpen(session.navigator());
  ASSERT_TRUE(ConvertAllOf(session).has_value());

  double lufs = 0, peak = 0;
  ebur128_loudness_global_multiple(album.data(), album.size(), &lufs);
  const double albumGain = -18 - lufs;
  for (std::size_t i = 0; i < album.size(); ++i) {
    auto tags = Shown(tagsOf + (dir / "album" / (std::to_string(i) + ".mp3")).string());
    ebur128_loudness_global(album[i], &lufs);
    ebur128_sample_peak(album[i], 1, &peak);
    EXPECT_NEAR(std::atof(tags["TAG:REPLAYGAIN_TRACK_GAIN"].c_str()), -18 - lufs, 0.1) << i;
    EXPECT_NEAR(std::atof(tags["TAG:REPLAYGAIN_TRACK_PEAK"].c_str()), peak, 1e-3) << i;
    EXPECT_NEAR(std::atof(tags["TAG:REPLAYGAIN_ALBUM_GAIN"].c_str()), albumGain, 0.1) << i;
    EXPECT_NEAR(std::atof(tags["TAG:REPLAYGAIN_ALBUM_PEAK"].c_str()), 0.9, 1e-3) << i;
    ebur128_destroy(&album[i]);
  }
  auto tags = Shown(tagsOf + (dir / "1.mp3").string());
  EXPECT_TRUE(tags.count("TAG:REPLAYGAIN_TRACK_GAIN") && !tags.count("TAG:REPLAYGAIN_ALBUM_GAIN"));

  // RIFF SIF has no place for it: refused by name before anything is converted.
  options.mp3TagFormat = Options::Mp3Format::Rmp;
  ConvertShown(dir / "album" / "0.wav");
  EXPECT_FALSE(ConvertAllOf(session).has_value());
  EXPECT_TRUE(view.errors.size() == 2 &&
              view.errors[0].contains(QStringLiteral("ReplayGainはRIFF SIF形式")));
}

} // namespace

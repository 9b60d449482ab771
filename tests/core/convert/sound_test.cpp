// What the user hears and players read: each quality preset as ffprobe and mediainfo show it,
// the WAV's exact length after the encode and every kind of tag write, a long VBR file's
// playing time, and ReplayGain against a reference measured here with libebur128.
#include "AudioFixtures.h"
#include "FakeSessionView.h"
#include "FfmpegDecode.h"
#include "QtPath.h"

#include "core/encoder/EncoderComponent.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"

#include <gtest/gtest.h>

#include <ebur128.h>
#include <mp3infp_handle.h>

#include <QCoreApplication>
#include <QThread>

namespace {

namespace fs = std::filesystem;
using tag_tools::quoted;
using tag_tools::run;
using Quality = Options::Quality;

class SoundTest : public ::testing::Test {
protected:
  void SetUp() override { options.Mp3TagFormat = Options::Mp3Format::Id3v2; }
  void ConvertShown(const fs::path& wav) {
    navigator.ShowList({Q(wav)}, 0);
    session.ConvertShown();
    while (!session.encoder().DestinationFile().isEmpty()) {
      QCoreApplication::processEvents();
      QThread::msleep(5);
    }
  }
  // What a reader shows: mediainfo's template (one "name=value" a line), ffprobe's entries.
  static std::map<std::string, std::string> Shown(const std::string& command, const fs::path& f) {
    return tag_tools::keyValues(run(command + " " + quoted(f)), '=');
  }
  static std::map<std::string, std::string> Tags(const fs::path& mp3) {
    return Shown("ffprobe -v error -show_entries format_tags -of default=nw=1:nk=0", mp3);
  }
  // Sample frames as ffmpeg decodes them.
  static long Frames(const fs::path& f, int channels = 2) {
    return static_cast<long>(ffmpeg_decode::samples(f).size()) / channels;
  }

  fixtures::TempDir dir;
  FakeSessionView view;
  Session session{view};
  Options& options = session.options();
  Navigator& navigator = session.navigator();
};

TEST_F(SoundTest, EachPresetShowsItsModeAndRateAndDecodesToTheWavsLength) {
  fixtures::writeFile(dir / "a.wav", fixtures::makeWav({.seconds = 2.1}));
  const fs::path mp3 = dir / "a.mp3";
  const char* path = mp3.c_str();
  options.Mp3OverWriteMp3 = true;
  // LAME's -b N (kbit/s) or -V N.
  const std::tuple<Quality, int, int> presets[] = {
      {Quality::Cbr128, 128, -1}, {Quality::Cbr160, 160, -1}, {Quality::Cbr192, 192, -1},
      {Quality::Cbr256, 256, -1}, {Quality::Cbr320, 320, -1}, {Quality::V0, 0, 0},
      {Quality::V2, 0, 2},        {Quality::V4, 0, 4}};
  for (const auto& [quality, kbps, level] : presets) {
    SCOPED_TRACE(static_cast<int>(quality));
    options.Mp3Quality = quality;
    ConvertShown(dir / "a.wav");
    auto info = Shown("ffprobe -v error -select_streams a -show_entries stream=bit_rate -of "
                      "default=nw=1 " +
                          quoted(mp3) +
                          "; mediainfo --Inform='Audio;mode=%BitRate_"
                          "Mode%\\nrate=%BitRate%\\nlib=%Encoded_Library_Settings%'",
                      mp3);
    EXPECT_EQ(info["mode"], level < 0 ? "CBR" : "VBR");
    if (level >= 0)
      EXPECT_NE(info["lib"].find("-V " + std::to_string(level)), std::string::npos);
    else
      EXPECT_TRUE(info["rate"] == std::to_string(kbps * 1000) && info["bit_rate"] == info["rate"]);
    // The info frame's delay and padding, honoured by ffmpeg, give back the WAV's samples, also
    // after each kind of tag write: ID3v2, ID3v1, the RIFF SIF wrap and its unwrap.
    EXPECT_EQ(Frames(mp3), 92610);
    ASSERT_EQ(mp3infp_Load(nullptr, path), 0u);
    ASSERT_EQ(mp3infp_SetValue("INAM_v2", "曲") + mp3infp_Save(path), 0u);
    EXPECT_EQ(Frames(mp3), 92610) << "ID3v2";
    ASSERT_EQ(mp3infp_mp3_MakeId3v1(path), 0u);
    EXPECT_EQ(Frames(mp3), 92610) << "ID3v1";
    ASSERT_EQ(mp3infp_mp3_MakeRMP(path) + mp3infp_MakeId3v2(path), 0u);
    EXPECT_EQ(Frames(mp3), 92610) << "wrapped and unwrapped";
    mp3infp_Load(nullptr, "");
  }
  // MPEG-2 (a 22.05 kHz file) stops at 160 kbit/s: 320 gives that, as lame does.
  fixtures::writeFile(dir / "a.wav", fixtures::makeWav({.sampleRate = 22050, .seconds = 1}));
  options.Mp3Quality = Quality::Cbr320;
  ConvertShown(dir / "a.wav");
  EXPECT_EQ(run("mediainfo --Inform='Audio;%BitRate%' " + quoted(mp3)), "160000\n");
}

// A VBR file's length cannot be worked out from its first frame: readers take the info frame's
// frame count, gapless decoders and the conversion's own check its delay and padding too.
TEST_F(SoundTest, FiveMinutesOfVbrPlayTheirWholeLength) {
  fixtures::writeFile(dir / "long.wav",
                      fixtures::makeWav({.sampleRate = 22050, .channels = 1, .seconds = 300}));
  options.Mp3Quality = Quality::V2;
  ConvertShown(dir / "long.wav");
  const fs::path mp3 = dir / "long.mp3";
  EXPECT_EQ(Frames(mp3, 1), 300 * 22050);
  ASSERT_EQ(mp3infp_Load(nullptr, mp3.c_str()), 0u);
  char* ms = nullptr;
  mp3infp_GetValue("TIME_MS", &ms);
  EXPECT_NEAR(std::atof(ms), 300000, 30);
  mp3infp_Load(nullptr, "");
  // Whole frames of 576 samples: the audio, LAME's delay (576) and padding (1152 or more).
  const double framed = std::ceil((300 * 22050 + 576.0 + 1152) / 576) * 576 / 22050;
  EXPECT_NEAR(std::atof(Shown("ffprobe -v error -show_entries format=duration -of default=nw=1",
                              mp3)["duration"]
                            .c_str()),
              framed, 0.030);
  EXPECT_NEAR(std::atof(run("mediainfo --Inform='Audio;%Duration%' " + quoted(mp3)).c_str()),
              framed * 1000, 30);
}

TEST_F(SoundTest, ReplayGainOfEachTrackAndOfAFolderConvertedWhole) {
  options.Mp3ReplayGain = true;
  fs::create_directories(dir / "album");
  fs::create_directories(dir / "part");
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
  fixtures::writeFile(dir / "part" / "1.wav", fixtures::makeWav({.seconds = 1.5}));
  fixtures::writeFile(dir / "part" / "2.wav", fixtures::makeWav({.seconds = 1.5}));
  navigator.ShowList(files + QStringList{Q(dir / "part" / "1.wav")}, 0);
  ASSERT_TRUE(session.ConvertAll().has_value());

  double lufs = 0, peak = 0;
  ebur128_loudness_global_multiple(album.data(), album.size(), &lufs);
  const double albumGain = -18 - lufs;
  for (std::size_t i = 0; i < album.size(); ++i) {
    auto tags = Tags(dir / "album" / (std::to_string(i) + ".mp3"));
    ebur128_loudness_global(album[i], &lufs);
    ebur128_sample_peak(album[i], 1, &peak);
    EXPECT_NEAR(std::atof(tags["TAG:REPLAYGAIN_TRACK_GAIN"].c_str()), -18 - lufs, 0.1) << i;
    EXPECT_NEAR(std::atof(tags["TAG:REPLAYGAIN_TRACK_PEAK"].c_str()), peak, 1e-3) << i;
    EXPECT_NEAR(std::atof(tags["TAG:REPLAYGAIN_ALBUM_GAIN"].c_str()), albumGain, 0.1) << i;
    EXPECT_NEAR(std::atof(tags["TAG:REPLAYGAIN_ALBUM_PEAK"].c_str()), 0.9, 1e-3) << i;
    ebur128_destroy(&album[i]);
  }
  auto tags = Tags(dir / "part" / "1.mp3");
  EXPECT_TRUE(tags.count("TAG:REPLAYGAIN_TRACK_GAIN") && !tags.count("TAG:REPLAYGAIN_ALBUM_GAIN"));
  // One file converted on its own is no album either.
  options.Mp3OverWriteMp3 = true;
  ConvertShown(dir / "album" / "0.wav");
  tags = Tags(dir / "album" / "0.mp3");
  EXPECT_TRUE(tags.count("TAG:REPLAYGAIN_TRACK_GAIN") && !tags.count("TAG:REPLAYGAIN_ALBUM_GAIN"));

  // RIFF SIF has no place for it: refused by name, nothing converted.
  options.Mp3TagFormat = Options::Mp3Format::Rmp;
  fs::remove(dir / "album" / "0.mp3");
  ConvertShown(dir / "album" / "0.wav");
  EXPECT_FALSE(session.ConvertAll().has_value());
  ASSERT_EQ(view.errors.size(), 2);
  EXPECT_TRUE(view.errors[0].contains(QStringLiteral("ReplayGainはRIFF SIF形式")));
  EXPECT_FALSE(fs::exists(dir / "album" / "0.mp3"));
}

} // namespace

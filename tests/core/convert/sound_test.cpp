// What the user hears and players read: every quality preset as ffprobe and mediainfo show it,
// the WAV's exact length after the encode and after every kind of tag write, a long VBR file's
// playing time, and ReplayGain against a reference measured here with libebur128. Real encoder
// module and tag library.
#include "AudioFixtures.h"
#include "FakeSessionView.h"
#include "FfmpegDecode.h"
#include "QtPath.h"
#include "TagTools.h"

#include "core/convert/Converter.h"
#include "core/encoder/EncoderComponent.h"
#include "core/encoder/QualityPreset.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"

#include <gtest/gtest.h>

#include <ebur128.h>
#include <mp3infp_handle.h>

#include <QCoreApplication>
#include <QThread>

#include <cstring>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using tag_tools::quoted;
using tag_tools::run;

class SoundTest : public ::testing::Test {
protected:
  void SetUp() override { options.Mp3TagFormat = Options::Mp3Format::Id3v2; }
  // Converts the shown file and runs events until its end has been handled.
  void ConvertShown(const fs::path& wav) {
    navigator.ShowList({Q(wav)}, 0);
    session.ConvertShown();
    while (!session.encoder().DestinationFile().isEmpty()) {
      QCoreApplication::processEvents();
      QThread::msleep(5);
    }
  }
  std::map<std::string, std::string> Tags(const fs::path& mp3) {
    return tag_tools::keyValues(
        run("ffprobe -v error -show_entries format_tags -of default=nw=1:nk=0 " + quoted(mp3)),
        '=');
  }

  fixtures::TempDir dir;
  FakeSessionView view;
  Session session{view};
  Options& options = session.options();
  Navigator& navigator = session.navigator();
};

long SampleFrames(const fs::path& file, int channels = 2) {
  return static_cast<long>(ffmpeg_decode::samples(file).size()) / channels;
}

// The MP3 stream an RMP3 file holds in its 'data' chunk, as a player that knows the format reads
// it.
fixtures::Bytes RmpData(const fixtures::Bytes& rmp) {
  for (std::size_t at = 12; at + 8 <= rmp.size();) {
    std::uint32_t size = 0;
    std::memcpy(&size, rmp.data() + at + 4, 4);
    if (std::memcmp(rmp.data() + at, "data", 4) == 0)
      return {rmp.begin() + static_cast<long>(at + 8),
              rmp.begin() + static_cast<long>(at + 8 + size)};
    at += 8 + size + (size & 1);
  }
  return {};
}

TEST_F(SoundTest, EachPresetShowsItsModeAndRateAndDecodesToTheWavsLength) {
  const fixtures::WavSpec spec{.seconds = 2.1};
  const long frames = std::lround(spec.seconds * spec.sampleRate);
  fixtures::writeFile(dir / "a.wav", fixtures::makeWav(spec));
  const fs::path mp3 = dir / "a.mp3";
  options.Mp3OverWriteMp3 = true;
  using Q = Options::Quality;
  // LAME's -b N (kbit/s) or -V N, as the options name them.
  const struct {
    Q quality;
    int kbps, vbrLevel;
  } presets[] = {{Q::Cbr128, 128, -1}, {Q::Cbr160, 160, -1}, {Q::Cbr192, 192, -1},
                 {Q::Cbr256, 256, -1}, {Q::Cbr320, 320, -1}, {Q::V0, 0, 0},
                 {Q::V2, 0, 2},        {Q::V4, 0, 4}};
  for (const auto& preset : presets) {
    SCOPED_TRACE(QualityPreset::Of(preset.quality).key);
    options.Mp3Quality = preset.quality;
    ConvertShown(dir / "a.wav");
    ASSERT_TRUE(fs::exists(mp3));
    const bool vbr = preset.vbrLevel >= 0;
    auto info = tag_tools::keyValues(
        run("mediainfo --Inform='Audio;mode=%BitRate_Mode%\\nrate=%BitRate%\\nlib=%Encoded_"
            "Library_Settings%' " +
            quoted(mp3)),
        '=');
    EXPECT_EQ(info["mode"], vbr ? "VBR" : "CBR");
    const auto probe = tag_tools::keyValues(
        run("ffprobe -v error -select_streams a -show_entries stream=bit_rate -of "
            "default=nw=1 " +
            quoted(mp3)),
        '=');
    if (vbr) {
      EXPECT_NE(info["lib"].find("-V " + std::to_string(preset.vbrLevel)), std::string::npos)
          << info["lib"];
    } else {
      EXPECT_EQ(info["rate"], std::to_string(preset.kbps * 1000));
      EXPECT_EQ(probe.at("bit_rate"), std::to_string(preset.kbps * 1000));
    }
    // A decoder that honours the info frame gives back the WAV's samples, also after each kind
    // of tag write (an ID3v2 tag, an ID3v1 tag, the RIFF SIF wrap and its unwrap).
    EXPECT_EQ(SampleFrames(mp3), frames);
    const std::string path = mp3.string();
    ASSERT_EQ(mp3infp_Load(nullptr, path.c_str()), 0u);
    ASSERT_EQ(mp3infp_SetValue("INAM_v2", "曲"), 0u);
    ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
    EXPECT_EQ(SampleFrames(mp3), frames) << "ID3v2";
    ASSERT_EQ(mp3infp_mp3_MakeId3v1(path.c_str()), 0u);
    EXPECT_EQ(SampleFrames(mp3), frames) << "ID3v1";
    ASSERT_EQ(mp3infp_mp3_MakeRMP(path.c_str()), 0u);
    fixtures::writeFile(dir / "data.mp3", RmpData(fixtures::readFile(mp3)));
    EXPECT_EQ(SampleFrames(dir / "data.mp3"), frames) << "RIFF SIF";
    ASSERT_EQ(mp3infp_MakeId3v2(path.c_str()), 0u);
    EXPECT_EQ(SampleFrames(mp3), frames) << "unwrapped";
    mp3infp_Load(nullptr, "");
  }
  // MPEG-2 (a 22.05 kHz file) stops at 160 kbit/s: 320 gives that, as lame does.
  fixtures::writeFile(dir / "a.wav", fixtures::makeWav({.sampleRate = 22050, .seconds = 1}));
  options.Mp3Quality = Q::Cbr320;
  ConvertShown(dir / "a.wav");
  EXPECT_EQ(run("mediainfo --Inform='Audio;%BitRate%' " + quoted(mp3)), "160000\n");
}

// The playing time of a VBR file cannot be worked out from its first frame: readers take the
// info frame's frame count, and gapless decoders and the conversion's own check its delay and
// padding too.
TEST_F(SoundTest, FiveMinutesOfVbrPlayTheirWholeLength) {
  const fixtures::WavSpec spec{.sampleRate = 22050, .channels = 1, .seconds = 300};
  const long frames = std::lround(spec.seconds * spec.sampleRate);
  fixtures::writeFile(dir / "long.wav", fixtures::makeWav(spec));
  options.Mp3Quality = Options::Quality::V2;
  ConvertShown(dir / "long.wav");
  const fs::path mp3 = dir / "long.mp3";
  EXPECT_EQ(SampleFrames(mp3, 1), frames);
  ASSERT_EQ(mp3infp_Load(nullptr, mp3.c_str()), 0u);
  char* ms = nullptr;
  mp3infp_GetValue("TIME_MS", &ms);
  EXPECT_NEAR(std::atof(ms), 300000, 30);
  mp3infp_Load(nullptr, "");
  // Whole frames of 576 samples: the audio, LAME's delay (576) and padding (1152 or more).
  const double framed = std::ceil((frames + 576.0 + 1152) / 576) * 576 / 22050;
  const std::string probe =
      run("ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 " + quoted(mp3));
  EXPECT_NEAR(std::atof(probe.c_str()), framed, 0.030);
  const std::string info = run("mediainfo --Inform='Audio;%Duration%' " + quoted(mp3));
  EXPECT_NEAR(std::atof(info.c_str()) / 1000, framed, 0.030);
}

struct Reference {
  double trackGain, trackPeak;
  ebur128_state* state;
};

// ReplayGain as a scanner computes it from the WAV's samples with the same library.
Reference Measure(const fixtures::Bytes& wav) {
  std::vector<std::int16_t> pcm((wav.size() - 44) / 2);
  std::memcpy(pcm.data(), wav.data() + 44, pcm.size() * 2);
  ebur128_state* st = ebur128_init(2, 44100, EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK);
  ebur128_add_frames_short(st, pcm.data(), pcm.size() / 2);
  double lufs = 0, left = 0, right = 0;
  ebur128_loudness_global(st, &lufs);
  ebur128_sample_peak(st, 0, &left);
  ebur128_sample_peak(st, 1, &right);
  return {-18 - lufs, std::max(left, right), st};
}

TEST_F(SoundTest, ReplayGainOfEachTrackAndOfAFolderConvertedWhole) {
  options.Mp3ReplayGain = true;
  fs::create_directories(dir / "album");
  fs::create_directories(dir / "part");
  std::vector<Reference> album;
  QStringList files;
  for (const double amplitude : {0.05, 0.3, 0.9}) {
    const fixtures::Bytes wav = fixtures::makeWav({.seconds = 1.5, .amplitude = amplitude});
    const fs::path path = dir / "album" / (std::to_string(album.size()) + ".wav");
    fixtures::writeFile(path, wav);
    album.push_back(Measure(wav));
    files.append(Q(path));
  }
  // A folder of which the batch converts one WAV file of two (as the command line may be
  // told): its album is not complete.
  const fixtures::Bytes part = fixtures::makeWav({.seconds = 1.5, .amplitude = 0.2});
  fixtures::writeFile(dir / "part" / "1.wav", part);
  fixtures::writeFile(dir / "part" / "2.wav", part);
  files << Q(dir / "part" / "1.wav");
  navigator.ShowList(files, 0);
  ASSERT_TRUE(session.ConvertAll().has_value());

  double albumLufs = 0;
  std::vector<ebur128_state*> states;
  for (const Reference& r : album)
    states.push_back(r.state);
  ebur128_loudness_global_multiple(states.data(), states.size(), &albumLufs);
  for (std::size_t i = 0; i < album.size(); ++i) {
    SCOPED_TRACE(i);
    auto tags = Tags(dir / "album" / (std::to_string(i) + ".mp3"));
    EXPECT_NEAR(std::atof(tags["TAG:REPLAYGAIN_TRACK_GAIN"].c_str()), album[i].trackGain, 0.1);
    EXPECT_NEAR(std::atof(tags["TAG:REPLAYGAIN_TRACK_PEAK"].c_str()), album[i].trackPeak, 1e-3);
    EXPECT_NEAR(std::atof(tags["TAG:REPLAYGAIN_ALBUM_GAIN"].c_str()), -18 - albumLufs, 0.1);
    EXPECT_NEAR(std::atof(tags["TAG:REPLAYGAIN_ALBUM_PEAK"].c_str()), album[2].trackPeak, 1e-3);
    ebur128_destroy(&album[i].state);
  }
  auto tags = Tags(dir / "part" / "1.mp3");
  EXPECT_EQ(tags.count("TAG:REPLAYGAIN_TRACK_GAIN"), 1u);
  EXPECT_EQ(tags.count("TAG:REPLAYGAIN_ALBUM_GAIN"), 0u);

  // One file converted on its own is no album either.
  options.Mp3OverWriteMp3 = true;
  ConvertShown(dir / "album" / "0.wav");
  tags = Tags(dir / "album" / "0.mp3");
  EXPECT_EQ(tags.count("TAG:REPLAYGAIN_TRACK_GAIN"), 1u);
  EXPECT_EQ(tags.count("TAG:REPLAYGAIN_ALBUM_GAIN"), 0u);
}

TEST_F(SoundTest, ReplayGainIsRefusedByNameInRiffSif) {
  options.Mp3ReplayGain = true;
  options.Mp3TagFormat = Options::Mp3Format::Rmp;
  fixtures::writeFile(dir / "a.wav", fixtures::makeWav({.seconds = 0.5}));
  ConvertShown(dir / "a.wav");
  navigator.ShowList({Q(dir / "a.wav")}, 0);
  EXPECT_FALSE(session.ConvertAll().has_value());
  ASSERT_EQ(view.errors.size(), 2);
  EXPECT_TRUE(view.errors[0].contains(QStringLiteral("ReplayGain")) &&
              view.errors[0].contains(QStringLiteral("RIFF SIF")));
  EXPECT_FALSE(fs::exists(dir / "a.mp3"));
}

} // namespace

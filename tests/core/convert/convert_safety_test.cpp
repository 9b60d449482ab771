// What a conversion must never do to the user's files, through the real encoder module and tag
// library without any window: write through a link into its own WAV file, overwrite an MP3 the
// same batch made, leave a partial file under an MP3's name, or give up a WAV whose MP3 is not
// whole.
#include "AudioFixtures.h"
#include "FakeSessionView.h"
#include "FinishOpen.h"
#include "FuseMount.h"
#include "QtPath.h"

#include "core/convert/BatchSummary.h"
#include "core/convert/ConvertPlan.h"
#include "core/convert/Converter.h"
#include "core/convert/Mp3Verification.h"
#include "core/encoder/EncoderComponent.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/session/TagEditor.h"
#include "core/settings/Options.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Every entry under `root`, links not followed, as relative paths.
std::set<std::string> Tree(const fs::path& root) {
  std::set<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(root))
    names.insert(fs::relative(e.path(), root).string());
  return names;
}

// The MP3's exact playing time in milliseconds; negative when it is no MP3.
qint64 Mp3Ms(const fs::path& file) {
  return Mp3Verification::PlayingMs(Q(file), 1);
}

fixtures::Bytes Wav(double seconds, double frequency = 440.0) {
  return fixtures::makeWavWithChunks({.seconds = seconds, .frequency = frequency},
                                     {fixtures::makeInfoList({{"INAM", "title"}})});
}

class ConvertSafetyTest : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directory(dir / "trash");
    options.copyWavTagToMp3 = true;
    options.moveWavToTrash = true;
    options.overwriteMp3 = true;
  }

  void Finish() { FinishConversion(session); }

  // With `fileSizeLimit`, writes beyond that size fail with EFBIG, as on a full disk.
  void ConvertShown(const fs::path& wav, rlim_t fileSizeLimit = RLIM_INFINITY) {
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limited{std::min(fileSizeLimit, saved.rlim_cur), saved.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    navigator.ShowList({Q(wav)}, 0);
    FinishOpen(navigator);
    session.ConvertShown();
    Finish();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
  }

  fixtures::TempDir dir;
  FakeSessionView view{[this](const QString& path) {
    if (trashRefuses)
      return Trash::Result{false, QStringLiteral("ごみ箱に移せませんでした：満杯")};
    // Like the desktop's trash: a name it already holds gets a number.
    const fs::path from = path.toStdString();
    fs::path to = dir / "trash" / from.filename();
    for (int n = 2; fs::exists(to); ++n)
      to = dir / "trash" / (from.filename().string() + std::to_string(n));
    return Trash::Result{::rename(from.c_str(), to.c_str()) == 0, {}};
  }};
  // Set: the trash refuses every file, as one on a full or read-only disk does.
  bool trashRefuses = false;
  Session session{view, view};
  Options& options = session.options();
  Navigator& navigator = session.navigator();
  EncoderComponent& encoder = session.encoder();
};

// Opening the MP3's name for writing would truncate the WAV file itself before it is read.
TEST_F(ConvertSafetyTest, DestinationLinkedToTheWavIsRefusedUntouched) {
  const fixtures::Bytes wav = Wav(0.5);
  fixtures::writeFile(dir / "song.wav", wav);
  for (const bool hard : {false, true}) {
    SCOPED_TRACE(hard ? "hard link" : "symbolic link");
    fs::remove(dir / "song.mp3");
    if (hard)
      fs::create_hard_link(dir / "song.wav", dir / "song.mp3");
    else
      fs::create_symlink("song.wav", dir / "song.mp3");
    const std::set<std::string> before = Tree(dir.path());
    view.reports.clear();

    ConvertShown(dir / "song.wav");
    EXPECT_TRUE(view.Reported(QStringLiteral("そのもの")));
    EXPECT_EQ(fixtures::readFile(dir / "song.wav"), wav);
    EXPECT_EQ(Tree(dir.path()), before);
    EXPECT_EQ(fs::is_symlink(dir / "song.mp3"), !hard);
  }
}

// Two albums' "01.wav" meet in one output folder: the second must neither overwrite the first
// one's MP3 nor be given up, so both recordings survive outside the trash.
TEST_F(ConvertSafetyTest, SameNamedWavsOfOneBatchBothSurvive) {
  fs::create_directories(dir / "albumA");
  fs::create_directories(dir / "albumB");
  fs::create_directories(dir / "out");
  fixtures::writeFile(dir / "albumA" / "01.wav", Wav(1.0, 440.0));
  const fixtures::Bytes second = Wav(2.0, 660.0);
  fixtures::writeFile(dir / "albumB" / "01.wav", second);
  options.useOutputFolder = true;
  options.outputFolder = Q(dir / "out");
  navigator.ShowList({Q(dir / "albumA" / "01.wav"), Q(dir / "albumB" / "01.wav")}, 0);
  FinishOpen(navigator);
  ConvertAllOf(session);

  EXPECT_NEAR(Mp3Ms(dir / "out" / "01.mp3"), 1000, 30) << "album A's audio";
  EXPECT_TRUE(view.Reported(QStringLiteral("この一括変換で別のWAVファイルから作ったMP3")));
  EXPECT_TRUE(fs::exists(dir / "trash" / "01.wav"));
  ASSERT_TRUE(fs::exists(dir / "albumB" / "01.wav")) << "album B's WAV was given up";
  EXPECT_EQ(fixtures::readFile(dir / "albumB" / "01.wav"), second);
}

// The disk fills during the encode (a file size limit: writes beyond it fail with EFBIG): no
// partial MP3 stands under the final name, the temporary file goes, the WAV stays.
TEST_F(ConvertSafetyTest, WriteFailureLeavesNothingAndKeepsTheWav) {
  const fixtures::Bytes wav = Wav(3.0);
  fixtures::writeFile(dir / "a.wav", wav);
  const std::set<std::string> before = Tree(dir.path());

  ConvertShown(dir / "a.wav", 16 * 1024); // a 3 s MP3 at 128 kbit/s is about 48 KB

  EXPECT_TRUE(view.Ended(ConversionReport::Outcome::NoMp3));
  EXPECT_FALSE(view.Ended(ConversionReport::Outcome::Placed));
  EXPECT_EQ(Tree(dir.path()), before);
  EXPECT_EQ(fixtures::readFile(dir / "a.wav"), wav);
}

// Each reason a WAV file is not taken refuses that file in its own words, before anything is
// made: the encoder's reasons, and a folder or a FIFO (`special` 'd', 'p') under a WAV name
// (the encoder would wait on a FIFO for ever).
struct InputCase {
  const char* name;
  fixtures::Bytes wav;
  const char* reason;
  char special = 0;
};

class ConvertRefusal : public ConvertSafetyTest, public ::testing::WithParamInterface<InputCase> {};

TEST_P(ConvertRefusal, NamesWhyAndMakesNothing) {
  const fs::path wav = dir / "a.wav";
  if (GetParam().special == 'd')
    fs::create_directory(wav);
  else if (GetParam().special == 'p' && ::mkfifo(wav.c_str(), 0644) != 0)
    FAIL() << "no FIFO";
  else if (GetParam().special == 0)
    fixtures::writeFile(wav, GetParam().wav);
  const std::set<std::string> before = Tree(dir.path());
  ConvertShown(wav);
  ASSERT_EQ(view.reports.size(), 1u);
  EXPECT_EQ(view.reports[0].outcome, ConversionReport::Outcome::NotStarted);
  EXPECT_EQ(view.reports[0].file.reason.toStdString(), GetParam().reason);
  EXPECT_EQ(Tree(dir.path()), before);
  if (GetParam().special == 0) {
    EXPECT_EQ(fixtures::readFile(wav), GetParam().wav);
  }
}

fixtures::Bytes MuLaw() {
  fixtures::Bytes wav = fixtures::makeWav({.bits = 8, .seconds = 0.2});
  wav[20] = 7; // WAVE_FORMAT_MULAW, one byte a sample as the 8-bit data already is
  return wav;
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, ConvertRefusal,
    ::testing::Values(
        InputCase{"not_audio", fixtures::Bytes(3000, 'x'),
                  "a.wav はWAVファイルではありません（変換しません）"},
        InputCase{"compressed", MuLaw(), "a.wav は圧縮された音声のWAVファイルで、変換できません"},
        InputCase{"nine_channels", fixtures::makeWav({.channels = 9, .seconds = 0.2}),
                  "a.wav は 9 チャンネルの音声で、変換できません（8チャンネルまで）"},
        InputCase{"rate_6k", fixtures::makeWav({.sampleRate = 6000, .seconds = 0.2}),
                  "a.wav のサンプリング周波数 6000 Hz は変換できません"},
        InputCase{"no_audio", Wav(0.0), "a.wav には音声がありません（変換しません）"},
        InputCase{"folder", {}, "a.wav はフォルダや特殊なファイルです（変換しません）", 'd'},
        InputCase{"fifo", {}, "a.wav はフォルダや特殊なファイルです（変換しません）", 'p'}),
    [](const auto& p) { return std::string(p.param.name); });

// A made MP3 has the mode any new file of the user gets there (the umask), through the tag
// copy's rewrite too.
TEST_F(ConvertSafetyTest, TheMp3FollowsTheUmask) {
  options.moveWavToTrash = false;
  fixtures::writeFile(dir / "a.wav", Wav(0.3));
  for (const auto& [mask, mode] : {std::pair{022u, 0644u}, {027u, 0640u}}) {
    const mode_t old = ::umask(mask);
    ConvertShown(dir / "a.wav");
    ::umask(old);
    struct stat st {};
    ASSERT_EQ(::stat((dir / "a.mp3").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode) << std::oct << mask;
  }
}

// Something takes the MP3's name during the encode: an MP3 (overwriting off) or a folder (on),
// so that the finished file cannot take it. What is there stays, the temporary file goes, the
// WAV stays.
TEST_F(ConvertSafetyTest, AnMp3NameTakenDuringTheEncodeStaysAsItIs) {
  const fixtures::Bytes wav = Wav(0.5);
  fixtures::writeFile(dir / "a.wav", wav);
  encoder.OnProgress = [this, progress = encoder.OnProgress](QObject* s, int now, int all) {
    progress(s, now, all);
    if (now == 0 || fs::exists(dir / "a.mp3"))
      return;
    if (options.overwriteMp3)
      fs::create_directories(dir / "a.mp3" / "in");
    else
      fixtures::writeFile(dir / "a.mp3", {'o', 'l', 'd'});
  };
  for (const bool overwrite : {false, true}) {
    SCOPED_TRACE(overwrite);
    options.overwriteMp3 = overwrite;
    ConvertShown(dir / "a.wav");
    EXPECT_TRUE(view.Ended(ConversionReport::Outcome::NoMp3));
    EXPECT_TRUE(view.Reported(overwrite
                                  ? QStringLiteral("a.mp3 を置けません")
                                  : ConvertPlan::RefusalText(ConvertPlan::Refusal::Mp3Exists)));
    EXPECT_EQ(Tree(dir.path()),
              (overwrite ? std::set<std::string>{"a.mp3", "a.mp3/in", "a.wav", "trash"}
                         : std::set<std::string>{"a.mp3", "a.wav", "trash"}));
    EXPECT_EQ(fixtures::readFile(dir / "a.wav"), wav);
    fs::remove_all(dir / "a.mp3");
    view.reports.clear();
  }
}

// The WAV file is replaced (a take re-exported and renamed over it) or rewritten in place while
// it is encoded: it stays, no MP3 of the old take takes the name, and the result says why. Its
// tag cannot be written meanwhile.
TEST_F(ConvertSafetyTest, AWavChangedDuringTheEncodeStays) {
  const fixtures::Bytes newTake = Wav(1.0, 660.0);
  bool inPlace = false;
  encoder.OnProgress = [&, progress = encoder.OnProgress](QObject* s, int now, int all) {
    progress(s, now, all);
    if (now != 1)
      return;
    session.tagEditor().Write(view.fields);
    FinishTagWork(session.tagEditor());
    fixtures::writeFile(inPlace ? dir / "a.wav" : dir / "new.wav", newTake);
    if (!inPlace)
      fs::rename(dir / "new.wav", dir / "a.wav");
  };
  for (const bool rewrite : {false, true}) {
    inPlace = rewrite;
    fixtures::writeFile(dir / "a.wav", Wav(1.0));
    ConvertShown(dir / "a.wav");
    EXPECT_TRUE(view.Ended(ConversionReport::Outcome::NoMp3));
    EXPECT_TRUE(
        view.Reported(QStringLiteral("a.wav が変換中に書き換えられたか置き換えられました")));
    EXPECT_EQ(view.writeFailure, QStringLiteral("a.wav は変換中です"));
    EXPECT_EQ(Tree(dir.path()), (std::set<std::string>{"a.wav", "trash"}));
    EXPECT_EQ(fixtures::readFile(dir / "a.wav"), newTake);
  }
}

// A WAV file whose header promises 10 s but that holds 2 (a copy cut short) becomes an MP3 of
// what it holds, with the shortfall named and the WAV file kept: no plain 成功. An RF64 file's
// size, stated in its ds64 chunk, is no shortfall.
TEST_F(ConvertSafetyTest, AWavCutShortIsNamedAndKept) {
  fixtures::Bytes cut = fixtures::makeWav({.seconds = 2.0});
  const std::uint32_t promised = 10 * 44100 * 4; // the data chunk's size, little-endian
  std::memcpy(&cut[40], &promised, sizeof promised);
  fixtures::writeFile(dir / "cut.wav", cut);
  fixtures::writeFile(dir / "big.wav", fixtures::makeRf64({.seconds = 0.5}, {}));
  navigator.ShowList({Q(dir / "cut.wav"), Q(dir / "big.wav")}, 0);
  FinishOpen(navigator);
  const std::optional<BatchResult> result = ConvertAllOf(session);
  ASSERT_TRUE(result);
  const BatchSummary summary = SummarizeBatch(*result);
  EXPECT_EQ(summary.result, QStringLiteral("注意"));
  ASSERT_EQ(summary.problems.size(), 1);
  EXPECT_TRUE(summary.problems[0].contains(QStringLiteral("cut.wav は 10 秒のはずが 2 秒しか")));
  EXPECT_EQ(Tree(dir.path()),
            (std::set<std::string>{"big.mp3", "cut.mp3", "cut.wav", "trash", "trash/big.wav"}));
  EXPECT_NEAR(Mp3Ms(dir / "cut.mp3"), 2000, 30);
}

// MP3 files asked into an output folder that is not there go nowhere: nothing is converted and
// the summary says why. One whose disk fills during the encode says that the disk is full.
TEST_F(ConvertSafetyTest, AMissingOrFullOutputFolderIsNamed) {
  fixtures::writeFile(dir / "a.wav", Wav(3.0));
  options.useOutputFolder = true;
  options.outputFolder = Q(dir / "small");
  navigator.ShowList({Q(dir / "a.wav")}, 0);
  FinishOpen(navigator);
  const std::optional<BatchResult> result = ConvertAllOf(session);
  ASSERT_TRUE(result);
  EXPECT_TRUE(SummarizeBatch(*result).message.contains(QStringLiteral("small がないため")));
  EXPECT_EQ(Tree(dir.path()), (std::set<std::string>{"a.wav", "trash"}));

  fs::create_directory(dir / "small");
  ASSERT_EQ(::mount("tmpfs", (dir / "small").c_str(), "tmpfs", 0, "size=32k"), 0)
      << std::strerror(errno);
  ConvertShown(dir / "a.wav");
  ::umount((dir / "small").c_str());
  EXPECT_TRUE(view.Reported(QStringLiteral("（MP3を書き出すディスクがいっぱいです）")));
  EXPECT_TRUE(fs::exists(dir / "a.wav"));
}

// A folder on a read-only share: no temporary file can be made there, and the file is refused
// with the reason.
TEST_F(ConvertSafetyTest, AFolderThatTakesNoFileRefusesTheConversion) {
  fixtures::FuseMount mount("-r");
  ASSERT_TRUE(mount.Failure().empty()) << mount.Failure();
  fixtures::writeFile(dir / "a.wav", Wav(0.3));
  options.useOutputFolder = true;
  options.outputFolder = Q(mount.Mounted());
  ConvertShown(dir / "a.wav");
  EXPECT_TRUE(view.Ended(ConversionReport::Outcome::NotStarted));
  EXPECT_TRUE(view.Reported(QStringLiteral("MP3を書き出すフォルダに書き込めません")));
  EXPECT_TRUE(fs::is_empty(mount.Backing()));
  EXPECT_TRUE(fs::exists(dir / "a.wav"));
}

// The encoder refuses the settings for a file (144 kbit/s is a rate of MPEG-2 only, which the
// 44.1 kHz one cannot have): a batch of several at once fails that file and goes on; alone it is
// an error. Its temporary file goes, its WAV stays.
TEST_F(ConvertSafetyTest, AnEncodeThatWillNotStartKeepsTheWav) {
  encoder.setBitRate(144);
  fixtures::writeFile(dir / "a.wav", fixtures::makeWav({.sampleRate = 22050, .seconds = 0.3}));
  const fixtures::Bytes refused = Wav(0.3);
  fixtures::writeFile(dir / "b.wav", refused);
  options.mp3Jobs = 2;
  navigator.ShowList({Q(dir / "a.wav"), Q(dir / "b.wav")}, 0);
  FinishOpen(navigator);
  const std::optional<BatchResult> result = ConvertAllOf(session);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->Count(FileResult::Kind::Converted), 1);
  EXPECT_TRUE(view.Reported(QStringLiteral("b.wav の変換を始められません")));
  EXPECT_EQ(Tree(dir.path()), (std::set<std::string>{"a.mp3", "b.wav", "trash", "trash/a.wav"}));
  ConvertShown(dir / "b.wav");
  EXPECT_EQ(view.errors.size(), 1);
  EXPECT_EQ(Tree(dir.path()), (std::set<std::string>{"a.mp3", "b.wav", "trash", "trash/a.wav"}));
  EXPECT_EQ(fixtures::readFile(dir / "b.wav"), refused);
}

// The tag cannot be copied (the disk fills as the tagged file is written) or the trash refuses
// the WAV: the MP3 is there, and the WAV stays beside it, with the reason.
TEST_F(ConvertSafetyTest, AFailedTagCopyOrTrashKeepsTheWav) {
  const fixtures::Bytes wav = Wav(0.3);
  fixtures::writeFile(dir / "a.wav", wav);
  options.copyWavTagToMp3 = false;
  options.moveWavToTrash = false;
  ConvertShown(dir / "a.wav");
  const fixtures::Bytes untagged = fixtures::readFile(dir / "a.mp3");
  fs::remove(dir / "a.mp3");

  options.copyWavTagToMp3 = true;
  options.moveWavToTrash = true;
  ConvertShown(dir / "a.wav", untagged.size() + 16); // the encode fits, the tagged file not
  EXPECT_TRUE(view.Ended(ConversionReport::Outcome::PlacedUntagged));
  EXPECT_TRUE(view.Reported(QStringLiteral("a.mp3 にタグを写せませんでした")));
  EXPECT_EQ(fixtures::readFile(dir / "a.mp3"), untagged);
  EXPECT_EQ(fixtures::readFile(dir / "a.wav"), wav);

  trashRefuses = true;
  ConvertShown(dir / "a.wav");
  EXPECT_TRUE(view.Ended(ConversionReport::Outcome::Placed));
  EXPECT_TRUE(view.Reported(QStringLiteral("満杯（a.wav は元のままです）")));
  EXPECT_TRUE(navigator.FileList().contains(Q(dir / "a.wav")));
  EXPECT_EQ(Tree(dir.path()), (std::set<std::string>{"a.mp3", "a.wav", "trash"}));
}

// A batch runs as many encodes at once as the setting says, one per core by default.
class ConvertJobs : public ConvertSafetyTest, public ::testing::WithParamInterface<int> {};

TEST_P(ConvertJobs, AsManyAtOnceAsTheSettingSays) {
  const int jobs =
      GetParam() > 0 ? GetParam() : std::min(QThread::idealThreadCount(), Options::kMaxMp3Jobs);
  QStringList files;
  for (int i = 0; i <= jobs; ++i) {
    files.append(Q(dir / ("f" + std::to_string(i) + ".wav")));
    fixtures::writeFile(files.back().toStdString(), Wav(0.3));
  }
  options.mp3Jobs = GetParam();
  navigator.ShowList(files, 0);
  FinishOpen(navigator);
  const std::optional<BatchResult> result = ConvertAllOf(session);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->Count(FileResult::Kind::Converted), jobs + 1);
  EXPECT_EQ(view.mostRunning, jobs);
}

INSTANTIATE_TEST_SUITE_P(Settings, ConvertJobs, ::testing::Values(1, 3, 0));

// The encode of a file shorter than a second moves the bar too.
TEST_F(ConvertSafetyTest, TheBarMovesForAFileShorterThanASecond) {
  fixtures::writeFile(dir / "a.wav", Wav(0.5));
  std::set<int> shown;
  encoder.OnProgress = [&, progress = encoder.OnProgress](QObject* s, int now, int all) {
    progress(s, now, all);
    shown.insert(view.progress);
  };
  ConvertShown(dir / "a.wav");
  EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](int p) { return p > 0 && p < 100; }));
}

// A temporary file left by a killed run goes with the next conversion in its folder; one that
// another instance still holds locked stays.
TEST_F(ConvertSafetyTest, StaleTemporaryFilesGoLockedOnesStay) {
  fixtures::writeFile(dir / "a.wav", Wav(0.3));
  fixtures::writeFile(dir / ".w2m-enc-abc123.mp3", fixtures::Bytes(1000, 0xFF));
  fixtures::writeFile(dir / ".w2m-enc-def456.mp3", fixtures::Bytes(1000, 0xFF));
  const int held = ::open((dir / ".w2m-enc-def456.mp3").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);

  ConvertShown(dir / "a.wav");
  ::close(held);
  EXPECT_TRUE(view.Ended(ConversionReport::Outcome::Placed));
  EXPECT_FALSE(fs::exists(dir / ".w2m-enc-abc123.mp3"));
  EXPECT_TRUE(fs::exists(dir / ".w2m-enc-def456.mp3"));
  EXPECT_NEAR(Mp3Ms(dir / "a.mp3"), 300, 30);
}

} // namespace

// What a conversion must never do to the user's files, through the real encoder module and tag
// library without any window: write through a link into its own WAV file, overwrite an MP3 the
// same batch made, leave a partial file under an MP3's name, or give up a WAV whose MP3 is not
// whole.
#include "AudioFixtures.h"
#include "FakeSessionView.h"

#include "core/convert/Converter.h"
#include "core/encoder/EncoderComponent.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/settings/Options.h"
#include "core/tags/TagEditor.h"

#include <gtest/gtest.h>

#include <mp3infp.h>

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

QString Q(const fs::path& p) {
  return QString::fromStdString(p.string());
}

// Every entry under `root`, links not followed, as relative paths.
std::set<std::string> Tree(const fs::path& root) {
  std::set<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(root))
    names.insert(fs::relative(e.path(), root).string());
  return names;
}

qint64 Mp3Ms(const fs::path& file) {
  char* value = nullptr;
  if (mp3infp_Load(nullptr, file.c_str()) != 0 || mp3infp_GetType() != 1 ||
      mp3infp_GetValue("TIME_MS", &value) != 0 || value == nullptr)
    return -1;
  return QByteArray(value).toLongLong();
}

fixtures::Bytes Wav(double seconds, double frequency = 440.0) {
  return fixtures::makeWavWithChunks({.seconds = seconds, .frequency = frequency},
                                     {fixtures::makeInfoList({{"INAM", "title"}})});
}

class ConvertSafetyTest : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directory(dir / "trash");
    options.Mp3WavId3ToMp3 = true;
    options.Mp3DeleteWav = true;
    options.Mp3OverWriteMp3 = true;
  }

  void Finish() {
    while (!encoder.DestinationFile().isEmpty()) {
      QCoreApplication::processEvents();
      QThread::msleep(5);
    }
  }

  void ConvertShown(const fs::path& wav) {
    navigator.ShowList({Q(wav)}, 0);
    session.ConvertShown();
    Finish();
  }

  fixtures::TempDir dir;
  FakeSessionView view;
  Session session{view, [this](const QString& path) {
                    // Like the desktop's trash: a name it already holds gets a number.
                    const fs::path from = path.toStdString();
                    fs::path to = dir / "trash" / from.filename();
                    for (int n = 2; fs::exists(to); ++n)
                      to = dir / "trash" / (from.filename().string() + std::to_string(n));
                    return Trash::Result{::rename(from.c_str(), to.c_str()) == 0, {}};
                  }};
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
  options.Mp3UseFolder3 = true;
  options.Mp3FolderPath = Q(dir / "out");
  navigator.ShowList({Q(dir / "albumA" / "01.wav"), Q(dir / "albumB" / "01.wav")}, 0);
  session.ConvertAll();

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

  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 16 * 1024; // a 3 s MP3 at 128 kbit/s is about 48 KB
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  ConvertShown(dir / "a.wav");
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_TRUE(view.Ended(ConversionReport::Outcome::NoMp3));
  EXPECT_FALSE(view.Ended(ConversionReport::Outcome::Placed));
  EXPECT_EQ(Tree(dir.path()), before);
  EXPECT_EQ(fixtures::readFile(dir / "a.wav"), wav);
}

TEST_F(ConvertSafetyTest, WavWithoutAudioIsRefused) {
  fixtures::writeFile(dir / "empty.wav", Wav(0.0));
  const std::set<std::string> before = Tree(dir.path());
  ConvertShown(dir / "empty.wav");
  EXPECT_TRUE(view.Reported(QStringLiteral("音声がありません")));
  EXPECT_FALSE(view.Ended(ConversionReport::Outcome::Placed));
  EXPECT_EQ(Tree(dir.path()), before);
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

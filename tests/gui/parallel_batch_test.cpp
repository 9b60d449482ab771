// A batch that encodes several files at once must leave the same files behind as one that
// converts them one after the other: the same MP3 bytes, tags, refusals and trash decisions,
// and the same result. Real encoder module and tag library, no window.
#include "AudioFixtures.h"
#include "FakeSessionView.h"
#include "FinishOpen.h"
#include "QtPath.h"

#include "core/convert/BatchSummary.h"
#include "core/convert/Converter.h"
#include "core/encoder/EncoderComponent.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/session/TagEditor.h"
#include "core/settings/Options.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;

// Every file under `root` with its bytes, by relative path.
std::map<std::string, fixtures::Bytes> Contents(const fs::path& root) {
  std::map<std::string, fixtures::Bytes> files;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file())
      files[fs::relative(e.path(), root).string()] = fixtures::readFile(e.path());
  return files;
}

// Converts the list of `folder` with `jobs` encodes at once, with only `spare` file descriptors
// left (all of them when 0); gives the summary's three texts. No file says "失敗" on the way:
// only a tag copy that does not reach its MP3 would.
QString ConvertFolder(const fs::path& folder, const QStringList& names, int jobs,
                      rlim_t spare = 0) {
  FakeSessionView view{[&folder](const QString& path) {
    // A trash that cannot take one of the files.
    const fs::path from = path.toStdString();
    const bool moved = from.filename() != "keep.wav" &&
                       std::rename(from.c_str(), (folder / "trash" / from.filename()).c_str()) == 0;
    return Trash::Result{moved, {}};
  }};
  Session session{view, view};
  Options& options = session.options();
  options.copyWavTagToMp3 = true;
  options.moveWavToTrash = true;
  options.mp3Jobs = jobs;
  Navigator& navigator = session.navigator();
  Converter& converter = session.converter();
  EXPECT_EQ(converter.BatchJobs(), jobs);
  QStringList list;
  for (const QString& name : names)
    list.append(Q(folder) + u'/' + name);
  navigator.ShowList(list, 0);
  FinishOpen(navigator);
  view.ShowFileName(names.first());
  rlimit saved{};
  ::getrlimit(RLIMIT_NOFILE, &saved);
  if (spare > 0) {
    rlimit low = saved;
    low.rlim_cur = static_cast<rlim_t>(std::distance(fs::directory_iterator("/proc/self/fd"),
                                                     fs::directory_iterator())) +
                   spare;
    EXPECT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
  }
  const std::optional<BatchResult> result = ConvertAllOf(session);
  ::setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_FALSE(view.Ended(ConversionReport::Outcome::PlacedUntagged));
  if (!result)
    return {};
  const BatchSummary summary = SummarizeBatch(*result);
  return summary.counter + u'|' + summary.result + u'|' + summary.message;
}

TEST(ParallelBatch, GivesTheSameFilesAsOneAtATime) {
  fixtures::TempDir dir;
  const auto tagged = [](double seconds, double frequency, const char* title) {
    return fixtures::makeWavWithChunks({.seconds = seconds, .frequency = frequency},
                                       {fixtures::makeInfoList({{"INAM", title}})});
  };
  // Its header gives twice the true block size; the encoder reads it as it is, and so does the
  // check of its MP3.
  fixtures::Bytes cut = tagged(1.0, 330, "cut");
  const auto fmt = std::search(cut.begin(), cut.end(), std::begin("fmt "), std::end("fmt ") - 1);
  ASSERT_NE(fmt, cut.end());
  fmt[20] = 8;
  const std::map<std::string, fixtures::Bytes> start = {
      {"a.wav", tagged(0.8, 440, "a")},
      {"b.wav", tagged(1.6, 550, "b")},
      {"c.wav", tagged(0.4, 660, "c")},
      {"keep.wav", tagged(0.6, 770, "keep")},
      {"cut.wav", cut},
      {"empty.wav", tagged(0.0, 440, "empty")},
      {"old.wav", tagged(0.5, 880, "old")},
      {"old.mp3", fixtures::makeMp3(0.3)},
      // Without a tag, its MP3 holds the same (none) at once: the copy has nothing to write.
      {"plain.wav", fixtures::makeWav({.seconds = 0.3})},
      {"other.mp3", fixtures::makeMp3(0.3)},
  };
  const QStringList names =
      QStringLiteral("a.wav b.wav cut.wav empty.wav c.wav other.mp3 old.wav keep.wav plain.wav")
          .split(u' ');
  std::map<int, std::map<std::string, fixtures::Bytes>> after;
  std::map<int, QString> summary;
  for (const int jobs : {1, 3}) {
    const fs::path folder = dir / std::to_string(jobs);
    fs::create_directories(folder / "trash");
    for (const auto& [name, bytes] : start)
      fixtures::writeFile(folder / name, bytes);
    summary[jobs] = ConvertFolder(folder, names, jobs);
    after[jobs] = Contents(folder);
  }

  // Not 成功: a file was not converted, and the WAV file the trash refused has a word to say.
  EXPECT_EQ(summary[1].toStdString(), "6/8|失敗|2 ファイルは変換しませんでした"
                                      "（既にMP3あり 1・変換できないファイル 1）。"
                                      "1 ファイルには注意があります");
  EXPECT_EQ(summary[3], summary[1]);
  for (const char* name :
       {"a.mp3", "b.mp3", "c.mp3", "cut.mp3", "keep.mp3", "plain.mp3", "trash/a.wav", "trash/b.wav",
        "trash/c.wav", "trash/cut.wav", "trash/plain.wav", "keep.wav", "empty.wav", "old.wav"})
    EXPECT_EQ(after[1].count(name), 1u) << name;
  EXPECT_EQ(after[1]["old.mp3"], start.at("old.mp3")) << "an MP3 in the way is kept";
  // Byte for byte, so the audio, the tags and the wrapping all agree.
  ASSERT_EQ(after[3].size(), after[1].size());
  for (const auto& [name, bytes] : after[1])
    EXPECT_TRUE(after[3].count(name) == 1 && after[3][name] == bytes) << name;
}

// With few file descriptors left (a low `ulimit -n`), a batch runs fewer files at once, and with
// too few for one it stops and says why: nothing is lost, nothing half made is left.
TEST(ParallelBatch, FewDescriptorsMeanFewerFilesAtOnceOrAStop) {
  fixtures::TempDir dir;
  const QStringList names = QStringLiteral("a.wav b.wav c.wav d.wav").split(u' ');
  for (const rlim_t spare : {44, 12}) {
    const fs::path folder = dir / std::to_string(spare);
    fs::create_directories(folder / "trash");
    for (const QString& name : names)
      fixtures::writeFile(folder / name.toStdString(), fixtures::makeWav({.seconds = 0.4}));
    const QString summary = ConvertFolder(folder, names, 3, spare);
    int wavs = 0;
    for (const auto& e : fs::directory_iterator(folder)) {
      EXPECT_NE(e.path().filename().string().front(), '.') << e.path() << " left behind";
      wavs += e.path().extension() == ".wav";
    }
    if (spare > 12) {
      EXPECT_EQ(summary, QStringLiteral("4/4|成功|4 ファイルを変換しました"));
      EXPECT_EQ(wavs, 0);
    } else {
      EXPECT_EQ(summary,
                QStringLiteral("0/4|失敗|0 ファイルを変換しました。同時に開けるファイルの数"
                               "が上限に達したため、残りの 4 ファイルは変換していません"));
      EXPECT_EQ(wavs, 4);
    }
  }
}

} // namespace

// How long the window's event loop stalls at most while "WAV→MP3一括変換" converts eight tagged
// WAV files with the tag copy and the trash on, on a slow disk: the benchmark runs itself again
// with its own preload shim (slow_disk_shim.c), which delays every fsync and rename by 100 ms.
// A probe thread posts an event to the window's thread every 2 ms; the longest time one waited
// to be handled is the stall. Both batch modes (one file at a time, several at once) and both
// MP3 tag formats, three rounds each; the real trash (in a temporary XDG_DATA_HOME) takes the
// WAV files. Then four 3-second files several at once into a folder whose every write the shim
// delays by 50 ms, against the same batch without the delay, alternately.
//
//   bench_stall [rounds]      (default 3)
#include "BenchWav.h"
#include "StallProbe.h"

#include "core/convert/Converter.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/session/TagEditor.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"
#include "gui/Platform.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <dlfcn.h>
#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr int kFiles = 8;
constexpr double kSeconds = 10.0;
// The batch into a folder whose writes are slow, and the delay of each write.
constexpr int kWriteFiles = 4;
constexpr double kWriteSeconds = 3.0;
constexpr long kWriteMs = 50;
using Clock = std::chrono::steady_clock;

// A tagged 16-bit stereo WAV: its INFO list holds a title and an artist, so the tag copy writes.
QByteArray TaggedWav(int index, double seconds) {
  QByteArray wav = bench::StereoWav(static_cast<quint32>(seconds * 44100), [index](quint32 i) {
    const double t = i / 44100.0;
    const double f = 220.0 * (1 + index % 4);
    return std::pair{9000 * std::sin(2 * M_PI * f * t), 9000 * std::sin(2 * M_PI * 1.5 * f * t)};
  });
  QByteArray items;
  const auto item = [&items](const char* id, const QByteArray& text) {
    QByteArray value = text + '\0';
    if (value.size() % 2)
      value += '\0';
    items += id;
    bench::PutLE(items, static_cast<quint32>(text.size() + 1), 4);
    items += value;
  };
  item("INAM", QStringLiteral("曲 %1").arg(index + 1).toUtf8());
  item("IART", QStringLiteral("演奏者").toUtf8());
  QByteArray list("LIST");
  bench::PutLE(list, static_cast<quint32>(items.size() + 4), 4);
  list += "INFO" + items;
  wav += list;
  QByteArray size;
  bench::PutLE(size, static_cast<quint32>(wav.size() - 8), 4);
  wav.replace(4, 4, size);
  return wav;
}

// The real desktop, the trash included; no dialog ever shows.
class BenchPlatform : public Platform {
public:
  bool AskOkCancel(QWidget*, const QString&, const QString&) override { return false; }
  void ShowError(QWidget*, const QString& text) override {
    std::fprintf(stderr, "error box: %s\n", qPrintable(text));
  }
  SaveAnswer AskSaveChanges(QWidget*, const QString&, const QString&) override {
    return SaveAnswer::Discard;
  }
  int ExecModal(QDialog&) override { return 0; }
  bool OpenWithAssociatedProgram(const QString&) override { return false; }
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The shim's control: how long fsyncs and renames take, and writes into files below a folder.
using SlowDisk = void (*)(long sync, long write, const char* folder);

// Writes `count` tagged WAV files of `seconds` into `folder` (made) and shows them as the
// window's list.
bool ShowBatch(MainWindow& form, const QString& folder, int count, double seconds) {
  QDir().mkpath(folder);
  QStringList list;
  for (int i = 0; i < count; ++i) {
    const QString path = folder + QStringLiteral("/track%1.wav").arg(i + 1, 2, 10, QChar(u'0'));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(TaggedWav(i, seconds)) < 0)
      return false;
    list.append(path);
  }
  form.session().navigator().SetCurrentFolder(folder);
  form.session().navigator().ShowList(list, 0);
  // The shown file's tag is read on the tag worker first.
  while (form.session().tagEditor().Busy())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return true;
}

// "WAV→MP3一括変換", the window's event loop run until the batch has ended (its summary shown):
// the seconds it took.
double RunBatch(MainWindow& form) {
  const Clock::time_point start = Clock::now();
  form.OnConvertAllClicked();
  while (form.session().converter().Busy())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The MP3 files in `folder`, and the other files left there (WAV files, temporary files).
std::pair<int, int> Made(const QString& folder) {
  int mp3s = 0, left = 0;
  for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
    mp3s += name.endsWith(QLatin1String(".mp3")) && !name.startsWith(u'.');
    left += name.endsWith(QLatin1String(".wav")) || name.startsWith(u'.');
  }
  return {mp3s, left};
}

} // namespace

int main(int argc, char** argv) {
  // The slow disk comes from the shim, loaded before anything else: run again with it.
  if (qEnvironmentVariableIsEmpty("W2M_SLOW_DISK_MS")) {
    setenv("W2M_SLOW_DISK_MS", "100", 1);
    setenv("LD_PRELOAD", W2M_SLOW_DISK_SHIM, 1);
    execv("/proc/self/exe", argv);
    std::perror("exec");
    return 1;
  }
  const auto slowDisk = reinterpret_cast<SlowDisk>(::dlsym(RTLD_DEFAULT, "w2m_slow_disk"));
  if (slowDisk == nullptr) {
    std::fprintf(stderr, "the slow disk shim is not loaded\n");
    return 1;
  }
  const long syncMs = std::atol(qgetenv("W2M_SLOW_DISK_MS").constData());
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir dir;
  // The home trash of this run, on the same disk as the music.
  qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
  QApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

  BenchPlatform platform;
  MainWindow form(platform);
  form.SetIniPath(dir.filePath(QStringLiteral("bench.ini")));
  form.SetOptionsWindow(new OptionsDialog(&form, platform));
  std::printf("%d tagged WAV files of %.0f s, fsync and rename delayed %ld ms, %d cores, %d "
              "rounds\n",
              kFiles, kSeconds, syncMs, QThread::idealThreadCount(), rounds);

  // The reference: the window's loop doing nothing for as long as a batch of several at once
  // takes, the machine as busy as it is.
  double idleStall = 0;
  {
    StallProbe probe(&form);
    QEventLoop idle;
    QTimer::singleShot(5000, &idle, &QEventLoop::quit);
    idle.exec();
    idleStall = probe.Stop();
    std::printf("idle window, 5 s: longest stall %.0f ms (working %.1f ms of it)\n", idleStall,
                probe.Busy());
  }

  int failures = 0;
  std::vector<double> allStalls;
  for (const Options::Mp3Format format : {Options::Mp3Format::Rmp, Options::Mp3Format::Id3v2}) {
    for (const int jobs : {1, 0}) {
      Options options = form.CurrentOptions();
      options.copyWavTagToMp3 = true;
      options.moveWavToTrash = true;
      options.overwriteMp3 = false;
      options.mp3Jobs = jobs;
      options.mp3TagFormat = format;
      form.TakeOptions(options, true);
      const char* const mode = jobs == 1 ? "one at a time" : "several at once";
      const char* const tag = format == Options::Mp3Format::Rmp ? "RIFF SIF" : "ID3v2";
      std::vector<double> stalls;
      for (int round = 0; round < rounds; ++round) {
        const QString folder = dir.filePath(
            QStringLiteral("%1-jobs%2-round%3").arg(tag).arg(jobs).arg(round).remove(u' '));
        if (!ShowBatch(form, folder, kFiles, kSeconds))
          return 1;
        StallProbe probe(&form);
        const double seconds = RunBatch(form);
        const double stall = probe.Stop();
        const auto [mp3s, left] = Made(folder);
        failures += mp3s != kFiles || left != 0;
        stalls.push_back(stall);
        std::printf("%s, %s, round %d: %.1f s, %d MP3 files, %d other files left; longest stall "
                    "%.0f ms (the window's thread working %.1f ms of it)\n",
                    tag, mode, round + 1, seconds, mp3s, left, stall, probe.Busy());
        std::fflush(stdout);
      }
      allStalls.insert(allStalls.end(), stalls.begin(), stalls.end());
      std::printf("%s, %s: ui-stall max %.0f ms (median of the rounds' longest %.0f ms)\n", tag,
                  mode, *std::max_element(stalls.begin(), stalls.end()), Median(stalls));
    }
  }

  // Four short files several at once, with the tag copy, into a folder whose every write takes
  // kWriteMs, against a local disk (fsync and rename undelayed in both), alternately.
  Options options = form.CurrentOptions();
  options.moveWavToTrash = false;
  options.mp3Jobs = 0;
  options.mp3TagFormat = Options::Mp3Format::Id3v2;
  form.TakeOptions(options, true);
  std::vector<double> local, slow;
  // Short batches, measured often: a busy machine shows in single ones.
  for (int round = 0; round < std::max(rounds, 7); ++round) {
    for (const bool slowWrites : {false, true}) {
      const QString folder = dir.filePath(
          QStringLiteral("%1-writes-round%2").arg(slowWrites ? "slow" : "local").arg(round));
      if (!ShowBatch(form, folder, kWriteFiles, kWriteSeconds))
        return 1;
      slowDisk(0, slowWrites ? kWriteMs : 0, QFile::encodeName(folder).constData());
      const double seconds = RunBatch(form);
      slowDisk(syncMs, 0, nullptr);
      failures += Made(folder).first != kWriteFiles;
      (slowWrites ? slow : local).push_back(seconds);
      std::printf("%d files of %.0f s, writes %s, round %d: %.2f s\n", kWriteFiles, kWriteSeconds,
                  slowWrites ? "delayed 50 ms" : "local", round + 1, seconds);
      std::fflush(stdout);
    }
  }
  std::printf("every batch: ui-stall max %.0f ms, median of the rounds' longest %.0f ms (idle "
              "window %.0f ms)\n",
              *std::max_element(allStalls.begin(), allStalls.end()), Median(allStalls), idleStall);
  std::printf("%d files of %.0f s with every write delayed %ld ms: median %.2f s, local disk "
              "median %.2f s, ratio %.2f\n",
              kWriteFiles, kWriteSeconds, kWriteMs, Median(slow), Median(local),
              Median(slow) / Median(local));
  if (failures > 0)
    std::fprintf(stderr, "%d rounds did not convert every file\n", failures);
  return failures > 0 ? 1 : 0;
}

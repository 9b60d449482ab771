// How long the window's event loop stalls at most while "WAV→MP3一括変換" converts eight tagged
// WAV files with the tag copy and the trash on, on a slow disk: the benchmark runs itself again
// with its own preload shim (slow_disk_shim.c), which delays every fsync and rename by 100 ms.
// A probe thread posts an event to the window's thread every 2 ms; the longest time one waited
// to be handled is the stall. Both batch modes (one file at a time, several at once), three
// rounds each; the real trash (in a temporary XDG_DATA_HOME) takes the WAV files. The
// one-second pauses are the window's own waits, during which its loop runs.
//
//   bench_stall [rounds]      (default 3)
#include "BenchWav.h"
#include "StallProbe.h"

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
using Clock = std::chrono::steady_clock;

// A tagged 16-bit stereo WAV: its INFO list holds a title and an artist, so the tag copy writes.
QByteArray TaggedWav(int index) {
  QByteArray wav = bench::StereoWav(static_cast<quint32>(kSeconds * 44100), [index](quint32 i) {
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
  std::vector<QByteArray> wavs;
  for (int i = 0; i < kFiles; ++i)
    wavs.push_back(TaggedWav(i));
  std::printf("%d tagged WAV files of %.0f s, fsync and rename delayed %s ms, %d cores, %d "
              "rounds\n",
              kFiles, kSeconds, qgetenv("W2M_SLOW_DISK_MS").constData(),
              QThread::idealThreadCount(), rounds);

  int failures = 0;
  for (const int jobs : {1, 0}) {
    Options options = form.CurrentOptions();
    options.Mp3WavId3ToMp3 = true;
    options.Mp3DeleteWav = true;
    options.Mp3OverWriteMp3 = false;
    options.Mp3Jobs = jobs;
    form.TakeOptions(options, true);
    std::vector<double> stalls;
    for (int round = 0; round < rounds; ++round) {
      const QString folder = dir.filePath(QStringLiteral("jobs%1-round%2").arg(jobs).arg(round));
      QDir().mkpath(folder);
      QStringList list;
      for (int i = 0; i < kFiles; ++i) {
        const QString path = folder + QStringLiteral("/track%1.wav").arg(i + 1, 2, 10, QChar(u'0'));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(wavs[static_cast<std::size_t>(i)]) < 0)
          return 1;
        list.append(path);
      }
      form.session().navigator().SetCurrentFolder(folder);
      form.session().navigator().ShowList(list, 0);
      // The shown file's tag is read on the tag worker first.
      while (form.session().tagEditor().Busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
      const Clock::time_point start = Clock::now();
      StallProbe probe(&form);
      form.OnConvertAllClicked();
      const double stall = probe.Stop();
      const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
      int mp3s = 0, left = 0;
      for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        mp3s += name.endsWith(QLatin1String(".mp3")) && !name.startsWith(u'.');
        left += name.endsWith(QLatin1String(".wav")) || name.startsWith(u'.');
      }
      failures += mp3s != kFiles || left != 0;
      stalls.push_back(stall);
      std::printf("%s, round %d: %.1f s, %d MP3 files, %d other files left; longest stall "
                  "%.0f ms\n",
                  jobs == 1 ? "one at a time" : "several at once", round + 1, seconds, mp3s, left,
                  stall);
      std::fflush(stdout);
    }
    std::printf("%s: ui-stall max %.0f ms (median of the rounds' longest %.0f ms)\n",
                jobs == 1 ? "one at a time" : "several at once",
                *std::max_element(stalls.begin(), stalls.end()), Median(stalls));
  }
  if (failures > 0)
    std::fprintf(stderr, "%d rounds did not convert every file\n", failures);
  return failures > 0 ? 1 : 0;
}

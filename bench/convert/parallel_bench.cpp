// How long a batch of eight one-minute WAV files takes through the batch code, one file after
// the other ("Mp3Jobs" 1) and one file per core ("Mp3Jobs" 0), against the lame command run
// over the same files with as many at once as there are cores (lame -b 128 -m j). The three
// alternate within each round; medians and ratios at the end. The one-second pauses after each
// file and the summary's three seconds are not waited for; what they would add is shown apart.
//
//   bench_parallel [rounds] [--vbr]   (default 3; needs `lame` on the PATH)
// With --vbr both sides use LAME's VBR preset V2 ("Mp3Quality" V2, lame -V 2).
#include "BenchWav.h"
#include "FakeSessionView.h"
#include "FinishOpen.h"

#include "core/convert/Converter.h"
#include "core/encoder/EncoderComponent.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/session/TagEditor.h"
#include "core/settings/Options.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kFiles = 8;
constexpr double kSeconds = 60.0;
// The quality of both sides: CBR 128 (the default) or VBR V2.
bool vbr = false;

double WallSeconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// 16-bit stereo 44.1 kHz music-like signal: a few gliding partials and a little noise, different
// for each file, so that the encoder has real work to do.
QByteArray MusicWav(int index) {
  quint32 noise = 12345u + static_cast<quint32>(index) * 7919u;
  const double base = 110.0 * (1 + index % 5);
  return bench::StereoWav(static_cast<quint32>(kSeconds * 44100), [&noise, base](quint32 i) {
    const double t = i / 44100.0;
    const double glide = base * (1 + 0.5 * std::sin(2 * M_PI * 0.05 * t));
    double left = 0, right = 0;
    for (int k = 1; k <= 6; ++k) {
      left += std::sin(2 * M_PI * glide * k * t) / k;
      right += std::sin(2 * M_PI * glide * k * 1.5 * t + k) / k;
    }
    noise = noise * 1664525u + 1013904223u;
    const double n = (static_cast<double>(noise >> 8) / (1 << 24) - 0.5) * 0.2;
    return std::pair{6000 * (left + n), 6000 * (right - n)};
  });
}

// The window's pauses are counted, not waited for: a second for each result of files converted
// one at a time, three for the batch's summary.
class CountingView : public FakeSessionView {
public:
  int pausedMs = 0;
  void ShowFileResult(const ConversionReport& report) override {
    if (report.nextWaits)
      pausedMs += 1000;
    FakeSessionView::ShowFileResult(report);
  }
};

struct BatchTiming {
  double seconds = 0;
  int pausedMs = 0;
  int converted = 0;
};

// The batch of `wavs`, as "WAV→MP3一括変換" runs it, with the window's encoder settings.
BatchTiming RunBatch(const QStringList& wavs, int jobs) {
  CountingView view;
  Session session{view, view};
  Options& options = session.options();
  options.copyWavTagToMp3 = true;
  options.moveWavToTrash = false;
  options.overwriteMp3 = true;
  options.mp3Jobs = jobs;
  options.mp3Quality = vbr ? Options::Quality::V2 : Options::Quality::Cbr128;
  session.navigator().ShowList(wavs, 0);
  FinishOpen(session.navigator());
  view.ShowFileName(wavs.first());
  const double start = WallSeconds();
  const std::optional<BatchResult> result = ConvertAllOf(session);
  // The summary's pause, as the window takes it after the batch.
  if (result)
    view.pausedMs += 3000;
  return {WallSeconds() - start, view.pausedMs,
          result ? result->Count(FileResult::Kind::Converted) : 0};
}

// lame over every file, `at once` processes at a time.
double RunLame(const QStringList& wavs, const QString& outFolder, int atOnce) {
  const double start = WallSeconds();
  std::deque<std::unique_ptr<QProcess>> running;
  for (const QString& wav : wavs) {
    if (static_cast<int>(running.size()) == atOnce) {
      running.front()->waitForFinished(-1);
      running.pop_front();
    }
    auto p = std::make_unique<QProcess>();
    p->start(QStringLiteral("lame"),
             {QStringLiteral("--quiet"), vbr ? QStringLiteral("-V") : QStringLiteral("-b"),
              vbr ? QStringLiteral("2") : QStringLiteral("128"), QStringLiteral("-m"),
              QStringLiteral("j"), wav,
              outFolder + u'/' + QFileInfo(wav).completeBaseName() + QStringLiteral(".mp3")});
    if (!p->waitForStarted()) {
      std::fprintf(stderr, "the lame command cannot be started\n");
      std::exit(1);
    }
    running.push_back(std::move(p));
  }
  for (auto& p : running)
    p->waitForFinished(-1);
  return WallSeconds() - start;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  int rounds = 3;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--vbr")
      vbr = true;
    else
      rounds = std::max(1, std::atoi(argv[i]));
  }
  const int cores = QThread::idealThreadCount();
  QTemporaryDir dir;
  const QString lameOut = dir.filePath(QStringLiteral("lame"));
  QDir().mkpath(lameOut);
  QStringList wavs;
  for (int i = 0; i < kFiles; ++i) {
    const QString path = dir.filePath(QStringLiteral("track%1.wav").arg(i + 1, 2, 10, QChar(u'0')));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(MusicWav(i)) < 0)
      return 1;
    wavs.append(path);
  }
  std::printf("%d WAV files of %.0f s (44.1 kHz stereo), %d cores, %d rounds, %s\n", kFiles,
              kSeconds, cores, rounds, vbr ? "VBR V2 (lame -V 2)" : "CBR 128 (lame -b 128)");

  std::vector<double> serial, parallel, lame;
  int pausedSerial = 0, pausedParallel = 0;
  for (int round = 0; round < rounds; ++round) {
    const BatchTiming one = RunBatch(wavs, 1);
    const BatchTiming all = RunBatch(wavs, 0);
    const double l = RunLame(wavs, lameOut, cores);
    if (one.converted != kFiles || all.converted != kFiles) {
      std::fprintf(stderr, "a batch converted %d and %d of %d files\n", one.converted,
                   all.converted, kFiles);
      return 1;
    }
    serial.push_back(one.seconds);
    parallel.push_back(all.seconds);
    lame.push_back(l);
    pausedSerial = one.pausedMs;
    pausedParallel = all.pausedMs;
    std::printf("round %d: one at a time %.2f s, %d at once %.2f s, lame %d at once %.2f s\n",
                round + 1, one.seconds, cores, all.seconds, cores, l);
    std::fflush(stdout);
  }
  const double s = Median(serial), p = Median(parallel), l = Median(lame);
  std::printf("medians: one at a time %.2f s, at once %.2f s, lame in parallel %.2f s\n", s, p, l);
  std::printf("parallel/one-at-a-time %.3f\n", p / s);
  std::printf("parallel/lame-in-parallel %.3f\n", p / l);
  std::printf("pauses not waited for: one at a time %.1f s, at once %.1f s\n",
              pausedSerial / 1000.0, pausedParallel / 1000.0);
  return 0;
}

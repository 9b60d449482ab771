// How much of the main thread a batch conversion takes while it waits. Two 20-second WAV
// files are converted through the main window's batch handler with the real encoder module
// on the offscreen platform; the main thread's own processor time is read with
// CLOCK_THREAD_CPUTIME_ID at the edges of each encode, of the time between encodes (a file's
// end, its one-second pause, the next file's start) and of the closing summary (its
// three-second pause). The worker's time (the process's
// time less the main thread's) and a blocked one-second idle wait are the references of the
// same run. Three rounds; medians.
#include "BenchWav.h"

#include "core/convert/Converter.h"
#include "core/encoder/EncoderComponent.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/session/TagEditor.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"
#include "gui/Platform.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRounds = 3;
constexpr double kSeconds = 20.0;

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double ProcessCpuMs() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  const auto ms = [](const timeval& v) {
    return static_cast<double>(v.tv_sec) * 1e3 + static_cast<double>(v.tv_usec) / 1e3;
  };
  return ms(u.ru_utime) + ms(u.ru_stime);
}

double WallMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// 16-bit stereo 44.1 kHz sine.
QByteArray SineWav(double seconds) {
  return bench::StereoWav(static_cast<quint32>(seconds * 44100), [](quint32 i) {
    const double t = i / 44100.0;
    return std::pair{12000 * std::sin(2 * M_PI * 440 * t), 12000 * std::sin(2 * M_PI * 660 * t)};
  });
}

// The pauses as designed; no dialog ever shows, nothing goes to the trash.
class BenchPlatform : public Platform {
public:
  bool AskOkCancel(QWidget*, const QString&, const QString&) override { return false; }
  void ShowError(QWidget*, const QString& text) override {
    std::fprintf(stderr, "error box: %s\n", qPrintable(text));
  }
  int ExecModal(QDialog&) override { return 0; }
  Trash::Result MoveToTrash(const QString&) override { return {}; }
  bool OpenWithAssociatedProgram(const QString&) override { return false; }
};

struct Round {
  double encodeWall = 0, encodeMain = 0, encodeWorker = 0;
  double betweenWall = 0, betweenMain = 0;
  double summaryWall = 0, summaryMain = 0;
  double idleWall = 0, idleMain = 0;
  int progressEvents = 0;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  const QByteArray wav = SineWav(kSeconds);
  BenchPlatform platform;
  MainWindow form(platform);
  form.SetIniPath(dir.filePath(QStringLiteral("bench.ini")));
  form.SetOptionsWindow(new OptionsDialog(&form, platform));
  Options options = form.CurrentOptions();
  options.moveWavToTrash = false;
  // One file after the other: the window's encoder, its end handlers and their pauses are what
  // is measured (several at once, the encodes run on jobs the window never hears of).
  options.mp3Jobs = 1;
  form.TakeOptions(options, false);

  Round r;
  double mark = 0, markCpu = 0, markProcess = 0;
  bool encoding = false;
  const auto markNow = [&] {
    mark = WallMs();
    markCpu = ThreadCpuMs();
    markProcess = ProcessCpuMs();
  };
  // The time since the last encode's end (or the batch's start) was between encodes.
  const auto endBetween = [&] {
    r.betweenWall += WallMs() - mark;
    r.betweenMain += ThreadCpuMs() - markCpu;
    markNow();
  };
  EncoderComponent& encoder = form.session().encoder();
  encoder.OnProgress = [&, session = encoder.OnProgress](QObject* s, int now, int all) {
    ++r.progressEvents;
    if (!encoding) {
      endBetween();
      encoding = true;
    }
    session(s, now, all);
  };
  encoder.OnFinish = [&, session = encoder.OnFinish](QObject* s, bool aborted) {
    // The encode ran from its first progress event.
    const double cpu = ThreadCpuMs();
    r.encodeWall += WallMs() - mark;
    r.encodeMain += cpu - markCpu;
    r.encodeWorker += (ProcessCpuMs() - markProcess) - (cpu - markCpu);
    encoding = false;
    markNow();
    session(s, aborted);
  };

  std::vector<Round> rounds;
  for (int round = 0; round < kRounds; ++round) {
    const QString folder = dir.filePath(QStringLiteral("round%1").arg(round));
    QDir().mkpath(folder);
    for (const char* name : {"a.wav", "b.wav"}) {
      QFile f(folder + QLatin1Char('/') + QLatin1String(name));
      if (!f.open(QIODevice::WriteOnly) || f.write(wav) != wav.size())
        return 1;
    }
    form.session().navigator().ShowList(
        {folder + QStringLiteral("/a.wav"), folder + QStringLiteral("/b.wav")}, 0);
    // The shown file's tag is read on the tag worker first.
    while (form.session().tagEditor().Busy())
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    r = Round{};
    markNow();
    form.OnConvertAllClicked();
    while (form.session().converter().Busy())
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    endBetween();
    // The summary and its pause.
    QEventLoop summary;
    QTimer::singleShot(MainWindow::kSummaryPauseMs, &summary, &QEventLoop::quit);
    summary.exec();
    r.summaryWall = WallMs() - mark;
    r.summaryMain = ThreadCpuMs() - markCpu;

    // Reference: the main thread blocked in an event loop for one second.
    const double idleStart = WallMs(), idleCpu = ThreadCpuMs();
    QEventLoop idle;
    QTimer::singleShot(1000, &idle, &QEventLoop::quit);
    idle.exec();
    r.idleWall = WallMs() - idleStart;
    r.idleMain = ThreadCpuMs() - idleCpu;

    std::printf("round %d: encodes %.0f ms wall, main thread %.1f ms, worker %.0f ms, "
                "%d progress events; between encodes %.0f ms wall, main %.1f ms; summary %.0f ms "
                "wall, main %.1f ms; idle reference %.0f ms wall, main %.2f ms\n",
                round + 1, r.encodeWall, r.encodeMain, r.encodeWorker, r.progressEvents,
                r.betweenWall, r.betweenMain, r.summaryWall, r.summaryMain, r.idleWall, r.idleMain);
    std::fflush(stdout);
    rounds.push_back(r);
  }

  const auto median = [&](double Round::*field) {
    std::vector<double> v;
    for (const Round& x : rounds)
      v.push_back(x.*field);
    return Median(v);
  };
  const double encodeWall = median(&Round::encodeWall);
  const double encodeMain = median(&Round::encodeMain);
  const double worker = median(&Round::encodeWorker);
  std::printf("median over %d rounds (two %.0f s WAV files per round):\n", kRounds, kSeconds);
  std::printf("  during the encodes: main thread %.1f ms of %.0f ms wall (%.2f %% of one core); "
              "worker %.0f ms; main/worker %.3f\n",
              encodeMain, encodeWall, 100 * encodeMain / encodeWall, worker, encodeMain / worker);
  std::printf("  between encodes (ends, their pauses, starts): main %.1f ms of %.0f ms wall "
              "(%.2f %%)\n",
              median(&Round::betweenMain), median(&Round::betweenWall),
              100 * median(&Round::betweenMain) / median(&Round::betweenWall));
  std::printf("  during the summary's pause: main %.1f ms of %.0f ms wall (%.2f %%)\n",
              median(&Round::summaryMain), median(&Round::summaryWall),
              100 * median(&Round::summaryMain) / median(&Round::summaryWall));
  std::printf("  idle reference: main %.2f ms of %.0f ms wall\n", median(&Round::idleMain),
              median(&Round::idleWall));
  return 0;
}

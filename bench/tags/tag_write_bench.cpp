// "ID3書込み" of a 5 MB MP3 without tags in each MP3 tag format, on a disk made slow by the
// preload shim of bench_stall (every fsync and rename takes 100 ms): the write's time, the
// window's longest stall meanwhile (StallProbe), and the renames, fsyncs and bytes written per
// write, counted by the shim. The reference run, in the same invocation and on the same thread,
// makes the tag library calls the window made before a write was one pass: each tag the write
// needs (ID3v1 and the RIFF SIF wrap, or ID3v2 with its ID3v1 mirror) written at once, then the
// save. Medians of the rounds, and the window's figures as ratios of the reference's.
//
//   bench_tag_write [rounds]      (default 5)
#include "StallProbe.h"

#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/session/TagEditor.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"
#include "gui/Platform.h"

#include <mp3infp_handle.h>

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QThread>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// No dialog ever shows.
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

// 5 MB of silent MPEG-1 layer III frames, 128 kbit/s at 44.1 kHz (417 bytes each).
QByteArray SilentMp3() {
  QByteArray frame(417, '\0');
  frame.replace(0, 4, QByteArray("\xFF\xFB\x90\x64", 4));
  return frame.repeated(5 * 1000 * 1000 / frame.size());
}

struct Figures {
  double seconds = 0, stallMs = 0, renames = 0, syncs = 0, bytesPerFile = 0;
};

using Counts = void (*)(long*, long*, long long*);

// The calls the window made for one write before: every tag made is written at once.
bool ReferenceWrite(const QByteArray& path, Options::Mp3Format format, const QByteArray& title) {
  MP3INFP_HANDLE* h = mp3infph_Create();
  bool made = mp3infph_Load(h, path.constData()) == 0;
  if (format == Options::Mp3Format::Rmp)
    made = made && mp3infph_mp3_MakeId3v1(h, path.constData()) == 0 &&
           mp3infph_mp3_MakeRMP(h, path.constData()) == 0;
  else
    made = made && mp3infph_MakeId3v2(h, path.constData()) == 0;
  const char* name = format == Options::Mp3Format::Rmp ? "INAM_rmp" : "INAM_v2";
  const bool saved = made && mp3infph_SetValue(h, name, title.constData()) == 0 &&
                     mp3infph_Save(h, path.constData()) == 0;
  mp3infph_Destroy(h);
  return saved;
}

double Median(std::vector<Figures>& runs, double Figures::*figure) {
  std::sort(runs.begin(), runs.end(),
            [figure](const Figures& a, const Figures& b) { return a.*figure < b.*figure; });
  return runs[runs.size() / 2].*figure;
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
  const auto counts = reinterpret_cast<Counts>(::dlsym(RTLD_DEFAULT, "w2m_slow_disk_counts"));
  if (counts == nullptr) {
    std::fprintf(stderr, "the slow disk shim is not loaded\n");
    return 1;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir dir;
  QApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

  BenchPlatform platform;
  MainWindow form(platform);
  form.SetIniPath(dir.filePath(QStringLiteral("bench.ini")));
  form.SetOptionsWindow(new OptionsDialog(&form, platform));
  auto* titleBox = form.findChild<QLineEdit*>(QStringLiteral("titleEdit"));
  const QByteArray mp3 = SilentMp3();
  std::printf("MP3 of %.1f MB without tags, fsync and rename delayed %s ms, %d rounds\n",
              mp3.size() / 1e6, qgetenv("W2M_SLOW_DISK_MS").constData(), rounds);

  int failures = 0;
  for (const Options::Mp3Format format : {Options::Mp3Format::Rmp, Options::Mp3Format::Id3v2}) {
    const char* label = format == Options::Mp3Format::Rmp ? "RIFF SIF" : "ID3v2";
    Options options = form.CurrentOptions();
    options.mp3TagFormat = format;
    form.TakeOptions(options, true);
    std::vector<Figures> window, reference;
    for (int round = 0; round < rounds; ++round)
      for (const bool byReference : {true, false}) {
        const QString path = dir.filePath(
            QStringLiteral("%1-%2-%3.mp3").arg(int(format)).arg(round).arg(byReference));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(mp3) != mp3.size())
          return 1;
        file.close();
        const QString title = QStringLiteral("夜明け %1").arg(round);
        if (!byReference) {
          form.session().navigator().ShowList({path}, 0);
          // The file's tag is read on the tag worker before it is edited.
          while (form.session().tagEditor().Busy())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
          titleBox->setText(title);
        }
        Figures f;
        long syncs = 0, renames = 0;
        long long bytes = 0;
        counts(&syncs, &renames, &bytes); // from here on
        const Clock::time_point start = Clock::now();
        StallProbe probe(&form);
        bool written = false;
        if (byReference) {
          written = ReferenceWrite(QFile::encodeName(path), format, title.toUtf8());
        } else {
          form.OnWriteTagsClicked();
          // The result reaches the status bar once the tag worker is done.
          while (!form.StatusText(1).startsWith(QStringLiteral("成功")) &&
                 !form.StatusText(1).startsWith(QStringLiteral("失敗")) &&
                 Clock::now() - start < std::chrono::seconds(30)) {
            QCoreApplication::processEvents();
            QThread::msleep(1);
          }
          written = form.StatusText(1).startsWith(QStringLiteral("成功"));
        }
        f.stallMs = probe.Stop();
        f.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        counts(&syncs, &renames, &bytes);
        f.syncs = static_cast<double>(syncs);
        f.renames = static_cast<double>(renames);
        f.bytesPerFile = static_cast<double>(bytes) / static_cast<double>(mp3.size());
        failures += !written;
        (byReference ? reference : window).push_back(f);
      }
    for (const bool byReference : {false, true}) {
      std::vector<Figures>& runs = byReference ? reference : window;
      std::printf("%s, %s: write %.2f s, longest stall %.0f ms, %.0f renames, %.0f fsyncs, "
                  "%.2f x the file written\n",
                  label, byReference ? "reference (each tag made written at once)" : "window",
                  Median(runs, &Figures::seconds), Median(runs, &Figures::stallMs),
                  Median(runs, &Figures::renames), Median(runs, &Figures::syncs),
                  Median(runs, &Figures::bytesPerFile));
    }
    const auto ratio = [&](double Figures::*figure) {
      return Median(window, figure) / Median(reference, figure);
    };
    std::printf("%s, window / reference: write %.2f, stall %.2f, renames %.2f, fsyncs %.2f, "
                "bytes %.2f\n",
                label, ratio(&Figures::seconds), ratio(&Figures::stallMs), ratio(&Figures::renames),
                ratio(&Figures::syncs), ratio(&Figures::bytesPerFile));
    std::fflush(stdout);
  }
  if (failures > 0)
    std::fprintf(stderr, "%d writes failed\n", failures);
  return failures > 0 ? 1 : 0;
}

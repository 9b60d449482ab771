// Conversions through the main window with the recording fake encoder module standing in for
// libgogo.so (found first through the library path): an encode that fails midway, and the
// window closed (during an encode or an end handler's pause) or destroyed during a batch.
#include "ConvertTestSupport.h"

#include <QApplication>
#include <QThread>
#include <QTimer>

#include <dlfcn.h>

namespace {

using namespace convert_test;

// The fake module the binding loaded, scripted through its test entry points.
class FakeModule {
public:
  FakeModule() = default;
  // Takes hold of the module the binding has loaded.
  void attach() { h_ = dlopen("libgogo.so", RTLD_NOW | RTLD_NOLOAD); }
  ~FakeModule() {
    if (h_)
      dlclose(h_);
  }
  FakeModule(const FakeModule&) = delete;
  FakeModule& operator=(const FakeModule&) = delete;
  bool ok() const { return h_ != nullptr && dlsym(h_, "fake_set") != nullptr; }
  void set(const char* key, long value) {
    reinterpret_cast<void (*)(const char*, long)>(dlsym(h_, "fake_set"))(key, value);
  }
  std::string log() { return reinterpret_cast<const char* (*)()>(dlsym(h_, "fake_log"))(); }

private:
  void* h_ = nullptr;
};

int Count(const std::string& text, const std::string& line) {
  int n = 0;
  for (std::size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
    ++n;
  return n;
}

class ConvertFake : public ConvertTest {
protected:
  void SetUp() override {
    ConvertTest::SetUp();
    fake_.attach();
    ASSERT_TRUE(fake_.ok()) << "the fake encoder module is not the one loaded";
    fake_.set("frames", 20);
  }
  FakeModule fake_;
};

// b.wav fails on its third frame; c.wav then runs through, but the fake writes no MP3, so its
// check fails. Both are reported "中断" with why, are not counted, get no tag and keep their WAV
// files; the batch goes on, and its end says 失敗. A module without encoder handles converts one
// file after the other whatever the setting.
TEST_F(ConvertFake, FailedEncodeIsReportedAndTheBatchGoesOn) {
  SpinBox(options, "jobsSpin")->setValue(0);
  SetOptions(true, true, true);
  EXPECT_EQ(form->session().converter().BatchJobs(), 1);
  const fixtures::Bytes untagged = fixtures::makeMp3(0.5);
  ShowList({{"b.wav", TaggedWav(0.5)}, {"b.mp3", untagged}, {"c.wav", TaggedWav(0.5)}});
  fake_.set("failAt", 3);
  fake_.set("failCode", -2);
  int finishes = 0;
  onFinish = [&](bool) {
    if (++finishes == 1)
      fake_.set("failAt", -1);
  };

  RunBatch();
  Snapshot();

  EXPECT_EQ(finishes, 2);
  EXPECT_TRUE(Traced(QStringLiteral("1/2|中断|b.wav の変換が途中で終わりました")));
  EXPECT_TRUE(
      Traced(QStringLiteral("2/2|中断|できたMP3を確かめられません（c.wav は元のままです）")));
  EXPECT_TRUE(Traced(QStringLiteral("0/2|失敗|2 ファイルは変換しませんでした（失敗）")));
  EXPECT_EQ(fixtures::readFile(dir / "b.mp3"), untagged);
  EXPECT_EQ(Listing(), "b.mp3 b.wav c.wav");
  EXPECT_EQ(Count(fake_.log(), "init\n"), 2);
}

// Closing the window mid-batch saves the settings and leaves the batch without its summary;
// destroying the window then stops the encode, closes the coder and ends the worker.
TEST_F(ConvertFake, ClosingTheWindowStopsTheBatch) {
  fake_.set("frames", 1000000);
  fake_.set("frameSleepUs", 200);
  ShowList({{"b.wav", TaggedWav(0.5)}, {"c.wav", TaggedWav(0.5)}});
  onProgress = [&](int now, int) {
    if (now == 5)
      form->close();
  };
  form->OnConvertAllClicked();
  while (form->session().converter().BatchRunning())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  Snapshot();

  EXPECT_TRUE(QFileInfo::exists(form->IniPath()));
  EXPECT_TRUE(form->session().encoder().IsEncoding());
  EXPECT_FALSE(form->session().converter().BatchRunning());
  for (const QString& seen : trace)
    EXPECT_FALSE(seen.contains(QStringLiteral("ファイルは変換しませんでした")));

  const int threadsWithWorker = ThreadCount();
  form.reset();
  // The worker has finished when the window is gone; the system may take a moment more to
  // remove the thread itself.
  for (int i = 0; i < 5000 && ThreadCount() != threadsWithWorker - 1; ++i)
    QThread::msleep(1);
  EXPECT_EQ(ThreadCount(), threadsWithWorker - 1);
  const std::string log = fake_.log();
  EXPECT_EQ(Count(log, "init\n"), 1);
  EXPECT_NE(log.find("close\nend\n"), std::string::npos) << log;
}

// Closing the window during a pause of a batch run from the program's event loop, the way a
// user does: the end handler still finishes its file, no further encode starts, and the
// program's loop ends instead of running on without its window. A window destroyed during the
// summary's pause is never touched again.
struct PauseCase {
  const char* label;
  bool inSummary; // the summary's pause, else the first end handler's
  bool destroy = false;
};

class ConvertClosePause : public ConvertFake, public ::testing::WithParamInterface<PauseCase> {};

TEST_P(ConvertClosePause, ClosingDuringAPauseEndsTheProgram) {
  SetOptions(false, false);
  ShowList({{"b.wav", TaggedWav(0.5)}, {"c.wav", TaggedWav(0.5)}});
  const bool inSummary = GetParam().inSummary;
  const bool destroy = GetParam().destroy;
  bool closed = false;
  fake->onPause = [&] {
    Snapshot();
    const bool now =
        inSummary ? form->StatusText(2).contains(QStringLiteral("ファイルは変換しませんでした"))
                  : form->StatusText(1) == QStringLiteral("中断");
    if (closed || !now)
      return;
    closed = true;
    QTimer::singleShot(0, qApp, [&] {
      if (!destroy) {
        form->close();
        return;
      }
      form.reset();
      // Well past the end of the summary's pause.
      QTimer::singleShot(MainWindow::kSummaryPauseMs, qApp, &QCoreApplication::quit);
    });
  };
  form->show();
  QTimer::singleShot(0, form.get(), [this] { form->OnConvertAllClicked(); });
  // Should the program's loop not end, the test's time limit fails it.
  EXPECT_EQ(QApplication::exec(), 0);

  EXPECT_TRUE(closed);
  EXPECT_EQ(Count(fake_.log(), "init\n"), inSummary ? 2 : 1);
  EXPECT_EQ(Listing(), "b.wav c.wav") << "the fake writes no MP3 to check";
  if (destroy)
    return;
  EXPECT_FALSE(form->session().converter().BatchRunning());
  EXPECT_TRUE(form->session().encoder().DestinationFile().isEmpty());
  EXPECT_FALSE(form->session().encoder().IsEncoding());
}

INSTANTIATE_TEST_SUITE_P(Pauses, ConvertClosePause,
                         ::testing::Values(PauseCase{"EndHandler", false},
                                           PauseCase{"Summary", true},
                                           PauseCase{"SummaryDestroyed", true, true}),
                         [](const auto& p) { return std::string(p.param.label); });

// The window destroyed while the batch waits: the batch returns without touching it.
TEST_F(ConvertFake, DestroyingTheWindowDuringABatchIsSafe) {
  fake_.set("frames", 1000000);
  fake_.set("frameSleepUs", 200);
  ShowList({{"b.wav", TaggedWav(0.5)}, {"c.wav", TaggedWav(0.5)}});
  MainWindow* window = form.get();
  onProgress = [&](int now, int) {
    if (now == 5)
      QTimer::singleShot(0, [&] {
        onProgress = nullptr;
        form.reset();
      });
  };
  window->OnConvertAllClicked();
  while (form)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  EXPECT_NE(fake_.log().find("close\nend\n"), std::string::npos);
}

} // namespace

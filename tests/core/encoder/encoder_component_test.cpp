#include "FakeGogoClient.h"

#include "core/encoder/EncodeEvent.h"
#include "core/encoder/EncodeThread.h"
#include "core/encoder/EncoderBinding.h"
#include "core/encoder/EncoderComponent.h"

#include <gtest/gtest.h>

#include <sched.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

Lines split(const std::string& text) {
  Lines out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    out.push_back(line);
  return out;
}

// The lines joined by '|', to compare a long sequence in one readable string.
std::string joined(const Lines& lines) {
  std::string out;
  for (const std::string& line : lines)
    out += (out.empty() ? "" : "|") + line;
  return out;
}

QString message(const char* m) {
  return QString::fromUtf8(m);
}

template <typename F> void expectRaises(F f, const char* expected) {
  try {
    f();
    ADD_FAILURE() << "no exception, expected " << expected;
  } catch (const EncoderError& e) {
    EXPECT_EQ(e.Message(), message(expected));
  }
}

class EncoderComponentTest : public ::testing::Test {
protected:
  void SetUp() override {
    ReleaseEncoderLibrary();
    SetEncoderLibraryPlainName(fake::Path);
    fake.reset();
  }
  void TearDown() override {
    tea.reset();
    ReleaseEncoderLibrary();
  }

  EncoderComponent& make() {
    tea = std::make_unique<EncoderComponent>(nullptr);
    tea->OnProgress = [this](QObject*, int now, int all) {
      events.push_back("progress " + std::to_string(now) + "/" + std::to_string(all));
    };
    tea->OnError = [this](QObject*, int code) {
      events.push_back("error " + std::to_string(code));
    };
    tea->OnFinish = [this](QObject*, bool aborted) {
      events.push_back(aborted ? "finish aborted" : "finish ok");
      ++finishes;
    };
    return *tea;
  }

  // Calls made by StartEncode, from initializeWork up to the frame-count query.
  Lines prepareLog() {
    fake.reset();
    fake.set("version", version);
    fake.set("units", units);
    tea->StartEncode();
    Lines log = split(fake.log());
    log.resize(std::find(log.begin(), log.end(), "get 15") + 1 - log.begin());
    return log;
  }

  void runToFinish() {
    ASSERT_TRUE(fake::waitFor([this] { return finishes > 0; }));
    QCoreApplication::processEvents();
  }

  fake::Handle fake;
  std::unique_ptr<EncoderComponent> tea;
  Lines events;
  int finishes = 0;
  long version = 560;
  long units = 0x2E;
};

TEST_F(EncoderComponentTest, PrepareSendsTheMainWindowSettingsInOrder) {
  EncoderComponent& t = make();
  t.setFrequency(1);
  t.setUseLPF(true);
  t.setSourceFile("/in/a.wav");
  t.setDestinationFile("/out/a.mp3");
  EXPECT_EQ(joined(prepareLog()), "init|set 1 0 /in/a.wav|set 2 0 /out/a.mp3|set 8 0 0|set 4 128 0|"
                                  "set 9 1 0|units|units|units|units|set 10 1 0|set 11 1 0|"
                                  "set 12 1 0|set 13 1 0|set 14 0 0|set 15 0 0|set 17 0 0|"
                                  "set 3 2 0|set 19 1 0|version|set 26 0 0|detect|get 15");
  EXPECT_EQ(t.AllFrames(), 10);
  // A module older than the output format item is not sent it.
  runToFinish();
  version = 549;
  t.setUseVBR(true);
  t.setVBRLevel(9);
  const Lines old = prepareLog();
  EXPECT_EQ(std::count(old.begin(), old.end(), "set 26 0 0"), 0);
  EXPECT_EQ(std::count(old.begin(), old.end(), "set 18 9 0"), 1);
}

struct UnitCase {
  long unitBits;
  long unitsResult;
  const char* flags; // items 10..15
};

class EncoderComponentUnits : public EncoderComponentTest,
                              public ::testing::WithParamInterface<UnitCase> {};

TEST_P(EncoderComponentUnits, UnitsAreFilteredByTheProcessor) {
  EncoderComponent& t = make();
  units = GetParam().unitBits;
  fake.reset();
  fake.set("units", units);
  fake.set("unitsResult", GetParam().unitsResult);
  t.StartEncode();
  std::string flags;
  for (const std::string& l : split(fake.log()))
    for (int item = 10; item <= 15; ++item)
      if (l.rfind("set " + std::to_string(item) + " ", 0) == 0)
        flags += l[l.size() - 3];
  EXPECT_EQ(flags, GetParam().flags);
}

INSTANTIATE_TEST_SUITE_P(, EncoderComponentUnits,
                         ::testing::Values(UnitCase{0x2E, 0, "111100"}, UnitCase{0x04, 0, "010000"},
                                           UnitCase{0x22, 0, "100100"}, UnitCase{0x00, 0, "000000"},
                                           // A failing query counts as no units at all.
                                           UnitCase{0x2E, 1, "000000"}));

TEST_F(EncoderComponentTest, RangeChecksRefuseAndKeepTheOldValue) {
  EncoderComponent& t = make();
  expectRaises([&] { t.setFrequency(0); }, EncoderMessages::OutOfRange);
  EXPECT_EQ(t.Frequency(), 100);
  expectRaises([&] { t.setVBRLevel(10); }, EncoderMessages::OutOfRange);
  expectRaises([&] { t.setVBRLevel(-1); }, EncoderMessages::OutOfRange);
  t.setVBRLevel(9);
  t.setVBRLevel(0);
  EXPECT_EQ(t.VBRLevel(), 0);
}

TEST_F(EncoderComponentTest, FailuresOfPrepareRaiseWithTheLibraryResult) {
  EncoderComponent& t = make();
  fake.set("initResult", 3);
  expectRaises([&] { t.StartEncode(); }, EncoderMessages::NoFpu);
  EXPECT_EQ(t.EncodeResult(), 3);

  fake.set("initResult", 0);
  fake.set("detectResult", -4);
  expectRaises([&] { t.StartEncode(); }, EncoderMessages::BadConfiguration);
  EXPECT_EQ(t.EncodeResult(), -4);

  fake.set("detectThrows", 1);
  expectRaises([&] { t.StartEncode(); }, EncoderMessages::BadConfiguration);
  EXPECT_EQ(t.EncodeResult(), RESULT_EXCEPTION);
  EXPECT_FALSE(t.IsEncoding());
}

struct EncodeCase {
  const char* name;
  long frames;
  int frequency;
  long failAt;
  long failCode;
  long throwAt;
  const char* events; // joined
  long closeResult = 0;
};

class EncoderComponentEncode : public EncoderComponentTest,
                               public ::testing::WithParamInterface<EncodeCase> {};

TEST_P(EncoderComponentEncode, EventsArriveInOrderAndTheCoderIsClosed) {
  const EncodeCase& c = GetParam();
  EncoderComponent& t = make();
  fake.set("frames", c.frames);
  fake.set("failAt", c.failAt);
  fake.set("failCode", c.failCode);
  fake.set("throwAt", c.throwAt);
  fake.set("closeResult", c.closeResult);
  t.setFrequency(c.frequency);
  t.StartEncode();
  EXPECT_TRUE(t.IsEncoding());
  runToFinish();
  EXPECT_EQ(joined(events), c.events);
  EXPECT_FALSE(t.IsEncoding());
  // The design's idle priority: the encode never takes the processor from the window.
  EXPECT_EQ(fake.framePolicy(), SCHED_IDLE);
  const Lines log = split(fake.log());
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(Lines(log.end() - 2, log.end()), (Lines{"close", "end"}));

  // Idle again: settings may change and another encode runs to its end.
  t.setSourceFile("/other.wav");
  fake.set("failAt", -1);
  fake.set("throwAt", -1);
  fake.set("closeResult", 0);
  events.clear();
  finishes = 0;
  t.StartEncode();
  runToFinish();
  EXPECT_EQ(events.back(), "finish ok");
}

INSTANTIATE_TEST_SUITE_P(
    , EncoderComponentEncode,
    ::testing::Values(
        EncodeCase{"Completed", 5, 2, -1, 0, -1,
                   "progress 0/5|progress 2/5|progress 4/5|progress 5/5|finish ok"},
        EncodeCase{"EveryFrame", 3, 1, -1, 0, -1,
                   "progress 0/3|progress 1/3|progress 2/3|progress 3/3|finish ok"},
        EncodeCase{"LibraryError", 5, 2, 3, -7, -1,
                   "progress 0/5|progress 2/5|error -7|finish aborted"},
        EncodeCase{"LibraryThrows", 5, 1, -1, 0, 1, "progress 0/5|error 10|finish aborted"},
        // Every frame went out, but the close (final flush, info frame, sync) failed.
        EncodeCase{"CloseFails", 2, 1, -1, 0, -1,
                   "progress 0/2|progress 1/2|progress 2/2|error 19|finish aborted", 19}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(EncoderComponentTest, SettingsAreFrozenWhileEncoding) {
  EncoderComponent& t = make();
  fake.set("frames", 1000000000);
  fake.set("frameSleepUs", 100);
  t.setFrequency(1000);
  t.StartEncode();
  const std::vector<std::function<void()>> setters = {
      [&] { t.setFrequency(0); }, // refused for encoding before its range is looked at
      [&] { t.setSourceFile("x"); }, [&] { t.setDestinationFile("x"); },
      [&] { t.setVBRLevel(1); },     [&] { t.StartEncode(); },
  };
  for (const auto& s : setters)
    expectRaises(s, EncoderMessages::ChangeWhileEncoding);
  EXPECT_EQ(t.Frequency(), 1000);
  EXPECT_TRUE(t.SourceFile().isEmpty());
}

TEST_F(EncoderComponentTest, DestroyingDuringAnEncodeClosesTheCoderSilently) {
  EncoderComponent& t = make();
  fake.set("frames", 1000000000);
  fake.set("frameSleepUs", 50);
  t.setFrequency(10);
  t.StartEncode();
  ASSERT_TRUE(fake::waitFor([this] { return events.size() >= 3; }));
  tea.reset();
  QCoreApplication::processEvents();
  EXPECT_EQ(finishes, 0);
  const Lines log = split(fake.log());
  EXPECT_EQ(Lines(log.end() - 2, log.end()), (Lines{"close", "end"}));
  const long done = fake.framesDone();
  EXPECT_LT(done, 1000000000);
  EXPECT_EQ(EncoderLibraryRefCount(), 0);
  EXPECT_FALSE(EncoderLibraryBound());
}

TEST_F(EncoderComponentTest, ConstructionFailsWithoutTheLibrary) {
  SetEncoderLibraryPlainName(fake::MissingName);
  fake::setInstallPath({});
  expectRaises([] { EncoderComponent t(nullptr); }, EncoderMessages::CannotInitialize);
  EXPECT_FALSE(EncoderLibraryBound());
}

TEST_F(EncoderComponentTest, ADesignedComponentTouchesNoLibrary) {
  EncoderComponent t(nullptr, true);
  EXPECT_FALSE(EncoderLibraryBound());
  EXPECT_EQ(t.VersionString(), QString());
  EXPECT_EQ(t.VersionCode(), 0u);
  EXPECT_EQ(t.UnitStates(), 0u);
  t.StartEncode();
  EXPECT_FALSE(t.IsEncoding());
}

// The worker protocol seen directly: abort with and without an encode running.
class Recorder : public QObject {
public:
  bool event(QEvent* e) override {
    if (!EncodeEvent::IsEncodeEvent(e))
      return QObject::event(e);
    const auto* n = static_cast<EncodeEvent*>(e);
    seen.push_back(std::to_string(n->Message()) + " " + std::to_string(n->WParam()));
    return true;
  }
  Lines seen;
};

TEST_F(EncoderComponentTest, AbortReportsAFinishEvenWhenIdle) {
  ASSERT_TRUE(LoadEncoderLibrary());
  Recorder target;
  {
    EncodeThread worker(&target);
    worker.start();
    worker.PostThreadMessage(WM_ENCODE_ABORT);
    ASSERT_TRUE(fake::waitFor([&] { return target.seen.size() == 1; }));
    EXPECT_EQ(target.seen[0], "1538 -1");
    EXPECT_EQ(fake.log(), "");

    fake.set("frames", 1000000000);
    fake.set("frameSleepUs", 50);
    worker.PostThreadMessage(WM_ENCODE_START, 7, 1000000);
    worker.PostThreadMessage(WM_ENCODE_START, 9, 1); // ignored while encoding
    ASSERT_TRUE(fake::waitFor([&] { return fake.framesDone() > 5; }));
    worker.PostThreadMessage(WM_ENCODE_ABORT);
    ASSERT_TRUE(fake::waitFor([&] { return target.seen.size() == 3; }));
    EXPECT_EQ(target.seen, (Lines{"1538 -1", "1539 0", "1538 -1"}));
    EXPECT_EQ(fake.log(), "close\nend\n");
  }
  UnloadEncoderLibrary();
}

} // namespace

#include "FakeGogoClient.h"

#include "core/encoder/EncodeEvent.h"
#include "core/encoder/EncodeThread.h"
#include "core/encoder/EncoderBinding.h"
#include "core/encoder/EncoderComponent.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <sstream>
#include <thread>
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

  // Calls made by Prepare, from initializeWork up to the frame-count query.
  Lines prepareLog() {
    fake.reset();
    fake.set("version", version);
    fake.set("units", units);
    tea->Prepare();
    return split(fake.log());
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
  t.setVBRBitrate({true, 3, 4}); // no range without UseVBR
  EXPECT_EQ(joined(prepareLog()), "init|set 1 0 /in/a.wav|set 2 0 /out/a.mp3|set 8 0 0|set 4 128 0|"
                                  "set 9 1 0|units|units|units|units|set 10 1 0|set 11 1 0|"
                                  "set 12 1 0|set 13 1 0|set 14 0 0|set 15 0 0|set 17 0 0|"
                                  "set 3 2 0|set 19 1 0|version|version|set 26 0 0|detect|get 15");
  EXPECT_EQ(t.AllFrames(), 10);
}

TEST_F(EncoderComponentTest, PrepareSendsEveryOptionalItemWhenEnabled) {
  EncoderComponent& t = make();
  t.setUsePsyAnalize(true);
  t.setBitRate(320);
  t.setUseVBR(true);
  t.setVBRLevel(9);
  t.setOptimization(UnitBit(ProcessorUnit::Special1));
  t.setEmphasis(EmphasisCurve::CcittJ17);
  t.setEncodeType(ChannelMode::Mono);
  t.setProcessors(4);
  t.setForceSameRate(true);
  t.setExtFilter({10, 90, true});
  t.setVBRBitrate({true, 32, 256});
  t.setMSSetting({true, 100, 0});
  t.setEncodeFormat(OutputFormat::RiffRmp);
  t.setEncodeMode(EncodeInput::FromMemory);
  EXPECT_EQ(joined(prepareLog()),
            "init|set 1 2 reader|set 2 0 |set 8 1 0|set 4 320 0|set 9 0 0|"
            "set 18 9 0|units|units|units|units|set 10 0 0|set 11 0 0|"
            "set 12 0 0|set 13 0 0|set 14 1 0|set 15 0 0|set 17 3 0|set 3 0 0|"
            "set 19 4 0|set 6 44100 0|version|set 31 10 90|set 30 32 256|"
            "set 32 100 0|version|set 26 2 0|detect|get 15");
}

struct VersionCase {
  long version;
  bool outputFormat;
  bool extendedItems;
};

class EncoderComponentVersion : public EncoderComponentTest,
                                public ::testing::WithParamInterface<VersionCase> {};

TEST_P(EncoderComponentVersion, OptionalItemsFollowTheThresholds) {
  EncoderComponent& t = make();
  t.setUseVBR(true);
  t.setExtFilter({1, 2, true});
  t.setVBRBitrate({true, 3, 4});
  t.setMSSetting({true, 5, 6});
  version = GetParam().version;
  const Lines log = prepareLog();
  const auto has = [&](const char* prefix) {
    return std::any_of(log.begin(), log.end(),
                       [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
  };
  EXPECT_EQ(has("set 26 "), GetParam().outputFormat);
  EXPECT_EQ(has("set 30 "), GetParam().extendedItems);
  EXPECT_EQ(has("set 31 "), GetParam().extendedItems);
  EXPECT_EQ(has("set 32 "), GetParam().extendedItems);
}

INSTANTIATE_TEST_SUITE_P(, EncoderComponentVersion,
                         ::testing::Values(VersionCase{549, false, false},
                                           VersionCase{550, true, false},
                                           VersionCase{559, true, false},
                                           VersionCase{560, true, true}));

struct UnitCase {
  long unitBits;
  long unitsResult;
  const char* flags; // items 10..15
};

class EncoderComponentUnits : public EncoderComponentTest,
                              public ::testing::WithParamInterface<UnitCase> {};

TEST_P(EncoderComponentUnits, UnitsAreFilteredByTheProcessor) {
  EncoderComponent& t = make();
  t.setOptimization(0x3F);
  units = GetParam().unitBits;
  fake.reset();
  fake.set("units", units);
  fake.set("unitsResult", GetParam().unitsResult);
  t.Prepare();
  std::string flags;
  for (const std::string& l : split(fake.log()))
    for (int item = 10; item <= 15; ++item)
      if (l.rfind("set " + std::to_string(item) + " ", 0) == 0)
        flags += l[l.size() - 3];
  EXPECT_EQ(flags, GetParam().flags);
}

INSTANTIATE_TEST_SUITE_P(, EncoderComponentUnits,
                         ::testing::Values(UnitCase{0x2E, 0, "111111"}, UnitCase{0x04, 0, "010011"},
                                           UnitCase{0x22, 0, "100111"}, UnitCase{0x00, 0, "000011"},
                                           // A failing query counts as no units at all.
                                           UnitCase{0x2E, 1, "000011"}));

TEST_F(EncoderComponentTest, RangeChecksRefuseAndKeepTheOldValue) {
  EncoderComponent& t = make();
  expectRaises([&] { t.setFrequency(0); }, EncoderMessages::OutOfRange);
  EXPECT_EQ(t.Frequency(), 100);
  expectRaises([&] { t.setVBRLevel(10); }, EncoderMessages::OutOfRange);
  expectRaises([&] { t.setVBRLevel(-1); }, EncoderMessages::OutOfRange);
  t.setVBRLevel(9);
  t.setVBRLevel(0);
  EXPECT_EQ(t.VBRLevel(), 0);

  expectRaises([&] { t.setMSSetting({true, 101, 50}); }, EncoderMessages::OutOfRange);
  expectRaises([&] { t.setMSSetting({true, 50, -1}); }, EncoderMessages::OutOfRange);
  EXPECT_FALSE(t.MSSetting().Enabled);
  EXPECT_EQ(t.MSSetting().Threshold, 75);
  t.setMSSetting({true, 100, 0});
  EXPECT_TRUE(t.MSSetting().Enabled);
  EXPECT_EQ(t.MSSetting().Power, 0);

  expectRaises([&] { t.setExtFilter({-1, 50, true}); }, EncoderMessages::OutOfRange);
  expectRaises([&] { t.setExtFilter({0, 101, true}); }, EncoderMessages::OutOfRange);
  EXPECT_EQ(t.ExtFilter().Low, 55);
  t.setExtFilter({0, 100, true});

  expectRaises([&] { t.setVBRBitrate({true, -1, 0}); }, EncoderMessages::OutOfRange);
  t.setVBRBitrate({true, 500, 0}); // no upper bound, no order
  EXPECT_EQ(t.VBRBitrate().Low, 500);
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

  // Configured but not started: a second Prepare (here through StartEncode) is refused.
  fake.set("detectThrows", 0);
  fake.set("detectResult", 0);
  t.Prepare();
  expectRaises([&] { t.StartEncode(); }, EncoderMessages::ChangeWhileEncoding);
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
      [&] { t.setSourceFile("x"); },
      [&] { t.setDestinationFile("x"); },
      [&] { t.setVBRLevel(1); },
      [&] { t.setEncodeMode(EncodeInput::FromMemory); },
      [&] {
        t.setMSSetting({true, 1, 2});
      },
      [&] { t.LoadDefaults(); },
      [&] { t.Prepare(); },
  };
  for (const auto& s : setters)
    expectRaises(s, EncoderMessages::ChangeWhileEncoding);
  t.setPriority(EncodePriority::Lowest);
  EXPECT_EQ(t.Priority(), EncodePriority::Lowest);
  EXPECT_EQ(t.Frequency(), 1000);
  EXPECT_TRUE(t.SourceFile().isEmpty());
}

// Whether this process may move a thread from the idle scheduling class back to the normal one.
bool canLeaveIdleClass() {
  bool can = false;
  std::thread probe([&] {
    sched_param param{};
    if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) == 0)
      can = pthread_setschedparam(pthread_self(), SCHED_OTHER, &param) == 0;
  });
  probe.join();
  return can;
}

TEST_F(EncoderComponentTest, TheEncodeRunsAtThePriorityAndFollowsItsChanges) {
  if (!canLeaveIdleClass())
    GTEST_SKIP() << "threads of this process cannot leave the idle scheduling class";
  EncoderComponent& t = make();
  fake.set("frames", 1000000000);
  fake.set("frameSleepUs", 50);
  t.setFrequency(1000000);
  // The scheduling class of the frame calls made after now.
  const auto policy = [this] {
    const long from = fake.framesDone();
    EXPECT_TRUE(fake::waitFor([&] { return fake.framesDone() > from + 2; }));
    return fake.framePolicy();
  };
  t.setPriority(EncodePriority::Normal);
  for (int encode = 0; encode < 2; ++encode) { // the second starts from the idle worker
    fake.set("frames", 1000000000);
    finishes = 0;
    t.StartEncode();
    EXPECT_EQ(policy(), SCHED_OTHER);
    t.setPriority(EncodePriority::Idle);
    EXPECT_EQ(policy(), SCHED_IDLE);
    t.setPriority(EncodePriority::Normal);
    EXPECT_EQ(policy(), SCHED_OTHER);
    fake.set("frames", 0); // the next frame ends the input
    runToFinish();
  }
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

// Memory input: the reader passed to the library pulls from the component's ring.
class EncoderComponentMemory : public EncoderComponentTest {
protected:
  GogoReaderRecord* prepareMemoryInput() {
    EncoderComponent& t = make();
    t.setEncodeMode(EncodeInput::FromMemory);
    t.Prepare();
    return reinterpret_cast<GogoReaderRecord*>(fake.inputValue2());
  }
  static std::vector<std::uint8_t> pattern(std::size_t n, int seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
      v[i] = static_cast<std::uint8_t>((i * 7 + static_cast<std::size_t>(seed)) % 251 + 1);
    return v;
  }
};

TEST_F(EncoderComponentMemory, ShortInputWaitsThenEndsWithSilence) {
  GogoReaderRecord* record = prepareMemoryInput();
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->totalSize, -1);
  EXPECT_EQ(record->bitsPerSample, 16);
  EXPECT_EQ(record->samplingRate, 44100);
  EXPECT_EQ(record->channels, 2);

  const auto data = pattern(4000, 3);
  tea->WriteInput(data.data(), data.size());
  std::vector<std::uint8_t> buffer(4608, 0xEE);
  std::atomic<bool> returned{false};
  MERET result = -1;
  std::thread reader([&] {
    result = record->reader(buffer.data(), 4608);
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(returned);
  tea->MarkInputEnded();
  reader.join();
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), buffer.begin()));
  EXPECT_TRUE(std::all_of(buffer.begin() + 4000, buffer.end(), [](auto b) { return b == 0; }));
  EXPECT_EQ(record->reader(buffer.data(), 4608), 1);
}

TEST_F(EncoderComponentMemory, BytesSurviveWrapAndRequestsLargerThanTheRing) {
  GogoReaderRecord* record = prepareMemoryInput();
  ASSERT_NE(record, nullptr);
  // More than the ring holds, written while one request takes it all.
  const auto data = pattern(3 * 1048576 + 123, 5);
  std::vector<std::uint8_t> buffer(data.size());
  MERET result = -1;
  std::thread reader(
      [&] { result = record->reader(buffer.data(), static_cast<std::int32_t>(buffer.size())); });
  for (std::size_t at = 0; at < data.size(); at += 100000)
    tea->WriteInput(data.data() + at, std::min<std::size_t>(100000, data.size() - at));
  reader.join();
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(buffer == data);
}

TEST_F(EncoderComponentMemory, ReaderGivesNothingInFileModeOrWithoutComponent) {
  GogoReaderRecord* record = prepareMemoryInput();
  std::uint8_t byte = 0xEE;
  tea->setEncodeMode(EncodeInput::FromFile);
  EXPECT_EQ(record->reader(&byte, 1), 0);
  EXPECT_EQ(byte, 0xEE);
  tea.reset();
  EXPECT_EQ(EncoderComponent::ReadMemoryInput(&byte, 1), 0);
  EXPECT_EQ(byte, 0xEE);
}

} // namespace

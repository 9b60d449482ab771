// The window never waits on a file's tag: every read that shows a file and every write of the
// fields runs on the tag worker, and what it concludes reaches the view later, as a posted event.
// The thread each one ran on is told through TagWorkProbe.
#include "AudioFixtures.h"
#include "FakeSessionView.h"
#include "FinishOpen.h"
#include "QtPath.h"

#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/session/TagEditor.h"
#include "core/tags/TagWorkProbe.h"

#include <gtest/gtest.h>

#include <QEventLoop>

#include <map>
#include <mutex>
#include <thread>

namespace {

using Work = TagWorkProbe::Work;

TEST(TagWorkThread, EveryReadAndWriteRunsOffTheWindowsThread) {
  fixtures::TempDir dir;
  for (const char* name : {"a.wav", "b.wav"})
    fixtures::writeFile(
        dir / name,
        fixtures::makeWavWithChunks({.seconds = 0.1}, {fixtures::makeInfoList({{"INAM", name}})}));
  std::mutex mutex;
  std::map<Work, int> onThisThread, elsewhere;
  const std::thread::id window = std::this_thread::get_id();
  TagWorkProbe::Set([&](Work work) {
    const std::lock_guard lock(mutex);
    ++(std::this_thread::get_id() == window ? onThisThread : elsewhere)[work];
  });
  {
    FakeSessionView view;
    Session session{view, view};
    Navigator& navigator = session.navigator();
    TagEditor& tags = session.tagEditor();
    // Each step is told what it read or wrote only once the events are handled.
    const auto step = [&](const auto& act) {
      const std::size_t writes = view.writes.size();
      const QString shown = view.fields[TagField::Title];
      act();
      EXPECT_TRUE(tags.Busy());
      EXPECT_EQ(view.writes.size(), writes);
      EXPECT_EQ(view.fields[TagField::Title], shown);
      FinishOpen(navigator);
    };
    OpenFolder(navigator, Q(dir.path()));
    EXPECT_EQ(view.fields[TagField::Title], QStringLiteral("a.wav"));
    step([&] { navigator.Next(); });
    EXPECT_EQ(view.fields[TagField::Title], QStringLiteral("b.wav"));
    step([&] { navigator.GoTo(QStringLiteral("1")); });

    TagFields typed = view.fields;
    typed[TagField::Title] = QStringLiteral("written");
    step([&] { tags.Write(typed); });
    EXPECT_EQ(view.writes.back(), TagWriteResult::Written);

    // The question before leaving: 保存 writes, and the step then shows the next file.
    typed[TagField::Title] = QStringLiteral("saved");
    tags.FieldsEdited(typed);
    view.saveAnswer = SaveAnswer::Save;
    step([&] { navigator.Next(); });
    EXPECT_EQ(view.askedToSave.size(), 1);
    EXPECT_EQ(view.fields[TagField::Title], QStringLiteral("b.wav"));

    // The command line's reads and writes go through the same worker.
    TagFields given;
    given.kept.set();
    given[TagField::Artist] = QStringLiteral("誰か");
    given.Keep(TagField::Artist, false);
    QEventLoop done;
    session.WriteTags(Q(dir / "a.wav"), given, [](const TagWriteOutcome&) {});
    session.ReadTags(Q(dir / "a.wav"), [&](const FileTags& read) {
      EXPECT_EQ(read.fields[TagField::Title] + u'|' + read.fields[TagField::Artist],
                QStringLiteral("saved|誰か"));
      done.quit();
    });
    done.exec();
  }
  TagWorkProbe::Set({});
  EXPECT_TRUE(onThisThread.empty());
  EXPECT_GE(elsewhere[Work::Read], 5);
  EXPECT_EQ(elsewhere[Work::Write], 3);
}

} // namespace

// While the shown fields are being written, a second write of the file is refused, and a step
// away waits for the write: no question when it went, the question when more was typed since.
TEST(TagWorkThread, AWriteUnderWayHoldsBackASecondWriteAndTheStepAway) {
  fixtures::TempDir dir;
  for (const char* name : {"a.wav", "b.wav"})
    fixtures::writeFile(dir / name, fixtures::makeWav({.seconds = 0.1}));
  FakeSessionView view;
  Session session{view, view};
  Navigator& navigator = session.navigator();
  TagEditor& tags = session.tagEditor();
  OpenFolder(navigator, Q(dir.path()));

  TagFields typed = view.fields;
  typed[TagField::Title] = QStringLiteral("one");
  tags.Write(typed);
  EXPECT_TRUE(view.writing);
  tags.Write(typed);
  EXPECT_EQ(view.writes, std::vector{TagWriteResult::Busy});
  navigator.Next();
  EXPECT_EQ(view.fileName, QStringLiteral("a.wav"));
  FinishOpen(navigator);
  EXPECT_EQ(view.writes, (std::vector{TagWriteResult::Busy, TagWriteResult::Written}));
  EXPECT_TRUE(view.askedToSave.isEmpty());
  EXPECT_EQ(view.fileName, QStringLiteral("b.wav"));

  navigator.Previous();
  FinishOpen(navigator);
  typed = view.fields;
  typed[TagField::Title] = QStringLiteral("two");
  tags.Write(typed);
  typed[TagField::Title] = QStringLiteral("three");
  tags.FieldsEdited(typed);
  navigator.Next();
  FinishOpen(navigator);
  EXPECT_EQ(view.askedToSave, QStringList{QStringLiteral("a.wav")});
  EXPECT_EQ(view.fileName, QStringLiteral("a.wav"));
  EXPECT_EQ(ReadFileTags(Q(dir / "a.wav"), nullptr).fields[TagField::Title], QStringLiteral("two"));
}

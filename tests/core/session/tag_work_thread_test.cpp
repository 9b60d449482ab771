// The window never waits on a file's tag: every read that shows a file and every write of the
// fields runs on the tag worker (the thread each ran on is told through TagWorkProbe), and what
// it concludes reaches the view later, as a posted event. A write under way holds back a second
// write of the file and a step away.
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

class TagWorkThread : public ::testing::Test {
protected:
  TagWorkThread() {
    for (const char* name : {"a.wav", "b.wav"})
      fixtures::writeFile(dir / name,
                          fixtures::makeWavWithChunks({.seconds = 0.1},
                                                      {fixtures::makeInfoList({{"INAM", name}})}));
    OpenFolder(navigator, Q(dir.path()));
  }
  // `fields` with the title `title`, as typed into the boxes.
  TagFields Typed(const QString& title) {
    TagFields typed = view.fields;
    typed[TagField::Title] = title;
    return typed;
  }

  fixtures::TempDir dir;
  FakeSessionView view;
  Session session{view, view};
  Navigator& navigator = session.navigator();
  TagEditor& tags = session.tagEditor();
};

TEST_F(TagWorkThread, EveryReadAndWriteRunsOffTheWindowsThread) {
  std::mutex mutex;
  std::map<Work, int> here, elsewhere;
  const std::thread::id window = std::this_thread::get_id();
  TagWorkProbe::Set([&](Work work) {
    const std::lock_guard lock(mutex);
    ++(std::this_thread::get_id() == window ? here : elsewhere)[work];
  });
  // Nothing is told before the events are handled.
  const auto step = [&](const auto& act) {
    const TagFields shown = view.fields;
    const std::size_t writes = view.writes.size();
    act();
    EXPECT_TRUE(tags.Busy());
    EXPECT_TRUE(view.fields.SameBoxes(shown) && view.writes.size() == writes);
    FinishOpen(navigator);
  };
  step([&] { navigator.Next(); });
  step([&] { navigator.GoTo(QStringLiteral("1")); });
  step([&] { tags.Write(Typed(QStringLiteral("written"))); });
  // The question before leaving: 保存 writes, and the step then shows the next file.
  tags.FieldsEdited(Typed(QStringLiteral("saved")));
  view.saveAnswer = SaveAnswer::Save;
  step([&] { navigator.Next(); });
  EXPECT_EQ(view.fields[TagField::Title] + u'|' + view.askedToSave.join(u','), u"b.wav|a.wav");
  // The command line's reads and writes go through the same worker.
  TagFields given;
  given.kept.set();
  given.Keep(TagField::Artist, false);
  given[TagField::Artist] = QStringLiteral("誰か");
  QEventLoop done;
  session.WriteTags(Q(dir / "a.wav"), given, [](const TagWriteOutcome&) {});
  session.ReadTags(Q(dir / "a.wav"), [&](const FileTags& read) {
    EXPECT_EQ(read.fields[TagField::Title] + u'|' + read.fields[TagField::Artist], u"saved|誰か");
    done.quit();
  });
  done.exec();
  TagWorkProbe::Set({});
  EXPECT_TRUE(here.empty());
  EXPECT_EQ(elsewhere[Work::Read], 4);
  EXPECT_EQ(elsewhere[Work::Write], 3);
}

// A step away waits for the write under way: no question when it went, the question when more
// was typed since.
TEST_F(TagWorkThread, AWriteUnderWayHoldsBackASecondWriteAndTheStepAway) {
  tags.Write(Typed(QStringLiteral("one")));
  EXPECT_TRUE(view.writing);
  tags.Write(Typed(QStringLiteral("one")));
  navigator.Next();
  EXPECT_EQ(view.fileName, QStringLiteral("a.wav"));
  FinishOpen(navigator);
  EXPECT_EQ(view.writes, (std::vector{TagWriteResult::Busy, TagWriteResult::Written}));
  EXPECT_EQ(view.fileName + u'|' + view.askedToSave.join(u','), u"b.wav|");

  navigator.Previous();
  FinishOpen(navigator);
  tags.Write(Typed(QStringLiteral("two")));
  tags.FieldsEdited(Typed(QStringLiteral("three")));
  navigator.Next();
  FinishOpen(navigator);
  EXPECT_EQ(view.fileName + u'|' + view.askedToSave.join(u','), u"a.wav|a.wav");
  EXPECT_EQ(ReadFileTags(Q(dir / "a.wav"), nullptr).fields[TagField::Title], u"two");
}

} // namespace

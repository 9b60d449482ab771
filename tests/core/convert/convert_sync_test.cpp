// After a crash or a power cut a name holds the whole old file or the whole new one, never an
// empty or partial file: every rename or link that creates or replaces a file of the user's
// takes a file synced since it was last written. This test records, in its own process, the
// writes, syncs and renames of conversions (tag copy, trash, both ways of placing the MP3) and
// of a tag write, and checks their order file by file.
#include "AudioFixtures.h"
#include "FakeSessionView.h"
#include "FinishOpen.h"
#include "QtPath.h"

#include "core/convert/EncodeTarget.h"
#include "core/encoder/EncoderComponent.h"
#include "core/fs/Trash.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/session/TagEditor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// One call on a regular file, known by its inode; `to` is where a rename or link put it.
struct Call {
  enum Kind { Write, Sync, Place } kind;
  dev_t dev;
  ino_t ino;
  std::string to;
};

std::atomic<bool> recording{false};
std::mutex callsLock;
std::vector<Call> calls;

void Record(Call::Kind kind, const struct stat& st, const char* to = "") {
  const std::lock_guard lock(callsLock);
  calls.push_back({kind, st.st_dev, st.st_ino, to});
}

void RecordFd(Call::Kind kind, int fd) {
  struct stat st {};
  if (recording && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
    Record(kind, st);
}

// The file at `from` before it is renamed or linked; a placement is recorded once it is done.
struct Placing {
  struct stat st {};
  bool file = false;
  Placing(int dir, const char* from)
      : file(recording && ::fstatat(dir, from, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
             S_ISREG(st.st_mode)) {}
  int Done(int result, const char* to) const {
    if (file && result == 0)
      Record(Call::Place, st, to);
    return result;
  }
};

// The C library's own `F`, found once.
template <auto F> decltype(F) Real(const char* name) {
  static const auto real = reinterpret_cast<decltype(F)>(::dlsym(RTLD_NEXT, name));
  return real;
}

int Synced(int fd, int result) {
  if (result == 0)
    RecordFd(Call::Sync, fd);
  return result;
}

} // namespace

extern "C" {
ssize_t write(int fd, const void* data, size_t size) {
  RecordFd(Call::Write, fd);
  return Real<&::write>("write")(fd, data, size);
}
ssize_t pwrite(int fd, const void* data, size_t size, off_t at) {
  RecordFd(Call::Write, fd);
  return Real<&::pwrite>("pwrite")(fd, data, size, at);
}
int fsync(int fd) {
  return Synced(fd, Real<&::fsync>("fsync")(fd));
}
int fdatasync(int fd) {
  return Synced(fd, Real<&::fdatasync>("fdatasync")(fd));
}
int rename(const char* from, const char* to) noexcept {
  return Placing(AT_FDCWD, from).Done(Real<&::rename>("rename")(from, to), to);
}
int renameat(int fromDir, const char* from, int toDir, const char* to) noexcept {
  return Placing(fromDir, from).Done(Real<&::renameat>("renameat")(fromDir, from, toDir, to), to);
}
int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) noexcept {
  return Placing(fromDir, from)
      .Done(Real<&::renameat2>("renameat2")(fromDir, from, toDir, to, flags), to);
}
int link(const char* from, const char* to) noexcept {
  return Placing(AT_FDCWD, from).Done(Real<&::link>("link")(from, to), to);
}
}

namespace {

TEST(ConvertSync, EveryFilePlacedWasSyncedSinceItsLastWrite) {
  fixtures::TempDir dir;
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString((dir / "share").string()));
  for (const char* name : {"a", "b", "c", "d"})
    fixtures::writeFile(
        dir / (std::string(name) + ".wav"),
        fixtures::makeWavWithChunks({.seconds = 0.3}, {fixtures::makeInfoList({{"INAM", name}})}));
  FakeSessionView view;
  Session session{view, view};
  Options& options = session.options();
  options.moveWavToTrash = true;
  recording = true;
  // Alone, as encoded and placed by a rename that must not replace, then tagged and placed by
  // a link.
  for (const char* name : {"a", "b"}) {
    options.copyWavTagToMp3 = name[0] == 'b';
    session.navigator().ShowList({Q(dir / (std::string(name) + ".wav"))}, 0);
    FinishOpen(session.navigator());
    session.ConvertShown();
    FinishConversion(session);
    EncodeTarget::SetPlacementIn(Q(dir.path()), EncodeTarget::Placement::Link);
  }
  // Two at once, with an ID3v2 tag, replacing what is there; then a tag write.
  options.overwriteMp3 = true;
  options.mp3TagFormat = Options::Mp3Format::Id3v2;
  options.mp3Jobs = 2;
  fixtures::writeFile(dir / "d.mp3", {'o', 'l', 'd'});
  session.navigator().ShowList({Q(dir / "c.wav"), Q(dir / "d.wav")}, 0);
  FinishOpen(session.navigator());
  ASSERT_TRUE(ConvertAllOf(session));
  session.navigator().ShowList({Q(dir / "d.mp3")}, 0);
  FinishOpen(session.navigator());
  view.fields[TagField::Title] = QStringLiteral("new");
  session.tagEditor().Write(view.fields);
  FinishTagWork(session.tagEditor());
  recording = false;
  ASSERT_EQ(view.writes.back(), TagWriteResult::Written);

  const std::lock_guard lock(callsLock);
  std::vector<std::string> placed;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const Call& place = calls[i];
    if (place.kind != Call::Place)
      continue;
    placed.push_back(fs::path(place.to).filename());
    // Back from the placement: a sync of the file must come before any write to it.
    for (std::size_t j = i; j-- > 0;) {
      const Call& c = calls[j];
      if (c.dev != place.dev || c.ino != place.ino || c.kind == Call::Place)
        continue;
      EXPECT_EQ(c.kind, Call::Sync) << place.to << " was written and not synced before";
      break;
    }
  }
  for (const char* mp3 : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"})
    EXPECT_GE(std::count(placed.begin(), placed.end(), mp3), 1) << mp3 << " was never placed";
}

} // namespace

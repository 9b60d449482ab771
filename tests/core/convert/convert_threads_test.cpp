// The thread that runs the event loop (the window's) never looks at a conversion's files: each
// file's start and each conversion's end run on other threads, whatever the way of converting.
// And a batch lists each MP3 folder once for the encodes' stale temporary files, however many
// files it converts there (the tag copy's saves look for their own). This test records, in its own
// process, the thread of every open, stat and folder listing of the conversion's folder: its own
// definitions of those calls, exported, stand in front of the C library's for the encoder module
// and tag library too.
#include "AudioFixtures.h"
#include "FakeSessionView.h"
#include "FinishOpen.h"
#include "QtPath.h"

#include "core/session/Navigator.h"
#include "core/session/Session.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>

#include <cstdarg>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace {

namespace fs = std::filesystem;

const pthread_t mainThread = pthread_self();
std::mutex seenLock;
std::string watched;                 // the folder whose files are watched; none while empty
std::map<std::string, int> onMain;   // "call path" on the event loop's thread, by count
std::map<std::string, int> listings; // folder listings, by folder
int elsewhere = 0;

void Seen(const char* call, const char* path) {
  if (path == nullptr)
    return;
  const std::lock_guard lock(seenLock);
  if (watched.empty() || std::strncmp(path, watched.c_str(), watched.size()) != 0)
    return;
  if (std::strcmp(call, "opendir") == 0)
    ++listings[path];
  if (pthread_equal(pthread_self(), mainThread))
    ++onMain[std::string(call) + " " + path];
  else
    ++elsewhere;
}

template <auto F> decltype(F) Real(const char* name) {
  static const auto real = reinterpret_cast<decltype(F)>(::dlsym(RTLD_NEXT, name));
  return real;
}

} // namespace

extern "C" {
int open(const char* path, int flags, ...) {
  Seen("open", path);
  va_list args;
  va_start(args, flags);
  const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? va_arg(args, mode_t) : 0;
  va_end(args);
  return Real<&::open>("open")(path, flags, mode);
}
int stat(const char* path, struct stat* st) noexcept {
  Seen("stat", path);
  return Real<&::stat>("stat")(path, st);
}
int lstat(const char* path, struct stat* st) noexcept {
  Seen("lstat", path);
  return Real<&::lstat>("lstat")(path, st);
}
DIR* opendir(const char* path) {
  Seen("opendir", path);
  return Real<&::opendir>("opendir")(path);
}
}

namespace {

TEST(ConvertThreads, StartsAndEndsNeverRunOnTheEventLoopsThread) {
  fixtures::TempDir dir;
  const fs::path album = dir / "album";
  fs::create_directories(album / "disc2");
  QStringList wavs;
  for (const char* name : {"a", "b", "c", "disc2/d", "disc2/e"}) {
    const fs::path wav = album / (std::string(name) + ".wav");
    fixtures::writeFile(wav, fixtures::makeWavWithChunks(
                                 {.seconds = 0.2}, {fixtures::makeInfoList({{"INAM", name}})}));
    wavs.append(Q(wav));
  }
  fixtures::writeFile(album / "c.mp3", fixtures::makeMp3(0.2)); // c.wav is skipped
  FakeSessionView view;
  Session session{view, view};
  Options& options = session.options();
  options.copyWavTagToMp3 = true;
  session.navigator().ShowList(wavs, 0);
  FinishOpen(session.navigator());
  {
    const std::lock_guard lock(seenLock);
    watched = album.string();
  }
  // Alone, then every file one at a time and several at once, the MP3 files made anew.
  session.ConvertShown();
  FinishConversion(session);
  options.copyWavTagToMp3 = false;
  for (const int jobs : {1, 2}) {
    options.mp3Jobs = jobs;
    options.overwriteMp3 = jobs == 2;
    {
      const std::lock_guard lock(seenLock);
      listings.clear();
    }
    const std::optional<BatchResult> result = ConvertAllOf(session);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->Count(FileResult::Kind::Converted), jobs == 2 ? 5 : 3) << jobs;
    const std::lock_guard lock(seenLock);
    EXPECT_EQ(listings,
              (std::map<std::string, int>{{album.string(), 1}, {(album / "disc2").string(), 1}}))
        << jobs;
  }
  const std::lock_guard lock(seenLock);
  watched.clear();
  EXPECT_GT(elsewhere, 0);
  for (const auto& [call, count] : onMain)
    ADD_FAILURE() << call << " (" << count << " times) on the event loop's thread";
}

} // namespace

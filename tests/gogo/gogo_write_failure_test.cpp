// A write that fails, in a frame, in the close's final flush, or as the fsync or the close of
// the MP3 reports it, is the result of that call and of the close: the caller must never take
// the MP3 for complete (and throw its WAV file away).
#include "GogoRun.h"

#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>

namespace {

namespace fs = std::filesystem;
using namespace gogotest;

// Runs `body` in a child process whose files cannot grow beyond `limit` bytes: a write past
// it fails with EFBIG (SIGXFSZ ignored), as on a full disk, without touching a real one.
EncodeRun withFileSizeLimit(rlim_t limit, const std::function<EncodeRun()>& body) {
  int fds[2];
  if (::pipe(fds) != 0) {
    ADD_FAILURE() << "pipe";
    return {};
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    const rlimit rl{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &rl);
    std::signal(SIGXFSZ, SIG_IGN);
    const EncodeRun run = body();
    const bool sent = ::write(fds[1], &run, sizeof run) == static_cast<ssize_t>(sizeof run);
    ::_exit(sent ? 0 : 1);
  }
  ::close(fds[1]);
  EncodeRun run;
  const bool got = ::read(fds[0], &run, sizeof run) == static_cast<ssize_t>(sizeof run);
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(got && WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  return run;
}

// The file whose fsync or close fails, and with which error (0: none), as on a network share
// or a disk whose write-back fails only once the data has left the process.
std::string failingFile;
int syncFailure = 0, closeFailure = 0;

bool Failing(int fd, int failure) {
  char path[4096];
  const ssize_t n =
      failure == 0 ? -1
                   : ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
  return n > 0 && std::string(path, static_cast<std::size_t>(n)) == failingFile;
}

} // namespace

extern "C" int fsync(int fd) {
  static const auto real = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
  if (!Failing(fd, syncFailure))
    return real(fd);
  errno = syncFailure;
  return -1;
}

extern "C" int close(int fd) {
  static const auto real = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "close"));
  const bool fail = Failing(fd, closeFailure);
  const int result = real(fd);
  errno = fail ? closeFailure : errno;
  return fail ? -1 : result;
}

namespace {

// The process's write calls so far, as the system counts them.
long writeCalls() {
  std::ifstream io("/proc/self/io");
  std::string key;
  long n = 0;
  while (io >> key >> n && key != "syscw:") {
  }
  return n;
}

TEST(Gogo, AWriteFailureIsReportedNotSwallowed) {
  // Long enough at 320 kbit/s for a block to be written before the end.
  const WavIn wavIn({.seconds = 8});
  const std::vector<Item> items = wavIn.items({{CFG_BITRATE, 320}});

  const EncodeRun inFrames = withFileSizeLimit(8192, [&] { return encode(items); });
  ASSERT_EQ(inFrames.detect, RESULT_OK);
  EXPECT_EQ(inFrames.last, RESULT_WRITE_ERROR);
  EXPECT_LT(inFrames.calls, inFrames.frameCount);
  EXPECT_EQ(inFrames.close, RESULT_WRITE_ERROR);

  // Closed after 20 frames, one byte short of room: the frames' writes fit, the flush's last
  // byte does not.
  const int frames = 20;
  ASSERT_EQ(encode(items, {}, frames).close, RESULT_OK);
  const auto room = static_cast<rlim_t>(fs::file_size(wavIn.out)) - 1;
  const EncodeRun inClose = withFileSizeLimit(room, [&] { return encode(items, {}, frames); });
  EXPECT_EQ(inClose.last, RESULT_OK);
  EXPECT_EQ(inClose.close, RESULT_WRITE_ERROR);

  failingFile = fs::canonical(wavIn.dir.path()) / "out.mp3";
  // The MP3 goes out in blocks (and the info frame): a network share answers each write() in a
  // round trip.
  const long before = writeCalls();
  ASSERT_EQ(encode(items).close, RESULT_OK);
  EXPECT_LE(writeCalls() - before, static_cast<long>(fs::file_size(wavIn.out) / 65536 + 2));
  for (int* failure : {&syncFailure, &closeFailure}) {
    *failure = EIO;
    const EncodeRun run = encode(items);
    *failure = 0;
    EXPECT_EQ(run.last, RESULT_END_OF_INPUT);
    EXPECT_EQ(run.close, RESULT_WRITE_ERROR);
  }
}

} // namespace

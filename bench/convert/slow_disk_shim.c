/* A disk made slow for the stall benchmarks: every fsync, fdatasync and rename of the process
 * sleeps W2M_SLOW_DISK_MS milliseconds (100 when unset) before it is done, as on a USB stick or
 * a network share. Loaded with LD_PRELOAD; everything else passes through. It also counts those
 * calls and the bytes written to regular files, for w2m_slow_disk_counts. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

static long syncs, renames;
static long long written;

/* What was counted since the last call; the counts start again from 0. */
void w2m_slow_disk_counts(long* syncCalls, long* renameCalls, long long* bytesWritten) {
  *syncCalls = __atomic_exchange_n(&syncs, 0, __ATOMIC_SEQ_CST);
  *renameCalls = __atomic_exchange_n(&renames, 0, __ATOMIC_SEQ_CST);
  *bytesWritten = __atomic_exchange_n(&written, 0, __ATOMIC_SEQ_CST);
}

static void nap(long* counter) {
  __atomic_add_fetch(counter, 1, __ATOMIC_SEQ_CST);
  const char* text = getenv("W2M_SLOW_DISK_MS");
  const long ms = text != NULL ? atol(text) : 100;
  struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&t, &t) != 0) {
  }
}

#define PASS(name, type, counter, args, call)                                                      \
  int name args {                                                                                  \
    static type real;                                                                              \
    if (real == NULL)                                                                              \
      real = (type)dlsym(RTLD_NEXT, #name);                                                        \
    nap(&counter);                                                                                 \
    return real call;                                                                              \
  }

typedef int (*FdCall)(int);
typedef int (*RenameCall)(const char*, const char*);
typedef int (*RenameAtCall)(int, const char*, int, const char*);
typedef int (*RenameAt2Call)(int, const char*, int, const char*, unsigned);

PASS(fsync, FdCall, syncs, (int fd), (fd))
PASS(fdatasync, FdCall, syncs, (int fd), (fd))
PASS(rename, RenameCall, renames, (const char* from, const char* to), (from, to))
PASS(renameat, RenameAtCall, renames, (int fromDir, const char* from, int toDir, const char* to),
     (fromDir, from, toDir, to))
PASS(renameat2, RenameAt2Call, renames,
     (int fromDir, const char* from, int toDir, const char* to, unsigned flags),
     (fromDir, from, toDir, to, flags))

static void countWritten(int fd, ssize_t n) {
  struct stat st;
  if (n > 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
    __atomic_add_fetch(&written, n, __ATOMIC_SEQ_CST);
}

typedef ssize_t (*WriteCall)(int, const void*, size_t);
typedef ssize_t (*PwriteCall)(int, const void*, size_t, off_t);

ssize_t write(int fd, const void* data, size_t size) {
  static WriteCall real;
  if (real == NULL)
    real = (WriteCall)dlsym(RTLD_NEXT, "write");
  const ssize_t n = real(fd, data, size);
  countWritten(fd, n);
  return n;
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t at) {
  static PwriteCall real;
  if (real == NULL)
    real = (PwriteCall)dlsym(RTLD_NEXT, "pwrite");
  const ssize_t n = real(fd, data, size, at);
  countWritten(fd, n);
  return n;
}

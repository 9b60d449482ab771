/* A disk made slow for the stall benchmarks: every fsync, fdatasync and rename of the process
 * sleeps W2M_SLOW_DISK_MS milliseconds (100 when unset) before it is done, as on a USB stick or
 * a network share. Loaded with LD_PRELOAD; everything else passes through. It also counts those
 * calls and the bytes written to regular files, for w2m_slow_disk_counts. w2m_slow_disk changes
 * the delay while the process runs, and can make every write into the files of one folder sleep
 * too, as on a share whose every write is a round trip. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <limits.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

static long syncs, renames;
static long long written;
static atomic_long syncMs = -1; /* -1: not read from the environment yet */
static atomic_long writeMs = 0;
static _Atomic(char*) writeFolder = NULL; /* with a trailing '/'; earlier ones are kept */

/* What was counted since the last call; the counts start again from 0. */
void w2m_slow_disk_counts(long* syncCalls, long* renameCalls, long long* bytesWritten) {
  *syncCalls = __atomic_exchange_n(&syncs, 0, __ATOMIC_SEQ_CST);
  *renameCalls = __atomic_exchange_n(&renames, 0, __ATOMIC_SEQ_CST);
  *bytesWritten = __atomic_exchange_n(&written, 0, __ATOMIC_SEQ_CST);
}

/* Fsyncs and renames sleep `sync` ms from now on; writes into files below `folder` (none when
 * NULL) sleep `write` ms. */
void w2m_slow_disk(long sync, long write, const char* folder) {
  atomic_store(&syncMs, sync);
  char* copy = NULL;
  if (folder != NULL) {
    copy = malloc(strlen(folder) + 2);
    strcpy(copy, folder);
    strcat(copy, "/");
  }
  atomic_store(&writeFolder, copy);
  atomic_store(&writeMs, write);
}

static void sleepMs(long ms) {
  struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&t, &t) != 0) {
  }
}

static void nap(long* counter) {
  __atomic_add_fetch(counter, 1, __ATOMIC_SEQ_CST);
  long ms = atomic_load(&syncMs);
  if (ms < 0) {
    const char* text = getenv("W2M_SLOW_DISK_MS");
    ms = text != NULL ? atol(text) : 100;
    long unset = -1;
    atomic_compare_exchange_strong(&syncMs, &unset, ms);
  }
  if (ms > 0)
    sleepMs(ms);
}

/* Sleeps before a write into a file below the slow folder. */
static void napWrite(int fd) {
  const long ms = atomic_load(&writeMs);
  const char* folder = atomic_load(&writeFolder);
  if (ms <= 0 || folder == NULL)
    return;
  char link[64];
  char path[PATH_MAX];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = readlink(link, path, sizeof path - 1);
  if (n <= 0)
    return;
  path[n] = '\0';
  if (strncmp(path, folder, strlen(folder)) == 0)
    sleepMs(ms);
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
  napWrite(fd);
  const ssize_t n = real(fd, data, size);
  countWritten(fd, n);
  return n;
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t at) {
  static PwriteCall real;
  if (real == NULL)
    real = (PwriteCall)dlsym(RTLD_NEXT, "pwrite");
  napWrite(fd);
  const ssize_t n = real(fd, data, size, at);
  countWritten(fd, n);
  return n;
}

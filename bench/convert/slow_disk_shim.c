/* A disk made slow for the stall benchmark: every fsync, fdatasync and rename of the process
 * sleeps W2M_SLOW_DISK_MS milliseconds (100 when unset) before it is done, as on a USB stick or
 * a network share. w2m_slow_disk(), looked up by the benchmark, changes that while the process
 * runs, and can make every write into the files of one folder sleep too, as on a share whose
 * every write is a round trip. Loaded with LD_PRELOAD; everything else passes through. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <limits.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

static atomic_long syncMs = -1; /* -1: not read from the environment yet */
static atomic_long writeMs = 0;
static _Atomic(char*) writeFolder = NULL; /* with a trailing '/'; earlier ones are kept */

static void nap(long ms) {
  struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&t, &t) != 0) {
  }
}

static void napSync(void) {
  long ms = atomic_load(&syncMs);
  if (ms < 0) {
    const char* text = getenv("W2M_SLOW_DISK_MS");
    ms = text != NULL ? atol(text) : 100;
    long unset = -1;
    atomic_compare_exchange_strong(&syncMs, &unset, ms);
  }
  if (ms > 0)
    nap(ms);
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
    nap(ms);
}

/* Fsyncs and renames sleep `sync` ms from now on; writes into files below `folder` (none when
 * NULL) sleep `write` ms. */
__attribute__((visibility("default"))) void w2m_slow_disk(long sync, long write,
                                                          const char* folder) {
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

#define PASS(name, type, args, call, before)                                                       \
  int name args {                                                                                  \
    static type real;                                                                              \
    if (real == NULL)                                                                              \
      real = (type)dlsym(RTLD_NEXT, #name);                                                        \
    before;                                                                                        \
    return real call;                                                                              \
  }

typedef int (*FdCall)(int);
typedef int (*RenameCall)(const char*, const char*);
typedef int (*RenameAtCall)(int, const char*, int, const char*);
typedef int (*RenameAt2Call)(int, const char*, int, const char*, unsigned);
typedef ssize_t (*WriteCall)(int, const void*, size_t);
typedef ssize_t (*PwriteCall)(int, const void*, size_t, off_t);

PASS(fsync, FdCall, (int fd), (fd), napSync())
PASS(fdatasync, FdCall, (int fd), (fd), napSync())
PASS(rename, RenameCall, (const char* from, const char* to), (from, to), napSync())
PASS(renameat, RenameAtCall, (int fromDir, const char* from, int toDir, const char* to),
     (fromDir, from, toDir, to), napSync())
PASS(renameat2, RenameAt2Call,
     (int fromDir, const char* from, int toDir, const char* to, unsigned flags),
     (fromDir, from, toDir, to, flags), napSync())

ssize_t write(int fd, const void* data, size_t size) {
  static WriteCall real;
  if (real == NULL)
    real = (WriteCall)dlsym(RTLD_NEXT, "write");
  napWrite(fd);
  return real(fd, data, size);
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t at) {
  static PwriteCall real;
  if (real == NULL)
    real = (PwriteCall)dlsym(RTLD_NEXT, "pwrite");
  napWrite(fd);
  return real(fd, data, size, at);
}

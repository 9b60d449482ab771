/* A disk made slow for the stall benchmark: every fsync, fdatasync and rename of the process
 * sleeps W2M_SLOW_DISK_MS milliseconds (100 when unset) before it is done, as on a USB stick or
 * a network share. Loaded with LD_PRELOAD; everything else passes through. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <time.h>

static void nap(void) {
  const char* text = getenv("W2M_SLOW_DISK_MS");
  const long ms = text != NULL ? atol(text) : 100;
  struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&t, &t) != 0) {
  }
}

#define PASS(name, type, args, call)                                                               \
  int name args {                                                                                  \
    static type real;                                                                              \
    if (real == NULL)                                                                              \
      real = (type)dlsym(RTLD_NEXT, #name);                                                        \
    nap();                                                                                         \
    return real call;                                                                              \
  }

typedef int (*FdCall)(int);
typedef int (*RenameCall)(const char*, const char*);
typedef int (*RenameAtCall)(int, const char*, int, const char*);
typedef int (*RenameAt2Call)(int, const char*, int, const char*, unsigned);

PASS(fsync, FdCall, (int fd), (fd))
PASS(fdatasync, FdCall, (int fd), (fd))
PASS(rename, RenameCall, (const char* from, const char* to), (from, to))
PASS(renameat, RenameAtCall, (int fromDir, const char* from, int toDir, const char* to),
     (fromDir, from, toDir, to))
PASS(renameat2, RenameAt2Call,
     (int fromDir, const char* from, int toDir, const char* to, unsigned flags),
     (fromDir, from, toDir, to, flags))

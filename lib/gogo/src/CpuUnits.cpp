#include "CpuUnits.h"

#include "gogo.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace gogo {

std::uint32_t cpuUnits() {
  std::uint32_t units = 0;
#if defined(__x86_64__) || defined(__i386__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(1, &a, &b, &c, &d) != 0) {
    if ((d & (1u << 0)) != 0) {
      units |= UNIT_FPU;
    }
    if ((d & (1u << 23)) != 0) {
      units |= UNIT_MMX;
    }
    if ((d & (1u << 25)) != 0) {
      units |= UNIT_KNI;
    }
    if ((d & (1u << 26)) != 0) {
      units |= UNIT_SSE2;
    }
  }
  if (__get_cpuid(0x80000001u, &a, &b, &c, &d) != 0) {
    if ((d & (1u << 31)) != 0) {
      units |= UNIT_3DNOW;
    }
    if ((d & (1u << 30)) != 0) {
      units |= UNIT_EX_3DNOW;
    }
  }
#endif
  return units;
}

} // namespace gogo

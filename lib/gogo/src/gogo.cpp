// Placeholder until the encoder lands.
#include "gogo.h"

#define GOGO_API extern "C" __attribute__((visibility("default")))

GOGO_API MERET MPGE_initializeWork(void) { return 0; }
GOGO_API MERET MPGE_setConfigure(MPARAM, UPARAM, UPARAM) { return 0; }
GOGO_API MERET MPGE_getConfigure(MPARAM, void*) { return 0; }
GOGO_API MERET MPGE_detectConfigure(void) { return 1; }
GOGO_API MERET MPGE_processFrame(void) { return 1; }
GOGO_API MERET MPGE_closeCoder(void) { return 0; }
GOGO_API MERET MPGE_endCoder(void) { return 0; }
GOGO_API MERET MPGE_getUnitStates(uint32_t* units) {
  *units = 0;
  return 0;
}
GOGO_API MERET MPGE_getVersion(uint32_t* code, char* text) {
  *code = 0;
  text[0] = 0;
  return 0;
}

/* libgogo: MP3 encoder module. */
#ifndef GOGO_H
#define GOGO_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t MERET;
typedef uint32_t MPARAM;
typedef uintptr_t UPARAM;

MERET MPGE_initializeWork(void);
MERET MPGE_setConfigure(MPARAM item, UPARAM value1, UPARAM value2);
MERET MPGE_getConfigure(MPARAM item, void* value);
MERET MPGE_detectConfigure(void);
MERET MPGE_processFrame(void);
MERET MPGE_closeCoder(void);
MERET MPGE_endCoder(void);
MERET MPGE_getUnitStates(uint32_t* units);
MERET MPGE_getVersion(uint32_t* code, char* text /* 512 bytes */);

#ifdef __cplusplus
}
#endif

#endif

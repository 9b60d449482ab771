/* libmp3infp: tag access for WAV and MP3 files.
 *
 * One file is loaded at a time; every call acts on the file loaded last. Texts are UTF-8.
 * All functions may be called from one thread at a time only. */
#ifndef MP3INFP_H
#define MP3INFP_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

uint32_t mp3infp_GetVer(void);
uint32_t mp3infp_Load(void* owner, const char* path); /* 0 = loaded */
uint32_t mp3infp_GetType(void);                        /* 1 = MP3 */
uint32_t mp3infp_mp3_GetTagType(void);
int mp3infp_GetValue(const char* name, char** value); /* UTF-8, owned by the library */
uint32_t mp3infp_SetValue(const char* name, const char* value);
uint32_t mp3infp_Save(const char* path);
uint32_t mp3infp_mp3_MakeId3v1(const char* path);
uint32_t mp3infp_mp3_MakeRMP(const char* path);

#ifdef __cplusplus
}
#endif

#endif

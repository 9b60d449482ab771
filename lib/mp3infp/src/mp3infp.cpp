// Placeholder until the tag library lands.
#include "mp3infp.h"

#define MP3INFP_API extern "C" __attribute__((visibility("default")))

MP3INFP_API uint32_t mp3infp_GetVer(void) { return 0; }
MP3INFP_API uint32_t mp3infp_Load(void*, const char*) { return 1; }
MP3INFP_API uint32_t mp3infp_GetType(void) { return 0; }
MP3INFP_API uint32_t mp3infp_mp3_GetTagType(void) { return 0; }
MP3INFP_API int mp3infp_GetValue(const char*, char** value) {
  *value = nullptr;
  return -1;
}
MP3INFP_API uint32_t mp3infp_SetValue(const char*, const char*) { return 1; }
MP3INFP_API uint32_t mp3infp_Save(const char*) { return 1; }
MP3INFP_API uint32_t mp3infp_mp3_MakeId3v1(const char*) { return 1; }
MP3INFP_API uint32_t mp3infp_mp3_MakeRMP(const char*) { return 1; }

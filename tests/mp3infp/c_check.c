/* Uses the tag library from C with nothing but its headers: writes a small WAV file, gives it
 * an ID3v2 chunk, sets a title and a cover, saves, loads it again and reads both back. */
#include "mp3infp_ex.h"

#include <stdio.h>
#include <string.h>

static void put32(unsigned char* p, unsigned v) {
  p[0] = (unsigned char)(v & 0xFF);
  p[1] = (unsigned char)((v >> 8) & 0xFF);
  p[2] = (unsigned char)((v >> 16) & 0xFF);
  p[3] = (unsigned char)((v >> 24) & 0xFF);
}

int main(int argc, char** argv) {
  /* As far as the cover check reads a JPEG: start of image, a frame header of 1x1 pixels. */
  static const unsigned char cover[] = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x01,
                                        0x00, 0x01, 0x01, 0x01, 0x11, 0x00, 0xFF, 0xD9};
  unsigned char wav[44 + 800];
  char* value = NULL;
  const char* mime = NULL;
  const void* data = NULL;
  uint32_t size = 0;
  FILE* f;
  if (argc < 2)
    return 2;
  memset(wav, 0, sizeof wav);
  memcpy(wav, "RIFF", 4);
  put32(wav + 4, sizeof wav - 8);
  memcpy(wav + 8, "WAVEfmt ", 8);
  put32(wav + 16, 16);
  wav[20] = 1;
  wav[22] = 1;
  put32(wav + 24, 8000);
  put32(wav + 28, 16000);
  wav[32] = 2;
  wav[34] = 16;
  memcpy(wav + 36, "data", 4);
  put32(wav + 40, 800);
  f = fopen(argv[1], "wb");
  if (!f || fwrite(wav, 1, sizeof wav, f) != sizeof wav || fclose(f) != 0)
    return 3;

  if (mp3infp_GetVer() < 0x211 || mp3infp_Load(NULL, argv[1]) != 0 || mp3infp_GetType() != 2)
    return 4;
  if (mp3infp_MakeId3v2(argv[1]) != 0 || mp3infp_SetValue("INAM", "C \xE3\x81\x8B") != 0 ||
      mp3infp_SetPicture(cover, sizeof cover) != MP3INFP_PICTURE_OK || mp3infp_Save(argv[1]) != 0)
    return 5;
  if (mp3infp_Load(NULL, argv[1]) != 0)
    return 6;
  mp3infp_GetValue("INAM", &value);
  if (value == NULL || strcmp(value, "C \xE3\x81\x8B") != 0)
    return 7;
  if (mp3infp_GetPicture(&mime, &data, &size) != MP3INFP_PICTURE_OK ||
      strcmp(mime, "image/jpeg") != 0 || size != sizeof cover || memcmp(data, cover, size) != 0)
    return 8;
  mp3infp_GetValue("TIME", &value);
  printf("title and cover read back, playing time %s\n", value);
  return 0;
}

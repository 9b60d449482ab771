/* libmp3infp extensions: the cover picture of a file, and user text frames.
 *
 * Everything here comes on top of the functions of mp3infp.h and changes none of them: the
 * calls act on the file loaded last by mp3infp_Load, from one thread at a time, like the others.
 * A caller that loads the library at run time finds these names with dlsym; a library that
 * lacks them is simply an older one.
 *
 * The picture of a file is the front cover of its ID3v2 tag: an APIC frame (PIC in a v2.2 tag)
 * of picture type 3, in the tag at the start of an MP3 stream (inside the 'data' chunk of an
 * RMP3 file) or in a WAV file's 'id3 ' chunk. A tag without a front cover gives its first
 * picture of any other type, as players show that one as the cover.
 *
 * mp3infp_SetPicture sets a new front cover, in memory until mp3infp_Save writes it with the
 * values set (alone, when nothing else was set). It is checked first: at most 10 MiB
 * (10485760 bytes), and a JPEG whose markers lead to a frame header giving its size, or a PNG
 * whose IHDR chunk is whole and valid; anything else is refused and nothing is set. Saving
 * writes one APIC frame: text encoding 0, MIME type "image/jpeg" or "image/png" as the data
 * are, picture type 3, an empty description, the image's bytes. It takes the place of the
 * tag's first front cover and the other front covers go; pictures of other types and every
 * other frame stay byte for byte, and the tag keeps its version (v2.4 stays v2.4, v2.3 stays
 * v2.3, v2.2 becomes v2.3) as mp3infp_Save keeps it. An MP3 file without an ID3v2 tag gets a
 * v2.3 tag for it, a WAV file without an 'id3 ' chunk gets one as mp3infp_MakeId3v2 makes it.
 * An RMP3 file takes no picture: its RIFF SIF tag (LIST/INFO) has no place for one. A cover is
 * never changed unless a new one is set, and the read-back of every save checks that the file
 * holds the cover set, or the one it had, byte for byte. */
#ifndef MP3INFP_EX_H
#define MP3INFP_EX_H

#include "mp3infp.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Results of the picture calls. */
#define MP3INFP_PICTURE_OK 0
#define MP3INFP_PICTURE_NO_FILE 1   /* no file is loaded, or an argument is a null pointer */
#define MP3INFP_PICTURE_NONE 2      /* mp3infp_GetPicture: the file holds no picture */
#define MP3INFP_PICTURE_NO_PLACE 3  /* mp3infp_SetPicture: an RMP3 file or an RF64 WAV file */
#define MP3INFP_PICTURE_TOO_LARGE 4 /* mp3infp_SetPicture: more than 10485760 bytes */
#define MP3INFP_PICTURE_NOT_IMAGE 5 /* mp3infp_SetPicture: no JPEG or PNG whose header reads */

/* Gives the picture of the loaded file: *mime its MIME type ("image/jpeg" or "image/png" when
 * the data are such an image, else as the tag names it), *data its bytes, *size their count.
 * A picture set with mp3infp_SetPicture and not yet saved is given as set. The bytes and the
 * text belong to the library and stay valid until the next call of any function here; the
 * caller must not change or free them. Returns MP3INFP_PICTURE_OK, or MP3INFP_PICTURE_NONE
 * (or NO_FILE) with *mime "", *data null and *size 0 (for the arguments that are not null). */
uint32_t mp3infp_GetPicture(const char** mime, const void** data, uint32_t* size);

/* Sets `size` bytes at `data`, a JPEG or PNG image, as the front cover of the loaded file (see
 * above), in memory until mp3infp_Save. The image the file holds as its front cover already
 * drops what was set before and leaves the stored bytes alone. Returns MP3INFP_PICTURE_OK when
 * set; else one of the codes above, leaving what was set as it was. */
uint32_t mp3infp_SetPicture(const void* data, uint32_t size);

/* User text frames: the TXXX frames of an MP3 stream's ID3v2 tag, each named by a description,
 * as ReplayGain's values are kept (REPLAYGAIN_TRACK_GAIN "-6.52 dB", ..._PEAK "0.988525").
 * mp3infp_SetUserText sets the value of the frame of `description`, in memory until
 * mp3infp_Save writes it with the other values set (alone, when nothing else was set). Saving
 * puts one TXXX frame of that description in place of the tag's first one, matched ignoring
 * ASCII case, and removes the others; an empty value removes them all. The frame's text is
 * Latin-1 when description and value are ASCII (what every player reads), else UTF-16 in a
 * v2.3 tag and UTF-8 in a v2.4 one; every other frame stays byte for byte, the tag keeps its
 * version, and a stream without an ID3v2 tag gets a v2.3 tag for it. The MPEG frames, with
 * the encoder's info frame and its delay and padding, are never touched. */
#define MP3INFP_USER_TEXT_OK 0
#define MP3INFP_USER_TEXT_NO_FILE 1  /* no file is loaded */
#define MP3INFP_USER_TEXT_INVALID 2  /* a null pointer, an empty description, text not UTF-8 */
#define MP3INFP_USER_TEXT_NO_PLACE 3 /* a WAV or RMP3 file: RIFF SIF has no place for one */

/* Sets the user text `description` of the loaded MP3 file to the UTF-8 text `value` (see
 * above). Returns MP3INFP_USER_TEXT_OK, or why nothing was set. */
uint32_t mp3infp_SetUserText(const char* description, const char* value);

#ifdef __cplusplus
}
#endif

#endif

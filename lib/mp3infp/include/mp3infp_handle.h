/* libmp3infp handles: loaded files of their own, for callers on several threads.
 *
 * Everything here comes on top of mp3infp.h and changes none of it. The mp3infp_ functions
 * act on one loaded file for the whole process, from one thread at a time. An MP3INFP_HANDLE
 * holds one more loaded file with its own values set and text handed out:
 * mp3infph_<call>(handle, ...) behaves exactly like mp3infp_<call>(...) on that handle (same
 * results and rules, see mp3infp.h). A null handle is the default one, the handle of the
 * mp3infp_ functions.
 *
 * Different handles may be used on different threads at the same time; the calls of one handle
 * must not overlap (one thread at a time, as with mp3infp.h). Two handles may load the same
 * file; a save through one is refused by the other (11, changed since the load) until that one
 * loads it again. Text from mp3infph_GetValue stays valid until the next call on that handle.
 *
 * Keeping a file marked as in use
 *   A caller that marks a file as in use with an exclusive flock(), as this library marks its
 *   own temporary files, loses the mark when a save replaces the file by a new one (the lock
 *   belongs to the old file). With mp3infph_KeepLocks(handle, 1), each rewrite of the handle's
 *   loaded file that replaces it (mp3infph_Save and the three Make calls) keeps a descriptor of
 *   the new file open, for reading only, with the exclusive lock the library took on it before
 *   the file took its name: the file at the path is never without a lock, and was closed for
 *   writing before it took the name. mp3infph_TakeLock hands the last one over; the earlier
 *   ones are closed as the next rewrite replaces their file, and one not taken is closed by
 *   the next load of the handle, mp3infph_KeepLocks(handle, 0) or mp3infph_Destroy. A file
 *   written in place keeps its own descriptor and lock: nothing is kept then.

 *
 * Writing a file once
 *   Each Make call rewrites the file at once, and the save after it rewrites it again. With
 *   mp3infph_DeferMakes(handle, 1) the Make calls of the handle change its loaded file in memory
 *   only, as mp3infph_SetValue does: each is checked as a written file is (same results, but
 *   those of writing, which come from the save), the tag type and the values read show the tag
 *   made at once, and the next mp3infph_Save writes what was made together with the values set
 *   in one rewrite of the file (a save with no value set writes what was made). A load forgets
 *   what was made and not saved, as it forgets values set; a failed save keeps both.
 */
#ifndef MP3INFP_HANDLE_H
#define MP3INFP_HANDLE_H

#include "mp3infp.h"
#include "mp3infp_ex.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct MP3INFP_HANDLE MP3INFP_HANDLE;

/* A new handle with no file loaded; NULL when out of memory. */
MP3INFP_HANDLE* mp3infph_Create(void);
/* Forgets the handle's file and frees the handle. NULL is ignored; the default handle cannot
 * be destroyed this way. */
void mp3infph_Destroy(MP3INFP_HANDLE* handle);

/* The calls of mp3infp.h on one handle. */
uint32_t mp3infph_Load(MP3INFP_HANDLE* handle, const char* path);
uint32_t mp3infph_GetType(MP3INFP_HANDLE* handle);
uint32_t mp3infph_mp3_GetTagType(MP3INFP_HANDLE* handle);
int mp3infph_GetValue(MP3INFP_HANDLE* handle, const char* name, char** value);
uint32_t mp3infph_SetValue(MP3INFP_HANDLE* handle, const char* name, const char* value);
uint32_t mp3infph_Save(MP3INFP_HANDLE* handle, const char* path);
uint32_t mp3infph_mp3_MakeId3v1(MP3INFP_HANDLE* handle, const char* path);
uint32_t mp3infph_mp3_MakeRMP(MP3INFP_HANDLE* handle, const char* path);
uint32_t mp3infph_MakeId3v2(MP3INFP_HANDLE* handle, const char* path);
/* The picture calls of mp3infp_ex.h on one handle. */
uint32_t mp3infph_GetPicture(MP3INFP_HANDLE* handle, const char** mime, const void** data,
                             uint32_t* size);
uint32_t mp3infph_SetPicture(MP3INFP_HANDLE* handle, const void* data, uint32_t size);
uint32_t mp3infph_SetUserText(MP3INFP_HANDLE* handle, const char* description, const char* value);

/* Keeping a file marked as in use (above): on with `keep` non-zero, off (closing any descriptor
 * kept) with 0. Off for a new handle. */
void mp3infph_KeepLocks(MP3INFP_HANDLE* handle, int keep);
/* Writing a file once (above): on with `defer` non-zero, off with 0; what was made already
 * stays for the next save either way. Off for a new handle and for the default one. */
void mp3infph_DeferMakes(MP3INFP_HANDLE* handle, int defer);
/* The descriptor kept by the last rewrite that replaced the loaded file, now the caller's to
 * close; -1 when none was kept since the last take or load. */
int mp3infph_TakeLock(MP3INFP_HANDLE* handle);

#ifdef __cplusplus
}
#endif

#endif

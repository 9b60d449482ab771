/* libmp3infp: tag access for WAV and MP3 files.
 *
 * One file is loaded at a time; every call acts on the file loaded last. Texts passed in and
 * out are UTF-8. All functions must be called from one thread at a time (mp3infp_handle.h
 * gives callers on other threads loaded files of their own).
 *
 * Files:
 *   - WAV: RIFF 'WAVE'. Its tag is the LIST/INFO chunk, read and written through the bare
 *     value names. Of several INFO lists each value reads from the first list holding it; a
 *     write changes it there and removes it from the lists after it, every list it does not
 *     change staying byte for byte. An RF64 (or BW64) 'WAVE' file, the WAV of more than
 *     4 GiB, is read alike but never written (mp3infp_Save refuses it with 26). An 'id3 ' (or
 *     'ID3 ') chunk holding an ID3v2 tag, which many players read instead, takes every value
 *     written to the INFO list too, so the two never disagree.
 *   - MP3: an MPEG audio stream, with or without an ID3v2 tag at its start and APE and ID3v1
 *     tags at its end, or such a stream wrapped in RIFF 'RMP3': a 'data' chunk holding the
 *     stream (its tags included) byte for byte, and a LIST/INFO chunk (the "RIFF SIF" tag).
 *
 * Value names: "INAM" title, "IART" artist, "IPRD" album, "ICMT" comment, "ICRD" year, "IGNR"
 * genre, "ITRK" track number ("3", or "3/12" with the number of tracks). WAV files use them
 * bare; MP3 files add "_v1" (ID3v1), "_v2" (ID3v2) or "_rmp" (the INFO list of an RMP3 file).
 * The track number is the INFO item ITRK (read from IPRT, where TagLib-based tools keep it,
 * when there is no ITRK; an IPRT item is kept in step when the track is written), the ID3v2
 * frame TRCK, and the ID3v1.1 track byte, which holds a number from 1 to 255 only. "TIME" is the
 * playing time, "TIME_MS" the same in exact milliseconds, "PATH" the folder of the loaded file
 * (absolute, no trailing '/'), "FILE" its name without the last extension.
 * The fields players sort and show albums by have names of their own, with the same suffixes
 * where the tag has a place for them: "TPE2" album artist (ID3v2 frame TPE2), "TPOS" disc number
 * ("1", or "1/2" with the number of discs; frame TPOS), "IMUS" composer (frame TCOM, INFO item
 * IMUS, "music by"), "IWRI" lyricist (frame TEXT, INFO item IWRI, "written by"), and the readings
 * phones sort Japanese by, kept as typed (katakana or hiragana): "TSOT" title reading, "TSOP"
 * artist reading, "TSOA" album reading (frames TSOT, TSOP, TSOA, which v2.3 tags hold too, as
 * iTunes writes them; in a v2.2 tag read from TP2, TPA, TCM, TXT, TST, TSP and TSA). Of these
 * seven, a RIFF INFO list has items for the composer and the lyricist only: a WAV file keeps the
 * other five in its 'id3 ' chunk alone (their bare names read from it), an RMP3 file has no place
 * for them ("TPE2_rmp" and the like), and ID3v1 has a place for none of the seven ("IMUS_v1" and
 * the like). Those names read "" and are refused when set (MP3INFP_SET_NO_PLACE).
 *
 * Stored 8-bit text (ID3v1, RIFF INFO, ID3v2 frames flagged ISO-8859-1) reads as UTF-8 when it
 * is valid UTF-8, else as CP932 (Windows Japanese) when valid, else as Latin-1. Text is written
 * as CP932 when it reads back exactly so, else as UTF-8: nothing is ever replaced or dropped
 * (but in an ID3v1 tag that mirrors an ID3v2 tag, see mp3infp_Save). A file whose INFO values
 * are all valid UTF-8, some beyond ASCII (as ffmpeg writes them), gets its changed INFO values
 * in UTF-8 too; any other file's stay CP932, whatever other tags it has (ffmpeg, which shows a
 * WAV file's INFO list instead of its 'id3 ' chunk, then shows CP932 text garbled). The comment
 * of an ID3v2 tag is its COMM frame without description, the one in language "jpn" first; a
 * COMM frame with a description ("iTunNORM" and the like) is never the comment. An ID3v2 tag
 * keeps its version (see mp3infp_Save).
 * A value set to what the file already holds keeps its stored bytes.
 *
 * ID3v2 is read leniently, as common readers do: 2.4 frame sizes written as plain integers
 * (taken when the syncsafe reading leads to no frame or padding and the plain one does), UTF-16
 * strings without their own byte order mark (the frame's first mark applies), stray string
 * terminators and junk in the padding. A string that cannot be decoded reads "". Bounds: an
 * ID3v2 tag over 64 MiB is recognised but not read; a frame whose body (after inflating a
 * compressed frame) passes 16 MiB, and an encrypted frame, is skipped, the others still read.
 *
 * Only regular files are opened: a FIFO, device or folder where a file is expected is refused
 * at once, never waited on, by mp3infp_Load and by the writing calls.
 *
 * Every change to a file is written to a temporary file beside it and renamed over it, the
 * temporary file first given the owner, group, permission bits and extended attributes of the
 * file; audio data, unrelated chunks and the INFO items not changed are copied byte for byte.
 * A file the process cannot give all of these to a new file (it is not the owner, or may not
 * set the group or an attribute) and a file with several hard links are instead written in
 * place, so that every link, the owner and everything else of the file stay: first a safety
 * copy of the file is made beside it ("<name>.w2m-backup-XXXXXX", or ".w2m-backup-XXXXXX"
 * for a name too long for that) and flushed to disk, then the new content is written over the
 * file and checked as below; a failed write or check puts the safety copy's bytes back. The
 * safety copy is removed once the file holds either content; one that remains (the process was
 * killed during the write, or putting the bytes back failed too) holds the file as it was.
 * Before the rename (or the end of an in-place write) the written file is loaded again:
 * unless it is of the same type, every value set reads back as set (an ID3v2 genre or year as
 * its frame reads: "17" as "Rock", "2024-05-01" as "2024"), and so does a WAV file's 'id3 '
 * chunk for the INFO values set, an ID3v1 tag mirroring a changed ID3v2 tag holds what the
 * mirror makes of it, every other value reads as before and no tag is lost or appears that the
 * change does not make, the change fails. A failed write leaves the original as it was and no
 * temporary file. Temporary files are named ".w2m-XXXXXX.tmp" (six random letters or digits)
 * and locked with flock() while in use; unlocked ones, left by a process killed while saving,
 * are removed by the next save in that
 * folder. A file whose owner has no write permission is never changed, whoever asks. */
#ifndef MP3INFP_H
#define MP3INFP_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Version of the library: hexadecimal digits read with a point after the first (0x260 is
 * 2.60). */
uint32_t mp3infp_GetVer(void);

/* Loads the file at `path` (made absolute against the working folder) and forgets the file
 * loaded before, with any values set but not saved. `owner` is ignored. Returns 0 when
 * loaded; non-zero for a missing, unreadable, empty or unrecognised file or one that is not a
 * regular file, after which no file is loaded. */
uint32_t mp3infp_Load(void* owner, const char* path);

/* 1 for an MP3 file, 2 for a WAV file, 0 when nothing is loaded. */
uint32_t mp3infp_GetType(void);

/* The tags of the loaded MP3 file, every bit that applies: 0x01 ID3v1 with 0x08 (v1.0) or
 * 0x10 (v1.1, a track number); 0x02 ID3v2 with 0x20 (v2.2) or 0x80 (v2.4), v2.3 having no
 * extra bit; 0x04 RIFF 'RMP3' with a LIST/INFO chunk; 0x100 APEv1; 0x200 APEv2. 0 for a WAV
 * file or when nothing is loaded. Reflects mp3infp_mp3_MakeId3v1 and mp3infp_mp3_MakeRMP at
 * once. */
uint32_t mp3infp_mp3_GetTagType(void);

/* Sets *value to the UTF-8 text of the value `name` (see above) of the loaded file. A value
 * the file does not have gives "" (never a null pointer). A value set with mp3infp_SetValue
 * and not yet saved reads as set. "TIME" reads "m:ss" ("3:25"), or "h:mm:ss" from an hour on,
 * rounded to the second; "" when unknown. "TIME_MS" is the exact playing time in whole
 * milliseconds as decimal text ("1500"), "" when unknown: for a WAV file the sample frames of
 * its data chunk (size / block align); for an MP3 file the samples a gapless decoder gives,
 * counting the frames actually present (a frame cut off at the end does not count) less the
 * Xing/Info frame and the encoder delay and padding of its LAME tag (the padding only when all
 * the frames the tag counts are present); unlike "TIME" it reads every frame header. The text
 * belongs to the library and stays valid until the next call of any function here; the caller
 * must not change or free it. Returns 0 for a known name, -1 for an unknown name, a null
 * argument or no loaded file (*value is still set to "" when `value` is not null). */
int mp3infp_GetValue(const char* name, char** value);

/* Sets the value `name` of the loaded file to the UTF-8 text `value`, in memory until
 * mp3infp_Save. Accepted: the bare names for a WAV file; "_rmp" names for an RMP3 file; "_v2"
 * names for an MP3 file (its stream's ID3v2 tag, made when missing); "_v1" names for an MP3
 * file when the text fits the ID3v1 field (30 bytes, 28 for the comment of a v1.1 tag, 4 for
 * the year; the genre must be an ID3v1 genre name or ""; a track is a number from 1 to 255,
 * and needs a comment of at most 28 bytes: setting it makes the tag v1.1, removing it makes
 * the comment field 30 bytes again). A track or disc number is digits, optionally followed by
 * '/' and more digits (nine at most each); other text (full-width digits among it) is refused.
 * An empty text removes the value. A text equal to the value the file holds (as
 * mp3infp_GetValue reads it from the file) drops what was set before and leaves the stored bytes
 * alone. Returns 0 when set; else one of the MP3INFP_SET_ codes below, leaving the values as
 * they were. */
uint32_t mp3infp_SetValue(const char* name, const char* value);

/* Results of mp3infp_SetValue. */
#define MP3INFP_SET_OK 0
#define MP3INFP_SET_NOT_LOADED 1 /* no file is loaded */
#define MP3INFP_SET_INVALID 2    /* a null argument, or a value that is not UTF-8 */
/* A name of a tag the file is not of: a bare name for an MP3 file, "_v1" or "_v2" for a WAV file,
 * "_rmp" for an MP3 file that is not RMP3. */
#define MP3INFP_SET_OTHER_TAG 3
/* The value does not fit the field: a track or disc number that is no number, an ID3v1 field
 * too long or no ID3v1 genre. */
#define MP3INFP_SET_NOT_FITTING 4
#define MP3INFP_SET_UNKNOWN_NAME 5 /* no value name of the library */
/* The tag has no place for the field: the album artist, disc number and readings in RIFF SIF
 * ("TPE2_rmp", "TPOS_rmp", "TSOT_rmp", "TSOP_rmp", "TSOA_rmp"), any of the seven fields
 * players sort albums by in ID3v1 ("TPE2_v1" .. "TSOA_v1"). Checked before the file's kind, so
 * that a caller writing RIFF SIF learns it before it makes the tag. */
#define MP3INFP_SET_NO_PLACE 6

/* Writes the values set since the load into the loaded file. "_v2" values are written into the
 * ID3v2 tag at the start of the stream (made as v2.3 when missing) as frames TIT2, TPE1, TALB,
 * TYER (TDRC in v2.4), TCON, TRCK, TPE2, TPOS, TCOM, TEXT, TSOT, TSOP, TSOA and COMM in language
 * "jpn" without description (in place of the comment's frame; an empty comment removes every
 * COMM frame without description); every other frame is kept byte for byte, and so is the tag's
 * version: a v2.4 tag stays v2.4, its changed frames in the text encoding its frames use (UTF-8
 * where that is ISO-8859-1 and the text is not ASCII), a v2.3 tag stays v2.3 with UTF-16 frames
 * (byte order mark). A v2.2 tag becomes v2.3, every frame in its v2.3 form; one holding a frame
 * v2.3 has no form for (such as CRM) is not written (25). An ID3v1 tag, if the stream has one,
 * then takes the "_v2" values set of the fields it has (and no other field, so that tags that
 * differed keep their differences) as the ID3v2 tag reads them, in CP932 (characters CP932 lacks
 * as '?'), cut at a character boundary to its fields, the genre as its ID3v1 number or none, and
 * the track ("3/12" as 3) as a v1.1 tag, whose comment then keeps 28 bytes; a track ID3v1 cannot
 * hold (none, 0, 300) removes the ID3v1 track, and a comment mirroring the ID3v2 one gets its 30
 * bytes back. The same holds for a WAV file's 'id3 ' chunk, which takes the values set (the
 * INFO list only those it has items for); a WAV file without one gets one (as
 * mp3infp_MakeId3v2 makes it) for a field INFO has no item for.
 * The tag keeps its length when the frames fit, so the MPEG frames do not move and saving
 * again gives a file of the same length. `path` must name the loaded file (any path to the
 * same file will do); another path is refused and nothing is written. Returns 0 when the file
 * holds the values (at once when nothing was set); non-zero when the path is not the loaded
 * file, the file changed on disk since it was loaded, it is read-only or no longer a regular
 * file, its chunk sizes (or the items of an INFO list) do not add up, writing failed or the
 * written file did not read back as meant: the file is then as it was and the values stay
 * set. The codes are the MP3INFP_SAVE_ names below; 20..29 concern the file's structure. */
uint32_t mp3infp_Save(const char* path);

/* Results of mp3infp_Save and of the three Make calls below. */
#define MP3INFP_SAVE_OK 0
/* No file is loaded (MakeId3v1 and MakeRMP: or it is no MP3 file). */
#define MP3INFP_SAVE_NOT_LOADED 1
#define MP3INFP_SAVE_OTHER_FILE 2     /* `path` does not name the loaded file */
#define MP3INFP_SAVE_GONE 10          /* the file is gone */
#define MP3INFP_SAVE_CHANGED 11       /* the file changed on disk since it was loaded */
#define MP3INFP_SAVE_READ_ONLY 12     /* the file is read-only, or no longer a regular file */
#define MP3INFP_SAVE_NO_ROOM 13       /* no temporary file or safety copy could be made beside it */
#define MP3INFP_SAVE_WRITE_FAILED 14  /* writing failed (a full disk) */
#define MP3INFP_SAVE_NOT_READ_BACK 15 /* the written file did not read back as meant */
/* An in-place write failed and its safety copy could not be put back: the copy remains. */
#define MP3INFP_SAVE_BACKUP_LEFT 16
#define MP3INFP_SAVE_TOO_LARGE 20     /* a RIFF file would pass 4 GiB */
#define MP3INFP_SAVE_BROKEN_CHUNKS 21 /* chunk sizes or the items of an INFO list do not add up */
/* An ID3v2 tag that cannot be rebuilt (over 64 MiB, cut off), or an ID3v1 tag the values do not
 * fit. */
#define MP3INFP_SAVE_BROKEN_TAG 22
#define MP3INFP_SAVE_NO_ID3_CHUNK 23 /* a WAV file's new 'id3 ' chunk could not be made */
/* A WAV file's 'id3 ' chunk that cannot be rebuilt: it and the INFO list would disagree. */
#define MP3INFP_SAVE_BROKEN_ID3_CHUNK 24
#define MP3INFP_SAVE_NO_V23_FORM 25  /* an ID3v2.2 frame that ID3v2.3 has no form for */
#define MP3INFP_SAVE_RF64 26         /* an RF64 file, read but never written */
#define MP3INFP_SAVE_NOT_RELOADED 30 /* written, but the file could not be loaded again */

/* Appends an empty ID3v1 tag to the loaded MP3 file (inside the 'data' chunk of an RMP3 file)
 * unless it has one. `path` must name the loaded file. Returns 0 when the file has an ID3v1
 * tag afterwards (non-zero, file unchanged, when the tag would not be found there, as behind an
 * ID3v2 tag whose size runs past the end). An empty tag has no track number and so reports bit
 * 0x08. Values set and not saved stay set. */
uint32_t mp3infp_mp3_MakeId3v1(const char* path);

/* Wraps the loaded MP3 file in RIFF 'RMP3': a 'data' chunk holding the whole former file (its
 * ID3v2 tag, MPEG frames, APE and ID3v1 tags) byte for byte, then an empty LIST/INFO chunk.
 * Those tags stay readable. An RMP3 file without an INFO list gets one. `path` must name the
 * loaded file. Returns 0 when the file is RMP3 with an INFO list afterwards. Values set and
 * not saved stay set. */
uint32_t mp3infp_mp3_MakeRMP(const char* path);

/* Gives the loaded file an ID3v2 tag, the kind players and other tag tools read:
 *   - an MP3 file without an ID3v2 tag gets a v2.3 one at its start holding the values of its
 *     ID3v1 tag, if any (one with an ID3v2 tag keeps it as it is), and one without an ID3v1 tag
 *     gets one at its end mirroring the ID3v2 tag, which mp3infp_Save then keeps in line;
 *   - an RMP3 file becomes the plain MP3 stream of its 'data' chunk, the MPEG frames and the
 *     APE tag byte for byte. Its INFO values go into the stream's ID3v2 tag (made as v2.3 when
 *     missing, its version and other frames kept as mp3infp_Save keeps them): they win over
 *     what the tag held, and the ID3v1 tag (made when missing) mirrors the result as
 *     mp3infp_Save does. The file keeps one ID3v2 tag and no INFO list, so the tag type shows
 *     0x02 and not 0x04. Values set and not saved for "_rmp" names stay set for the "_v2"
 *     names, and win over the stored ones when saved;
 *   - a WAV file without an 'id3 ' or 'ID3 ' chunk gets an 'id3 ' chunk at the end of its RIFF
 *     body, holding its INFO values as an ID3v2.3 tag (padded to a word, RIFF size set); one with
 *     such a chunk is left as it is.
 * The file is rewritten at once, atomically. `path` must name the loaded file. Returns 0 when
 * the file has the tag afterwards. Values set and not saved stay set. */
uint32_t mp3infp_MakeId3v2(const char* path);

#ifdef __cplusplus
}
#endif

#endif

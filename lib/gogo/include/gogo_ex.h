/* libgogo extensions: probing a file before an encode, independent encoder handles, encoding a
 * part of a file, and measuring loudness.
 *
 * Everything here comes on top of the nine MPGE_ entry points of gogo.h and changes none of
 * them. A caller that loads the library at run time finds these names with dlsym like the
 * others; a library that lacks them is simply an older one.
 *
 * Probing
 *   gogo_probeInput tells what an input file is and, when MPGE_detectConfigure would refuse it,
 *   exactly why, so that a caller can tell its user "96 kHz is ..." or "the file has no
 *   audio" instead of a bare RESULT_FORMAT_ERROR. It runs the same checks, in the same order,
 *   as MPGE_detectConfigure does for a CFG_INPUT file, so the two always agree. It never
 *   blocks: a FIFO, a device or a folder is refused after a non-blocking open, before anything
 *   reads from it. gogo_probeOutput does the same for an output path without creating it.
 *
 * Handles
 *   The MPGE_ functions drive one encode per process. A GOGO_HANDLE holds one more encode,
 *   with its own configuration, input, LAME encoder and output; gogo_<call>(handle, ...)
 *   behaves exactly like MPGE_<call>(...) on that handle's encode (same order of calls, same
 *   results, see gogo.h). The MPGE_ functions act on a default handle of their own. Different
 *   handles, the default one included, may be driven on different threads at the same time;
 *   the calls of one handle must not overlap (they may come from different threads one after
 *   the other, as with the MPGE_ functions). The MP3 bytes an encode writes do not depend on
 *   what other handles do at the same time.
 *   An INPUT_READER record has no context argument: encodes that run at the same time each
 *   need a reader function of their own. gogo_defaultHandle gives the handle the MPGE_
 *   functions drive, so that the settings below reach their encode too.
 *
 * A part of a file
 *   gogo_setSampleRange(handle, first, count) makes the handle's next encode take only the
 *   sample frames [first, first + count) of its CFG_INPUT file: a track of a disc image. Like
 *   an item it is set between gogo_initializeWork (which clears it) and gogo_detectConfigure,
 *   which refuses a range that does not lie wholly in the file, or an INPUT_READER input, with
 *   RESULT_PARAM_ERROR. GET_FRAME_COUNT counts the range's frames. The MP3 is the one a file
 *   holding just those samples would give: its LAME info frame carries this encode's own
 *   encoder delay and padding and the range's length, so a decoder that honours the info frame
 *   (ffmpeg, foobar2000, Rockbox, iTunes) gives back exactly `count` sample frames, and the
 *   tracks of one image, encoded range after range with no gap and no overlap and decoded one
 *   after another, give back as many samples as the image holds, each at its place. A float
 *   file beyond full scale is scaled by the peak of the whole file (see gogo.h), so that every
 *   part of it keeps one level.
 *
 * Loudness
 *   gogo_setMeasureLoudness(handle, 1), set like an item, makes the encode measure the audio it
 *   encodes as EBU R128 has it (libebur128): its integrated loudness, gated as the
 *   recommendation says, and its sample peak, taken from the samples as they go to LAME (after
 *   a downmix or a float file's scaling), in the encode's own pass. A mono file counts as
 *   played on both front speakers. Once gogo_closeCoder has returned RESULT_OK,
 *   gogo_takeLoudness hands the measure over (until the handle's next gogo_initializeWork; one
 *   call takes it). gogo_measureLoudness gives the loudness and peak of one measure, or of
 *   several taken as one signal (an album's tracks), from which ReplayGain 2.0 takes its gain
 *   (-18 LUFS minus the loudness) and peak.
 */
#ifndef GOGO_EX_H
#define GOGO_EX_H

#include "gogo.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Why an input cannot be encoded (GOGO_INPUT_INFO.reason), in the order they are checked.
 * Where MPGE_detectConfigure refuses the input, it returns RESULT_INPUT_NOT_FOUND for
 * NOT_FOUND, UNREADABLE and NOT_REGULAR, RESULT_FORMAT_ERROR for the others. */
#define GOGO_INPUT_OK 0
#define GOGO_INPUT_NOT_FOUND 1   /* nothing at the path (or a folder on the way is missing) */
#define GOGO_INPUT_UNREADABLE 2  /* there, but cannot be opened for reading (permission) */
#define GOGO_INPUT_NOT_REGULAR 3 /* a folder, FIFO, socket or device, not a file */
#define GOGO_INPUT_NOT_AUDIO 4   /* a file, but no audio file libsndfile can read (WAV, ...) */
#define GOGO_INPUT_ENCODING 5    /* audio, but compressed samples (ADPCM, mu-law, GSM, ...) */
#define GOGO_INPUT_CHANNELS 6    /* not 1..8 channels */
#define GOGO_INPUT_RATE 7        /* sampling rate outside 8000..384000 Hz */
#define GOGO_INPUT_NO_AUDIO 8    /* a valid file holding no sample frame at all */

/* Container of a readable audio file (GOGO_INPUT_INFO.container). */
#define GOGO_CONTAINER_NONE 0  /* not known: the file could not be read as audio */
#define GOGO_CONTAINER_WAV 1   /* RIFF WAVE with a plain format header */
#define GOGO_CONTAINER_WAVEX 2 /* RIFF WAVE with WAVE_FORMAT_EXTENSIBLE */
#define GOGO_CONTAINER_RF64 3  /* RF64 / BW64, the WAV of more than 4 GiB */
#define GOGO_CONTAINER_OTHER 4 /* another format libsndfile reads (AIFF, FLAC, W64, ...) */

/* Sample coding (GOGO_INPUT_INFO.samples). */
#define GOGO_SAMPLES_NONE 0       /* not known */
#define GOGO_SAMPLES_INT 1        /* linear integer PCM, `bits` 8, 16, 24 or 32 */
#define GOGO_SAMPLES_FLOAT 2      /* IEEE float, `bits` 32 or 64 */
#define GOGO_SAMPLES_COMPRESSED 3 /* anything else; `bits` 0 */

/* What gogo_probeInput learnt. Fields it could not learn are 0 (frames -1). */
typedef struct GOGO_INPUT_INFO {
  int32_t reason;     /* GOGO_INPUT_* */
  int32_t container;  /* GOGO_CONTAINER_* */
  int32_t samples;    /* GOGO_SAMPLES_* */
  int32_t bits;       /* bits per sample as stored */
  int32_t rate;       /* sampling rate in Hz */
  int32_t channels;   /* channels as stored; 3..8 are mixed down to stereo (gogo.h) */
  int64_t frames;     /* sample frames (one sample per channel), -1 when not known */
  int32_t encodeRate; /* the MPEG rate the MP3 gets without CFG_FORCE_RATE; 0 when refused */
  int32_t reserved;   /* 0 */
} GOGO_INPUT_INFO;

/* Why an output path cannot be written (gogo_probeOutput). */
#define GOGO_OUTPUT_OK 0
#define GOGO_OUTPUT_NO_FOLDER 1   /* the folder the file would go into does not exist */
#define GOGO_OUTPUT_NOT_REGULAR 2 /* the path names a folder, FIFO, socket or device */
#define GOGO_OUTPUT_DENIED 3      /* no permission to write there, or a read-only file system */

/* Fills `info` for the file at `path` (UTF-8, as CFG_INPUT takes it). Returns RESULT_OK when
 * the probe ran, whatever it found (see info->reason), RESULT_PARAM_ERROR for a null
 * argument. Opens the file read-only and non-blocking and closes it before returning. */
MERET gogo_probeInput(const char* path, GOGO_INPUT_INFO* info);

/* Sets *reason to GOGO_OUTPUT_* for an MP3 file to be written at `path`, without creating or
 * changing anything. RESULT_PARAM_ERROR for a null argument, RESULT_OK otherwise. A path that
 * passes can still fail later (a full disk, a file made meanwhile). */
MERET gogo_probeOutput(const char* path, int32_t* reason);

/* An independent encode (see above). */
typedef struct GOGO_HANDLE GOGO_HANDLE;

/* A new handle in the state MPGE_initializeWork leaves; NULL when out of memory. */
GOGO_HANDLE* gogo_create(void);
/* Ends the handle's encode as gogo_endCoder does (closing its files) and frees the handle.
 * NULL is ignored. The handle must not be in use on another thread. */
void gogo_destroy(GOGO_HANDLE* handle);

/* The MPGE_ calls of gogo.h on one handle; a NULL handle gives RESULT_PARAM_ERROR. */
MERET gogo_initializeWork(GOGO_HANDLE* handle);
MERET gogo_setConfigure(GOGO_HANDLE* handle, MPARAM item, UPARAM value1, UPARAM value2);
MERET gogo_getConfigure(GOGO_HANDLE* handle, MPARAM item, void* value);
MERET gogo_detectConfigure(GOGO_HANDLE* handle);
MERET gogo_processFrame(GOGO_HANDLE* handle);
MERET gogo_closeCoder(GOGO_HANDLE* handle);
MERET gogo_endCoder(GOGO_HANDLE* handle);

/* The handle of the MPGE_ functions; never NULL. It must not be destroyed. */
GOGO_HANDLE* gogo_defaultHandle(void);

/* Encodes only the sample frames [first, first + count) of the input file (see A part of a
 * file). RESULT_PARAM_ERROR for first < 0 or count < 1 (kept, and refused again by
 * gogo_detectConfigure), RESULT_SEQUENCE_ERROR while an encode is set up. */
MERET gogo_setSampleRange(GOGO_HANDLE* handle, int64_t first, int64_t count);

/* A measure of loudness (see Loudness); owned by the caller once taken. */
typedef struct GOGO_LOUDNESS GOGO_LOUDNESS;

/* measure 1: the next encode measures its loudness; 0: it does not (the default).
 * RESULT_SEQUENCE_ERROR while an encode is set up. */
MERET gogo_setMeasureLoudness(GOGO_HANDLE* handle, int32_t measure);
/* The measure of the handle's last encode, to be freed with gogo_freeLoudness; NULL when it
 * was not asked for, the encode failed or has not been closed, or it was taken already. */
GOGO_LOUDNESS* gogo_takeLoudness(GOGO_HANDLE* handle);
/* The integrated loudness in LUFS (-HUGE_VAL for silence, which the gate leaves nothing of)
 * and the sample peak (1.0 = full scale) of the `count` measures taken as one signal.
 * RESULT_PARAM_ERROR for a null argument or count < 1, RESULT_EXCEPTION when the
 * measurement fails. */
MERET gogo_measureLoudness(GOGO_LOUDNESS* const* measures, int32_t count, double* lufs,
                           double* peak);
/* Frees a measure; NULL is ignored. */
void gogo_freeLoudness(GOGO_LOUDNESS* measure);

#ifdef __cplusplus
}
#endif

#endif

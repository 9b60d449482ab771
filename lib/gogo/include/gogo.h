/* libgogo: MP3 encoder module on LAME (encoding) and libsndfile (PCM input).
 *
 * One encode at a time through these functions (gogo_ex.h adds handles for more, running in
 * parallel, and probes that tell why an input or output would be refused), driven in this
 * order:
 *
 *   MPGE_initializeWork();                     reset every item to its default, drop any coder
 *   MPGE_setConfigure(item, value1, value2);   once per item (table below)
 *   MPGE_detectConfigure();                    check everything, open input and output
 *   MPGE_getConfigure(GET_FRAME_COUNT, &n);    number of MPGE_processFrame calls to come
 *   while ((r = MPGE_processFrame()) == RESULT_OK) {}
 *   MPGE_closeCoder();                         write the info frame, sync and close the files
 *   MPGE_endCoder();                           free the encoder
 *
 * The calls may come from different threads (the frame and close calls typically run on a
 * worker), but never at the same time for one encode; the library keeps no per-thread state.
 * Every entry point returns a result code; none of them throws or aborts the process.
 *
 * Input files (CFG_INPUT, INPUT_FILE): what libsndfile reads as linear PCM (8, 16, 24, 32 bit)
 * or float, WAV first of all, with
 *   - a sampling rate of 8000..384000 Hz. Up to 48 kHz the MP3 keeps the rate, or takes the
 *     next MPEG rate above it. Above 48 kHz LAME resamples to 44.1 kHz when that divides the
 *     input's rate (88.2, 176.4, 352.8 kHz) and to 48 kHz otherwise (96, 192, 384 kHz, and
 *     rates such as 64 kHz). CFG_FORCE_RATE overrides either.
 *   - 1..8 channels. Three to eight are mixed down to stereo before LAME as ITU-R BS.775 has
 *     it: left = L + 0.7071 C + 0.7071 Ls (+ 0.7071 for every further left surround or height
 *     channel), right likewise; a lone back or top centre counts like C, left/right-of-centre
 *     like L/R, the LFE is dropped. The speaker of each channel comes from the channel mask of
 *     a WAVE_FORMAT_EXTENSIBLE header (a channel the mask leaves without a speaker is
 *     dropped); without one the usual order is taken: 3 L R C, 4 L R Ls Rs, 5 L R C Ls Rs,
 *     6 L R C LFE Ls Rs, 7 L R C LFE Cs Ls Rs, 8 L R C LFE Ls Rs Lsd Rsd. Both sides are then
 *     scaled by 1 / (the larger side's sum of gains) so that full-scale channels cannot clip.
 *   - at least one sample frame.
 * Float samples (32 or 64 bit) may lie beyond full scale, as audio workstations export them;
 * LAME would clip them. Such a file is read once to find its peak before the first frame is
 * encoded (MPGE_processFrame takes 16 frames' worth of it per call, and GET_FRAME_COUNT counts
 * those calls too); when the peak is beyond full scale the whole file is encoded scaled by one
 * gain that puts the peak at -1 dBFS (0.891), the headroom lossy coding needs so that the
 * decoded MP3 does not clip either. A float file within full scale is encoded as it is.
 * MPGE_detectConfigure refuses, without blocking and without creating the output:
 *   RESULT_INPUT_NOT_FOUND  the input is missing or unreadable, or is not a regular file (a
 *                           folder, FIFO, socket or device: it is opened non-blocking and
 *                           checked before anything reads from it);
 *   RESULT_FORMAT_ERROR     not audio libsndfile reads, compressed samples, more than eight
 *                           channels, a rate outside the range, or no sample frame at all;
 *   RESULT_OUTPUT_ERROR     the output cannot be created, or is not a regular file.
 * gogo_probeInput / gogo_probeOutput (gogo_ex.h) give the reason in detail.
 *
 * Writing: the MP3 goes to the file in blocks of 256 KiB (one write() each, not one per
 * frame, which a network share would answer in a round trip each). The frame call whose block
 * fails to be written returns RESULT_WRITE_ERROR, and so does MPGE_closeCoder when any of its
 * steps fails (the last block, the info frame, fsync, close); only a close that returns
 * RESULT_OK leaves a complete MP3 on the disk.
 *
 * How the items map onto LAME:
 *   CFG_BITRATE          constant bit rate in kbit/s (lame_set_brate). It must be one of the
 *                        rates of the output's MPEG version: 32..320 for 32/44.1/48 kHz output,
 *                        8..160 for 8..24 kHz output. LAME writes MPEG-2.5 (8..12 kHz output)
 *                        at 64 at most: a higher rate gives a 64 kbit/s stream there. Not
 *                        checked while VBR is on.
 *   CFG_VBR_LEVEL        switches to LAME's default VBR mode with quality 0 (best) .. 9
 *                        (lame_set_VBR(vbr_default), lame_set_VBR_q). Only when set.
 *   CFG_VBR_BITRATE_RANGE  VBR bounds in kbit/s (lame_set_VBR_min/max_bitrate_kbps); 0 leaves a
 *                        bound to LAME; low must not exceed high. Used only with VBR.
 *   CFG_CHANNEL_MODE     MODE_MONO (down-mixed by LAME), MODE_STEREO, MODE_JOINT (LAME's joint
 *                        stereo), MODE_MSSTEREO (joint stereo with mid/side forced on every frame,
 *                        lame_set_force_ms), MODE_DUALCHANNEL (LAME's DUAL_CHANNEL). A mono input
 *                        always gives a mono stream whatever the mode.
 *   CFG_PSYCHOACOUSTICS  1: LAME's high quality (-q 2: the psychoacoustic model with its more
 *                        thorough noise shaping); 0: LAME's standard quality (its default -q 3,
 *                        what the lame command gives). LAME's fast modes are never used.
 *   CFG_LOWPASS          1: LAME's automatic low-pass for the bit rate; 0: no low-pass.
 *   CFG_EXT_FILTER       a low-pass with its transition band given in percent of the output's
 *                        Nyquist frequency: value1 = where the pass band ends, value2 = where
 *                        the stop band begins, 0 <= value1 <= value2 <= 100, value2 > 0
 *                        (lame_set_lowpassfreq = value2 %, lame_set_lowpasswidth = value2 -
 *                        value1 %). When set it replaces CFG_LOWPASS.
 *   CFG_EMPHASIS         EMPH_NONE, EMPH_50_15MS, EMPH_CCITT written into the frame headers.
 *   CFG_FORCE_RATE       output sampling rate (44100; any MPEG rate is taken), LAME resamples.
 *                        Without it the output's rate follows the input's as described above
 *                        (Input files).
 *   CFG_OUTPUT_FORMAT    FORMAT_MP3 only; the RIFF-wrapped formats are refused by
 *                        MPGE_detectConfigure with RESULT_UNSUPPORTED.
 *   CFG_CPU_COUNT        0..256 accepted; LAME encodes on the calling thread.
 *   CFG_MS_SETTING       threshold and power, each 0..100, checked and kept; LAME decides
 *                        mid/side per frame itself and has no setting for either.
 *   CFG_UNIT_*           accepted and ignored: LAME picks its SIMD code at run time.
 * Not set: no input/output, 128 kbit/s CBR, joint stereo, psychoacoustics off, low-pass on,
 * no emphasis, MP3 output. LAME's ReplayGain analysis and on-the-fly decoding are off; no ID3
 * tag is written. The first frame of the stream is the LAME info frame, for CBR ("Info") and
 * VBR ("Xing") alike: frame and byte counts, the seek table, and the encoder delay and padding,
 * from which players show the exact playing time and gapless decoders (ffmpeg, foobar2000,
 * Rockbox, iTunes) give back exactly the input's sample frames.
 */
#ifndef GOGO_H
#define GOGO_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t MERET;
typedef uint32_t MPARAM;
typedef uintptr_t UPARAM;

/* Result codes. */
#define RESULT_OK 0               /* done; MPGE_processFrame: one frame done, more follow */
#define RESULT_END_OF_INPUT 1     /* MPGE_processFrame: input exhausted, stream complete */
#define RESULT_EXCEPTION 10       /* an unexpected internal failure (e.g. out of memory) */
#define RESULT_PARAM_ERROR 11     /* unknown item, value out of range, null address */
#define RESULT_SEQUENCE_ERROR 12  /* call out of order (e.g. a frame before detectConfigure) */
#define RESULT_INPUT_NOT_FOUND 13 /* no input given, or not a file that can be opened */
#define RESULT_OUTPUT_ERROR 14    /* no output given, or not a regular file that can be created */
#define RESULT_FORMAT_ERROR 15    /* input not encodable PCM (kind, rate, channels, empty) */
#define RESULT_BITRATE_ERROR 16   /* bit rate not valid for the output's MPEG version */
#define RESULT_UNSUPPORTED 17     /* valid but not provided here (RIFF-wrapped output) */
#define RESULT_READ_ERROR 18      /* reading the input failed during the encode */
#define RESULT_WRITE_ERROR 19     /* writing, syncing or closing the output failed (disk full) */
#define RESULT_ENCODER_ERROR 20   /* LAME refused the parameters or failed while encoding */

/* Configuration items of MPGE_setConfigure (value1, value2). */
#define CFG_INPUT 1              /* INPUT_FILE, const char* UTF-8 path | INPUT_READER, record* */
#define CFG_OUTPUT 2             /* OUTPUT_FILE, const char* UTF-8 path */
#define CFG_CHANNEL_MODE 3       /* MODE_*, 0 */
#define CFG_BITRATE 4            /* kbit/s, 0 */
#define CFG_FORCE_RATE 6         /* Hz, 0 */
#define CFG_PSYCHOACOUSTICS 8    /* flag, 0 */
#define CFG_LOWPASS 9            /* flag, 0 */
#define CFG_UNIT_MMX 10          /* flag, 0 (ignored) */
#define CFG_UNIT_3DNOW 11        /* flag, 0 (ignored) */
#define CFG_UNIT_KNI 12          /* flag, 0 (ignored) */
#define CFG_UNIT_EX_3DNOW 13     /* flag, 0 (ignored) */
#define CFG_UNIT_SPC1 14         /* flag, 0 (ignored) */
#define CFG_UNIT_SPC2 15         /* flag, 0 (ignored) */
#define CFG_EMPHASIS 17          /* EMPH_*, 0 */
#define CFG_VBR_LEVEL 18         /* 0..9, 0 */
#define CFG_CPU_COUNT 19         /* count, 0 */
#define CFG_OUTPUT_FORMAT 26     /* FORMAT_*, 0 */
#define CFG_VBR_BITRATE_RANGE 30 /* low kbit/s, high kbit/s */
#define CFG_EXT_FILTER 31        /* pass-band end %, stop-band start % */
#define CFG_MS_SETTING 32        /* threshold 0..100, power 0..100 */

/* Items of MPGE_getConfigure (a separate code space). */
#define GET_FRAME_COUNT                                                                            \
  15 /* int32_t: number of MPGE_processFrame calls of the configured                               \
        encode, the last one being the one that returns                                            \
        RESULT_END_OF_INPUT; 0 when the input's length is unknown */

/* Values. */
#define INPUT_FILE 0
#define INPUT_READER 2
#define OUTPUT_FILE 0
#define MODE_MONO 0
#define MODE_STEREO 1
#define MODE_JOINT 2
#define MODE_MSSTEREO 3
#define MODE_DUALCHANNEL 4
#define EMPH_NONE 0
#define EMPH_50_15MS 1
#define EMPH_CCITT 3
#define FORMAT_MP3 0
#define FORMAT_RIFF_WAVE 1
#define FORMAT_RIFF_RMP 2

/* Processor-unit bits of MPGE_getUnitStates (x86 cpuid; 0 elsewhere). */
#define UNIT_FPU 0x01
#define UNIT_MMX 0x02
#define UNIT_3DNOW 0x04
#define UNIT_KNI 0x08 /* SSE */
#define UNIT_EX_3DNOW 0x20
#define UNIT_SSE2 0x40

/* Reader function for INPUT_READER: fill exactly `bytes` bytes of `buffer` with interleaved
 * little-endian PCM and return 0, or return 1 when the input is exhausted (nothing filled). */
typedef int32_t (*MPGE_READER)(void* buffer, int32_t bytes);

/* Reader record passed by address with CFG_INPUT / INPUT_READER; copied by the call. Five
 * fields in this order; on this 64-bit platform the first one is pointer-sized (8 bytes),
 * the other four are 32-bit. */
typedef struct MPGE_READER_RECORD {
  MPGE_READER reader;
  int32_t totalSize; /* bytes of PCM to be read, or -1 when unknown (read until exhausted) */
  int32_t bits;      /* 16 */
  int32_t rate;      /* 8000..48000 Hz */
  int32_t channels;  /* 1 or 2 */
} MPGE_READER_RECORD;

/* Resets the configuration to its defaults and frees any coder left from an earlier encode. */
MERET MPGE_initializeWork(void);
/* Stores one item; RESULT_PARAM_ERROR for an unknown item or a value out of range (the value
 * is kept and MPGE_detectConfigure refuses it too). Paths and records are copied. */
MERET MPGE_setConfigure(MPARAM item, UPARAM value1, UPARAM value2);
/* GET_FRAME_COUNT only; `value` points to an int32_t. RESULT_SEQUENCE_ERROR (and 0 written)
 * before a successful MPGE_detectConfigure. */
MERET MPGE_getConfigure(MPARAM item, void* value);
/* Checks the whole configuration, opens the input, sets up LAME and creates the output, in
 * that order; on failure nothing is left open or created. */
MERET MPGE_detectConfigure(void);
/* Reads one frame's worth of input (1152 samples per channel when the output is 32..48 kHz,
 * 576 when it is 8..24 kHz), encodes it and writes what LAME returns (a float input's first
 * calls read it for its peak instead, see Input files). RESULT_END_OF_INPUT once
 * the input is exhausted and everything is flushed; any other code is a failure, repeated by
 * later calls. The output keeps what was written. */
MERET MPGE_processFrame(void);
/* Finishes the stream (flushing an unfinished encode), writes the LAME/Xing info frame over
 * the first frame, syncs the output to the disk and closes both files. Every step runs; the
 * result is RESULT_OK only when all of them, and the encode before, succeeded: otherwise the
 * encode's own failure or RESULT_WRITE_ERROR. */
MERET MPGE_closeCoder(void);
/* Frees the encoder (closing the files first if MPGE_closeCoder was not called). */
MERET MPGE_endCoder(void);
/* Processor-unit bits (UNIT_*). */
MERET MPGE_getUnitStates(uint32_t* units);
/* Version code (560 or more) and a NUL-terminated text of at most 511 bytes naming the LAME
 * and libsndfile versions. */
MERET MPGE_getVersion(uint32_t* code, char* text /* 512 bytes */);

#ifdef __cplusplus
}
#endif

#endif

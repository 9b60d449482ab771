// The run-time binding to the encoder module libgogo.so and the numbers exchanged
// with it (configuration items, result codes, processor-unit bits).
//
// The module is found by its plain name first (the executable's RUNPATH names its own folder),
// then at the full path stored as INSTPATH in the user's "MarineCat/GOGO_DLL" settings. Load
// and unload run on the main thread only; the binding state has no lock.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

using MERET = std::int32_t;
using MPARAM = std::uint32_t;
using UPARAM = std::uintptr_t;

// Configuration items of MPGE_setConfigure.
constexpr MPARAM CFG_INPUT = 1;
constexpr MPARAM CFG_OUTPUT = 2;
constexpr MPARAM CFG_CHANNEL_MODE = 3;
constexpr MPARAM CFG_BITRATE = 4;
constexpr MPARAM CFG_FORCE_RATE = 6;
constexpr MPARAM CFG_PSYCHOACOUSTICS = 8;
constexpr MPARAM CFG_LOWPASS = 9;
constexpr MPARAM CFG_UNIT_MMX = 10;
constexpr MPARAM CFG_UNIT_3DNOW = 11;
constexpr MPARAM CFG_UNIT_KNI = 12;
constexpr MPARAM CFG_UNIT_EX_3DNOW = 13;
constexpr MPARAM CFG_UNIT_SPC1 = 14;
constexpr MPARAM CFG_UNIT_SPC2 = 15;
constexpr MPARAM CFG_EMPHASIS = 17;
constexpr MPARAM CFG_VBR_LEVEL = 18;
constexpr MPARAM CFG_CPU_COUNT = 19;
constexpr MPARAM CFG_OUTPUT_FORMAT = 26;
constexpr MPARAM CFG_VBR_BITRATE_RANGE = 30;
constexpr MPARAM CFG_EXT_FILTER = 31;
constexpr MPARAM CFG_MS_SETTING = 32;

// Value 1 of CFG_INPUT / CFG_OUTPUT.
constexpr UPARAM INPUT_FROM_FILE = 0;
constexpr UPARAM INPUT_FROM_READER = 2;
constexpr UPARAM OUTPUT_TO_FILE = 0;

// Item of MPGE_getConfigure (a separate code space from MPGE_setConfigure).
constexpr MPARAM GET_FRAME_COUNT = 15;

constexpr MERET RESULT_OK = 0;
constexpr MERET RESULT_END_OF_INPUT = 1;
// Recorded by the engine itself when a library call throws instead of returning.
constexpr MERET RESULT_EXCEPTION = 10;

// Processor-unit bits of MPGE_getUnitStates.
constexpr std::uint32_t UNIT_MMX = 0x02;
constexpr std::uint32_t UNIT_3DNOW = 0x04;
constexpr std::uint32_t UNIT_KNI = 0x08;
constexpr std::uint32_t UNIT_EX_3DNOW = 0x20;

// Version codes from which optional items are understood.
constexpr std::uint32_t VERSION_OUTPUT_FORMAT = 550;
constexpr std::uint32_t VERSION_EXTENDED_ITEMS = 560;

constexpr int VERSION_TEXT_SIZE = 512;

// Memory input: the library calls the reader whenever it needs PCM bytes. Returns 0 when the
// buffer was filled, 1 when the input is exhausted.
using GogoReaderFunction = MERET (*)(void* buffer, std::int32_t wanted);

// What the module's optional input probe learns of a file (its GOGO_INPUT_INFO), and why it
// cannot be encoded.
struct GogoInputInfo {
  std::int32_t reason = 0;
  std::int32_t container = 0;
  std::int32_t samples = 0;
  std::int32_t bits = 0;
  std::int32_t rate = 0;
  std::int32_t channels = 0;
  std::int64_t frames = -1;
  std::int32_t encodeRate = 0;
  std::int32_t reserved = 0;
};
static_assert(sizeof(GogoInputInfo) == 40, "the module's GOGO_INPUT_INFO");
enum GogoInputReason : std::int32_t {
  GOGO_INPUT_OK = 0,
  GOGO_INPUT_NOT_FOUND = 1,
  GOGO_INPUT_UNREADABLE = 2,
  GOGO_INPUT_NOT_REGULAR = 3,
  GOGO_INPUT_NOT_AUDIO = 4,
  GOGO_INPUT_ENCODING = 5,
  GOGO_INPUT_CHANNELS = 6,
  GOGO_INPUT_RATE = 7,
  GOGO_INPUT_NO_AUDIO = 8,
};

// Passed by address as value 2 of CFG_INPUT with INPUT_FROM_READER.
struct GogoReaderRecord {
  GogoReaderFunction reader = nullptr;
  std::int32_t totalSize = -1; // not given
  std::int32_t bitsPerSample = 16;
  std::int32_t samplingRate = 44100;
  std::int32_t channels = 2;
};

using PFN_MPGE_initializeWork = MERET (*)();
using PFN_MPGE_setConfigure = MERET (*)(MPARAM item, UPARAM value1, UPARAM value2);
using PFN_MPGE_getConfigure = MERET (*)(MPARAM item, void* value);
using PFN_MPGE_detectConfigure = MERET (*)();
using PFN_MPGE_processFrame = MERET (*)();
using PFN_MPGE_closeCoder = MERET (*)();
using PFN_MPGE_endCoder = MERET (*)();
using PFN_MPGE_getUnitStates = MERET (*)(std::uint32_t* units);
using PFN_MPGE_getVersion = MERET (*)(std::uint32_t* code, char* text);
using PFN_gogo_probeInput = MERET (*)(const char* path, GogoInputInfo* info);

// The module's independent encoder handles (its GOGO_HANDLE); opaque here.
struct GogoHandle;
using PFN_gogo_create = GogoHandle* (*)();
using PFN_gogo_destroy = void (*)(GogoHandle* handle);
using PFN_gogo_call = MERET (*)(GogoHandle* handle);
using PFN_gogo_setConfigure = MERET (*)(GogoHandle* handle, MPARAM item, UPARAM value1,
                                        UPARAM value2);
using PFN_gogo_getConfigure = MERET (*)(GogoHandle* handle, MPARAM item, void* value);

// The module's loudness measures (its GOGO_LOUDNESS); opaque here.
struct GogoLoudness;
using PFN_gogo_defaultHandle = GogoHandle* (*)();
using PFN_gogo_setMeasureLoudness = MERET (*)(GogoHandle* handle, std::int32_t measure);
using PFN_gogo_takeLoudness = GogoLoudness* (*)(GogoHandle* handle);
using PFN_gogo_measureLoudness = MERET (*)(GogoLoudness* const* measures, std::int32_t count,
                                           double* lufs, double* peak);
using PFN_gogo_freeLoudness = void (*)(GogoLoudness* measure);

// The nine entry points; valid only while the library is bound.
namespace EncoderModule {
extern PFN_MPGE_initializeWork MPGE_initializeWork;
extern PFN_MPGE_setConfigure MPGE_setConfigure;
extern PFN_MPGE_getConfigure MPGE_getConfigure;
extern PFN_MPGE_detectConfigure MPGE_detectConfigure;
extern PFN_MPGE_processFrame MPGE_processFrame;
extern PFN_MPGE_closeCoder MPGE_closeCoder;
extern PFN_MPGE_endCoder MPGE_endCoder;
extern PFN_MPGE_getUnitStates MPGE_getUnitStates;
extern PFN_MPGE_getVersion MPGE_getVersion;
// Optional: null for a module without it.
extern PFN_gogo_probeInput gogo_probeInput;
// Optional as a whole: all null unless the module has every one. Each works like the MPGE_
// call of its name on one handle; different handles may encode on different threads at once.
extern PFN_gogo_create gogo_create;
extern PFN_gogo_destroy gogo_destroy;
extern PFN_gogo_call gogo_initializeWork;
extern PFN_gogo_setConfigure gogo_setConfigure;
extern PFN_gogo_getConfigure gogo_getConfigure;
extern PFN_gogo_call gogo_detectConfigure;
extern PFN_gogo_call gogo_processFrame;
extern PFN_gogo_call gogo_closeCoder;
extern PFN_gogo_call gogo_endCoder;
// Optional as a whole, and only with the handles: the encode's loudness, measured in its own
// pass, for the default coder (gogo_defaultHandle) and the handles alike.
extern PFN_gogo_defaultHandle gogo_defaultHandle;
extern PFN_gogo_setMeasureLoudness gogo_setMeasureLoudness;
extern PFN_gogo_takeLoudness gogo_takeLoudness;
extern PFN_gogo_measureLoudness gogo_measureLoudness;
extern PFN_gogo_freeLoudness gogo_freeLoudness;
} // namespace EncoderModule

// The calls of one encode, on the module's own coder (`handle` null: the MPGE_ entry points) or
// on an encoder handle of its own. A C++ exception escaping the module counts as its
// RESULT_EXCEPTION; processor faults (signals) cannot be absorbed here.
MERET DetectConfigure(GogoHandle* handle);
MERET ProcessFrame(GogoHandle* handle);
// Closes the coder of an encode that ends for any reason and ends it, and gives the close's
// result: the final flush, the info frame and the sync to disk happen there, so a failed close
// means the file is not what it should be. The end runs even when the close throws.
MERET CloseCoder(GogoHandle* handle);

// True when the bound module has encoder handles, so that encodes can run at once.
bool EncoderHandlesBound();
// True when the bound module measures the loudness of its encodes.
bool EncoderLoudnessBound();

// Puts the calling thread's floating-point environment in the state the encoder expects: every
// exception masked, rounding to nearest.
void EnterEncoderFloatingPoint();

// Takes one reference on the library, binding it on the first. True when it is bound with all
// nine entry points. A failed load reports nothing itself.
bool LoadEncoderLibrary();
// Drops one reference; the library is freed when the count goes from 1 to 0. An unload
// without a matching load leaves the count below 0, which the next load treats as unbound.
void UnloadEncoderLibrary();
// The INSTPATH text the library was loaded from; empty when it came by its plain name or is
// not loaded.
QString EncoderLibraryPath();
// Program end, after every encoder component is gone: frees the library whatever the count.
void ReleaseEncoderLibrary();

// Observers and a hook for tests: the current count, whether a module is held, and the plain
// name tried first ("libgogo.so" unless replaced).
int EncoderLibraryRefCount();
bool EncoderLibraryBound();
void SetEncoderLibraryPlainName(const QByteArray& name);

// The exported entry points. Each encode lives in a handle: its configuration and the
// running encode in one object guarded by a mutex, so the frame and close calls may come from
// another thread than the configuration calls. The MPGE_ functions use a default handle.
#include "gogo.h"
#include "gogo_ex.h"

#include "CpuUnits.h"
#include "EncoderRun.h"
#include "EncoderSettings.h"
#include "SndfileSource.h"

#include <lame/lame.h>
#include <sndfile.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#define GOGO_API extern "C" __attribute__((visibility("default")))

struct GOGO_HANDLE {
  std::mutex mutex;
  gogo::EncoderSettings settings;
  std::unique_ptr<gogo::EncoderRun> run;
  // The loudness of the last encode that closed without a failure, until the next one starts.
  std::unique_ptr<gogo::LoudnessMeter> loudness;
};

struct GOGO_LOUDNESS {
  std::unique_ptr<gogo::LoudnessMeter> meter;
};

namespace {

constexpr std::uint32_t kVersionCode = 560;

GOGO_HANDLE& defaultHandle() {
  static GOGO_HANDLE handle;
  return handle;
}

// Runs `f` under the handle's lock; anything thrown becomes RESULT_EXCEPTION.
template <typename F> MERET guarded(GOGO_HANDLE* h, F&& f) noexcept {
  if (h == nullptr) {
    return RESULT_PARAM_ERROR;
  }
  try {
    std::lock_guard lock(h->mutex);
    return f(*h);
  } catch (...) {
    return RESULT_EXCEPTION;
  }
}

} // namespace

GOGO_API MERET gogo_initializeWork(GOGO_HANDLE* handle) {
  return guarded(handle, [](GOGO_HANDLE& h) {
    h.run.reset();
    h.loudness.reset();
    h.settings = gogo::EncoderSettings{};
    return RESULT_OK;
  });
}

GOGO_API MERET gogo_setConfigure(GOGO_HANDLE* handle, MPARAM item, UPARAM value1, UPARAM value2) {
  return guarded(handle, [&](GOGO_HANDLE& h) {
    if (h.run) {
      return RESULT_SEQUENCE_ERROR; // the running encode keeps its configuration
    }
    return h.settings.store(item, value1, value2);
  });
}

GOGO_API MERET gogo_getConfigure(GOGO_HANDLE* handle, MPARAM item, void* value) {
  return guarded(handle, [&](GOGO_HANDLE& h) {
    if (item != GET_FRAME_COUNT || value == nullptr) {
      return RESULT_PARAM_ERROR;
    }
    auto* out = static_cast<std::int32_t*>(value);
    *out = h.run ? h.run->frameCount() : 0;
    return h.run ? RESULT_OK : RESULT_SEQUENCE_ERROR;
  });
}

GOGO_API MERET gogo_detectConfigure(GOGO_HANDLE* handle) {
  return guarded(handle, [](GOGO_HANDLE& h) {
    if (h.run) {
      return RESULT_SEQUENCE_ERROR;
    }
    MERET result = RESULT_OK;
    h.run = gogo::EncoderRun::start(h.settings, result);
    return result;
  });
}

GOGO_API MERET gogo_processFrame(GOGO_HANDLE* handle) {
  return guarded(
      handle, [](GOGO_HANDLE& h) { return h.run ? h.run->processFrame() : RESULT_SEQUENCE_ERROR; });
}

GOGO_API MERET gogo_closeCoder(GOGO_HANDLE* handle) {
  return guarded(handle, [](GOGO_HANDLE& h) {
    if (!h.run) {
      return RESULT_SEQUENCE_ERROR;
    }
    const MERET result = h.run->finish();
    if (result == RESULT_OK) {
      h.loudness = h.run->takeLoudness();
    }
    return result;
  });
}

GOGO_API MERET gogo_endCoder(GOGO_HANDLE* handle) {
  return guarded(handle, [](GOGO_HANDLE& h) {
    h.run.reset();
    return RESULT_OK;
  });
}

GOGO_API MERET gogo_setSampleRange(GOGO_HANDLE* handle, int64_t first, int64_t count) {
  return guarded(handle, [&](GOGO_HANDLE& h) {
    if (h.run) {
      return RESULT_SEQUENCE_ERROR;
    }
    h.settings.range = gogo::EncoderSettings::SampleRange{first, count};
    return first >= 0 && count >= 1 ? RESULT_OK : RESULT_PARAM_ERROR;
  });
}

GOGO_API MERET gogo_setMeasureLoudness(GOGO_HANDLE* handle, int32_t measure) {
  return guarded(handle, [&](GOGO_HANDLE& h) {
    if (h.run) {
      return RESULT_SEQUENCE_ERROR;
    }
    h.settings.measureLoudness = measure != 0;
    return RESULT_OK;
  });
}

GOGO_API GOGO_LOUDNESS* gogo_takeLoudness(GOGO_HANDLE* handle) {
  GOGO_LOUDNESS* taken = nullptr;
  guarded(handle, [&](GOGO_HANDLE& h) {
    if (h.loudness) {
      taken = new GOGO_LOUDNESS{std::move(h.loudness)};
    }
    return RESULT_OK;
  });
  return taken;
}

GOGO_API MERET gogo_measureLoudness(GOGO_LOUDNESS* const* measures, int32_t count, double* lufs,
                                    double* peak) {
  if (measures == nullptr || count < 1 || lufs == nullptr || peak == nullptr) {
    return RESULT_PARAM_ERROR;
  }
  try {
    std::vector<const gogo::LoudnessMeter*> meters;
    for (int32_t i = 0; i < count; ++i) {
      if (measures[i] == nullptr) {
        return RESULT_PARAM_ERROR;
      }
      meters.push_back(measures[i]->meter.get());
    }
    return gogo::LoudnessMeter::measure(meters, *lufs, *peak) ? RESULT_OK : RESULT_EXCEPTION;
  } catch (...) {
    return RESULT_EXCEPTION;
  }
}

GOGO_API void gogo_freeLoudness(GOGO_LOUDNESS* measure) {
  delete measure;
}

GOGO_API GOGO_HANDLE* gogo_defaultHandle(void) {
  return &defaultHandle();
}

GOGO_API GOGO_HANDLE* gogo_create(void) {
  return new (std::nothrow) GOGO_HANDLE;
}

GOGO_API void gogo_destroy(GOGO_HANDLE* handle) {
  gogo_endCoder(handle);
  delete handle;
}

GOGO_API MERET gogo_probeInput(const char* path, GOGO_INPUT_INFO* info) {
  if (path == nullptr || info == nullptr) {
    return RESULT_PARAM_ERROR;
  }
  try {
    gogo::SndfileSource::open(path, *info);
    return RESULT_OK;
  } catch (...) {
    return RESULT_EXCEPTION;
  }
}

GOGO_API MERET gogo_probeOutput(const char* path, int32_t* reason) {
  if (path == nullptr || reason == nullptr) {
    return RESULT_PARAM_ERROR;
  }
  try {
    struct stat st {};
    if (::stat(path, &st) == 0) {
      *reason = !S_ISREG(st.st_mode)        ? GOGO_OUTPUT_NOT_REGULAR
                : ::access(path, W_OK) != 0 ? GOGO_OUTPUT_DENIED
                                            : GOGO_OUTPUT_OK;
      return RESULT_OK;
    }
    const std::string p(path);
    if (p.empty()) {
      *reason = GOGO_OUTPUT_NO_FOLDER;
      return RESULT_OK;
    }
    const auto slash = p.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : p.substr(0, slash);
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      *reason = GOGO_OUTPUT_NO_FOLDER;
    } else {
      *reason = ::access(folder.c_str(), W_OK | X_OK) != 0 ? GOGO_OUTPUT_DENIED : GOGO_OUTPUT_OK;
    }
    return RESULT_OK;
  } catch (...) {
    return RESULT_EXCEPTION;
  }
}

GOGO_API MERET MPGE_initializeWork(void) {
  return gogo_initializeWork(&defaultHandle());
}

GOGO_API MERET MPGE_setConfigure(MPARAM item, UPARAM value1, UPARAM value2) {
  return gogo_setConfigure(&defaultHandle(), item, value1, value2);
}

GOGO_API MERET MPGE_getConfigure(MPARAM item, void* value) {
  return gogo_getConfigure(&defaultHandle(), item, value);
}

GOGO_API MERET MPGE_detectConfigure(void) {
  return gogo_detectConfigure(&defaultHandle());
}

GOGO_API MERET MPGE_processFrame(void) {
  return gogo_processFrame(&defaultHandle());
}

GOGO_API MERET MPGE_closeCoder(void) {
  return gogo_closeCoder(&defaultHandle());
}

GOGO_API MERET MPGE_endCoder(void) {
  return gogo_endCoder(&defaultHandle());
}

GOGO_API MERET MPGE_getUnitStates(uint32_t* units) {
  if (units == nullptr) {
    return RESULT_PARAM_ERROR;
  }
  *units = gogo::cpuUnits();
  return RESULT_OK;
}

GOGO_API MERET MPGE_getVersion(uint32_t* code, char* text) {
  if (code == nullptr || text == nullptr) {
    return RESULT_PARAM_ERROR;
  }
  *code = kVersionCode;
  std::snprintf(text, 512, "libgogo %u.%02u (LAME %s, %s)", kVersionCode / 100, kVersionCode % 100,
                get_lame_version(), sf_version_string());
  return RESULT_OK;
}

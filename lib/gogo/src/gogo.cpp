// The exported entry points. One encode per process at a time: the configuration and the
// running session live in one object guarded by a mutex, so the frame and close calls may come
// from another thread than the configuration calls.
#include "gogo.h"

#include "CpuUnits.h"
#include "EncodeSession.h"
#include "EncoderSettings.h"

#include <lame/lame.h>
#include <sndfile.h>

#include <cstdio>
#include <memory>
#include <mutex>

#define GOGO_API extern "C" __attribute__((visibility("default")))

namespace {

constexpr std::uint32_t kVersionCode = 560;

struct Library {
  std::mutex mutex;
  gogo::EncoderSettings settings;
  std::unique_ptr<gogo::EncodeSession> session;
};

Library& library() {
  static Library lib;
  return lib;
}

// Runs `f` under the library's lock; anything thrown becomes RESULT_EXCEPTION.
template <typename F> MERET guarded(F&& f) noexcept {
  try {
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    return f(lib);
  } catch (...) {
    return RESULT_EXCEPTION;
  }
}

} // namespace

GOGO_API MERET MPGE_initializeWork(void) {
  return guarded([](Library& lib) {
    lib.session.reset();
    lib.settings = gogo::EncoderSettings{};
    return RESULT_OK;
  });
}

GOGO_API MERET MPGE_setConfigure(MPARAM item, UPARAM value1, UPARAM value2) {
  return guarded([&](Library& lib) {
    if (lib.session) {
      return RESULT_SEQUENCE_ERROR; // the running encode keeps its configuration
    }
    return lib.settings.store(item, value1, value2);
  });
}

GOGO_API MERET MPGE_getConfigure(MPARAM item, void* value) {
  return guarded([&](Library& lib) {
    if (item != GET_FRAME_COUNT || value == nullptr) {
      return RESULT_PARAM_ERROR;
    }
    auto* out = static_cast<std::int32_t*>(value);
    *out = lib.session ? lib.session->frameCount() : 0;
    return lib.session ? RESULT_OK : RESULT_SEQUENCE_ERROR;
  });
}

GOGO_API MERET MPGE_detectConfigure(void) {
  return guarded([](Library& lib) {
    if (lib.session) {
      return RESULT_SEQUENCE_ERROR;
    }
    MERET result = RESULT_OK;
    lib.session = gogo::EncodeSession::start(lib.settings, result);
    return result;
  });
}

GOGO_API MERET MPGE_processFrame(void) {
  return guarded([](Library& lib) {
    return lib.session ? lib.session->processFrame() : RESULT_SEQUENCE_ERROR;
  });
}

GOGO_API MERET MPGE_closeCoder(void) {
  return guarded(
      [](Library& lib) { return lib.session ? lib.session->finish() : RESULT_SEQUENCE_ERROR; });
}

GOGO_API MERET MPGE_endCoder(void) {
  return guarded([](Library& lib) {
    lib.session.reset();
    return RESULT_OK;
  });
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

// Test access to the recording fake encoder module, and a private settings folder so the
// user's own "MarineCat/GOGO_DLL" entry is never read or written.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QThread>
#include <QVariant>

#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fake {

inline const char* const Path = FAKE_GOGO_PATH;
inline const char* const IncompletePath = FAKE_GOGO_INCOMPLETE_PATH;
inline const char* const MissingName = "libw2m-no-such-gogo.so";

// True when the module at path is mapped into the process.
inline bool isLoaded(const char* path) {
  void* h = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
  if (h == nullptr)
    return false;
  dlclose(h);
  return true;
}

// Holds the fake loaded for as long as it lives, so its log survives the binding's unloads.
class Handle {
public:
  Handle() : h_(dlopen(Path, RTLD_NOW | RTLD_LOCAL)) { reset(); }
  ~Handle() { dlclose(h_); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  void reset() { fn<void (*)()>("fake_reset")(); }
  void set(const char* key, long value) { fn<void (*)(const char*, long)>("fake_set")(key, value); }
  std::string log() { return fn<const char* (*)()>("fake_log")(); }
  long framesDone() { return fn<long (*)()>("fake_frames_done")(); }
  // Scheduling class (SCHED_*) of the thread that made the latest frame call; -1 before one.
  int framePolicy() { return fn<int (*)()>("fake_frame_policy")(); }
  std::uintptr_t inputValue2() { return fn<std::uintptr_t (*)()>("fake_input_value2")(); }

private:
  template <typename F> F fn(const char* name) { return reinterpret_cast<F>(dlsym(h_, name)); }
  void* h_;
};

inline void setInstallPath(const QVariant& value) {
  QSettings key(QSettings::NativeFormat, QSettings::UserScope, "MarineCat", "GOGO_DLL");
  if (value.isValid())
    key.setValue("INSTPATH", value);
  else
    key.remove("INSTPATH");
  key.sync();
}

// Dispatches posted events until cond holds; false when it did not within a generous bound.
template <typename F> bool waitFor(F cond) {
  QElapsedTimer timer;
  timer.start();
  while (!cond()) {
    if (timer.elapsed() > 20000)
      return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QThread::msleep(1);
  }
  return true;
}

// Runs before main: points the settings at a fresh folder for this process.
struct IsolatedConfig {
  IsolatedConfig() {
    char dir[] = "/tmp/w2m-encoder-test-XXXXXX";
    if (mkdtemp(dir) != nullptr) {
      path = dir;
      setenv("XDG_CONFIG_HOME", dir, 1);
      setenv("HOME", dir, 1);
    }
  }
  ~IsolatedConfig() {
    std::error_code ignored;
    if (!path.empty())
      std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path path;
};
inline IsolatedConfig isolatedConfig;

} // namespace fake

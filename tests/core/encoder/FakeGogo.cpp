// A recording stand-in for libgogo.so: every entry point appends a line to a log that tests read
// through fake_log(), and the results are scripted with fake_set(). Built a second time without
// MPGE_getVersion to check that an incomplete module is refused.
#include "gogo.h"

#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <sched.h>
#include <stdexcept>
#include <string>
#include <thread>

#define FAKE_API extern "C" __attribute__((visibility("default")))

namespace {

std::mutex lock;
std::string log;
std::string logCopy;
std::map<std::string, long> script;
long framesDone = 0;
UPARAM inputValue2 = 0;
int framePolicy = -1; // scheduling class of the thread of the latest frame call

long get(const char* key) {
  auto it = script.find(key);
  return it == script.end() ? 0 : it->second;
}

void resetLocked() {
  log.clear();
  framesDone = 0;
  inputValue2 = 0;
  framePolicy = -1;
  script = {{"frames", 10},     {"failAt", -1},      {"failCode", 0},      {"throwAt", -1},
            {"initResult", 0},  {"detectResult", 0}, {"detectThrows", 0},  {"units", 0x2E},
            {"unitsResult", 0}, {"version", 560},    {"versionResult", 0}, {"frameSleepUs", 0}};
}

void record(const std::string& line) {
  log += line;
  log += '\n';
}

struct Init {
  Init() { resetLocked(); }
} init;

} // namespace

FAKE_API void fake_reset(void) {
  std::lock_guard g(lock);
  resetLocked();
}

FAKE_API void fake_set(const char* key, long value) {
  std::lock_guard g(lock);
  script[key] = value;
}

FAKE_API const char* fake_log(void) {
  std::lock_guard g(lock);
  logCopy = log;
  return logCopy.c_str();
}

FAKE_API long fake_frames_done(void) {
  std::lock_guard g(lock);
  return framesDone;
}

FAKE_API int fake_frame_policy(void) {
  std::lock_guard g(lock);
  return framePolicy;
}

FAKE_API UPARAM fake_input_value2(void) {
  std::lock_guard g(lock);
  return inputValue2;
}

FAKE_API MERET MPGE_initializeWork(void) {
  std::lock_guard g(lock);
  record("init");
  framesDone = 0;
  return static_cast<MERET>(get("initResult"));
}

FAKE_API MERET MPGE_setConfigure(MPARAM item, UPARAM value1, UPARAM value2) {
  std::lock_guard g(lock);
  std::string line = "set " + std::to_string(item) + " " + std::to_string(value1) + " ";
  if ((item == 1 || item == 2) && value1 == 0)
    line += reinterpret_cast<const char*>(value2);
  else if (item == 1 && value1 == 2)
    line += "reader";
  else
    line += std::to_string(value2);
  if (item == 1)
    inputValue2 = value2;
  record(line);
  return 0;
}

FAKE_API MERET MPGE_getConfigure(MPARAM item, void* value) {
  std::lock_guard g(lock);
  record("get " + std::to_string(item));
  if (item == 15)
    *static_cast<int32_t*>(value) = static_cast<int32_t>(get("frames"));
  return 0;
}

FAKE_API MERET MPGE_detectConfigure(void) {
  {
    std::lock_guard g(lock);
    record("detect");
    if (get("detectThrows") == 0)
      return static_cast<MERET>(get("detectResult"));
  }
  throw std::runtime_error("detect");
}

// Frames are counted, not logged: an encode may run for millions of them.
FAKE_API MERET MPGE_processFrame(void) {
  long sleepUs;
  MERET result = 0;
  bool throwNow = false;
  {
    std::lock_guard g(lock);
    const long n = ++framesDone;
    framePolicy = sched_getscheduler(0);
    sleepUs = get("frameSleepUs");
    if (n == get("throwAt"))
      throwNow = true;
    else if (n == get("failAt"))
      result = static_cast<MERET>(get("failCode"));
    else if (n >= get("frames"))
      result = 1;
  }
  if (sleepUs > 0)
    std::this_thread::sleep_for(std::chrono::microseconds(sleepUs));
  if (throwNow)
    throw std::runtime_error("frame");
  return result;
}

FAKE_API MERET MPGE_closeCoder(void) {
  std::lock_guard g(lock);
  record("close");
  return static_cast<MERET>(get("closeResult"));
}

FAKE_API MERET MPGE_endCoder(void) {
  std::lock_guard g(lock);
  record("end");
  return 0;
}

FAKE_API MERET MPGE_getUnitStates(uint32_t* units) {
  std::lock_guard g(lock);
  record("units");
  *units = static_cast<uint32_t>(get("units"));
  return static_cast<MERET>(get("unitsResult"));
}

#ifndef FAKE_GOGO_INCOMPLETE
FAKE_API MERET MPGE_getVersion(uint32_t* code, char* text) {
  std::lock_guard g(lock);
  record("version");
  *code = static_cast<uint32_t>(get("version"));
  std::strcpy(text, "fake 1.0");
  return static_cast<MERET>(get("versionResult"));
}
#endif

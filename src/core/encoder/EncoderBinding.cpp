#include "core/encoder/EncoderBinding.h"

#include <QFile>
#include <QMetaType>
#include <QSettings>
#include <QVariant>

#include <dlfcn.h>

#include <cfenv>
#include <cstddef>
#include <vector>

namespace EncoderModule {
PFN_MPGE_initializeWork MPGE_initializeWork = nullptr;
PFN_MPGE_setConfigure MPGE_setConfigure = nullptr;
PFN_MPGE_getConfigure MPGE_getConfigure = nullptr;
PFN_MPGE_detectConfigure MPGE_detectConfigure = nullptr;
PFN_MPGE_processFrame MPGE_processFrame = nullptr;
PFN_MPGE_closeCoder MPGE_closeCoder = nullptr;
PFN_MPGE_endCoder MPGE_endCoder = nullptr;
PFN_MPGE_getUnitStates MPGE_getUnitStates = nullptr;
PFN_MPGE_getVersion MPGE_getVersion = nullptr;
PFN_gogo_probeInput gogo_probeInput = nullptr;
PFN_gogo_create gogo_create = nullptr;
PFN_gogo_destroy gogo_destroy = nullptr;
PFN_gogo_call gogo_initializeWork = nullptr;
PFN_gogo_setConfigure gogo_setConfigure = nullptr;
PFN_gogo_getConfigure gogo_getConfigure = nullptr;
PFN_gogo_call gogo_detectConfigure = nullptr;
PFN_gogo_call gogo_processFrame = nullptr;
PFN_gogo_call gogo_closeCoder = nullptr;
PFN_gogo_call gogo_endCoder = nullptr;
PFN_gogo_defaultHandle gogo_defaultHandle = nullptr;
PFN_gogo_setMeasureLoudness gogo_setMeasureLoudness = nullptr;
PFN_gogo_takeLoudness gogo_takeLoudness = nullptr;
PFN_gogo_measureLoudness gogo_measureLoudness = nullptr;
PFN_gogo_freeLoudness gogo_freeLoudness = nullptr;
} // namespace EncoderModule

namespace {

void* libraryHandle = nullptr;
std::int32_t referenceCount = 0;
QString libraryPath;
QByteArray plainName = QByteArrayLiteral("libgogo.so");

// The INSTPATH value, or empty text when the key or value is missing. Only a string value is
// taken: on this platform the settings file may hold a byte array, a number or a list, and the
// load then fails as it does when the value cannot be read as text.
QString readInstallPath() {
  QSettings key(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("MarineCat"),
                QStringLiteral("GOGO_DLL"));
  const QVariant value = key.value(QStringLiteral("INSTPATH"));
  if (value.typeId() != QMetaType::QString)
    return {};
  return value.toString();
}

// Opens the module by its plain name with the program's own search order (its RUNPATH). When
// dlopen is interposed, as sanitizer runtimes do, the search starts from the interposing
// library instead, so the program's search list is walked here as well.
void* openByPlainName(const QByteArray& name) {
  if (void* handle = dlopen(name.constData(), RTLD_NOW | RTLD_LOCAL))
    return handle;
  if (name.contains('/'))
    return nullptr;
  void* program = dlopen(nullptr, RTLD_NOW);
  Dl_serinfo size;
  if (program == nullptr || dlinfo(program, RTLD_DI_SERINFOSIZE, &size) != 0)
    return nullptr;
  std::vector<std::max_align_t> storage(size.dls_size / sizeof(std::max_align_t) + 1);
  auto* info = reinterpret_cast<Dl_serinfo*>(storage.data());
  *info = size;
  void* handle = nullptr;
  if (dlinfo(program, RTLD_DI_SERINFO, info) == 0) {
    for (unsigned i = 0; i < info->dls_cnt && handle == nullptr; ++i) {
      const QByteArray path = QByteArray(info->dls_serpath[i].dls_name) + '/' + name;
      handle = dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    }
  }
  dlclose(program);
  return handle;
}

template <typename Fn> bool resolve(Fn& target, const char* name) {
  void* symbol = dlsym(libraryHandle, name);
  target = reinterpret_cast<Fn>(symbol);
  return symbol != nullptr;
}

void clearLoudnessEntries() {
  EncoderModule::gogo_defaultHandle = nullptr;
  EncoderModule::gogo_setMeasureLoudness = nullptr;
  EncoderModule::gogo_takeLoudness = nullptr;
  EncoderModule::gogo_measureLoudness = nullptr;
  EncoderModule::gogo_freeLoudness = nullptr;
}

void clearHandleEntries() {
  EncoderModule::gogo_create = nullptr;
  EncoderModule::gogo_destroy = nullptr;
  EncoderModule::gogo_initializeWork = nullptr;
  EncoderModule::gogo_setConfigure = nullptr;
  EncoderModule::gogo_getConfigure = nullptr;
  EncoderModule::gogo_detectConfigure = nullptr;
  EncoderModule::gogo_processFrame = nullptr;
  EncoderModule::gogo_closeCoder = nullptr;
  EncoderModule::gogo_endCoder = nullptr;
  clearLoudnessEntries();
}

void clearEntries() {
  EncoderModule::MPGE_initializeWork = nullptr;
  EncoderModule::MPGE_setConfigure = nullptr;
  EncoderModule::MPGE_getConfigure = nullptr;
  EncoderModule::MPGE_detectConfigure = nullptr;
  EncoderModule::MPGE_processFrame = nullptr;
  EncoderModule::MPGE_closeCoder = nullptr;
  EncoderModule::MPGE_endCoder = nullptr;
  EncoderModule::MPGE_getUnitStates = nullptr;
  EncoderModule::MPGE_getVersion = nullptr;
  EncoderModule::gogo_probeInput = nullptr;
  clearHandleEntries();
}

} // namespace

bool LoadEncoderLibrary() {
  if (referenceCount > 0) {
    ++referenceCount;
    return true;
  }
  libraryPath.clear();
  QString registryText;
  libraryHandle = openByPlainName(plainName);
  if (libraryHandle == nullptr) {
    registryText = readInstallPath();
    // Used as the module's full file path exactly as stored, nothing appended.
    if (!registryText.isEmpty())
      libraryHandle = dlopen(QFile::encodeName(registryText).constData(), RTLD_NOW | RTLD_LOCAL);
  }
  if (libraryHandle == nullptr)
    return false;

  const bool complete = resolve(EncoderModule::MPGE_initializeWork, "MPGE_initializeWork") &&
                        resolve(EncoderModule::MPGE_setConfigure, "MPGE_setConfigure") &&
                        resolve(EncoderModule::MPGE_getConfigure, "MPGE_getConfigure") &&
                        resolve(EncoderModule::MPGE_detectConfigure, "MPGE_detectConfigure") &&
                        resolve(EncoderModule::MPGE_processFrame, "MPGE_processFrame") &&
                        resolve(EncoderModule::MPGE_closeCoder, "MPGE_closeCoder") &&
                        resolve(EncoderModule::MPGE_endCoder, "MPGE_endCoder") &&
                        resolve(EncoderModule::MPGE_getUnitStates, "MPGE_getUnitStates") &&
                        resolve(EncoderModule::MPGE_getVersion, "MPGE_getVersion");
  if (!complete) {
    dlclose(libraryHandle);
    libraryHandle = nullptr;
    clearEntries();
    referenceCount = 0;
    return false;
  }
  // Modules without the probe still encode; refusals are then less precise.
  resolve(EncoderModule::gogo_probeInput, "gogo_probeInput");
  // Handles only as a whole set: a module with some of them is treated as one without.
  const bool handles = resolve(EncoderModule::gogo_create, "gogo_create") &&
                       resolve(EncoderModule::gogo_destroy, "gogo_destroy") &&
                       resolve(EncoderModule::gogo_initializeWork, "gogo_initializeWork") &&
                       resolve(EncoderModule::gogo_setConfigure, "gogo_setConfigure") &&
                       resolve(EncoderModule::gogo_getConfigure, "gogo_getConfigure") &&
                       resolve(EncoderModule::gogo_detectConfigure, "gogo_detectConfigure") &&
                       resolve(EncoderModule::gogo_processFrame, "gogo_processFrame") &&
                       resolve(EncoderModule::gogo_closeCoder, "gogo_closeCoder") &&
                       resolve(EncoderModule::gogo_endCoder, "gogo_endCoder");
  if (!handles)
    clearHandleEntries();
  const bool loudness =
      handles && resolve(EncoderModule::gogo_defaultHandle, "gogo_defaultHandle") &&
      resolve(EncoderModule::gogo_setMeasureLoudness, "gogo_setMeasureLoudness") &&
      resolve(EncoderModule::gogo_takeLoudness, "gogo_takeLoudness") &&
      resolve(EncoderModule::gogo_measureLoudness, "gogo_measureLoudness") &&
      resolve(EncoderModule::gogo_freeLoudness, "gogo_freeLoudness");
  if (!loudness)
    clearLoudnessEntries();
  referenceCount = 1;
  libraryPath = registryText;
  return true;
}

MERET DetectConfigure(GogoHandle* handle) {
  try {
    return handle != nullptr ? EncoderModule::gogo_detectConfigure(handle)
                             : EncoderModule::MPGE_detectConfigure();
  } catch (...) {
    return RESULT_EXCEPTION;
  }
}

MERET ProcessFrame(GogoHandle* handle) {
  try {
    return handle != nullptr ? EncoderModule::gogo_processFrame(handle)
                             : EncoderModule::MPGE_processFrame();
  } catch (...) {
    return RESULT_EXCEPTION;
  }
}

MERET CloseCoder(GogoHandle* handle) {
  MERET result = RESULT_EXCEPTION;
  try {
    result = handle != nullptr ? EncoderModule::gogo_closeCoder(handle)
                               : EncoderModule::MPGE_closeCoder();
  } catch (...) {
  }
  try {
    if (handle != nullptr)
      EncoderModule::gogo_endCoder(handle);
    else
      EncoderModule::MPGE_endCoder();
  } catch (...) {
  }
  return result;
}

bool EncoderLoudnessBound() {
  return EncoderModule::gogo_measureLoudness != nullptr;
}

bool EncoderHandlesBound() {
  return EncoderModule::gogo_create != nullptr;
}

void EnterEncoderFloatingPoint() {
  std::fesetenv(FE_DFL_ENV);
  std::fenv_t held;
  std::feholdexcept(&held);
  std::fesetround(FE_TONEAREST);
}

void UnloadEncoderLibrary() {
  if (referenceCount == 1 && libraryHandle != nullptr) {
    dlclose(libraryHandle);
    libraryHandle = nullptr;
    clearEntries();
  }
  --referenceCount;
}

QString EncoderLibraryPath() {
  return libraryPath;
}

void ReleaseEncoderLibrary() {
  referenceCount = 1;
  UnloadEncoderLibrary();
  libraryPath.clear();
}

int EncoderLibraryRefCount() {
  return referenceCount;
}
bool EncoderLibraryBound() {
  return libraryHandle != nullptr;
}
void SetEncoderLibraryPlainName(const QByteArray& name) {
  plainName = name;
}

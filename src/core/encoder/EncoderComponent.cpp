#include "core/encoder/EncoderComponent.h"
#include "core/fs/FsPath.h"

#include "core/encoder/EncodeEvent.h"
#include "core/encoder/EncodeThread.h"
#include "core/encoder/EncoderBinding.h"
#include "core/encoder/LoudnessMeasure.h"

#include <QCoreApplication>

EncoderError::EncoderError(const QString& message) : std::runtime_error(message.toStdString()) {}

namespace {

[[noreturn]] void raise(const char* message) {
  throw EncoderError(QString::fromUtf8(message));
}

} // namespace

EncoderComponent::EncoderComponent(QObject* owner, bool designing)
    : QObject(owner), designing_(designing) {
  if (designing_)
    return;

  if (!LoadEncoderLibrary()) {
    // The binding counts this unload as well, as destruction of a half-built component would.
    UnloadEncoderLibrary();
    raise(EncoderMessages::CannotInitialize);
  }
  libraryBound_ = true;
  dllPath_ = EncoderLibraryPath();

  worker_ = std::make_unique<EncodeThread>(this);
  worker_->start();
}

EncoderComponent::~EncoderComponent() {
  if (designing_)
    return;
  if (worker_) {
    worker_->PostThreadMessage(WM_ENCODE_QUIT);
    worker_->wait(QDeadlineTimer(200));
    worker_->RequestTermination();
    worker_->wait();
    worker_.reset();
  }
  // Notifications still queued for this object would otherwise reach a half-destroyed one.
  QCoreApplication::removePostedEvents(this);
  if (libraryBound_)
    UnloadEncoderLibrary();
}

void EncoderComponent::checkNotEncoding() const {
  if (isEncoding_)
    raise(EncoderMessages::ChangeWhileEncoding);
}

void EncoderComponent::Prepare() {
  checkNotEncoding();
  encodeResult_ = EncoderModule::MPGE_initializeWork();
  if (encodeResult_ != RESULT_OK)
    raise(EncoderMessages::NoFpu);

  const ItemSetter set = [](std::uint32_t item, std::uintptr_t value1, std::uintptr_t value2) {
    EncoderModule::MPGE_setConfigure(item, value1, value2);
  };
  sourcePath_ = FsPath::Encode(sourceFile_);
  destinationPath_ = FsPath::Encode(destinationFile_);
  configureItems(set, sourcePath_.constData(), destinationPath_.constData());

  if (measureLoudness_ && EncoderLoudnessBound())
    EncoderModule::gogo_setMeasureLoudness(EncoderModule::gogo_defaultHandle(), 1);

  const MERET detected = DetectConfigure(nullptr);
  encodeResult_ = detected;
  if (detected != RESULT_OK)
    raise(EncoderMessages::BadConfiguration);

  std::int32_t frames = 0;
  EncoderModule::MPGE_getConfigure(GET_FRAME_COUNT, &frames);
  allFrames_ = frames;
}

void EncoderComponent::ConfigureFileEncode(const ItemSetter& set, const char* source,
                                           const char* destination) const {
  configureItems(set, source, destination);
}

void EncoderComponent::configureItems(const ItemSetter& setItem, const char* source,
                                      const char* destination) const {
  const auto flag = [](bool on) -> UPARAM { return on ? 1 : 0; };
  const auto set = [&setItem](MPARAM item, UPARAM value1, UPARAM value2 = 0) {
    setItem(item, value1, value2);
  };

  set(CFG_INPUT, INPUT_FROM_FILE, reinterpret_cast<UPARAM>(source));
  set(CFG_OUTPUT, OUTPUT_TO_FILE, reinterpret_cast<UPARAM>(destination));
  set(CFG_PSYCHOACOUSTICS, flag(usePsyAnalize_));
  set(CFG_BITRATE, static_cast<UPARAM>(BitRateFor(source)));
  set(CFG_LOWPASS, flag(useLPF_));
  if (useVBR_)
    set(CFG_VBR_LEVEL, static_cast<UPARAM>(vbrLevel_));

  ProcessorUnits units = optimization_;
  const struct {
    ProcessorUnit unit;
    std::uint32_t bit;
  } tested[] = {{ProcessorUnit::Mmx, UNIT_MMX},
                {ProcessorUnit::ThreeDNow, UNIT_3DNOW},
                {ProcessorUnit::Kni, UNIT_KNI},
                {ProcessorUnit::ExtendedThreeDNow, UNIT_EX_3DNOW}};
  for (const auto& t : tested) {
    if ((UnitStates() & t.bit) == 0)
      units &= ~UnitBit(t.unit);
  }
  const MPARAM unitItems[] = {CFG_UNIT_MMX,      CFG_UNIT_3DNOW, CFG_UNIT_KNI,
                              CFG_UNIT_EX_3DNOW, CFG_UNIT_SPC1,  CFG_UNIT_SPC2};
  for (unsigned i = 0; i < 6; ++i)
    set(unitItems[i], flag((units & (1u << i)) != 0));

  static constexpr UPARAM emphasisValue[] = {0, 1, 3};
  set(CFG_EMPHASIS, emphasisValue[static_cast<int>(emphasis_)]);
  set(CFG_CHANNEL_MODE, static_cast<UPARAM>(encodeType_));
  set(CFG_CPU_COUNT, static_cast<UPARAM>(processors_));
  if (VersionCode() >= VERSION_OUTPUT_FORMAT)
    set(CFG_OUTPUT_FORMAT, static_cast<UPARAM>(encodeFormat_));
}

int EncoderComponent::BitRateFor(const char* source) const {
  // MPEG-2 (the output of 8 to 24 kHz files) stops at 160 kbit/s: a higher constant rate there
  // is 160, as lame makes it, rather than an encode the module refuses.
  constexpr int kMpeg2Highest = 160;
  if (useVBR_ || bitRate_ <= kMpeg2Highest || EncoderModule::gogo_probeInput == nullptr)
    return bitRate_;
  GogoInputInfo info;
  const bool mpeg2 = EncoderModule::gogo_probeInput(source, &info) == RESULT_OK &&
                     info.reason == GOGO_INPUT_OK && info.encodeRate > 0 && info.encodeRate < 32000;
  return mpeg2 ? kMpeg2Highest : bitRate_;
}

void EncoderComponent::StartEncode() {
  // A component being designed has no library to configure and no worker to run an encode.
  if (!worker_)
    return;
  Prepare();
  encodeResult_ = 0;
  worker_->ApplyPriority(priority_);
  isEncoding_ = true;
  worker_->PostThreadMessage(WM_ENCODE_START, allFrames_, frequency_);
}

bool EncoderComponent::event(QEvent* e) {
  if (!EncodeEvent::IsEncodeEvent(e))
    return QObject::event(e);
  const auto* n = static_cast<EncodeEvent*>(e);
  switch (n->Message()) {
  case WM_ENCODE_ERROR:
    isEncoding_ = false;
    encodeResult_ = n->WParam();
    if (OnError)
      OnError(this, n->WParam());
    break;
  case WM_ENCODE_FINISH:
    isEncoding_ = false;
    if (OnFinish)
      OnFinish(this, n->WParam() != 0);
    break;
  case WM_ENCODE_PROGRESS:
    if (OnProgress)
      OnProgress(this, n->WParam(), n->LParam());
    break;
  default: // WM_ENCODE_END: nothing to do
    break;
  }
  return true;
}

// --- library queries --------------------------------------------------------------------------

std::uint32_t EncoderComponent::UnitStates() const {
  if (designing_ || !libraryBound_)
    return 0;
  std::uint32_t units = 0;
  return EncoderModule::MPGE_getUnitStates(&units) == RESULT_OK ? units : 0;
}

QString EncoderComponent::VersionString() const {
  if (designing_ || !libraryBound_)
    return {};
  std::uint32_t code = 0;
  char text[VERSION_TEXT_SIZE] = {};
  if (EncoderModule::MPGE_getVersion(&code, text) != RESULT_OK)
    return {};
  text[VERSION_TEXT_SIZE - 1] = '\0';
  return QString::fromLocal8Bit(text);
}

std::uint32_t EncoderComponent::VersionCode() const {
  if (designing_ || !libraryBound_)
    return 0;
  std::uint32_t code = 0;
  char text[VERSION_TEXT_SIZE] = {};
  return EncoderModule::MPGE_getVersion(&code, text) == RESULT_OK ? code : 0;
}

// --- setters ---------------------------------------------------------------------------------

void EncoderComponent::setFrequency(int value) {
  checkNotEncoding();
  if (value <= 0)
    raise(EncoderMessages::OutOfRange);
  frequency_ = value;
}

void EncoderComponent::setSourceFile(const QString& value) {
  checkNotEncoding();
  sourceFile_ = value;
}

void EncoderComponent::setDestinationFile(const QString& value) {
  checkNotEncoding();
  destinationFile_ = value;
}

void EncoderComponent::setUseLPF(bool value) {
  checkNotEncoding();
  useLPF_ = value;
}

void EncoderComponent::setUseVBR(bool value) {
  checkNotEncoding();
  useVBR_ = value;
}

void EncoderComponent::setVBRLevel(int value) {
  checkNotEncoding();
  if (value < 0 || value > 9)
    raise(EncoderMessages::OutOfRange);
  vbrLevel_ = value;
}

void EncoderComponent::setBitRate(int value) {
  checkNotEncoding();
  bitRate_ = value;
}

void EncoderComponent::setMeasureLoudness(bool value) {
  checkNotEncoding();
  measureLoudness_ = value;
}

std::shared_ptr<LoudnessMeasure> EncoderComponent::TakeLoudness() {
  if (designing_ || !libraryBound_ || isEncoding_)
    return nullptr;
  return LoudnessMeasure::Take(nullptr);
}

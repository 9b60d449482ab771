#include "core/encoder/EncoderComponent.h"
#include "core/fs/FsPath.h"

#include "core/encoder/EncodeEvent.h"
#include "core/encoder/EncodeThread.h"
#include "core/encoder/EncoderBinding.h"
#include "core/encoder/LoudnessMeasure.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>

EncoderError::EncoderError(const QString& message) : std::runtime_error(message.toStdString()) {}

namespace {

constexpr std::size_t RingCapacity = 1048576;

[[noreturn]] void raise(const char* message) {
  throw EncoderError(QString::fromUtf8(message));
}

} // namespace

// The memory input of one component: the ring with its positions and flags. The reader on the
// worker reaches it through a shared reference, so it stays valid even while the component
// goes away.
struct EncoderComponent::MemoryInput {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<std::uint8_t> ring;
  std::size_t readPos = 0;
  std::size_t writePos = 0;
  std::atomic<bool> alive{false};
  std::atomic<bool> memoryMode{false};
  std::atomic<bool> inputEnded{false};

  // Callers hold the lock.
  std::size_t available() const { return (writePos + RingCapacity - readPos) % RingCapacity; }
  std::size_t take(std::uint8_t* out, std::size_t wanted) {
    const std::size_t n = std::min(wanted, available());
    const std::size_t first = std::min(n, RingCapacity - readPos);
    std::memcpy(out, ring.data() + readPos, first);
    std::memcpy(out + first, ring.data(), n - first);
    readPos = (readPos + n) % RingCapacity;
    return n;
  }
  std::size_t put(const std::uint8_t* in, std::size_t size) {
    const std::size_t n = std::min(size, RingCapacity - 1 - available());
    const std::size_t first = std::min(n, RingCapacity - writePos);
    std::memcpy(ring.data() + writePos, in, first);
    std::memcpy(ring.data(), in + first, n - first);
    writePos = (writePos + n) % RingCapacity;
    return n;
  }
};

namespace {

// The process-wide reference to the memory input of the last constructed component.
std::mutex lastInputLock;
std::shared_ptr<void> lastInput;

} // namespace

EncoderComponent::EncoderComponent(QObject* owner, bool designing)
    : QObject(owner), designing_(designing), input_(std::make_shared<MemoryInput>()) {
  {
    std::lock_guard lock(lastInputLock);
    lastInput.reset();
  }
  LoadDefaults();
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
  {
    std::lock_guard lock(lastInputLock);
    lastInput = input_;
  }
  input_->alive = true;
  worker_->start();
}

EncoderComponent::~EncoderComponent() {
  input_->alive = false;
  {
    std::lock_guard lock(input_->lock);
    input_->changed.notify_all();
  }
  {
    std::lock_guard lock(lastInputLock);
    if (lastInput == input_)
      lastInput.reset();
  }
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

void EncoderComponent::LoadDefaults() {
  // Checked before the ring is touched so that a refused reset changes nothing.
  checkNotEncoding();
  {
    std::lock_guard lock(input_->lock);
    if (input_->ring.empty())
      input_->ring.resize(RingCapacity);
    input_->readPos = 0;
    input_->writePos = 0;
    input_->inputEnded = false;
  }
  setBitRate(128);
  setEncodeType(ChannelMode::JointStereo);
  setOptimization(UnitBit(ProcessorUnit::Mmx) | UnitBit(ProcessorUnit::ThreeDNow) |
                  UnitBit(ProcessorUnit::Kni) | UnitBit(ProcessorUnit::ExtendedThreeDNow));
  setEmphasis(EmphasisCurve::None);
  setProcessors(1);
  setUsePsyAnalize(false);
  setUseLPF(false);
  setUseVBR(false);
  setVBRLevel(5);
  setDestinationFile(QString());
  setSourceFile(QString());
  setPriority(EncodePriority::Idle);
  setFrequency(100);
  setEncodeMode(EncodeInput::FromFile);
  setEncodeFormat(OutputFormat::Mp3);
  setForceSameRate(false);

  allFrames_ = 0;
  extFilter_ = ExtraFilter{55, 70, false};
  vbrBitrate_ = VbrBitrateRange{false, 40, 128};
  msSetting_ = MidSideSetting{false, 75, 66};
  encodeResult_ = 0;
}

void EncoderComponent::Prepare() {
  if (designing_)
    return;
  if (isEncoding_ || configured_)
    raise(EncoderMessages::ChangeWhileEncoding);
  input_->inputEnded = false;

  encodeResult_ = EncoderModule::MPGE_initializeWork();
  if (encodeResult_ != RESULT_OK)
    raise(EncoderMessages::NoFpu);

  const ItemSetter set = [](std::uint32_t item, std::uintptr_t value1, std::uintptr_t value2) {
    EncoderModule::MPGE_setConfigure(item, value1, value2);
  };
  destinationPath_ = FsPath::Encode(destinationFile_);
  if (encodeMode_ == EncodeInput::FromMemory) {
    if (!readerRecord_)
      readerRecord_ = std::make_unique<GogoReaderRecord>();
    readerRecord_->reader = &EncoderComponent::ReadMemoryInput;
    configureItems(set, INPUT_FROM_READER, reinterpret_cast<UPARAM>(readerRecord_.get()),
                   destinationPath_.constData());
  } else {
    sourcePath_ = FsPath::Encode(sourceFile_);
    configureItems(set, INPUT_FROM_FILE, reinterpret_cast<UPARAM>(sourcePath_.constData()),
                   destinationPath_.constData());
  }

  if (measureLoudness_ && EncoderLoudnessBound())
    EncoderModule::gogo_setMeasureLoudness(EncoderModule::gogo_defaultHandle(), 1);

  const MERET detected = DetectConfigure(nullptr);
  encodeResult_ = detected;
  if (detected != RESULT_OK) {
    configured_ = false;
    raise(EncoderMessages::BadConfiguration);
  }

  {
    std::lock_guard lock(input_->lock);
    input_->readPos = 0;
    input_->writePos = 0;
  }
  std::int32_t frames = 0;
  EncoderModule::MPGE_getConfigure(GET_FRAME_COUNT, &frames);
  allFrames_ = frames;
  configured_ = true;
}

void EncoderComponent::ConfigureFileEncode(const ItemSetter& set, const char* source,
                                           const char* destination) const {
  configureItems(set, INPUT_FROM_FILE, reinterpret_cast<UPARAM>(source), destination);
}

void EncoderComponent::configureItems(const ItemSetter& setItem, std::uintptr_t inputKind,
                                      std::uintptr_t input, const char* destination) const {
  const auto flag = [](bool on) -> UPARAM { return on ? 1 : 0; };
  const auto set = [&setItem](MPARAM item, UPARAM value1, UPARAM value2 = 0) {
    setItem(item, value1, value2);
  };

  set(CFG_INPUT, inputKind, input);
  set(CFG_OUTPUT, OUTPUT_TO_FILE, reinterpret_cast<UPARAM>(destination));
  set(CFG_PSYCHOACOUSTICS, flag(usePsyAnalize_));
  set(CFG_BITRATE, static_cast<UPARAM>(inputKind == INPUT_FROM_FILE
                                           ? BitRateFor(reinterpret_cast<const char*>(input))
                                           : bitRate_));
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
  if (forceSameRate_)
    set(CFG_FORCE_RATE, 44100);

  if (VersionCode() >= VERSION_EXTENDED_ITEMS) {
    if (extFilter_.Enabled)
      set(CFG_EXT_FILTER, static_cast<UPARAM>(extFilter_.Low),
          static_cast<UPARAM>(extFilter_.High));
    if (vbrBitrate_.Enabled && useVBR_)
      set(CFG_VBR_BITRATE_RANGE, static_cast<UPARAM>(vbrBitrate_.Low),
          static_cast<UPARAM>(vbrBitrate_.High));
    if (msSetting_.Enabled)
      set(CFG_MS_SETTING, static_cast<UPARAM>(msSetting_.Threshold),
          static_cast<UPARAM>(msSetting_.Power));
  }
  if (VersionCode() >= VERSION_OUTPUT_FORMAT)
    set(CFG_OUTPUT_FORMAT, static_cast<UPARAM>(encodeFormat_));
}

int EncoderComponent::BitRateFor(const char* source) const {
  // MPEG-2 (the output of 8 to 24 kHz files) stops at 160 kbit/s: a higher constant rate there
  // is 160, as lame makes it, rather than an encode the module refuses.
  constexpr int kMpeg2Highest = 160;
  if (useVBR_ || forceSameRate_ || bitRate_ <= kMpeg2Highest ||
      EncoderModule::gogo_probeInput == nullptr)
    return bitRate_;
  GogoInputInfo info;
  const bool mpeg2 = EncoderModule::gogo_probeInput(source, &info) == RESULT_OK &&
                     info.reason == GOGO_INPUT_OK && info.encodeRate > 0 && info.encodeRate < 32000;
  return mpeg2 ? kMpeg2Highest : bitRate_;
}

void EncoderComponent::StartEncode() {
  if (encodeMode_ == EncodeInput::FromFile)
    Prepare();
  // A component being designed has no worker to run an encode.
  if (!worker_)
    return;
  encodeResult_ = 0;
  applyPriorityToWorker();
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
    configured_ = false;
    encodeResult_ = n->WParam();
    if (OnError)
      OnError(this, n->WParam());
    break;
  case WM_ENCODE_FINISH:
    isEncoding_ = false;
    configured_ = false;
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

void EncoderComponent::applyPriorityToWorker() {
  if (!designing_ && worker_)
    worker_->ApplyPriority(priority_);
}

void EncoderComponent::setPriority(EncodePriority value) {
  priority_ = value;
  applyPriorityToWorker();
}

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

void EncoderComponent::setProcessors(int value) {
  checkNotEncoding();
  processors_ = value;
}

void EncoderComponent::setEmphasis(EmphasisCurve value) {
  checkNotEncoding();
  emphasis_ = value;
}

void EncoderComponent::setUsePsyAnalize(bool value) {
  checkNotEncoding();
  usePsyAnalize_ = value;
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

void EncoderComponent::setOptimization(ProcessorUnits value) {
  checkNotEncoding();
  optimization_ = value;
}

void EncoderComponent::setEncodeFormat(OutputFormat value) {
  checkNotEncoding();
  encodeFormat_ = value;
}

void EncoderComponent::setEncodeMode(EncodeInput value) {
  checkNotEncoding();
  encodeMode_ = value;
  input_->memoryMode = value == EncodeInput::FromMemory;
}

void EncoderComponent::setEncodeType(ChannelMode value) {
  checkNotEncoding();
  encodeType_ = value;
}

void EncoderComponent::setForceSameRate(bool value) {
  checkNotEncoding();
  forceSameRate_ = value;
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

void EncoderComponent::setExtFilter(const ExtraFilter& value) {
  checkNotEncoding();
  if (value.Low < 0 || value.Low > 100 || value.High < 0 || value.High > 100)
    raise(EncoderMessages::OutOfRange);
  extFilter_ = value;
}

void EncoderComponent::setVBRBitrate(const VbrBitrateRange& value) {
  checkNotEncoding();
  if (value.Low < 0 || value.High < 0)
    raise(EncoderMessages::OutOfRange);
  vbrBitrate_ = value;
}

void EncoderComponent::setMSSetting(const MidSideSetting& value) {
  checkNotEncoding();
  if (value.Threshold < 0 || value.Threshold > 100 || value.Power < 0 || value.Power > 100)
    raise(EncoderMessages::OutOfRange);
  msSetting_ = value;
}

// --- memory input ----------------------------------------------------------------------------

void EncoderComponent::WriteInput(const void* data, std::size_t size) {
  const auto* in = static_cast<const std::uint8_t*>(data);
  std::unique_lock lock(input_->lock);
  while (size > 0) {
    const std::size_t n = input_->put(in, size);
    in += n;
    size -= n;
    input_->changed.notify_all();
    if (size > 0) {
      // Full: wait for the reader to make room, or give up when the component goes away.
      input_->changed.wait(
          lock, [this] { return input_->available() < RingCapacity - 1 || !input_->alive; });
      if (!input_->alive)
        return;
    }
  }
}

void EncoderComponent::MarkInputEnded() {
  std::lock_guard lock(input_->lock);
  input_->inputEnded = true;
  input_->changed.notify_all();
}

std::int32_t EncoderComponent::ReadMemoryInput(void* buffer, std::int32_t wanted) {
  std::shared_ptr<MemoryInput> in;
  {
    std::lock_guard lock(lastInputLock);
    in = std::static_pointer_cast<MemoryInput>(lastInput);
  }
  if (!in)
    return 0;
  auto* out = static_cast<std::uint8_t*>(buffer);
  const std::size_t need = wanted > 0 ? static_cast<std::size_t>(wanted) : 0;
  std::size_t copied = 0;
  std::unique_lock lock(in->lock);
  // Bytes are moved out as they arrive, so a request larger than the ring still completes.
  while (in->alive) {
    if (!in->memoryMode || need == 0)
      return 0;
    copied += in->take(out + copied, need - copied);
    if (copied == need) {
      in->changed.notify_all();
      return 0;
    }
    in->changed.notify_all();
    if (in->inputEnded) {
      std::memset(out + copied, 0, need - copied);
      return copied > 0 ? 0 : 1;
    }
    in->changed.wait(lock);
  }
  // The component is going away: hand back silence rather than stale bytes.
  if (in->memoryMode)
    std::memset(out + copied, 0, need - copied);
  return 0;
}

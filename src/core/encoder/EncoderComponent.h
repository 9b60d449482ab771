// EncoderComponent: the MP3 encoder component. It holds every encoder setting, refuses changes
// while an encode runs, configures the encoder library for one encode, runs the encode frame by
// frame on its worker thread (EncodeThread) and raises its events on the thread that owns it.
#pragma once

#include "core/encoder/EncodeThread.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThread>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

// Raised for misuse and set-up failures, with one of the fixed messages below.
class EncoderError : public std::runtime_error {
public:
  explicit EncoderError(const QString& message);
  QString Message() const { return QString::fromUtf8(what()); }
};

namespace EncoderMessages {
inline const char* const CannotInitialize = "GOGO.DLLを初期化できません.";
inline const char* const ChangeWhileEncoding = "エンコード中に設定は変更できません.";
inline const char* const OutOfRange = "値が範囲外です.";
inline const char* const NoFpu = "FPUがありません";
inline const char* const BadConfiguration = "設定に誤りがあります.";
} // namespace EncoderMessages

// Where an encode takes its samples from: a WAV file, or bytes written into the component.
enum class EncodeInput { FromFile, FromMemory };
// The MP3's channels, in the encoder module's order.
enum class ChannelMode { Mono, Stereo, JointStereo, MidSideStereo, DualChannel };
// The de-emphasis the MP3 asks players for: none, 50/15 µs, CCITT J.17.
enum class EmphasisCurve { None, FiftyFifteenMs, CcittJ17 };
// Processor units the encoder may use, in the module's order.
enum class ProcessorUnit { Mmx, ThreeDNow, Kni, ExtendedThreeDNow, Special1, Special2 };
// What the encoder writes: a plain MP3, or one wrapped in RIFF (WAVE or RMP3).
enum class OutputFormat { Mp3, RiffWave, RiffRmp };

// Set of ProcessorUnit: bit n = the member with ordinal n.
using ProcessorUnits = std::uint32_t;
constexpr ProcessorUnits UnitBit(ProcessorUnit u) {
  return 1u << static_cast<unsigned>(u);
}

struct ExtraFilter {
  int Low = 55;
  int High = 70;
  bool Enabled = false;
};
struct VbrBitrateRange {
  bool Enabled = false;
  int Low = 40;
  int High = 128;
};
struct MidSideSetting {
  bool Enabled = false;
  int Threshold = 75;
  int Power = 66;
};

using EncodeProgressHandler = std::function<void(QObject* Sender, int nowFrames, int AllFrames)>;
using EncodeErrorHandler = std::function<void(QObject* Sender, int ErrorCode)>;
using EncodeFinishHandler = std::function<void(QObject* Sender, bool IsAborted)>;

struct GogoReaderRecord;
class LoudnessMeasure;

class EncoderComponent : public QObject {
  Q_OBJECT
public:
  // Binds the encoder library and starts the worker. Throws EncoderError
  // ("GOGO.DLLを初期化できません.") when the library cannot be bound. A component being
  // designed binds nothing and starts no worker.
  explicit EncoderComponent(QObject* owner, bool designing = false);
  ~EncoderComponent() override;

  void LoadDefaults();
  // Configures the library for one encode; a caller using memory input calls it before
  // StartEncode, which calls it itself for file input.
  void Prepare();
  // Starts the prepared encode on the worker and returns at once.
  void StartEncode();

  // One setting of the encoder module: item, first and second value (its MPGE_setConfigure).
  using ItemSetter =
      std::function<void(std::uint32_t item, std::uintptr_t value1, std::uintptr_t value2)>;
  // Gives `set` every setting of an encode of the file `source` into the file `destination`
  // (paths as the module takes them, kept alive by the caller until the encode ends), as
  // Prepare does: encodes on handles of their own get this component's settings this way.
  void ConfigureFileEncode(const ItemSetter& set, const char* source,
                           const char* destination) const;

  EncodePriority Priority() const { return priority_; }
  void setPriority(EncodePriority value);
  std::uint32_t UnitStates() const;
  QString VersionString() const;
  std::uint32_t VersionCode() const;
  QString DLLPath() const { return dllPath_; }
  int AllFrames() const { return allFrames_; }
  int Frequency() const { return frequency_; }
  void setFrequency(int value);
  QString SourceFile() const { return sourceFile_; }
  void setSourceFile(const QString& value);
  QString DestinationFile() const { return destinationFile_; }
  void setDestinationFile(const QString& value);
  bool IsEncoding() const { return isEncoding_; }
  int Processors() const { return processors_; }
  void setProcessors(int value);
  EmphasisCurve Emphasis() const { return emphasis_; }
  void setEmphasis(EmphasisCurve value);
  bool UsePsyAnalize() const { return usePsyAnalize_; }
  void setUsePsyAnalize(bool value);
  bool UseLPF() const { return useLPF_; }
  void setUseLPF(bool value);
  bool UseVBR() const { return useVBR_; }
  void setUseVBR(bool value);
  int VBRLevel() const { return vbrLevel_; }
  void setVBRLevel(int value);
  ProcessorUnits Optimization() const { return optimization_; }
  void setOptimization(ProcessorUnits value);
  OutputFormat EncodeFormat() const { return encodeFormat_; }
  void setEncodeFormat(OutputFormat value);
  EncodeInput EncodeMode() const { return encodeMode_; }
  void setEncodeMode(EncodeInput value);
  ChannelMode EncodeType() const { return encodeType_; }
  void setEncodeType(ChannelMode value);
  int EncodeResult() const { return encodeResult_; }
  bool ForceSameRate() const { return forceSameRate_; }
  void setForceSameRate(bool value);
  int BitRate() const { return bitRate_; }
  void setBitRate(int value);
  // The sub-records: the getters give the component's own object (stored form values are
  // applied to its fields directly); the setters copy a whole object after checking it.
  ExtraFilter& ExtFilter() { return extFilter_; }
  void setExtFilter(const ExtraFilter& value);
  VbrBitrateRange& VBRBitrate() { return vbrBitrate_; }
  void setVBRBitrate(const VbrBitrateRange& value);
  MidSideSetting& MSSetting() { return msSetting_; }
  void setMSSetting(const MidSideSetting& value);
  // Not a design setting: the encode measures its loudness (with a module that can), to be
  // taken with TakeLoudness once it has finished. Off after construction.
  bool MeasureLoudness() const { return measureLoudness_; }
  void setMeasureLoudness(bool value);
  // The loudness of the last encode that finished without a failure, once; null when it was
  // not measured. Between its finish and the next Prepare.
  std::shared_ptr<LoudnessMeasure> TakeLoudness();

  EncodeProgressHandler OnProgress;
  EncodeErrorHandler OnError;
  EncodeFinishHandler OnFinish;

  // Memory input (memory input): appends PCM bytes to the ring, waiting while it is full;
  // MarkInputEnded tells the reader that no more will come.
  void WriteInput(const void* data, std::size_t size);
  void MarkInputEnded();

  // The reader the library calls for memory input (through the record passed with
  // CFG_INPUT): fills the buffer from the ring of the last constructed component, waiting for
  // bytes; 0 when filled, 1 when the input ended and nothing was left.
  static std::int32_t ReadMemoryInput(void* buffer, std::int32_t wanted);

protected:
  bool event(QEvent* e) override;

private:
  struct MemoryInput;

  void checkNotEncoding() const;
  void configureItems(const ItemSetter& set, std::uintptr_t inputKind, std::uintptr_t input,
                      const char* destination) const;
  void applyPriorityToWorker();
  // The constant bit rate sent for an encode of the file `source`: BitRate, or the highest rate
  // the file's MPEG version has where BitRate is beyond it.
  int BitRateFor(const char* source) const;

  bool designing_;
  EncodePriority priority_ = EncodePriority::Idle;
  QString dllPath_;
  int allFrames_ = 0;
  int frequency_ = 100;
  QString sourceFile_;
  QString destinationFile_;
  bool isEncoding_ = false;
  int processors_ = 1;
  EmphasisCurve emphasis_ = EmphasisCurve::None;
  bool usePsyAnalize_ = false;
  bool useLPF_ = false;
  bool useVBR_ = false;
  int vbrLevel_ = 5;
  ProcessorUnits optimization_ = 0;
  OutputFormat encodeFormat_ = OutputFormat::Mp3;
  EncodeInput encodeMode_ = EncodeInput::FromFile;
  ChannelMode encodeType_ = ChannelMode::JointStereo;
  int encodeResult_ = 0;
  bool forceSameRate_ = false;
  int bitRate_ = 128;
  ExtraFilter extFilter_;
  VbrBitrateRange vbrBitrate_;
  MidSideSetting msSetting_;
  bool measureLoudness_ = false;

  bool configured_ = false;
  bool libraryBound_ = false;
  std::unique_ptr<EncodeThread> worker_;
  // Shared with the reader on the worker; outlives the component while the reader holds it.
  std::shared_ptr<MemoryInput> input_;
  // Kept alive from Prepare until the next Prepare: the library may hold these addresses.
  QByteArray sourcePath_;
  QByteArray destinationPath_;
  std::unique_ptr<GogoReaderRecord> readerRecord_;
};

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
#include <stdexcept>

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

using EncodeProgressHandler = std::function<void(QObject* Sender, int nowFrames, int AllFrames)>;
using EncodeErrorHandler = std::function<void(QObject* Sender, int ErrorCode)>;
using EncodeFinishHandler = std::function<void(QObject* Sender, bool IsAborted)>;

class LoudnessMeasure;

class EncoderComponent : public QObject {
  Q_OBJECT
public:
  // Binds the encoder library and starts the worker. Throws EncoderError
  // ("GOGO.DLLを初期化できません.") when the library cannot be bound. A component being
  // designed binds nothing and starts no worker.
  explicit EncoderComponent(QObject* owner, bool designing = false);
  ~EncoderComponent() override;

  // Configures the library for the encode of SourceFile into DestinationFile and starts it on
  // the worker; returns at once. Throws EncoderError when the library refuses the set-up. Needs
  // no particular thread, but only one thread may use the component until the encode started.
  void StartEncode();

  // One setting of the encoder module: item, first and second value (its MPGE_setConfigure).
  using ItemSetter =
      std::function<void(std::uint32_t item, std::uintptr_t value1, std::uintptr_t value2)>;
  // Gives `set` every setting of an encode of the file `source` into the file `destination`
  // (paths as the module takes them, kept alive by the caller until the encode ends), as
  // StartEncode sends them: encodes on handles of their own get this component's settings this
  // way. Reads the header of `source` for a constant bit rate above MPEG-2's.
  void ConfigureFileEncode(const ItemSetter& set, const char* source,
                           const char* destination) const;

  // The worker's scheduling priority: the design's idle one.
  EncodePriority Priority() const { return priority_; }
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
  void setUseLPF(bool value);
  bool UseVBR() const { return useVBR_; }
  void setUseVBR(bool value);
  int VBRLevel() const { return vbrLevel_; }
  void setVBRLevel(int value);
  int EncodeResult() const { return encodeResult_; }
  int BitRate() const { return bitRate_; }
  void setBitRate(int value);
  // Not a design setting: the encode measures its loudness (with a module that can), to be
  // taken with TakeLoudness once it has finished. Off after construction.
  bool MeasureLoudness() const { return measureLoudness_; }
  void setMeasureLoudness(bool value);
  // The loudness of the last encode that finished without a failure, once; null when it was
  // not measured. Between its finish and the next StartEncode.
  std::shared_ptr<LoudnessMeasure> TakeLoudness();

  EncodeProgressHandler OnProgress;
  EncodeErrorHandler OnError;
  EncodeFinishHandler OnFinish;

protected:
  bool event(QEvent* e) override;

private:
  void checkNotEncoding() const;
  // Configures the library for one encode.
  void Prepare();
  void configureItems(const ItemSetter& set, const char* source, const char* destination) const;
  // The constant bit rate sent for an encode of the file `source`: BitRate, or the highest rate
  // the file's MPEG version has where BitRate is beyond it.
  int BitRateFor(const char* source) const;

  bool designing_;
  QString dllPath_;
  int allFrames_ = 0;
  int frequency_ = 100;
  QString sourceFile_;
  QString destinationFile_;
  bool isEncoding_ = false;
  bool useLPF_ = false;
  bool useVBR_ = false;
  int vbrLevel_ = 5;
  int encodeResult_ = 0;
  int bitRate_ = 128;
  bool measureLoudness_ = false;
  // The design values of the settings no part of the program changes.
  static constexpr EncodePriority priority_ = EncodePriority::Idle;
  static constexpr int processors_ = 1;
  static constexpr EmphasisCurve emphasis_ = EmphasisCurve::None;
  static constexpr bool usePsyAnalize_ = false;
  static constexpr ProcessorUnits optimization_ =
      UnitBit(ProcessorUnit::Mmx) | UnitBit(ProcessorUnit::ThreeDNow) |
      UnitBit(ProcessorUnit::Kni) | UnitBit(ProcessorUnit::ExtendedThreeDNow);
  static constexpr OutputFormat encodeFormat_ = OutputFormat::Mp3;
  static constexpr ChannelMode encodeType_ = ChannelMode::JointStereo;

  bool configured_ = false;
  bool libraryBound_ = false;
  std::unique_ptr<EncodeThread> worker_;
  // Kept alive from Prepare until the next Prepare: the library may hold these addresses.
  QByteArray sourcePath_;
  QByteArray destinationPath_;
};

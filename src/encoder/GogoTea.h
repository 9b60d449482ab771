// TGogoTea: the MP3 encoder component. It holds every encoder setting, refuses changes while an
// encode runs, configures the encoder library for one encode, runs the encode frame by frame on
// its worker thread (TEncodeThread) and raises its events on the thread that owns it.
#pragma once

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
class EGogoTeaError : public std::runtime_error {
public:
  explicit EGogoTeaError(const QString& message);
  QString Message() const { return QString::fromUtf8(what()); }
};

namespace GogoTeaMessages {
inline const char* const CannotInitialize = "GOGO.DLLを初期化できません.";
inline const char* const ChangeWhileEncoding = "エンコード中に設定は変更できません.";
inline const char* const OutOfRange = "値が範囲外です.";
inline const char* const NoFpu = "FPUがありません";
inline const char* const BadConfiguration = "設定に誤りがあります.";
} // namespace GogoTeaMessages

enum class TEncodeMode { _FILE, _MEMORY };
enum class TEncodeType { _MONO, _STEREO, _JOINT, _MSSTEREO, _DUALCHANNEL };
enum class TEmphasis { _NO_EMPH, _5015MS_EMPH, _CCITT_EMPH };
enum class TUseUnit { _USE_MMX, _USE_3DNOW, _USE_KNI, _USE_EX_3DNOW, _USE_SPC1, _USE_SPC2 };
enum class TEncodeFormat { _FORMAT_OF_MP3, _FORMAT_OF_RIFF_WAVE, _FORMAT_OF_RIFF_RMP };
enum class TThreadPriority {
  tpIdle,
  tpLowest,
  tpLower,
  tpNormal,
  tpHigher,
  tpHighest,
  tpTimeCritical
};

// Set of TUseUnit: bit n = the member with ordinal n.
using TSetOfUseUnit = std::uint32_t;
constexpr TSetOfUseUnit UnitBit(TUseUnit u) {
  return 1u << static_cast<unsigned>(u);
}

struct TExtFilter {
  int Low = 55;
  int High = 70;
  bool Enabled = false;
};
struct TVBRBitrate {
  bool Enabled = false;
  int Low = 40;
  int High = 128;
};
struct TMSSetting {
  bool Enabled = false;
  int Threshold = 75;
  int Power = 66;
};

using TGogoTeaProgressEvent = std::function<void(QObject* Sender, int nowFrames, int AllFrames)>;
using TGogoTeaEncodeError = std::function<void(QObject* Sender, int ErrorCode)>;
using TGogoTeaFinishEncode = std::function<void(QObject* Sender, bool IsAborted)>;

class TEncodeThread;
struct GogoReaderRecord;

class TGogoTea : public QObject {
  Q_OBJECT
public:
  // Binds the encoder library and starts the worker. Throws EGogoTeaError
  // ("GOGO.DLLを初期化できません.") when the library cannot be bound. A component being
  // designed binds nothing and starts no worker.
  explicit TGogoTea(QObject* owner, bool designing = false);
  ~TGogoTea() override;

  void LoadDefaults();
  // Configures the library for one encode; a caller using _MEMORY input calls it before
  // StartEncode, which calls it itself in _FILE mode.
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

  TThreadPriority Priority() const { return priority_; }
  void setPriority(TThreadPriority value);
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
  TEmphasis Emphasis() const { return emphasis_; }
  void setEmphasis(TEmphasis value);
  bool UsePsyAnalize() const { return usePsyAnalize_; }
  void setUsePsyAnalize(bool value);
  bool UseLPF() const { return useLPF_; }
  void setUseLPF(bool value);
  bool UseVBR() const { return useVBR_; }
  void setUseVBR(bool value);
  int VBRLevel() const { return vbrLevel_; }
  void setVBRLevel(int value);
  TSetOfUseUnit Optimization() const { return optimization_; }
  void setOptimization(TSetOfUseUnit value);
  TEncodeFormat EncodeFormat() const { return encodeFormat_; }
  void setEncodeFormat(TEncodeFormat value);
  TEncodeMode EncodeMode() const { return encodeMode_; }
  void setEncodeMode(TEncodeMode value);
  TEncodeType EncodeType() const { return encodeType_; }
  void setEncodeType(TEncodeType value);
  int EncodeResult() const { return encodeResult_; }
  bool ForceSameRate() const { return forceSameRate_; }
  void setForceSameRate(bool value);
  int BitRate() const { return bitRate_; }
  void setBitRate(int value);
  // The sub-records: the getters give the component's own object (stored form values are
  // applied to its fields directly); the setters copy a whole object after checking it.
  TExtFilter& ExtFilter() { return extFilter_; }
  void setExtFilter(const TExtFilter& value);
  TVBRBitrate& VBRBitrate() { return vbrBitrate_; }
  void setVBRBitrate(const TVBRBitrate& value);
  TMSSetting& MSSetting() { return msSetting_; }
  void setMSSetting(const TMSSetting& value);

  TGogoTeaProgressEvent OnProgress;
  TGogoTeaEncodeError OnError;
  TGogoTeaFinishEncode OnFinish;

  // Memory input (_MEMORY mode): appends PCM bytes to the ring, waiting while it is full;
  // MarkInputEnded tells the reader that no more will come.
  void WriteInput(const void* data, std::size_t size);
  void MarkInputEnded();

  // The reader the library calls for _MEMORY input (through the record passed with
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

  bool designing_;
  TThreadPriority priority_ = TThreadPriority::tpIdle;
  QString dllPath_;
  int allFrames_ = 0;
  int frequency_ = 100;
  QString sourceFile_;
  QString destinationFile_;
  bool isEncoding_ = false;
  int processors_ = 1;
  TEmphasis emphasis_ = TEmphasis::_NO_EMPH;
  bool usePsyAnalize_ = false;
  bool useLPF_ = false;
  bool useVBR_ = false;
  int vbrLevel_ = 5;
  TSetOfUseUnit optimization_ = 0;
  TEncodeFormat encodeFormat_ = TEncodeFormat::_FORMAT_OF_MP3;
  TEncodeMode encodeMode_ = TEncodeMode::_FILE;
  TEncodeType encodeType_ = TEncodeType::_JOINT;
  int encodeResult_ = 0;
  bool forceSameRate_ = false;
  int bitRate_ = 128;
  TExtFilter extFilter_;
  TVBRBitrate vbrBitrate_;
  TMSSetting msSetting_;

  bool configured_ = false;
  bool libraryBound_ = false;
  std::unique_ptr<TEncodeThread> worker_;
  // Shared with the reader on the worker; outlives the component while the reader holds it.
  std::shared_ptr<MemoryInput> input_;
  // Kept alive from Prepare until the next Prepare: the library may hold these addresses.
  QByteArray sourcePath_;
  QByteArray destinationPath_;
  std::unique_ptr<GogoReaderRecord> readerRecord_;
};

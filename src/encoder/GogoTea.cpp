// Placeholder so the program links until the encoder component lands.
#include "encoder/GogoTea.h"

EGogoTeaError::EGogoTeaError(const QString& message) : std::runtime_error(message.toStdString()) {}

class TEncodeThread {};

TGogoTea::TGogoTea(QObject* owner, bool designing) : QObject(owner), designing_(designing) {}
TGogoTea::~TGogoTea() = default;
void TGogoTea::LoadDefaults() {}
void TGogoTea::Prepare() {}
void TGogoTea::StartEncode() { throw EGogoTeaError(QString::fromUtf8(GogoTeaMessages::BadConfiguration)); }
void TGogoTea::setPriority(TThreadPriority value) { priority_ = value; }
std::uint32_t TGogoTea::UnitStates() const { return 0; }
QString TGogoTea::VersionString() const { return {}; }
std::uint32_t TGogoTea::VersionCode() const { return 0; }
void TGogoTea::setFrequency(int value) { frequency_ = value; }
void TGogoTea::setSourceFile(const QString& value) { sourceFile_ = value; }
void TGogoTea::setDestinationFile(const QString& value) { destinationFile_ = value; }
void TGogoTea::setProcessors(int value) { processors_ = value; }
void TGogoTea::setEmphasis(TEmphasis value) { emphasis_ = value; }
void TGogoTea::setUsePsyAnalize(bool value) { usePsyAnalize_ = value; }
void TGogoTea::setUseLPF(bool value) { useLPF_ = value; }
void TGogoTea::setUseVBR(bool value) { useVBR_ = value; }
void TGogoTea::setVBRLevel(int value) { vbrLevel_ = value; }
void TGogoTea::setOptimization(TSetOfUseUnit value) { optimization_ = value; }
void TGogoTea::setEncodeFormat(TEncodeFormat value) { encodeFormat_ = value; }
void TGogoTea::setEncodeMode(TEncodeMode value) { encodeMode_ = value; }
void TGogoTea::setEncodeType(TEncodeType value) { encodeType_ = value; }
void TGogoTea::setForceSameRate(bool value) { forceSameRate_ = value; }
void TGogoTea::setBitRate(int value) { bitRate_ = value; }
void TGogoTea::setExtFilter(const TExtFilter& value) { extFilter_ = value; }
void TGogoTea::setVBRBitrate(const TVBRBitrate& value) { vbrBitrate_ = value; }
void TGogoTea::setMSSetting(const TMSSetting& value) { msSetting_ = value; }
void TGogoTea::WriteInput(const void*, std::size_t) {}
void TGogoTea::MarkInputEnded() {}
bool TGogoTea::event(QEvent* e) { return QObject::event(e); }
void TGogoTea::checkNotEncoding() const {}

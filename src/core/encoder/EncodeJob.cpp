#include "core/encoder/EncodeJob.h"

#include "core/encoder/EncoderBinding.h"
#include "core/encoder/EncoderComponent.h"
#include "core/encoder/LoudnessMeasure.h"
#include "core/fs/FsPath.h"

#include <cfenv>

bool EncodeJob::Available() {
  return EncoderHandlesBound();
}

EncodeJob::~EncodeJob() {
  if (handle_ != nullptr && EncoderModule::gogo_destroy != nullptr)
    EncoderModule::gogo_destroy(handle_);
}

bool EncodeJob::SetUp(const EncoderComponent& settings) {
  if (!Available() || (handle_ = EncoderModule::gogo_create()) == nullptr ||
      EncoderModule::gogo_initializeWork(handle_) != RESULT_OK)
    return false;
  settings.ConfigureFileEncode(
      [this](std::uint32_t item, std::uintptr_t value1, std::uintptr_t value2) {
        EncoderModule::gogo_setConfigure(handle_, item, value1, value2);
      },
      sourcePath_.constData(), destinationPath_.constData());
  if (settings.MeasureLoudness() && EncoderLoudnessBound())
    EncoderModule::gogo_setMeasureLoudness(handle_, 1);
  if (DetectConfigure(handle_) != RESULT_OK)
    return false;
  std::int32_t frames = 0;
  EncoderModule::gogo_getConfigure(handle_, GET_FRAME_COUNT, &frames);
  allFrames_ = frames;
  return true;
}

void EncodeJob::Run(const EncoderComponent& settings, const QString& source,
                    const QString& destination) {
  sourcePath_ = FsPath::Encode(source);
  destinationPath_ = FsPath::Encode(destination);
  if (!SetUp(settings)) {
    refused_ = true;
    if (handle_ != nullptr)
      EncoderModule::gogo_endCoder(handle_); // closes what the set-up opened
    return;
  }
  std::fenv_t saved;
  std::fegetenv(&saved);
  EnterEncoderFloatingPoint();
  MERET result = RESULT_OK;
  int done = 0;
  while (result == RESULT_OK && !abort_) {
    result = ProcessFrame(handle_);
    framesDone_ = ++done;
  }
  // An encode whose close fails did not complete, however its frames went.
  const MERET closed = CloseCoder(handle_);
  std::fesetenv(&saved);
  completed_ = !abort_ && result == RESULT_END_OF_INPUT && closed == RESULT_OK;
  if (completed_ && settings.MeasureLoudness() && EncoderLoudnessBound())
    loudness_ = LoudnessMeasure::Take(handle_);
}

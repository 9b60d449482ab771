#include "encoder/EncodeJob.h"

#include "app/FsPath.h"
#include "app/WorkerThread.h"
#include "encoder/EncodeThread.h"
#include "encoder/GogoDefs.h"
#include "encoder/GogoTea.h"

#include <cfenv>
#include <utility>

bool TEncodeJob::Available() {
  return EncoderHandlesBound();
}

TEncodeJob::TEncodeJob(const QString& source, const QString& destination)
    : sourcePath_(FsPath::Encode(source)), destinationPath_(FsPath::Encode(destination)) {}

TEncodeJob::~TEncodeJob() {
  Abort();
  thread_.reset();
  if (handle_ != nullptr && Gogo::gogo_destroy != nullptr)
    Gogo::gogo_destroy(handle_);
}

TEncodeJob::Start TEncodeJob::Begin(const TGogoTea& settings, std::function<void()> ended) {
  if (!Available() || handle_ != nullptr)
    return Start::Refused;
  handle_ = Gogo::gogo_create();
  if (handle_ == nullptr || Gogo::gogo_initializeWork(handle_) != RESULT_OK)
    return Start::Refused;
  GogoHandle* handle = handle_;
  settings.ConfigureFileEncode(
      [handle](std::uint32_t item, std::uintptr_t value1, std::uintptr_t value2) {
        Gogo::gogo_setConfigure(handle, item, value1, value2);
      },
      sourcePath_.constData(), destinationPath_.constData());
  MERET detected;
  try {
    detected = Gogo::gogo_detectConfigure(handle_);
  } catch (...) {
    detected = RESULT_EXCEPTION;
  }
  if (detected != RESULT_OK)
    return Start::Refused;
  std::int32_t frames = 0;
  Gogo::gogo_getConfigure(handle_, GET_FRAME_COUNT, &frames);
  allFrames_ = frames;

  thread_ = WorkerThread::Start([this, ended = std::move(ended)] { Run(ended); },
                                TEncodeThread::ToQtPriority(settings.Priority()));
  if (!thread_) {
    // The set-up opened the files; ending the coder closes them.
    Gogo::gogo_endCoder(handle_);
    return Start::NoThread;
  }
  return Start::Started;
}

void TEncodeJob::Run(const std::function<void()>& ended) {
  std::fenv_t saved;
  std::fegetenv(&saved);
  EnterEncoderFloatingPoint();
  MERET result = RESULT_OK;
  int done = 0;
  while (result == RESULT_OK && !abort_) {
    try {
      result = Gogo::gogo_processFrame(handle_);
    } catch (...) {
      result = RESULT_EXCEPTION;
    }
    framesDone_ = ++done;
  }
  // The final flush, the info frame and the sync to disk happen in the close: an encode whose
  // close fails did not complete, however its frames went.
  MERET closed = RESULT_EXCEPTION;
  try {
    closed = Gogo::gogo_closeCoder(handle_);
  } catch (...) {
  }
  try {
    Gogo::gogo_endCoder(handle_);
  } catch (...) {
  }
  std::fesetenv(&saved);
  completed_ = !abort_ && result == RESULT_END_OF_INPUT && closed == RESULT_OK;
  ended_ = true;
  if (ended)
    ended();
}

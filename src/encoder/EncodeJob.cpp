#include "encoder/EncodeJob.h"

#include "app/FsPath.h"
#include "app/WorkerThread.h"
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

bool TEncodeJob::Begin(const TGogoTea& settings, std::function<void()> ended) {
  if (thread_)
    return false;
  settings.ConfigureFileEncode(
      [this](std::uint32_t item, std::uintptr_t value1, std::uintptr_t value2) {
        items_.push_back({item, {value1, value2}});
      },
      sourcePath_.constData(), destinationPath_.constData());
  thread_ = WorkerThread::Start([this, ended = std::move(ended)] { Run(ended); },
                                settings.Priority() == TThreadPriority::tpIdle);
  return thread_ != nullptr;
}

bool TEncodeJob::SetUp() {
  if (!Available() || (handle_ = Gogo::gogo_create()) == nullptr ||
      Gogo::gogo_initializeWork(handle_) != RESULT_OK)
    return false;
  for (const auto& [item, values] : items_)
    Gogo::gogo_setConfigure(handle_, item, values.first, values.second);
  MERET detected;
  try {
    detected = Gogo::gogo_detectConfigure(handle_);
  } catch (...) {
    detected = RESULT_EXCEPTION;
  }
  if (detected != RESULT_OK)
    return false;
  std::int32_t frames = 0;
  Gogo::gogo_getConfigure(handle_, GET_FRAME_COUNT, &frames);
  allFrames_ = frames;
  return true;
}

void TEncodeJob::Run(const std::function<void()>& ended) {
  if (!SetUp()) {
    refused_ = true;
    if (handle_ != nullptr)
      Gogo::gogo_endCoder(handle_); // closes what the set-up opened
    ended_ = true;
    if (ended)
      ended();
    return;
  }
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

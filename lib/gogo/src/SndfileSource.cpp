#include "SndfileSource.h"

#include "EncoderSettings.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <mutex>
#include <span>
#include <sys/stat.h>
#include <unistd.h>

namespace gogo {

namespace {

// libsndfile's open writes process globals (its last error and the header parser's log), so
// opens of encodes on other threads must not overlap; reading an open file touches none.
std::mutex& openLock() {
  static std::mutex lock;
  return lock;
}

void describe(const SF_INFO& sf, GOGO_INPUT_INFO& info) {
  switch (sf.format & SF_FORMAT_TYPEMASK) {
  case SF_FORMAT_WAV:
    info.container = GOGO_CONTAINER_WAV;
    break;
  case SF_FORMAT_WAVEX:
    info.container = GOGO_CONTAINER_WAVEX;
    break;
  case SF_FORMAT_RF64:
    info.container = GOGO_CONTAINER_RF64;
    break;
  default:
    info.container = GOGO_CONTAINER_OTHER;
    break;
  }
  info.samples = GOGO_SAMPLES_INT;
  switch (sf.format & SF_FORMAT_SUBMASK) {
  case SF_FORMAT_PCM_S8:
  case SF_FORMAT_PCM_U8:
    info.bits = 8;
    break;
  case SF_FORMAT_PCM_16:
    info.bits = 16;
    break;
  case SF_FORMAT_PCM_24:
    info.bits = 24;
    break;
  case SF_FORMAT_PCM_32:
    info.bits = 32;
    break;
  case SF_FORMAT_FLOAT:
    info.samples = GOGO_SAMPLES_FLOAT;
    info.bits = 32;
    break;
  case SF_FORMAT_DOUBLE:
    info.samples = GOGO_SAMPLES_FLOAT;
    info.bits = 64;
    break;
  default:
    info.samples = GOGO_SAMPLES_COMPRESSED;
    info.bits = 0;
    break;
  }
  info.rate = sf.samplerate;
  info.channels = sf.channels;
  info.frames = sf.frames;
}

std::int32_t check(const GOGO_INPUT_INFO& info) {
  if (info.samples == GOGO_SAMPLES_COMPRESSED) {
    return GOGO_INPUT_ENCODING;
  }
  if (info.channels < 1 || info.channels > 8) {
    return GOGO_INPUT_CHANNELS;
  }
  if (encodeRateFor(info.rate) == 0) {
    return GOGO_INPUT_RATE;
  }
  // libsndfile counts what the data chunk holds; an empty one would still give an MP3 of
  // an info frame and nothing else.
  if (info.frames <= 0) {
    return GOGO_INPUT_NO_AUDIO;
  }
  return GOGO_INPUT_OK;
}

} // namespace

std::unique_ptr<SndfileSource> SndfileSource::open(const std::string& path, GOGO_INPUT_INFO& info) {
  info = GOGO_INPUT_INFO{};
  info.frames = -1;
  // Non-blocking, so that a FIFO without a writer or a device cannot hang the caller before
  // fstat has shown what the path is.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    info.reason = errno == ENOENT || errno == ENOTDIR ? GOGO_INPUT_NOT_FOUND
                  : errno == EISDIR                   ? GOGO_INPUT_NOT_REGULAR
                                                      : GOGO_INPUT_UNREADABLE;
    return nullptr;
  }
  std::unique_ptr<SndfileSource> source(new SndfileSource);
  source->fd_ = fd;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    info.reason = GOGO_INPUT_NOT_REGULAR;
    return nullptr;
  }
  // Reads of a regular file never block; clear the flag all the same so that libsndfile sees
  // the descriptor it expects.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

  SF_INFO sf{};
  {
    std::lock_guard lock(openLock());
    source->file_ = sf_open_fd(fd, SFM_READ, &sf, SF_FALSE);
  }
  if (source->file_ == nullptr) {
    info.reason = GOGO_INPUT_NOT_AUDIO;
    return nullptr;
  }
  describe(sf, info);
  info.reason = check(info);
  if (info.reason != GOGO_INPUT_OK) {
    return nullptr;
  }
  info.encodeRate = static_cast<std::int32_t>(encodeRateFor(info.rate));

  source->channels_ = sf.channels;
  source->rate_ = sf.samplerate;
  source->frames_ = source->fileFrames_ = sf.frames;
  // 8- and 16-bit samples go to LAME as they are; wider ones, and anything mixed down, as
  // floats so that no precision is thrown away first.
  source->float_ = info.bits > 16 || info.samples == GOGO_SAMPLES_FLOAT || sf.channels > 2;
  source->mayClip_ = info.samples == GOGO_SAMPLES_FLOAT;
  if (sf.channels > 2) {
    std::vector<int> positions(static_cast<size_t>(sf.channels));
    if (sf_command(source->file_, SFC_GET_CHANNEL_MAP_INFO, positions.data(),
                   static_cast<int>(positions.size() * sizeof(int))) != SF_TRUE) {
      positions.clear(); // no channel mask in the file
    }
    source->downmix_.emplace(sf.channels, positions);
  }
  return source;
}

SndfileSource::~SndfileSource() {
  if (file_ != nullptr) {
    sf_close(file_);
  }
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

long SndfileSource::read(void* out, long frames) {
  sf_count_t got = 0;
  if (downmix_) {
    wide_.resize(static_cast<size_t>(frames) * static_cast<size_t>(channels_));
    got = sf_readf_float(file_, wide_.data(), frames);
    downmix_->mix(wide_.data(), static_cast<long>(got), static_cast<float*>(out));
  } else {
    got = float_ ? sf_readf_float(file_, static_cast<float*>(out), frames)
                 : sf_readf_short(file_, static_cast<short*>(out), frames);
  }
  if (got < frames && sf_error(file_) != SF_ERR_NO_ERROR) {
    return -1;
  }
  if (gain_ != 1.0f) {
    float* samples = static_cast<float*>(out);
    std::for_each(samples, samples + got * channels(), [this](float& v) { v *= gain_; });
  }
  return static_cast<long>(got);
}

bool SndfileSource::restrictTo(std::int64_t first, std::int64_t count) {
  if (first < 0 || count < 1 || first > fileFrames_ || count > fileFrames_ - first) {
    return false;
  }
  // A float file's first pass starts at the file's start and comes back to `first` at its end.
  if (!mayClip_ && sf_seek(file_, first, SEEK_SET) != first) {
    return false;
  }
  first_ = first;
  frames_ = count;
  return true;
}

bool SndfileSource::scan(long frames) {
  if (scanned_ >= fileFrames_) {
    return true; // the pass ended early, at a file shorter than its header said
  }
  scanBuffer_.resize(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels()));
  const long got = read(scanBuffer_.data(), frames);
  if (got < 0) {
    return false;
  }
  for (const float v : std::span(scanBuffer_.data(), static_cast<std::size_t>(got * channels()))) {
    if (std::isfinite(v)) {
      peak_ = std::max(peak_, std::fabs(v));
    }
  }
  scanned_ += got;
  if (got == frames && scanned_ < fileFrames_) {
    return true;
  }
  // The pass is over: the encode reads from its first frame, scaled where the peak is beyond
  // full scale.
  scanned_ = fileFrames_;
  std::vector<float>().swap(scanBuffer_);
  if (peak_ > 1.0f) {
    gain_ = kScaledPeak / peak_;
  }
  return sf_seek(file_, first_, SEEK_SET) == first_;
}

} // namespace gogo

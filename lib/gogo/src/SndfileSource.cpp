#include "SndfileSource.h"

#include <sndfile.h>
#include <sys/stat.h>

namespace gogo {

std::unique_ptr<SndfileSource> SndfileSource::open(const std::string& path, MERET& result) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    result = RESULT_INPUT_NOT_FOUND;
    return nullptr;
  }
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    // The file is there: either unreadable for us or not audio libsndfile knows.
    result = sf_error(nullptr) == SF_ERR_SYSTEM ? RESULT_INPUT_NOT_FOUND : RESULT_FORMAT_ERROR;
    return nullptr;
  }
  std::unique_ptr<SndfileSource> source(new SndfileSource);
  source->file_ = file;
  source->channels_ = info.channels;
  source->rate_ = info.samplerate;
  source->frames_ = info.frames;

  bool linear = true;
  switch (info.format & SF_FORMAT_SUBMASK) {
  case SF_FORMAT_PCM_S8:
  case SF_FORMAT_PCM_U8:
  case SF_FORMAT_PCM_16:
    // 8-bit samples scale to 16 bits exactly; LAME takes them as they are.
    source->float_ = false;
    break;
  case SF_FORMAT_PCM_24:
  case SF_FORMAT_PCM_32:
  case SF_FORMAT_FLOAT:
  case SF_FORMAT_DOUBLE:
    // Wider samples go as floats so that no precision is thrown away before LAME.
    source->float_ = true;
    break;
  default:
    linear = false;
    break;
  }
  if (!linear || info.channels < 1 || info.channels > 2 || info.frames < 0) {
    result = RESULT_FORMAT_ERROR;
    return nullptr;
  }
  result = RESULT_OK;
  return source;
}

SndfileSource::~SndfileSource() {
  if (file_ != nullptr) {
    sf_close(file_);
  }
}

long SndfileSource::read(void* out, long frames) {
  const sf_count_t got = float_ ? sf_readf_float(file_, static_cast<float*>(out), frames)
                                : sf_readf_short(file_, static_cast<short*>(out), frames);
  if (got < frames && sf_error(file_) != SF_ERR_NO_ERROR) {
    return -1;
  }
  return static_cast<long>(got);
}

} // namespace gogo

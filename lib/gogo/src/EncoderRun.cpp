#include "EncoderRun.h"

#include "LameTables.h"
#include "ReaderSource.h"
#include "SndfileSource.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <limits>
#include <shared_mutex>

namespace gogo {

namespace {

// LAME reports on stderr unless told otherwise; a library keeps quiet.
void silent(const char*, va_list) {}

} // namespace

std::unique_ptr<EncoderRun> EncoderRun::start(const EncoderSettings& settings, MERET& result) {
  result = settings.check();
  if (result != RESULT_OK) {
    return nullptr;
  }
  std::unique_ptr<EncoderRun> s(new EncoderRun);
  if (settings.inputKind == EncoderSettings::InputKind::File) {
    GOGO_INPUT_INFO info{};
    std::unique_ptr<SndfileSource> file = SndfileSource::open(settings.inputPath, info);
    if (!file) {
      result = info.reason <= GOGO_INPUT_NOT_REGULAR ? RESULT_INPUT_NOT_FOUND : RESULT_FORMAT_ERROR;
      return nullptr;
    }
    if (settings.range && !file->restrictTo(settings.range->first, settings.range->count)) {
      result = RESULT_PARAM_ERROR;
      return nullptr;
    }
    s->source_ = std::move(file);
  } else {
    s->source_ = std::make_unique<ReaderSource>(settings.reader);
  }

  const long inRate = s->source_->sampleRate();
  long outRate = 0;
  if (settings.forceRate) {
    outRate = encodeRateFor(inRate) != 0 ? static_cast<long>(*settings.forceRate) : 0;
  } else {
    outRate = encodeRateFor(inRate);
  }
  if (outRate == 0) {
    result = RESULT_FORMAT_ERROR;
    return nullptr;
  }
  if (!settings.vbrLevel && !isBitrateFor(static_cast<long>(settings.bitrate), outRate)) {
    result = RESULT_BITRATE_ERROR;
    return nullptr;
  }
  result = s->setUpLame(settings, outRate);
  if (result != RESULT_OK) {
    return nullptr;
  }
  if (settings.measureLoudness) {
    s->meter_ = LoudnessMeter::create(s->source_->channels(), inRate);
    if (!s->meter_) {
      result = RESULT_EXCEPTION;
      return nullptr;
    }
  }

  s->block_ = lame_get_framesize(s->lame_);
  s->total_ = s->source_->totalFrames();
  s->remaining_ = s->total_;
  s->scanTotal_ = s->scanRemaining_ = s->source_->framesToScan();
  const auto values = static_cast<std::size_t>(s->block_ * s->source_->channels());
  if (s->source_->deliversFloat()) {
    s->floats_.resize(values);
  } else {
    s->shorts_.resize(values);
  }
  // Worst case of LAME's own sizing rule, scaled for up-sampling, plus its flush reserve.
  const double ratio = std::ceil(static_cast<double>(outRate) / static_cast<double>(inRate));
  s->mp3_.resize(static_cast<std::size_t>(1.25 * static_cast<double>(s->block_) * ratio) + 16384);

  if (!s->out_.create(settings.outputPath)) {
    result = RESULT_OUTPUT_ERROR;
    return nullptr;
  }
  s->state_ = State::Encoding;
  result = RESULT_OK;
  return s;
}

MERET EncoderRun::setUpLame(const EncoderSettings& settings, long outputRate) {
  std::unique_lock tables(LameTables::instance());
  lame_ = lame_init();
  if (lame_ == nullptr) {
    return RESULT_EXCEPTION;
  }
  lame_set_errorf(lame_, silent);
  lame_set_debugf(lame_, silent);
  lame_set_msgf(lame_, silent);

  const int channels = source_->channels();
  lame_set_num_channels(lame_, channels);
  lame_set_in_samplerate(lame_, static_cast<int>(source_->sampleRate()));
  lame_set_out_samplerate(lame_, static_cast<int>(outputRate));
  if (source_->totalFrames() >= 0) {
    lame_set_num_samples(lame_, static_cast<unsigned long>(source_->totalFrames()));
  }
  // A converter has no use for loudness analysis or a decoded copy; both cost time.
  lame_set_findReplayGain(lame_, 0);
  lame_set_decode_on_the_fly(lame_, 0);
  lame_set_write_id3tag_automatic(lame_, 0);
  lame_set_bWriteVbrTag(lame_, 1);

  MPEG_mode mode = JOINT_STEREO;
  switch (settings.channelMode) {
  case MODE_MONO:
    mode = MONO;
    break;
  case MODE_STEREO:
    mode = STEREO;
    break;
  case MODE_MSSTEREO:
    lame_set_force_ms(lame_, 1);
    break;
  case MODE_DUALCHANNEL:
    mode = DUAL_CHANNEL;
    break;
  default:
    break;
  }
  lame_set_mode(lame_, channels == 1 ? MONO : mode);

  if (settings.vbrLevel) {
    lame_set_VBR(lame_, vbr_default);
    lame_set_VBR_q(lame_, static_cast<int>(*settings.vbrLevel));
    if (settings.vbrRange) {
      if (settings.vbrRange->first > 0) {
        lame_set_VBR_min_bitrate_kbps(lame_, static_cast<int>(settings.vbrRange->first));
      }
      if (settings.vbrRange->second > 0) {
        lame_set_VBR_max_bitrate_kbps(lame_, static_cast<int>(settings.vbrRange->second));
      }
    }
  } else {
    lame_set_VBR(lame_, vbr_off);
    lame_set_brate(lame_, static_cast<int>(settings.bitrate));
  }

  // Without the extra psychoacoustic work the encode runs at LAME's own default quality (what
  // the lame command gives), with it at LAME's high quality; never at its fast mode, whose
  // lack of noise shaping is audible at the bit rates a converter uses.
  lame_set_quality(lame_, settings.psychoacoustics ? 2 : 3);
  if (settings.extFilter) {
    const double nyquist = static_cast<double>(outputRate) / 2.0;
    const auto [passEnd, stopStart] = *settings.extFilter;
    lame_set_lowpassfreq(
        lame_, static_cast<int>(std::lround(nyquist * static_cast<double>(stopStart) / 100.0)));
    lame_set_lowpasswidth(lame_, static_cast<int>(std::lround(
                                     nyquist * static_cast<double>(stopStart - passEnd) / 100.0)));
  } else if (!settings.lowpass) {
    lame_set_lowpassfreq(lame_, -1);
  }
  lame_set_emphasis(lame_, static_cast<int>(settings.emphasis));

  return lame_init_params(lame_) < 0 ? RESULT_ENCODER_ERROR : RESULT_OK;
}

EncoderRun::~EncoderRun() {
  finish();
  if (lame_ != nullptr) {
    lame_close(lame_);
  }
}

std::int32_t EncoderRun::frameCount() const {
  if (total_ < 0) {
    return 0;
  }
  const std::int64_t scanBlock = block_ * kScanBlocks;
  const std::int64_t calls = (scanTotal_ + scanBlock - 1) / scanBlock +
                             std::max<std::int64_t>(1, (total_ + block_ - 1) / block_);
  return static_cast<std::int32_t>(
      std::min<std::int64_t>(calls, std::numeric_limits<std::int32_t>::max()));
}

MERET EncoderRun::fail(MERET code) {
  state_ = State::Failed;
  failure_ = code;
  return code;
}

MERET EncoderRun::flushEncoder() {
  int n = 0;
  {
    std::shared_lock tables(LameTables::instance());
    n = lame_encode_flush(lame_, mp3_.data(), static_cast<int>(mp3_.size()));
  }
  if (n < 0) {
    return fail(RESULT_ENCODER_ERROR);
  }
  if (!out_.write(mp3_.data(), static_cast<std::size_t>(n))) {
    return fail(RESULT_WRITE_ERROR);
  }
  state_ = State::Ended;
  return RESULT_END_OF_INPUT;
}

MERET EncoderRun::processFrame() {
  switch (state_) {
  case State::Encoding:
    break;
  case State::Ended:
    return RESULT_END_OF_INPUT;
  case State::Failed:
    return failure_;
  case State::Closed:
    return RESULT_SEQUENCE_ERROR;
  }

  if (scanRemaining_ > 0) {
    // A first pass over the input, many blocks a call: reading is quick next to encoding.
    const long scan =
        static_cast<long>(std::min<std::int64_t>(block_ * kScanBlocks, scanRemaining_));
    scanRemaining_ -= scan;
    return source_->scan(scan) ? RESULT_OK : fail(RESULT_READ_ERROR);
  }
  const long want =
      remaining_ < 0 ? block_ : static_cast<long>(std::min<std::int64_t>(block_, remaining_));
  const bool asFloat = source_->deliversFloat();
  long got = 0;
  if (want > 0) {
    got = asFloat ? source_->read(floats_.data(), want) : source_->read(shorts_.data(), want);
    if (got < 0) {
      return fail(RESULT_READ_ERROR);
    }
    if (got > 0 && meter_ &&
        !(asFloat ? meter_->add(floats_.data(), got) : meter_->add(shorts_.data(), got))) {
      return fail(RESULT_EXCEPTION);
    }
  }
  if (got > 0) {
    const int cap = static_cast<int>(mp3_.size());
    int n = 0;
    const int count = static_cast<int>(got);
    std::shared_lock tables(LameTables::instance());
    if (source_->channels() == 2) {
      n = asFloat ? lame_encode_buffer_interleaved_ieee_float(lame_, floats_.data(), count,
                                                              mp3_.data(), cap)
                  : lame_encode_buffer_interleaved(lame_, shorts_.data(), count, mp3_.data(), cap);
    } else {
      // The interleaved entry points assume two channels.
      n = asFloat
              ? lame_encode_buffer_ieee_float(lame_, floats_.data(), floats_.data(), count,
                                              mp3_.data(), cap)
              : lame_encode_buffer(lame_, shorts_.data(), shorts_.data(), count, mp3_.data(), cap);
    }
    tables.unlock();
    if (n < 0) {
      return fail(RESULT_ENCODER_ERROR);
    }
    if (!out_.write(mp3_.data(), static_cast<std::size_t>(n))) {
      return fail(RESULT_WRITE_ERROR);
    }
    if (remaining_ >= 0) {
      remaining_ -= got;
    }
  }
  const bool ended = got < want || remaining_ == 0;
  return ended ? flushEncoder() : RESULT_OK;
}

MERET EncoderRun::finish() {
  if (state_ == State::Closed) {
    return RESULT_OK;
  }
  // Every step runs even after an earlier one failed, so the files are always closed; the
  // first failure is what the caller hears.
  MERET result = RESULT_OK;
  const auto step = [&result](MERET r) {
    if (result == RESULT_OK && r != RESULT_OK && r != RESULT_END_OF_INPUT) {
      result = r;
    }
  };
  if (state_ == State::Encoding) {
    // Stopped before the end: complete the stream with what was read so far.
    step(flushEncoder());
  }
  if (state_ == State::Ended) {
    unsigned char tag[2880];
    std::size_t n = 0;
    {
      std::shared_lock tables(LameTables::instance());
      n = lame_get_lametag_frame(lame_, tag, sizeof tag);
    }
    if (n > sizeof tag) {
      step(RESULT_ENCODER_ERROR);
    } else if (n > 0 && !out_.overwriteStart(tag, n)) {
      step(RESULT_WRITE_ERROR);
    }
  } else {
    step(failure_);
  }
  source_.reset();
  if (!out_.close()) {
    step(RESULT_WRITE_ERROR);
  }
  state_ = State::Closed;
  return result;
}

} // namespace gogo

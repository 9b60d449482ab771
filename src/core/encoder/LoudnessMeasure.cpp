#include "core/encoder/LoudnessMeasure.h"

#include "core/encoder/EncoderBinding.h"

#include <cmath>

namespace {

// ReplayGain 2.0's reference loudness.
constexpr double kReferenceLufs = -18.0;

} // namespace

std::shared_ptr<LoudnessMeasure> LoudnessMeasure::Take(GogoHandle* handle) {
  if (!EncoderLoudnessBound())
    return nullptr;
  GogoLoudness* measure = EncoderModule::gogo_takeLoudness(
      handle != nullptr ? handle : EncoderModule::gogo_defaultHandle());
  return measure != nullptr ? std::shared_ptr<LoudnessMeasure>(new LoudnessMeasure(measure))
                            : nullptr;
}

LoudnessMeasure::~LoudnessMeasure() {
  EncoderModule::gogo_freeLoudness(measure_);
}

std::optional<LoudnessMeasure::ReplayGain>
LoudnessMeasure::ReplayGainOf(const std::vector<std::shared_ptr<LoudnessMeasure>>& measures) {
  std::vector<GogoLoudness*> all;
  for (const auto& m : measures)
    if (m)
      all.push_back(m->measure_);
  double lufs = 0;
  double peak = 0;
  if (all.empty() || all.size() != measures.size() ||
      EncoderModule::gogo_measureLoudness(all.data(), static_cast<std::int32_t>(all.size()), &lufs,
                                          &peak) != RESULT_OK ||
      !std::isfinite(lufs))
    return std::nullopt;
  return ReplayGain{kReferenceLufs - lufs, peak};
}

QString LoudnessMeasure::ReplayGain::GainText() const {
  // Two decimals, a point whatever the locale, "-0.00" never written.
  const double rounded = std::round(gainDb * 100) / 100;
  return QString::number(rounded == 0 ? 0.0 : rounded, 'f', 2) + QStringLiteral(" dB");
}

QString LoudnessMeasure::ReplayGain::PeakText() const {
  return QString::number(peak, 'f', 6);
}

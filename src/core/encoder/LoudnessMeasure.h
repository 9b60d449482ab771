// The loudness of one encode as the encoder module measured it in the encode's own pass (EBU
// R128 by libebur128), held until it is no longer needed; and ReplayGain 2.0's gain and peak
// from one measure (a track) or several taken as one signal (an album).
#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <vector>

struct GogoHandle;
struct GogoLoudness;

class LoudnessMeasure {
public:
  // The measure of the last encode of `handle` (null: the module's own coder, that of the
  // MPGE_ calls), taken from the module; null when there is none (not asked for, failed, a
  // module that does not measure).
  static std::shared_ptr<LoudnessMeasure> Take(GogoHandle* handle);
  ~LoudnessMeasure();
  LoudnessMeasure(const LoudnessMeasure&) = delete;
  LoudnessMeasure& operator=(const LoudnessMeasure&) = delete;

  // ReplayGain's values as its tags hold them: the gain that brings the loudness to -18 LUFS
  // ("-6.52 dB") and the sample peak ("0.988525", 1 = full scale).
  struct ReplayGain {
    double gainDb = 0;
    double peak = 0;
    QString GainText() const;
    QString PeakText() const;
  };
  // Of the measures taken as one signal; nullopt when there is none, the module fails, or the
  // signal is silence (the loudness gate leaves nothing to measure).
  static std::optional<ReplayGain>
  ReplayGainOf(const std::vector<std::shared_ptr<LoudnessMeasure>>& measures);

private:
  explicit LoudnessMeasure(GogoLoudness* measure) : measure_(measure) {}
  GogoLoudness* measure_;
};

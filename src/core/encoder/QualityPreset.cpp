#include "core/encoder/QualityPreset.h"

#include "core/encoder/EncoderComponent.h"

#include <algorithm>

using Quality = Options::Quality;

const std::vector<QualityPreset>& QualityPreset::All() {
  // Sizes per minute as bench_encode measured them on five minutes of music (README); a VBR
  // file's size follows its music.
  static const std::vector<QualityPreset> presets = {
      {Quality::Cbr128, "CBR128", 128, -1, "128 kbps CBR（従来どおり）",
       "約0.96 MB/分・従来と同じ音質"},
      {Quality::Cbr160, "CBR160", 160, -1, "160 kbps CBR", "約1.2 MB/分・128より少し良い音"},
      {Quality::Cbr192, "CBR192", 192, -1, "192 kbps CBR", "約1.4 MB/分・ふだん聴きに十分"},
      {Quality::Cbr256, "CBR256", 256, -1, "256 kbps CBR", "約1.9 MB/分・高音質"},
      {Quality::Cbr320, "CBR320", 320, -1, "320 kbps CBR", "約2.4 MB/分・MP3で最高のビットレート"},
      {Quality::V0, "V0", 128, 0, "VBR V0", "約1.8 MB/分（曲による）・VBRの最高音質"},
      {Quality::V2, "V2", 128, 2, "VBR V2（標準）", "約1.3 MB/分（曲による）・おすすめの標準"},
      {Quality::V4, "V4", 128, 4, "VBR V4", "約1.0 MB/分（曲による）・小さめで十分な音質"},
  };
  return presets;
}

const QualityPreset& QualityPreset::Of(Quality quality) {
  const auto& all = All();
  return *std::find_if(all.begin(), all.end(),
                       [quality](const QualityPreset& p) { return p.quality == quality; });
}

std::optional<Quality> QualityPreset::FromKey(const QString& key) {
  for (const QualityPreset& p : All())
    if (key == QLatin1String(p.key))
      return p.quality;
  return std::nullopt;
}

std::optional<Quality> QualityPreset::FromBitrate(int kbps) {
  for (const QualityPreset& p : All())
    if (p.vbrLevel < 0 && p.kbps == kbps)
      return p.quality;
  return std::nullopt;
}

std::optional<Quality> QualityPreset::FromVbrLevel(int level) {
  for (const QualityPreset& p : All())
    if (p.vbrLevel >= 0 && p.vbrLevel == level)
      return p.quality;
  return std::nullopt;
}

void QualityPreset::ApplyTo(EncoderComponent& encoder) const {
  encoder.setBitRate(kbps);
  encoder.setUseVBR(vbrLevel >= 0);
  if (vbrLevel >= 0)
    encoder.setVBRLevel(vbrLevel);
}

// The MP3 qualities the user chooses from: what each is called in the settings file and on the
// command line, how the options window names and explains it, and the encoder settings it
// stands for (LAME's own: -b N for a constant bit rate, -V N for its VBR presets).
#pragma once

#include "core/settings/Options.h"

#include <QString>

#include <optional>
#include <vector>

class EncoderComponent;

struct QualityPreset {
  Options::Quality quality;
  // The settings file's value ("CBR128" .. "CBR320", "V0", "V2", "V4").
  const char* key;
  // Constant bit rate in kbit/s; with a VBR level, the rate the design sends all the same.
  int kbps;
  // LAME's VBR quality 0 (best) .. 9; -1 for a constant bit rate.
  int vbrLevel;
  // The options window's name for it and its one-line hint (size per minute and use).
  const char* label;
  const char* hint;

  // Every preset, in the order the options window lists them.
  static const std::vector<QualityPreset>& All();
  static const QualityPreset& Of(Options::Quality quality);
  // The preset stored as `key`; nullopt for anything else.
  static std::optional<Options::Quality> FromKey(const QString& key);
  // The preset lame's -b `kbps` or -V `level` names; nullopt when there is none such.
  static std::optional<Options::Quality> FromBitrate(int kbps);
  static std::optional<Options::Quality> FromVbrLevel(int level);

  // Sets the encoder's bit rate and VBR settings for this preset. Throws EncoderError while the
  // encoder is encoding.
  void ApplyTo(EncoderComponent& encoder) const;
};

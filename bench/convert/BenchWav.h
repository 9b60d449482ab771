// WAV files for the conversion benchmarks: 16-bit stereo 44.1 kHz PCM in a canonical RIFF file.
#pragma once

#include <QByteArray>

#include <utility>

namespace bench {

inline void PutLE(QByteArray& out, quint32 value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// `frames` sample frames; `sample(i)` gives frame i's left and right values in 16-bit units.
template <typename Sample> QByteArray StereoWav(quint32 frames, Sample sample) {
  QByteArray data;
  data.reserve(static_cast<qsizetype>(frames) * 4);
  for (quint32 i = 0; i < frames; ++i) {
    const std::pair<double, double> value = sample(i);
    PutLE(data, static_cast<quint16>(static_cast<qint16>(value.first)), 2);
    PutLE(data, static_cast<quint16>(static_cast<qint16>(value.second)), 2);
  }
  QByteArray wav("RIFF");
  PutLE(wav, 36 + static_cast<quint32>(data.size()), 4);
  wav.append("WAVEfmt ");
  PutLE(wav, 16, 4);
  PutLE(wav, 1, 2);
  PutLE(wav, 2, 2);
  PutLE(wav, 44100, 4);
  PutLE(wav, 44100 * 4, 4);
  PutLE(wav, 4, 2);
  PutLE(wav, 16, 2);
  wav.append("data");
  PutLE(wav, static_cast<quint32>(data.size()), 4);
  return wav + data;
}

} // namespace bench

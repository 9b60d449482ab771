#include "core/convert/ReplayGainTags.h"

#include "core/fs/FsPath.h"
#include "core/tags/TagCopy.h"

namespace ReplayGainTags {

QString Refusal(const Options& options, bool measures) {
  if (!options.replayGain)
    return {};
  if (options.mp3TagFormat == Options::Mp3Format::Rmp)
    return QStringLiteral("ReplayGainはRIFF SIF形式のタグには書き込めません（置く場所がありませ"
                          "ん）。MP3のタグ形式をID3v2.3にするか、ReplayGainを外してください");
  if (!measures)
    return QStringLiteral("このエンコーダは音量を測れないため、ReplayGainを書き込めません");
  return {};
}

bool Write(MP3INFP_HANDLE* handle, const QString& path, const QString& shownPath, bool album,
           const LoudnessMeasure::ReplayGain& values, QString& why) {
  const QByteArray bytes = FsPath::Encode(path);
  const char* gain = album ? "REPLAYGAIN_ALBUM_GAIN" : "REPLAYGAIN_TRACK_GAIN";
  const char* peak = album ? "REPLAYGAIN_ALBUM_PEAK" : "REPLAYGAIN_TRACK_PEAK";
  uint32_t saved = 1;
  const bool set = mp3infph_Load(handle, bytes.constData()) == 0 &&
                   mp3infph_SetUserText(handle, gain, values.GainText().toUtf8().constData()) ==
                       MP3INFP_USER_TEXT_OK &&
                   mp3infph_SetUserText(handle, peak, values.PeakText().toUtf8().constData()) ==
                       MP3INFP_USER_TEXT_OK;
  if (set)
    saved = mp3infph_Save(handle, bytes.constData());
  if (set && saved == 0)
    return true;
  why = QStringLiteral("%1 にReplayGainを書き込めませんでした：%2")
            .arg(FsPath::DisplayName(shownPath),
                 set ? TagCopy::SaveFailureText(saved) : QStringLiteral("MP3ファイルを読めません"));
  return false;
}

} // namespace ReplayGainTags

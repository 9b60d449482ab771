#include "core/convert/FileStart.h"

#include "core/convert/ConvertPlan.h"
#include "core/convert/Mp3Verification.h"
#include "core/convert/WavLength.h"
#include "core/encoder/EncoderBinding.h"
#include "core/fs/FsPath.h"

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Why the encoder cannot take `source`, named for the user; "" when it can (or the module cannot
// tell, and the encode's own set-up decides). `seconds` is its playing time, 0 when not known;
// `info` what the module's probe learnt (left as it is without one).
QString InputRefusal(const QString& source, double& seconds, GogoInputInfo& info) {
  const QString name = FsPath::DisplayName(source);
  seconds = 0;
  if (EncoderModule::gogo_probeInput == nullptr) {
    // An older module: at least a WAV file without audio is not turned into an empty MP3.
    const qint64 ms = Mp3Verification::WavPlayingMs(source);
    seconds = static_cast<double>(std::max<qint64>(ms, 0)) / 1000;
    return ms == 0 ? QStringLiteral("%1 には音声がありません（変換しません）").arg(name)
                   : QString();
  }
  if (EncoderModule::gogo_probeInput(FsPath::Encode(source).constData(), &info) != 0)
    return QString();
  if (info.rate > 0 && info.frames > 0)
    seconds = static_cast<double>(info.frames) / info.rate;
  switch (info.reason) {
  case GOGO_INPUT_OK:
    return QString();
  case GOGO_INPUT_NOT_FOUND:
    return QStringLiteral("%1 が見つかりません").arg(name);
  case GOGO_INPUT_UNREADABLE:
    return QStringLiteral("%1 を読めません（読み取りが許されていません）").arg(name);
  case GOGO_INPUT_NOT_REGULAR:
    return QStringLiteral("%1 はフォルダや特殊なファイルです（変換しません）").arg(name);
  case GOGO_INPUT_NOT_AUDIO:
    return QStringLiteral("%1 はWAVファイルではありません（変換しません）").arg(name);
  case GOGO_INPUT_ENCODING:
    return QStringLiteral("%1 は圧縮された音声のWAVファイルで、変換できません").arg(name);
  case GOGO_INPUT_CHANNELS:
    return QStringLiteral("%1 は %2 チャンネルの音声で、変換できません（8チャンネルまで）")
        .arg(name)
        .arg(info.channels);
  case GOGO_INPUT_RATE:
    return QStringLiteral("%1 のサンプリング周波数 %2 Hz は変換できません")
        .arg(name)
        .arg(info.rate);
  case GOGO_INPUT_NO_AUDIO:
    return QStringLiteral("%1 には音声がありません（変換しません）").arg(name);
  default:
    return QStringLiteral("%1 は変換できません").arg(name);
  }
}

// Whether `count` more file descriptors can be opened now. A low `ulimit -n` leaves few, and a
// job that runs out of them midway fails.
bool DescriptorsFree(int count) {
  std::vector<int> held;
  for (int i = 0; i < count; ++i) {
    const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
      break;
    held.push_back(fd);
  }
  for (const int fd : held)
    ::close(fd);
  return static_cast<int>(held.size()) == count;
}

// The descriptors one job holds at its busiest (the WAV file, the encode's output and its lock,
// the tag library's files while it copies the tag, the trash's files), and those kept free for
// the window's own work.
constexpr int kJobDescriptors = 8;
constexpr int kSpareDescriptors = 16;

} // namespace

bool FileStart::CleanedFolders::FirstLook(const QString& folder) {
  const std::lock_guard lock(lock_);
  return folders_.insert(folder).second;
}

void FileStart::Run() {
  const Request& r = request_;
  const QString& source = r.source;
  refusal = {source, FileResult::Kind::Refused, QString()};
  const ConvertPlan plan = ConvertPlan::Make(
      source, r.options.useOutputFolder, r.options.outputFolder, r.options.overwriteMp3, r.root);
  place = plan.refusal == ConvertPlan::Refusal::None ? plan.Place() : QString();
  if (!place.isEmpty() &&
      std::find(r.busyPlaces.begin(), r.busyPlaces.end(), place) != r.busyPlaces.end()) {
    outcome = Outcome::PlaceBusy;
    return;
  }
  if (!DescriptorsFree(kJobDescriptors * static_cast<int>(r.running + 1) + kSpareDescriptors)) {
    outcome = Outcome::NoDescriptors;
    return;
  }
  outcome = Outcome::Refused;
  if (plan.refusal != ConvertPlan::Refusal::None) {
    if (plan.refusal == ConvertPlan::Refusal::Mp3Exists)
      refusal.kind = FileResult::Kind::Skipped;
    // In a batch the message stands for a file among many: it names it.
    refusal.reason = r.inBatch ? plan.NamedText() : plan.Text();
    return;
  }
  if (r.inBatch && r.producedPlaces.count(place) != 0) {
    // Same-named WAV files of different folders meet in one output folder: the first one's MP3
    // stays, the later WAV file stays where it is.
    refusal.kind = FileResult::Kind::Skipped;
    refusal.reason = QStringLiteral("%1 はこの一括変換で別のWAVファイルから作ったMP3です。"
                                    "%2 は変換しません")
                         .arg(FsPath::DisplayName(plan.destination), FsPath::DisplayName(source));
    return;
  }
  // What the encode will read, noted before anything reads it: at its end the WAV file is
  // given up only while it is still this file.
  wav = {source, FileIdentity::Of(source), QString()};
  // A file the encoder cannot take is a refusal of that file, said in its own words; a batch
  // goes on with the next one.
  GogoInputInfo info;
  refusal.reason = InputRefusal(source, seconds, info);
  if (!refusal.reason.isEmpty())
    return;
  wav.shortfall = WavLength::Shortfall(source, seconds, info.channels * ((info.bits + 7) / 8));
  QString error;
  if (!plan.MakeDestinationFolder(error)) {
    refusal.reason = QStringLiteral("MP3を書き出すフォルダを作れません：%1").arg(error);
    return;
  }
  const QString folder = FsPath::FolderOf(plan.destination);
  if (!r.cleaned || r.cleaned->FirstLook(folder))
    EncodeTarget::RemoveStale(folder);
  target = EncodeTarget::Create(plan.destination, error);
  if (!target) {
    refusal.reason = QStringLiteral("MP3を書き出すフォルダに書き込めません：%1").arg(error);
    return;
  }
  outcome = Outcome::Admitted;
}

#include "convert/Converter.h"
#include "app/FsPath.h"

#include "app/Navigator.h"
#include "convert/BatchRun.h"
#include "convert/ConvertPlan.h"
#include "convert/EncodeTarget.h"
#include "convert/Mp3Verification.h"
#include "encoder/EncodeJob.h"
#include "encoder/GogoDefs.h"
#include "encoder/GogoTea.h"
#include "tags/TagEditor.h"

#include <QPointer>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>

#include <algorithm>

#include <sys/stat.h>

namespace {

const char* const kWavKept = "MP3ファイルを確かめられないため、WAVファイルを残しました";
constexpr quint32 kTypeWav = 2;

// Why the encoder cannot take `source`, named for the user; "" when it can (or the module cannot
// tell, and the encode's own set-up decides).
QString InputRefusal(const QString& source) {
  const QString name = FsPath::DisplayName(source);
  GogoInputInfo info;
  if (Gogo::gogo_probeInput == nullptr) {
    // An older module: at least a WAV file without audio is not turned into an empty MP3.
    return Mp3Verification::PlayingMs(source, kTypeWav) == 0
               ? QStringLiteral("%1 には音声がありません（変換しません）").arg(name)
               : QString();
  }
  if (Gogo::gogo_probeInput(FsPath::Encode(source).constData(), &info) != 0)
    return QString();
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

// The MP3's place: its folder (device and inode) and its name. A tag rewrite replaces the file,
// and with it the inode, but never the place.
QString PlaceOf(const QString& path) {
  const qsizetype slash = path.lastIndexOf(u'/');
  struct stat folder {};
  if (!FsPath::Stat(slash <= 0 ? QStringLiteral("/") : path.left(slash), folder))
    folder = {};
  return QStringLiteral("%1:%2/")
             .arg(static_cast<qulonglong>(folder.st_dev))
             .arg(static_cast<qulonglong>(folder.st_ino)) +
         path.mid(slash + 1);
}

// The playing time of `source` in seconds, as the encoder's probe reads it: the weight of the
// file in a batch's progress. 0 when it cannot tell.
double SecondsOf(const QString& source) {
  GogoInputInfo info;
  if (Gogo::gogo_probeInput == nullptr ||
      Gogo::gogo_probeInput(FsPath::Encode(source).constData(), &info) != 0 ||
      info.reason != GOGO_INPUT_OK || info.rate <= 0 || info.frames <= 0)
    return 0;
  return static_cast<double>(info.frames) / info.rate;
}

} // namespace

// One encode of a batch of several at once. The job goes before its target: the encode has
// stopped before its temporary file is removed.
struct Converter::Running {
  QString source;
  QString place;
  double seconds = 0;
  std::unique_ptr<EncodeTarget> target;
  std::unique_ptr<TEncodeJob> job;
};

Converter::Converter(MainView& view, TagEditor& tags, Navigator& navigator, TGogoTea& encoder,
                     MoveToTrash trash, const Options& options, QObject* window)
    : view_(view), tags_(tags), navigator_(navigator), encoder_(encoder), trash_(std::move(trash)),
      options_(options), window_(window) {
  // Tags are never written into the MP3 an encode is still writing.
  tags_.isBeingWritten = [this](const QString& path) {
    if (encoder_.IsEncoding() && FsPath::SameFile(encoder_.DestinationFile(), path))
      return true;
    return std::any_of(running_.begin(), running_.end(), [&path](const auto& r) {
      return FsPath::SameFile(r->target->TempPath(), path);
    });
  };
}

// An encode cut off by closing the window leaves no temporary file behind.
Converter::~Converter() = default;

void Converter::ConvertShown() {
  const QString shown = navigator_.ShownFilePath();
  if (!ConvertPlan::IsWavPath(shown)) {
    view_.SetStatusText(2, ConvertPlan::RefusalText(ConvertPlan::Refusal::NotWav));
    return;
  }
  try {
    // A batch between two files has an empty marker but must not be joined by another encode.
    if (batch_ != nullptr)
      throw EGogoTeaError(QString::fromUtf8(GogoTeaMessages::ChangeWhileEncoding));
    // A refusal is said in panel 2; a started encode reports at its end.
    (void)ConvertOne(shown, 1, 1);
  } catch (const EGogoTeaError& e) {
    view_.ShowError(e.Message());
  }
}

ConvertPlan Converter::PlanFor(const QString& source) const {
  return ConvertPlan::Make(source, options_.Mp3UseFolder3, options_.Mp3FolderPath,
                           options_.Mp3OverWriteMp3);
}

std::unique_ptr<EncodeTarget> Converter::Admit(const QString& source, const ConvertPlan& plan,
                                               FileResult& refusal) {
  refusal = {source, FileResult::Kind::Refused, QString()};
  if (plan.refusal != ConvertPlan::Refusal::None) {
    if (plan.refusal == ConvertPlan::Refusal::Mp3Exists)
      refusal.kind = FileResult::Kind::Skipped;
    refusal.reason = plan.Text();
    return nullptr;
  }
  if (batch_ != nullptr && produced_.count(PlaceOf(plan.destination)) != 0) {
    // Same-named WAV files of different folders meet in one output folder: the first one's MP3
    // stays, the later WAV file stays where it is.
    refusal.kind = FileResult::Kind::Skipped;
    refusal.reason = QStringLiteral("%1 はこの一括変換で別のWAVファイルから作ったMP3です。"
                                    "%2 は変換しません")
                         .arg(FsPath::DisplayName(plan.destination), FsPath::DisplayName(source));
    return nullptr;
  }
  // A file the encoder cannot take is a refusal of that file, said in its own words; a batch
  // goes on with the next one.
  refusal.reason = InputRefusal(source);
  if (!refusal.reason.isEmpty())
    return nullptr;
  QString error;
  std::unique_ptr<EncodeTarget> target = EncodeTarget::Create(plan.destination, error);
  if (!target)
    refusal.reason = QStringLiteral("MP3を書き出すフォルダに書き込めません：%1").arg(error);
  return target;
}

std::optional<FileResult> Converter::ConvertOne(const QString& source, int index, int total) {
  // One conversion at a time: the marker stays set until the end handler has finished with
  // the last one, even after the encoder itself is idle again.
  if (!encoder_.DestinationFile().isEmpty())
    throw EGogoTeaError(QString::fromUtf8(GogoTeaMessages::ChangeWhileEncoding));
  view_.ClearStatus();
  FileResult refusal;
  target_ = Admit(source, PlanFor(source), refusal);
  if (!target_) {
    view_.SetStatusText(2, refusal.reason);
    return refusal;
  }
  view_.SetStatusText(0, QString::asprintf("%d/%d", index, total));
  view_.SetStatusText(2, FsPath::DisplayName(source));
  encoder_.setSourceFile(source);
  // The encoder writes into the temporary file; the MP3's name is taken only once it checks out.
  encoder_.setDestinationFile(target_->TempPath());
  try {
    encoder_.StartEncode();
  } catch (const EGogoTeaError&) {
    // No encode runs, so no end handler would release the marker.
    encoder_.setDestinationFile(QString());
    target_.reset();
    throw;
  }
  return std::nullopt;
}

int Converter::BatchJobs() const {
  if (options_.Mp3Jobs == 1 || !TEncodeJob::Available())
    return 1;
  const int jobs = options_.Mp3Jobs > 0 ? options_.Mp3Jobs : QThread::idealThreadCount();
  return std::clamp(jobs, 1, Options::kMaxMp3Jobs);
}

std::optional<BatchResult> Converter::ConvertAll() {
  if (navigator_.FileList().isEmpty() || navigator_.ShownFilePath().isEmpty())
    return std::nullopt;
  if (batch_ != nullptr || !encoder_.DestinationFile().isEmpty()) {
    view_.ShowError(QString::fromUtf8(GogoTeaMessages::ChangeWhileEncoding));
    return std::nullopt;
  }

  // The window may be destroyed during a wait; `alive` tells, through the window.
  const QPointer<QObject> alive(window_);
  const bool hasWindow = window_ != nullptr;
  const auto windowGone = [&alive, hasWindow] { return hasWindow && alive.isNull(); };
  BatchRun run(window_);
  batch_ = &run;
  // However the loop is left, this converter (when its window still exists) forgets the batch.
  const auto forget = qScopeGuard([this, &windowGone] {
    if (!windowGone()) {
      batch_ = nullptr;
      running_.clear();
    }
  });
  produced_.clear();
  // The window stays usable during the waits. Opening another folder or dropping a file
  // replaces the list (a conversion's changes to it do not); its entries then are no longer
  // the ones asked for, and the batch ends there rather than converting files of another
  // folder.
  const QStringList files = navigator_.FileList();
  batchResult_ = BatchResult();
  batchResult_.wavCount = static_cast<int>(std::count_if(
      files.begin(), files.end(), [](const QString& f) { return ConvertPlan::IsWavPath(f); }));
  const int jobs = BatchJobs();
  try {
    if (!(jobs > 1 ? ConvertAtOnce(files, jobs, run) : ConvertOneByOne(files, run, windowGone)))
      return std::nullopt;
  } catch (const EGogoTeaError& e) {
    view_.ShowError(e.Message());
    return std::nullopt;
  }
  batch_ = nullptr;
  return batchResult_;
}

void Converter::StopBatch() {
  if (batch_ != nullptr)
    batch_->Stop();
}

std::size_t Converter::Record(const FileResult& result) {
  batchResult_.files.push_back(result);
  view_.SetStatusText(
      0, QStringLiteral("%1/%2").arg(batchResult_.files.size()).arg(batchResult_.wavCount));
  return batchResult_.files.size() - 1;
}

bool Converter::ConvertOneByOne(const QStringList& files, BatchRun& run,
                                const std::function<bool()>& windowGone) {
  const int generation = navigator_.ListGeneration();
  for (const QString& entry : files) {
    if (navigator_.ListGeneration() != generation)
      break;
    view_.ClearStatus();
    if (!ConvertPlan::IsWavPath(entry))
      continue;
    // The counter: the files finished of the batch's WAV files, as when several run at once.
    if (const std::optional<FileResult> refusal =
            ConvertOne(entry, static_cast<int>(batchResult_.files.size()), batchResult_.wavCount)) {
      Record(*refusal);
      // A refused file says why for a moment before the next file clears the panels.
      view_.WaitMs(1000);
      if (windowGone() || run.Stopped())
        return false;
      continue;
    }
    // False when the window was closed or is gone, or the program is ending: no summary.
    if (!run.WaitWhile([this] { return !encoder_.DestinationFile().isEmpty(); }))
      return false;
  }
  return true;
}

bool Converter::ConvertAtOnce(const QStringList& files, int jobs, BatchRun& run) {
  // Progress is the share of the batch's playing time encoded so far; a file refused or
  // failed counts as done.
  std::vector<double> weights(static_cast<std::size_t>(files.size()), 0.0);
  double totalSeconds = 0;
  double doneSeconds = 0;
  for (qsizetype i = 0; i < files.size(); ++i) {
    if (ConvertPlan::IsWavPath(files.at(i))) {
      weights[static_cast<std::size_t>(i)] = SecondsOf(files.at(i));
      totalSeconds += weights[static_cast<std::size_t>(i)];
    }
  }
  const auto showProgress = [&] {
    double seconds = doneSeconds;
    for (const auto& r : running_) {
      if (const int all = r->job->AllFrames(); all > 0)
        seconds += r->seconds * std::min(r->job->FramesDone(), all) / all;
    }
    view_.SetProgress(totalSeconds > 0 ? static_cast<int>(seconds * 100 / totalSeconds) : 0);
  };
  const auto doneWith = [&](double seconds) {
    doneSeconds += seconds;
    showProgress();
  };
  // The encodes are polled for the bar; their ends wake the wait below.
  QTimer ticker;
  ticker.setInterval(200);
  // Tied to the window too: a window destroyed during the wait stops the bar at once.
  QObject::connect(&ticker, &QTimer::timeout, window_ != nullptr ? window_ : &run, showProgress);
  ticker.start();
  const auto wake = [&run] { QMetaObject::invokeMethod(&run, [&run] { run.Wake(); }); };

  view_.ClearStatus();
  reasonShown_.invalidate();
  view_.SetStatusText(0, QStringLiteral("0/%1").arg(batchResult_.wavCount));
  const int generation = navigator_.ListGeneration();
  qsizetype next = 0;
  for (;;) {
    while (navigator_.ListGeneration() == generation && next < files.size() &&
           running_.size() < static_cast<std::size_t>(jobs)) {
      const QString source = files.at(next);
      if (!ConvertPlan::IsWavPath(source)) {
        ++next;
        continue;
      }
      const ConvertPlan plan = PlanFor(source);
      const QString place =
          plan.refusal == ConvertPlan::Refusal::None ? PlaceOf(plan.destination) : QString();
      // A file whose MP3 a running encode is making waits for that encode to end, so that the
      // earlier file's MP3 is the one that stays, as when files are converted one at a time.
      if (!place.isEmpty() && std::any_of(running_.begin(), running_.end(),
                                          [&place](const auto& r) { return r->place == place; }))
        break;
      const double seconds = weights[static_cast<std::size_t>(next++)];
      FileResult refusal;
      std::unique_ptr<EncodeTarget> target = Admit(source, plan, refusal);
      if (!target) {
        ShowReason(refusal.reason);
        Record(refusal);
        doneWith(seconds);
        continue;
      }
      auto job = std::make_unique<TEncodeJob>(source, target->TempPath());
      if (!job->Start(encoder_, wake)) {
        target->Discard();
        const FileResult failed{
            source, FileResult::Kind::Failed,
            QStringLiteral("%1 の変換を始められません（エンコーダが設定を受け付けません）")
                .arg(FsPath::DisplayName(source))};
        view_.SetStatusText(1, QStringLiteral("中断"));
        ShowReason(failed.reason);
        Record(failed);
        doneWith(seconds);
        continue;
      }
      running_.push_back(std::make_unique<Running>(
          Running{source, place, seconds, std::move(target), std::move(job)}));
      ShowStarted(source);
    }
    if (running_.empty()) {
      view_.SetProgress(0);
      return true;
    }
    // False when the window was closed or is gone, or the program is ending: every encode
    // stops and its temporary file goes with it, each WAV file stays.
    if (!run.WaitWhile([this] {
          return std::none_of(running_.begin(), running_.end(),
                              [](const auto& r) { return r->job->Ended(); });
        }))
      return false;
    for (std::size_t i = 0; i < running_.size();) {
      if (!running_[i]->job->Ended()) {
        ++i;
        continue;
      }
      const std::unique_ptr<Running> ended = std::move(running_[i]);
      running_.erase(running_.begin() + static_cast<std::ptrdiff_t>(i));
      const bool completed = ended->job->Completed();
      ended->job.reset();
      Conclude(ended->source, ended->target.get(), completed, false);
      if (run.Stopped())
        return false;
      doneWith(ended->seconds);
    }
  }
}

void Converter::ShowReason(const QString& text) {
  view_.SetStatusText(2, text);
  reasonShown_.start();
}

void Converter::ShowStarted(const QString& source) {
  if (!reasonShown_.isValid() || reasonShown_.hasExpired(1000))
    view_.SetStatusText(2, FsPath::DisplayName(source));
}

void Converter::Progress(int nowFrames, int allFrames) {
  if (allFrames > 0)
    view_.SetProgress(static_cast<int>(qint64{nowFrames} * 100 / allFrames));
}

bool Converter::Complete(const QString& source, EncodeTarget* target, QString& reason) {
  if (target == nullptr)
    return false;
  // The encode ended, its close succeeded (else it would be aborted); the file must be there,
  // load as MP3 and play as long as its WAV file before it takes the MP3's name.
  if (!Mp3Verification::MatchesWav(source, target->TempPath())) {
    reason = QStringLiteral("できたMP3を確かめられません（%1 は元のままです）")
                 .arg(FsPath::DisplayName(source));
    target->Discard();
    return false;
  }
  QString error;
  if (!target->Commit(options_.Mp3OverWriteMp3, error)) {
    reason =
        QStringLiteral("%1 を置けません：%2").arg(FsPath::DisplayName(target->Mp3Path()), error);
    return false;
  }
  return true;
}

void Converter::Finish(bool aborted) {
  Conclude(encoder_.SourceFile(), target_.get(), !aborted, true);
  target_.reset();
  view_.SetProgress(0);
  view_.ClearStatus();
  encoder_.setDestinationFile(QString());
  if (batch_ != nullptr)
    batch_->Wake();
}

void Converter::Conclude(const QString& source, EncodeTarget* target, bool completed, bool pauses) {
  const QString mp3 = target != nullptr ? target->Mp3Path() : QString();
  FileResult result{source, FileResult::Kind::Converted, QString()};
  const bool done = completed && Complete(source, target, result.reason);
  if (!done && target != nullptr)
    target->Discard();
  if (done) {
    view_.SetStatusText(1, QStringLiteral("成功"));
    if (batch_ != nullptr)
      produced_.insert(PlaceOf(mp3));
  } else {
    result.kind = FileResult::Kind::Failed;
    if (result.reason.isEmpty())
      result.reason =
          QStringLiteral("%1 の変換が途中で終わりました").arg(FsPath::DisplayName(source));
    view_.SetStatusText(1, QStringLiteral("中断"));
    ShowReason(result.reason);
  }
  // A batch counts the file as finished as soon as its result shows.
  const std::size_t slot = batch_ != nullptr ? Record(result) : 0;
  if (pauses)
    view_.WaitMs(1000);

  bool wavGone = false;
  if (done) {
    QString why;
    if (options_.Mp3WavId3ToMp3 && !tags_.CopyTags(source, mp3, why)) {
      // The MP3 is there, but not as asked: without its WAV file's tag.
      result = {source, FileResult::Kind::Failed, why};
      view_.SetStatusText(1, QStringLiteral("失敗"));
      ShowReason(why);
      if (pauses)
        view_.WaitMs(1000);
    }
    if (options_.Mp3DeleteWav) {
      wavGone = GiveUpWav(source, mp3, why);
      if (!wavGone) {
        if (result.reason.isEmpty())
          result.reason = why;
        ShowReason(why);
        if (pauses)
          view_.WaitMs(1000);
      }
    }
  }
  // The window's list and fields follow: the MP3 joins, a WAV file gone leaves.
  navigator_.FollowConversion(source, done ? mp3 : QString(), wavGone);
  if (batch_ != nullptr)
    batchResult_.files[slot] = result;
}

bool Converter::GiveUpWav(const QString& source, const QString& mp3, QString& kept) {
  // The WAV file is given up only for an MP3 that holds all of its audio (checked again: the
  // MP3 may have changed during the pause), and, when its tag was to be copied, the tag: the
  // WAV file's tag would otherwise survive only in the trash.
  if (!Mp3Verification::MatchesWav(source, mp3))
    kept = QString::fromUtf8(kWavKept);
  else if (options_.Mp3WavId3ToMp3 && !tags_.SameStoredTag(source, mp3))
    kept = QStringLiteral("MP3にタグを写せなかったため、WAVファイルを残しました");
  else if (const Trash::Result moved = trash_ ? trash_(source) : Trash::Result{}; !moved.ok)
    kept =
        QStringLiteral("WAVファイルを%1（%2 は元のままです）")
            .arg(moved.reason.isEmpty() ? QStringLiteral("ごみ箱に移せませんでした") : moved.reason,
                 FsPath::DisplayName(source));
  else
    return true;
  return false;
}

void Converter::DeleteToRecycleBin(const QString& path) {
  // Through the desktop's trash only: a file the trash cannot take stays where it is.
  if (trash_)
    trash_(path);
}

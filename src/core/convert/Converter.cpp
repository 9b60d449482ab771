#include "core/convert/Converter.h"
#include "core/fs/FsPath.h"

#include "core/convert/BatchRun.h"
#include "core/convert/ConvertPlan.h"
#include "core/convert/EncodeTarget.h"
#include "core/convert/Mp3Verification.h"
#include "core/convert/ReplayGainAlbums.h"
#include "core/convert/ReplayGainTags.h"
#include "core/convert/WavLength.h"
#include "core/encoder/EncodeJob.h"
#include "core/encoder/EncoderBinding.h"
#include "core/encoder/EncoderComponent.h"
#include "core/encoder/LoudnessMeasure.h"
#include "core/encoder/QualityPreset.h"
#include "core/fs/FolderScan.h"
#include "core/fs/WorkerThread.h"

#include <QPointer>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
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

// Whether a job may start beside `running` others.
bool RoomForJob(std::size_t running) {
  return DescriptorsFree(kJobDescriptors * static_cast<int>(running + 1) + kSpareDescriptors);
}

// Why a batch could not go on, for its summary.
const char* const kNoDescriptors = "同時に開けるファイルの数が上限に達したため";
const char* const kNoThread = "スレッドを作れないため";

} // namespace

// One encode of a batch of several at once. The job goes before its target: the encode, and the
// work after it, have stopped before its temporary file is removed.
struct Converter::Running {
  std::uint64_t id = 0;
  int progressId = -1;
  ConversionEnd::Source wav;
  QString place;
  std::unique_ptr<EncodeTarget> target;
  std::unique_ptr<EncodeJob> job;
};

// The end of the window encoder's encode: its temporary output and the worker that ends it.
struct Converter::Ending {
  QString place;
  std::unique_ptr<EncodeTarget> target;
  std::unique_ptr<WorkerThread> worker;
};

Converter::Converter(ConversionView& view, EncoderComponent& encoder, MoveToTrash trash,
                     const Options& options, FileEnded fileEnded)
    : view_(view), encoder_(encoder), trash_(std::move(trash)), fileEnded_(std::move(fileEnded)),
      options_(options), started_(options) {}

Converter::~Converter() {
  // Every encode stops, and the work after one that ended is let finish (no file is left half
  // placed); results they post are dropped with the receiver, which goes last.
  running_.clear();
  ending_.reset();
  albumWriter_.reset();
}

bool Converter::IsBeingConverted(const QString& path) const {
  if (!encoder_.DestinationFile().isEmpty() &&
      (FsPath::SameFile(encoder_.DestinationFile(), path) ||
       FsPath::SameFile(encoder_.SourceFile(), path)))
    return true;
  return std::any_of(running_.begin(), running_.end(), [&path](const auto& r) {
    return FsPath::SameFile(r->target->TempPath(), path) || FsPath::SameFile(r->wav.path, path);
  });
}

void Converter::ConvertShown(const QString& shown, const QStringList& roots) {
  if (!IsWavName(shown)) {
    Report(
        {shown, FileResult::Kind::Refused, ConvertPlan::RefusalText(ConvertPlan::Refusal::NotWav)},
        ConversionReport::Outcome::NotStarted, false, false);
    return;
  }
  try {
    // A batch between two files has an empty marker but must not be joined by another encode.
    if (batch_ != nullptr || !encoder_.DestinationFile().isEmpty())
      throw EncoderError(QString::fromUtf8(EncoderMessages::ChangeWhileEncoding));
    started_ = options_;
    roots_ = roots;
    if (!SetUpEncoder())
      return;
    // A started encode reports at its end.
    if (const std::optional<FileResult> refusal = ConvertOne(shown, 1, 1))
      Report(*refusal, ConversionReport::Outcome::NotStarted, false, false);
  } catch (const EncoderError& e) {
    view_.ShowError(e.Message());
  }
}

ConvertPlan Converter::PlanFor(const QString& source) const {
  // The deepest root that holds the file.
  QString root;
  for (const QString& r : roots_) {
    const QString prefix = r.endsWith(u'/') ? r : r + u'/';
    if (source.startsWith(prefix) && r.size() > root.size())
      root = r;
  }
  return ConvertPlan::Make(source, started_.Mp3UseFolder3, started_.Mp3FolderPath,
                           started_.Mp3OverWriteMp3, root);
}

std::unique_ptr<EncodeTarget> Converter::Admit(const QString& source, const ConvertPlan& plan,
                                               FileResult& refusal,
                                               ConversionEnd::Source& admitted) {
  refusal = {source, FileResult::Kind::Refused, QString()};
  if (plan.refusal != ConvertPlan::Refusal::None) {
    if (plan.refusal == ConvertPlan::Refusal::Mp3Exists)
      refusal.kind = FileResult::Kind::Skipped;
    // In a batch the message stands for a file among many: it names it.
    refusal.reason = batch_ != nullptr ? plan.NamedText() : plan.Text();
    return nullptr;
  }
  if (batch_ != nullptr && produced_.count(plan.Place()) != 0) {
    // Same-named WAV files of different folders meet in one output folder: the first one's MP3
    // stays, the later WAV file stays where it is.
    refusal.kind = FileResult::Kind::Skipped;
    refusal.reason = QStringLiteral("%1 はこの一括変換で別のWAVファイルから作ったMP3です。"
                                    "%2 は変換しません")
                         .arg(FsPath::DisplayName(plan.destination), FsPath::DisplayName(source));
    return nullptr;
  }
  // What the encode will read, noted before anything reads it: at its end the WAV file is
  // given up only while it is still this file.
  admitted = {source, FileIdentity::Of(source), QString()};
  // A file the encoder cannot take is a refusal of that file, said in its own words; a batch
  // goes on with the next one.
  GogoInputInfo info;
  refusal.reason = InputRefusal(source, admittedSeconds_, info);
  if (!refusal.reason.isEmpty())
    return nullptr;
  admitted.shortfall =
      WavLength::Shortfall(source, admittedSeconds_, info.channels * ((info.bits + 7) / 8));
  QString error;
  if (!plan.MakeDestinationFolder(error)) {
    refusal.reason = QStringLiteral("MP3を書き出すフォルダを作れません：%1").arg(error);
    return nullptr;
  }
  std::unique_ptr<EncodeTarget> target = EncodeTarget::Create(plan.destination, error);
  if (!target)
    refusal.reason = QStringLiteral("MP3を書き出すフォルダに書き込めません：%1").arg(error);
  return target;
}

std::optional<FileResult> Converter::ConvertOne(const QString& source, int index, int total) {
  // One conversion at a time: the marker stays set until the end of the last one has been
  // shown, even after the encoder itself is idle again.
  if (!encoder_.DestinationFile().isEmpty())
    throw EncoderError(QString::fromUtf8(EncoderMessages::ChangeWhileEncoding));
  view_.ClearStatus();
  FileResult refusal{source, FileResult::Kind::Refused, QString()};
  const ConvertPlan plan = PlanFor(source);
  if (!RoomForJob(0))
    refusal.reason = QStringLiteral("%1、%2 を変換できません")
                         .arg(QString::fromUtf8(kNoDescriptors), FsPath::DisplayName(source));
  else
    target_ = Admit(source, plan, refusal, admitted_);
  if (!target_)
    return refusal;
  place_ = plan.Place();
  view_.ShowConversionStarted(source, index, total);
  encoder_.setSourceFile(source);
  // The encoder writes into the temporary file; the MP3's name is taken only once it checks out.
  encoder_.setDestinationFile(target_->TempPath());
  try {
    encoder_.StartEncode();
  } catch (const EncoderError&) {
    // No encode runs, so no end would release the marker.
    encoder_.setDestinationFile(QString());
    target_.reset();
    throw;
  }
  return std::nullopt;
}

int Converter::BatchJobs() const {
  if (options_.Mp3Jobs == 1 || !EncodeJob::Available())
    return 1;
  const int jobs = options_.Mp3Jobs > 0 ? options_.Mp3Jobs : QThread::idealThreadCount();
  return std::clamp(jobs, 1, Options::kMaxMp3Jobs);
}

std::optional<BatchResult> Converter::ConvertAll(QStringList files,
                                                 const std::function<bool()>& listReplaced,
                                                 const QHash<QString, qint64>& sizes,
                                                 const QStringList& roots) {
  if (batch_ != nullptr || !encoder_.DestinationFile().isEmpty()) {
    view_.ShowError(QString::fromUtf8(EncoderMessages::ChangeWhileEncoding));
    return std::nullopt;
  }
  // The batch works on the options it started with; changes made meanwhile are for the next.
  started_ = options_;
  roots_ = roots;
  if (!SetUpEncoder())
    return std::nullopt;
  const int jobs = BatchJobs();
  // The window may be destroyed during a wait, and this converter with it: `alive` tells.
  const QPointer<QObject> alive(&receiver_);
  BatchRun run(&receiver_);
  batch_ = &run;
  // However the loop is left, this converter (when it still exists) forgets the batch.
  const auto forget = qScopeGuard([this, &alive] {
    if (alive) {
      batch_ = nullptr;
      running_.clear();
      albums_.reset();
    }
  });
  produced_.clear();
  progressId_ = -1;
  // The window stays usable during the waits. Opening another folder or dropping a file
  // replaces the list (a conversion's changes to it do not); its entries then are no longer
  // the ones asked for, and the batch ends there rather than converting files of another
  // folder.
  batchResult_ = BatchResult();
  batchResult_.wavCount = static_cast<int>(
      std::count_if(files.begin(), files.end(), [](const QString& f) { return IsWavName(f); }));
  std::vector<qint64> wavSizes;
  if (!sizes.isEmpty()) {
    for (const QString& file : files)
      if (IsWavName(file))
        wavSizes.push_back(sizes.value(file));
  }
  progress_ = BatchProgress(batchResult_.wavCount, std::move(wavSizes));
  // MP3 files that cannot go where they are asked to go go nowhere else.
  batchResult_.stoppedBecause =
      ConvertPlan::OutputFolderProblem(started_.Mp3UseFolder3, started_.Mp3FolderPath, true);
  if (!batchResult_.stoppedBecause.isEmpty())
    return batchResult_;
  if (started_.Mp3ReplayGain)
    albums_ = std::make_unique<ReplayGainAlbums>(files);
  try {
    if (!(jobs > 1 ? ConvertAtOnce(files, listReplaced, jobs, run)
                   : ConvertOneByOne(files, listReplaced, run)))
      return std::nullopt;
    if (albums_ && !WriteAlbumValues(run))
      return std::nullopt;
  } catch (const EncoderError& e) {
    view_.ShowError(e.Message());
    return std::nullopt;
  }
  return batchResult_;
}

void Converter::StopBatch() {
  if (batch_ != nullptr)
    batch_->Stop();
}

void Converter::Record(const FileResult& result) {
  batchResult_.files.push_back(result);
}

void Converter::Report(const FileResult& file, ConversionReport::Outcome outcome, bool inBatch,
                       bool nextWaits, const QString& mp3) {
  ConversionReport report{file, outcome, mp3};
  if (inBatch) {
    report.batchFinished = static_cast<int>(batchResult_.files.size());
    report.batchWavs = batchResult_.wavCount;
  }
  report.nextWaits = nextWaits;
  view_.ShowFileResult(report);
}

bool Converter::ConvertOneByOne(const QStringList& files, const std::function<bool()>& listReplaced,
                                BatchRun& run) {
  const QPointer<QObject> alive(&receiver_);
  for (const QString& entry : files) {
    if (listReplaced() || !batchResult_.stoppedBecause.isEmpty())
      break;
    view_.ClearStatus();
    if (!IsWavName(entry))
      continue;
    if (!RoomForJob(0)) {
      batchResult_.stoppedBecause = QString::fromUtf8(kNoDescriptors);
      break;
    }
    // The counter: the files finished of the batch's WAV files, as when several run at once.
    if (const std::optional<FileResult> refusal =
            ConvertOne(entry, static_cast<int>(batchResult_.files.size()), batchResult_.wavCount)) {
      Record(*refusal);
      progress_.NotEncoded();
      view_.ShowProgress(BatchPercent());
      // A refused file says why before the next file starts.
      Report(*refusal, ConversionReport::Outcome::NotStarted, true, true);
      if (!alive || run.Stopped())
        return false;
      continue;
    }
    progressId_ = progress_.Admitted(admittedSeconds_);
    // False when the window was closed or is gone, or the program is ending: no summary.
    if (!run.WaitWhile([this] { return !encoder_.DestinationFile().isEmpty(); }))
      return false;
  }
  view_.ShowProgress(0);
  return true;
}

bool Converter::ConvertAtOnce(const QStringList& files, const std::function<bool()>& listReplaced,
                              int jobs, BatchRun& run) {
  QTimer ticker;
  ticker.setInterval(200);
  // The encodes are polled for the bar; their ends wake the wait below. Tied to the receiver
  // too: a converter destroyed during the wait stops the bar at once.
  QObject::connect(&ticker, &QTimer::timeout, &receiver_, [this] { ShowBatchProgress(); });
  ticker.start();

  view_.ClearStatus();
  view_.ShowBatchStarted(batchResult_.wavCount);
  qsizetype next = 0;
  // No job can start now: with others running, fewer run at once from now on; with none, the
  // batch cannot go on.
  const auto cannotStart = [&](const char* why) {
    if (running_.empty()) {
      batchResult_.stoppedBecause = QString::fromUtf8(why);
      next = files.size();
    } else {
      jobs = static_cast<int>(running_.size());
    }
  };
  for (;;) {
    while (!listReplaced() && next < files.size() &&
           running_.size() < static_cast<std::size_t>(jobs)) {
      const QString source = files.at(next);
      if (!IsWavName(source)) {
        ++next;
        continue;
      }
      const ConvertPlan plan = PlanFor(source);
      const QString place = plan.refusal == ConvertPlan::Refusal::None ? plan.Place() : QString();
      // A file whose MP3 a running encode is making waits for that encode to end, so that the
      // earlier file's MP3 is the one that stays, as when files are converted one at a time.
      if (!place.isEmpty() && std::any_of(running_.begin(), running_.end(),
                                          [&place](const auto& r) { return r->place == place; }))
        break;
      if (!RoomForJob(running_.size())) {
        cannotStart(kNoDescriptors);
        continue;
      }
      ++next;
      FileResult refusal;
      auto running = std::make_unique<Running>();
      running->target = Admit(source, plan, refusal, running->wav);
      if (!running->target) {
        Record(refusal);
        progress_.NotEncoded();
        Report(refusal, ConversionReport::Outcome::NotStarted, true, false);
        ShowBatchProgress();
        continue;
      }
      running->id = ++nextJob_;
      running->place = place;
      running->job = std::make_unique<EncodeJob>(source, running->target->TempPath());
      Running* r = running.get();
      // The job's thread sets the encode up, encodes, ends its file too, then hands the result
      // to the window's thread.
      const bool started = r->job->Begin(encoder_, [this, r, options = started_, trash = trash_] {
        ConversionEnd::Result result;
        if (r->job->Refused()) {
          r->target->Discard();
          result.file = {
              r->wav.path, FileResult::Kind::Failed,
              QStringLiteral("%1 の変換を始められません（エンコーダが設定を受け付けません）")
                  .arg(FsPath::DisplayName(r->wav.path))};
        } else {
          result = ConversionEnd::Run(r->wav, *r->target, r->job->Completed(), options, trash,
                                      r->job->Loudness());
        }
        QMetaObject::invokeMethod(
            &receiver_, [this, id = r->id, result] { JobEnded(id, result); }, Qt::QueuedConnection);
      });
      if (started) {
        running->progressId = progress_.Admitted(admittedSeconds_);
        running_.push_back(std::move(running));
        view_.ShowBatchFileStarted(source);
        continue;
      }
      running->target->Discard();
      --next; // tried again once a running job has ended, or left with the rest
      cannotStart(kNoThread);
    }
    if (running_.empty()) {
      view_.ShowProgress(0);
      return true;
    }
    // False when the window was closed or is gone, or the program is ending: every encode
    // stops and its temporary file goes with it, each WAV file stays.
    const int ended = jobsEnded_;
    if (!run.WaitWhile([this, ended] { return jobsEnded_ == ended; }))
      return false;
  }
}

void Converter::ShowBatchProgress() {
  for (const auto& r : running_) {
    if (const int all = r->job->AllFrames(); all > 0)
      progress_.Encoded(r->progressId, static_cast<double>(r->job->FramesDone()) / all);
  }
  view_.ShowProgress(BatchPercent());
}

int Converter::BatchPercent() const {
  return static_cast<int>(progress_.Share() * 100);
}

void Converter::Progress(int nowFrames, int allFrames) {
  if (allFrames <= 0)
    return;
  if (batch_ == nullptr) {
    view_.ShowProgress(static_cast<int>(qint64{nowFrames} * 100 / allFrames));
    return;
  }
  // The bar follows the whole batch, also when its files go one at a time.
  progress_.Encoded(progressId_, static_cast<double>(nowFrames) / allFrames);
  view_.ShowProgress(BatchPercent());
}

void Converter::Finish(bool aborted) {
  EndOnWorker(!aborted);
}

void Converter::EndOnWorker(bool completed) {
  const QString source = encoder_.SourceFile();
  auto ending = std::make_unique<Ending>();
  ending->target = std::move(target_);
  EncodeTarget* target = ending->target.get();
  ConversionEnd::Result failed;
  failed.file = {source, FileResult::Kind::Failed,
                 QStringLiteral("%1 の変換が途中で終わりました").arg(FsPath::DisplayName(source))};
  std::shared_ptr<LoudnessMeasure> loudness =
      completed && started_.Mp3ReplayGain ? encoder_.TakeLoudness() : nullptr;
  if (target != nullptr) {
    ending->place = place_;
    ending->worker = WorkerThread::Start(
        [this, wav = admitted_, target, completed, options = started_, trash = trash_, loudness] {
          const ConversionEnd::Result result =
              ConversionEnd::Run(wav, *target, completed, options, trash, loudness);
          QMetaObject::invokeMethod(
              &receiver_, [this, result] { EndedOnWorker(result); }, Qt::QueuedConnection);
        });
    if (!ending->worker) {
      target->Discard();
      failed.file.reason = QStringLiteral("%1 の変換を仕上げられません（スレッドを作れません）")
                               .arg(FsPath::DisplayName(source));
      if (batch_ != nullptr)
        batchResult_.stoppedBecause = QString::fromUtf8(kNoThread);
    }
  }
  const bool working = ending->worker != nullptr;
  ending_ = std::move(ending);
  // Shown the same way as a worker's result: after this event, never inside it.
  if (!working)
    QMetaObject::invokeMethod(
        &receiver_, [this, failed] { EndedOnWorker(failed); }, Qt::QueuedConnection);
}

void Converter::EndedOnWorker(const ConversionEnd::Result& result) {
  const QString place = ending_ ? ending_->place : QString();
  // The worker has just posted this; it ends at once.
  ending_.reset();
  if (batch_ != nullptr)
    progress_.Ended(std::exchange(progressId_, -1));
  if (!Finished(result, place, true))
    return;
  view_.ShowProgress(batch_ != nullptr ? BatchPercent() : 0);
  view_.ClearStatus();
  encoder_.setDestinationFile(QString());
  if (batch_ != nullptr)
    batch_->Wake();
}

void Converter::JobEnded(std::uint64_t id, const ConversionEnd::Result& result) {
  const auto it =
      std::find_if(running_.begin(), running_.end(), [id](const auto& r) { return r->id == id; });
  if (it == running_.end()) {
    // A job of a batch that was stopped meanwhile: the window's list still follows its file.
    if (fileEnded_)
      fileEnded_(result);
    return;
  }
  const QString place = (*it)->place;
  progress_.Ended((*it)->progressId);
  // Its thread has just posted this and ends at once.
  running_.erase(it);
  ++jobsEnded_;
  Finished(result, place, false);
  ShowBatchProgress();
  if (batch_ != nullptr)
    batch_->Wake();
}

bool Converter::Finished(const ConversionEnd::Result& result, const QString& place,
                         bool nextWaits) {
  using Outcome = ConversionReport::Outcome;
  if (batch_ != nullptr) {
    if (!result.mp3.isEmpty())
      produced_.insert(place);
    Record(result.file);
    if (albums_ && result.loudness && !result.mp3.isEmpty())
      albums_->Converted(result.file.wav, result.mp3, result.loudness);
  }
  // The window's list and fields follow: the MP3 joins, a WAV file gone leaves.
  if (fileEnded_)
    fileEnded_(result);
  // The view may let a result of files converted one at a time be read; the window may be
  // destroyed meanwhile, and this converter with it.
  const QPointer<QObject> alive(&receiver_);
  Report(result.file,
         result.mp3.isEmpty()   ? Outcome::NoMp3
         : result.tagCopyFailed ? Outcome::PlacedUntagged
                                : Outcome::Placed,
         batch_ != nullptr, nextWaits, result.mp3);
  return !alive.isNull();
}

bool Converter::SetUpEncoder() {
  const QString refusal = ReplayGainTags::Refusal(started_, EncoderLoudnessBound());
  if (!refusal.isEmpty()) {
    view_.ShowError(refusal);
    return false;
  }
  if (started_.Mp3Quality != appliedQuality_) {
    QualityPreset::Of(started_.Mp3Quality).ApplyTo(encoder_);
    appliedQuality_ = started_.Mp3Quality;
  }
  encoder_.setMeasureLoudness(started_.Mp3ReplayGain);
  return true;
}

bool Converter::WriteAlbumValues(BatchRun& run) {
  std::shared_ptr<const ReplayGainAlbums> albums = std::move(albums_);
  // Filled on the window's thread once written; outlives a batch stopped meanwhile.
  auto failures = std::make_shared<std::optional<std::vector<ReplayGainAlbums::Failure>>>();
  albumWriter_ = WorkerThread::Start([this, albums, failures] {
    auto written = albums->WriteAlbumValues();
    QMetaObject::invokeMethod(
        &receiver_,
        [this, written, failures] {
          *failures = written;
          if (batch_ != nullptr)
            batch_->Wake();
        },
        Qt::QueuedConnection);
  });
  // Without a thread the albums keep their track values only.
  if (!albumWriter_)
    return true;
  if (!run.WaitWhile([failures] { return !failures->has_value(); }))
    return false;
  albumWriter_.reset();
  for (const ReplayGainAlbums::Failure& f : **failures) {
    for (FileResult& file : batchResult_.files)
      if (file.wav == f.wav)
        file.reason = f.reason;
    Report({f.wav, FileResult::Kind::Converted, f.reason},
           ConversionReport::Outcome::PlacedUntagged, true, false);
  }
  return true;
}

#include "core/convert/Converter.h"

#include "core/convert/ConvertPlan.h"
#include "core/convert/EncodeTarget.h"
#include "core/convert/FileStart.h"
#include "core/convert/ReplayGainAlbums.h"
#include "core/convert/ReplayGainTags.h"
#include "core/encoder/EncodeJob.h"
#include "core/encoder/EncoderBinding.h"
#include "core/encoder/EncoderComponent.h"
#include "core/encoder/LoudnessMeasure.h"
#include "core/encoder/QualityPreset.h"
#include "core/fs/FolderScan.h"
#include "core/fs/FsPath.h"
#include "core/fs/WorkerThread.h"

#include <QThread>

#include <algorithm>

namespace {

// Why a batch could not go on, for its summary.
const char* const kNoDescriptors = "同時に開けるファイルの数が上限に達したため";
const char* const kNoThread = "スレッドを作れないため";

// How often the bar follows the encodes of several at once.
constexpr int kTickerMs = 200;

} // namespace

// The batch under way.
struct Converter::Batch {
  std::uint64_t id = 0;
  QStringList files;
  std::function<bool()> listReplaced;
  BatchEnded ended;
  // How many files are encoded at once, and the next file of the list to come to.
  int jobs = 1;
  qsizetype next = 0;
  // A start of several at once is under way; a start waits for an encode to end (its MP3 is
  // that encode's); how many encodes have ended.
  bool starting = false;
  bool waitForEnd = false;
  int jobsEnded = 0;
  // The places of the MP3 files this batch made: none is overwritten by a later file.
  std::set<QString> produced;
  std::shared_ptr<FileStart::CleanedFolders> cleaned =
      std::make_shared<FileStart::CleanedFolders>();
  // The batch's albums for ReplayGain (with its option on).
  std::unique_ptr<ReplayGainAlbums> albums;
};

// One encode of a batch of several at once, on a thread of its own from its start to its end.
struct Converter::Job {
  std::uint64_t id = 0;
  QString source;
  std::shared_ptr<FileStart> start;
  EncodeJob encode;
  // Once its start reported the file admitted: the temporary file, the MP3's place, the
  // progress number. How many encodes had ended when it was handed out.
  bool admitted = false;
  QString temp;
  QString place;
  int progressId = -1;
  int endedBefore = 0;
  // Last: the thread ends (the encode stopped first) before the rest goes.
  std::unique_ptr<WorkerThread> thread;

  ~Job() {
    encode.Abort();
    thread.reset();
  }
};

// The conversion on the window's encoder: started on a thread of its own, encoded on the
// encoder's worker, ended on a worker, then shown for a while.
struct Converter::One {
  enum class Phase { Starting, Encoding, Ending, Shown };

  std::uint64_t id = 0;
  QString source;
  int number = 0;
  int total = 0;
  Phase phase = Phase::Starting;
  std::shared_ptr<FileStart> start;
  // Why the encoder did not start (its set-up refused), written by the start's thread.
  QString encoderError;
  std::unique_ptr<EncodeTarget> target;
  ConversionEnd::Source wav;
  QString temp;
  QString place;
  int progressId = -1;
  // Last: the start's thread, then the end's, ends before the rest goes.
  std::unique_ptr<WorkerThread> thread;
};

Converter::Converter(ConversionView& view, EncoderComponent& encoder, MoveToTrash trash,
                     const Options& options, FileEnded fileEnded)
    : view_(view), encoder_(encoder), trash_(std::move(trash)), fileEnded_(std::move(fileEnded)),
      options_(options), started_(options) {
  pause_.setSingleShot(true);
  // A pause lasts at least its time, as a coarse timer's need not.
  pause_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&pause_, &QTimer::timeout, &receiver_, [this] {
    if (auto then = std::exchange(afterPause_, nullptr))
      then();
  });
  ticker_.setInterval(kTickerMs);
  QObject::connect(&ticker_, &QTimer::timeout, &receiver_, [this] { ShowBatchProgress(); });
}

Converter::~Converter() {
  // Every encode stops, and the work at the start and end of those under way is let finish (no
  // file is left half placed); results they post are dropped with the receiver, which goes last.
  pause_.stop();
  ticker_.stop();
  jobs_.clear();
  one_.reset();
  helper_.reset();
}

bool Converter::IsBeingConverted(const QString& path) const {
  if (one_ && (FsPath::SameFile(one_->source, path) ||
               (!one_->temp.isEmpty() && FsPath::SameFile(one_->temp, path))))
    return true;
  return std::any_of(jobs_.begin(), jobs_.end(), [&path](const auto& j) {
    return FsPath::SameFile(j->source, path) || (j->admitted && FsPath::SameFile(j->temp, path));
  });
}

void Converter::ConvertShown(const QString& shown, const QStringList& roots) {
  if (!IsWavName(shown)) {
    Report(
        {shown, FileResult::Kind::Refused, ConvertPlan::RefusalText(ConvertPlan::Refusal::NotWav)},
        ConversionReport::Outcome::NotStarted, false, false);
    return;
  }
  // A batch between two files has no encode but must not be joined by another one.
  if (Busy()) {
    view_.ShowError(QString::fromUtf8(EncoderMessages::ChangeWhileEncoding));
    return;
  }
  started_ = options_;
  roots_ = roots;
  if (SetUpEncoder())
    StartOne(shown, 1, 1);
}

std::shared_ptr<FileStart> Converter::StartOf(const QString& source) const {
  FileStart::Request request;
  request.source = source;
  request.options = started_;
  // The deepest root that holds the file.
  for (const QString& r : roots_) {
    const QString prefix = r.endsWith(u'/') ? r : r + u'/';
    if (source.startsWith(prefix) && r.size() > request.root.size())
      request.root = r;
  }
  request.running = jobs_.size();
  for (const auto& j : jobs_)
    if (j->admitted)
      request.busyPlaces.push_back(j->place);
  if (batch_) {
    request.inBatch = true;
    request.producedPlaces = batch_->produced;
    request.cleaned = batch_->cleaned;
  }
  return std::make_shared<FileStart>(std::move(request));
}

void Converter::StartOne(const QString& source, int number, int total) {
  view_.ClearStatus();
  one_ = std::make_unique<One>();
  One* one = one_.get();
  one->id = ++nextId_;
  one->source = source;
  one->number = number;
  one->total = total;
  one->start = StartOf(source);
  // The window's thread leaves the encoder alone until this thread has reported.
  one->thread = WorkerThread::Start([this, one] {
    FileStart& start = *one->start;
    start.Run();
    if (start.outcome == FileStart::Outcome::Admitted) {
      try {
        encoder_.setSourceFile(one->source);
        // The encoder writes into the temporary file; the MP3's name is taken only once it
        // checks out.
        encoder_.setDestinationFile(start.target->TempPath());
        encoder_.StartEncode();
      } catch (const EncoderError& e) {
        one->encoderError = e.Message();
        start.target.reset();
        // No encode runs, so no end would release the marker.
        encoder_.setDestinationFile(QString());
      }
    }
    QMetaObject::invokeMethod(
        &receiver_, [this, id = one->id] { OneStarted(id); }, Qt::QueuedConnection);
  });
  if (one->thread)
    return;
  one_.reset();
  if (batch_) {
    batchResult_.stoppedBecause = QString::fromUtf8(kNoThread);
    NextOne();
    return;
  }
  Report({source, FileResult::Kind::Refused,
          QStringLiteral("%1 の変換を始められません（スレッドを作れません）")
              .arg(FsPath::DisplayName(source))},
         ConversionReport::Outcome::NotStarted, false, false);
}

void Converter::OneStarted(std::uint64_t id) {
  if (!one_ || one_->id != id || one_->phase != One::Phase::Starting)
    return;
  // It has reported, or is about to: the encoder's first events came first.
  one_->thread.reset();
  FileStart& start = *one_->start;
  if (start.outcome == FileStart::Outcome::Admitted && one_->encoderError.isEmpty()) {
    one_->phase = One::Phase::Encoding;
    one_->target = std::move(start.target);
    one_->temp = one_->target->TempPath();
    one_->wav = start.wav;
    one_->place = start.place;
    view_.ShowConversionStarted(one_->source, one_->number, one_->total);
    if (batch_)
      one_->progressId = progress_.Admitted(start.seconds);
    return;
  }
  const QString error = one_->encoderError;
  FileResult refusal = start.refusal;
  const FileStart::Outcome outcome = start.outcome;
  one_.reset();
  if (!error.isEmpty()) {
    // The encoder cannot be prepared: a batch ends at once, without its summary.
    view_.ShowError(error);
    if (batch_)
      EndBatch(std::nullopt);
    return;
  }
  if (outcome == FileStart::Outcome::NoDescriptors) {
    if (batch_) {
      batchResult_.stoppedBecause = QString::fromUtf8(kNoDescriptors);
      NextOne();
      return;
    }
    refusal.reason = QStringLiteral("%1、%2 を変換できません")
                         .arg(QString::fromUtf8(kNoDescriptors), FsPath::DisplayName(refusal.wav));
  }
  if (!batch_) {
    Report(refusal, ConversionReport::Outcome::NotStarted, false, false);
    return;
  }
  Record(refusal);
  progress_.NotEncoded();
  view_.ShowProgress(BatchPercent());
  // A refused file says why before the next file starts.
  Report(refusal, ConversionReport::Outcome::NotStarted, true, true);
  PauseThen([this] { NextOne(); });
}

void Converter::Progress(int nowFrames, int allFrames) {
  if (allFrames <= 0 || !one_)
    return;
  if (one_->phase == One::Phase::Starting)
    OneStarted(one_->id);
  if (!batch_) {
    view_.ShowProgress(static_cast<int>(qint64{nowFrames} * 100 / allFrames));
    return;
  }
  // The bar follows the whole batch, also when its files go one at a time.
  if (one_ && one_->progressId >= 0) {
    progress_.Encoded(one_->progressId, static_cast<double>(nowFrames) / allFrames);
    view_.ShowProgress(BatchPercent());
  }
}

void Converter::Finish(bool aborted) {
  if (one_ && one_->phase == One::Phase::Starting)
    OneStarted(one_->id);
  if (!one_ || one_->phase != One::Phase::Encoding)
    return;
  one_->phase = One::Phase::Ending;
  const bool completed = !aborted;
  std::shared_ptr<LoudnessMeasure> loudness =
      completed && started_.replayGain ? encoder_.TakeLoudness() : nullptr;
  EncodeTarget* target = one_->target.get();
  one_->thread = WorkerThread::Start([this, id = one_->id, wav = one_->wav, target, completed,
                                      options = started_, trash = trash_, loudness] {
    const ConversionEnd::Result result =
        ConversionEnd::Run(wav, *target, completed, options, trash, loudness);
    QMetaObject::invokeMethod(
        &receiver_, [this, id, result] { OneEnded(id, result); }, Qt::QueuedConnection);
  });
  if (one_->thread)
    return;
  target->Discard();
  ConversionEnd::Result failed;
  failed.file = {one_->source, FileResult::Kind::Failed,
                 QStringLiteral("%1 の変換を仕上げられません（スレッドを作れません）")
                     .arg(FsPath::DisplayName(one_->source))};
  if (batch_)
    batchResult_.stoppedBecause = QString::fromUtf8(kNoThread);
  // Shown the same way as a worker's result: after this event, never inside it.
  QMetaObject::invokeMethod(
      &receiver_, [this, id = one_->id, failed] { OneEnded(id, failed); }, Qt::QueuedConnection);
}

void Converter::OneEnded(std::uint64_t id, const ConversionEnd::Result& result) {
  if (!one_ || one_->id != id)
    return;
  // The worker has just posted this; it ends at once.
  one_->thread.reset();
  one_->phase = One::Phase::Shown;
  if (batch_)
    progress_.Ended(one_->progressId);
  Finished(result, one_->place, true);
  PauseThen([this] { AfterOne(); });
}

void Converter::AfterOne() {
  view_.ShowProgress(batch_ ? BatchPercent() : 0);
  view_.ClearStatus();
  encoder_.setDestinationFile(QString());
  one_.reset();
  if (batch_)
    NextOne();
}

void Converter::PauseThen(std::function<void()> then) {
  afterPause_ = std::move(then);
  pause_.start(view_.ResultPauseMs());
}

int Converter::BatchJobs() const {
  if (options_.mp3Jobs == 1 || !EncodeJob::Available())
    return 1;
  const int jobs = options_.mp3Jobs > 0 ? options_.mp3Jobs : QThread::idealThreadCount();
  return std::clamp(jobs, 1, Options::kMaxMp3Jobs);
}

void Converter::ConvertAll(QStringList files, std::function<bool()> listReplaced,
                           const QHash<QString, qint64>& sizes, const QStringList& roots,
                           BatchEnded ended) {
  const auto notRun = [this, &ended] {
    QMetaObject::invokeMethod(
        &receiver_,
        [ended] {
          if (ended)
            ended(std::nullopt);
        },
        Qt::QueuedConnection);
  };
  if (Busy()) {
    view_.ShowError(QString::fromUtf8(EncoderMessages::ChangeWhileEncoding));
    notRun();
    return;
  }
  // The batch works on the options it started with; changes made meanwhile are for the next.
  started_ = options_;
  roots_ = roots;
  if (!SetUpEncoder()) {
    notRun();
    return;
  }
  batch_ = std::make_unique<Batch>();
  Batch& batch = *batch_;
  batch.id = ++nextId_;
  batch.jobs = BatchJobs();
  batch.ended = std::move(ended);
  // The window stays usable meanwhile. Opening another folder or dropping a file replaces the
  // list (a conversion's changes to it do not); its entries then are no longer the ones asked
  // for, and the batch ends there rather than converting files of another folder.
  batch.listReplaced = std::move(listReplaced);
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
  if (started_.replayGain)
    batch.albums = std::make_unique<ReplayGainAlbums>(files);
  batch.files = std::move(files);

  const auto begin = [this] {
    if (batch_->jobs > 1) {
      ticker_.start();
      view_.ClearStatus();
      view_.ShowBatchStarted(batchResult_.wavCount);
      Dispatch();
    } else {
      NextOne();
    }
  };
  if (!started_.useOutputFolder) {
    begin();
    return;
  }
  // MP3 files that cannot go where they are asked to go go nowhere else: the output folder is
  // looked at first, on a worker.
  auto problem = std::make_shared<QString>();
  const auto check = [problem, folder = started_.outputFolder] {
    *problem = ConvertPlan::OutputFolderProblem(true, folder, true);
  };
  const auto checked = [this, problem, id = batch.id, begin] {
    if (!batch_ || batch_->id != id)
      return;
    helper_.reset();
    if (problem->isEmpty()) {
      begin();
      return;
    }
    batchResult_.stoppedBecause = *problem;
    EndBatch(batchResult_);
  };
  helper_ = WorkerThread::Start([this, check, checked] {
    check();
    QMetaObject::invokeMethod(&receiver_, checked, Qt::QueuedConnection);
  });
  if (!helper_) {
    check();
    checked();
  }
}

void Converter::StopBatch() {
  if (!batch_)
    return;
  ticker_.stop();
  BatchEnded ended = std::move(batch_->ended);
  batch_.reset();
  // Every encode of several at once stops; its end removes its temporary file, its WAV file
  // stays.
  jobs_.clear();
  // A result being read is let go at once: its file is done, and no further file starts.
  if (pause_.isActive()) {
    pause_.stop();
    if (auto then = std::exchange(afterPause_, nullptr))
      then();
  }
  if (ended)
    QMetaObject::invokeMethod(
        &receiver_, [ended] { ended(std::nullopt); }, Qt::QueuedConnection);
}

void Converter::NextOne() {
  if (!batch_)
    return;
  Batch& batch = *batch_;
  for (;;) {
    if (batch.listReplaced() || !batchResult_.stoppedBecause.isEmpty() ||
        batch.next >= batch.files.size()) {
      view_.ShowProgress(0);
      FilesDone();
      return;
    }
    const QString entry = batch.files.at(batch.next++);
    view_.ClearStatus();
    if (!IsWavName(entry))
      continue;
    // The counter: the files finished of the batch's WAV files, as when several run at once.
    StartOne(entry, static_cast<int>(batchResult_.files.size()), batchResult_.wavCount);
    return;
  }
}

void Converter::Dispatch() {
  if (!batch_ || batch_->starting || batch_->waitForEnd)
    return;
  Batch& batch = *batch_;
  while (!batch.listReplaced() && batch.next < batch.files.size() &&
         jobs_.size() < static_cast<std::size_t>(batch.jobs)) {
    const QString source = batch.files.at(batch.next);
    if (!IsWavName(source)) {
      ++batch.next;
      continue;
    }
    auto job = std::make_unique<Job>();
    Job* j = job.get();
    j->id = ++nextId_;
    j->source = source;
    j->start = StartOf(source);
    j->endedBefore = batch.jobsEnded;
    // The job's thread starts the file, encodes it and ends it, handing the window's thread
    // its start and then its result.
    j->thread = WorkerThread::Start(
        [this, j, options = started_, trash = trash_] {
          FileStart& start = *j->start;
          start.Run();
          QMetaObject::invokeMethod(
              &receiver_, [this, id = j->id] { JobStarted(id); }, Qt::QueuedConnection);
          if (start.outcome != FileStart::Outcome::Admitted)
            return;
          j->encode.Run(encoder_, j->source, start.target->TempPath());
          ConversionEnd::Result result;
          if (j->encode.Refused()) {
            start.target->Discard();
            result.file = {
                j->source, FileResult::Kind::Failed,
                QStringLiteral("%1 の変換を始められません（エンコーダが設定を受け付けません）")
                    .arg(FsPath::DisplayName(j->source))};
          } else {
            result = ConversionEnd::Run(start.wav, *start.target, j->encode.Completed(), options,
                                        trash, j->encode.Loudness());
          }
          QMetaObject::invokeMethod(
              &receiver_, [this, id = j->id, result] { JobEnded(id, result); },
              Qt::QueuedConnection);
        },
        encoder_.Priority() == EncodePriority::Idle);
    if (!j->thread) {
      // Tried again once a running job has ended, or left with the rest.
      CannotStart(kNoThread);
      continue;
    }
    jobs_.push_back(std::move(job));
    batch.starting = true;
    return;
  }
  if (jobs_.empty()) {
    ticker_.stop();
    view_.ShowProgress(0);
    FilesDone();
  }
}

void Converter::CannotStart(const char* why) {
  if (jobs_.empty()) {
    batchResult_.stoppedBecause = QString::fromUtf8(why);
    batch_->next = batch_->files.size();
  } else {
    batch_->jobs = static_cast<int>(jobs_.size());
  }
}

void Converter::JobStarted(std::uint64_t id) {
  const auto it =
      std::find_if(jobs_.begin(), jobs_.end(), [id](const auto& j) { return j->id == id; });
  if (!batch_ || it == jobs_.end())
    return;
  Batch& batch = *batch_;
  batch.starting = false;
  Job& job = **it;
  const FileStart& start = *job.start;
  switch (start.outcome) {
  case FileStart::Outcome::Admitted:
    ++batch.next;
    job.admitted = true;
    job.temp = start.target->TempPath();
    job.place = start.place;
    job.progressId = progress_.Admitted(start.seconds);
    view_.ShowBatchFileStarted(job.source);
    break;
  case FileStart::Outcome::Refused: {
    ++batch.next;
    const FileResult refusal = start.refusal;
    // Its thread has just posted this and ends at once.
    jobs_.erase(it);
    Record(refusal);
    progress_.NotEncoded();
    Report(refusal, ConversionReport::Outcome::NotStarted, true, false);
    ShowBatchProgress();
    break;
  }
  case FileStart::Outcome::PlaceBusy:
    // Tried again once the encode making its MP3 has ended (at once when one ended meanwhile).
    batch.waitForEnd = job.endedBefore == batch.jobsEnded;
    jobs_.erase(it);
    break;
  case FileStart::Outcome::NoDescriptors:
    jobs_.erase(it);
    CannotStart(kNoDescriptors);
    break;
  }
  Dispatch();
}

void Converter::JobEnded(std::uint64_t id, const ConversionEnd::Result& result) {
  const auto it =
      std::find_if(jobs_.begin(), jobs_.end(), [id](const auto& j) { return j->id == id; });
  if (it == jobs_.end()) {
    // A job of a batch that was stopped meanwhile: the window's list still follows its file.
    if (fileEnded_)
      fileEnded_(result);
    return;
  }
  const QString place = (*it)->place;
  progress_.Ended((*it)->progressId);
  // Its thread has just posted this and ends at once.
  jobs_.erase(it);
  if (batch_) {
    ++batch_->jobsEnded;
    batch_->waitForEnd = false;
  }
  Finished(result, place, false);
  ShowBatchProgress();
  Dispatch();
}

void Converter::ShowBatchProgress() {
  for (const auto& j : jobs_) {
    if (const int all = j->encode.AllFrames(); j->admitted && all > 0)
      progress_.Encoded(j->progressId, static_cast<double>(j->encode.FramesDone()) / all);
  }
  view_.ShowProgress(BatchPercent());
}

int Converter::BatchPercent() const {
  return static_cast<int>(progress_.Share() * 100);
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

void Converter::Finished(const ConversionEnd::Result& result, const QString& place,
                         bool nextWaits) {
  using Outcome = ConversionReport::Outcome;
  if (batch_) {
    if (!result.mp3.isEmpty())
      batch_->produced.insert(place);
    Record(result.file);
    if (batch_->albums && result.loudness && !result.mp3.isEmpty())
      batch_->albums->Converted(result.file.wav, result.mp3, result.loudness);
  }
  // The window's list and fields follow: the MP3 joins, a WAV file gone leaves.
  if (fileEnded_)
    fileEnded_(result);
  Report(result.file,
         result.mp3.isEmpty()   ? Outcome::NoMp3
         : result.tagCopyFailed ? Outcome::PlacedUntagged
                                : Outcome::Placed,
         batch_ != nullptr, nextWaits, result.mp3);
}

bool Converter::SetUpEncoder() {
  const QString refusal = ReplayGainTags::Refusal(started_, EncoderLoudnessBound());
  if (!refusal.isEmpty()) {
    view_.ShowError(refusal);
    return false;
  }
  if (started_.mp3Quality != appliedQuality_) {
    QualityPreset::Of(started_.mp3Quality).ApplyTo(encoder_);
    appliedQuality_ = started_.mp3Quality;
  }
  encoder_.setMeasureLoudness(started_.replayGain);
  return true;
}

void Converter::FilesDone() {
  if (!batch_->albums) {
    EndBatch(batchResult_);
    return;
  }
  // The album values of ReplayGain, after the batch's last file, on a worker.
  std::shared_ptr<const ReplayGainAlbums> albums = std::move(batch_->albums);
  auto failures = std::make_shared<std::vector<ReplayGainAlbums::Failure>>();
  const auto written = [this, failures, id = batch_->id] {
    if (!batch_ || batch_->id != id)
      return;
    helper_.reset();
    for (const ReplayGainAlbums::Failure& f : *failures) {
      for (FileResult& file : batchResult_.files)
        if (file.wav == f.wav)
          file.reason = f.reason;
      Report({f.wav, FileResult::Kind::Converted, f.reason},
             ConversionReport::Outcome::PlacedUntagged, true, false);
    }
    EndBatch(batchResult_);
  };
  helper_ = WorkerThread::Start([this, albums, failures, written] {
    *failures = albums->WriteAlbumValues();
    QMetaObject::invokeMethod(&receiver_, written, Qt::QueuedConnection);
  });
  // Without a thread the albums keep their track values only.
  if (!helper_)
    EndBatch(batchResult_);
}

void Converter::EndBatch(std::optional<BatchResult> result) {
  ticker_.stop();
  // The batch stays under way until its end has been heard of, so that nothing starts between.
  QMetaObject::invokeMethod(
      &receiver_,
      [this, id = batch_->id, result = std::move(result)] {
        if (!batch_ || batch_->id != id)
          return;
        const BatchEnded ended = std::move(batch_->ended);
        batch_.reset();
        if (ended)
          ended(result);
      },
      Qt::QueuedConnection);
}

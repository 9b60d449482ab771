// The main window's conversions: the shown WAV file, every WAV file of the list, and what
// follows the end of each encode. Each conversion works on the options it started with. The
// window's thread never waits, on the disk or on an event loop of its own: each file's start
// (where its MP3 goes, what the WAV file is, its temporary output) and its end (tag copy, check,
// placing the MP3, the trash) run on the job's thread or a worker, and the window's thread only
// hands files out and shows what became of each as the workers report. Drives the window's
// encoder component (one file at a time), and encodes of their own for a batch of several at
// once.
#pragma once

#include "core/convert/BatchProgress.h"
#include "core/convert/BatchResult.h"
#include "core/convert/ConversionEnd.h"
#include "core/convert/ConversionView.h"
#include "core/convert/FileResult.h"
#include "core/settings/Options.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

class EncoderComponent;
class FileStart;
class ReplayGainAlbums;
class WorkerThread;

class Converter {
public:
  // Moves a file to the desktop's trash; not ok, with the reason, when the trash cannot take it.
  // Called on worker threads.
  using MoveToTrash = ConversionEnd::MoveToTrash;

  // What became of a file whose conversion ended (the list of files shown follows it).
  using FileEnded = std::function<void(const ConversionEnd::Result& result)>;
  // The end of a batch: what became of each file; nullopt when no batch ran to its end (already
  // converting, the encoder could not be prepared, or stopped).
  using BatchEnded = std::function<void(const std::optional<BatchResult>& result)>;

  // Closing the window stops a batch through StopBatch; destroying this converter (with the
  // window) stops it too.
  Converter(ConversionView& view, EncoderComponent& encoder, MoveToTrash trash,
            const Options& options, FileEnded fileEnded);
  // Stops every encode and waits for the work at the start and end of those under way.
  ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // "WAV→MP3実行": converts the shown file `shown`. Errors of the encoder component go to an
  // error box. In an output folder, an MP3 keeps the subfolders its WAV file lies in below the
  // deepest of `roots` that holds it (the folder opened). Returns at once.
  void ConvertShown(const QString& shown, const QStringList& roots = {});
  // "WAV→MP3一括変換": every WAV file of `files` (a copy: the list shown follows the
  // conversions meanwhile), as many at the same time as the options allow (one after the other
  // when the encoder module cannot run several). No file is started once `listReplaced` holds
  // (another list was opened meanwhile). `sizes`, the files' sizes where the walk that listed
  // them gave them, weigh the files not yet come to in its progress. `roots` as for
  // ConvertShown. Nothing is converted when the MP3 files' output folder is not there. Returns at
  // once; `ended` is called from the event loop when the batch is over, unless this converter
  // is destroyed first.
  void ConvertAll(QStringList files, std::function<bool()> listReplaced,
                  const QHash<QString, qint64>& sizes, const QStringList& roots, BatchEnded ended);
  // Stops the batch under way (the window is closing): its encodes of several at once stop, no
  // further file starts, no summary. A file converted one at a time is let end.
  void StopBatch();
  // The encoder component's progress and finish events.
  void Progress(int nowFrames, int allFrames);
  void Finish(bool aborted);

  // How many files a batch encodes at the same time, from the options and the processor.
  int BatchJobs() const;
  bool BatchRunning() const { return batch_ != nullptr; }
  // Whether a conversion is under way, from its start until its result (or a batch's end) has
  // been shown: another one is refused meanwhile.
  bool Busy() const { return batch_ != nullptr || one_ != nullptr; }
  // How far the batch under way (or the last one) is.
  const BatchProgress& batchProgress() const { return progress_; }
  // Whether a conversion is writing `path` now (its temporary file) or converting it (its WAV
  // file, from its start until its end is done): tags are never written there.
  bool IsBeingConverted(const QString& path) const;

private:
  struct Batch;
  struct Job;
  struct One;

  // Starts the conversion of `source` on the window's encoder, number `number` of `total`: its
  // start runs on a thread of its own, which also starts the encode.
  void StartOne(const QString& source, int number, int total);
  // The start of the file on the window's encoder has reported; also taken early, when the
  // encoder's first events come before the report.
  void OneStarted(std::uint64_t id);
  // A worker's result of the encode the window's encoder made: shown, with a pause that lets it
  // be read; then the next conversion may start.
  void OneEnded(std::uint64_t id, const ConversionEnd::Result& result);
  // After a file's result was read: the status goes, and a batch goes on.
  void AfterOne();
  // The batch's next file one at a time, or its end.
  void NextOne();
  // Starts files of a batch of several at once while there is room, one start at a time, or
  // ends it once none runs.
  void Dispatch();
  // A job's start has reported, and a job has ended.
  void JobStarted(std::uint64_t id);
  void JobEnded(std::uint64_t id, const ConversionEnd::Result& result);
  // No job can start now: with others running, fewer run at once from now on; with none, the
  // batch cannot go on.
  void CannotStart(const char* why);
  // The request of the start of `source`, with the encodes under way beside it.
  std::shared_ptr<FileStart> StartOf(const QString& source) const;
  // The files of the batch have all been seen to: the album values, then the end.
  void FilesDone();
  // The batch is over; `ended` hears of it from the event loop.
  void EndBatch(std::optional<BatchResult> result);
  // Runs `then` on this thread after the view's pause for reading a result.
  void PauseThen(std::function<void()> then);
  // Keeps a finished file's result in the batch's.
  void Record(const FileResult& result);
  // Tells the view what became of `file`; with the batch's count when `inBatch`.
  void Report(const FileResult& file, ConversionReport::Outcome outcome, bool inBatch,
              bool nextWaits, const QString& mp3 = {});
  // Records what became of a file (in a batch), lets the list follow and tells the view.
  void Finished(const ConversionEnd::Result& result, const QString& place, bool nextWaits);
  // The bar during a batch of several at once: the share of its audio encoded.
  void ShowBatchProgress();
  // Gives the encoder the quality and the loudness measure the conversion started with; false,
  // with the reason shown, when its options cannot be honoured (ReplayGain in RIFF SIF).
  bool SetUpEncoder();
  // The share of the batch's audio encoded, in percent.
  int BatchPercent() const;
  // Runs `work` on a worker, then `then` on this thread; both inline when no thread can be had.
  void OffThread(std::function<void()> work, std::function<void()> then);

  // Receives the workers' results on the window's thread. First, so that it goes last: a
  // result posted for a converter being destroyed is dropped with it.
  QObject receiver_;
  ConversionView& view_;
  EncoderComponent& encoder_;
  MoveToTrash trash_;
  FileEnded fileEnded_;
  // The options in force (the window's); a conversion copies them as it starts.
  const Options& options_;
  Options started_;
  // The folders whose subfolders the MP3 files keep, for the conversion under way.
  QStringList roots_;

  // What the batch under way (or the last one) did with each file finished, and how far it is.
  BatchResult batchResult_;
  BatchProgress progress_;
  std::unique_ptr<Batch> batch_;
  // The conversion on the window's encoder: a single one, or a batch's file one at a time.
  std::unique_ptr<One> one_;
  // The jobs of a batch of several at once (the one whose start is under way among them).
  std::vector<std::unique_ptr<Job>> jobs_;
  std::uint64_t nextId_ = 0;
  // The pause after a result of a file converted one at a time, and what follows it.
  QTimer pause_;
  std::function<void()> afterPause_;
  // Polls the encodes of several at once for the bar.
  QTimer ticker_;
  // The worker of a batch's own steps (the output folder's check, the album values).
  std::unique_ptr<WorkerThread> helper_;
  // The quality the encoder was last given; its design values are those of 128 kbit/s CBR.
  Options::Quality appliedQuality_ = Options::Quality::Cbr128;
};

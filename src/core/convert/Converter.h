// The main window's conversions: the shown WAV file, every WAV file of the list, and what
// follows the end of each encode. Each conversion works on the options it started with. The
// work after an encode (tag copy, check, placing the MP3, the trash) runs on a worker thread,
// one per running job; the window's thread only starts encodes and shows what became of each
// file. Drives the window's encoder component, and the encodes of a batch of several at once.
#pragma once

#include "core/convert/BatchProgress.h"
#include "core/convert/BatchResult.h"
#include "core/convert/ConversionEnd.h"
#include "core/convert/ConversionView.h"
#include "core/convert/ConvertPlan.h"
#include "core/convert/FileResult.h"
#include "core/fs/Trash.h"
#include "core/settings/Options.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

class BatchRun;
class EncodeTarget;
class EncoderComponent;
class ReplayGainAlbums;
class WorkerThread;

class Converter {
public:
  // Moves a file to the desktop's trash; not ok, with the reason, when the trash cannot take it.
  // Called on worker threads.
  using MoveToTrash = ConversionEnd::MoveToTrash;

  // What became of a file whose conversion ended (the list of files shown follows it).
  using FileEnded = std::function<void(const ConversionEnd::Result& result)>;

  // Closing the window stops a batch through StopBatch; destroying this converter (with the
  // window) stops it too.
  Converter(ConversionView& view, EncoderComponent& encoder, MoveToTrash trash,
            const Options& options, FileEnded fileEnded);
  // Stops every encode and waits for the work after the encodes under way.
  ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // "WAV→MP3実行": converts the shown file `shown`. Errors of the encoder component go to an
  // error box. In an output folder, an MP3 keeps the subfolders its WAV file lies in below the
  // deepest of `roots` that holds it (the folder opened).
  void ConvertShown(const QString& shown, const QStringList& roots = {});
  // "WAV→MP3一括変換": every WAV file of `files` (a copy: the list shown follows the
  // conversions meanwhile), as many at the same time as the options
  // allow (one after the other when the encoder module cannot run several). No file is started
  // once `listReplaced` holds (another list was opened meanwhile). `sizes`, the files' sizes
  // where the walk that listed them gave them, weigh the files not yet come to in its
  // progress. `roots` as for ConvertShown. What became of each file; nullopt when no batch ran to
  // its end (already converting, the encoder could not be prepared, or stopped: the window may
  // then be gone). Nothing is converted when the MP3 files' output folder is not there.
  std::optional<BatchResult> ConvertAll(QStringList files,
                                        const std::function<bool()>& listReplaced,
                                        const QHash<QString, qint64>& sizes = {},
                                        const QStringList& roots = {});
  // Stops the batch under way (the window is closing): every encode stops, no summary.
  void StopBatch();
  // The encoder component's progress and finish events.
  void Progress(int nowFrames, int allFrames);
  void Finish(bool aborted);

  // How many files a batch encodes at the same time, from the options and the processor.
  int BatchJobs() const;
  bool BatchRunning() const { return batch_ != nullptr; }
  // How far the batch under way (or the last one) is.
  const BatchProgress& batchProgress() const { return progress_; }
  // Whether an encode is writing `path` now (its temporary file) or converting it (its WAV
  // file, until its end is done): tags are never written there.
  bool IsBeingConverted(const QString& path) const;

private:
  struct Running;
  struct Ending;

  // Checks and starts the conversion of one file, number `index` of `total`. Throws
  // EncoderError when the encoder cannot be prepared. The file's result when it is not
  // converted; nullopt once its encode runs.
  std::optional<FileResult> ConvertOne(const QString& source, int index, int total);
  // Where `source` is converted to, by the options the conversion started with.
  ConvertPlan PlanFor(const QString& source) const;
  // Checks `source` for its conversion by `plan`, notes what it is (`admitted`) and makes its
  // temporary output; null, with the file's result, when the file is not converted.
  std::unique_ptr<EncodeTarget> Admit(const QString& source, const ConvertPlan& plan,
                                      FileResult& refusal, ConversionEnd::Source& admitted);
  // One file after the other; false when the batch was stopped (the converter may be gone).
  bool ConvertOneByOne(const QStringList& files, const std::function<bool()>& listReplaced,
                       BatchRun& run);
  // Up to `jobs` files at the same time; false when the batch was stopped (every encode under
  // way is then stopped and its temporary file gone; the converter may be gone).
  bool ConvertAtOnce(const QStringList& files, const std::function<bool()>& listReplaced, int jobs,
                     BatchRun& run);
  // Keeps a finished file's result in the batch's.
  void Record(const FileResult& result);
  // Tells the view what became of `file`; with the batch's count when `inBatch`.
  void Report(const FileResult& file, ConversionReport::Outcome outcome, bool inBatch,
              bool nextWaits, const QString& mp3 = {});
  // The end of the window's encoder's encode, off the window's thread.
  void EndOnWorker(bool completed);
  // A worker's result of the encode the window's encoder made: shown, with a pause that lets
  // it be read; then the next conversion may start.
  void EndedOnWorker(const ConversionEnd::Result& result);
  // A worker's result of the encode of job `id` of a batch of several at once.
  void JobEnded(std::uint64_t id, const ConversionEnd::Result& result);
  // Records what became of a file (in a batch), lets the list follow and tells the view; when
  // `nextWaits`, the next conversion starts after the view let it be read. False when the
  // converter was destroyed meanwhile.
  bool Finished(const ConversionEnd::Result& result, const QString& place, bool nextWaits);
  // The bar during a batch of several at once: the share of its audio encoded.
  void ShowBatchProgress();
  // Gives the encoder the quality and the loudness measure the conversion started with; false,
  // with the reason shown, when its options cannot be honoured (ReplayGain in RIFF SIF).
  bool SetUpEncoder();
  // The album values of ReplayGain, after the batch's last file, on a worker; false when the
  // batch was stopped meanwhile (the converter may be gone).
  bool WriteAlbumValues(BatchRun& run);
  // The share of the batch's audio encoded, in percent.
  int BatchPercent() const;

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

  // What the batch under way (or the last one) did with each file finished, and how far it is.
  BatchResult batchResult_;
  BatchProgress progress_;
  // The folders whose subfolders the MP3 files keep, for the conversion under way.
  QStringList roots_;
  // The playing time of the file admitted last, and the progress number of the encode of the
  // window's encoder in a batch.
  double admittedSeconds_ = 0;
  int progressId_ = -1;
  // The places of the MP3 files this batch made: none is overwritten by a later file.
  std::set<QString> produced_;
  // The batch conversion under way, or none; its waits are woken by the end of each file.
  BatchRun* batch_ = nullptr;
  // The window encoder's encode under way (or whose end is being done): its temporary output
  // and the worker of its end.
  std::unique_ptr<EncodeTarget> target_;
  ConversionEnd::Source admitted_;
  QString place_;
  std::unique_ptr<Ending> ending_;
  // The encodes of a batch of several at once, and how many have ended.
  std::vector<std::unique_ptr<Running>> running_;
  std::uint64_t nextJob_ = 0;
  int jobsEnded_ = 0;
  // The batch's albums for ReplayGain (with its option on), and the worker writing their values.
  std::unique_ptr<ReplayGainAlbums> albums_;
  std::unique_ptr<WorkerThread> albumWriter_;
  // The quality the encoder was last given; its design values are those of 128 kbit/s CBR.
  Options::Quality appliedQuality_ = Options::Quality::Cbr128;
};

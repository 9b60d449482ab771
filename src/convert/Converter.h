// The main window's conversions: the shown WAV file, every WAV file of the list, and what
// follows the end of each encode (result, tag copy, giving up the WAV file). Owns the batch
// under way and its count; drives the window's encoder component.
#pragma once

#include "app/MainView.h"
#include "app/Options.h"
#include "app/Trash.h"
#include "convert/BatchResult.h"
#include "convert/ConvertPlan.h"
#include "convert/FileResult.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

class BatchRun;
class EncodeTarget;
class Navigator;
class QObject;
class TGogoTea;
class TagEditor;

class Converter {
public:
  // Moves a file to the desktop's trash; not ok, with the reason, when the trash cannot take it.
  using MoveToTrash = std::function<Trash::Result(const QString& path)>;

  // `window` is the main window: closing it stops a batch.
  Converter(MainView& view, TagEditor& tags, Navigator& navigator, TGogoTea& encoder,
            MoveToTrash trash, const Options& options, QObject* window);
  ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // "WAV→MP3実行": converts the shown file. Errors of the encoder component go to an error box.
  void ConvertShown();
  // Checks and starts the conversion of one file (index and total feed the counter text).
  // Throws EGogoTeaError when the encoder cannot be prepared. The file's result when it is not
  // converted (panel 2 says why); nullopt once its encode runs.
  std::optional<FileResult> ConvertOne(const QString& source, int index, int total);
  // "WAV→MP3一括変換": every WAV file of the list, as many at the same time as the options
  // allow (one after the other when the encoder module cannot run several). What became of
  // each file; nullopt when no batch ran to its end (nothing shown, already converting, the
  // encoder could not be prepared, or stopped: the window may then be gone).
  std::optional<BatchResult> ConvertAll();
  // Stops the batch under way (the window is closing): every encode stops, no summary.
  void StopBatch();
  // The encoder component's progress and finish events.
  void Progress(int nowFrames, int allFrames);
  void Finish(bool aborted);
  // Moves a file to the desktop's trash; a file the trash cannot take stays where it is.
  void DeleteToRecycleBin(const QString& path);

  // How many files a batch encodes at the same time, from the options and the processor.
  int BatchJobs() const;
  // The files the last batch converted.
  int ConvertedCount() const { return batchResult_.Count(FileResult::Kind::Converted); }
  bool BatchRunning() const { return batch_ != nullptr; }
  TGogoTea& Encoder() { return encoder_; }

private:
  MainView& view_;
  TagEditor& tags_;
  Navigator& navigator_;
  TGogoTea& encoder_;
  MoveToTrash trash_;
  const Options& options_;
  QObject* window_;
  struct Running;

  // Where `source` is converted to, by the options.
  ConvertPlan PlanFor(const QString& source) const;
  // Checks `source` for its conversion by `plan` and makes its temporary output; null, with
  // the file's result, when the file is not converted.
  std::unique_ptr<EncodeTarget> Admit(const QString& source, const ConvertPlan& plan,
                                      FileResult& refusal);
  // One file after the other; false when the batch was stopped (the window may be gone).
  bool ConvertOneByOne(const QStringList& files, BatchRun& run,
                       const std::function<bool()>& windowGone);
  // Keeps a finished file's result in the batch's and shows the count of files finished; the
  // result's place there.
  std::size_t Record(const FileResult& result);
  // Up to `jobs` files at the same time, each concluded as soon as its encode ends; false when
  // the batch was stopped (every encode under way is then stopped and its temporary file gone).
  bool ConvertAtOnce(const QStringList& files, int jobs, BatchRun& run);
  // What follows the end of the encode of `source` into `target` (null when none was made):
  // checking and placing the MP3, the result, the tag copy, the WAV file and the window's list.
  // `pauses` keeps the one-second pauses that let each result be read when files are converted
  // one at a time. In a batch the result is kept in the batch's.
  void Conclude(const QString& source, EncodeTarget* target, bool completed, bool pauses);
  // Checks the finished encode and puts the MP3 in place; the reason when it does not.
  bool Complete(const QString& source, EncodeTarget* target, QString& reason);
  // Decides whether the WAV file may go: its MP3 is whole and, when the tag was to be copied,
  // holds the WAV's tag. True when it went to the trash; else `kept` says why it stayed.
  bool GiveUpWav(const QString& source, const QString& mp3, QString& kept);
  // Panel 2 during a batch of several at once: why a file was not converted stays readable
  // for a second before the name of the next file started takes its place.
  void ShowReason(const QString& text);
  void ShowStarted(const QString& source);

  // What the batch under way (or the last one) did with each file finished.
  BatchResult batchResult_;
  // The encode under way (or whose end is being handled): its temporary output.
  std::unique_ptr<EncodeTarget> target_;
  // The places of the MP3 files this batch made: none is overwritten by a later file.
  std::set<QString> produced_;
  // The batch conversion under way, or none; its waits are woken by the end of each encode.
  BatchRun* batch_ = nullptr;
  // The encodes of a batch of several at once.
  std::vector<std::unique_ptr<Running>> running_;
  QElapsedTimer reasonShown_;
};

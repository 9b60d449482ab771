// One working session of the program, as the window and the command line each hold one, and the
// one place where a front end's parts are wired to one another: the options in force, the tag
// reads and writes (on their worker), the converter and the encoder component, and for a front
// end that shows one file at a time the tag editor and the navigator (which file is shown). The
// encoder component's progress and end reach the converter, a conversion's end lets the list of
// files follow, and tags are never written into a file an encode is writing. It needs an event
// loop (QCoreApplication) and no window: what it has to show goes to its views, what it needs of
// the platform (the trash, a question) to its PlatformTools.
#pragma once

#include "core/convert/Converter.h"
#include "core/settings/Options.h"
#include "core/tags/FileTags.h"
#include "core/tags/TagWrite.h"

#include <QHash>
#include <QStringList>

#include <functional>
#include <memory>

class ConversionView;
class EncoderComponent;
class Navigator;
class PlatformTools;
class SessionView;
class TagEditor;
class TagJobs;

class Session {
public:
  // A session that shows one file at a time (the window). Binds the encoder module first: throws
  // EncoderError ("GOGO.DLLを初期化できません.") when it cannot.
  Session(SessionView& view, PlatformTools& platform);
  // A session that shows no file (the command line): tags are read and written through it, and
  // the encoder module is bound only when a conversion is asked for (converter()).
  Session(ConversionView& view, PlatformTools& platform);
  // Stops every encode, waits for the work under way (every tag write ends), and lets the
  // encoder module go.
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The options in force. Each conversion works on a copy taken as it starts.
  Options& options() { return options_; }
  const Options& options() const { return options_; }

  // The converter and the encoder component, made (the encoder module bound) at the first use:
  // throws EncoderError when the module cannot be bound.
  Converter& converter();
  EncoderComponent& encoder();
  // The tag editor and the navigator of a session that shows one file at a time.
  TagEditor& tagEditor() { return *tagEditor_; }
  Navigator& navigator() { return *navigator_; }

  // Reads the tag of `path` as the window shows it, on the session's worker; `done` runs on this
  // thread with what was read.
  void ReadTags(const QString& path, std::function<void(const FileTags&)> done);
  // Writes `fields` into `path` (a kept field keeps what the file holds) through the options' MP3
  // tag format, on the session's worker; `done` runs on this thread with how it went.
  void WriteTags(const QString& path, const TagFields& fields,
                 std::function<void(const TagWriteOutcome&)> done);

  // Converts the shown file. Unsaved tag edits of a WAV file are asked about first
  // (TagEditor::BeforeConvert): the MP3 gets the tag as stored.
  void ConvertShown();
  // Converts every WAV file of the list, after asking about unsaved tag edits as ConvertShown
  // does; stops starting files once another list is opened. Returns at once; `ended` hears
  // what became of each file once the batch is over (nullopt when none ran to its end: already
  // converting, or stopped), unless the session is destroyed first; nullopt before this returns
  // when nothing is shown. Never when the user cancels the question, or the write of the edits
  // fails.
  void ConvertAll(Converter::BatchEnded ended);
  // Converts `files` (WAV files, `sizes` weighing those not come to in the progress; `folders`
  // the folders named, whose subfolders an output folder keeps), as ConvertAll does a list.
  // Returns at once; `ended` as for ConvertAll.
  void ConvertFiles(const QStringList& files, const QHash<QString, qint64>& sizes,
                    const QStringList& folders, Converter::BatchEnded ended);
  // Stops the batch under way: every encode stops, each WAV file stays as it is.
  void StopBatch();
  // Pastes the field memory onto the shown file whose boxes hold `shown`
  // (TagEditor::PasteFromMemory), its place in the list counted from the copied file's.
  void PasteFromMemory(const TagFields& shown);

private:
  QStringList ListRoots() const;
  // Whether a conversion is under way (a second one is refused).
  bool Converting() const;
  // Binds the encoder module and makes the converter.
  void BindEncoder();

  ConversionView& conversionView_;
  PlatformTools& platform_;
  Options options_;
  std::unique_ptr<TagJobs> tagJobs_;
  std::unique_ptr<EncoderComponent> encoder_;
  std::unique_ptr<TagEditor> tagEditor_;
  std::unique_ptr<Navigator> navigator_;
  std::unique_ptr<Converter> converter_;
};

// One working session of the program, as the window and the command line each hold one: the
// options in force, the encoder component, the tag editor, the navigator (which file is shown)
// and the converter, wired to one another. The encoder component's progress and end reach the
// converter, a conversion's end lets the list of files follow, and tags are never written into a
// file an encode is writing. It needs an event loop (QCoreApplication) and no window: what it
// has to show goes to its view.
#pragma once

#include "core/convert/ConversionEnd.h"
#include "core/convert/Converter.h"
#include "core/settings/Options.h"

#include <QStringList>

#include <memory>

class EncoderComponent;
class Navigator;
class SessionView;
class TagEditor;

class Session {
public:
  using MoveToTrash = ConversionEnd::MoveToTrash;

  // Binds the encoder module: throws EncoderError ("GOGO.DLLを初期化できません.") when it cannot.
  // `trash` moves a converted WAV file to the desktop's trash (on worker threads); the desktop's
  // own when none is given.
  explicit Session(SessionView& view, MoveToTrash trash = {});
  // Stops every encode, waits for the work under way, and lets the encoder module go.
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The options in force. Each conversion works on a copy taken as it starts.
  Options& options() { return options_; }
  const Options& options() const { return options_; }

  EncoderComponent& encoder() { return *encoder_; }
  TagEditor& tagEditor() { return *tagEditor_; }
  Navigator& navigator() { return *navigator_; }
  Converter& converter() { return *converter_; }

  // Converts the shown file. Unsaved tag edits of a WAV file are asked about first
  // (TagEditor::ConfirmConvert): the MP3 gets the tag as stored.
  void ConvertShown();
  // Converts every WAV file of the list, after asking about unsaved tag edits as ConvertShown
  // does; stops starting files once another list is opened. Returns at once; `ended` hears
  // what became of each file once the batch is over (nullopt when none ran to its end: already
  // converting, or stopped), unless the session is destroyed first; nullopt before this
  // returns when nothing is shown or the user cancels.
  void ConvertAll(Converter::BatchEnded ended);
  // Stops the batch under way: every encode stops, each WAV file stays as it is.
  void StopBatch();
  // Pastes the field memory onto the shown file (TagEditor::PasteFromMemory), its place in the
  // list counted from the copied file's.
  void PasteFromMemory();

private:
  QStringList ListRoots() const;

  Options options_;
  std::unique_ptr<EncoderComponent> encoder_;
  std::unique_ptr<TagEditor> tagEditor_;
  std::unique_ptr<Navigator> navigator_;
  std::unique_ptr<Converter> converter_;
};

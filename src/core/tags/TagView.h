// What the tag editor may do with the window: show a file's tag and its version strip, read the
// tag boxes back, put edits into them, ask before unsaved edits are left, and say how a write
// went. A fake stands in for it in tests.
#pragma once

#include "core/tags/CoverPreview.h"
#include "core/tags/SaveAnswer.h"
#include "core/tags/TagFields.h"

#include <QString>

// How a write of the shown fields went.
enum class TagWriteResult {
  Written,
  // The file already holds all six fields: nothing was written.
  Unchanged,
  Failed,
};

class TagView {
public:
  virtual ~TagView() = default;

  // The version strip: the tag library's version, whether the file opened ("Open_SUCCESS" or
  // "Can't Open"), its type ("MP3", "WAV") and the kinds of tag it holds.
  virtual void ShowLibraryVersion(const QString& version) = 0;
  virtual void ShowOpenStatus(const QString& status) = 0;
  virtual void ShowFileKind(const QString& type, const QString& tagKinds) = 0;
  virtual void ShowTagFields(const TagFields& fields) = 0;
  // Puts values into the boxes as one edit of the user's (a paste): Ctrl+Z right after it undoes
  // it in every box, and later each box's own Ctrl+Z still does. A box whose value is unchanged
  // is left alone; the jacket image box is touched only when `fields.Jacket` is set, the track
  // box only when `fields.Track` is.
  virtual void EditTagFields(const TagFields& fields) = 0;
  // The boxes as they stand (the jacket image box always set; no playing time).
  virtual TagFields ShownTagFields() const = 0;
  // Puts a composed comment into its box as if typed (Ctrl+Z undoes it).
  virtual void ShowComment(const QString& comment) = 0;
  // True from a key press made with Shift held until the next key release.
  virtual bool ShiftHeld() const = 0;
  // Asks once whether the tag fields edited for the file `fileName` are to be written before
  // they are left ("変更を保存しますか").
  virtual SaveAnswer AskSaveChanges(const QString& fileName) = 0;
  // The shown file could not be read (gone, no file, not audio): the fields belong to no file
  // now. `why` names the file and the reason.
  virtual void ShowFileProblem(const QString& why) = 0;
  // How a write of the shown fields went; `failure` says why when it failed.
  virtual void ShowWriteResult(TagWriteResult result, const QString& failure) = 0;
  // What the user should know of the shown fields beyond a write's result: comment parts a
  // write put into the comment, a cover the tag format cannot hold.
  virtual void ShowNote(const QString& /*note*/) {}
  // The shown file's cover, or the image a write will make its cover. A view without a
  // preview ignores it.
  virtual void ShowCover(const CoverPreview& /*cover*/) {}
  // A proposed track number was written: the track box now shows `track` as the file's own.
  virtual void ShowStoredTrack(const QString& /*track*/) {}
};

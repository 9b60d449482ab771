// What a front end that shows one file's tag in boxes shows of the tag editor's work: the file's
// tag and its version strip, edits the editor puts in (a paste, a composed comment), why a file
// could not be read, how a write went, and the cover. It never reads the boxes back: the front end
// hands the editor what the user typed. A fake stands in for it in tests.
#pragma once

#include "core/tags/CoverPreview.h"
#include "core/tags/TagFields.h"
#include "core/tags/TagWrite.h"

#include <QString>

class TagView {
public:
  virtual ~TagView() = default;

  // The version strip: the tag library's version, whether the file opened ("Open_SUCCESS" or
  // "Can't Open"), its type ("MP3", "WAV") and the kinds of tag it holds.
  virtual void ShowLibraryVersion(const QString& version) = 0;
  virtual void ShowOpenStatus(const QString& status) = 0;
  virtual void ShowFileKind(const QString& type, const QString& tagKinds) = 0;
  // Shows a file's values in the boxes; a kept field's box stays as it is. The jacket image is
  // no longer chosen.
  virtual void ShowTagFields(const TagFields& fields) = 0;
  // Puts values into the boxes as one edit of the user's (a paste): Ctrl+Z right after it undoes
  // it in every box, and later each box's own Ctrl+Z still does. A box whose value is unchanged
  // and a kept field's box are left alone; a jacket image put in counts as chosen.
  virtual void EditTagFields(const TagFields& fields) = 0;
  // Puts a composed comment into its box as if typed (Ctrl+Z undoes it).
  virtual void ShowComment(const QString& comment) = 0;
  // The shown file could not be read (gone, no file, not audio): the fields belong to no file
  // now. `why` names the file and the reason.
  virtual void ShowFileProblem(const QString& why) = 0;
  // A write of the shown fields has started ("書込み中").
  virtual void ShowWriting() = 0;
  // How a write of the shown fields went; `failure` says why when it failed or was refused.
  virtual void ShowWriteResult(TagWriteResult result, const QString& failure) = 0;
  // What the user should know of the shown fields beyond a write's result: comment parts a
  // write put into the comment, a cover the tag format cannot hold.
  virtual void ShowNote(const QString& note) = 0;
  // The shown file's cover, or the image a write will make its cover.
  virtual void ShowCover(const CoverPreview& cover) = 0;
  // A proposed track number was written: the track box now shows `track` as the file's own.
  virtual void ShowStoredTrack(const QString& track) = 0;
};

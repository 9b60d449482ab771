// The tag work of a front end that shows one file at a time: showing a file's tag, writing the
// fields the user edited (and the cover chosen for the file) into it, the question before unsaved
// edits are left, the field memory and the comment composed from its parts.
//
// The front end hands it what the boxes hold whenever the user changes them (FieldsEdited) and
// with each action; it never reads the boxes. Reads and writes of the files run on a worker
// (TagJobs); what they conclude reaches the view on the editor's thread. While a file is being
// read for showing, or the shown fields are being written, the actions that depend on them (a
// write, leaving the file, converting it) wait their turn and then go on as if the work had been
// done at once. The fields of one file are never written into another.
#pragma once

#include "core/session/PlatformTools.h"
#include "core/session/TagView.h"
#include "core/settings/Options.h"
#include "core/tags/CoverChoice.h"
#include "core/tags/FieldMemory.h"
#include "core/tags/FileTags.h"
#include "core/tags/TagFields.h"

#include <QString>
#include <QStringList>

#include <bitset>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TagJobs;

class TagEditor {
public:
  // `options` is read at each write: its MP3 tag format picks the tag MP3 files are written
  // through, its comment format which parts a write puts into the comment.
  TagEditor(TagView& view, PlatformTools& platform, const Options& options, TagJobs& jobs);
  ~TagEditor();
  TagEditor(const TagEditor&) = delete;
  TagEditor& operator=(const TagEditor&) = delete;

  // ---- showing ----
  // Reads the tag of `path` and shows it: version strip, the fields and the track (or the one its
  // name proposes), the playing time, the comment parts and the cover. A missing file, or one
  // that cannot be loaded, empties the fields (they then belong to no file) and the view hears
  // why; a library too old to use leaves them as they were. What the user types while the file is
  // being read stays, over the file's values.
  void ShowFile(const QString& path);
  // Another part of the program rewrote `path`: the fields are shown anew when they are that
  // file's and hold no unsaved edits.
  void FileChanged(const QString& path);
  // The file the fields belong to now lives on as `to` (the converted WAV file went to the
  // trash): `to` is shown; with unsaved edits, the fields the user changed keep the edits, over
  // `to`'s own values, and now belong to `to`.
  void FollowFile(const QString& from, const QString& to);
  // Whether a read for showing or a write of the shown fields has not concluded yet.
  bool Busy() const { return reading_ || !writing_.isEmpty(); }

  // ---- editing ----
  // The user changed the boxes: they now hold `shown`.
  void FieldsEdited(const TagFields& shown);
  // What the boxes hold, as far as the editor knows (what it showed and what it was handed).
  const TagFields& Shown() const { return shown_; }
  // True when the shown tag fields differ from what their file held when they were shown (or
  // last written), the user chose a new cover for it, or a comment part box holds text typed
  // since that the comment does not carry yet. A proposed track or an image merely offered as
  // the cover is no edit.
  bool HasUnsavedEdits() const;

  // The write button: `shown` goes into the file the fields were read from, on the worker; the
  // view hears "書込み中" and then how it went. A second write of the file before the first has
  // concluded is refused.
  void Write(const TagFields& shown);
  // Before the shown fields are left (another file shown, the window closed): with unsaved edits,
  // asks once whether to write them. True when they may be left at once; otherwise `later` runs
  // once they may be (after a read or write under way, or the write of the edits, has concluded),
  // or never: the user cancelled, or the write failed (the view hears why).
  bool Leave(std::function<void()> later);
  // Before the shown file is converted, whose tag the MP3 gets: as Leave, but "保存しない" shows
  // the file's stored tag again, which is what the MP3 gets.
  bool BeforeConvert(std::function<void()> later);

  // The field memory buttons (FieldMemory): a copy of the boxes `shown`; a paste onto the shown
  // file `file`, `distance` being its places after the copied file in the list (nullopt when
  // unknown). The boxes take the paste as one edit; it is also what this returns.
  void CopyToMemory(const TagFields& shown);
  TagFields PasteFromMemory(const TagFields& shown, const QString& file,
                            std::optional<int> distance);
  // The file the memory was copied from; empty before any copy.
  const QString& CopiedFile() const { return memory_.CopiedFile(); }

  // The comment update button: the comment composed from the part boxes of `shown` in `format`
  // (Options::CommentFormat), appended to the present comment when `append`. The comment box
  // takes it as typed; nullopt when it is to be left as it is.
  std::optional<QString> ComposeComment(const TagFields& shown, int format, bool append);

  // ---- the cover ----
  // The jacket images of the opened folder (full paths, as the jacket box lists them: the box
  // now shows the first).
  void SetJacketImages(const QStringList& images);
  // Shows the cover preview anew: the jacket image box changed, or the options did.
  void UpdateCover();
  // The user picked or typed a jacket image (the boxes hold `shown`): the preview follows, and
  // where the tag format holds no picture the view hears so.
  void CoverChosen(const TagFields& shown);

  // The file the shown fields were read from; empty while they belong to none.
  QString FieldsFile() const { return fieldsFile_; }

  // Tells whether an encode is still writing a file: such a file is never written, since a
  // save replaces it and the encoder would go on writing into the replaced one.
  std::function<bool(const QString& path)> isBeingWritten;

private:
  // A comment part box whose text the comment does not carry.
  struct PartEdit {
    TagField field;
    QString value; // trimmed
  };
  // The comment part boxes of `shown` the user changed since the fields were read (or last
  // written) whose text the comment does not hold: typed credits a write puts into the comment
  // (CommentText::WithPart), in the order the comment lists parts. The jacket image counts only
  // in the jacket image comment format (in the others it chooses the cover) and when picked.
  std::vector<PartEdit> UncarriedParts(const TagFields& shown) const;
  // Leave and BeforeConvert; `discarded` runs when the user answers "保存しない".
  bool Settle(std::function<void()> later, const std::function<void()>& discarded);
  // Fields the user changed, by TagField.
  using Edited = std::bitset<kTagFieldCount>;
  // Reads `path` for showing; the fields `edited`, and those the user changes meanwhile, keep
  // what the boxes hold then.
  void StartRead(const QString& path, const Edited& edited);
  // While a read for showing is under way: the boxes are to hold `now`.
  void MarkEdited(const TagFields& now);
  void ReadEnded(std::uint64_t id, const QString& path, const FileTags& read);
  void ShowReadTags(const QString& path, const FileTags& read);
  // Writes `shown` into the file the fields belong to; `done` hears whether it was written.
  void StartWrite(TagFields shown, std::function<void(bool written)> done);
  // The boxes now hold `fields` (shown, or put in as an edit).
  void Put(const TagFields& fields, bool asEdit);
  void ClearFields(const QString& why);
  // Runs the actions that waited for the read or write under way, while none is.
  void RunWaiting();
  // Whether covers are written at all: only through ID3v2 tags.
  bool PicturesWritten() const;

  TagView& view_;
  PlatformTools& platform_;
  const Options& options_;
  TagJobs& jobs_;
  FieldMemory memory_;
  CoverChoice coverChoice_;
  QString fieldsFile_;
  // What the boxes hold.
  TagFields shown_;
  // The fields as the boxes held them when read from (or last written into) fieldsFile_.
  TagFields unedited_;
  // A read for showing under way (the latest asked for), and the file a write goes into.
  bool reading_ = false;
  std::uint64_t reads_ = 0;
  Edited editedWhileReading_;
  QString writing_;
  // What waits for the read or write under way, in the order asked.
  std::deque<std::function<void()>> waiting_;
  // Cleared when the editor goes: a question answered after that touches nothing.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The main window's tag work: showing a file's tag in the window, writing the window's fields
// (and the cover chosen for the file) into a file, the field memory and the comment composed
// from its parts. It uses the tag
// library's default handle, on the window's thread. It remembers which file the shown fields were
// read from, so the fields of one file are never written into another.
#pragma once

#include "core/settings/Options.h"
#include "core/tags/CoverChoice.h"
#include "core/tags/FieldMemory.h"
#include "core/tags/TagFields.h"
#include "core/tags/TagView.h"

#include <mp3infp_handle.h>

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// The kinds of tag a type code's tag bits name, in bit order: "(ID3V1)", "(ID3V2)", ...; bit
// 0x40 names none.
QStringList TagKindNames(quint32 code);
// "00000003 (ID3V1)(ID3V2)": the tag bits as eight upper-case hexadecimal digits, a space and
// the kinds of the set bits.
QString TagKindsText(quint32 code);

class TagEditor {
public:
  // `options` is read at each write: its MP3 tag format picks the tag MP3 files are written
  // through.
  TagEditor(TagView& view, const Options& options);

  // What showing a file's tag needs, read through a tag library handle (on any thread).
  struct FileTags {
    enum class State { Missing, NotFile, TooOld, Unreadable, Read };
    State state = State::Missing;
    QString version;  // the library's version text
    quint32 code = 0; // GetFileTypeCode's
    bool mp3 = false;
    TagFields fields; // with the playing time, the comment parts and the proposed track
    QByteArray cover; // the file's cover; empty when none
  };
  static FileTags ReadFileTags(const QString& path, MP3INFP_HANDLE* handle);

  // Loads the file into the tag library and shows its tag: version strip, the six fields and the
  // track (or the one its name proposes), the playing time, the comment parts and the cover. A
  // missing file, or one that cannot be loaded, empties the fields (they then belong to no file)
  // and the view hears why; a library too old to use leaves them as they were.
  void ShowFileTags(const QString& path);
  // Shows the tag of `path` as read (maybe on another thread) by ReadFileTags.
  void ShowReadTags(const QString& path, const FileTags& read);

  using WriteResult = TagWriteResult;

  // The write button: the shown fields go into the file they were read from.
  void WriteShownFields();
  // Writes the shown fields into `path` and tells the view how it went.
  WriteResult WriteShownTags(const QString& path);
  // Writes the six fields and the track of `wanted` (its proposed track when the box holds
  // none) into the file, and into the shown file the cover chosen for it (CoverChoice). A field
  // equal to what the window showed of the stored value keeps the whole stored value (further
  // lines, bytes past the window's 128). Unchanged when all fields and the cover are as stored;
  // Failed when there is no such file, it cannot be loaded, it is being encoded, the track is no
  // number, the cover's image is refused (nothing is written then), or the save (or any field)
  // was refused.
  WriteResult WriteTags(const QString& path, const TagFields& wanted);
  // The stored fields and track as the window shows them (first line, at most 128 bytes). False
  // when the file cannot be loaded.
  bool ReadTags(const QString& path, TagFields& stored);

  // The tag boxes as they stand.
  TagFields ShownFields() const { return view_.ShownTagFields(); }
  // True when the shown tag fields differ from what their file held when they were shown (or
  // last written), the user chose a new cover for it, or a comment part box holds text typed
  // since that the comment does not carry yet (UncarriedParts). A proposed track or an image
  // merely offered as the cover is no edit.
  bool HasUnsavedEdits() const;
  // Before the shown fields are left (another file shown, the window closed): with unsaved
  // edits, asks once whether to write them. False when the fields are to stay: the user
  // cancelled, or the write failed (the view hears why).
  bool ConfirmLeave();
  // Before the shown file is converted, whose tag the MP3 gets: with unsaved edits, asks once
  // whether to write them first. "保存しない" shows the file's stored tag again, which is what
  // the MP3 gets. False when the conversion is not to start: the user cancelled, or the write
  // failed.
  bool ConfirmConvert();
  // Another part of the program rewrote `path`: the fields are shown anew when they are that
  // file's and hold no unsaved edits.
  void FileChanged(const QString& path);
  // The file the fields belong to now lives on as `to` (the converted WAV file went to the
  // trash): `to` is shown; with unsaved edits, the fields the user changed keep the edits, over
  // `to`'s own values, and now belong to `to`.
  void FollowFile(const QString& from, const QString& to);

  // The field memory buttons. A copy takes each box that holds text; an empty box only when the
  // user emptied it (the file holds a value there), never the comment; the jacket image only
  // when the user picked it; the track (or the proposed one). A paste onto the shown file `file`
  // puts in what was copied and leaves every other box as it is: an empty title gets the one
  // the file's name gives, the track is the file's own (TrackNumber::ForPaste, `distance` being
  // the file's places after the copied one in the list, nullopt when unknown). The boxes take it
  // as one edit (TagView::EditTagFields).
  void CopyToMemory();
  void PasteFromMemory(const QString& file, std::optional<int> distance);
  // The file the memory was copied from; empty before any copy.
  const QString& CopiedFile() const { return memory_.CopiedFile(); }

  // The jacket images of the opened folder (full paths, as the jacket box lists them).
  void SetJacketImages(const QStringList& images);
  // Shows the cover preview anew: the jacket image box changed, or the options did.
  void UpdateCover();
  // The user picked or typed a jacket image: the preview follows, and where the tag format
  // holds no picture the view hears so.
  void CoverChosen();

  // The comment update button: composes the comment from the part boxes in `format`
  // (Options::CommentFormat), appending to the present comment while Shift is held.
  void ComposeComment(int format);

  // The file the shown fields were read from; empty while they belong to none.
  QString FieldsFile() const { return fieldsFile_; }

  // Tells whether an encode is still writing a file: such a file is never written, since a
  // save replaces it and the encoder would go on writing into the replaced one.
  std::function<bool(const QString& path)> isBeingWritten;

private:
  // A comment part box whose text the comment does not carry.
  struct PartEdit {
    const QString* marker;
    QString value; // trimmed
    const char* label;
  };
  // The comment part boxes of `shown` the user changed since the fields were read (or last
  // written) whose text the comment does not hold: typed credits a write puts into the comment
  // (CommentText::WithPart), in the order the comment lists parts. The jacket image counts only
  // in the jacket image comment format (in the others it chooses the cover) and when picked.
  std::vector<PartEdit> UncarriedParts(const TagFields& shown) const;
  // Asks whether to write the unsaved edits; nullopt when there are none.
  std::optional<SaveAnswer> AskToSave();
  void ClearFields(const QString& why);
  // Whether covers are written at all: only through ID3v2 tags.
  bool PicturesWritten() const;

  TagView& view_;
  const Options& options_;
  FieldMemory memory_;
  CoverChoice coverChoice_;
  QString fieldsFile_;
  // The six fields as the boxes held them when read from (or last written into) fieldsFile_.
  TagFields unedited_;
  // Why the last WriteTags failed, for the user; empty after a write.
  QString lastFailure_;
};

// The main window's tag work: showing a file's tag in the window, writing the window's fields
// into a file, copying one file's whole tag into another, the field memory and the comment
// composed from its parts. It remembers which file the shown fields were read from, so the
// fields of one file are never written into another.
#pragma once

#include "app/MainView.h"
#include "app/Options.h"
#include "tags/FieldMemory.h"
#include "tags/TagFields.h"

#include <QString>

#include <functional>

class TagEditor {
public:
  // `options` is read at each write: its MP3 tag format picks the tag MP3 files are written
  // through.
  TagEditor(MainView& view, const Options& options);

  // Loads the file into the tag library and shows its tag: version strip, the six fields, the
  // playing time and the comment parts. A missing file, or one that cannot be loaded, empties
  // the fields (they then belong to no file) and panel 2 says why; a library too old to use
  // leaves them as they were.
  void ShowFileTags(const QString& path);

  // The write button: the shown fields go into the file they were read from, and panel 1 says
  // "成功" or "失敗". With no such file nothing is written ("失敗").
  void WriteShownFields();
  // Writes the shown fields into `path` and reports in panel 1.
  void WriteShownTags(const QString& path);
  // Writes the six fields of `wanted` into the file. A field equal to what the window showed
  // of the stored value keeps the whole stored value (further lines, bytes past the window's
  // 128). False when nothing was written: no such file, it cannot be loaded, all six fields
  // are as stored, the file is being encoded, or the save (or any field) was refused.
  bool WriteTags(const QString& path, const TagFields& wanted);
  // The six stored fields as the window shows them (first line, at most 128 bytes). False when
  // the file cannot be loaded.
  bool ReadTags(const QString& path, TagFields& stored);
  // The six stored fields whole.
  bool ReadWholeTags(const QString& path, TagFields& stored);

  // Copies the whole stored tag of `from` into `to` (a file-to-file copy: nothing passes
  // through the window's one-line boxes), then shows `from`'s tag, which from then on is the
  // file the fields belong to. Panel 1 says "成功" or "失敗". True when `to` holds the tag.
  bool CopyTags(const QString& from, const QString& to);

  // True when both files load and hold the same six values, whole.
  bool SameStoredTag(const QString& a, const QString& b);

  // The field memory buttons.
  void CopyToMemory();
  // `fileName` is the shown file's name: the pasted title is made from it.
  void PasteFromMemory(const QString& fileName);

  // The comment update button: composes the comment from the part boxes in `format`
  // (Options::CommentFormat), appending to the present comment while Shift is held.
  void ComposeComment(int format);

  // Why the last WriteTags wrote nothing, for the user; empty after a write.
  const QString& LastFailure() const { return lastFailure_; }

  // The file the shown fields were read from; empty while they belong to none.
  QString FieldsFile() const { return fieldsFile_; }

  // Tells whether an encode is still writing a file: such a file is never written, since a
  // save replaces it and the encoder would go on writing into the replaced one.
  std::function<bool(const QString& path)> isBeingWritten;

private:
  void ClearFields(const QString& why);

  MainView& view_;
  const Options& options_;
  FieldMemory memory_;
  QString fieldsFile_;
  QString lastFailure_;
};

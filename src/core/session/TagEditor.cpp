#include "core/session/TagEditor.h"

#include "core/fs/FsPath.h"
#include "core/tags/CommentText.h"
#include "core/tags/TagJobs.h"
#include "core/tags/TagWrite.h"

#include <utility>

namespace {

const QString kNoPictureNote = QStringLiteral("RIFF SIF形式にカバー画像は入りません");

QString Trimmed(const QString& text) {
  return CommentText::TrimBlanks(text);
}

// What the track box shows: its own number, else the proposal.
const QString& TrackBoxText(const TagFields& fields) {
  return fields[TagField::Track].isEmpty() ? fields.ProposedTrack : fields[TagField::Track];
}

} // namespace

TagEditor::TagEditor(TagView& view, PlatformTools& platform, const Options& options, TagJobs& jobs)
    : view_(view), platform_(platform), options_(options), jobs_(jobs) {}

TagEditor::~TagEditor() {
  *alive_ = false;
}

// ---------------------------------------------------------------------------------------------
// Showing

void TagEditor::ShowFile(const QString& path) {
  // What is typed from now on is meant for this file.
  StartRead(path, {});
}

void TagEditor::FileChanged(const QString& path) {
  if (!fieldsFile_.isEmpty() && fieldsFile_ == path && !HasUnsavedEdits())
    ShowFile(path);
}

void TagEditor::FollowFile(const QString& from, const QString& to) {
  if (fieldsFile_.isEmpty() || fieldsFile_ != from)
    return;
  if (!HasUnsavedEdits()) {
    ShowFile(to);
    return;
  }
  // The edits were meant for this piece of music, which now lives in `to`: they stay, over what
  // `to` holds. The fields the user did not touch show `to`'s own values, never the old file's
  // (with the tag copy off the new MP3 holds none of them).
  Edited edited;
  for (const TagFieldRow& row : kTagFields)
    if (row.field == TagField::Jacket ? shown_.JacketChosen
                                      : shown_[row.field] != unedited_[row.field])
      edited.set(static_cast<std::size_t>(row.field));
  StartRead(to, edited);
}

void TagEditor::StartRead(const QString& path, const Edited& edited) {
  reading_ = true;
  editedWhileReading_ = edited;
  const std::uint64_t id = ++reads_;
  jobs_.Run(path, [this, id, path](MP3INFP_HANDLE* handle) {
    const FileTags read = ReadFileTags(path, handle);
    return [this, id, path, read] { ReadEnded(id, path, read); };
  });
}

void TagEditor::MarkEdited(const TagFields& now) {
  if (!reading_)
    return;
  for (const TagFieldRow& row : kTagFields)
    if ((!now.Kept(row.field) && now[row.field] != shown_[row.field]) ||
        (row.field == TagField::Jacket && now.JacketChosen && !shown_.JacketChosen))
      editedWhileReading_.set(static_cast<std::size_t>(row.field));
}

void TagEditor::ReadEnded(std::uint64_t id, const QString& path, const FileTags& read) {
  // A later read replaces this one.
  if (id != reads_)
    return;
  reading_ = false;
  const TagFields typed = shown_;
  ShowReadTags(path, read);
  if (read.state == FileTags::State::Read && editedWhileReading_.any()) {
    TagFields edits = typed;
    edits.kept = ~editedWhileReading_;
    view_.EditTagFields(edits);
    Put(edits, true);
    UpdateCover();
  }
  RunWaiting();
}

void TagEditor::ShowReadTags(const QString& path, const FileTags& read) {
  switch (read.state) {
  case FileTags::State::Missing:
  case FileTags::State::NotFile:
    // Deleted or moved since the list was made, or no file at all (a FIFO or folder under a
    // file's name, never opened): the fields must not go on showing another file's tag under
    // this name (a write would put it there).
    ClearFields(
        read.state == FileTags::State::Missing
            ? QStringLiteral("%1 が見つかりません（削除または移動されました）")
                  .arg(FsPath::DisplayName(path))
            : QStringLiteral("%1 はフォルダや特殊なファイルです").arg(FsPath::DisplayName(path)));
    return;
  case FileTags::State::TooOld:
    view_.ShowLibraryVersion(read.version);
    return;
  case FileTags::State::Unreadable:
    view_.ShowLibraryVersion(read.version);
    view_.ShowOpenStatus(QStringLiteral("Can't Open"));
    ClearFields(UnreadableText(path, read.state));
    return;
  case FileTags::State::Read:
    break;
  }
  view_.ShowLibraryVersion(read.version);
  view_.ShowOpenStatus(QStringLiteral("Open_SUCCESS"));
  view_.ShowFileKind(read.mp3 ? QStringLiteral("MP3") : QStringLiteral("WAV"),
                     TagKindsText(read.code));
  view_.ShowTagFields(read.fields);
  Put(read.fields, false);
  fieldsFile_ = path;
  unedited_ = shown_;
  coverChoice_.FileShown(path, read.cover, read.fields.Jacket());
  UpdateCover();
}

void TagEditor::ClearFields(const QString& why) {
  TagFields empty;
  empty.PlayingTime = QString();
  empty.Keep(TagField::Jacket);
  view_.ShowFileKind(QString(), QString());
  view_.ShowTagFields(empty);
  view_.ShowFileProblem(why);
  Put(empty, false);
  fieldsFile_.clear();
  unedited_ = shown_;
  coverChoice_.FileShown(QString(), QByteArray(), std::nullopt);
  UpdateCover();
}

void TagEditor::Put(const TagFields& fields, bool asEdit) {
  if (asEdit)
    MarkEdited(fields);
  for (const TagFieldRow& row : kTagFields) {
    if (fields.Kept(row.field))
      continue;
    if (row.field != TagField::Track || !asEdit) {
      shown_[row.field] = fields[row.field];
      continue;
    }
    // Typed into the track box, a number other than the one it shows becomes the box's own.
    if (!fields[row.field].isEmpty() && fields[row.field] != TrackBoxText(shown_)) {
      shown_[row.field] = fields[row.field];
      shown_.ProposedTrack.clear();
    }
  }
  if (!asEdit) {
    shown_.ProposedTrack = fields.ProposedTrack;
    shown_.JacketChosen = false;
  } else if (!fields.Kept(TagField::Jacket)) {
    shown_.JacketChosen = true;
  }
}

// ---------------------------------------------------------------------------------------------
// Editing

void TagEditor::FieldsEdited(const TagFields& shown) {
  MarkEdited(shown);
  shown_ = shown;
  shown_.kept.reset();
  shown_.PlayingTime.reset();
}

std::vector<TagEditor::PartEdit> TagEditor::UncarriedParts(const TagFields& shown) const {
  std::vector<PartEdit> parts;
  const QString& comment = shown[TagField::Comment];
  for (const TagFieldRow& row : kTagFields) {
    if (row.commentMarker == nullptr)
      continue;
    if (row.field == TagField::Jacket &&
        (options_.commentFormat != Options::JacketImage || !shown.JacketChosen))
      continue;
    const QString value = Trimmed(shown[row.field]);
    const QString carried = CommentText::Part(comment, row.CommentMarker()).value_or(QString());
    if (value != Trimmed(unedited_[row.field]) && value != Trimmed(carried))
      parts.push_back({row.field, value});
  }
  return parts;
}

bool TagEditor::HasUnsavedEdits() const {
  if (fieldsFile_.isEmpty())
    return false;
  return !shown_.SameTag(unedited_) || coverChoice_.ChosenCoverPending(shown_) ||
         !UncarriedParts(shown_).empty();
}

void TagEditor::Write(const TagFields& shown) {
  FieldsEdited(shown);
  if (!writing_.isEmpty()) {
    view_.ShowWriteResult(
        TagWriteResult::Busy,
        QStringLiteral("%1 への書き込みがまだ終わっていません").arg(FsPath::DisplayName(writing_)));
    return;
  }
  if (reading_) {
    // The fields are being read: the write takes them as they will be.
    waiting_.push_back([this] { StartWrite(shown_, {}); });
    return;
  }
  StartWrite(shown_, {});
}

void TagEditor::StartWrite(TagFields shown, std::function<void(bool written)> done) {
  const QString path = fieldsFile_;
  const auto fail = [&](const QString& why) {
    view_.ShowWriteResult(TagWriteResult::Failed, why);
    if (done)
      done(false);
  };
  if (path.isEmpty())
    return fail(QStringLiteral("タグ欄はどのファイルのものでもありません"));
  if (isBeingWritten && isBeingWritten(path))
    return fail(QStringLiteral("%1 は変換中です").arg(FsPath::DisplayName(path)));
  QStringList notes;
  // Credits typed into their boxes go into the comment, which the window then shows.
  const std::vector<PartEdit> parts = UncarriedParts(shown);
  if (!parts.empty()) {
    QString& comment = shown[TagField::Comment];
    QStringList labels;
    for (const PartEdit& part : parts) {
      comment = CommentText::WithPart(comment, RowOf(part.field).CommentMarker(), part.value);
      labels.append(RowOf(part.field).Label());
    }
    view_.ShowComment(comment);
    shown_[TagField::Comment] = comment;
    notes.append(QStringLiteral("%1をコメントに入れました").arg(labels.join(u'・')));
  }
  if (shown.JacketChosen && !PicturesWritten() && !Trimmed(shown[TagField::Jacket]).isEmpty())
    notes.append(kNoPictureNote);

  TagWriteRequest request;
  request.path = path;
  request.wanted = shown;
  request.coverImage = coverChoice_.ImageToWrite(shown, PicturesWritten());
  request.shownCover = coverChoice_.FileCover();
  request.format = options_.mp3TagFormat;
  writing_ = path;
  view_.ShowWriting();
  jobs_.Run(path, [this, request, notes, done](MP3INFP_HANDLE* handle) {
    const TagWriteOutcome outcome = WriteTags(handle, request);
    return [this, request, notes, done, outcome] {
      writing_.clear();
      const bool written = outcome.result != TagWriteResult::Failed;
      view_.ShowWriteResult(outcome.result, outcome.failure);
      if (written && !notes.isEmpty())
        view_.ShowNote(notes.join(QStringLiteral("。")));
      if (written && request.path == fieldsFile_) {
        TagFields stored = request.wanted;
        // The track box shows what the file now holds: a proposal written, or "３" as "3"; unless
        // the user typed another number meanwhile.
        if (outcome.track != stored[TagField::Track] &&
            TrackBoxText(shown_) == TrackBoxText(stored)) {
          view_.ShowStoredTrack(outcome.track);
          shown_[TagField::Track] = outcome.track;
          shown_.ProposedTrack.clear();
        }
        stored[TagField::Track] = outcome.track;
        stored.ProposedTrack.clear();
        unedited_ = stored;
        if (!outcome.coverWritten.isEmpty())
          coverChoice_.CoverWritten(outcome.coverWritten);
        UpdateCover();
      }
      if (done)
        done(written);
      RunWaiting();
    };
  });
}

bool TagEditor::Leave(std::function<void()> later) {
  return Settle(std::move(later), {});
}

bool TagEditor::BeforeConvert(std::function<void()> later) {
  return Settle(std::move(later), [this] { ShowFile(fieldsFile_); });
}

bool TagEditor::Settle(std::function<void()> later, const std::function<void()>& discarded) {
  if (Busy()) {
    // The question comes once the read or write under way has concluded, as it would after it.
    waiting_.push_back([this, later, discarded] {
      if (Settle(later, discarded))
        later();
    });
    return false;
  }
  if (!HasUnsavedEdits())
    return true;
  const std::shared_ptr<bool> alive = alive_;
  const SaveAnswer answer = platform_.AskSaveChanges(FsPath::DisplayName(fieldsFile_));
  // The program may have been closed while the question was up.
  if (!*alive)
    return false;
  switch (answer) {
  case SaveAnswer::Save:
    StartWrite(shown_, [later](bool written) {
      if (written)
        later();
    });
    return false;
  case SaveAnswer::Discard:
    if (discarded)
      discarded();
    return true;
  case SaveAnswer::Cancel:
    break;
  }
  return false;
}

void TagEditor::RunWaiting() {
  const std::shared_ptr<bool> alive = alive_;
  while (*alive && !Busy() && !waiting_.empty()) {
    const std::function<void()> next = std::move(waiting_.front());
    waiting_.pop_front();
    next();
  }
}

void TagEditor::CopyToMemory(const TagFields& shown) {
  FieldsEdited(shown);
  memory_.Copy(shown_, unedited_, fieldsFile_);
}

TagFields TagEditor::PasteFromMemory(const TagFields& shown, const QString& file,
                                     std::optional<int> distance) {
  FieldsEdited(shown);
  const TagFields pasted = memory_.Paste(shown_, file, distance);
  view_.EditTagFields(pasted);
  Put(pasted, true);
  UpdateCover();
  return pasted;
}

std::optional<QString> TagEditor::ComposeComment(const TagFields& shown, int format, bool append) {
  FieldsEdited(shown);
  using CommentText::CommentFormat;
  // With free text chosen the button is normally disabled; when it is still enabled (the
  // options window was closed with Cancel) it composes the fullest format.
  CommentFormat composed = CommentFormat::IdAndCredits;
  if (format == Options::JacketImage)
    composed = CommentFormat::JacketImage;
  else if (format == Options::Credits)
    composed = CommentFormat::Credits;
  const CommentText::CommentParts parts{shown[TagField::Id],       shown[TagField::Jacket],
                                        shown[TagField::Lyricist], shown[TagField::Composer],
                                        shown[TagField::Arranger], shown[TagField::Performer]};
  const QString text = CommentText::Compose(composed, parts, append, shown[TagField::Comment]);
  if (text.isEmpty())
    return std::nullopt;
  view_.ShowComment(text);
  TagFields composedFields = shown_;
  composedFields[TagField::Comment] = text;
  FieldsEdited(composedFields);
  return text;
}

// ---------------------------------------------------------------------------------------------
// The cover

bool TagEditor::PicturesWritten() const {
  return options_.mp3TagFormat == Options::Mp3Format::Id3v2;
}

void TagEditor::SetJacketImages(const QStringList& images) {
  coverChoice_.SetImages(images);
  if (!images.isEmpty())
    shown_[TagField::Jacket] = FsPath::Display(FsPath::BareName(images.first()));
  // The box now shows the folder's first image, which nobody chose: no edit.
  if (!shown_.JacketChosen)
    unedited_[TagField::Jacket] = shown_[TagField::Jacket];
  UpdateCover();
}

void TagEditor::UpdateCover() {
  view_.ShowCover(coverChoice_.Preview(shown_, PicturesWritten()));
}

void TagEditor::CoverChosen(const TagFields& shown) {
  FieldsEdited(shown);
  UpdateCover();
  if (!PicturesWritten() && !Trimmed(shown_[TagField::Jacket]).isEmpty())
    view_.ShowNote(kNoPictureNote + QStringLiteral("（ID3v2形式なら入ります）"));
}

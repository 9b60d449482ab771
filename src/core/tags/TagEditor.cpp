#include "core/tags/TagEditor.h"
#include "core/fs/FsPath.h"

#include "core/settings/Options.h"
#include "core/tags/CommentText.h"
#include "core/tags/TagCopy.h"
#include "core/tags/TagFieldAccess.h"
#include "core/tags/TrackNumber.h"

#include <array>
#include <utility>

namespace {

const QString kTooOldLibrary = QStringLiteral("0.00");

// The tag bits of a type code and the names of the kinds they stand for. Bit 0x40 has none.
constexpr std::array<std::pair<quint32, const char*>, 9> kTagKinds{{
    {0x001, "(ID3V1)"},
    {0x002, "(ID3V2)"},
    {0x004, "(RIFFSIF)"},
    {0x008, "(ID3V1_0)"},
    {0x010, "(ID3V1_1)"},
    {0x020, "(ID3V2_2)"},
    {0x080, "(ID3V2_4)"},
    {0x100, "(APEV1)"},
    {0x200, "(APEV2)"},
}};

bool Loadable(const QString& path) {
  return TagFieldAccess::GetLibraryVersionText() != kTooOldLibrary && TagCopy::Load(nullptr, path);
}

// The comment part boxes with their markers and the captions of their boxes, in the order
// a composed comment lists them; the jacket image (between the ID and the lyricist) apart.
struct TextPart {
  const QString* marker;
  QString TagFields::*box;
  std::optional<QString> CommentText::SplitParts::*inComment;
  const char* label;
};
const std::array<TextPart, 5> kTextParts{{
    {&CommentText::kIdMarker, &TagFields::Id, &CommentText::SplitParts::id, "TITLE ID"},
    {&CommentText::kLyricistMarker, &TagFields::Lyricist, &CommentText::SplitParts::lyricist,
     "作詞"},
    {&CommentText::kComposerMarker, &TagFields::Composer, &CommentText::SplitParts::composer,
     "作曲"},
    {&CommentText::kArrangerMarker, &TagFields::Arranger, &CommentText::SplitParts::arranger,
     "編曲"},
    {&CommentText::kPerformerMarker, &TagFields::Performer, &CommentText::SplitParts::performer,
     "演奏"},
}};

QString Trimmed(const std::optional<QString>& text) {
  return CommentText::TrimBlanks(text.value_or(QString()));
}

const QString kNoPictureNote = QStringLiteral("RIFF SIF形式にカバー画像は入りません");

// The track a write stores: what the box holds, else what it proposes; nullopt when it is no
// track number.
std::optional<QString> TrackToWrite(const TagFields& fields) {
  return TrackNumber::Normalized(fields.Track.isEmpty() ? fields.ProposedTrack : fields.Track);
}

} // namespace

QStringList TagKindNames(quint32 code) {
  QStringList kinds;
  for (const auto& [bit, name] : kTagKinds)
    if (code & bit)
      kinds.append(QLatin1String(name));
  return kinds;
}

QString TagKindsText(quint32 code) {
  return QStringLiteral("%1 %2")
      .arg(code & 0xFFFF, 8, 16, QLatin1Char('0'))
      .toUpper()
      .arg(TagKindNames(code).join(QString()));
}

TagEditor::TagEditor(TagView& view, const Options& options) : view_(view), options_(options) {}

TagEditor::FileTags TagEditor::ReadFileTags(const QString& path, MP3INFP_HANDLE* handle) {
  using namespace TagFieldAccess;
  FileTags read;
  if (path.isEmpty() || !FsPath::IsFile(path)) {
    read.state = FsPath::KindOf(path) == FsPath::Kind::Missing ? FileTags::State::Missing
                                                               : FileTags::State::NotFile;
    return read;
  }
  read.version = GetLibraryVersionText();
  if (read.version == kTooOldLibrary) {
    read.state = FileTags::State::TooOld;
    return read;
  }
  if (!TagCopy::Load(handle, path)) {
    read.state = FileTags::State::Unreadable;
    return read;
  }
  read.state = FileTags::State::Read;
  read.mp3 = GetFileTypeCode(read.code, handle);
  TagCopy::ReadValues(handle, read.fields, false);
  if (read.fields.Track.isEmpty())
    read.fields.ProposedTrack = TrackNumber::FromFileName(path);
  read.cover = TagCopy::ReadCover(handle);
  QString time;
  GetTagValue(kTime, time, handle);
  read.fields.PlayingTime = time;
  // The part boxes show only what this comment holds; the jacket image box keeps its text (and
  // its list of the folder's images) when the comment names no image.
  const CommentText::SplitParts parts = CommentText::Split(read.fields.Comment);
  read.fields.Id = parts.id.value_or(QString());
  read.fields.Jacket = parts.jacket;
  read.fields.Lyricist = parts.lyricist.value_or(QString());
  read.fields.Composer = parts.composer.value_or(QString());
  read.fields.Arranger = parts.arranger.value_or(QString());
  read.fields.Performer = parts.performer.value_or(QString());
  return read;
}

void TagEditor::ShowFileTags(const QString& path) {
  ShowReadTags(path, ReadFileTags(path, nullptr));
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
    ClearFields(QStringLiteral("%1 はWAVファイルとしてもMP3ファイルとしても読めません")
                    .arg(FsPath::DisplayName(path)));
    return;
  case FileTags::State::Read:
    break;
  }
  view_.ShowLibraryVersion(read.version);
  view_.ShowOpenStatus(QStringLiteral("Open_SUCCESS"));
  view_.ShowFileKind(read.mp3 ? QStringLiteral("MP3") : QStringLiteral("WAV"),
                     TagKindsText(read.code));
  view_.ShowTagFields(read.fields);
  fieldsFile_ = path;
  unedited_ = view_.ShownTagFields();
  coverChoice_.FileShown(path, read.cover, read.fields.Jacket);
  UpdateCover();
}

void TagEditor::ClearFields(const QString& why) {
  TagFields empty;
  empty.PlayingTime = QString();
  view_.ShowFileKind(QString(), QString());
  view_.ShowTagFields(empty);
  view_.ShowFileProblem(why);
  fieldsFile_.clear();
  unedited_ = view_.ShownTagFields();
  coverChoice_.FileShown(QString(), QByteArray(), std::nullopt);
  UpdateCover();
}

bool TagEditor::PicturesWritten() const {
  return options_.Mp3TagFormat == Options::Mp3Format::Id3v2;
}

void TagEditor::SetJacketImages(const QStringList& images) {
  coverChoice_.SetImages(images);
  // The box now shows the folder's first image, which nobody chose: no edit.
  const TagFields shown = view_.ShownTagFields();
  if (!shown.JacketChosen)
    unedited_.Jacket = shown.Jacket;
  UpdateCover();
}

void TagEditor::UpdateCover() {
  view_.ShowCover(coverChoice_.Preview(view_.ShownTagFields(), PicturesWritten()));
}

void TagEditor::CoverChosen() {
  UpdateCover();
  if (!PicturesWritten() && !Trimmed(view_.ShownTagFields().Jacket).isEmpty())
    view_.ShowNote(kNoPictureNote + QStringLiteral("（ID3v2形式なら入ります）"));
}

void TagEditor::WriteShownFields() {
  WriteShownTags(fieldsFile_);
}

TagEditor::WriteResult TagEditor::WriteShownTags(const QString& path) {
  TagFields shown = view_.ShownTagFields();
  QStringList notes;
  if (path == fieldsFile_ && !path.isEmpty()) {
    // Credits typed into their boxes go into the comment, which the window then shows.
    const std::vector<PartEdit> parts = UncarriedParts(shown);
    if (!parts.empty()) {
      QStringList labels;
      for (const PartEdit& part : parts) {
        shown.Comment = CommentText::WithPart(shown.Comment, *part.marker, part.value);
        labels.append(QString::fromUtf8(part.label));
      }
      view_.ShowComment(shown.Comment);
      notes.append(QStringLiteral("%1をコメントに入れました").arg(labels.join(u'・')));
    }
    if (shown.JacketChosen && !PicturesWritten() && !Trimmed(shown.Jacket).isEmpty())
      notes.append(kNoPictureNote);
  }
  const WriteResult result = WriteTags(path, shown);
  view_.ShowWriteResult(result, lastFailure_);
  if (result != WriteResult::Failed && !notes.isEmpty())
    view_.ShowNote(notes.join(QStringLiteral("。")));
  if (result != WriteResult::Failed && path == fieldsFile_) {
    // The track box shows what the file now holds: a proposal written, or "３" as "3".
    const QString track = TrackToWrite(shown).value_or(shown.Track);
    if (track != shown.Track) {
      shown.Track = track;
      shown.ProposedTrack.clear();
      view_.ShowStoredTrack(track);
    }
    unedited_ = shown;
    UpdateCover();
  }
  return result;
}

TagEditor::WriteResult TagEditor::WriteTags(const QString& path, const TagFields& wanted) {
  using namespace TagFieldAccess;
  lastFailure_.clear();
  if (path.isEmpty() || !FsPath::IsFile(path)) {
    lastFailure_ = path.isEmpty()
                       ? QStringLiteral("タグ欄はどのファイルのものでもありません")
                       : QStringLiteral("%1 が見つかりません").arg(FsPath::DisplayName(path));
    return WriteResult::Failed;
  }
  if (isBeingWritten && isBeingWritten(path)) {
    lastFailure_ = QStringLiteral("%1 は変換中です").arg(FsPath::DisplayName(path));
    return WriteResult::Failed;
  }
  // The cover goes only into the file the fields were read from; an image that cannot become
  // one stops the write before anything is written.
  const QString image =
      path == fieldsFile_ ? coverChoice_.ImageToWrite(wanted, PicturesWritten()) : QString();
  QByteArray cover;
  if (!image.isEmpty()) {
    lastFailure_ = CoverChoice::ReadImage(image, cover);
    if (!lastFailure_.isEmpty())
      return WriteResult::Failed;
    if (cover == coverChoice_.FileCover())
      cover.clear();
  }
  TagFields stored;
  if (!ReadTags(path, stored)) {
    lastFailure_ = QStringLiteral("%1 を読めません").arg(FsPath::DisplayName(path));
    return WriteResult::Failed;
  }
  // A track left as the file holds it passes unchecked: another tool may have stored "A1", and
  // it stays as it is (SetValues leaves it).
  const std::optional<QString> track = !wanted.Track.isEmpty() && wanted.Track == stored.Track
                                           ? std::optional<QString>(stored.Track)
                                           : TrackToWrite(wanted);
  if (!track) {
    lastFailure_ = QStringLiteral("トラック番号は「3」や「3/12」のように数字で入力してください");
    return WriteResult::Failed;
  }
  TagFields wantedTrack = wanted;
  wantedTrack.Track = *track;
  if (stored.SameTag(wantedTrack) && cover.isEmpty())
    return WriteResult::Unchanged;
  uint32_t coverSet = MP3INFP_PICTURE_OK;
  if (!cover.isEmpty()) {
    coverSet = TagCopy::SetCover(nullptr, cover);
    if (coverSet == MP3INFP_PICTURE_TOO_LARGE || coverSet == MP3INFP_PICTURE_NOT_IMAGE) {
      lastFailure_ = TagCopy::CoverRefusalText(coverSet, FsPath::DisplayName(image));
      return WriteResult::Failed;
    }
  }

  // Values are shown one line long and at most 128 bytes; a field still as it was shown keeps
  // what the file holds beyond that (the further lines of a comment written by another tool, a
  // long title), instead of being cut down to the shown part by a write of another field.
  auto keepWhole = [](int field, const QString& shown, const QString& value) {
    if (value != shown)
      return value;
    QString whole;
    GetWholeTagValue(field, whole);
    return whole;
  };
  TagFields values;
  values.Title = keepWhole(kTitle, stored.Title, wanted.Title);
  values.Artist = keepWhole(kArtist, stored.Artist, wanted.Artist);
  values.Album = keepWhole(kAlbum, stored.Album, wanted.Album);
  values.Comment = keepWhole(kComment, stored.Comment, wanted.Comment);
  values.Year = keepWhole(kYear, stored.Year, wanted.Year);
  values.Genre = keepWhole(kGenre, stored.Genre, wanted.Genre);
  values.Track = keepWhole(kTrack, stored.Track, *track);
  const bool allSet =
      TagCopy::SetValues(nullptr, values, FsPath::Encode(path), options_.Mp3TagFormat);
  // An RMP3 file has no place for a cover until the ID3v2 format has unwrapped it above.
  if (coverSet == MP3INFP_PICTURE_NO_PLACE)
    coverSet = TagCopy::SetCover(nullptr, cover);
  if (coverSet != MP3INFP_PICTURE_OK) {
    lastFailure_ = TagCopy::CoverRefusalText(coverSet, FsPath::DisplayName(image));
    return WriteResult::Failed;
  }
  const uint32_t saved = mp3infp_Save(FsPath::Encode(path).constData());
  if (saved == 0 && !cover.isEmpty())
    coverChoice_.CoverWritten(cover);
  if (saved != 0)
    lastFailure_ = TagCopy::SaveFailureText(saved);
  else if (!allSet && LastMakeFailure() != 0) // the tag the values go into could not be made
    lastFailure_ = TagCopy::SaveFailureText(LastMakeFailure());
  else if (!allSet)
    lastFailure_ = QStringLiteral("書き込めない値があります（ほかの欄は書き込みました）");
  return saved == 0 && allSet ? WriteResult::Written : WriteResult::Failed;
}

bool TagEditor::ReadTags(const QString& path, TagFields& stored) {
  stored = TagFields();
  if (!Loadable(path))
    return false;
  TagCopy::ReadValues(nullptr, stored, false);
  return true;
}

std::vector<TagEditor::PartEdit> TagEditor::UncarriedParts(const TagFields& shown) const {
  std::vector<PartEdit> parts;
  const CommentText::SplitParts inComment = CommentText::Split(shown.Comment);
  const auto check = [&](const QString& marker, const QString& now, const QString& before,
                         const std::optional<QString>& carried, const char* label) {
    const QString value = CommentText::TrimBlanks(now);
    if (value != CommentText::TrimBlanks(before) && value != Trimmed(carried))
      parts.push_back({&marker, value, label});
  };
  for (const TextPart& part : kTextParts) {
    check(*part.marker, shown.*part.box, unedited_.*part.box, inComment.*part.inComment,
          part.label);
    // The jacket image follows the ID.
    if (part.box == &TagFields::Id && options_.FormComment == Options::JacketImage &&
        shown.JacketChosen)
      check(CommentText::kJacketMarker, shown.Jacket.value_or(QString()),
            unedited_.Jacket.value_or(QString()), inComment.jacket, "ジャケット画像");
  }
  return parts;
}

bool TagEditor::HasUnsavedEdits() const {
  if (fieldsFile_.isEmpty())
    return false;
  const TagFields shown = view_.ShownTagFields();
  return !shown.SameTag(unedited_) || coverChoice_.ChosenCoverPending(shown) ||
         !UncarriedParts(shown).empty();
}

std::optional<SaveAnswer> TagEditor::AskToSave() {
  if (!HasUnsavedEdits())
    return std::nullopt;
  return view_.AskSaveChanges(FsPath::DisplayName(fieldsFile_));
}

bool TagEditor::ConfirmLeave() {
  switch (AskToSave().value_or(SaveAnswer::Discard)) {
  case SaveAnswer::Save:
    return WriteShownTags(fieldsFile_) != WriteResult::Failed;
  case SaveAnswer::Discard:
    return true;
  case SaveAnswer::Cancel:
    break;
  }
  return false;
}

bool TagEditor::ConfirmConvert() {
  const std::optional<SaveAnswer> answer = AskToSave();
  if (!answer)
    return true;
  switch (*answer) {
  case SaveAnswer::Save:
    return WriteShownTags(fieldsFile_) != WriteResult::Failed;
  case SaveAnswer::Discard:
    ShowFileTags(fieldsFile_);
    return true;
  case SaveAnswer::Cancel:
    break;
  }
  return false;
}

void TagEditor::FileChanged(const QString& path) {
  if (!fieldsFile_.isEmpty() && fieldsFile_ == path && !HasUnsavedEdits())
    ShowFileTags(path);
}

void TagEditor::FollowFile(const QString& from, const QString& to) {
  if (fieldsFile_.isEmpty() || fieldsFile_ != from)
    return;
  if (!HasUnsavedEdits()) {
    ShowFileTags(to);
    return;
  }
  // The edits were meant for this piece of music, which now lives in `to`: they stay, over what
  // `to` holds. The fields the user did not touch show `to`'s own values, never the old file's
  // (with the tag copy off the new MP3 holds none of them).
  const TagFields typed = view_.ShownTagFields();
  const TagFields before = unedited_;
  const FileTags read = ReadFileTags(to, nullptr);
  if (read.state != FileTags::State::Read) {
    ShowReadTags(to, read);
    return;
  }
  TagFields edits = read.fields;
  for (QString TagFields::*field :
       {&TagFields::Title, &TagFields::Artist, &TagFields::Album, &TagFields::Comment,
        &TagFields::Year, &TagFields::Genre, &TagFields::Track, &TagFields::Id,
        &TagFields::Lyricist, &TagFields::Composer, &TagFields::Arranger, &TagFields::Performer})
    if (typed.*field != before.*field)
      edits.*field = typed.*field;
  edits.Jacket = typed.JacketChosen ? typed.Jacket : std::nullopt;
  ShowReadTags(to, read);
  view_.EditTagFields(edits);
  UpdateCover();
}

void TagEditor::CopyToMemory() {
  const TagFields shown = view_.ShownTagFields();
  // An empty box copies nothing, unless the user emptied a value the file holds: that empty is
  // pasted too.
  const auto slot = [](const QString& now, const QString& before) -> std::optional<QString> {
    if (!CommentText::TrimBlanks(now).isEmpty())
      return now;
    if (!CommentText::TrimBlanks(before).isEmpty())
      return QString();
    return std::nullopt;
  };
  FieldMemory::Texts texts;
  texts[FieldMemory::Artist] = slot(shown.Artist, unedited_.Artist);
  texts[FieldMemory::Album] = slot(shown.Album, unedited_.Album);
  // A comment is never emptied by a paste.
  texts[FieldMemory::Comment] = slot(shown.Comment, QString());
  texts[FieldMemory::Id] = slot(shown.Id, unedited_.Id);
  // The image the box merely shows (the folder's first) is nobody's choice.
  if (shown.JacketChosen)
    texts[FieldMemory::JacketImage] = slot(shown.Jacket.value_or(QString()), QString());
  texts[FieldMemory::Year] = slot(shown.Year, unedited_.Year);
  texts[FieldMemory::Lyricist] = slot(shown.Lyricist, unedited_.Lyricist);
  texts[FieldMemory::Composer] = slot(shown.Composer, unedited_.Composer);
  texts[FieldMemory::Arranger] = slot(shown.Arranger, unedited_.Arranger);
  texts[FieldMemory::Performer] = slot(shown.Performer, unedited_.Performer);
  texts[FieldMemory::Genre] = slot(shown.Genre, unedited_.Genre);
  texts[FieldMemory::Track] =
      slot(shown.Track.isEmpty() ? shown.ProposedTrack : shown.Track, QString());
  memory_.Copy(texts, fieldsFile_);
}

void TagEditor::PasteFromMemory(const QString& file, std::optional<int> distance) {
  const FieldMemory::Texts& texts = memory_.Paste();
  const TagFields shown = view_.ShownTagFields();
  TagFields pasted = shown;
  if (CommentText::TrimBlanks(shown.Title).isEmpty())
    pasted.Title = TrackNumber::FromName(file).title;
  const auto put = [&texts](QString& box, FieldMemory::Slot slot) {
    if (texts[slot])
      box = *texts[slot];
  };
  put(pasted.Artist, FieldMemory::Artist);
  put(pasted.Album, FieldMemory::Album);
  put(pasted.Comment, FieldMemory::Comment);
  put(pasted.Id, FieldMemory::Id);
  pasted.Jacket = texts[FieldMemory::JacketImage];
  put(pasted.Year, FieldMemory::Year);
  put(pasted.Lyricist, FieldMemory::Lyricist);
  put(pasted.Composer, FieldMemory::Composer);
  put(pasted.Arranger, FieldMemory::Arranger);
  put(pasted.Performer, FieldMemory::Performer);
  put(pasted.Genre, FieldMemory::Genre);
  pasted.Track = TrackNumber::ForPaste(texts[FieldMemory::Track].value_or(QString()), shown.Track,
                                       file, distance);
  view_.EditTagFields(pasted);
  UpdateCover();
}

void TagEditor::ComposeComment(int format) {
  using CommentText::CommentFormat;
  // With free text chosen the button is normally disabled; when it is still enabled (the
  // options window was closed with Cancel) it composes the fullest format.
  CommentFormat composed = CommentFormat::IdAndCredits;
  if (format == Options::JacketImage)
    composed = CommentFormat::JacketImage;
  else if (format == Options::Credits)
    composed = CommentFormat::Credits;

  const TagFields shown = view_.ShownTagFields();
  const CommentText::CommentParts parts{shown.Id,       shown.Jacket.value_or(QString()),
                                        shown.Lyricist, shown.Composer,
                                        shown.Arranger, shown.Performer};
  const QString text = CommentText::Compose(composed, parts, view_.ShiftHeld(), shown.Comment);
  if (!text.isEmpty())
    view_.ShowComment(text);
}

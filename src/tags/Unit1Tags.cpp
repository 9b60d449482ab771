// The main window's tag display and the write button: loading the shown file into the tag
// library, filling the tag boxes from it, and writing the six tag fields back.
#include "app/Unit1.h"
#include "encoder/GogoTea.h"
#include "tags/CommentText.h"
#include "tags/my_mp3infp.h"

#include <mp3infp.h>

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <array>
#include <optional>
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

// "00000003 (ID3V1)(ID3V2)": the tag bits as eight upper-case hexadecimal digits, a space and
// the kinds of the set bits.
QString TagKindsText(quint32 code) {
  const quint32 bits = code & 0xFFFF;
  QString kinds;
  for (const auto& [bit, name] : kTagKinds)
    if (bits & bit)
      kinds += QLatin1String(name);
  return QStringLiteral("%1 %2").arg(bits, 8, 16, QLatin1Char('0')).toUpper().arg(kinds);
}

// A regular file (a folder or nothing at the path does not count).
bool FileExists(const QString& path) {
  return !path.isEmpty() && QFileInfo(path).isFile();
}

bool LoadIntoLibrary(void* owner, const QString& path) {
  return mp3infp_Load(owner, QFile::encodeName(path).constData()) == 0;
}

void KeepIfFound(QLineEdit* box, const std::optional<QString>& part) {
  if (part)
    box->setText(*part);
}

} // namespace

void TForm1::ShowFileTags(const QString& path) {
  using namespace my_mp3infp;
  if (!FileExists(path))
    return;
  Edit2->setText(GetLibraryVersionText());
  if (Edit2->text() == kTooOldLibrary)
    return;
  if (!LoadIntoLibrary(this, path)) {
    Edit3->setText(QStringLiteral("Can't Open"));
    return;
  }
  Edit3->setText(QStringLiteral("Open_SUCCESS"));

  quint32 code = 0;
  Edit4->setText(GetFileTypeCode(code) ? QStringLiteral("MP3") : QStringLiteral("WAV"));
  Edit5->setText(TagKindsText(code));

  QString text;
  GetTagValue(kTitle, text);
  Edit6->setText(text);
  GetTagValue(kArtist, text);
  Edit7->setText(text);
  GetTagValue(kAlbum, text);
  Edit8->setText(text);
  GetTagValue(kYear, text);
  Edit9->setText(text);
  GetTagValue(kComment, text);
  Memo1->setPlainText(text);
  GetTagValue(kGenre, text);
  Edit10->setText(text);
  GetTagValue(kTime, text);
  Edit12->setText(text);

  // The part boxes show only what this comment holds; the jacket image box keeps its text
  // (and its list of the folder's images) when the comment names no image.
  Edit11->clear();
  Edit17->clear();
  Edit18->clear();
  Edit19->clear();
  Edit20->clear();
  const CommentText::SplitParts parts = CommentText::Split(Memo1->toPlainText());
  KeepIfFound(Edit20, parts.id);
  if (parts.jacket)
    ComboBox1->setCurrentText(*parts.jacket);
  KeepIfFound(Edit17, parts.lyricist);
  KeepIfFound(Edit18, parts.composer);
  KeepIfFound(Edit11, parts.arranger);
  KeepIfFound(Edit19, parts.performer);
}

void TForm1::Button4Click() {
  ClearStatus();
  // The full path of the shown file, so that files found in subfolders of the current folder
  // are written where they are. Empty while no file is shown, which writes nothing.
  WriteShownTags(ShownFilePath);
}

void TForm1::WriteShownTags(const QString& path) {
  const bool written = WriteTags(path, Edit6->text(), Edit8->text(), Edit7->text(), Edit9->text(),
                                 Edit10->text(), Memo1->toPlainText());
  SetStatusText(1, written ? QStringLiteral("成功") : QStringLiteral("失敗"));
}

bool TForm1::WriteTags(const QString& path, const QString& title, const QString& album,
                       const QString& artist, const QString& year, const QString& genre,
                       const QString& comment) {
  using namespace my_mp3infp;
  if (!FileExists(path))
    return false;
  // The MP3 an encode is still writing: a tag save replaces the file, and the encoder would go
  // on writing into the replaced one, so the new file would lose the rest of the audio.
  if (GogoTea1 && GogoTea1->IsEncoding() &&
      QFileInfo(GogoTea1->DestinationFile()) == QFileInfo(path))
    return false;
  QString storedTitle, storedAlbum, storedArtist, storedYear, storedGenre, storedComment;
  if (!ReadTags(path, storedTitle, storedAlbum, storedArtist, storedYear, storedGenre,
                storedComment))
    return false;
  if (storedTitle == title && storedAlbum == album && storedArtist == artist &&
      storedYear == year && storedGenre == genre && storedComment == comment)
    return false;

  // Values are shown one line long and at most 128 bytes; a field still as it was shown keeps
  // what the file holds beyond that (the further lines of a comment written by another tool, a
  // long title), instead of being cut down to the shown part by a write of another field.
  auto keepWhole = [](int field, const QString& shown, const QString& wanted) {
    if (wanted != shown)
      return wanted;
    QString whole;
    GetWholeTagValue(field, whole);
    return whole;
  };
  const QString newTitle = keepWhole(kTitle, storedTitle, title);
  const QString newArtist = keepWhole(kArtist, storedArtist, artist);
  const QString newAlbum = keepWhole(kAlbum, storedAlbum, album);
  const QString newComment = keepWhole(kComment, storedComment, comment);
  const QString newYear = keepWhole(kYear, storedYear, year);
  const QString newGenre = keepWhole(kGenre, storedGenre, genre);

  // Every field is offered even when one is refused, so the others still reach the file; a
  // refused field makes the write a failure, since the file then does not hold what is shown.
  bool allSet = SetTagValue(kTitle, newTitle);
  allSet = SetTagValue(kArtist, newArtist) && allSet;
  allSet = SetTagValue(kAlbum, newAlbum) && allSet;
  allSet = SetTagValue(kComment, newComment) && allSet;
  allSet = SetTagValue(kYear, newYear) && allSet;
  allSet = SetTagValue(kGenre, newGenre) && allSet;
  const bool saved = mp3infp_Save(QFile::encodeName(path).constData()) == 0;
  return saved && allSet;
}

bool TForm1::ReadTags(const QString& path, QString& title, QString& album, QString& artist,
                      QString& year, QString& genre, QString& comment) {
  using namespace my_mp3infp;
  title.clear();
  album.clear();
  artist.clear();
  year.clear();
  genre.clear();
  comment.clear();
  if (!FileExists(path) || GetLibraryVersionText() == kTooOldLibrary ||
      !LoadIntoLibrary(this, path))
    return false;
  GetTagValue(kTitle, title);
  GetTagValue(kArtist, artist);
  GetTagValue(kAlbum, album);
  GetTagValue(kYear, year);
  GetTagValue(kComment, comment);
  GetTagValue(kGenre, genre);
  return true;
}

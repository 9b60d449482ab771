#include "core/settings/SettingsFile.h"

#include "core/encoder/QualityPreset.h"
#include "core/fs/FsPath.h"
#include "core/settings/IniDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <vector>

namespace {

const QString kForm = QStringLiteral("Form");
const QString kOption = QStringLiteral("Option");
const QString kId3v2Value = QStringLiteral("ID3v2");
// The widest window the window systems make (X11 and Windows alike).
constexpr int kLargestWindowWidth = 32767;

// A whole decimal number (surrounding spaces allowed), else `fallback`.
int ReadInt(const IniDocument& doc, const QString& key, int fallback) {
  bool ok = false;
  const int value = IniValues::ReadValue(doc, kForm, key).trimmed().toInt(&ok, 10);
  return ok ? value : fallback;
}

// Folder values count only when absolute: the program's working folder is arbitrary, and an
// absent key must not match a folder that happens to be called "ER".
std::optional<QString> ExistingFolder(const IniDocument& doc, const QString& key) {
  if (!doc.Value(kOption, key))
    return std::nullopt;
  const QString value = IniValues::ReadValue(doc, kOption, key);
  if (!value.startsWith(u'/'))
    return std::nullopt;
  // The file holds the folder's readable name; its bytes may be CP932.
  const QString folder = FsPath::FromDisplay(value);
  if (folder.isEmpty() || !FsPath::IsDir(folder))
    return std::nullopt;
  return value.endsWith(u'/') && !folder.endsWith(u'/') ? folder + u'/' : folder;
}

// The output folder is kept as stored also while it is missing (a drive not plugged in): the
// conversion then says so rather than putting the MP3 files elsewhere.
QString StoredFolder(const IniDocument& doc, const QString& key) {
  if (std::optional<QString> existing = ExistingFolder(doc, key))
    return *existing;
  const QString value = IniValues::ReadValue(doc, kOption, key);
  return value.startsWith(u'/') ? value : QString();
}

QString WithoutTrailingSlash(const QString& folder) {
  QString out = folder;
  while (out.size() > 1 && out.endsWith(u'/'))
    out.chop(1);
  return out;
}

std::optional<QString> ResolveHelp(const IniDocument& doc, const QString& folder) {
  const QString programDir = WithoutTrailingSlash(folder);
  if (doc.Value(kOption, QStringLiteral("HelpFileName"))) {
    const QString value = IniValues::ReadValue(doc, kOption, QStringLiteral("HelpFileName"));
    // A bare (or relative) name lies in the program's folder.
    const QString candidate = QDir(programDir).filePath(value);
    if (!value.isEmpty() && QFileInfo(candidate).isFile())
      return candidate;
  }
  const QString readme = QDir(programDir).filePath(QStringLiteral("readme.txt"));
  if (QFileInfo(readme).isFile())
    return readme;
  return std::nullopt;
}

QString AsciiLower(const QString& text) {
  QString out = text;
  for (QChar& c : out)
    if (c >= u'A' && c <= u'Z')
      c = QChar(c.unicode() - u'A' + u'a');
  return out;
}

QString HelpFileValue(const QString& helpPath, const QString& programDir) {
  const qsizetype split = helpPath.lastIndexOf(u'/') + 1;
  QString folder = WithoutTrailingSlash(programDir);
  if (!folder.endsWith(u'/'))
    folder += u'/';
  if (AsciiLower(helpPath.left(split)) == AsciiLower(folder))
    return helpPath.mid(split);
  return helpPath;
}

QString Bool(bool value) {
  return value ? QStringLiteral("True") : QStringLiteral("False");
}

struct Entry {
  QString section;
  QString key;
  QString value;
};

} // namespace

std::optional<StoredSettings> ReadStoredSettings(const QString& iniPath,
                                                 const QString& programDir) {
  IniDocument doc;
  switch (IniDocument::Load(iniPath, doc)) {
  case IniDocument::LoadStatus::Missing:
    return std::nullopt;
  case IniDocument::LoadStatus::Unreadable:
    // Present but unreadable: every key is absent.
    doc = IniDocument();
    break;
  case IniDocument::LoadStatus::Loaded:
    break;
  }
  StoredSettings s;
  s.Left = ReadInt(doc, QStringLiteral("Left"), 100);
  s.Top = ReadInt(doc, QStringLiteral("Top"), 100);
  s.Width = ReadInt(doc, QStringLiteral("Width"), 530);
  // A width no window can have is as invalid as one that is not a number: the window could
  // not be drawn, and every later save would keep it so.
  if (s.Width < 1 || s.Width > kLargestWindowWidth)
    s.Width = 530;
  const auto flag = [&](const char* key) {
    return IniValues::IsTrueValue(IniValues::ReadValue(doc, kOption, QString::fromLatin1(key)));
  };
  s.openByFolder = flag("WithFolder");
  s.browserListsFiles = flag("WithFile");
  s.allowTagWrite = flag("WriteId3");
  s.showLibraryVersion = flag("DispMp3infp");
  const int comment =
      IniValues::ParseIntLoose(IniValues::ReadValue(doc, kOption, QStringLiteral("FormComment")));
  s.commentFormat = comment >= 1 && comment <= 3 ? comment : 0;
  s.copyWavTagToMp3 = flag("Mp3WavId3ToMp3");
  s.moveWavToTrash = flag("Mp3DeleteWav");
  s.overwriteMp3 = flag("Mp3OverWriteMp3");
  s.useOutputFolder = flag("Mp3UseFolder3");
  s.outputFolder = StoredFolder(doc, QStringLiteral("Mp3FolderPath"));
  // Anything but "ID3v2" (absent, misspelt, from a later version) keeps the designed tag.
  s.mp3TagFormat = IniValues::ReadValue(doc, kOption, QStringLiteral("Mp3TagFormat")) == kId3v2Value
                       ? Options::Mp3Format::Id3v2
                       : Options::Mp3Format::Rmp;
  // Absent, not a number or out of range: one per core.
  bool number = false;
  const int jobs =
      IniValues::ReadValue(doc, kOption, QStringLiteral("Mp3Jobs")).trimmed().toInt(&number);
  s.mp3Jobs = number && jobs >= 0 && jobs <= Options::kMaxMp3Jobs ? jobs : 0;
  // Absent or unknown (misspelt, from a later version): the design's 128 kbit/s.
  s.mp3Quality =
      QualityPreset::FromKey(IniValues::ReadValue(doc, kOption, QStringLiteral("Mp3Quality")))
          .value_or(Options::Quality::Cbr128);
  s.replayGain = flag("Mp3ReplayGain");
  if (std::optional<QString> folder = ExistingFolder(doc, QStringLiteral("FolderPath"))) {
    if (!folder->endsWith(u'/'))
      *folder += u'/';
    s.FolderPath = *folder;
  }
  s.HelpPath = ResolveHelp(doc, programDir);
  return s;
}

// The keys are applied in their fixed order to the file read once, and the result is written
// once. This gives the same file as one rewrite per key (in-place replacement and appending
// act on the lines the same way, key after key). A read-only file is asked about once: agreed,
// the whole save goes through; declined, the file stays as it is.
bool WriteStoredSettings(const QString& iniPath, const QString& programDir, const SettingsToSave& v,
                         const IniValues::AskWritable& ask) {
  const std::vector<Entry> entries = {
      {kOption, QStringLiteral("HelpFileName"), HelpFileValue(v.HelpPath, programDir)},
      {kForm, QStringLiteral("Left"), QString::number(v.Left)},
      {kForm, QStringLiteral("Top"), QString::number(v.Top)},
      {kForm, QStringLiteral("Width"), QString::number(v.Width)},
      {kForm, QStringLiteral("Height"), QString::number(v.Height)},
      {kOption, QStringLiteral("FolderPath"), FsPath::Display(v.FolderPath)},
      {kOption, QStringLiteral("WithFolder"), Bool(v.openByFolder)},
      {kOption, QStringLiteral("WithFile"), Bool(v.browserListsFiles)},
      {kOption, QStringLiteral("WriteId3"), Bool(v.allowTagWrite)},
      {kOption, QStringLiteral("DispMp3infp"), Bool(v.showLibraryVersion)},
      {kOption, QStringLiteral("FormComment"),
       QString::number(v.commentFormat >= 1 && v.commentFormat <= 3 ? v.commentFormat : 0)},
      {kOption, QStringLiteral("Mp3WavId3ToMp3"), Bool(v.copyWavTagToMp3)},
      {kOption, QStringLiteral("Mp3DeleteWav"), Bool(v.moveWavToTrash)},
      {kOption, QStringLiteral("Mp3OverWriteMp3"), Bool(v.overwriteMp3)},
      {kOption, QStringLiteral("Mp3UseFolder3"), Bool(v.useOutputFolder)},
      {kOption, QStringLiteral("Mp3FolderPath"), FsPath::Display(v.outputFolder)},
      {kOption, QStringLiteral("Mp3TagFormat"),
       v.mp3TagFormat == Options::Mp3Format::Id3v2 ? kId3v2Value : QStringLiteral("RMP")},
      {kOption, QStringLiteral("Mp3Jobs"),
       QString::number(v.mp3Jobs >= 0 && v.mp3Jobs <= Options::kMaxMp3Jobs ? v.mp3Jobs : 0)},
      {kOption, QStringLiteral("Mp3Quality"),
       QString::fromLatin1(QualityPreset::Of(v.mp3Quality).key)},
      {kOption, QStringLiteral("Mp3ReplayGain"), Bool(v.replayGain)},
  };

  IniDocument doc;
  const IniDocument::LoadStatus status = IniDocument::Load(iniPath, doc);
  if (status == IniDocument::LoadStatus::Unreadable)
    return false;
  // A missing file is created by the first key and is then ours to write. An installed copy
  // keeps it in its own folder of the user's configuration, made on first use.
  if (status == IniDocument::LoadStatus::Missing) {
    QDir().mkpath(QFileInfo(iniPath).absolutePath());
  } else {
    switch (IniValues::CheckWritable(iniPath, ask)) {
    case IniValues::Writability::Writable:
      break;
    case IniValues::Writability::Declined:
      return true;
    case IniValues::Writability::Unchangeable:
      // Agreed, but the file cannot be made writable (another user's file).
      return false;
    }
  }
  bool allWritten = true;
  for (const Entry& e : entries) {
    if (IniDocument::CanHold(e.value))
      doc.SetQuoted(e.section, e.key, e.value);
    else
      allWritten = false;
  }
  return doc.Save(iniPath) && allWritten;
}

#include "app/Navigator.h"
#include "app/FsPath.h"

#include "app/FolderScan.h"
#include "tags/TagEditor.h"

#include <algorithm>

namespace {

bool IsAudioExtension(const QString& extension) {
  const QString lower = extension.toLower();
  return lower == QLatin1String(".wav") || lower == QLatin1String(".mp3");
}

// A WAV or MP3 file by its name, and none of our own half-written ones.
bool IsShowable(const QString& path) {
  return IsAudioExtension(FileExtension(path)) && !IsOwnTemporaryFile(path);
}

QString BareName(const QString& path) {
  return path.mid(path.lastIndexOf(u'/') + 1);
}

// The folder part of a file's path without its trailing separator; the root keeps it.
QString FolderOf(const QString& path) {
  const qsizetype slash = path.lastIndexOf(u'/');
  if (slash < 0)
    return QString();
  return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

// A folder path without one trailing separator, the root excepted.
QString WithoutTrailingSeparator(const QString& folder) {
  QString result = folder;
  if (result.size() > 1 && result.endsWith(u'/'))
    result.chop(1);
  return result;
}

QString WithTrailingSeparator(const QString& folder) {
  return folder.endsWith(u'/') ? folder : folder + u'/';
}

} // namespace

Navigator::Navigator(MainView& view, TagEditor& tags, const Options& options)
    : view_(view), tags_(tags), options_(options) {}

void Navigator::Open(OpenDialogs& dialogs) {
  // Nothing changes until a file or folder is chosen: a cancelled open leaves the window as it
  // was, the name box, counters and fields still telling of one and the same file.
  view_.ClearStatus();
  const QString defaultFolder = dialogs.DefaultFolder();
  if (!options_.WithFolder) {
    // File mode: the system's open dialog, every file listed.
    QString initial = openDialogFileName_;
    if (!FsPath::IsFile(initial) && FsPath::IsDir(defaultFolder))
      initial = defaultFolder;
    const QString chosen = dialogs.OpenFile(initial);
    if (chosen.isEmpty())
      return;
    openDialogFileName_ = chosen;
    const QString extension = FileExtension(chosen);
    view_.SetStatusText(1, extension);
    if (IsShowable(chosen) && tags_.ConfirmLeave())
      OpenOneFile(chosen);
    return;
  }

  // The browser starts at the current folder (also the one stored at the last exit).
  const QString current = view_.Folder();
  const std::optional<OpenDialogs::Browsed> browsed =
      dialogs.BrowseFolder(options_.WithFile, FsPath::IsDir(current) ? current : defaultFolder);
  if (!browsed || browsed->directory.isEmpty())
    return; // cancelled, or an item without a place in the file system
  QString folder = WithoutTrailingSeparator(browsed->directory);
  if (FsPath::IsFile(folder)) {
    // A picked file opens its folder; the next browse starts in that folder (a file cannot be
    // a browse's starting point).
    folder = FolderOf(folder);
    view_.SetStatusText(1, FileExtension(browsed->displayName));
  }
  dialogs.StartNextBrowseAt(folder);

  FolderTree tree = ScanTree(folder);
  if (tree.Wav.isEmpty() && tree.Mp3.isEmpty()) {
    // The shown file, its list and its fields stay.
    view_.SetStatusText(2, QStringLiteral("このフォルダにはWAVファイルもMP3ファイルもありません"));
    return;
  }
  if (!tags_.ConfirmLeave())
    return;
  view_.ShowFolder(folder, true);
  jacketList_ = std::move(tree.Jpg);
  TakeList(tree.Files(), folder, true, 0);
  ShowJackets();
}

void Navigator::TakeList(const QStringList& files, const QString& root, bool withSubfolders,
                         int index) {
  fileList_ = files;
  listRoot_ = root;
  listWithSubfolders_ = withSubfolders;
  ++listGeneration_;
  currentIndex_ = 0;
  if (index >= 0 && index < fileList_.size())
    Show(index);
  ShowCounters();
}

void Navigator::Show(int index) {
  currentIndex_ = index;
  shownFilePath_ = fileList_.at(index);
  view_.ShowFileName(BareName(shownFilePath_));
  view_.ShowPosition(index + 1);
  tags_.ShowFileTags(shownFilePath_);
}

void Navigator::ShowCounters() {
  const int count = static_cast<int>(fileList_.size());
  view_.ShowCount(count);
  view_.ShowPosition(count > 0 ? currentIndex_ + 1 : 0);
  view_.EnableStepping(count > 1);
}

void Navigator::ShowJackets() {
  QStringList names;
  for (const QString& path : jacketList_)
    names.append(BareName(path));
  view_.ShowJacketNames(names);
}

void Navigator::Next() {
  view_.ClearStatus();
  if (currentIndex_ >= fileList_.size() - 1 || !tags_.ConfirmLeave())
    return;
  Show(currentIndex_ + 1);
}

void Navigator::Previous() {
  view_.ClearStatus();
  if (currentIndex_ <= 0 || currentIndex_ > fileList_.size() || !tags_.ConfirmLeave())
    return;
  Show(currentIndex_ - 1);
}

void Navigator::GoTo(const QString& number) {
  bool ok = false;
  const int wanted = number.trimmed().toInt(&ok);
  if (ok && wanted >= 1 && wanted <= fileList_.size() && wanted - 1 != currentIndex_) {
    view_.ClearStatus();
    if (tags_.ConfirmLeave()) {
      Show(wanted - 1);
      return;
    }
  }
  view_.ShowPosition(fileList_.isEmpty() ? 0 : currentIndex_ + 1);
}

void Navigator::FilesDropped(const QStringList& paths) {
  QStringList dropped;
  for (const QString& path : paths) {
    // A folder is never shown, whatever its name.
    if (IsShowable(path) && !FsPath::IsDir(path))
      dropped.append(FsPath::Absolute(path));
  }
  dropped.removeDuplicates();
  if (dropped.isEmpty())
    return;
  view_.ClearStatus();
  if (!tags_.ConfirmLeave())
    return;
  if (dropped.size() == 1) {
    OpenOneFile(dropped.first());
    return;
  }
  // Several files form the list themselves, WAV files first, each kind as a folder lists it;
  // the first one dropped is shown.
  const QString first = dropped.first();
  QStringList wavs;
  QStringList mp3s;
  for (const QString& path : dropped)
    (FileExtension(path).toLower() == QLatin1String(".wav") ? wavs : mp3s).append(path);
  std::sort(wavs.begin(), wavs.end(), ListedBefore);
  std::sort(mp3s.begin(), mp3s.end(), ListedBefore);
  const QStringList list = wavs + mp3s;
  view_.ShowFolder(FolderOf(first), false);
  jacketList_ = ScanTree(FolderOf(first), false).Jpg;
  TakeList(list, QString(), false, static_cast<int>(list.indexOf(first)));
  ShowJackets();
}

void Navigator::OpenCommandLineFile(const QString& argument) {
  if (IsShowable(argument) && tags_.ConfirmLeave())
    OpenOneFile(argument);
}

void Navigator::OpenOneFile(const QString& path) {
  // A relative name (from the command line) is taken from the working folder.
  const QString full = FsPath::Absolute(path);
  const QString folder = FolderOf(full);
  // Its own folder only: a file opened from the home folder must not walk the whole of it.
  FolderTree tree = ScanTree(folder, false);
  QStringList files = tree.Files();
  qsizetype index = files.indexOf(full);
  if (index < 0) {
    // Not a file the walk lists (gone, or no file at all): shown alone, saying why.
    files = QStringList{full};
    index = 0;
  }
  view_.ShowFolder(folder, false);
  jacketList_ = std::move(tree.Jpg);
  TakeList(files, folder, false, static_cast<int>(index));
  ShowJackets();
}

void Navigator::ShowList(const QStringList& files, int index) {
  jacketList_.clear();
  TakeList(files, QString(), false, index);
}

int Navigator::ScanFolder(const QString& folder) {
  const QString root = WithoutTrailingSeparator(folder);
  // A folder that is gone gives nothing: it opens as a folder without files.
  FolderTree tree = ScanTree(root);
  jacketList_ = std::move(tree.Jpg);
  TakeList(tree.Files(), root, true, -1);
  return static_cast<int>(fileList_.size());
}

bool Navigator::InListedFolders(const QString& path) const {
  if (listRoot_.isEmpty())
    return false;
  const QString folder = FolderOf(path);
  return folder == listRoot_ ||
         (listWithSubfolders_ && folder.startsWith(WithTrailingSeparator(listRoot_)));
}

void Navigator::FollowConversion(const QString& wav, const QString& mp3, bool wavGone) {
  const qsizetype wavAt = fileList_.indexOf(wav);
  const bool wavLeaves = wavGone && wavAt >= 0;
  const bool mp3Joins =
      !mp3.isEmpty() && !fileList_.contains(mp3) && (wavLeaves || InListedFolders(mp3));
  if (wavLeaves)
    fileList_.removeAt(wavAt);
  if (mp3Joins) {
    // Among the MP3 files, which follow the WAV files, where a walk of the folders lists it.
    const auto at = std::find_if(fileList_.begin(), fileList_.end(), [&mp3](const QString& p) {
      return FileExtension(p).toLower() == QLatin1String(".mp3") && ListedBefore(mp3, p);
    });
    fileList_.insert(at, mp3);
  }
  if (wavGone && shownFilePath_ == wav && fileList_.contains(mp3)) {
    shownFilePath_ = mp3;
    view_.ShowFileName(BareName(mp3));
    tags_.FollowFile(wav, mp3);
  } else if (shownFilePath_ == mp3) {
    // Made anew over the shown MP3 file (overwrite on), or given its WAV file's tag.
    tags_.FileChanged(mp3);
  }
  currentIndex_ = std::max<int>(0, static_cast<int>(fileList_.indexOf(shownFilePath_)));
  if (wavLeaves || mp3Joins)
    ShowCounters();
}

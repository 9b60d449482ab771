#include "app/Navigator.h"
#include "app/FsPath.h"

#include "app/FolderScan.h"
#include "tags/TagEditor.h"

namespace {

bool IsAudioExtension(const QString& extension) {
  const QString lower = extension.toLower();
  return lower == QLatin1String(".wav") || lower == QLatin1String(".mp3");
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
  view_.ClearStatus();
  view_.EnableStepping(false);
  view_.ShowPosition(0);
  view_.ShowCount(0);
  view_.ShowFileName(QString());
  shownFilePath_.clear();
  ForgetScannedJackets();

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
    if (IsAudioExtension(extension))
      OpenOneFile(chosen);
    return;
  }

  const std::optional<OpenDialogs::Browsed> browsed =
      dialogs.BrowseFolder(options_.WithFile, defaultFolder);
  if (!browsed || browsed->directory.isEmpty())
    return; // cancelled, or an item without a place in the file system
  QString folder = browsed->directory;
  if (FsPath::IsFile(folder)) {
    // A picked file opens its folder; the next browse starts in that folder (a file cannot be
    // a browse's starting point).
    folder = FolderOf(folder);
    view_.SetStatusText(1, FileExtension(browsed->displayName));
  }
  dialogs.StartNextBrowseAt(folder);
  view_.ShowFolder(folder, true);

  const int count = ScanFolder(folder);
  if (count == 0) {
    // The tag fields and the jacket images keep what they showed.
    ForgetScannedJackets();
    view_.SetStatusText(2, QStringLiteral("このフォルダにはWAVファイルもMP3ファイルもありません"));
    return;
  }
  view_.ShowCount(count);
  Show(0);
  if (count > 1)
    view_.EnableStepping(true);
  RefreshJacketList();
}

void Navigator::Show(int index) {
  currentIndex_ = index;
  shownFilePath_ = fileList_.at(index);
  view_.ShowFileName(BareName(shownFilePath_));
  view_.ShowPosition(index + 1);
  tags_.ShowFileTags(shownFilePath_);
}

void Navigator::Next() {
  view_.ClearStatus();
  if (currentIndex_ >= fileList_.size() - 1)
    return;
  Show(currentIndex_ + 1);
}

void Navigator::Previous() {
  view_.ClearStatus();
  if (currentIndex_ <= 0 || currentIndex_ > fileList_.size())
    return;
  Show(currentIndex_ - 1);
}

void Navigator::FilesDropped(const QStringList& paths) {
  for (const QString& path : paths) {
    // A folder is never shown, whatever its name.
    if (!IsAudioExtension(FileExtension(path)) || FsPath::IsDir(path))
      continue;
    view_.ClearStatus();
    fileList_.clear();
    currentIndex_ = 0;
    view_.EnableStepping(false);
    view_.ShowPosition(0);
    view_.ShowCount(0);
    OpenOneFile(path);
    return;
  }
}

void Navigator::OpenCommandLineFile(const QString& argument) {
  if (IsAudioExtension(FileExtension(argument)))
    OpenOneFile(argument);
}

void Navigator::OpenOneFile(const QString& path) {
  // A relative name (from the command line) is taken from the working folder.
  const QString full = FsPath::Absolute(path);
  // The images of an earlier folder scan are not this open's: the folder is walked anew.
  ForgetScannedJackets();
  view_.ShowFolder(FolderOf(full), false);
  shownFilePath_ = full;
  view_.ShowFileName(BareName(full));
  tags_.ShowFileTags(full);
  RefreshJacketList();
}

void Navigator::ShowList(const QStringList& files, int index) {
  fileList_ = files;
  view_.ShowCount(static_cast<int>(files.size()));
  if (index >= 0 && index < files.size())
    Show(index);
}

int Navigator::ScanFolder(const QString& folder) {
  const QString root = WithoutTrailingSeparator(folder);
  // One walk gives the file list and, for the jacket list of the same open, the images. A
  // folder that is gone gives nothing: it opens as a folder without files.
  FolderTree tree = ScanTree(root);
  fileList_ = tree.Files();
  currentIndex_ = 0;
  scannedJackets_ = std::move(tree.Jpg);
  scannedJacketsFolder_ = root;
  return static_cast<int>(fileList_.size());
}

void Navigator::RefreshJacketList() {
  const QString folder = WithoutTrailingSeparator(view_.Folder());
  jacketList_.clear();
  if (!scannedJacketsFolder_.isEmpty() && scannedJacketsFolder_ == folder)
    jacketList_ = scannedJackets_;
  else
    FindFiles(WithTrailingSeparator(folder), QStringLiteral(".jpg"), jacketList_);
  ForgetScannedJackets();
  QStringList names;
  for (const QString& path : jacketList_)
    names.append(BareName(path));
  view_.ShowJacketNames(names);
}

void Navigator::ForgetScannedJackets() {
  scannedJackets_.clear();
  scannedJacketsFolder_.clear();
}

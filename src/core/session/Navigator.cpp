#include "core/session/Navigator.h"
#include "core/fs/FsPath.h"

#include "core/fs/FolderScan.h"
#include "core/fs/WorkerThread.h"

#include <QDir>
#include <QPointer>

#include <algorithm>
#include <atomic>

namespace {

// A WAV or MP3 file by its name, and none of our own half-written ones.
bool IsShowable(const QString& path) {
  return (IsWavName(path) || IsMp3Name(path)) && !IsOwnTemporaryFile(path);
}

QString WithTrailingSeparator(const QString& folder) {
  return folder.endsWith(u'/') ? folder : folder + u'/';
}

} // namespace

// What an open asked for.
struct Navigator::Walk {
  // The folder walked, with its subfolders for a folder open.
  QString folder;
  bool wholeFolder = true;
  // The file shown in the list made, for a file opened alone; several files dropped are the
  // list themselves (their folder is walked for its images only), `shown` being the first.
  QString shown;
  QStringList dropped;
  // The tag fields when the question about unsaved edits was answered before the walk (none:
  // asked when the list is replaced, as a folder without audio keeps the list).
  std::optional<TagFields> answered;
};

// What its walk found.
struct Navigator::Walked {
  Walk walk;
  FolderTree tree;
  QStringList list;
  int index = 0;
};

// A walk under way on its worker.
struct Navigator::Walking {
  std::uint64_t id = 0;
  std::atomic<bool> cancelled{false};
  std::unique_ptr<WorkerThread> worker;
};

Navigator::Navigator(NavigatorView& view, TagEditor& tags, const Options& options)
    : view_(view), tags_(tags), options_(options) {}

Navigator::~Navigator() {
  if (walk_)
    walk_->cancelled = true;
  for (const auto& w : cancelled_)
    w->cancelled = true;
  // The workers are waited for here; what they post is dropped with the receiver.
  walk_.reset();
  cancelled_.clear();
}

namespace {

// Fills `walked` for its walk: the folder's lists and the list made.
template <typename Walked> void DoWalk(Walked& walked, const std::atomic<bool>* cancelled) {
  const auto& walk = walked.walk;
  walked.tree = ScanTree(walk.folder, walk.wholeFolder, cancelled);
  if (!walk.dropped.isEmpty()) {
    walked.list = walk.dropped;
    walked.index = static_cast<int>(walk.dropped.indexOf(walk.shown));
  } else if (!walk.shown.isEmpty()) {
    walked.list = walked.tree.Files();
    walked.index = static_cast<int>(walked.list.indexOf(walk.shown));
    if (walked.index < 0) {
      // Not a file the walk lists (gone, or no file at all): shown alone, saying why.
      walked.list = QStringList{walk.shown};
      walked.index = 0;
    }
  } else {
    walked.list = walked.tree.Files();
  }
}

} // namespace

void Navigator::StartWalk(Walk walk) {
  if (walk_) {
    // Its result is dropped; its worker ends at its next folder and is waited for then.
    walk_->cancelled = true;
    cancelled_.push_back(std::move(walk_));
  }
  walk_ = std::make_unique<Walking>();
  walk_->id = ++walks_;
  Walking* w = walk_.get();
  walk_->worker = WorkerThread::Start([this, w, walk] {
    Walked walked;
    walked.walk = walk;
    DoWalk(walked, &w->cancelled);
    QMetaObject::invokeMethod(
        &receiver_, [this, id = w->id, walked] { WalkEnded(id, walked); }, Qt::QueuedConnection);
  });
  if (!walk_->worker) {
    // No thread to be had: the walk is done here, on the window's thread.
    Walked walked;
    walked.walk = walk;
    DoWalk(walked, nullptr);
    QMetaObject::invokeMethod(
        &receiver_, [this, id = w->id, walked] { WalkEnded(id, walked); }, Qt::QueuedConnection);
  }
}

void Navigator::WalkEnded(std::uint64_t id, const Walked& walked) {
  if (!walk_ || walk_->id != id) {
    // A cancelled walk: its worker has just posted this and ends at once.
    std::erase_if(cancelled_, [id](const auto& w) { return w->id == id; });
    return;
  }
  walk_.reset();
  const Walk& walk = walked.walk;
  if (walk.dropped.isEmpty() && walk.shown.isEmpty() && walked.list.isEmpty()) {
    // The shown file, its list and its fields stay.
    view_.ShowFolderWithoutAudio();
    return;
  }
  // Edits made since the question (or with none asked) are not left without it. The window
  // may be destroyed while the question is up, and this navigator with it.
  const auto take = [this, walked] { TakeWalked(walked); };
  if (walk.answered && tags_.Shown().SameBoxes(*walk.answered)) {
    take();
    return;
  }
  const QPointer<QObject> alive(&receiver_);
  if (tags_.Leave(take) && alive)
    take();
}

void Navigator::TakeWalked(const Walked& walked) {
  const Walk& walk = walked.walk;
  const bool folderOpen = walk.dropped.isEmpty() && walk.shown.isEmpty();
  currentFolder_ = walk.folder;
  view_.ShowCurrentFolder(walk.folder, folderOpen);
  jacketList_ = walked.tree.Images;
  TakeList(walked.list, walk.dropped.isEmpty() ? walk.folder : QString(), folderOpen, walked.index);
  ShowJackets();
}

void Navigator::AfterLeave(const std::function<void()>& step) {
  const QPointer<QObject> alive(&receiver_);
  if (tags_.Leave(step) && alive)
    step();
}

void Navigator::Open(OpenDialogs& dialogs) {
  // Nothing changes until a file or folder is chosen: a cancelled open leaves the window as it
  // was, the name box, counters and fields still telling of one and the same file.
  view_.ClearStatus();
  const QString defaultFolder = dialogs.DefaultFolder();
  if (!options_.openByFolder) {
    // File mode: the system's open dialog, every file listed.
    QString initial = openDialogFileName_;
    if (!FsPath::IsFile(initial) && FsPath::IsDir(defaultFolder))
      initial = defaultFolder;
    const QString chosen = dialogs.OpenFile(initial);
    if (chosen.isEmpty())
      return;
    openDialogFileName_ = chosen;
    const QString extension = FsPath::Extension(chosen);
    view_.ShowChosenExtension(extension);
    if (IsShowable(chosen))
      AfterLeave([this, chosen] { OpenOneFile(chosen); });
    return;
  }

  // The browser starts at the current folder (also the one stored at the last exit).
  const QString& current = currentFolder_;
  const std::optional<OpenDialogs::Browsed> browsed = dialogs.BrowseFolder(
      options_.browserListsFiles, FsPath::IsDir(current) ? current : defaultFolder);
  if (!browsed || browsed->directory.isEmpty())
    return; // cancelled, or an item without a place in the file system
  QString folder = FsPath::WithoutTrailingSeparator(browsed->directory);
  if (FsPath::IsFile(folder)) {
    // A picked file opens its folder; the next browse starts in that folder (a file cannot be
    // a browse's starting point).
    folder = FsPath::FolderOf(folder);
    view_.ShowChosenExtension(FsPath::Extension(browsed->displayName));
  }
  dialogs.StartNextBrowseAt(folder);
  // The question about unsaved edits comes when the list is replaced: a folder without audio
  // replaces nothing.
  StartWalk({folder, true, QString(), QStringList(), std::nullopt});
}

Navigator::Typed Navigator::OpenTyped(const QString& typed) {
  QString shown = typed.trimmed();
  if (shown == u'~' || shown.startsWith(QStringLiteral("~/"))) {
    shown = QDir::homePath() + shown.mid(1);
  } else if (!shown.startsWith(u'/')) {
    const QString base =
        shownFilePath_.isEmpty() ? currentFolder_ : FsPath::FolderOf(shownFilePath_);
    if (!base.isEmpty())
      shown = FsPath::Display(base) + u'/' + shown;
  }
  const QString path = shown.isEmpty() ? QString() : FsPath::FromDisplay(shown);
  view_.ClearStatus();
  if (FsPath::IsDir(path)) {
    StartWalk({FsPath::Absolute(path), true, QString(), QStringList(), std::nullopt});
    return Typed::Opened;
  }
  if (!FsPath::IsFile(path))
    return Typed::Missing;
  if (!IsShowable(path))
    return Typed::NotAudio;
  AfterLeave([this, path] { OpenOneFile(path); });
  return Typed::Opened;
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
  ShowShownFileFolder();
  view_.ShowFileName(FsPath::BareName(shownFilePath_));
  view_.ShowPosition(index + 1);
  tags_.ShowFile(shownFilePath_);
}

void Navigator::ShowShownFileFolder() {
  view_.ShowCurrentFolder(FsPath::FolderOf(shownFilePath_), listWithSubfolders_);
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
    names.append(FsPath::BareName(path));
  view_.ShowJacketNames(names);
  tags_.SetJacketImages(jacketList_);
}

void Navigator::Next() {
  view_.ClearStatus();
  if (currentIndex_ >= fileList_.size() - 1)
    return;
  AfterLeave([this] {
    if (currentIndex_ < fileList_.size() - 1)
      Show(currentIndex_ + 1);
  });
}

void Navigator::Previous() {
  view_.ClearStatus();
  if (currentIndex_ <= 0 || currentIndex_ > fileList_.size())
    return;
  AfterLeave([this] {
    if (currentIndex_ > 0 && currentIndex_ <= fileList_.size())
      Show(currentIndex_ - 1);
  });
}

void Navigator::GoTo(const QString& number) {
  bool ok = false;
  const int wanted = number.trimmed().toInt(&ok);
  if (ok && wanted >= 1 && wanted <= fileList_.size() && wanted - 1 != currentIndex_) {
    view_.ClearStatus();
    const auto go = [this, wanted] {
      if (wanted <= fileList_.size())
        Show(wanted - 1);
    };
    const QPointer<QObject> alive(&receiver_);
    if (tags_.Leave(go)) {
      if (alive)
        go();
      return;
    }
    if (!alive)
      return;
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
  AfterLeave([this, dropped] { OpenDropped(dropped); });
}

void Navigator::OpenDropped(const QStringList& dropped) {
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
    (IsWavName(path) ? wavs : mp3s).append(path);
  std::sort(wavs.begin(), wavs.end(), ListedBefore);
  std::sort(mp3s.begin(), mp3s.end(), ListedBefore);
  StartWalk({FsPath::FolderOf(first), false, first, wavs + mp3s, tags_.Shown()});
}

void Navigator::SetCurrentFolder(const QString& folder) {
  currentFolder_ = folder;
  view_.ShowCurrentFolder(folder, false);
}

void Navigator::OpenCommandLineFile(const QString& argument) {
  if (IsShowable(argument))
    AfterLeave([this, argument] { OpenOneFile(argument); });
}

void Navigator::OpenOneFile(const QString& path) {
  // A relative name (from the command line) is taken from the working folder.
  const QString full = FsPath::Absolute(path);
  // Its own folder only: a file opened from the home folder must not walk the whole of it.
  // Callers have asked about unsaved edits.
  StartWalk({FsPath::FolderOf(full), false, full, QStringList(), tags_.Shown()});
}

void Navigator::ShowList(const QStringList& files, int index) {
  jacketList_.clear();
  tags_.SetJacketImages(jacketList_);
  TakeList(files, QString(), false, index);
}

bool Navigator::InListedFolders(const QString& path) const {
  if (listRoot_.isEmpty())
    return false;
  const QString folder = FsPath::FolderOf(path);
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
      return IsMp3Name(p) && ListedBefore(mp3, p);
    });
    fileList_.insert(at, mp3);
  }
  if (wavGone && shownFilePath_ == wav && fileList_.contains(mp3)) {
    shownFilePath_ = mp3;
    ShowShownFileFolder();
    view_.ShowFileName(FsPath::BareName(mp3));
    tags_.FollowFile(wav, mp3);
  } else if (shownFilePath_ == mp3) {
    // Made anew over the shown MP3 file (overwrite on), or given its WAV file's tag.
    tags_.FileChanged(mp3);
  }
  currentIndex_ = std::max<int>(0, static_cast<int>(fileList_.indexOf(shownFilePath_)));
  if (wavLeaves || mp3Joins)
    ShowCounters();
}

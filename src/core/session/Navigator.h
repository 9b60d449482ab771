// Which file the main window shows: opening a folder (its WAV and MP3 files, subfolders
// included, form the list that previous and next step through) or one file (chosen in the open
// dialog, dropped on the window, or named on the command line: its own folder's files form the
// list), and the jacket image list of the same folders. Owns the list, the position in it and
// the shown file's full path, and keeps the list in line with what conversions do to the files.
//
// An open walks its folder on a worker thread: a large folder or one on a slow disk or share
// leaves the window usable, and the list is filled when the walk ends. A second open before then
// cancels the first. The tag editor reads the shown file's tag, on its own worker.
#pragma once

#include "core/session/NavigatorView.h"
#include "core/session/TagEditor.h"
#include "core/settings/Options.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The dialogs an open runs: the folder browser (folder mode) and the system's open-file dialog
// (file mode). The window provides them; tests script them.
class OpenDialogs {
public:
  struct Browsed {
    QString directory;   // the chosen folder, or a file when files are listed
    QString displayName; // the chosen item's name as the dialog shows it
  };
  virtual ~OpenDialogs() = default;
  // The user's music folder, where the dialogs start when they have no place of their own.
  virtual QString DefaultFolder() = 0;
  // The folder browser, listing files too when `listFiles`; nullopt when cancelled.
  virtual std::optional<Browsed> BrowseFolder(bool listFiles, const QString& defaultFolder) = 0;
  // The next browse starts in `folder`.
  virtual void StartNextBrowseAt(const QString& folder) = 0;
  // The open-file dialog, starting at `initial`; empty when cancelled.
  virtual QString OpenFile(const QString& initial) = 0;
};

class Navigator {
public:
  Navigator(NavigatorView& view, TagEditor& tags, const Options& options);
  // Waits for the walks under way (their results are dropped).
  ~Navigator();
  Navigator(const Navigator&) = delete;
  Navigator& operator=(const Navigator&) = delete;

  // The open button: a folder through the browser or one file through the open dialog, as
  // the options say. The browser starts at the current folder.
  void Open(OpenDialogs& dialogs);
  // What a path typed into the folder box opened.
  enum class Typed { Opened, Missing, NotAudio };
  // A path typed into the folder box, as the user reads it: a folder opens as the open
  // button's folder mode opens one, a WAV or MP3 file as one file. "~" is the home folder; a
  // relative path starts at the folder the box shows.
  Typed OpenTyped(const QString& typed);
  // The next and previous buttons. No wrap-around.
  void Next();
  void Previous();
  // The position counter: shows the file at the 1-based `number` typed there; anything else
  // puts the shown file's number back.
  void GoTo(const QString& number);
  // Local files dropped on the window, in drop order: the first WAV or MP3 file is shown. One
  // file dropped alone lists its folder's files; several form the list themselves.
  void FilesDropped(const QStringList& paths);
  // The folder stored at the last exit: the folder box shows it, and the next browse starts
  // there.
  void SetCurrentFolder(const QString& folder);
  // The command line's first argument, shown when it names a WAV or MP3 file.
  void OpenCommandLineFile(const QString& argument);
  // Shows one file with the WAV and MP3 files of its own folder (no subfolders) as the list,
  // as opening the folder would, at that file's place.
  void OpenOneFile(const QString& path);
  // True while an open's walk is under way: the list, the shown file and the jacket images
  // are replaced when it ends.
  bool Opening() const { return walk_ != nullptr; }
  // The tag editor that shows the shown file's tag.
  const TagEditor& tags() const { return tags_; }
  // Replaces the list by `files` and shows the one at `index`, as a folder open would; for
  // callers that built the list themselves.
  void ShowList(const QStringList& files, int index);
  // The list follows a conversion: a WAV file gone to the trash leaves it, and the MP3 made
  // (empty when none) joins it in its place when it lies in the listed folders or takes the
  // place of its WAV file. The shown file stays shown; if it was the WAV file now gone, its
  // MP3 file is shown instead.
  void FollowConversion(const QString& wav, const QString& mp3, bool wavGone);

  // The folder last opened (or stored at the last exit); empty while there is none.
  const QString& CurrentFolder() const { return currentFolder_; }
  const QStringList& FileList() const { return fileList_; }
  int CurrentIndex() const { return currentIndex_; }
  const QStringList& JacketList() const { return jacketList_; }
  // Full path of the shown file; empty while none is shown. Tag writing and single
  // conversion act on it, so files found in subfolders work.
  const QString& ShownFilePath() const { return shownFilePath_; }
  // The folder the list was made from (its subfolders' files included when it was opened as a
  // folder); empty for a list of files picked one by one.
  const QString& ListRoot() const { return listRoot_; }
  // Changes each time the list is replaced (not when it follows converted files), so a batch
  // can tell that its list is no longer the one shown.
  int ListGeneration() const { return listGeneration_; }

private:
  struct Walk;
  struct Walked;
  struct Walking;

  // Starts `walk` on a worker, cancelling one under way.
  void StartWalk(Walk walk);
  // What the walk `id` found, on the window's thread.
  void WalkEnded(std::uint64_t id, const Walked& walked);
  // The walk's list, folder and images replace the ones shown.
  void TakeWalked(const Walked& walked);
  // Replaces the list by `files`, made from `root` (with its subfolders when `withSubfolders`;
  // empty for files picked one by one), and shows the file at `index` (none when out of
  // range).
  void TakeList(const QStringList& files, const QString& root, bool withSubfolders, int index);
  void Show(int index);
  // Runs `step` once the shown fields may be left (TagEditor::Leave).
  void AfterLeave(const std::function<void()>& step);
  // Several files dropped (or one), once the shown fields may be left.
  void OpenDropped(const QStringList& dropped);
  // The folder box names the shown file's own folder, a subfolder's too.
  void ShowShownFileFolder();
  // The counters and the stepping buttons as the list and the position say.
  void ShowCounters();
  void ShowJackets();
  // Whether `path` lies in the folders the list was made from.
  bool InListedFolders(const QString& path) const;

  // Receives the walks' results on the window's thread; first, so that it goes last.
  QObject receiver_;
  NavigatorView& view_;
  TagEditor& tags_;
  const Options& options_;
  QString currentFolder_;
  QStringList fileList_;
  QStringList jacketList_;
  int currentIndex_ = 0;
  QString shownFilePath_;
  QString listRoot_;
  bool listWithSubfolders_ = false;
  int listGeneration_ = 0;
  // The open dialog's file name, kept between uses (the last file chosen there).
  QString openDialogFileName_;
  // The walk under way, and cancelled ones not ended yet.
  std::unique_ptr<Walking> walk_;
  std::vector<std::unique_ptr<Walking>> cancelled_;
  std::uint64_t walks_ = 0;
};

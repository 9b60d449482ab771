// Which file the main window shows: opening a folder (its WAV and MP3 files, subfolders
// included, form the list that previous and next step through) or one file (chosen in the open
// dialog, dropped on the window, or named on the command line), and the jacket image list of
// the current folder. Owns the list, the position in it and the shown file's full path.
#pragma once

#include "app/MainView.h"
#include "app/Options.h"

#include <QString>
#include <QStringList>

#include <optional>

class TagEditor;

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
  Navigator(MainView& view, TagEditor& tags, const Options& options);

  // The open button: a folder through the browser or one file through the open dialog, as
  // the options say.
  void Open(OpenDialogs& dialogs);
  // The next and previous buttons. No wrap-around.
  void Next();
  void Previous();
  // Local files dropped on the window, in drop order: the first WAV or MP3 file is shown.
  void FilesDropped(const QStringList& paths);
  // The command line's first argument, shown when it names a WAV or MP3 file.
  void OpenCommandLineFile(const QString& argument);
  // Shows one file: its folder becomes the current folder.
  void OpenOneFile(const QString& path);
  // Rebuilds the list from `folder`; returns its length.
  int ScanFolder(const QString& folder);
  // Rebuilds the jacket image list from the current folder.
  void RefreshJacketList();
  // Replaces the list by `files` and shows the one at `index`, as a folder open would; for
  // callers that built the list themselves.
  void ShowList(const QStringList& files, int index);

  const QStringList& FileList() const { return fileList_; }
  int CurrentIndex() const { return currentIndex_; }
  const QStringList& JacketList() const { return jacketList_; }
  // Full path of the shown file; empty while none is shown. Tag writing and single
  // conversion act on it, so files found in subfolders work.
  const QString& ShownFilePath() const { return shownFilePath_; }

private:
  void Show(int index);
  void ForgetScannedJackets();

  MainView& view_;
  TagEditor& tags_;
  const Options& options_;
  QStringList fileList_;
  QStringList jacketList_;
  int currentIndex_ = 0;
  QString shownFilePath_;
  // The open dialog's file name, kept between uses (the last file chosen there).
  QString openDialogFileName_;
  // The jacket images found by the last folder scan and the folder they belong to: the jacket
  // list of that open is taken from the same walk. Used once, then forgotten.
  QStringList scannedJackets_;
  QString scannedJacketsFolder_;
};

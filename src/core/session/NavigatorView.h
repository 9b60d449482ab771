// What the navigator may do with the window: show the folder the list was made from, the shown
// file's name, the counters, the stepping buttons' state and the jacket images, and say what an
// open found. A fake stands in for it in tests.
#pragma once

#include <QString>
#include <QStringList>

class NavigatorView {
public:
  virtual ~NavigatorView() = default;

  // A new step begins: what was said of the last one goes.
  virtual void ClearStatus() = 0;
  // A folder as the file system names it: the shown file's own folder, else the folder opened
  // or stored at the last exit. `openedAsFolder` when the list is a folder's with its
  // subfolders walked.
  virtual void ShowCurrentFolder(const QString& folder, bool openedAsFolder) = 0;
  // The shown file's bare name.
  virtual void ShowFileName(const QString& name) = 0;
  // The counters: the 1-based number of the shown file and the length of the list.
  virtual void ShowPosition(int number) = 0;
  virtual void ShowCount(int count) = 0;
  virtual void EnableStepping(bool enabled) = 0;
  // Bare names of the jacket images; an empty list keeps the text the box shows.
  virtual void ShowJacketNames(const QStringList& names) = 0;
  // The extension of the file chosen in an open dialog, as written.
  virtual void ShowChosenExtension(const QString& extension) = 0;
  // The folder opened holds neither WAV nor MP3 files: the list and the shown file stay.
  virtual void ShowFolderWithoutAudio() = 0;
};

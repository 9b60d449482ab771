// What the working classes of the main window (Navigator, TagEditor, Converter) may do with the
// window: its status panels and progress bar, the folder and file boxes, the counters, the
// stepping buttons, the jacket image list and the tag boxes. Nothing else of the window is
// reachable from them, so each can be driven by a fake in tests without any widget.
#pragma once

#include "core/tags/SaveAnswer.h"
#include "core/tags/TagFields.h"

#include <QString>
#include <QStringList>

class SessionView {
public:
  virtual ~SessionView() = default;

  // ---- status bar ----
  // Empties panels 0 to 2; panel 3 (under the progress bar) is left alone.
  virtual void ClearStatus() = 0;
  virtual void SetStatusText(int panel, const QString& text) = 0;
  virtual void SetProgress(int percent) = 0;
  // Returns once more than `ms` milliseconds have passed, handling events meanwhile: any
  // handler of the window may run inside the wait.
  virtual void WaitMs(int ms) = 0;
  // The application's standard error box.
  virtual void ShowError(const QString& text) = 0;
  // Asks once whether the tag fields edited for the file `fileName` are to be written before
  // they are left ("変更を保存しますか").
  virtual SaveAnswer AskSaveChanges(const QString& fileName) = 0;

  // ---- folder and file ----
  // The current folder: the full path is the value, the box shows it shortened to its full
  // width (`fullWidth`) or to its width less 4 pixels.
  virtual void ShowFolder(const QString& folder, bool fullWidth) = 0;
  virtual QString Folder() const = 0;
  // The shown file's bare name.
  virtual void ShowFileName(const QString& name) = 0;
  // The counters: the 1-based number of the shown file and the length of the list.
  virtual void ShowPosition(int number) = 0;
  virtual void ShowCount(int count) = 0;
  virtual void EnableStepping(bool enabled) = 0;
  // Bare names of the jacket images; an empty list keeps the text the box shows.
  virtual void ShowJacketNames(const QStringList& names) = 0;

  // ---- tags ----
  virtual void ShowLibraryVersion(const QString& version) = 0;
  virtual void ShowOpenStatus(const QString& status) = 0;
  virtual void ShowFileKind(const QString& type, const QString& tagKinds) = 0;
  virtual void ShowTagFields(const TagFields& fields) = 0;
  // Puts values into the boxes as if the user had typed them: each box's change can be undone
  // with Ctrl+Z.
  virtual void EditTagFields(const TagFields& fields) = 0;
  // The boxes as they stand (the jacket image box always set; no playing time).
  virtual TagFields ShownTagFields() const = 0;
  // Puts a composed comment into its box as if typed (Ctrl+Z undoes it).
  virtual void ShowComment(const QString& comment) = 0;
  // True from a key press made with Shift held until the next key release.
  virtual bool ShiftHeld() const = 0;
};

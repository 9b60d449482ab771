// What a front end's platform does for the session, as kid3's ICorePlatformTools: moving a file to
// the trash, asking the user a question, opening a document. The window asks and opens through
// the desktop; the command line never asks (it answers from what it was told) and has no desktop
// to open with. A fake stands in for it in tests.
#pragma once

#include "core/fs/Trash.h"
#include "core/session/SaveAnswer.h"

#include <QString>

class PlatformTools {
public:
  virtual ~PlatformTools() = default;

  // Moves a file to the desktop's trash; not ok, with the reason, when the trash cannot take it.
  // Called on worker threads.
  virtual Trash::Result MoveToTrash(const QString& path) = 0;
  // Whether the tag fields edited for the file `fileName` are to be written before they are left
  // ("変更を保存しますか").
  virtual SaveAnswer AskSaveChanges(const QString& fileName) = 0;
  // Opens `path` with the program the desktop associates with it; false when nothing could.
  virtual bool OpenDocument(const QString& path) = 0;
};

// The command line's platform: the desktop's trash for the WAV files a conversion lets go; it
// never asks (it writes what it was told to write, and nothing is edited by hand here), and it
// has no desktop to open a document with.
#pragma once

#include "core/session/PlatformTools.h"

class CliPlatform : public PlatformTools {
public:
  Trash::Result MoveToTrash(const QString& path) override;
  // Fields left with unsaved edits are what the command was given: they are written.
  SaveAnswer AskSaveChanges(const QString&) override { return SaveAnswer::Save; }
  // No display: nothing to open a document with.
  bool OpenDocument(const QString&) override { return false; }
};

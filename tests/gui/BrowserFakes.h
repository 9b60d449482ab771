// Test doubles shared by the folder browser tests: a platform whose modal loop is a script
// that drives the folder dialog, and a home folder of our own.
#pragma once

#include "AudioFixtures.h"
#include "core/session/PlatformTools.h"
#include "gui/FolderBrowserDialog.h"
#include "gui/Platform.h"

#include <QDialog>
#include <QDir>
#include <QStringList>

#include <functional>
#include <ostream>

// Readable failure messages for QString values.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

class FakePlatform : public Platform {
public:
  // Runs in place of the modal loop; returns what the dialog's loop would have returned.
  std::function<int(FolderBrowserDialog&)> script;
  int execs = 0;
  QStringList errors;

  int ExecModal(QDialog& dialog) override {
    ++execs;
    auto* browse = dynamic_cast<FolderBrowserDialog*>(&dialog);
    if (browse == nullptr || !script)
      return QDialog::Rejected;
    return script(*browse);
  }
  void ShowError(QWidget*, const QString& text) override { errors.append(text); }

  // The next dialogs note where they start, in `startedAt`, and are cancelled.
  QString startedAt;
  void NoteStartAndCancel() {
    script = [this](FolderBrowserDialog& dialog) {
      startedAt = dialog.SelectedPath();
      dialog.PressCancel();
      return dialog.result();
    };
  }
};

// The desktop's associated programs: every document asked for is noted in `opened`; one opens it
// unless `canOpen` is false.
class FakeOpener : public PlatformTools {
public:
  QStringList opened;
  bool canOpen = true;
  bool OpenDocument(const QString& path) override {
    opened.append(path);
    return canOpen;
  }
  Trash::Result MoveToTrash(const QString&) override { return {}; }
  SaveAnswer AskSaveChanges(const QString&) override { return SaveAnswer::Cancel; }
};

// Scripts for the common endings.
inline int ChooseAndOk(FolderBrowserDialog& dialog, const QString& path) {
  if (!dialog.SelectPath(path))
    return QDialog::Rejected;
  dialog.PressOk();
  return dialog.result();
}
inline int Cancel(FolderBrowserDialog& dialog) {
  dialog.PressCancel();
  return dialog.result();
}

// A fresh home folder (HOME and the XDG folders point into it) with Desktop, Documents and
// Music; the desktop's standard locations resolve inside it.
class FakeHome {
public:
  FakeHome() {
    const QString base = Path();
    qputenv("HOME", base.toUtf8());
    qputenv("XDG_CONFIG_HOME", (base + "/.config").toUtf8());
    qputenv("XDG_DATA_HOME", (base + "/.local/share").toUtf8());
    for (const char* dir : {"Desktop", "Documents", "Music", ".config"})
      QDir(base).mkpath(dir);
  }
  QString Path() const { return QString::fromStdString(dir_.path().string()); }
  QString operator/(const QString& name) const { return Path() + '/' + name; }

private:
  fixtures::TempDir dir_;
};

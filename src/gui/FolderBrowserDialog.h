// The modal folder dialog behind FolderBrowser, and the open-file dialog: a title, a tree of
// the file system under a root folder (folders only, or files too), a status line, a box to
// type or paste a path, a "new folder" button, OK and Cancel. Names are kept as the file
// system's bytes and shown decoded (FsPath), so folders with CP932 names can be browsed into
// and chosen. Its public operations let a caller (or a test) drive it without a modal loop.
//
// A path typed into the box is the answer when OK or Enter is pressed, as the box's label
// promises (where only a file may be chosen, Enter on a folder's path opens it in the tree). A
// typed path that cannot be chosen is reported through the Platform and the dialog stays open.
// Return presses the button that has the focus, else OK; Esc cancels.
#pragma once

#include <QDialog>
#include <QString>

class FolderTreeModel;
class Platform;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTreeView;

class FolderBrowserDialog : public QDialog {
  Q_OBJECT
public:
  struct Setup {
    QString rootFolder = QStringLiteral("/"); // an existing folder: the tree's one top item
    bool includeFiles = false;                // list files too; a file may be chosen
    bool statusLine = false;                  // show the status line
    bool newFolderButton = true;              // show the "new folder" button
    bool filesOnly = false;                   // only a file may be chosen (with includeFiles)
  };

  // Messages go through `platform`.
  FolderBrowserDialog(QWidget* parent, const Setup& setup, Platform& platform);

  // The open-file dialog (no filter: every file listed) over `owner`'s window, run through
  // `platform`, starting at `initialPath` (a file or a folder). The chosen file's path (FsPath),
  // empty when cancelled.
  static QString ChooseFile(QWidget* owner, const QString& initialPath, Platform& platform);

  // Text above the tree; hidden when empty.
  void SetTitle(const QString& text);

  // Selects an existing folder (or file, when files are listed) at or below the root, opens
  // the folders above it and scrolls to it. False, with the selection unchanged, otherwise.
  bool SelectPath(const QString& path);
  // The selected item's full path (FsPath; empty when nothing is selected) and its name as the
  // tree shows it ("/" for the file system's root).
  QString SelectedPath() const;
  QString SelectedDisplayName() const;

  QString StatusText() const;
  void SetStatusText(const QString& text);
  bool StatusLineShown() const;
  bool OkEnabled() const;
  void SetOkEnabled(bool enabled);

  // Makes a new folder in the selected folder (beside the selected file), selects it and
  // starts editing its name. False, with a message in the status line, when that fails.
  bool CreateFolder();
  // Selects what the path box holds; a relative path counts from the selected folder. False, with a
  // message, when that is not an item the tree may select.
  bool SelectTypedPath();
  void PressOk();
  void PressCancel();

signals:
  // Every change of the selection; `path` is the new item's full path.
  void SelectionChanged(const QString& path);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

private:
  void currentChanged(const QModelIndex& current);
  void okClicked();
  QString typedPath() const;
  // The selected folder, the folder of the selected file, or the root.
  QModelIndex selectedFolder() const;
  void showMessage(const QString& text);

  Setup setup_;
  Platform& platform_;
  FolderTreeModel* model_;
  QLabel* titleLabel_;
  QTreeView* tree_;
  QLabel* statusLabel_;
  QLineEdit* pathEdit_;
  QPushButton* newFolderButton_;
  QPushButton* okButton_;
  QPushButton* cancelButton_;
};

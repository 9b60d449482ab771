// FolderBrowser: the folder browser component. It shows a modal folder dialog
// (FolderBrowserDialog) over its owner window and returns the chosen folder, or the chosen file
// when files are listed too. It offers a root and an initial folder given as a path or as a
// special folder, a title and a caption, a remembered position and size, and two events.
#pragma once

#include "gui/Platform.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

class FolderBrowserDialog;
class QWidget;

// Special folders, mapped onto this desktop's standard locations by SpecialFolderPath.
enum class SpecialFolder : std::uint8_t {
  None,
  Desktop,
  Programs,
  ControlPanel,
  Printers,
  Documents,
  Favorites,
  Startup,
  Recent,
  SendTo,
  RecycleBin,
  StartMenu,
  DesktopFolder,
  Drives,
  Network,
  NetworkShortcuts,
  Fonts,
  Templates,
  AppData,
  PrinterShortcuts,
};

enum class BrowseOption : std::uint8_t {
  OnlyFileSystemItems, // OK only for items with a file-system path
  DontGoBelowDomain,   // no meaning here
  FileSystemAncestors, // no meaning here
  ForComputer,         // no meaning here
  ForPrinter,          // no meaning here
  IncludeFiles,        // the tree lists files too, and a file may be chosen
  StatusLine,          // the dialog shows its status line
  NewDialogStyle,      // the dialog keeps its own size and placement
  NoNewFolderButton,   // no "new folder" button
};

// Set of BrowseOption: bit n = the member with ordinal n.
using BrowseOptions = std::uint16_t;
constexpr BrowseOptions BrowseOptionBit(BrowseOption o) {
  return static_cast<BrowseOptions>(1u << static_cast<unsigned>(o));
}
constexpr bool HasBrowseOption(BrowseOptions set, BrowseOption o) {
  return (set & BrowseOptionBit(o)) != 0;
}

// Sender is the component.
using BrowseEvent = std::function<void(QObject* Sender)>;
// Wnd is the dialog; Directory the path of the newly selected item. StatusText (empty on
// entry) is shown in the dialog's status line; OKBtnEnabled (on entry: the OK button's state)
// is given to the OK button.
using BrowseChangeEvent =
    std::function<void(QObject* Sender, QWidget* Wnd, const QString& Directory, QString& StatusText,
                       bool& OKBtnEnabled)>;

// The folder of a special folder on this desktop; empty for those that have no folder here
// (printers, control panel, recycle bin, network, recent documents, send-to, favourites).
// Drives is the file system's root "/"; None gives empty.
QString SpecialFolderPath(SpecialFolder dir);

// The folder a browse starts at: with None an absolute path naming an existing folder is
// used; otherwise the special folder when it exists; otherwise the desktop (the home folder
// when there is no desktop folder).
QString ResolveBrowseFolder(const QString& path, SpecialFolder dir);

// The top of the dialog's tree. As ResolveBrowseFolder, except that the desktop (Desktop,
// and every fallback) stands for the whole file system "/": on this desktop the desktop folder
// is an ordinary folder in the home folder, not the top of the namespace, so a tree rooted
// there would hide every other folder.
QString ResolveRootFolder(const QString& path, SpecialFolder dir);

class FolderBrowser;

// A folder browser of the program's windows, named "folderBrowser": the desktop as its root, its
// designed size (371 x 311), the caption "フォルダを指定してください", `title` above the tree.
FolderBrowser* MakeFolderBrowser(QWidget* owner, Platform& platform, BrowseOptions options,
                                 const QString& title);

class FolderBrowser : public QObject {
  Q_OBJECT
public:
  static constexpr int InitialMinWidth = 371;
  static constexpr int InitialMinHeight = 250;

  // The dialog is shown over `owner`'s window and run through `platform`.
  explicit FolderBrowser(QWidget* owner, Platform& platform = Platform::Default());
  ~FolderBrowser() override;

  // Shows the dialog modally. True when the user chose an item: Directory and DisplayName hold
  // it. False when cancelled or failed. Either way FormLeft, FormTop, FormWidth and FormHeight
  // afterwards hold the dialog's last position (of its frame) and size (inside its frame).
  bool Execute();

  QString RootDir() const { return rootDir_; }
  void setRootDir(const QString& value) { rootDir_ = value; }
  SpecialFolder RootSpecialDir() const { return rootSpecialDir_; }
  void setRootSpecialDir(SpecialFolder value) { rootSpecialDir_ = value; }
  QString InitDir() const { return initDir_; }
  void setInitDir(const QString& value) { initDir_ = value; }
  SpecialFolder InitSpecialDir() const { return initSpecialDir_; }
  void setInitSpecialDir(SpecialFolder value) { initSpecialDir_ = value; }
  BrowseOptions Options() const { return options_; }
  void setOptions(BrowseOptions value) { options_ = value; }
  // Text above the tree.
  QString Title() const { return title_; }
  void setTitle(const QString& value) { title_ = value; }
  // The dialog's window title; "フォルダの参照" when empty.
  QString Caption() const { return caption_; }
  void setCaption(const QString& value) { caption_ = value; }
  // Size and position of the dialog without NewDialogStyle; FormLeft and FormTop both 0
  // centre it on the screen. The size setters do nothing while the dialog is open and raise a
  // value to the minimum: 371 x 250 at first, the dialog's own initial size once it was shown.
  int FormWidth() const { return formWidth_; }
  void setFormWidth(int value);
  int FormHeight() const { return formHeight_; }
  void setFormHeight(int value);
  int FormLeft() const { return formLeft_; }
  void setFormLeft(int value) { formLeft_ = value; }
  int FormTop() const { return formTop_; }
  void setFormTop(int value) { formTop_ = value; }

  // With no remembered position, the dialog goes just below `button`.
  void PlaceBelow(const QWidget& button);

  // Results of the last Execute; cleared when it starts.
  QString Directory() const { return directory_; }
  QString DisplayName() const { return displayName_; }

  // Called once the dialog is built and its initial folder selected, before it shows.
  BrowseEvent OnShow;
  // Called on every change of the dialog's selection.
  BrowseChangeEvent OnSelectionChanged;

private:
  bool run();
  void selectionChanged(FolderBrowserDialog& dialog, const QString& path);
  void layOut(FolderBrowserDialog& dialog);

  QWidget* owner_;
  Platform& platform_;
  QString rootDir_;
  SpecialFolder rootSpecialDir_ = SpecialFolder::Desktop;
  QString initDir_;
  SpecialFolder initSpecialDir_ = SpecialFolder::None;
  BrowseOptions options_ = BrowseOptionBit(BrowseOption::OnlyFileSystemItems);
  QString title_;
  QString caption_;
  int formWidth_ = 0;
  int formHeight_ = 0;
  int formLeft_ = 0;
  int formTop_ = 0;
  QString directory_;
  QString displayName_;

  FolderBrowserDialog* dialog_ = nullptr; // the open dialog, while Execute runs
  int minWidth_ = InitialMinWidth;
  int minHeight_ = InitialMinHeight;
  bool handlerFailed_ = false;
};

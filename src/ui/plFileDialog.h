// TplBrowseFolder: the folder browser component. It shows a modal folder dialog
// (BrowseFolderDialog) over its owner window and returns the chosen folder, or the chosen file
// when files are listed too. It offers a root and an initial folder given as a path or as a
// special folder, a title and a caption, a remembered position and size, and two events.
#pragma once

#include "app/Platform.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

class BrowseFolderDialog;
class QWidget;

// Special folders, mapped onto this desktop's standard locations by SpecialFolderPath.
enum class TplBFSpecialDir : std::uint8_t {
  sfNone,
  sfDesktop,
  sfProgrmas,
  sfControls,
  sfPritners,
  sfPersonal,
  sfFavorites,
  sfStartup,
  sfRecent,
  sfSendTo,
  sfBitBucket,
  sfStartMenu,
  sfDesktopDirectory,
  sfDrives,
  sfNetWork,
  sfNetHood,
  sfFonts,
  sfTemplates,
  sfAppData,
  sfPrintHood,
};

enum class TplBrowseOption : std::uint8_t {
  bifReturnOnlyFSDirs,   // OK only for items with a file-system path
  bifDontGoBelowDomain,  // no meaning here
  bifReturnFSAncestors,  // no meaning here
  bifBrowseForComputer,  // no meaning here
  bifBrowseForPrinter,   // no meaning here
  bifBrowseIncludeFiles, // the tree lists files too, and a file may be chosen
  bifStatusText,         // the dialog shows its status line
  bifNewDialogStyle,     // the dialog keeps its own size and placement
  bifNonNewFolderButton, // no "new folder" button
};

// Set of TplBrowseOption: bit n = the member with ordinal n.
using TplBrowseOptions = std::uint16_t;
constexpr TplBrowseOptions BrowseOptionBit(TplBrowseOption o) {
  return static_cast<TplBrowseOptions>(1u << static_cast<unsigned>(o));
}
constexpr bool HasBrowseOption(TplBrowseOptions set, TplBrowseOption o) {
  return (set & BrowseOptionBit(o)) != 0;
}

// Sender is the component.
using TplBrowseEvent = std::function<void(QObject* Sender)>;
// Wnd is the dialog; Directory the path of the newly selected item. StatusText (empty on
// entry) is shown in the dialog's status line; OKBtnEnabled (on entry: the OK button's state)
// is given to the OK button.
using TplBrowseChangeEvent =
    std::function<void(QObject* Sender, QWidget* Wnd, const QString& Directory, QString& StatusText,
                       bool& OKBtnEnabled)>;

// The folder of a special folder on this desktop; empty for those that have no folder here
// (printers, control panel, recycle bin, network, recent documents, send-to, favourites).
// sfDrives is the file system's root "/"; sfNone gives empty.
QString SpecialFolderPath(TplBFSpecialDir dir);

// The folder a browse starts at: with sfNone an absolute path naming an existing folder is
// used; otherwise the special folder when it exists; otherwise the desktop (the home folder
// when there is no desktop folder).
QString ResolveBrowseFolder(const QString& path, TplBFSpecialDir dir);

// The top of the dialog's tree. As ResolveBrowseFolder, except that the desktop (sfDesktop,
// and every fallback) stands for the whole file system "/": on this desktop the desktop folder
// is an ordinary folder in the home folder, not the top of the namespace, so a tree rooted
// there would hide every other folder.
QString ResolveRootFolder(const QString& path, TplBFSpecialDir dir);

class TplBrowseFolder : public QObject {
  Q_OBJECT
public:
  static constexpr int InitialMinWidth = 371;
  static constexpr int InitialMinHeight = 250;

  // The dialog is shown over `owner`'s window and run through `platform`.
  explicit TplBrowseFolder(QWidget* owner, Platform& platform = Platform::Default());
  ~TplBrowseFolder() override;

  // Shows the dialog modally. True when the user chose an item: Directory and DisplayName hold
  // it. False when cancelled or failed. Either way FormLeft, FormTop, FormWidth and FormHeight
  // afterwards hold the dialog's last position (of its frame) and size (inside its frame).
  bool Execute();

  QString RootDir() const { return rootDir_; }
  void setRootDir(const QString& value) { rootDir_ = value; }
  TplBFSpecialDir RootSpecialDir() const { return rootSpecialDir_; }
  void setRootSpecialDir(TplBFSpecialDir value) { rootSpecialDir_ = value; }
  QString InitDir() const { return initDir_; }
  void setInitDir(const QString& value) { initDir_ = value; }
  TplBFSpecialDir InitSpecialDir() const { return initSpecialDir_; }
  void setInitSpecialDir(TplBFSpecialDir value) { initSpecialDir_ = value; }
  TplBrowseOptions Options() const { return options_; }
  void setOptions(TplBrowseOptions value) { options_ = value; }
  // Text above the tree.
  QString Title() const { return title_; }
  void setTitle(const QString& value) { title_ = value; }
  // The dialog's window title; "フォルダの参照" when empty.
  QString Caption() const { return caption_; }
  void setCaption(const QString& value) { caption_ = value; }
  // Size and position of the dialog without bifNewDialogStyle; FormLeft and FormTop both 0
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

  // Results of the last Execute; cleared when it starts.
  QString Directory() const { return directory_; }
  QString DisplayName() const { return displayName_; }

  // Called once the dialog is built and its initial folder selected, before it shows.
  TplBrowseEvent OnShow;
  // Called on every change of the dialog's selection.
  TplBrowseChangeEvent OnSelectionChanged;

private:
  bool run();
  void selectionChanged(BrowseFolderDialog& dialog, const QString& path);
  void layOut(BrowseFolderDialog& dialog);

  QWidget* owner_;
  Platform& platform_;
  QString rootDir_;
  TplBFSpecialDir rootSpecialDir_ = TplBFSpecialDir::sfDesktop;
  QString initDir_;
  TplBFSpecialDir initSpecialDir_ = TplBFSpecialDir::sfNone;
  TplBrowseOptions options_ = BrowseOptionBit(TplBrowseOption::bifReturnOnlyFSDirs);
  QString title_;
  QString caption_;
  int formWidth_ = 0;
  int formHeight_ = 0;
  int formLeft_ = 0;
  int formTop_ = 0;
  QString directory_;
  QString displayName_;

  BrowseFolderDialog* dialog_ = nullptr; // the open dialog, while Execute runs
  int minWidth_ = InitialMinWidth;
  int minHeight_ = InitialMinHeight;
  bool handlerFailed_ = false;
};

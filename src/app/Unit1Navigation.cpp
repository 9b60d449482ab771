// Which file the main window shows: opening a folder (its WAV and MP3 files, subfolders
// included, form the list that previous and next step through) or one file (chosen in the open
// dialog, dropped on the window, or named on the command line), and the jacket image list of
// the current folder.
//
// The current folder is the tooltip of Edit1 (its text is the path shortened to the box); the
// shown file is ShownFilePath, with its bare name in Edit13.
#include "app/FolderScan.h"
#include "app/Platform.h"
#include "app/ShortenPath.h"
#include "app/Unit1.h"
#include "ui/Option.h"
#include "ui/ShellServices.h"
#include "ui/plFileDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>

namespace {

bool IsAudioExtension(const QString& extension) {
  const QString lower = extension.toLower();
  return lower == QLatin1String(".wav") || lower == QLatin1String(".mp3");
}

QString BareName(const QString& path) {
  return path.mid(path.lastIndexOf(u'/') + 1);
}

// The folder part of a file's path without its trailing separator; the root keeps it.
QString FolderOf(const QString& path) {
  const qsizetype slash = path.lastIndexOf(u'/');
  if (slash < 0)
    return QString();
  return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

// A folder path without one trailing separator, the root excepted.
QString WithoutTrailingSeparator(const QString& folder) {
  QString result = folder;
  if (result.size() > 1 && result.endsWith(u'/'))
    result.chop(1);
  return result;
}

QString WithTrailingSeparator(const QString& folder) {
  return folder.endsWith(u'/') ? folder : folder + u'/';
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The open button

void TForm1::Button1Click() {
  ClearStatus();
  Button2->setEnabled(false);
  Button5->setEnabled(false);
  Edit14->setText(QStringLiteral("0"));
  Edit15->setText(QStringLiteral("0"));
  Edit13->clear();
  ShownFilePath.clear();
  scannedJackets_.clear();
  scannedJacketsFolder_.clear();

  const QString defaultFolder = DefaultMusicFolder();
  const bool byFolder = frmOption == nullptr || frmOption->CheckBox1->isChecked();

  if (!byFolder) {
    // File mode: the system's open dialog, every file listed.
    QString initial = OpenDialogFileName;
    if (!QFileInfo(initial).isFile() && QFileInfo(defaultFolder).isDir())
      initial = defaultFolder;
    const QString chosen = platform.GetOpenFileName(this, initial);
    if (chosen.isEmpty())
      return;
    OpenDialogFileName = chosen;
    const QString extension = FileExtension(chosen);
    SetStatusText(1, extension);
    if (IsAudioExtension(extension))
      OpenOneFile(chosen);
    return;
  }

  TplBrowseFolder& browser = *plBrowseFolder1;
  const TplBrowseOptions files = BrowseOptionBit(TplBrowseOption::bifBrowseIncludeFiles);
  const bool listFiles = frmOption != nullptr && frmOption->CheckBox4->isChecked();
  browser.setOptions(listFiles ? (browser.Options() | files)
                               : static_cast<TplBrowseOptions>(browser.Options() & ~files));
  if (browser.InitDir().isEmpty())
    browser.setInitDir(defaultFolder);
  if (browser.FormLeft() == 0 && browser.FormTop() == 0) {
    const QPoint corner = Button1->mapToGlobal(QPoint(0, 0));
    browser.setFormLeft(corner.x());
    browser.setFormTop(corner.y() + Button1->height());
  }
  if (!browser.Execute())
    return;

  const QString chosen = browser.Directory();
  if (chosen.isEmpty())
    return; // an item without a place in the file system
  QString folder = chosen;
  if (QFileInfo(chosen).isFile()) {
    // A picked file opens its folder; the next browse starts in that folder (a file cannot be
    // a browse's starting point).
    folder = FolderOf(chosen);
    SetStatusText(1, FileExtension(browser.DisplayName()));
  }
  browser.setInitDir(folder);
  const QFontMetrics metrics(font());
  Edit1->setToolTip(folder);
  Edit1->setText(ShortenPath(folder, Edit1->width(), [&metrics](const QString& text) {
    return metrics.horizontalAdvance(text);
  }));
  Edit1->setCursorPosition(0);

  const int count = ScanFolder(folder);
  if (count == 0) {
    // The tag fields and the jacket images keep what they showed.
    scannedJackets_.clear();
    scannedJacketsFolder_.clear();
    return;
  }
  Edit15->setText(QString::number(count));
  Edit14->setText(QStringLiteral("1"));
  CurrentIndex = 0;
  ShownFilePath = FileList.at(0);
  Edit13->setText(BareName(ShownFilePath));
  ShowFileTags(ShownFilePath);
  if (count > 1) {
    Button2->setEnabled(true);
    Button5->setEnabled(true);
  }
  RefreshJacketList();
}

// ---------------------------------------------------------------------------------------------
// Stepping through the list

void TForm1::Button5Click() {
  ClearStatus();
  if (CurrentIndex >= FileList.size() - 1)
    return;
  ++CurrentIndex;
  ShownFilePath = FileList.at(CurrentIndex);
  Edit13->setText(BareName(ShownFilePath));
  Edit14->setText(QString::number(CurrentIndex + 1));
  ShowFileTags(ShownFilePath);
}

void TForm1::Button2Click() {
  ClearStatus();
  if (CurrentIndex <= 0 || CurrentIndex > FileList.size())
    return;
  --CurrentIndex;
  ShownFilePath = FileList.at(CurrentIndex);
  Edit13->setText(BareName(ShownFilePath));
  Edit14->setText(QString::number(CurrentIndex + 1));
  ShowFileTags(ShownFilePath);
}

// ---------------------------------------------------------------------------------------------
// One file

void TForm1::FilesDropped(const QStringList& paths) {
  for (const QString& path : paths) {
    // A folder is never shown, whatever its name.
    if (!IsAudioExtension(FileExtension(path)) || QFileInfo(path).isDir())
      continue;
    ClearStatus();
    FileList.clear();
    CurrentIndex = 0;
    Button2->setEnabled(false);
    Button5->setEnabled(false);
    Edit14->setText(QStringLiteral("0"));
    Edit15->setText(QStringLiteral("0"));
    OpenOneFile(path);
    return;
  }
}

void TForm1::OpenOneFile(const QString& path) {
  // A relative name (from the command line) is taken from the working folder.
  const QString full = QFileInfo(path).absoluteFilePath();
  // The images of an earlier folder scan are not this open's: the folder is walked anew.
  scannedJackets_.clear();
  scannedJacketsFolder_.clear();
  ShowPathInBox(Edit1, FolderOf(full));
  ShownFilePath = full;
  Edit13->setText(BareName(full));
  ShowFileTags(full);
  RefreshJacketList();
}

// ---------------------------------------------------------------------------------------------
// Folder walks

int TForm1::ScanFolder(const QString& folder) {
  const QString root = WithoutTrailingSeparator(folder);
  // One walk gives the file list and, for the jacket list of the same open, the images. A
  // folder that is gone gives nothing: it opens as a folder without files.
  FolderTree tree = ScanTree(root);
  FileList = tree.Files();
  CurrentIndex = 0;
  scannedJackets_ = std::move(tree.Jpg);
  scannedJacketsFolder_ = root;
  return static_cast<int>(FileList.size());
}

void TForm1::FindFiles(const QString& folder, const QString& extension, QStringList& list) {
  ::FindFiles(folder, extension, list);
}

void TForm1::RefreshJacketList() {
  const QString folder = WithoutTrailingSeparator(Edit1->toolTip());
  JacketList.clear();
  if (!scannedJacketsFolder_.isEmpty() && scannedJacketsFolder_ == folder)
    JacketList = scannedJackets_;
  else
    FindFiles(WithTrailingSeparator(folder), QStringLiteral(".jpg"), JacketList);
  scannedJackets_.clear();
  scannedJacketsFolder_.clear();

  // Emptying the list keeps the text the box shows.
  const QString shown = ComboBox1->currentText();
  ComboBox1->clear();
  ComboBox1->setEditText(shown);
  if (JacketList.isEmpty())
    return;
  for (const QString& path : JacketList)
    ComboBox1->addItem(BareName(path));
  ComboBox1->setCurrentIndex(0);
  ComboBox1->setEditText(ComboBox1->itemText(0));
}

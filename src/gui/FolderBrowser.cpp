#include "gui/FolderBrowser.h"

#include "core/fs/FsPath.h"
#include "gui/FolderBrowserDialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QWidget>

#include <exception>

namespace {

QString Location(QStandardPaths::StandardLocation location) {
  return QStandardPaths::writableLocation(location);
}

// A folder of the freedesktop user-dirs file (XDG_TEMPLATES_DIR and the like), "$HOME"
// replaced; `fallback` (relative to home) when the file does not name it.
QString XdgUserDir(const QString& key, const QString& fallback) {
  QFile file(Location(QStandardPaths::GenericConfigLocation) + QStringLiteral("/user-dirs.dirs"));
  if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    const QRegularExpression line(QStringLiteral("^\\s*%1\\s*=\\s*\"([^\"]*)\"").arg(key));
    while (!file.atEnd()) {
      const auto match = line.match(QString::fromUtf8(file.readLine()));
      if (match.hasMatch()) {
        QString value = match.captured(1);
        value.replace(QLatin1String("$HOME"), QDir::homePath());
        if (QDir::isAbsolutePath(value))
          return QDir::cleanPath(value);
      }
    }
  }
  return QDir::home().filePath(fallback);
}

QString Desktop() {
  const QString desktop = Location(QStandardPaths::DesktopLocation);
  return !desktop.isEmpty() && QFileInfo(desktop).isDir() ? QDir::cleanPath(desktop)
                                                          : QDir::homePath();
}

// An absolute path (FsPath) naming an existing folder, cleaned; empty otherwise.
QString ExistingFolder(const QString& path) {
  if (!path.startsWith(u'/'))
    return QString();
  const QString folder = FsPath::Absolute(path);
  return FsPath::IsDir(folder) ? folder : QString();
}

} // namespace

QString SpecialFolderPath(SpecialFolder dir) {
  using D = SpecialFolder;
  switch (dir) {
  case D::Desktop:
  case D::DesktopFolder:
    return Location(QStandardPaths::DesktopLocation);
  case D::Documents:
    return Location(QStandardPaths::DocumentsLocation);
  case D::Programs:
  case D::StartMenu:
    return Location(QStandardPaths::ApplicationsLocation);
  case D::Startup:
    return Location(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart");
  case D::Drives:
    return QStringLiteral("/");
  case D::Fonts: {
    const QString own = Location(QStandardPaths::FontsLocation);
    return QFileInfo(own).isDir() ? own : QStringLiteral("/usr/share/fonts");
  }
  case D::Templates:
    return XdgUserDir(QStringLiteral("XDG_TEMPLATES_DIR"), QStringLiteral("Templates"));
  case D::AppData:
    return Location(QStandardPaths::GenericConfigLocation);
  case D::None:
  case D::ControlPanel:
  case D::Printers:
  case D::Favorites:
  case D::Recent:
  case D::SendTo:
  case D::RecycleBin:
  case D::Network:
  case D::NetworkShortcuts:
  case D::PrinterShortcuts:
    break;
  }
  return QString();
}

QString ResolveBrowseFolder(const QString& path, SpecialFolder dir) {
  QString folder =
      dir == SpecialFolder::None ? ExistingFolder(path) : ExistingFolder(SpecialFolderPath(dir));
  return folder.isEmpty() ? Desktop() : folder;
}

QString ResolveRootFolder(const QString& path, SpecialFolder dir) {
  QString folder;
  if (dir == SpecialFolder::None)
    folder = ExistingFolder(path);
  else if (dir != SpecialFolder::Desktop)
    folder = ExistingFolder(SpecialFolderPath(dir));
  return folder.isEmpty() ? QStringLiteral("/") : folder;
}

FolderBrowser* MakeFolderBrowser(QWidget* owner, Platform& platform, BrowseOptions options,
                                 const QString& title) {
  auto* browser = new FolderBrowser(owner, platform);
  browser->setObjectName(QStringLiteral("folderBrowser"));
  browser->setRootSpecialDir(SpecialFolder::Desktop);
  browser->setInitSpecialDir(SpecialFolder::None);
  browser->setOptions(options);
  browser->setTitle(title);
  browser->setCaption(QStringLiteral("フォルダを指定してください"));
  browser->setFormWidth(371);
  browser->setFormHeight(311);
  browser->setFormLeft(0);
  browser->setFormTop(0);
  return browser;
}

FolderBrowser::FolderBrowser(QWidget* owner, Platform& platform)
    : QObject(owner), owner_(owner), platform_(platform) {
  setFormWidth(InitialMinWidth);
  setFormHeight(InitialMinHeight);
}

FolderBrowser::~FolderBrowser() = default;

void FolderBrowser::setFormWidth(int value) {
  if (dialog_ == nullptr)
    formWidth_ = value > minWidth_ ? value : minWidth_;
}

void FolderBrowser::setFormHeight(int value) {
  if (dialog_ == nullptr)
    formHeight_ = value > minHeight_ ? value : minHeight_;
}

void FolderBrowser::PlaceBelow(const QWidget& button) {
  if (formLeft_ != 0 || formTop_ != 0)
    return;
  const QPoint corner = button.mapToGlobal(QPoint(0, 0));
  formLeft_ = corner.x();
  formTop_ = corner.y() + button.height();
}

bool FolderBrowser::Execute() {
  directory_.clear();
  displayName_.clear();
  try {
    return run();
  } catch (const std::exception&) {
    dialog_ = nullptr;
    return false;
  }
}

bool FolderBrowser::run() {
  FolderBrowserDialog::Setup setup;
  setup.rootFolder = ResolveRootFolder(rootDir_, rootSpecialDir_);
  setup.includeFiles = HasBrowseOption(options_, BrowseOption::IncludeFiles);
  setup.statusLine = HasBrowseOption(options_, BrowseOption::StatusLine);
  setup.newFolderButton = !HasBrowseOption(options_, BrowseOption::NoNewFolderButton);
  FolderBrowserDialog dialog(owner_ != nullptr ? owner_->window() : nullptr, setup, platform_);
  dialog.SetTitle(title_);
  handlerFailed_ = false;
  dialog_ = &dialog;
  struct Closing {
    FolderBrowserDialog*& dialog;
    ~Closing() { dialog = nullptr; }
  } closing{dialog_};
  connect(&dialog, &FolderBrowserDialog::SelectionChanged, this,
          [this, &dialog](const QString& path) { selectionChanged(dialog, path); });

  // An initial folder outside the root cannot be shown: the root is selected instead.
  if (!dialog.SelectPath(ResolveBrowseFolder(initDir_, initSpecialDir_)))
    dialog.SelectPath(setup.rootFolder);
  minWidth_ = dialog.width();
  minHeight_ = dialog.height();
  if (OnShow)
    OnShow(this);
  if (!caption_.isEmpty())
    dialog.setWindowTitle(caption_);
  if (!HasBrowseOption(options_, BrowseOption::NewDialogStyle))
    layOut(dialog);

  const int result = handlerFailed_ ? QDialog::Rejected : platform_.ExecModal(dialog);

  formLeft_ = dialog.x();
  formTop_ = dialog.y();
  formWidth_ = dialog.width();
  formHeight_ = dialog.height();
  if (result != QDialog::Accepted || handlerFailed_)
    return false;
  directory_ = dialog.SelectedPath();
  displayName_ = dialog.SelectedDisplayName();
  return true;
}

void FolderBrowser::layOut(FolderBrowserDialog& dialog) {
  formWidth_ = qMax(formWidth_, minWidth_);
  formHeight_ = qMax(formHeight_, minHeight_);
  int x = formLeft_;
  int y = formTop_;
  if (formLeft_ == 0 && formTop_ == 0) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->geometry() : QRect(0, 0, 0, 0);
    x = area.x() + (area.width() - formWidth_) / 2;
    y = area.y() + (area.height() - formHeight_) / 2;
  }
  // The dialog's layout keeps the tree filling it and OK and Cancel at its bottom right.
  dialog.move(x, y);
  dialog.resize(formWidth_, formHeight_);
}

void FolderBrowser::selectionChanged(FolderBrowserDialog& dialog, const QString& path) {
  if (!OnSelectionChanged)
    return;
  QString statusText;
  bool okEnabled = dialog.OkEnabled();
  try {
    OnSelectionChanged(this, &dialog, path, statusText, okEnabled);
  } catch (const std::exception&) {
    // An exception cannot cross the dialog's event loop: the browse ends as failed.
    handlerFailed_ = true;
    dialog.reject();
    return;
  }
  dialog.SetOkEnabled(okEnabled);
  dialog.SetStatusText(statusText);
}

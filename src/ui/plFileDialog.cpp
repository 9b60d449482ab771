#include "ui/plFileDialog.h"

#include "app/FsPath.h"
#include "ui/BrowseFolderDialog.h"

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

QString SpecialFolderPath(TplBFSpecialDir dir) {
  using D = TplBFSpecialDir;
  switch (dir) {
  case D::sfDesktop:
  case D::sfDesktopDirectory:
    return Location(QStandardPaths::DesktopLocation);
  case D::sfPersonal:
    return Location(QStandardPaths::DocumentsLocation);
  case D::sfProgrmas:
  case D::sfStartMenu:
    return Location(QStandardPaths::ApplicationsLocation);
  case D::sfStartup:
    return Location(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart");
  case D::sfDrives:
    return QStringLiteral("/");
  case D::sfFonts: {
    const QString own = Location(QStandardPaths::FontsLocation);
    return QFileInfo(own).isDir() ? own : QStringLiteral("/usr/share/fonts");
  }
  case D::sfTemplates:
    return XdgUserDir(QStringLiteral("XDG_TEMPLATES_DIR"), QStringLiteral("Templates"));
  case D::sfAppData:
    return Location(QStandardPaths::GenericConfigLocation);
  case D::sfNone:
  case D::sfControls:
  case D::sfPritners:
  case D::sfFavorites:
  case D::sfRecent:
  case D::sfSendTo:
  case D::sfBitBucket:
  case D::sfNetWork:
  case D::sfNetHood:
  case D::sfPrintHood:
    break;
  }
  return QString();
}

QString ResolveBrowseFolder(const QString& path, TplBFSpecialDir dir) {
  QString folder = dir == TplBFSpecialDir::sfNone ? ExistingFolder(path)
                                                  : ExistingFolder(SpecialFolderPath(dir));
  return folder.isEmpty() ? Desktop() : folder;
}

QString ResolveRootFolder(const QString& path, TplBFSpecialDir dir) {
  QString folder;
  if (dir == TplBFSpecialDir::sfNone)
    folder = ExistingFolder(path);
  else if (dir != TplBFSpecialDir::sfDesktop)
    folder = ExistingFolder(SpecialFolderPath(dir));
  return folder.isEmpty() ? QStringLiteral("/") : folder;
}

TplBrowseFolder::TplBrowseFolder(QWidget* owner, Platform& platform)
    : QObject(owner), owner_(owner), platform_(platform) {
  setFormWidth(InitialMinWidth);
  setFormHeight(InitialMinHeight);
}

TplBrowseFolder::~TplBrowseFolder() = default;

void TplBrowseFolder::setFormWidth(int value) {
  if (dialog_ == nullptr)
    formWidth_ = value > minWidth_ ? value : minWidth_;
}

void TplBrowseFolder::setFormHeight(int value) {
  if (dialog_ == nullptr)
    formHeight_ = value > minHeight_ ? value : minHeight_;
}

bool TplBrowseFolder::Execute() {
  directory_.clear();
  displayName_.clear();
  try {
    return run();
  } catch (const std::exception&) {
    dialog_ = nullptr;
    return false;
  }
}

bool TplBrowseFolder::run() {
  BrowseFolderDialog::Setup setup;
  setup.rootFolder = ResolveRootFolder(rootDir_, rootSpecialDir_);
  setup.includeFiles = HasBrowseOption(options_, TplBrowseOption::bifBrowseIncludeFiles);
  setup.statusLine = HasBrowseOption(options_, TplBrowseOption::bifStatusText);
  setup.newFolderButton = !HasBrowseOption(options_, TplBrowseOption::bifNonNewFolderButton);
  BrowseFolderDialog dialog(owner_ != nullptr ? owner_->window() : nullptr, setup, platform_);
  dialog.SetTitle(title_);
  handlerFailed_ = false;
  dialog_ = &dialog;
  struct Closing {
    BrowseFolderDialog*& dialog;
    ~Closing() { dialog = nullptr; }
  } closing{dialog_};
  connect(&dialog, &BrowseFolderDialog::SelectionChanged, this,
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
  if (!HasBrowseOption(options_, TplBrowseOption::bifNewDialogStyle))
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

void TplBrowseFolder::layOut(BrowseFolderDialog& dialog) {
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

void TplBrowseFolder::selectionChanged(BrowseFolderDialog& dialog, const QString& path) {
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

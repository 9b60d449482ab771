#include "gui/MainWindow.h"

#include "core/convert/BatchResult.h"
#include "core/convert/Converter.h"
#include "core/encoder/EncoderComponent.h"
#include "core/fs/FsPath.h"
#include "core/session/Navigator.h"
#include "core/settings/ProgramLocations.h"
#include "core/settings/SettingsFile.h"
#include "core/tags/GenreListFile.h"
#include "core/tags/TagEditor.h"
#include "gui/FolderBrowser.h"
#include "gui/GenreListWindow.h"
#include "gui/OptionsDialog.h"
#include "gui/Platform.h"
#include "gui/ShellServices.h"
#include "gui/StatusBar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>

#include <cstdio>
#include <optional>

namespace {

constexpr int kTagPanelFullHeight = 325;
constexpr int kWindowFullHeight = 445;

} // namespace

// The open button's dialogs: the window's folder browser and the system's open-file dialog.
class MainWindow::Dialogs : public OpenDialogs {
public:
  explicit Dialogs(MainWindow& form) : form_(form) {}

  QString DefaultFolder() override { return DefaultMusicFolder(); }

  std::optional<Browsed> BrowseFolder(bool listFiles, const QString& defaultFolder) override {
    FolderBrowser& browser = *form_.plBrowseFolder1;
    const BrowseOptions files = BrowseOptionBit(BrowseOption::IncludeFiles);
    browser.setOptions(listFiles ? (browser.Options() | files)
                                 : static_cast<BrowseOptions>(browser.Options() & ~files));
    if (browser.InitDir().isEmpty())
      browser.setInitDir(defaultFolder);
    if (browser.FormLeft() == 0 && browser.FormTop() == 0) {
      // Just below the open button.
      const QPoint corner = form_.Button1->mapToGlobal(QPoint(0, 0));
      browser.setFormLeft(corner.x());
      browser.setFormTop(corner.y() + form_.Button1->height());
    }
    if (!browser.Execute())
      return std::nullopt;
    return Browsed{browser.Directory(), browser.DisplayName()};
  }

  void StartNextBrowseAt(const QString& folder) override {
    form_.plBrowseFolder1->setInitDir(folder);
  }

  QString OpenFile(const QString& initial) override {
    return form_.platform.GetOpenFileName(&form_, initial);
  }

private:
  MainWindow& form_;
};

MainWindow::MainWindow(Platform& services, QWidget* parent) : QWidget(parent), platform(services) {
  setObjectName(QStringLiteral("Form1"));
  CreateControls();

  // The encoder component exists before FormCreate runs; without its library the window is
  // never completed (the exception leaves this constructor).
  gogoTea1_ = new EncoderComponent(this);
  gogoTea1_->setObjectName(QStringLiteral("GogoTea1"));
  gogoTea1_->setFrequency(1);
  gogoTea1_->setUseLPF(true);
  gogoTea1_->OnProgress = [this](QObject* sender, int nowFrames, int allFrames) {
    GogoTea1Progress(sender, nowFrames, allFrames);
  };
  gogoTea1_->OnFinish = [this](QObject* sender, bool aborted) { GogoTea1Finish(sender, aborted); };

  plBrowseFolder1 = new FolderBrowser(this, platform);
  plBrowseFolder1->setObjectName(QStringLiteral("plBrowseFolder1"));
  plBrowseFolder1->setRootSpecialDir(SpecialFolder::Desktop);
  plBrowseFolder1->setInitSpecialDir(SpecialFolder::None);
  plBrowseFolder1->setOptions(BrowseOptionBit(BrowseOption::OnlyFileSystemItems) |
                              BrowseOptionBit(BrowseOption::IncludeFiles) |
                              BrowseOptionBit(BrowseOption::NewDialogStyle) |
                              BrowseOptionBit(BrowseOption::NoNewFolderButton));
  plBrowseFolder1->setTitle(QStringLiteral("WAV/MP3のファイル・フォルダの設定"));
  plBrowseFolder1->setCaption(QStringLiteral("フォルダを指定してください"));
  plBrowseFolder1->setFormWidth(371);
  plBrowseFolder1->setFormHeight(311);
  plBrowseFolder1->setFormLeft(0);
  plBrowseFolder1->setFormTop(0);

  dialogs_ = std::make_unique<Dialogs>(*this);
  tagEditor_ = std::make_unique<TagEditor>(*this, options_);
  navigator_ = std::make_unique<Navigator>(*this, *tagEditor_, options_);
  converter_ = std::make_unique<Converter>(
      *this, *tagEditor_, *navigator_, *gogoTea1_,
      [this](const QString& path) { return platform.MoveToTrash(path); }, options_);

  FormCreate();
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  FormDestroy();
  // The encoder component (a child, destroyed later) no longer calls into this window.
  gogoTea1_->OnProgress = nullptr;
  gogoTea1_->OnFinish = nullptr;
  // The working classes go before the controls they show in.
  converter_.reset();
  navigator_.reset();
  tagEditor_.reset();
}

void MainWindow::FormCreate() {
  iniPath_ = SettingsFilePath();
  GenreNames.clear();

  // The progress bar sits in the status bar over panel 3. It is placed once: a width loaded
  // from the settings later does not move it.
  const int panels =
      StatusBar1->PanelWidth(0) + StatusBar1->PanelWidth(1) + StatusBar1->PanelWidth(2);
  ProgressBar1->setParent(StatusBar1);
  ProgressBar1->setGeometry(panels + 2, 2, OuterWidth() - panels - 8, StatusBar1->height() - 2);
  ProgressBar1->setVisible(true);

  setAcceptDrops(true);
}

void MainWindow::FormShow() {
  if (shownOnce_)
    return;
  shownOnce_ = true;
  LoadSettings();
  ApplyOptions();
  BuildGenreNames();
  navigator_->OpenCommandLineFile(commandLineFile_);
}

bool MainWindow::FormCloseQuery() {
  // Closed by the system, nobody is there to answer.
  if (!closingBySignal_ && !tagEditor_->ConfirmLeave())
    return false;
  SaveSettings();
  return true;
}

void MainWindow::FormDestroy() {
  GenreNames.clear();
}

void MainWindow::CloseBySignal() {
  closingBySignal_ = true;
  close();
}

void MainWindow::setVisible(bool visible) {
  // FormShow places and sizes the window; done before the native window exists, the window
  // manager maps it where asked. Sizing it from the show event instead makes X11 window
  // managers place it elsewhere (at the screen's corner, for one).
  if (visible && !shownOnce_)
    FormShow();
  QWidget::setVisible(visible);
}

void MainWindow::showEvent(QShowEvent* event) {
  // The show event arrives before the window is mapped, so what FormShow changes (place,
  // width, height) is what the user first sees.
  FormShow();
  QWidget::showEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  // A batch under way stops: its encodes end, each WAV file stays as it is.
  converter_->StopBatch();
  event->accept();
  // Closing the main window ends the program, and at once: the quit that Qt posts when the
  // last window closes would be dropped by the next local event loop a wait (conversion,
  // end handler, summary) starts, leaving the program running without its window. No-op
  // when the application's event loop is not running.
  QCoreApplication::quit();
}

// ---------------------------------------------------------------------------------------------
// Handlers: each hands over to the class of its topic.

void MainWindow::Button1Click() {
  navigator_->Open(*dialogs_);
}

void MainWindow::Button2Click() {
  navigator_->Previous();
}

void MainWindow::Button3Click() {
  close();
}

void MainWindow::Button4Click() {
  ClearStatus();
  tagEditor_->WriteShownFields();
}

void MainWindow::Button5Click() {
  navigator_->Next();
}

void MainWindow::Button6Click() {
  converter_->ConvertShown();
}

void MainWindow::Button8Click() {
  if (!frmGenreList)
    return;
  frmGenreList->show();
  frmGenreList->raise();
  frmGenreList->activateWindow();
  ShowGenre(frmGenreList->ItemIndex());
}

void MainWindow::Button9Click() {
  const std::optional<BatchResult> result = converter_->ConvertAll();
  // No result: nothing ran to its end, and the window may be gone.
  if (result)
    ShowBatchSummary(*result);
}

void MainWindow::ShowBatchSummary(const BatchResult& result) {
  const BatchSummary summary = SummarizeBatch(result);
  ClearStatus();
  SetStatusText(0, summary.counter);
  SetStatusText(1, summary.result);
  SetStatusText(2, summary.message);
  WaitMs(3000);
  ClearStatus();
}

void MainWindow::Button10Click() {
  const QString trouble = OpenHelpFile(helpPath_, platform);
  if (!trouble.isEmpty())
    platform.ShowError(this, trouble);
}

void MainWindow::Button12Click() {
  tagEditor_->CopyToMemory();
}

void MainWindow::Button13Click() {
  tagEditor_->PasteFromMemory(Edit13->text());
}

void MainWindow::Button14Click() {
  tagEditor_->ComposeComment(options_.FormComment);
}

void MainWindow::Edit14Return() {
  navigator_->GoTo(Edit14->text());
}

void MainWindow::Edit14Exit() {
  navigator_->GoTo(QString());
}

void MainWindow::GogoTea1Progress(QObject*, int nowFrames, int AllFrames) {
  converter_->Progress(nowFrames, AllFrames);
}

void MainWindow::GogoTea1Finish(QObject*, bool IsAborted) {
  converter_->Finish(IsAborted);
}

void MainWindow::FilesDropped(const QStringList& paths) {
  navigator_->FilesDropped(paths);
}

// ---------------------------------------------------------------------------------------------
// Genre list

void MainWindow::BuildGenreNames() {
  if (!frmGenreList)
    return;
  GenreNames = GenreListFile::BuildGenreNames(frmGenreList->Items());
  // This runs once the genre list window exists, at start-up; the window's choices go to the
  // genre field from then on.
  QObject::disconnect(frmGenreList, &GenreListWindow::OnChoose, this, nullptr);
  connect(frmGenreList, &GenreListWindow::OnChoose, this, [this](int index) { ShowGenre(index); });
  SelectShownGenre();
}

void MainWindow::SelectShownGenre() {
  if (frmGenreList)
    frmGenreList->setItemIndex(static_cast<int>(GenreNames.indexOf(Edit10->text())));
}

// The genre field shows the name at `index`; no selection (or no name) leaves it as it is.
void MainWindow::ShowGenre(int index) {
  if (index >= 0 && index < GenreNames.size())
    Edit10->setText(GenreNames[index]);
}

// ---------------------------------------------------------------------------------------------
// Key preview

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  // Files dropped anywhere on the window open as designed, the text boxes included, which would
  // otherwise paste the files' URLs into themselves (and a write would store them).
  if ((type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) &&
      watched != this && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    auto* drop = static_cast<QDropEvent*>(event);
    if (HasLocalFiles(drop->mimeData())) {
      if (type == QEvent::Drop)
        dropEvent(drop);
      else
        AcceptAsCopy(drop);
      return true;
    }
  }
  if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    // A key event that no control accepts travels up to the parents; seeing it again there
    // gives the same result, so no bookkeeping is needed.
    const auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::KeyPress)
      FormKeyDown(key->key(), key->modifiers());
    else
      FormKeyUp(key->key(), key->modifiers());
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::FormKeyDown(int, Qt::KeyboardModifiers shift) {
  if (shift & (Qt::ShiftModifier | Qt::ControlModifier)) {
    shiftHeld_ = (shift & Qt::ShiftModifier) != 0;
    SetStatusText(1, QStringLiteral("+"));
  } else {
    SetStatusText(1, QStringLiteral("-"));
  }
}

void MainWindow::FormKeyUp(int, Qt::KeyboardModifiers) {
  shiftHeld_ = false;
  SetStatusText(1, QStringLiteral("-"));
}

// ---------------------------------------------------------------------------------------------
// Dropped files

bool MainWindow::HasLocalFiles(const QMimeData* mime) {
  if (mime == nullptr || !mime->hasUrls())
    return false;
  for (const QUrl& url : mime->urls())
    if (url.isLocalFile())
      return true;
  return false;
}

// A drop is always a copy: a source told that the files were moved may delete the originals.
void MainWindow::AcceptAsCopy(QDropEvent* event) {
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (HasLocalFiles(event->mimeData()))
    AcceptAsCopy(event);
  else
    event->ignore();
}

void MainWindow::dropEvent(QDropEvent* event) {
  QStringList paths;
  if (const QMimeData* mime = event->mimeData()) {
    for (const QUrl& url : mime->urls()) {
      // The URL's own bytes, so names that are not UTF-8 arrive as the file system has them.
      if (url.isLocalFile())
        paths.append(FsPath::FromFileUrl(url.toEncoded()));
    }
  }
  AcceptAsCopy(event);
  if (!paths.isEmpty())
    FilesDropped(paths);
}

// ---------------------------------------------------------------------------------------------
// Options

void MainWindow::Button7Click() {
  if (!frmOption)
    return;
  // Cancel (or the frame's close button) leaves every option as it was before the window
  // opened, in the window and in the settings file.
  if (platform.ExecModal(*frmOption) == QDialog::Accepted)
    TakeOptions(frmOption->Value(), true);
  else
    frmOption->SetValue(options_);
}

void MainWindow::TakeOptions(const Options& chosen, bool apply) {
  options_ = chosen;
  if (frmOption)
    frmOption->SetValue(options_);
  if (apply)
    ApplyOptions();
}

void MainWindow::ApplyOptions() {
  const bool byFolder = options_.WithFolder;
  Button1->setText(byFolder ? QStringLiteral("フォルダを開く") : QStringLiteral("ファイルを開く"));
  // The previous and next buttons follow the list (a file opened alone lists its folder).
  Button4->setEnabled(options_.WriteId3);

  if (options_.DispMp3infp) {
    Panel1->setFixedHeight(kTagPanelFullHeight);
    SetOuterHeight(kWindowFullHeight);
  } else {
    const int cut = Bevel1->y();
    Panel1->setFixedHeight(cut);
    SetOuterHeight(kWindowFullHeight - (kTagPanelFullHeight - cut));
  }

  switch (options_.FormComment) {
  case Options::FreeText:
    Label17->setText(QStringLiteral("任意文字列"));
    Button14->setEnabled(false);
    break;
  case Options::JacketImage:
    Label17->setText(QStringLiteral("ジャケット画像名"));
    Button14->setEnabled(true);
    break;
  case Options::Credits:
    Label17->setText(QStringLiteral("作詩+作曲+編曲+演奏"));
    Button14->setEnabled(true);
    break;
  default:
    Label17->setText(QStringLiteral("ID+作詩+作曲+編曲+演奏"));
    Button14->setEnabled(true);
    break;
  }
}

// ---------------------------------------------------------------------------------------------
// Settings

void MainWindow::LoadSettings() {
  const std::optional<StoredSettings> stored = ReadStoredSettings(iniPath_, HelpDir());
  if (!stored)
    return;
  const StoredSettings& s = *stored;
  move(s.Left, s.Top);
  SetOuterWidth(s.Width);
  KeepOnScreen();
  options_ = s;
  if (frmOption)
    frmOption->SetValue(options_);
  if (s.FolderPath)
    ShowFolder(*s.FolderPath, false);
  if (s.HelpPath)
    helpPath_ = *s.HelpPath;
}

void MainWindow::SaveSettings() {
  SettingsToSave v;
  static_cast<Options&>(v) = options_;
  v.Left = frameGeometry().x();
  v.Top = frameGeometry().y();
  v.Width = OuterWidth();
  v.Height = OuterHeight();
  v.HelpPath = helpPath_;
  // The settings file is text: a folder whose name is not UTF-8 is kept in its readable form,
  // which names no folder at the next start (the current folder then stays unset).
  v.FolderPath = FsPath::Display(Folder());
  const bool written = WriteStoredSettings(iniPath_, HelpDir(), v, [this] {
    // Closed by the system, a question would keep the program alive with nobody to answer.
    if (closingBySignal_)
      return false;
    return platform.AskOkCancel(
        this, QStringLiteral("設定ファイル %1 は読み取り専用です。書き込みますか？").arg(iniPath_),
        QStringLiteral("問合わせ"));
  });
  // Closing goes ahead regardless; the user hears of it once.
  if (!written) {
    std::fprintf(stderr, "wav2mp3tag: the settings could not be written to %s\n",
                 qPrintable(iniPath_));
    if (!closingBySignal_)
      platform.ShowError(this, QStringLiteral("設定を保存できませんでした：%1").arg(iniPath_));
  }
}

#include "gui/MainWindow.h"

#include "core/convert/BatchSummary.h"
#include "core/fs/FsPath.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/session/TagEditor.h"
#include "core/settings/ProgramLocations.h"
#include "core/settings/SettingsFile.h"
#include "core/tags/GenreListFile.h"
#include "gui/FolderBrowser.h"
#include "gui/FolderBrowserDialog.h"
#include "gui/GenreListWindow.h"
#include "gui/OptionsDialog.h"
#include "gui/Platform.h"
#include "gui/ProblemListWindow.h"
#include "gui/ScreenFit.h"
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
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <optional>
#include <utility>

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
    FolderBrowser& browser = *form_.folderBrowser_;
    const BrowseOptions files = BrowseOptionBit(BrowseOption::IncludeFiles);
    browser.setOptions(listFiles ? (browser.Options() | files)
                                 : static_cast<BrowseOptions>(browser.Options() & ~files));
    if (browser.InitDir().isEmpty())
      browser.setInitDir(defaultFolder);
    browser.PlaceBelow(*form_.openButton_);
    if (!browser.Execute())
      return std::nullopt;
    return Browsed{browser.Directory(), browser.DisplayName()};
  }

  void StartNextBrowseAt(const QString& folder) override {
    form_.folderBrowser_->setInitDir(folder);
  }

  QString OpenFile(const QString& initial) override {
    return FolderBrowserDialog::ChooseFile(&form_, initial, form_.platform_);
  }

private:
  MainWindow& form_;
};

MainWindow::MainWindow(Platform& services, QWidget* parent) : QWidget(parent), platform_(services) {
  setObjectName(QStringLiteral("mainWindow"));
  CreateControls();

  // The session binds the encoder module first; without it the window is never completed (the
  // exception leaves this constructor).
  session_ = std::make_unique<Session>(*this, *this);

  folderBrowser_ = MakeFolderBrowser(this, platform_,
                                     BrowseOptionBit(BrowseOption::OnlyFileSystemItems) |
                                         BrowseOptionBit(BrowseOption::IncludeFiles) |
                                         BrowseOptionBit(BrowseOption::NewDialogStyle) |
                                         BrowseOptionBit(BrowseOption::NoNewFolderButton),
                                     QStringLiteral("WAV/MP3のファイル・フォルダの設定"));

  dialogs_ = std::make_unique<Dialogs>(*this);
  iniPath_ = SettingsFilePath();
  // A child: it goes with the window, never firing at one that is gone.
  summaryPause_ = new QTimer(this);
  summaryPause_->setSingleShot(true);
  summaryPause_->setTimerType(Qt::PreciseTimer);
  connect(summaryPause_, &QTimer::timeout, this, &MainWindow::EndBatchSummary);

  // The progress bar sits in the status bar over panel 3. It is placed once: a width loaded
  // from the settings later does not move it.
  const int panels =
      statusBar_->PanelWidth(0) + statusBar_->PanelWidth(1) + statusBar_->PanelWidth(2);
  progressBar_->setParent(statusBar_);
  progressBar_->setGeometry(panels + 2, 2, OuterWidth() - panels - 8, statusBar_->height() - 2);
  progressBar_->setVisible(true);

  setAcceptDrops(true);
  // Shown on a small or scaled screen, the window moves up or left as far as needed.
  screenFit_ = new ScreenFit(*this);
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  // The working classes go before the controls they show in.
  session_.reset();
}

void MainWindow::PrepareFirstShow() {
  if (shownOnce_)
    return;
  shownOnce_ = true;
  LoadSettings();
  ApplyOptions();
  BuildGenreNames();
  session_->navigator().OpenCommandLineFile(commandLineFile_);
}

bool MainWindow::MayClose() {
  // Closed by the system, nobody is there to answer; a write under way ends with the session.
  if (!closingBySignal_ && !leaveAnswered_) {
    HandOverTagBoxes();
    const bool now = session_->tagEditor().Leave([this] {
      // The read or write under way has concluded, or the edits were written: close now.
      leaveAnswered_ = true;
      close();
      leaveAnswered_ = false;
    });
    if (!now)
      return false;
  }
  SaveSettings();
  return true;
}

void MainWindow::CloseBySignal() {
  closingBySignal_ = true;
  close();
}

void MainWindow::setVisible(bool visible) {
  // PrepareFirstShow places and sizes the window; done before the native window exists, the window
  // manager maps it where asked. Sizing it from the show event instead makes X11 window
  // managers place it elsewhere (at the screen's corner, for one).
  if (visible && !shownOnce_)
    PrepareFirstShow();
  QWidget::setVisible(visible);
}

void MainWindow::showEvent(QShowEvent* event) {
  // The show event arrives before the window is mapped, so what PrepareFirstShow changes (place,
  // width, height) is what the user first sees.
  PrepareFirstShow();
  QWidget::showEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!MayClose()) {
    event->ignore();
    return;
  }
  // A batch under way stops: its encodes end, each WAV file stays as it is.
  session_->StopBatch();
  event->accept();
  // Closing the main window ends the program, and at once, whatever other window (the options,
  // the genre list) is still open. No-op when the application's event loop is not running.
  QCoreApplication::quit();
}

// ---------------------------------------------------------------------------------------------
// Handlers: each hands over to the class of its topic.

void MainWindow::OnOpenClicked() {
  HandOverTagBoxes();
  session_->navigator().Open(*dialogs_);
}

void MainWindow::OnPreviousClicked() {
  HandOverTagBoxes();
  session_->navigator().Previous();
}

void MainWindow::OnExitClicked() {
  close();
}

void MainWindow::OnWriteTagsClicked() {
  ClearStatus();
  session_->tagEditor().Write(BoxFields());
}

void MainWindow::OnNextClicked() {
  HandOverTagBoxes();
  session_->navigator().Next();
}

void MainWindow::OnConvertClicked() {
  // A summary still standing gives way to this conversion.
  summaryPause_->stop();
  HandOverTagBoxes();
  session_->ConvertShown();
}

void MainWindow::OnGenreListClicked() {
  if (!genreListWindow_)
    return;
  genreListWindow_->show();
  genreListWindow_->raise();
  genreListWindow_->activateWindow();
  ShowGenre(genreListWindow_->ItemIndex());
}

void MainWindow::OnConvertAllClicked() {
  summaryPause_->stop();
  HandOverTagBoxes();
  // The session goes with the window: the end of a batch never reaches a window that is gone.
  session_->ConvertAll([this](const std::optional<BatchResult>& result) {
    // No result: nothing ran to its end.
    if (result)
      ShowBatchSummary(*result);
  });
}

void MainWindow::ShowBatchSummary(const BatchResult& result) {
  const BatchSummary summary = SummarizeBatch(result);
  ClearStatus();
  SetStatusText(0, summary.counter);
  SetStatusText(1, summary.result);
  SetStatusText(2, summary.message);
  summaryProblems_ = summary.problems;
  summaryPause_->start(platform_.PauseLength(kSummaryPauseMs));
}

void MainWindow::EndBatchSummary() {
  ClearStatus();
  // Readable for as long as the user wants, not only for the pause.
  ShowProblems(std::exchange(summaryProblems_, {}));
}

void MainWindow::ShowProblems(const QStringList& lines) {
  problems_ = lines;
  // A tooltip of a screen's height at most; the list holds every line.
  constexpr qsizetype kTooltipLines = 15;
  QStringList tip = lines.mid(0, kTooltipLines);
  if (lines.size() > kTooltipLines)
    tip.append(QStringLiteral("…ほか %1 件（「問題」ボタンで一覧を開きます）")
                   .arg(lines.size() - kTooltipLines));
  statusBar_->setToolTip(tip.join(u'\n'));
  problemsButton_->setToolTip(statusBar_->toolTip());
  problemsButton_->setText(QStringLiteral("問題 %1件").arg(lines.size()));
  problemsButton_->setVisible(!lines.isEmpty());
  if (problemList_ != nullptr)
    problemList_->ShowLines(lines);
}

void MainWindow::OnProblemsClicked() {
  if (problemList_ == nullptr)
    problemList_ = new ProblemListWindow(this);
  problemList_->ShowLines(problems_);
  problemList_->show();
  problemList_->raise();
  problemList_->activateWindow();
}

void MainWindow::OnHelpClicked() {
  const QString trouble = OpenHelpFile(helpPath_, *this);
  if (!trouble.isEmpty())
    platform_.ShowError(this, trouble);
}

void MainWindow::OnCopyToMemoryClicked() {
  session_->tagEditor().CopyToMemory(BoxFields());
}

void MainWindow::OnPasteFromMemoryClicked() {
  session_->PasteFromMemory(BoxFields());
}

void MainWindow::OnComposeCommentClicked() {
  session_->tagEditor().ComposeComment(BoxFields(), session_->options().commentFormat, shiftHeld_);
}

void MainWindow::OnPositionEntered() {
  HandOverTagBoxes();
  session_->navigator().GoTo(positionEdit_->text());
}

void MainWindow::OnPositionLeft() {
  session_->navigator().GoTo(QString());
}

void MainWindow::FilesDropped(const QStringList& paths) {
  HandOverTagBoxes();
  session_->navigator().FilesDropped(paths);
}

// ---------------------------------------------------------------------------------------------
// Genre list

void MainWindow::BuildGenreNames() {
  if (!genreListWindow_)
    return;
  genreNames_ = GenreListFile::BuildGenreNames(genreListWindow_->Items());
  // This runs once the genre list window exists, at start-up; the window's choices go to the
  // genre field from then on.
  QObject::disconnect(genreListWindow_, &GenreListWindow::OnChoose, this, nullptr);
  connect(genreListWindow_, &GenreListWindow::OnChoose, this,
          [this](int index) { ShowGenre(index); });
  SelectShownGenre();
}

void MainWindow::SelectShownGenre() {
  if (genreListWindow_)
    genreListWindow_->setItemIndex(static_cast<int>(genreNames_.indexOf(genreEdit_->text())));
}

// The genre field shows the name at `index`; no selection (or no name) leaves it as it is.
void MainWindow::ShowGenre(int index) {
  if (index >= 0 && index < genreNames_.size() && genreEdit_->text() != genreNames_[index]) {
    genreEdit_->setText(genreNames_[index]);
    TagBoxEdited();
  }
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
  // The folder box shows the whole path while it is edited. Leaving it, or Esc, puts the
  // shown folder back; a visit to another window or to the box's own menu keeps what was typed.
  if (watched == folderEdit_ && (type == QEvent::FocusIn || type == QEvent::FocusOut)) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
      ShowFolderBox(type == QEvent::FocusIn);
  }
  if (watched == folderEdit_ && type == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
    ShowFolderBox(true);
  if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    // A key event that no control accepts travels up to the parents; seeing it again there
    // gives the same result, so no bookkeeping is needed.
    const auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::KeyPress)
      OnKeyPressed(key->key(), key->modifiers());
    else
      OnKeyReleased(key->key(), key->modifiers());
    // Ctrl+Z right after a paste takes it back in every box, wherever the focus is.
    if (type == QEvent::KeyPress && key->matches(QKeySequence::Undo) && UndoPaste())
      return true;
    // Tab leaves the comment; Ctrl+Tab writes the tab character.
    if (watched == commentEdit_ && type == QEvent::KeyPress && key->key() == Qt::Key_Tab &&
        key->modifiers() == Qt::ControlModifier) {
      commentEdit_->insertPlainText(QStringLiteral("\t"));
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// Panel 1 shares its place with the results of the buttons (成功, 失敗): the indicator's "-"
// replaces only its own "+" (or nothing), so that a result stays readable after a key, such as
// the Return or Space that pressed the button.
void MainWindow::ShowModifierIndicator(bool held) {
  const QString plus = QStringLiteral("+");
  if (held)
    SetStatusText(1, plus);
  else if (StatusText(1) == plus || StatusText(1).isEmpty())
    SetStatusText(1, QStringLiteral("-"));
}

void MainWindow::OnKeyPressed(int, Qt::KeyboardModifiers shift) {
  const bool held = (shift & (Qt::ShiftModifier | Qt::ControlModifier)) != 0;
  if (held)
    shiftHeld_ = (shift & Qt::ShiftModifier) != 0;
  ShowModifierIndicator(held);
}

void MainWindow::OnKeyReleased(int, Qt::KeyboardModifiers) {
  shiftHeld_ = false;
  ShowModifierIndicator(false);
}

void MainWindow::TagBoxEdited() {
  if (!pasting_)
    pasteUndo_.reset();
  HandOverTagBoxes();
}

void MainWindow::HandOverTagBoxes() {
  if (!putting_ && !pasting_)
    session_->tagEditor().FieldsEdited(BoxFields());
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

void MainWindow::OnOptionsClicked() {
  if (!optionsDialog_)
    return;
  // Cancel (or the frame's close button) leaves every option as it was before the window
  // opened, in the window and in the settings file.
  if (platform_.ExecModal(*optionsDialog_) == QDialog::Accepted)
    TakeOptions(optionsDialog_->Value(), true);
  else
    optionsDialog_->SetValue(session_->options());
}

void MainWindow::TakeOptions(const Options& chosen, bool apply) {
  session_->options() = chosen;
  if (optionsDialog_)
    optionsDialog_->SetValue(session_->options());
  if (apply)
    ApplyOptions();
}

void MainWindow::ApplyOptions() {
  const bool byFolder = session_->options().openByFolder;
  openButton_->setText(byFolder ? QStringLiteral("フォルダを開く")
                                : QStringLiteral("ファイルを開く"));
  // The previous and next buttons follow the list (a file opened alone lists its folder).
  writeTagsButton_->setEnabled(session_->options().allowTagWrite);

  const int cut = versionRule_->y();
  if (session_->options().showLibraryVersion) {
    tagPanel_->setFixedHeight(kTagPanelFullHeight);
    SetOuterHeight(kWindowFullHeight);
  } else {
    tagPanel_->setFixedHeight(cut);
    SetOuterHeight(kWindowFullHeight - (kTagPanelFullHeight - cut));
  }
  // What the cut panel no longer shows is hidden, so that neither Tab nor a screen reader
  // finds it.
  for (QWidget* w : tagPanel_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (w->y() >= cut)
      w->setVisible(session_->options().showLibraryVersion);

  switch (session_->options().commentFormat) {
  case Options::FreeText:
    commentFormatLabel_->setText(QStringLiteral("任意文字列"));
    composeCommentButton_->setEnabled(false);
    break;
  case Options::JacketImage:
    commentFormatLabel_->setText(QStringLiteral("ジャケット画像名"));
    composeCommentButton_->setEnabled(true);
    break;
  case Options::Credits:
    commentFormatLabel_->setText(QStringLiteral("作詩+作曲+編曲+演奏"));
    composeCommentButton_->setEnabled(true);
    break;
  default:
    commentFormatLabel_->setText(QStringLiteral("ID+作詩+作曲+編曲+演奏"));
    composeCommentButton_->setEnabled(true);
    break;
  }
  // Covers are written in one MP3 tag format only.
  session_->tagEditor().UpdateCover();
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
  session_->options() = s;
  if (optionsDialog_)
    optionsDialog_->SetValue(session_->options());
  if (s.FolderPath)
    session_->navigator().SetCurrentFolder(*s.FolderPath);
  if (s.HelpPath)
    helpPath_ = *s.HelpPath;
}

void MainWindow::SaveSettings() {
  SettingsToSave v;
  static_cast<Options&>(v) = session_->options();
  v.Left = frameGeometry().x();
  v.Top = frameGeometry().y();
  v.Width = OuterWidth();
  v.Height = OuterHeight();
  v.HelpPath = helpPath_;
  // The settings file is text: a folder whose name is not UTF-8 is kept in its readable form,
  // which names no folder at the next start (the current folder then stays unset). With none
  // opened, the folder box's caption stands there.
  const QString& folder = session_->navigator().CurrentFolder();
  v.FolderPath = folder.isEmpty() ? kNoFolderCaption : FsPath::Display(folder);
  const bool written = WriteStoredSettings(iniPath_, HelpDir(), v, [this] {
    // Closed by the system, a question would keep the program alive with nobody to answer.
    if (closingBySignal_)
      return false;
    return platform_.AskOkCancel(
        this, QStringLiteral("設定ファイル %1 は読み取り専用です。書き込みますか？").arg(iniPath_),
        QStringLiteral("問合わせ"));
  });
  // Closing goes ahead regardless; the user hears of it once.
  if (!written) {
    std::fprintf(stderr, "wav2mp3tag: the settings could not be written to %s\n",
                 qPrintable(iniPath_));
    if (!closingBySignal_)
      platform_.ShowError(this, QStringLiteral("設定を保存できませんでした：%1").arg(iniPath_));
  }
}

const Options& MainWindow::CurrentOptions() const {
  return session_->options();
}

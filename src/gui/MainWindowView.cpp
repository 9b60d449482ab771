// The main window as its working classes see it (SessionView): status bar, progress bar, pauses,
// the folder and file boxes, the counters, the jacket image list and the tag boxes; and the
// window's outer geometry.
#include "core/fs/FsPath.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/session/TagEditor.h"
#include "gui/CoverThumbnail.h"
#include "gui/MainWindow.h"
#include "gui/PathBox.h"
#include "gui/Platform.h"
#include "gui/ScreenFit.h"
#include "gui/StatusBar.h"
#include "gui/TrackBox.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTextCursor>

#include <algorithm>

namespace {

constexpr int kStatusHeight = 25;

} // namespace

// ---------------------------------------------------------------------------------------------
// Status bar

void MainWindow::ClearStatus() {
  for (int i = 0; i < 3; ++i)
    statusBar_->SetPanelText(i, QString());
}

void MainWindow::SetStatusText(int panel, const QString& text) {
  statusBar_->SetPanelText(panel, text);
}

QString MainWindow::StatusText(int panel) const {
  return statusBar_->PanelText(panel);
}

void MainWindow::ShowProgress(int percent) {
  progressBar_->setValue(percent);
}

void MainWindow::ShowError(const QString& text) {
  platform_.ShowError(this, text);
}

Trash::Result MainWindow::MoveToTrash(const QString& path) {
  return platform_.MoveToTrash(path);
}

bool MainWindow::OpenDocument(const QString& path) {
  return platform_.OpenWithAssociatedProgram(path);
}

SaveAnswer MainWindow::AskSaveChanges(const QString& fileName) {
  return platform_.AskSaveChanges(this, QStringLiteral("変更を保存しますか"),
                                  QStringLiteral("%1 のタグ欄の変更はまだ書き込まれていません。")
                                      .arg(FsPath::Display(fileName)));
}

// ---------------------------------------------------------------------------------------------
// What became of a step, in the status bar

void MainWindow::ShowChosenExtension(const QString& extension) {
  SetStatusText(1, extension);
}

void MainWindow::ShowFolderWithoutAudio() {
  SetStatusText(2, QStringLiteral("このフォルダにはWAVファイルもMP3ファイルもありません"));
}

void MainWindow::ShowFileProblem(const QString& why) {
  SetStatusText(2, why);
}

void MainWindow::ShowWriting() {
  SetStatusText(1, QStringLiteral("書込み中"));
}

void MainWindow::ShowWriteResult(TagWriteResult result, const QString& failure) {
  switch (result) {
  case TagWriteResult::Busy:
    ShowWriting();
    SetStatusText(2, failure);
    break;
  case TagWriteResult::Written:
    SetStatusText(1, QStringLiteral("成功"));
    break;
  case TagWriteResult::Unchanged:
    SetStatusText(1, QString());
    SetStatusText(2, QStringLiteral("変更はありません"));
    break;
  case TagWriteResult::Failed:
    // "失敗" alone does not say whether to try again; the reason does.
    SetStatusText(1, QStringLiteral("失敗"));
    SetStatusText(2, failure);
    break;
  }
}

void MainWindow::ShowConversionStarted(const QString& wav, int number, int total) {
  // What the last conversion left to look at gives way to this one's.
  ShowProblems({});
  SetStatusText(0, QString::asprintf("%d/%d", number, total));
  SetStatusText(2, FsPath::DisplayName(wav));
}

void MainWindow::ShowBatchStarted(int wavs) {
  ShowProblems({});
  reasonShown_.invalidate();
  SetStatusText(0, QStringLiteral("0/%1").arg(wavs));
}

void MainWindow::ShowBatchFileStarted(const QString& wav) {
  if (!reasonShown_.isValid() || reasonShown_.hasExpired(kResultPauseMs))
    SetStatusText(2, FsPath::DisplayName(wav));
}

void MainWindow::ShowFileResult(const ConversionReport& report) {
  switch (report.outcome) {
  case ConversionReport::Outcome::Placed:
    // In place, but with a word to say (cut short, kept out of the trash): no plain success.
    SetStatusText(1,
                  report.file.reason.isEmpty() ? QStringLiteral("成功") : QStringLiteral("注意"));
    break;
  case ConversionReport::Outcome::PlacedUntagged:
    SetStatusText(1, QStringLiteral("失敗"));
    break;
  case ConversionReport::Outcome::NoMp3:
    SetStatusText(1, QStringLiteral("中断"));
    break;
  case ConversionReport::Outcome::NotStarted:
    break;
  }
  if (!report.file.reason.isEmpty()) {
    SetStatusText(2, report.file.reason);
    reasonShown_.start();
  }
  if (report.batchFinished >= 0)
    SetStatusText(0, QStringLiteral("%1/%2").arg(report.batchFinished).arg(report.batchWavs));
  else if (report.outcome != ConversionReport::Outcome::NotStarted)
    // A single conversion that ran: its word to say stays behind the status bar's button.
    ShowProblems(report.file.reason.isEmpty()
                     ? QStringList()
                     : QStringList{FsPath::Display(report.file.wav) + QStringLiteral(": ") +
                                   report.file.reason});
}

int MainWindow::ResultPauseMs() {
  return platform_.PauseLength(kResultPauseMs);
}

// ---------------------------------------------------------------------------------------------
// Folder, file, counters, jacket images

void MainWindow::ShowCurrentFolder(const QString& folder, bool openedAsFolder) {
  shownFolder_ = folder;
  shownFolderWhole_ = openedAsFolder;
  ShowFolderBox(folderEdit_->hasFocus());
}

void MainWindow::ShowFolderBox(bool editing) {
  if (shownFolder_.isEmpty()) {
    folderEdit_->clear();
    return;
  }
  // The box and its tooltip show it readably; a folder opened as such takes the box's whole
  // width, any other its width less 4 pixels. Being edited, it shows the whole path.
  ShowPathInBox(*folderEdit_, shownFolder_, font(),
                folderEdit_->width() - (shownFolderWhole_ ? 0 : 4));
  if (editing)
    folderEdit_->setText(folderEdit_->toolTip());
}

void MainWindow::OnFolderEntered() {
  const QString typed = folderEdit_->text();
  // The box names the folder shown until the open has found what to show.
  ShowFolderBox(true);
  switch (session_->navigator().OpenTyped(typed)) {
  case Navigator::Typed::Opened:
    break;
  case Navigator::Typed::Missing:
    SetStatusText(2, QStringLiteral("フォルダ「%1」はありません").arg(typed));
    break;
  case Navigator::Typed::NotAudio:
    SetStatusText(2,
                  QStringLiteral("「%1」はフォルダでもWAV・MP3ファイルでもありません").arg(typed));
    break;
  }
}

void MainWindow::ShowFileName(const QString& name) {
  fileNameEdit_->setText(FsPath::Display(name));
}

void MainWindow::ShowPosition(int number) {
  positionEdit_->setText(QString::number(number));
}

void MainWindow::ShowCount(int count) {
  countEdit_->setText(QString::number(count));
}

void MainWindow::EnableStepping(bool enabled) {
  previousButton_->setEnabled(enabled);
  nextButton_->setEnabled(enabled);
}

void MainWindow::ShowJacketNames(const QStringList& names) {
  const QScopedValueRollback putting(putting_, true);
  // Emptying the list keeps the text the box shows.
  const QString shown = jacketCombo_->currentText();
  jacketCombo_->clear();
  jacketCombo_->setEditText(shown);
  if (names.isEmpty())
    return;
  for (const QString& name : names)
    jacketCombo_->addItem(FsPath::Display(name));
  jacketCombo_->setCurrentIndex(0);
  jacketCombo_->setEditText(jacketCombo_->itemText(0));
}

// ---------------------------------------------------------------------------------------------
// Tag boxes

void MainWindow::ShowLibraryVersion(const QString& version) {
  libraryVersionEdit_->setText(version);
}

void MainWindow::ShowOpenStatus(const QString& status) {
  openStatusEdit_->setText(status);
}

void MainWindow::ShowFileKind(const QString& type, const QString& tagKinds) {
  fileTypeEdit_->setText(type);
  tagKindsEdit_->setText(tagKinds);
}

namespace {

// Puts `text` into the box: shown as a file's value, or as an edit of its own that Ctrl+Z undoes
// (setText would clear the box's undo history). A read-only box cannot undo; it just shows it.
// True when an edit went into the box's undo history.
bool Put(QLineEdit* box, const QString& text, bool asTyped) {
  if (!asTyped || box->isReadOnly()) {
    box->setText(text);
    return false;
  }
  if (box->text() == text)
    return false;
  box->selectAll();
  box->insert(text);
  return true;
}

bool Put(QPlainTextEdit* box, const QString& text, bool asTyped) {
  if (!asTyped) {
    box->setPlainText(text);
    return false;
  }
  if (box->toPlainText() == text)
    return false;
  QTextCursor cursor(box->document());
  cursor.select(QTextCursor::Document);
  cursor.insertText(text);
  return true;
}

} // namespace

void MainWindow::PutTagFields(const TagFields& fields, bool asTyped) {
  // What a paste changes, for Ctrl+Z to take back as a whole. The boxes' own signals meanwhile
  // are no edits of the user's.
  const QScopedValueRollback pasting(pasting_, asTyped);
  const QScopedValueRollback putting(putting_, true);
  PasteUndo undo;
  undo.genre = genreEdit_->text();
  undo.track = trackEdit_->Track();
  undo.proposedTrack = trackEdit_->Proposed();
  undo.jacketChosen = jacketChosen_;
  for (const TagFieldRow& row : kTagFields) {
    if (fields.Kept(row.field))
      continue;
    QWidget* box = tagBoxes_[static_cast<std::size_t>(row.field)];
    const QString& text = fields[row.field];
    bool undoable = false;
    if (box == trackEdit_) {
      if (!asTyped)
        trackEdit_->ShowTrack(text, fields.ProposedTrack);
      else if (!text.isEmpty())
        undoable = Put(trackEdit_, text, true);
    } else if (auto* comment = qobject_cast<QPlainTextEdit*>(box)) {
      undoable = Put(comment, text, asTyped);
    } else {
      // The genre box is read-only: it takes the text without an undo step of its own.
      undoable = Put(static_cast<QLineEdit*>(box), text, asTyped);
    }
    if (undoable)
      undo.boxes.push_back(box);
  }
  if (fields.PlayingTime)
    playingTimeEdit_->setText(*fields.PlayingTime);
  // A file shown anew has its jacket image chosen by nobody yet; a pasted one is chosen.
  jacketChosen_ = asTyped ? jacketChosen_ || !fields.Kept(TagField::Jacket) : false;
  SelectShownGenre();
  if (asTyped && (!undo.boxes.empty() || undo.genre != genreEdit_->text()))
    pasteUndo_ = std::move(undo);
  else
    pasteUndo_.reset();
}

void MainWindow::ShowTagFields(const TagFields& fields) {
  PutTagFields(fields, false);
}

void MainWindow::EditTagFields(const TagFields& fields) {
  PutTagFields(fields, true);
}

bool MainWindow::UndoPaste() {
  if (!pasteUndo_)
    return false;
  const PasteUndo undo = std::move(*pasteUndo_);
  pasteUndo_.reset();
  const QScopedValueRollback pasting(pasting_, true);
  for (QWidget* box : undo.boxes) {
    if (box == trackEdit_)
      trackEdit_->ShowTrack(undo.track, undo.proposedTrack);
    else if (auto* line = qobject_cast<QLineEdit*>(box))
      line->undo();
    else if (auto* text = qobject_cast<QPlainTextEdit*>(box))
      text->undo();
  }
  // The genre box cannot undo by itself: it is read-only.
  genreEdit_->setText(undo.genre);
  SelectShownGenre();
  jacketChosen_ = undo.jacketChosen;
  session_->tagEditor().FieldsEdited(BoxFields());
  session_->tagEditor().UpdateCover();
  return true;
}

void MainWindow::ShowNote(const QString& note) {
  SetStatusText(2, note);
}

TagFields MainWindow::BoxFields() const {
  TagFields f;
  for (const TagFieldRow& row : kTagFields) {
    const QWidget* box = tagBoxes_[static_cast<std::size_t>(row.field)];
    if (box == trackEdit_)
      f[row.field] = trackEdit_->Track();
    else if (const auto* comment = qobject_cast<const QPlainTextEdit*>(box))
      f[row.field] = comment->toPlainText();
    else
      f[row.field] = static_cast<const QLineEdit*>(box)->text();
  }
  f.ProposedTrack = trackEdit_->Proposed();
  f.JacketChosen = jacketChosen_;
  return f;
}

void MainWindow::ShowComment(const QString& comment) {
  const QScopedValueRollback putting(putting_, true);
  Put(commentEdit_, comment, true);
}

void MainWindow::ShowStoredTrack(const QString& track) {
  const QScopedValueRollback putting(putting_, true);
  trackEdit_->ShowTrack(track, QString());
}

void MainWindow::ShowCover(const CoverPreview& cover) {
  const QString problem = coverPreview_->Show(cover);
  coverLabel_->setText(QStringLiteral("カバー画像\n%1").arg(coverPreview_->State()));
  // An image the user chose that cannot become the cover is said at once, not only at the write.
  if (!problem.isEmpty() && jacketChosen_)
    SetStatusText(2, problem);
}

// ---------------------------------------------------------------------------------------------
// Outer geometry
//
// Stored places and sizes are those of the window with its frame. Qt's move() already places
// the frame; sizes are turned into client sizes by taking off the frame the platform reports.
// Where the platform draws no frame (the offscreen platform of the tests, X11 without a
// window manager) the frame adds nothing, so outer and client sizes are the same there: the
// window is then as wide as asked and as high as asked. A window manager often reports its
// frame only after the window is mapped; the size asked for is then applied again.
//
// The designed heights are outer heights, made for a frame of their own. A frame that takes
// more (a window manager's title bar) must not take it from the controls: the inside stays at
// least as high as the controls above the status bar, and the window grows by the difference.

int MainWindow::OuterWidth() const {
  return frameGeometry().width();
}

int MainWindow::OuterHeight() const {
  return frameGeometry().height();
}

void MainWindow::SetOuterWidth(int width) {
  requestedOuter_.setWidth(width);
  KeepOuterSize();
}

void MainWindow::SetOuterHeight(int height) {
  requestedOuter_.setHeight(height);
  KeepOuterSize();
}

void MainWindow::KeepOuterSize() {
  const QSize extra = ScreenFit::FrameExtra(*this);
  knownFrameExtra_ = extra;
  int w = width();
  int h = height();
  // Never narrower than the controls: a stored width that is missing or smaller gives the
  // designed one.
  // Nor wider or higher than the screen it is on: a size stored on a larger screen shrinks.
  const QSize room = ScreenFit::AvailableArea(*this).size() - extra;
  if (requestedOuter_.width() >= 0)
    w = std::max(kDesignedClientWidth,
                 std::min(requestedOuter_.width() - extra.width(), room.width()));
  if (requestedOuter_.height() >= 0)
    h = std::max(1, std::min(std::max(requestedOuter_.height() - extra.height(), ControlsHeight()),
                             room.height()));
  if (w != width() || h != height())
    setFixedSize(w, h);
}

int MainWindow::ControlsHeight() const {
  int bottom = 0;
  for (const QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (w != statusBar_ && !w->isHidden() && !w->isWindow())
      bottom = std::max(bottom, w->geometry().bottom() + 1);
  // The status bar's panels start a little below its top edge.
  return bottom + kStatusHeight - statusBar_->Panel(0)->y();
}

void MainWindow::KeepOnScreen() {
  const QRect frame(pos(), QSize(OuterWidth(), OuterHeight()));
  const QList<QScreen*> screens = QGuiApplication::screens();
  const bool seen = std::any_of(screens.begin(), screens.end(), [&frame](const QScreen* screen) {
    return screen->availableGeometry().intersects(frame);
  });
  const QScreen* primary = QGuiApplication::primaryScreen();
  if (!seen && primary != nullptr) {
    const QRect room = primary->availableGeometry();
    move(room.left() + std::max(0, (room.width() - frame.width()) / 2),
         room.top() + std::max(0, (room.height() - frame.height()) / 2));
  }
  // Placed now, before the window exists: the platform would otherwise put the inside, not the
  // frame, onto the screen, and a window manager then hangs the title bar above it.
  screenFit_->Apply();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayoutToClientWidth();
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (ScreenFit::FrameExtra(*this) != knownFrameExtra_)
    KeepOuterSize();
}

void MainWindow::LayoutToClientWidth() {
  // The top bar is aligned to the top, the status bar to the bottom; the folder box follows
  // the right edge.
  topBar_->setGeometry(0, 0, width(), topBar_->height());
  folderEdit_->setGeometry(folderEdit_->x(), folderEdit_->y(),
                           std::max(0, width() - folderEdit_->x() - 4), folderEdit_->height());
  statusBar_->setGeometry(0, height() - kStatusHeight, width(), kStatusHeight);
}

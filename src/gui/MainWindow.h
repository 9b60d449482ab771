// MainWindow: the main window. It keeps the controls and their layout, runs start-up and
// shut-down, the settings, key preview and the options, and hands every user action over to
// its Session, with what the tag boxes hold: the navigator (which file is shown), the tag editor
// and the converter. Those know the window only through SessionView (what it shows) and
// PlatformTools (the trash, the question before edits are left), which it implements.
#pragma once

#include "core/session/PlatformTools.h"
#include "core/session/SessionView.h"
#include "core/settings/Options.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>
#include <vector>

struct BatchResult;
class Platform;
class Session;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QDropEvent;
class QMimeData;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class StatusBar;
class ScreenFit;
class CoverThumbnail;
class FolderBrowser;
class GenreListWindow;
class OptionsDialog;
class ProblemListWindow;
class TrackBox;

class MainWindow : public QWidget, public SessionView, public PlatformTools {
  Q_OBJECT
public:
  // Builds the controls and the encoder component. An EncoderError of
  // the encoder component (no encoder library) propagates: the program cannot start.
  explicit MainWindow(Platform& services, QWidget* parent = nullptr);
  ~MainWindow() override;

  // ---- lifecycle ----
  // Closes the window for the system (logout, shutdown, a terminal gone): nothing may wait for
  // the user then, so no question is asked and nothing is shown.
  void CloseBySignal();
  // Runs once, before the window is first displayed.
  void PrepareFirstShow();
  // Asks about unsaved tag edits, then saves the settings. False when the window is not to close
  // now: the user cancelled, or a tag read or write under way (or the write of the edits) comes
  // first, after which the window closes by itself.
  bool MayClose();

  // The other two windows, given by the program's entry once they exist.
  void SetOptionsWindow(OptionsDialog* window) { optionsDialog_ = window; }
  void SetGenreListWindow(GenreListWindow* window) { genreListWindow_ = window; }
  // The first command-line argument, shown at start when it names a WAV or MP3 file.
  void SetCommandLineFile(const QString& argument) { commandLineFile_ = argument; }
  // The settings file; set at creation beside the executable (or in the user's configuration).
  const QString& IniPath() const { return iniPath_; }
  void SetIniPath(const QString& path) { iniPath_ = path; }
  // The help file; empty until one is found.
  const QString& HelpPath() const { return helpPath_; }
  // The options in force.
  const Options& CurrentOptions() const;
  // What closing the options window does: `chosen` is in force from now on (the options window
  // shows it), and with `apply` the main window is brought in line with it.
  void TakeOptions(const Options& chosen, bool apply);

  // The working session the window shows and drives.
  Session& session() { return *session_; }

  // ---- PlatformTools: the desktop's services, over this window ----
  Trash::Result MoveToTrash(const QString& path) override;
  SaveAnswer AskSaveChanges(const QString& fileName) override;
  bool OpenDocument(const QString& path) override;

  // What the tag boxes hold.
  TagFields BoxFields() const;
  // True from a key press made with Shift held until the next key release: the comment update
  // button then appends.
  bool ShiftHeld() const { return shiftHeld_; }

  // ---- SessionView: what the session tells, in the status bar's panels and the boxes ----
  // Empties panels 0 to 2; panel 3 (under the progress bar) is left alone.
  void ClearStatus() override;
  void ShowCurrentFolder(const QString& folder, bool openedAsFolder) override;
  void ShowFileName(const QString& name) override;
  void ShowPosition(int number) override;
  void ShowCount(int count) override;
  void EnableStepping(bool enabled) override;
  void ShowJacketNames(const QStringList& names) override;
  void ShowChosenExtension(const QString& extension) override;
  void ShowFolderWithoutAudio() override;
  void ShowLibraryVersion(const QString& version) override;
  void ShowOpenStatus(const QString& status) override;
  void ShowFileKind(const QString& type, const QString& tagKinds) override;
  void ShowTagFields(const TagFields& fields) override;
  void EditTagFields(const TagFields& fields) override;
  void ShowComment(const QString& comment) override;
  void ShowFileProblem(const QString& why) override;
  // Panel 1 says 書込み中 until the write's result takes its place.
  void ShowWriting() override;
  void ShowWriteResult(TagWriteResult result, const QString& failure) override;
  void ShowNote(const QString& note) override;
  void ShowCover(const CoverPreview& cover) override;
  void ShowStoredTrack(const QString& track) override;
  void ShowProgress(int percent) override;
  void ShowError(const QString& text) override;
  void ShowConversionStarted(const QString& wav, int number, int total) override;
  void ShowBatchStarted(int wavs) override;
  void ShowBatchFileStarted(const QString& wav) override;
  // Panel 1 says 成功, 失敗 or 中断, panel 2 why, panel 0 the batch's count.
  void ShowFileResult(const ConversionReport& report) override;
  // A result of files converted one at a time stands for a second before the next file starts.
  int ResultPauseMs() override;

  // What a status panel shows.
  QString StatusText(int panel) const;
  // How long a result of files converted one at a time, and a batch's summary, stay readable.
  static constexpr int kResultPauseMs = 1000;
  static constexpr int kSummaryPauseMs = 3000;
  // What the folder box's tooltip says while no folder is open.
  static inline const QString kNoFolderCaption = QStringLiteral("フォルダ名");

  // The designed width of the window's inside; the window is never narrower.
  static constexpr int kDesignedClientWidth = 662;

  // The frame-inclusive size of the window. Where the platform draws no frame (offscreen, X11
  // without a window manager) outer and client sizes are the same.
  int OuterWidth() const;
  int OuterHeight() const;
  void SetOuterWidth(int width);
  void SetOuterHeight(int height);

  // ---- settings and options ----
  void LoadSettings();
  void SaveSettings();
  // Brings the main window in line with the options.
  void ApplyOptions();

  // ---- key preview ----
  void OnKeyPressed(int key, Qt::KeyboardModifiers shift);
  void OnKeyReleased(int key, Qt::KeyboardModifiers shift);

  // ---- handlers ----
  void OnOpenClicked();
  void OnPreviousClicked();
  void OnExitClicked();
  void OnWriteTagsClicked();
  void OnNextClicked();
  void OnConvertClicked();
  void OnOptionsClicked();
  void OnGenreListClicked();
  void OnConvertAllClicked();
  // The status bar's button: the list of the last conversion's files that need a look.
  void OnProblemsClicked();
  void OnHelpClicked();
  void OnCopyToMemoryClicked();
  void OnPasteFromMemoryClicked();
  void OnComposeCommentClicked();
  // The position counter: Enter shows the file of the number typed; leaving it puts the shown
  // file's number back.
  void OnPositionEntered();
  void OnPositionLeft();
  // The folder box: Enter opens the folder (or WAV or MP3 file) typed there.
  void OnFolderEntered();
  // Local files dropped on the window, in drop order.
  void FilesDropped(const QStringList& paths);
  // The genre names, from the genre list window's items (at start-up, once it exists).
  void BuildGenreNames();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void setVisible(bool visible) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  class Dialogs;

  void CreateControls();
  void LayoutToClientWidth();
  void KeepOuterSize();
  // The height of the inside that shows every visible control above the status bar's panels.
  int ControlsHeight() const;
  void ShowGenre(int index);
  // The folder box names the shown folder: whole while it is being edited, else shortened.
  void ShowFolderBox(bool editing);
  // The modifier indicator in panel 1: "+" while Shift or Ctrl is held, else "-".
  void ShowModifierIndicator(bool held);
  // The tag boxes show `fields`, as a file's values or, `asTyped`, as edits Ctrl+Z undoes.
  void PutTagFields(const TagFields& fields, bool asTyped);
  // Ctrl+Z right after a paste: every box it changed goes back. False when nothing was pasted
  // since the last edit.
  bool UndoPaste();
  // The user edited a tag box: a paste before it is no longer undone as a whole, and the tag
  // editor hears what the boxes hold.
  void TagBoxEdited();
  // The tag editor hears what the boxes hold (unless the session itself is filling them).
  void HandOverTagBoxes();
  // The genre list selects the item of the genre field's name, or none.
  void SelectShownGenre();
  // The end of a batch in the status bar, for a few seconds; its files that need a look stay
  // behind the status bar's button.
  void ShowBatchSummary(const BatchResult& result);
  // The summary's few seconds are over.
  void EndBatchSummary();
  // The files of the last conversion that need a look ("<path>: <why>"): the status bar's
  // tooltip, its button and the list it opens; none hides the button.
  void ShowProblems(const QStringList& lines);
  // A stored place off every screen (a monitor since removed) comes back onto the primary one;
  // one partly off its screen (above or left of it, say) is moved onto it, title bar first.
  void KeepOnScreen();
  void SetStatusText(int panel, const QString& text);
  static bool HasLocalFiles(const QMimeData* mime);
  static void AcceptAsCopy(QDropEvent* event);

  Platform& platform_;
  QString iniPath_;
  QString helpPath_;
  QString commandLineFile_;
  // The folder the folder box names, and whether it was opened as a folder.
  QString shownFolder_;
  bool shownFolderWhole_ = false;
  QStringList genreNames_;
  // True from a key press made with Shift held until the next key release.
  bool shiftHeld_ = false;
  // True once the user picked or typed a jacket image (or pasted one) for the shown file.
  bool jacketChosen_ = false;
  // What the last paste changed, for Ctrl+Z right after it to take back in every box; none once
  // anything else was edited.
  struct PasteUndo {
    std::vector<QWidget*> boxes; // each holds the paste as its last undo step
    QString genre;               // read-only, so without an undo step of its own
    QString track;
    QString proposedTrack;
    bool jacketChosen = false;
  };
  std::optional<PasteUndo> pasteUndo_;
  // True while a paste goes into the boxes or is taken back: their signals are not the user's.
  bool pasting_ = false;
  // True while the session's values go into the boxes: their signals are not the user's.
  bool putting_ = false;
  // A close the tag editor let through after a read or write had concluded.
  bool leaveAnswered_ = false;
  bool shownOnce_ = false;
  bool closingBySignal_ = false;
  // Since a reason was shown in panel 2: a batch of several at once leaves it readable for a
  // second before the name of the next file started takes its place.
  QElapsedTimer reasonShown_;
  // The batch's summary stands while this runs; the files that need a look come after it.
  QTimer* summaryPause_ = nullptr;
  QStringList summaryProblems_;
  // The outer size last asked for; kept when the platform reports its frame only later.
  QSize requestedOuter_;
  QSize knownFrameExtra_;

  OptionsDialog* optionsDialog_ = nullptr;
  GenreListWindow* genreListWindow_ = nullptr;

  // ---- components ----
  // The folder browser of the open button in folder mode.
  FolderBrowser* folderBrowser_ = nullptr;
  std::unique_ptr<Dialogs> dialogs_;
  std::unique_ptr<Session> session_;
  ScreenFit* screenFit_ = nullptr;

  // ---- controls ----
  QFrame* topBar_ = nullptr;
  QPushButton* openButton_ = nullptr;
  QPushButton* previousButton_ = nullptr;
  QLineEdit* positionEdit_ = nullptr;
  QLabel* countLabel_ = nullptr;
  QLineEdit* countEdit_ = nullptr;
  QPushButton* nextButton_ = nullptr;
  QPushButton* writeTagsButton_ = nullptr;
  QPushButton* convertButton_ = nullptr;
  QPushButton* optionsButton_ = nullptr;
  QPushButton* helpButton_ = nullptr;
  QPushButton* exitButton_ = nullptr;
  QLabel* folderLabel_ = nullptr;
  QLineEdit* folderEdit_ = nullptr;

  QFrame* tagPanel_ = nullptr;
  QLabel* fileNameLabel_ = nullptr;
  QLineEdit* fileNameEdit_ = nullptr;
  QLabel* titleLabel_ = nullptr;
  QLineEdit* titleEdit_ = nullptr;
  QLabel* artistLabel_ = nullptr;
  QLineEdit* artistEdit_ = nullptr;
  QLabel* albumLabel_ = nullptr;
  QLineEdit* albumEdit_ = nullptr;
  QLabel* commentLabel_ = nullptr;
  QPlainTextEdit* commentEdit_ = nullptr;
  QLabel* jacketLabel_ = nullptr;
  QComboBox* jacketCombo_ = nullptr;
  QLabel* idLabel_ = nullptr;
  QLineEdit* idEdit_ = nullptr;
  QLabel* lyricistLabel_ = nullptr;
  QLineEdit* lyricistEdit_ = nullptr;
  QLabel* composerLabel_ = nullptr;
  QLineEdit* composerEdit_ = nullptr;
  QLabel* arrangerLabel_ = nullptr;
  QLineEdit* arrangerEdit_ = nullptr;
  QLabel* performerLabel_ = nullptr;
  QLineEdit* performerEdit_ = nullptr;
  QLabel* yearLabel_ = nullptr;
  QLineEdit* yearEdit_ = nullptr;
  QLabel* genreLabel_ = nullptr;
  QLineEdit* genreEdit_ = nullptr;
  QLabel* playingTimeLabel_ = nullptr;
  QLineEdit* playingTimeEdit_ = nullptr;
  QLabel* trackLabel_ = nullptr;
  TrackBox* trackEdit_ = nullptr;
  QLabel* coverLabel_ = nullptr;
  CoverThumbnail* coverPreview_ = nullptr;
  // The box of each tag field, in the order of TagField: a QLineEdit, the comment's
  // QPlainTextEdit, the jacket image combo's line edit or the TrackBox.
  std::array<QWidget*, kTagFieldCount> tagBoxes_{};
  QFrame* versionRule_ = nullptr;
  QLabel* libraryVersionLabel_ = nullptr;
  QLineEdit* libraryVersionEdit_ = nullptr;
  QLabel* tagKindsLabel_ = nullptr;
  QLineEdit* tagKindsEdit_ = nullptr;
  QLabel* openStatusLabel_ = nullptr;
  QLineEdit* openStatusEdit_ = nullptr;
  QLabel* fileTypeLabel_ = nullptr;
  QLineEdit* fileTypeEdit_ = nullptr;

  QLabel* boldNoteLabel_ = nullptr;
  QPushButton* copyToMemoryButton_ = nullptr;
  QPushButton* pasteFromMemoryButton_ = nullptr;
  QPushButton* genreListButton_ = nullptr;
  QFrame* commentFormatPanel_ = nullptr;
  QLabel* commentFormatTitle_ = nullptr;
  QLabel* commentFormatLabel_ = nullptr;
  QPushButton* composeCommentButton_ = nullptr;
  QFrame* conversionPanel_ = nullptr;
  QFrame* conversionFrame_ = nullptr;
  QLabel* conversionTitle_ = nullptr;
  QPushButton* convertAllButton_ = nullptr;
  QPushButton* problemsButton_ = nullptr;
  ProblemListWindow* problemList_ = nullptr;
  QStringList problems_;

  StatusBar* statusBar_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
};

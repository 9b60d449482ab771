// MainWindow: the main window. It keeps the controls and their layout, runs start-up and
// shut-down, the settings, key preview and the options, and hands every user action over to
// the class of its topic: Navigator (which file is shown), TagEditor (tags) and Converter
// (conversions). Those know the window only through SessionView, which it implements.
#pragma once

#include "core/session/SessionView.h"
#include "core/settings/Options.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

struct BatchResult;
class Converter;
class Navigator;
class Platform;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QDropEvent;
class QMimeData;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class EncoderComponent;
class StatusBar;
class TagEditor;
class FolderBrowser;
class GenreListWindow;
class OptionsDialog;

class MainWindow : public QWidget, public SessionView {
  Q_OBJECT
public:
  // Builds the controls and the encoder component, then runs FormCreate. An EncoderError of
  // the encoder component (no encoder library) propagates: the program cannot start.
  explicit MainWindow(Platform& services, QWidget* parent = nullptr);
  ~MainWindow() override;

  // ---- lifecycle ----
  // Closes the window for the system (logout, shutdown, a terminal gone): nothing may wait for
  // the user then, so no question is asked and nothing is shown.
  void CloseBySignal();
  void FormCreate();
  // Runs once, before the window is first displayed.
  void FormShow();
  // Asks about unsaved tag edits (キャンセル refuses the close, false), then saves the settings.
  bool FormCloseQuery();
  void FormDestroy();

  // The other two windows, given by the program's entry once they exist.
  void SetOptionsWindow(OptionsDialog* window) { frmOption = window; }
  void SetGenreListWindow(GenreListWindow* window) { frmGenreList = window; }
  // The first command-line argument, shown at start when it names a WAV or MP3 file.
  void SetCommandLineFile(const QString& argument) { commandLineFile_ = argument; }
  // The settings file; set at creation beside the executable (or in the user's configuration).
  const QString& IniPath() const { return iniPath_; }
  void SetIniPath(const QString& path) { iniPath_ = path; }
  // The help file; empty until one is found.
  const QString& HelpPath() const { return helpPath_; }
  // The options in force.
  const Options& CurrentOptions() const { return options_; }
  // What closing the options window does: `chosen` is in force from now on (the options window
  // shows it), and with `apply` the main window is brought in line with it.
  void TakeOptions(const Options& chosen, bool apply);

  Navigator& navigator() { return *navigator_; }
  TagEditor& tagEditor() { return *tagEditor_; }
  Converter& converter() { return *converter_; }
  EncoderComponent& GogoTea1() { return *gogoTea1_; }

  // ---- SessionView ----
  void ClearStatus() override;
  void SetStatusText(int panel, const QString& text) override;
  // What a status panel shows.
  QString StatusText(int panel) const;
  void SetProgress(int percent) override;
  void WaitMs(int ms) override;
  void ShowError(const QString& text) override;
  SaveAnswer AskSaveChanges(const QString& fileName) override;
  void ShowFolder(const QString& folder, bool fullWidth) override;
  QString Folder() const override;
  void ShowFileName(const QString& name) override;
  void ShowPosition(int number) override;
  void ShowCount(int count) override;
  void EnableStepping(bool enabled) override;
  void ShowJacketNames(const QStringList& names) override;
  void ShowLibraryVersion(const QString& version) override;
  void ShowOpenStatus(const QString& status) override;
  void ShowFileKind(const QString& type, const QString& tagKinds) override;
  void ShowTagFields(const TagFields& fields) override;
  void EditTagFields(const TagFields& fields) override;
  TagFields ShownTagFields() const override;
  void ShowComment(const QString& comment) override;
  bool ShiftHeld() const override { return shiftHeld_; }

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
  void FormKeyDown(int key, Qt::KeyboardModifiers shift);
  void FormKeyUp(int key, Qt::KeyboardModifiers shift);

  // ---- handlers ----
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void Button6Click();
  void Button7Click();
  void Button8Click();
  void Button9Click();
  void Button10Click();
  void Button12Click();
  void Button13Click();
  void Button14Click();
  // The position counter: Enter shows the file of the number typed; leaving it puts the shown
  // file's number back.
  void Edit14Return();
  void Edit14Exit();
  void GogoTea1Progress(QObject* Sender, int nowFrames, int AllFrames);
  void GogoTea1Finish(QObject* Sender, bool IsAborted);
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
  void ConnectHandlers();
  void LayoutToClientWidth();
  void KeepOuterSize();
  QSize FrameExtra() const;
  void ShowGenre(int index);
  // The tag boxes show `fields`, as a file's values or, `asTyped`, as edits Ctrl+Z undoes.
  void PutTagFields(const TagFields& fields, bool asTyped);
  // The genre list selects the item of the genre field's name, or none.
  void SelectShownGenre();
  // The end of a batch in the status bar, for a few seconds.
  void ShowBatchSummary(const BatchResult& result);
  // A stored place off every screen (a monitor since removed) comes back onto the primary one.
  void KeepOnScreen();
  static bool HasLocalFiles(const QMimeData* mime);
  static void AcceptAsCopy(QDropEvent* event);

  Platform& platform;
  QString iniPath_;
  QString helpPath_;
  QString commandLineFile_;
  // The current folder as the file system names it; its box shows it readably.
  QString currentFolder_ = QStringLiteral("フォルダ名");
  Options options_;
  QStringList GenreNames;
  // True from a key press made with Shift held until the next key release.
  bool shiftHeld_ = false;
  bool shownOnce_ = false;
  bool closingBySignal_ = false;
  // The outer size last asked for; kept when the platform reports its frame only later.
  QSize requestedOuter_;
  QSize knownFrameExtra_;

  OptionsDialog* frmOption = nullptr;
  GenreListWindow* frmGenreList = nullptr;

  // ---- components ----
  EncoderComponent* gogoTea1_ = nullptr;
  // The folder browser of the open button in folder mode.
  FolderBrowser* plBrowseFolder1 = nullptr;
  std::unique_ptr<Dialogs> dialogs_;
  std::unique_ptr<TagEditor> tagEditor_;
  std::unique_ptr<Navigator> navigator_;
  std::unique_ptr<Converter> converter_;

  // ---- controls ----
  QFrame* Panel2 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QLineEdit* Edit14 = nullptr;
  QLabel* Label14 = nullptr;
  QLineEdit* Edit15 = nullptr;
  QPushButton* Button5 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button6 = nullptr;
  QPushButton* Button7 = nullptr;
  QPushButton* Button10 = nullptr;
  QPushButton* Button3 = nullptr;
  QLabel* Label23 = nullptr;
  QLineEdit* Edit1 = nullptr;

  QFrame* Panel1 = nullptr;
  QLabel* Label13 = nullptr;
  QLineEdit* Edit13 = nullptr;
  QLabel* Label5 = nullptr;
  QLineEdit* Edit6 = nullptr;
  QLabel* Label6 = nullptr;
  QLineEdit* Edit7 = nullptr;
  QLabel* Label7 = nullptr;
  QLineEdit* Edit8 = nullptr;
  QLabel* Label9 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QLabel* Label15 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QLabel* Label22 = nullptr;
  QLineEdit* Edit20 = nullptr;
  QLabel* Label16 = nullptr;
  QLineEdit* Edit17 = nullptr;
  QLabel* Label20 = nullptr;
  QLineEdit* Edit18 = nullptr;
  QLabel* Label10 = nullptr;
  QLineEdit* Edit11 = nullptr;
  QLabel* Label21 = nullptr;
  QLineEdit* Edit19 = nullptr;
  QLabel* Label8 = nullptr;
  QLineEdit* Edit9 = nullptr;
  QLabel* Label12 = nullptr;
  QLineEdit* Edit10 = nullptr;
  QLabel* Label11 = nullptr;
  QLineEdit* Edit12 = nullptr;
  QFrame* Bevel1 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLabel* Label4 = nullptr;
  QLineEdit* Edit5 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* Edit4 = nullptr;

  QLabel* Panel3 = nullptr;
  QPushButton* Button12 = nullptr;
  QPushButton* Button13 = nullptr;
  QPushButton* Button8 = nullptr;
  QFrame* Panel4 = nullptr;
  QLabel* Label18 = nullptr;
  QLabel* Label17 = nullptr;
  QPushButton* Button14 = nullptr;
  QFrame* Panel5 = nullptr;
  QFrame* Shape1 = nullptr;
  QLabel* Label19 = nullptr;
  QPushButton* Button9 = nullptr;

  StatusBar* StatusBar1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
};

// TForm1: the main window. It holds the working state (settings file path, help file, the
// current folder's file list and position, jacket images, genre names, the field memory, the
// encoder component) and runs one handler per user action. The handlers of opening, tags,
// conversion, comments and genres live in the files of their topics; this unit builds the
// window, runs start-up and shut-down, the status bar, key preview, settings and the options.
#pragma once

#include "tags/FieldMemory.h"

#include <QString>
#include <QStringList>
#include <QWidget>

class BatchRun;
class Platform;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class TGogoTea;
class TStatusBar;
class TplBrowseFolder;
class TfrmGenreList;
class TfrmOption;

class TForm1 : public QWidget {
  Q_OBJECT
public:
  // Builds the controls and the encoder component, then runs FormCreate. An EGogoTeaError of
  // the encoder component (no encoder library) propagates: the program cannot start.
  explicit TForm1(Platform& services, QWidget* parent = nullptr);
  ~TForm1() override;

  // ---- lifecycle ----
  void FormCreate();
  // Runs once, before the window is first displayed.
  void FormShow();
  // Saves the settings; closing is never refused.
  void FormCloseQuery();
  void FormDestroy();

  // ---- services for every handler ----
  // Empties status panels 0 to 2; panel 3 (under the progress bar) is left alone.
  void ClearStatus();
  void SetStatusText(int panel, const QString& text);
  QString StatusText(int panel) const;
  // Returns once more than `ms` milliseconds have passed on the tick counter, dispatching
  // events meanwhile (handlers may run inside the wait).
  void WaitMs(int ms);

  // The frame-inclusive size of the window. Where the platform draws no frame (offscreen, X11
  // without a window manager) outer and client sizes are the same.
  int OuterWidth() const;
  int OuterHeight() const;
  void SetOuterWidth(int width);
  void SetOuterHeight(int height);

  // A folder path shown in a box: the full path in its tooltip, the path shortened to the
  // box's width less 4 pixels (measured with this window's font) as its text.
  void ShowPathInBox(QLineEdit* box, const QString& path);

  // ---- settings ----
  void LoadSettings();
  void SaveSettings();
  // Brings the main window in line with the options window.
  void ApplyOptions();

  // ---- key preview ----
  void FormKeyDown(int key, Qt::KeyboardModifiers shift);
  void FormKeyUp(int key, Qt::KeyboardModifiers shift);

  // ---- handlers of this unit ----
  void Button3Click();
  void Button7Click();

  // ---- handlers and routines of the other topics ----
  void Button1Click();
  void Button2Click();
  void Button5Click();
  // Local files dropped on the window, in drop order.
  void FilesDropped(const QStringList& paths);
  void OpenOneFile(const QString& path);
  int ScanFolder(const QString& folder);
  void FindFiles(const QString& folder, const QString& extension, QStringList& list);
  void RefreshJacketList();
  void ShowFileTags(const QString& path);
  void Button4Click();
  void WriteShownTags(const QString& path);
  bool WriteTags(const QString& path, const QString& title, const QString& album,
                 const QString& artist, const QString& year, const QString& genre,
                 const QString& comment);
  bool ReadTags(const QString& path, QString& title, QString& album, QString& artist, QString& year,
                QString& genre, QString& comment);
  void Button6Click();
  void ConvertOne(const QString& source, int index, int total);
  void Button9Click();
  void GogoTea1Progress(QObject* Sender, int nowFrames, int AllFrames);
  void GogoTea1Finish(QObject* Sender, bool IsAborted);
  void DeleteToRecycleBin(const QString& path);
  void Button8Click();
  void BuildGenreNames();
  void Button10Click();
  void Button12Click();
  void Button13Click();
  void Button14Click();

  // ---- working state ----
  Platform& platform;
  QString IniPath;
  QString HelpPath;
  QStringList FileList;
  QStringList JacketList;
  int CurrentIndex = 0;
  FieldMemory Memory;
  // True from a key press made with Shift held until the next key release.
  bool ShiftHeld = false;
  int ConvertedCount = 0;
  // The batch conversion under way, or none; its waits are woken by the end of each encode.
  BatchRun* Batch = nullptr;
  QStringList GenreNames;
  // The first command-line argument, shown at start when it is a WAV or MP3 file.
  QString CommandLineFile;
  // Full path of the file shown now (Edit13 holds its bare name); empty while none is shown.
  // Tag writing and single conversion act on this path, so files found in subfolders work.
  QString ShownFilePath;
  // The open dialog's file name, kept between uses (the last file chosen there).
  QString OpenDialogFileName;

  // The other two windows, set by the program's entry once they exist.
  TfrmOption* frmOption = nullptr;
  TfrmGenreList* frmGenreList = nullptr;

  // ---- components ----
  TGogoTea* GogoTea1 = nullptr;
  // The folder browser of the open button in folder mode.
  TplBrowseFolder* plBrowseFolder1 = nullptr;

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

  TStatusBar* StatusBar1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;

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
  void CreateControls();
  void LayoutToClientWidth();
  void KeepOuterSize();
  QSize FrameExtra() const;

  bool shownOnce_ = false;
  // The jacket images found by the last folder scan and the folder they belong to: the
  // jacket list of that open is taken from the same walk. Used once, then forgotten.
  QStringList scannedJackets_;
  QString scannedJacketsFolder_;
  // The outer size last asked for; kept when the platform reports its frame only later.
  QSize requestedOuter_;
  QSize knownFrameExtra_;
};

#include "app/Unit1.h"

#include "app/AppInfo.h"
#include "app/Platform.h"
#include "app/SettingsFile.h"
#include "app/ShortenPath.h"
#include "app/StatusBar.h"
#include "encoder/GogoTea.h"
#include "ui/Option.h"
#include "ui/plFileDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kClientWidth = 662;
constexpr int kClientHeight = 411;
constexpr int kLeft = 294;
constexpr int kTop = 132;
constexpr int kStatusHeight = 25;
constexpr int kTagPanelFullHeight = 325;
constexpr int kWindowFullHeight = 445;
// A wait gives the event loop slices no longer than this, so it notices the end of the wait
// promptly even when the tick counter and the timers disagree a little.
constexpr int kWaitSliceMs = 50;

const QString kGothic = QStringLiteral("Noto Sans CJK JP");

QFont GothicFont(int pixelSize, bool bold = false) {
  QFont font(kGothic);
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

template <typename W> W* Named(W* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& tip, QRect place) {
  auto* b = Named(new QPushButton(caption, parent), name);
  b->setGeometry(place);
  b->setToolTip(tip);
  b->setAutoDefault(false);
  b->setFocusPolicy(Qt::StrongFocus);
  return b;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, QRect place, const QString& text = {},
                    const QString& tip = {}, bool readOnly = false) {
  auto* e = Named(new QLineEdit(text, parent), name);
  e->setGeometry(place);
  e->setToolTip(tip);
  e->setReadOnly(readOnly);
  e->setCursorPosition(0);
  return e;
}

void SetBaseColour(QWidget* w, const QColor& colour) {
  QPalette p = w->palette();
  p.setColor(QPalette::Base, colour);
  w->setPalette(p);
}

// A label that names the box it stands beside; right-aligned so its text ends just before
// the box.
QLabel* MakeBoxLabel(QWidget* parent, const char* name, const QString& caption, QWidget* buddy,
                     bool bold, QRect place) {
  auto* l = Named(new QLabel(caption, parent), name);
  if (bold)
    l->setFont(GothicFont(12, true));
  l->setGeometry(place);
  l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  l->setBuddy(buddy);
  return l;
}

// A label for a box in the tag panel at `top`, ending 4 pixels before the box's left edge
// `boxLeft`, starting no further left than `from`.
QRect LabelBefore(int from, int boxLeft, int top) {
  return {from, top + 3, boxLeft - 4 - from, 14};
}

// Noto Sans CJK draws kana and kanji at full width where the design's proportional fonts were
// narrower, so a caption may be wider than its control. Such a caption keeps its height and
// is narrowed just enough to fit.
void FitCaption(QWidget* w, const QString& caption, int room) {
  QFont font = w->font();
  const int needed = QFontMetrics(font).horizontalAdvance(caption);
  if (needed <= room || needed <= 0)
    return;
  font.setStretch(std::max(70, room * 100 / needed));
  w->setFont(font);
}

// The extension of a name: from its last "." when that dot comes after the last separator.
QString ExtensionOf(const QString& name) {
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  const qsizetype sep =
      std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char(':')));
  if (dot < 0 || dot < sep)
    return {};
  return name.mid(dot);
}

} // namespace

TForm1::TForm1(Platform& services, QWidget* parent) : QWidget(parent), platform(services) {
  setObjectName(QStringLiteral("Form1"));
  CreateControls();

  // The encoder component exists before FormCreate runs; without its library the window is
  // never completed (the exception leaves this constructor).
  GogoTea1 = new TGogoTea(this);
  GogoTea1->setObjectName(QStringLiteral("GogoTea1"));
  GogoTea1->setFrequency(1);
  GogoTea1->setUseLPF(true);
  GogoTea1->OnProgress = [this](QObject* sender, int nowFrames, int allFrames) {
    GogoTea1Progress(sender, nowFrames, allFrames);
  };
  GogoTea1->OnFinish = [this](QObject* sender, bool aborted) { GogoTea1Finish(sender, aborted); };

  plBrowseFolder1 = new TplBrowseFolder(this, platform);
  plBrowseFolder1->setObjectName(QStringLiteral("plBrowseFolder1"));
  plBrowseFolder1->setRootSpecialDir(TplBFSpecialDir::sfDesktop);
  plBrowseFolder1->setInitSpecialDir(TplBFSpecialDir::sfNone);
  plBrowseFolder1->setOptions(BrowseOptionBit(TplBrowseOption::bifReturnOnlyFSDirs) |
                              BrowseOptionBit(TplBrowseOption::bifBrowseIncludeFiles) |
                              BrowseOptionBit(TplBrowseOption::bifNewDialogStyle) |
                              BrowseOptionBit(TplBrowseOption::bifNonNewFolderButton));
  plBrowseFolder1->setTitle(QStringLiteral("WAV/MP3のファイル・フォルダの設定"));
  plBrowseFolder1->setCaption(QStringLiteral("フォルダを指定してください"));
  plBrowseFolder1->setFormWidth(371);
  plBrowseFolder1->setFormHeight(311);
  plBrowseFolder1->setFormLeft(0);
  plBrowseFolder1->setFormTop(0);

  FormCreate();
}

TForm1::~TForm1() {
  qApp->removeEventFilter(this);
  FormDestroy();
}

void TForm1::CreateControls() {
  setWindowTitle(QStringLiteral("WAV→MP3変換とID3タグの編集"));
  setFont(GothicFont(12));
  setAutoFillBackground(true);
  {
    QPalette p = palette();
    p.setColor(QPalette::Window, p.color(QPalette::Button));
    setPalette(p);
  }
  // Fixed single border: the user cannot resize the window.
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  move(kLeft, kTop);

  const QColor light3d = palette().color(QPalette::Midlight);
  const QColor info = palette().color(QPalette::ToolTipBase);
  const QColor silver(192, 192, 192);
  const QFont uiGothic = GothicFont(12);

  // ---- top bar ----
  Panel2 = Named(new QFrame(this), "Panel2");
  Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel2->setGeometry(0, 0, kClientWidth, 56);
  Button1 = MakeButton(Panel2, "Button1", QStringLiteral("フォルダを開く"),
                       QStringLiteral("音楽ファイルまたはそのフォルダを指定する"), {8, 4, 93, 25});
  Button2 = MakeButton(Panel2, "Button2", QStringLiteral("前"),
                       QStringLiteral("フォルダ内の前のファイルを表示する"), {108, 4, 35, 25});
  Edit14 = MakeEdit(Panel2, "Edit14", {147, 7, 41, 20}, QStringLiteral("0"));
  Edit15 = MakeEdit(Panel2, "Edit15", {199, 7, 41, 20}, QStringLiteral("0"), {}, true);
  Label14 = Named(new QLabel(QStringLiteral("/"), Panel2), "Label14");
  Label14->setGeometry(191, 11, 7, 14);
  Label14->setBuddy(Edit15);
  Button5 = MakeButton(Panel2, "Button5", QStringLiteral("次"),
                       QStringLiteral("フォルダ内の次のファイルを表示する"), {242, 5, 35, 25});
  Button4 =
      MakeButton(Panel2, "Button4", QStringLiteral("ID3書込み"),
                 QStringLiteral("表示しているID3タグ情報をファイルに書き込む"), {283, 4, 70, 25});
  Button6 = MakeButton(Panel2, "Button6", QStringLiteral("WAV→MP3実行"),
                       QStringLiteral("表示しているWAVファイルをMP3ファイルに変換する"),
                       {358, 4, 97, 25});
  Button7 = MakeButton(Panel2, "Button7", QStringLiteral("オプション"),
                       QStringLiteral("オプション項目の設定をする"), {460, 4, 54, 25});
  Button7->setFont(uiGothic);
  Button10 = MakeButton(Panel2, "Button10", QStringLiteral("使用方法"), {}, {516, 4, 54, 25});
  Button10->setFont(uiGothic);
  Button3 = MakeButton(Panel2, "Button3", QStringLiteral("終了"),
                       QStringLiteral("プログラムを終了する"), {575, 4, 74, 25});
  Edit1 = MakeEdit(Panel2, "Edit1", {72, 32, 586, 20}, {}, QStringLiteral("フォルダ名"));
  SetBaseColour(Edit1, light3d);
  Label23 = Named(new QLabel(QStringLiteral("フォルダ名"), Panel2), "Label23");
  Label23->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label23->setGeometry(11, 36, 58, 14);
  Label23->setBuddy(Edit1);

  // ---- tag panel ----
  Panel1 = Named(new QFrame(this), "Panel1");
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setGeometry(8, 60, 477, kTagPanelFullHeight);

  Edit13 = MakeEdit(Panel1, "Edit13", {87, 7, 385, 20}, {},
                    QStringLiteral("フォルダ内の音楽ファイル名"), true);
  SetBaseColour(Edit13, light3d);
  Label13 = MakeBoxLabel(Panel1, "Label13", QStringLiteral("ファイル名"), Edit13, false,
                         LabelBefore(4, 87, 7));
  Edit6 = MakeEdit(Panel1, "Edit6", {87, 31, 385, 20});
  Label5 = MakeBoxLabel(Panel1, "Label5", QStringLiteral("タイトル"), Edit6, true,
                        LabelBefore(4, 87, 31));
  Edit7 = MakeEdit(Panel1, "Edit7", {87, 51, 385, 20});
  Label6 = MakeBoxLabel(Panel1, "Label6", QStringLiteral("アーチスト"), Edit7, true,
                        LabelBefore(4, 87, 51));
  Edit8 = MakeEdit(Panel1, "Edit8", {87, 71, 385, 20});
  Label7 = MakeBoxLabel(Panel1, "Label7", QStringLiteral("アルバム"), Edit8, true,
                        LabelBefore(4, 87, 71));
  Memo1 = Named(new QPlainTextEdit(Panel1), "Memo1");
  Memo1->setGeometry(87, 93, 385, 45);
  Label9 = MakeBoxLabel(Panel1, "Label9", QStringLiteral("コメント"), Memo1, true,
                        LabelBefore(4, 87, 93));
  ComboBox1 = Named(new QComboBox(Panel1), "ComboBox1");
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1->setGeometry(87, 140, 245, 20);
  SetBaseColour(ComboBox1, info);
  Label15 = MakeBoxLabel(Panel1, "Label15", QStringLiteral("ジャケット画像"), ComboBox1, false,
                         LabelBefore(4, 87, 140));
  Label15->setFont(uiGothic);
  Edit20 = MakeEdit(Panel1, "Edit20", {392, 141, 81, 20}, {}, QStringLiteral("アルバムのID"));
  SetBaseColour(Edit20, info);
  Label22 = MakeBoxLabel(Panel1, "Label22", QStringLiteral("TITLE ID"), Edit20, false,
                         LabelBefore(336, 392, 141));
  Edit17 = MakeEdit(Panel1, "Edit17", {87, 162, 385, 20});
  SetBaseColour(Edit17, info);
  Label16 = MakeBoxLabel(Panel1, "Label16", QStringLiteral("作詞"), Edit17, false,
                         LabelBefore(4, 87, 162));
  Edit18 = MakeEdit(Panel1, "Edit18", {87, 182, 385, 20});
  SetBaseColour(Edit18, info);
  Label20 = MakeBoxLabel(Panel1, "Label20", QStringLiteral("作曲"), Edit18, false,
                         LabelBefore(4, 87, 182));
  Edit11 = MakeEdit(Panel1, "Edit11", {87, 202, 385, 20});
  SetBaseColour(Edit11, info);
  Label10 = MakeBoxLabel(Panel1, "Label10", QStringLiteral("編曲"), Edit11, false,
                         LabelBefore(4, 87, 202));
  Edit19 = MakeEdit(Panel1, "Edit19", {87, 222, 385, 20});
  SetBaseColour(Edit19, info);
  Label21 = MakeBoxLabel(Panel1, "Label21", QStringLiteral("演奏"), Edit19, false,
                         LabelBefore(4, 87, 222));
  Edit9 = MakeEdit(Panel1, "Edit9", {87, 245, 39, 20}, QStringLiteral("2008"),
                   QStringLiteral("アルバムがリリースされた年（西暦)"));
  Label8 = MakeBoxLabel(Panel1, "Label8", QStringLiteral("リリース年"), Edit9, true,
                        LabelBefore(4, 87, 245));
  Edit10 = MakeEdit(Panel1, "Edit10", {184, 245, 145, 20}, QStringLiteral("JPop"),
                    QStringLiteral("[ジャンル一覧]から選ぶ"), true);
  Label12 =
      MakeBoxLabel(Panel1, "Label12", QStringLiteral("ジャンル"), Edit10, true, {132, 249, 48, 14});
  Edit12 = MakeEdit(Panel1, "Edit12", {392, 245, 81, 20}, {},
                    QStringLiteral("演奏時間は曲ファイルから直接計算される"), true);
  SetBaseColour(Edit12, silver);
  Label11 = MakeBoxLabel(Panel1, "Label11", QStringLiteral("演奏時間"), Edit12, false,
                         LabelBefore(336, 392, 245));

  Bevel1 = Named(new QFrame(Panel1), "Bevel1");
  Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  Bevel1->setGeometry(8, 271, 465, 2);

  Edit2 = MakeEdit(Panel1, "Edit2", {107, 280, 120, 20}, {}, {}, true);
  SetBaseColour(Edit2, silver);
  Label1 = MakeBoxLabel(Panel1, "Label1", QStringLiteral("mp3infpバージョン"), Edit2, false,
                        LabelBefore(4, 107, 280));
  Edit5 = MakeEdit(Panel1, "Edit5", {329, 280, 144, 20}, {}, {}, true);
  SetBaseColour(Edit5, silver);
  Label4 = MakeBoxLabel(Panel1, "Label4", QStringLiteral("ID3タグバージョン"), Edit5, false,
                        LabelBefore(230, 329, 280));
  Edit3 = MakeEdit(Panel1, "Edit3", {107, 300, 120, 20}, {}, {}, true);
  SetBaseColour(Edit3, silver);
  Label2 = MakeBoxLabel(Panel1, "Label2", QStringLiteral("処理ステータス"), Edit3, false,
                        LabelBefore(4, 107, 300));
  Edit4 = MakeEdit(Panel1, "Edit4", {329, 300, 144, 20}, {}, {}, true);
  SetBaseColour(Edit4, silver);
  Label3 = MakeBoxLabel(Panel1, "Label3", QStringLiteral("WAV/MP3"), Edit4, false,
                        LabelBefore(230, 329, 300));

  // ---- right column ----
  Panel3 = Named(new QLabel(QStringLiteral("太字がID3タグ"), this), "Panel3");
  Panel3->setFont(GothicFont(11));
  // Lowered outside, raised inside.
  Panel3->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Panel3->setLineWidth(1);
  Panel3->setAlignment(Qt::AlignCenter);
  Panel3->setGeometry(495, 60, 157, 17);
  Button12 = MakeButton(this, "Button12", QStringLiteral("記述内容をメモリにコピー"),
                        QStringLiteral("左記の設定項目をメモリにコピーする"), {495, 80, 157, 25});
  Button12->setFont(uiGothic);
  Button13 = MakeButton(this, "Button13", QStringLiteral("記述内容をメモリから貼り付け"),
                        QStringLiteral("メモリから左記に内容を貼り付ける"), {495, 108, 157, 25});
  Button13->setFont(uiGothic);
  Button8 = MakeButton(this, "Button8", QStringLiteral("ジャンル一覧から選択する"),
                       QStringLiteral("ジャンル一覧を表示"), {495, 137, 157, 25});

  Panel4 = Named(new QFrame(this), "Panel4");
  Panel4->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel4->setGeometry(495, 165, 157, 65);
  Label18 = Named(new QLabel(QStringLiteral("－コメント書式－"), Panel4), "Label18");
  Label18->setAlignment(Qt::AlignCenter);
  Label18->setGeometry(8, 4, 141, 14);
  Label17 = Named(new QLabel(QStringLiteral("任意文字列"), Panel4), "Label17");
  Label17->setAlignment(Qt::AlignCenter);
  Label17->setGeometry(8, 20, 141, 16);
  Button14 =
      MakeButton(Panel4, "Button14", QStringLiteral("コメント文字更新"),
                 QStringLiteral("コメント文字を更新する（Shift+で追加作成）"), {16, 36, 125, 25});
  Button14->setEnabled(false);

  Panel5 = Named(new QFrame(this), "Panel5");
  Panel5->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel5->setGeometry(496, 260, 157, 65);
  Shape1 = Named(new QFrame(Panel5), "Shape1");
  Shape1->setFrameStyle(QFrame::Box | QFrame::Plain);
  Shape1->setLineWidth(1);
  Shape1->setAutoFillBackground(true);
  {
    QPalette p = Shape1->palette();
    p.setColor(QPalette::Window, light3d);
    p.setColor(QPalette::WindowText, Qt::gray);
    Shape1->setPalette(p);
  }
  Shape1->setGeometry(4, 4, 148, 57);
  Label19 = Named(new QLabel(QStringLiteral("－WAV→MP3変換－"), Panel5), "Label19");
  Label19->setAlignment(Qt::AlignCenter);
  Label19->setGeometry(8, 8, 141, 14);
  Button9 = MakeButton(Panel5, "Button9", QStringLiteral("WAV→MP3一括変換"),
                       QStringLiteral("同一フォルダ内のWAVファイルをすべてMP3に変換する"),
                       {16, 26, 125, 25});

  // ---- status bar and progress bar ----
  StatusBar1 = Named(new TStatusBar({50, 50, 400, 50}, kStatusHeight, this), "StatusBar1");
  StatusBar1->setGeometry(0, kClientHeight - kStatusHeight, kClientWidth, kStatusHeight);
  ProgressBar1 = Named(new QProgressBar(this), "ProgressBar1");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);

  for (QPushButton* b : findChildren<QPushButton*>())
    FitCaption(b, b->text(), b->width() - 6);
  FitCaption(Label15, Label15->text(), Label15->width() - 4);
  FitCaption(Label1, Label1->text(), Label1->width());
  FitCaption(Label4, Label4->text(), Label4->width());

  // ---- handlers ----
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
  connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
  connect(Button6, &QPushButton::clicked, this, [this] { Button6Click(); });
  connect(Button7, &QPushButton::clicked, this, [this] { Button7Click(); });
  connect(Button10, &QPushButton::clicked, this, [this] { Button10Click(); });
  connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
  connect(Button12, &QPushButton::clicked, this, [this] { Button12Click(); });
  connect(Button13, &QPushButton::clicked, this, [this] { Button13Click(); });
  connect(Button8, &QPushButton::clicked, this, [this] { Button8Click(); });
  connect(Button14, &QPushButton::clicked, this, [this] { Button14Click(); });
  connect(Button9, &QPushButton::clicked, this, [this] { Button9Click(); });

  // Key preview: every key press and release in any control of this window passes here first.
  qApp->installEventFilter(this);
}

void TForm1::FormCreate() {
  IniPath = SettingsFilePath();
  FileList.clear();
  GenreNames.clear();
  JacketList.clear();

  // The progress bar sits in the status bar over panel 3. It is placed once: a width loaded
  // from the settings later does not move it.
  const int panels =
      StatusBar1->PanelWidth(0) + StatusBar1->PanelWidth(1) + StatusBar1->PanelWidth(2);
  ProgressBar1->setParent(StatusBar1);
  ProgressBar1->setGeometry(panels + 2, 2, OuterWidth() - panels - 8, StatusBar1->height() - 2);
  ProgressBar1->setVisible(true);

  setAcceptDrops(true);
}

void TForm1::FormShow() {
  if (shownOnce_)
    return;
  shownOnce_ = true;
  LoadSettings();
  ApplyOptions();
  BuildGenreNames();
  const QString ext = ExtensionOf(CommandLineFile).toLower();
  if (ext == QLatin1String(".wav") || ext == QLatin1String(".mp3"))
    OpenOneFile(CommandLineFile);
}

void TForm1::FormCloseQuery() {
  SaveSettings();
}

void TForm1::FormDestroy() {
  FileList.clear();
  GenreNames.clear();
  JacketList.clear();
}

void TForm1::setVisible(bool visible) {
  // FormShow places and sizes the window; done before the native window exists, the window
  // manager maps it where asked. Sizing it from the show event instead makes X11 window
  // managers place it elsewhere (at the screen's corner, for one).
  if (visible && !shownOnce_)
    FormShow();
  QWidget::setVisible(visible);
}

void TForm1::showEvent(QShowEvent* event) {
  // The show event arrives before the window is mapped, so what FormShow changes (place,
  // width, height) is what the user first sees.
  FormShow();
  QWidget::showEvent(event);
}

void TForm1::closeEvent(QCloseEvent* event) {
  FormCloseQuery();
  event->accept();
  // Closing the main window ends the program, and at once: the quit that Qt posts when the
  // last window closes would be dropped by the next local event loop a wait (conversion,
  // end handler, summary) starts, leaving the program running without its window. No-op
  // when the application's event loop is not running.
  QCoreApplication::quit();
}

void TForm1::Button3Click() {
  close();
}

// ---------------------------------------------------------------------------------------------
// Status bar and waiting

void TForm1::ClearStatus() {
  for (int i = 0; i < 3; ++i)
    StatusBar1->SetPanelText(i, QString());
}

void TForm1::SetStatusText(int panel, const QString& text) {
  StatusBar1->SetPanelText(panel, text);
}

QString TForm1::StatusText(int panel) const {
  return StatusBar1->PanelText(panel);
}

void TForm1::WaitMs(int ms) {
  const quint32 limit = static_cast<quint32>(std::max(ms, 0));
  const quint32 start = platform.TickCount();
  for (;;) {
    // Unsigned difference: right across the counter's wrap-around.
    const quint32 elapsed = platform.TickCount() - start;
    if (elapsed > limit)
      return;
    const quint32 remaining = limit - elapsed + 1;
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(std::min<quint32>(remaining, kWaitSliceMs)),
                       Qt::PreciseTimer, &loop, &QEventLoop::quit);
    // A loop started while the application is quitting returns at once with -1: the wait is
    // over then, rather than spinning for the rest of its time.
    if (loop.exec() != 0)
      return;
  }
}

// ---------------------------------------------------------------------------------------------
// Key preview

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
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

void TForm1::FormKeyDown(int, Qt::KeyboardModifiers shift) {
  if (shift & (Qt::ShiftModifier | Qt::ControlModifier)) {
    ShiftHeld = (shift & Qt::ShiftModifier) != 0;
    SetStatusText(1, QStringLiteral("+"));
  } else {
    SetStatusText(1, QStringLiteral("-"));
  }
}

void TForm1::FormKeyUp(int, Qt::KeyboardModifiers) {
  ShiftHeld = false;
  SetStatusText(1, QStringLiteral("-"));
}

// ---------------------------------------------------------------------------------------------
// Dropped files

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* mime = event->mimeData();
  if (mime && mime->hasUrls()) {
    for (const QUrl& url : mime->urls()) {
      if (url.isLocalFile()) {
        event->acceptProposedAction();
        return;
      }
    }
  }
  event->ignore();
}

void TForm1::dropEvent(QDropEvent* event) {
  QStringList paths;
  if (const QMimeData* mime = event->mimeData()) {
    for (const QUrl& url : mime->urls()) {
      if (url.isLocalFile())
        paths.append(url.toLocalFile());
    }
  }
  event->acceptProposedAction();
  if (!paths.isEmpty())
    FilesDropped(paths);
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

QSize TForm1::FrameExtra() const {
  const QRect frame = frameGeometry();
  return {std::max(0, frame.width() - width()), std::max(0, frame.height() - height())};
}

int TForm1::OuterWidth() const {
  return frameGeometry().width();
}

int TForm1::OuterHeight() const {
  return frameGeometry().height();
}

void TForm1::SetOuterWidth(int width) {
  requestedOuter_.setWidth(width);
  KeepOuterSize();
}

void TForm1::SetOuterHeight(int height) {
  requestedOuter_.setHeight(height);
  KeepOuterSize();
}

void TForm1::KeepOuterSize() {
  const QSize extra = FrameExtra();
  knownFrameExtra_ = extra;
  int w = width();
  int h = height();
  if (requestedOuter_.width() >= 0)
    w = std::max(1, requestedOuter_.width() - extra.width());
  if (requestedOuter_.height() >= 0)
    h = std::max(1, requestedOuter_.height() - extra.height());
  if (w != width() || h != height())
    setFixedSize(w, h);
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayoutToClientWidth();
}

void TForm1::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (FrameExtra() != knownFrameExtra_)
    KeepOuterSize();
}

void TForm1::LayoutToClientWidth() {
  // The top bar is aligned to the top, the status bar to the bottom; the folder box follows
  // the right edge.
  Panel2->setGeometry(0, 0, width(), Panel2->height());
  Edit1->setGeometry(Edit1->x(), Edit1->y(), std::max(0, width() - Edit1->x() - 4),
                     Edit1->height());
  StatusBar1->setGeometry(0, height() - kStatusHeight, width(), kStatusHeight);
}

// ---------------------------------------------------------------------------------------------
// Options

void TForm1::Button7Click() {
  if (!frmOption)
    return;
  if (platform.ExecModal(*frmOption) != QDialog::Accepted)
    return;
  ApplyOptions();
}

void TForm1::ApplyOptions() {
  if (!frmOption)
    return;
  const bool byFolder = frmOption->CheckBox1->isChecked();
  Button1->setText(byFolder ? QStringLiteral("フォルダを開く") : QStringLiteral("ファイルを開く"));
  Button2->setEnabled(byFolder);
  Button5->setEnabled(byFolder);
  Button4->setEnabled(frmOption->CheckBox3->isChecked());

  if (frmOption->CheckBox5->isChecked()) {
    Panel1->setFixedHeight(kTagPanelFullHeight);
    SetOuterHeight(kWindowFullHeight);
  } else {
    const int cut = Bevel1->y();
    Panel1->setFixedHeight(cut);
    SetOuterHeight(kWindowFullHeight - (kTagPanelFullHeight - cut));
  }

  if (frmOption->RadioButton5->isChecked()) {
    Label17->setText(QStringLiteral("任意文字列"));
    Button14->setEnabled(false);
  } else if (frmOption->RadioButton1->isChecked()) {
    Label17->setText(QStringLiteral("ジャケット画像名"));
    Button14->setEnabled(true);
  } else if (frmOption->RadioButton2->isChecked()) {
    Label17->setText(QStringLiteral("作詩+作曲+編曲+演奏"));
    Button14->setEnabled(true);
  } else {
    Label17->setText(QStringLiteral("ID+作詩+作曲+編曲+演奏"));
    Button14->setEnabled(true);
  }
}

// ---------------------------------------------------------------------------------------------
// Settings

void TForm1::ShowPathInBox(QLineEdit* box, const QString& path) {
  const QFontMetrics metrics(font());
  box->setToolTip(path);
  box->setText(ShortenPath(path, box->width() - 4,
                           [&metrics](const QString& s) { return metrics.horizontalAdvance(s); }));
  box->setCursorPosition(0);
}

void TForm1::LoadSettings() {
  const std::optional<StoredSettings> stored = ReadStoredSettings(IniPath, HelpDir());
  if (!stored)
    return;
  const StoredSettings& s = *stored;
  move(s.Left, s.Top);
  SetOuterWidth(s.Width);

  if (frmOption) {
    frmOption->CheckBox1->setChecked(s.WithFolder);
    frmOption->CheckBox4->setChecked(s.WithFile);
    frmOption->CheckBox3->setChecked(s.WriteId3);
    frmOption->CheckBox5->setChecked(s.DispMp3infp);
    QRadioButton* chosen = frmOption->RadioButton5;
    if (s.FormComment == 1)
      chosen = frmOption->RadioButton1;
    else if (s.FormComment == 2)
      chosen = frmOption->RadioButton2;
    else if (s.FormComment == 3)
      chosen = frmOption->RadioButton3;
    chosen->setChecked(true);
    frmOption->CheckBox8->setChecked(s.Mp3WavId3ToMp3);
    frmOption->CheckBox2->setChecked(s.Mp3DeleteWav);
    frmOption->CheckBox6->setChecked(s.Mp3OverWriteMp3);
    frmOption->CheckBox7->setChecked(s.Mp3UseFolder3);
    ShowPathInBox(frmOption->Edit1, s.Mp3FolderPath);
  }

  if (s.FolderPath)
    ShowPathInBox(Edit1, *s.FolderPath);
  if (s.HelpPath)
    HelpPath = *s.HelpPath;
}

void TForm1::SaveSettings() {
  SettingsToSave v;
  v.Left = frameGeometry().x();
  v.Top = frameGeometry().y();
  v.Width = OuterWidth();
  v.Height = OuterHeight();
  v.HelpPath = HelpPath;
  v.FolderPath = Edit1->toolTip();
  if (frmOption) {
    v.WithFolder = frmOption->CheckBox1->isChecked();
    v.WithFile = frmOption->CheckBox4->isChecked();
    v.WriteId3 = frmOption->CheckBox3->isChecked();
    v.DispMp3infp = frmOption->CheckBox5->isChecked();
    v.FormComment = 0;
    if (frmOption->RadioButton1->isChecked())
      v.FormComment = 1;
    if (frmOption->RadioButton2->isChecked())
      v.FormComment = 2;
    if (frmOption->RadioButton3->isChecked())
      v.FormComment = 3;
    v.Mp3WavId3ToMp3 = frmOption->CheckBox8->isChecked();
    v.Mp3DeleteWav = frmOption->CheckBox2->isChecked();
    v.Mp3OverWriteMp3 = frmOption->CheckBox6->isChecked();
    v.Mp3UseFolder3 = frmOption->CheckBox7->isChecked();
    v.Mp3FolderPath = frmOption->Edit1->toolTip();
  }
  const bool written = WriteStoredSettings(IniPath, HelpDir(), v, [this] {
    return platform.AskOkCancel(this, QStringLiteral("読み出し専用です。書き込みますか"),
                                QStringLiteral("問合わせ"));
  });
  // Closing goes ahead regardless; the user hears of it once.
  if (!written)
    std::fprintf(stderr, "wav2mp3tag: the settings could not be written to %s\n",
                 qPrintable(IniPath));
}
